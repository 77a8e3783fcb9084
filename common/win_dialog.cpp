#include "common/win_dialog.h"

#include "common/win_dpi.h"

namespace ql::win {

void createControls(HWND dialog, std::span<const ControlSpec> controls) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    for (const ControlSpec& spec : controls) {
        ::CreateWindowExW(spec.exStyle, spec.className, spec.text, WS_CHILD | WS_VISIBLE | spec.style, 0, 0, 0, 0,
                          dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance, nullptr);
    }
}

void layoutControls(HWND dialog, const TwipsRect& clientArea, std::span<const ControlSpec> controls, int dpi,
                    HFONT font) {
    const RECT client = twipsRectToPixels(clientArea, dpi);
    const SIZE outer = windowSizeForClient(client.right - client.left, client.bottom - client.top,
                                           static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_STYLE)),
                                           static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_EXSTYLE)), dpi);
    ::SetWindowPos(dialog, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (const ControlSpec& spec : controls) {
        const HWND control = ::GetDlgItem(dialog, spec.id);
        const RECT r = twipsRectToPixels(spec.rect, dpi);
        ::SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

void keepOwnLayoutOnDpiChange(HWND dialog) {
    // Windows 10 1703 and later; elsewhere there is no such rescaling to turn off.
    using SetBehaviorFn = BOOL(WINAPI*)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS);
    const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    const auto setBehavior =
        user32 ? reinterpret_cast<SetBehaviorFn>(reinterpret_cast<void*>(::GetProcAddress(user32, "SetDialogDpiChangeBehavior")))
               : nullptr;
    if (setBehavior) setBehavior(dialog, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
}

}  // namespace ql::win
