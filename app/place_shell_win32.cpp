#include "app/place_shell_win32.h"

#include "common/win_text.h"
#include "shell/shell_ui_win32.h"

namespace ql {

std::u16string ShellPlaceLooks::expandVariables(std::u16string_view text) {
    return win::toU16(shellUI::expandEnvironmentText(win::toWide(text)));
}

bool ShellPlaceLooks::isExistingFolder(std::u16string_view path) { return shellUI::isExistingFolder(win::toWide(path)); }

editor::FolderLook ShellPlaceLooks::pathLook(std::u16string_view path) {
    std::wstring name;
    int icon = 0;
    shellUI::getPathDisplayInfo(win::toWide(path), name, icon);
    return {win::toU16(name), icon};
}

std::optional<editor::FolderLook> ShellPlaceLooks::specialFolderLook(std::int32_t csidl) {
    std::wstring name;
    int icon = 0;
    if (!shellUI::getSpecialFolderDisplayInfo(csidl, owner_, name, icon)) return std::nullopt;
    return editor::FolderLook{win::toU16(name), icon};
}

int ShellPlaceLooks::genericFolderIcon() { return shellUI::genericFolderIconIndex(); }

}  // namespace ql
