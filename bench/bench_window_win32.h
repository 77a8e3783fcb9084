#pragma once
// The one top-level window that the benchmark's yardsticks show: the size of Quorlane's window at
// 96 DPI, shown at once, served until it is closed.
#include <windows.h>

namespace ql::bench {

inline int runWindow(HINSTANCE instance, const wchar_t* className, const wchar_t* title, WNDPROC windowProc) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    if (!::RegisterClassExW(&windowClass)) return 1;

    // Quorlane's window at 96 DPI: 5295 x 6570 twips of client area.
    constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    RECT frame{0, 0, 353, 438};
    ::AdjustWindowRectEx(&frame, style, FALSE, 0);
    const HWND window = ::CreateWindowExW(0, className, title, style, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                          frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ::ShowWindow(window, SW_SHOWNORMAL);

    MSG msg{};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace ql::bench
