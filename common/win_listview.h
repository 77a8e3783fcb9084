#pragma once
// List view entries as the program's lists use them: each names what it stands for by its item's
// lParam (a place id or a CSIDL).
#include "common/win_handles.h"

#include <optional>
#include <string>

namespace ql::win {

// The lParam of the item at `index`; none when there is no such item.
std::optional<LPARAM> itemParam(HWND list, int index);
// The item's whole text, however long.
std::wstring itemText(HWND list, int index);
// Inserts an item with `text` and `param` at `index` (the end when past it); its index, or -1.
int insertItem(HWND list, int index, const std::wstring& text, LPARAM param);
// Makes the item at `index` the only selected one, with the focus rectangle, and scrolls it into
// view; -1 clears the selection.
void selectOnly(HWND list, int index);

}  // namespace ql::win
