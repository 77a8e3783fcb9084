// The benchmark's yardstick: the least a program of Quorlane's kind does to come up, a window with
// one list view, built and linked like quorlane.exe. quorlane_bench starts it beside quorlane.exe.
#include "bench/bench_window_win32.h"

#include <commctrl.h>

namespace {

constexpr wchar_t kClassName[] = L"QuorlaneBenchBaseline";

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE: {
        RECT client{};
        ::GetClientRect(hwnd, &client);
        ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER,
                          0, 0, client.right, client.bottom, hwnd, nullptr, ::GetModuleHandleW(nullptr), nullptr);
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
    return ql::bench::runWindow(instance, kClassName, L"Baseline", windowProc);
}
