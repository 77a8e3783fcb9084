#pragma once
// The shell as the main window's entries ask it about their places.
#include "app/place_display.h"
#include "common/win_handles.h"
#include "store/place.h"

#include <string>

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

// What a place turns out to be on this system, asked on a worker of the look-up queue: the look
// of its entry, the folder it leads to (empty for a special folder without one, My Computer) and
// whether the shell can open it.
struct PlaceFacts {
    editor::EntryLook look;
    std::wstring resolvedPath;
    bool leadsSomewhere = false;
};
PlaceFacts lookUpPlace(const Place& place);

}  // namespace ql
