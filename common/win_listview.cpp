#include "common/win_listview.h"

#include <commctrl.h>

namespace ql::win {

std::optional<LPARAM> itemParam(HWND list, int index) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    if (!ListView_GetItem(list, &item)) return std::nullopt;
    return item.lParam;
}

std::wstring itemText(HWND list, int index) {
    // The list view says only how much it copied: a text that fills the buffer may go on.
    std::wstring text(256, L'\0');
    for (;;) {
        LVITEMW item{};
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(text.size());
        const auto length = static_cast<std::size_t>(
            ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < text.size()) {
            text.resize(length);
            return text;
        }
        text.resize(text.size() * 2);
    }
}

int insertItem(HWND list, int index, const std::wstring& text, LPARAM param) {
    std::wstring buffer = text;
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = buffer.data();
    item.lParam = param;
    return ListView_InsertItem(list, &item);
}

void selectOnly(HWND list, int index) {
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (index < 0) return;
    ListView_SetItemState(list, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, index, FALSE);
}

}  // namespace ql::win
