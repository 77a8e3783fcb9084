// Loaded into the program under test by the end-to-end tests: reads one of its popup menus.
#include "tests/e2e/menu_probe.h"

using ql::e2e::probe::MenuRequest;

extern "C" __declspec(dllexport) DWORD WINAPI readMenu(void* parameter) {
    auto* request = static_cast<MenuRequest*>(parameter);
    request->count = ::GetMenuItemCount(request->menu);
    for (int i = 0; i < request->count && i < ql::e2e::probe::kMaxItems; ++i) {
        auto& item = request->items[i];
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
        info.dwTypeData = item.text;
        info.cch = ql::e2e::probe::kMaxText;
        ::GetMenuItemInfoW(request->menu, static_cast<UINT>(i), TRUE, &info);
        item.type = info.fType;
        item.state = info.fState;
        ::GetMenuItemRect(nullptr, request->menu, static_cast<UINT>(i), &item.rect);
    }
    return 0;
}
