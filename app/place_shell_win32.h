#pragma once
// The shell as the main window's entries ask it about their places.
#include "app/place_display.h"
#include "common/win_handles.h"

namespace ql {

class ShellPlaceLooks final : public editor::PlaceShell {
public:
    // `owner`: the window on whose behalf the shell may ask the user (for special folders).
    explicit ShellPlaceLooks(HWND owner) : owner_(owner) {}

    std::u16string expandVariables(std::u16string_view text) override;
    bool isExistingFolder(std::u16string_view path) override;
    bool exists(std::u16string_view path) override;
    editor::FolderLook pathLook(std::u16string_view path) override;
    std::optional<editor::FolderLook> specialFolderLook(std::int32_t csidl) override;
    int genericFolderIcon() override;

private:
    HWND owner_;
};

}  // namespace ql
