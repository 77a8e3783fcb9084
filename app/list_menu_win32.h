#pragma once
// The place list's context menu: on an entry, or on empty space.
#include "app/list_menu.h"
#include "common/win_handles.h"

namespace ql::listMenu {

// Shows the menu at `at` (screen coordinates) until the user chooses or dismisses it, and returns
// the command chosen (app/control_ids.h), 0 for none. Commands the states leave out are greyed.
int track(HWND owner, POINT at, bool onEntry, const editor::ListMenuStates& states);

}  // namespace ql::listMenu
