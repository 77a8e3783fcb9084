// The benchmark's floor: the least any program must do to show what Quorlane's window shows at
// start-up. One window with one list view that lists the stored places with the shell's names and
// icons, reading the registry and asking the shell as quorlane.exe does, linked like it against the
// same system DLLs and loading each on its first call, as it does. quorlane_bench starts it beside
// quorlane.exe.
#include "app/place_display.h"
#include "bench/bench_window_win32.h"
#include "app/place_shell_win32.h"
#include "common/win_handles.h"
#include "common/win_text.h"
#include "store/places_bar.h"
#include "store/registry_places_bar_store.h"

#include <shellapi.h>

namespace {

constexpr wchar_t kClassName[] = L"QuorlaneBenchFloor";

// The shell's 32 x 32 system image list, as both of quorlane's lists hold it.
HIMAGELIST systemImageList() {
    SHFILEINFOW info{};
    return reinterpret_cast<HIMAGELIST>(::SHGetFileInfoW(L".txt", FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                                                         SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES));
}

void listStoredPlaces(HWND list) {
    ql::RegistryPlacesBarStore store;
    ql::ShellPlaceLooks shell(::GetParent(list));
    for (const ql::Place& place : ql::loadPlacesBar(store).places) {
        const ql::editor::EntryLook look = ql::editor::describePlace(place, shell);
        std::wstring text = ql::win::toWide(look.text);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = ListView_GetItemCount(list);
        item.pszText = text.data();
        item.iImage = look.iconIndex;
        ListView_InsertItem(list, &item);
    }
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE: {
        RECT client{};
        ::GetClientRect(hwnd, &client);
        const HWND list = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                            WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SHAREIMAGELISTS,
                                            0, 0, client.right, client.bottom, hwnd, nullptr,
                                            ::GetModuleHandleW(nullptr), nullptr);
        // One column as wide as the list, as quorlane's.
        RECT listClient{};
        ::GetClientRect(list, &listClient);
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH;
        column.cx = listClient.right;
        ListView_InsertColumn(list, 0, &column);
        const HIMAGELIST images = systemImageList();
        ListView_SetImageList(list, images, LVSIL_NORMAL);
        ListView_SetImageList(list, images, LVSIL_SMALL);
        listStoredPlaces(list);
        return 0;
    }
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    const ql::win::ComApartment com;
    return ql::bench::runWindow(instance, kClassName, L"Floor", windowProc);
}
