#pragma once
// What comes to the program from outside in the end-to-end tests: its popup menus read from
// another process, the clipboard, and files dragged from a second program with OLE drag and drop.
#include "tests/e2e/driver.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ql::e2e {

struct MenuItemView {
    std::wstring text;  // without the '&' of the access key
    bool separator = false;
    bool enabled = false;
    bool isDefault = false;
    POINT centre{};  // on the screen
};

// The program's popup menu that is open now: its window, and its items read inside the program.
struct PopupMenu {
    HWND window = nullptr;
    std::vector<MenuItemView> items;

    // The texts of the items, separators as "-"; greyed ones in brackets: "[Move up]".
    std::vector<std::wstring> shown() const;
    const MenuItemView& item(std::wstring_view textOfItem) const;
};
PopupMenu waitForPopupMenu(const Program& program);
// Waits until the program shows no popup menu.
bool menuClosed(const Program& program);

void putTextOnClipboard(std::wstring_view textToPut);
// The clipboard's Unicode text; none when it holds none.
std::optional<std::wstring> clipboardText();

// A second program's window from which files are dragged with OLE drag and drop (DoDragDrop with a
// CF_HDROP data object), run on a thread of its own while the test moves the real mouse.
class FileDragSource {
public:
    explicit FileDragSource(POINT at);
    FileDragSource(const FileDragSource&) = delete;
    FileDragSource& operator=(const FileDragSource&) = delete;
    ~FileDragSource();

    struct Outcome {
        DWORD effect = DROPEFFECT_NONE;     // what DoDragDrop reported at the end
        DWORD lastFeedback = DROPEFFECT_NONE;  // the cursor shown last before the drop
    };
    // Presses the left button on the source, drags `files` to `target` in a dozen moves and
    // releases there; then settles `settleWindow`'s program.
    Outcome drag(const std::vector<std::wstring>& files, POINT target, HWND settleWindow);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace ql::e2e
