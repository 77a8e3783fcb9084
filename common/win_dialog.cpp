#include "common/win_dialog.h"

#include "common/version.h"
#include "common/win_dpi.h"
#include "common/win_text.h"
#include "common/win_texts.h"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <utility>
#include <string>

namespace ql::win {
namespace {

// The template of a dialog without controls: they come from a ControlSpec table.
struct alignas(DWORD) EmptyDialogTemplate {
    explicit EmptyDialogTemplate(DWORD style) { header.style = style; }
    DLGTEMPLATE header{};
    WORD menu = 0;
    WORD windowClass = 0;
    WORD title = 0;
};

// The dialog follows DPI changes by laying itself out anew (WM_DPICHANGED): keeps the dialog manager
// of per-monitor aware programs from rescaling it as well.
void keepOwnLayoutOnDpiChange(HWND dialog) {
    // Windows 10 1703 and later; elsewhere there is no such rescaling to turn off.
    using SetBehaviorFn = BOOL(WINAPI*)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS);
    const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    const auto setBehavior =
        user32 ? reinterpret_cast<SetBehaviorFn>(reinterpret_cast<void*>(::GetProcAddress(user32, "SetDialogDpiChangeBehavior")))
               : nullptr;
    if (setBehavior) setBehavior(dialog, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
}

// Widens, then heightens, a label's box up to the edges it may reach until its text fits in `font`.
RECT fitText(HWND control, HFONT font, RECT box, LONG growRight, LONG growBottom) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    WindowDc dc(control);
    const SelectObjectScope selected(dc.get(), font);
    if (!dc.get() || !selected.ok() || text.empty()) return box;

    RECT line{};
    ::DrawTextW(dc.get(), text.c_str(), -1, &line, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    if (box.left + line.right > box.right && growRight > box.right) box.right = std::min(box.left + line.right, growRight);
    RECT wrapped{0, 0, box.right - box.left, 0};
    ::DrawTextW(dc.get(), text.c_str(), -1, &wrapped, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    if (box.top + wrapped.bottom > box.bottom && growBottom > box.bottom) {
        box.bottom = std::min(box.top + wrapped.bottom, growBottom);
    }
    return box;
}

RECT workAreaOf(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    ::GetMonitorInfoW(monitor, &info);
    return info.rcWork;
}

}  // namespace

void createControls(HWND dialog, std::span<const ControlSpec> controls) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    for (const ControlSpec& spec : controls) {
        const std::wstring text = spec.textId ? loadText(spec.textId) : std::wstring();
        if (!::CreateWindowExW(spec.exStyle, spec.className, text.c_str(), WS_CHILD | WS_VISIBLE | spec.style, 0, 0, 0,
                               0, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance, nullptr)) {
            const std::wstring what = text.empty() ? spec.className : text;
            throw std::runtime_error(toUtf8(loadText(IDS_CONTROL_NOT_CREATED, {toU16(what), toU16(errorText(::GetLastError()))})));
        }
    }
}

void layoutControls(HWND dialog, const TwipsRect& clientArea, std::span<const ControlSpec> controls, int dpi,
                    HFONT font, std::initializer_list<ControlFont> ownFonts) {
    const RECT wanted = twipsRectToPixels(clientArea, dpi);
    const LONG width = wanted.right - wanted.left;
    const LONG height = wanted.bottom - wanted.top;
    const SIZE outer = windowSizeForClient(width, height, static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_STYLE)),
                                           static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_EXSTYLE)), dpi);
    ::SetWindowPos(dialog, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Where the frame drawn differs from the one computed for this DPI, the client area still gets its size.
    RECT client{};
    ::GetClientRect(dialog, &client);
    if (client.right != width || client.bottom != height) {
        ::SetWindowPos(dialog, nullptr, 0, 0, outer.cx + width - client.right, outer.cy + height - client.bottom,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    for (const ControlSpec& spec : controls) {
        const HWND control = ::GetDlgItem(dialog, spec.id);
        const auto own = std::find_if(ownFonts.begin(), ownFonts.end(), [&](const ControlFont& f) { return f.id == spec.id; });
        const HFONT controlFont = own != ownFonts.end() ? own->font : font;
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(controlFont), TRUE);
        RECT box = twipsRectToPixels(spec.rect, dpi);
        if (spec.growRight || spec.growBottom) {
            box = fitText(control, controlFont, box, twipsToPixels(spec.growRight, dpi), twipsToPixels(spec.growBottom, dpi));
        }
        ::SetWindowPos(control, nullptr, box.left, box.top, box.right - box.left, box.bottom - box.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void enableControl(HWND control, bool enable) {
    const HWND focus = ::GetFocus();
    if (!enable && focus && (focus == control || ::IsChild(control, focus))) {
        const HWND dialog = ::GetParent(control);
        // Asked before the control is disabled: the dialog manager looks from the control onwards.
        const HWND next = ::GetNextDlgTabItem(dialog, control, FALSE);
        ::EnableWindow(control, FALSE);
        if (next && next != control) ::SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
        return;
    }
    ::EnableWindow(control, enable);
}

void centreWindow(HWND window, HWND owner) {
    RECT self{};
    ::GetWindowRect(window, &self);
    const LONG width = self.right - self.left;
    const LONG height = self.bottom - self.top;
    RECT around{};
    const bool overOwner = owner && ::IsWindowVisible(owner) && !::IsIconic(owner) && ::GetWindowRect(owner, &around);
    const RECT work = workAreaOf(overOwner ? ::MonitorFromRect(&around, MONITOR_DEFAULTTONEAREST)
                                           : ::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
    if (!overOwner) around = work;
    const LONG x = std::clamp((around.left + around.right - width) / 2, work.left, std::max(work.left, work.right - width));
    const LONG y = std::clamp((around.top + around.bottom - height) / 2, work.top, std::max(work.top, work.bottom - height));
    ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- Dialog ----

Dialog::~Dialog() {
    if (!hwnd_) return;
    ::SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
    ::DestroyWindow(std::exchange(hwnd_, nullptr));
}

bool Dialog::createModeless(HWND owner, DWORD style) {
    const EmptyDialogTemplate dialogTemplate(style);
    modal_ = false;
    ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), &dialogTemplate.header, owner, dialogProc,
                                 reinterpret_cast<LPARAM>(this));
    return hwnd_ != nullptr;
}

INT_PTR Dialog::runModal(HWND owner, DWORD style) {
    const EmptyDialogTemplate dialogTemplate(style);
    modal_ = true;
    return ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), &dialogTemplate.header, owner, dialogProc,
                                     reinterpret_cast<LPARAM>(this));
}

void Dialog::destroy() {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

void Dialog::applyDpi(int dpi) {
    UniqueFont font = createMessageFont(dpi);
    dpi_ = dpi;
    layout(dpi, font.get());
    font_ = std::move(font);
}

INT_PTR CALLBACK Dialog::dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        reinterpret_cast<Dialog*>(lParam)->hwnd_ = hwnd;
        keepOwnLayoutOnDpiChange(hwnd);
    }
    auto* self = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self) return FALSE;
    INT_PTR result = FALSE;
    try {
        result = self->dispatch(msg, wParam, lParam);
    } catch (const std::exception& e) {
        ::MessageBoxW(hwnd, fromUtf8(e.what()).c_str(), loadText(IDS_PROGRAM_TITLE).c_str(), MB_OK | MB_ICONERROR);
        if (msg == WM_INITDIALOG) {
            if (self->modal_) {
                ::EndDialog(hwnd, -1);
            } else {
                ::DestroyWindow(hwnd);
            }
        }
    }
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
        self->windowGone();
    }
    return result;
}

INT_PTR Dialog::dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_DPICHANGED) return handleMessage(msg, wParam, lParam);
    const auto* suggested = reinterpret_cast<const RECT*>(lParam);
    ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    applyDpi(HIWORD(wParam));
    return TRUE;
}

}  // namespace ql::win
