#pragma once
// The place list's context menu: on an entry, or on empty space.
#include "app/list_menu.h"
#include "common/win_handles.h"

namespace ql::listMenu {

// The commands, as the menu returns them; 0 is none.
enum Command : UINT {
    kNone = 0,
    kOpen = 1,
    kCopyPath,
    kMoveUp,
    kMoveDown,
    kRemove,
    kPaste,
    kAddFolder,
    kAddSpecial,
    kImportPlacesBar,
    kExportPlacesBar,
};

// Shows the menu at `at` (screen coordinates) until the user chooses or dismisses it. Commands
// the states leave out are greyed.
Command track(HWND owner, POINT at, bool onEntry, const editor::ListMenuStates& states);

}  // namespace ql::listMenu
