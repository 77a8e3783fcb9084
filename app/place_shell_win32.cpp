#include "app/place_shell_win32.h"

#include "app/place_transfer_win32.h"
#include "common/win_text.h"
#include "shell/shell_ui_win32.h"

namespace ql {

std::u16string ShellPlaceLooks::expandVariables(std::u16string_view text) {
    return win::toU16(shellUI::expandEnvironmentText(win::toWide(text)));
}

bool ShellPlaceLooks::isExistingFolder(std::u16string_view path) { return shellUI::isExistingFolder(win::toWide(path)); }

bool ShellPlaceLooks::exists(std::u16string_view path) {
    return ::GetFileAttributesW(win::toWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

editor::FolderLook ShellPlaceLooks::pathLook(std::u16string_view path) {
    const shellUI::DisplayInfo shown = shellUI::getPathDisplayInfo(win::toWide(path));
    return {win::toU16(shown.displayName), shown.iconIndex};
}

std::optional<editor::FolderLook> ShellPlaceLooks::specialFolderLook(std::int32_t csidl) {
    const std::optional<shellUI::DisplayInfo> shown = shellUI::getSpecialFolderDisplayInfo(csidl, owner_);
    if (!shown) return std::nullopt;
    return editor::FolderLook{win::toU16(shown->displayName), shown->iconIndex};
}

int ShellPlaceLooks::genericFolderIcon() { return shellUI::genericFolderIconIndex(); }

PlaceFacts lookUpPlace(const Place& place) {
    ShellPlaceLooks shell(nullptr);  // on behalf of no window: the windows live on another thread
    return {editor::describePlace(place, shell), transfer::resolvedPath(place, nullptr), transfer::leadsSomewhere(place, nullptr)};
}

}  // namespace ql
