#include "common/win_dialog.h"

#include "common/layout_push.h"
#include "common/version.h"
#include "common/win_dpi.h"
#include "common/win_text.h"
#include "common/win_texts.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <exception>
#include <stdexcept>
#include <utility>
#include <string>
#include <vector>

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

std::wstring windowText(HWND control) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool isClass(HWND control, const wchar_t* name) {
    wchar_t found[16]{};
    ::GetClassNameW(control, found, 16);
    return ::lstrcmpiW(found, name) == 0;
}

// The one measure of a control's text in `font`, as the control draws it: on one line, or wrapped
// at `wrapWidth`. An access key's "&" takes no room, but where a static draws it as it is; nor does
// a link's markup.
SIZE textExtent(HWND control, HFONT font, LONG wrapWidth = 0) {
    std::wstring text = windowText(control);
    UINT format = DT_CALCRECT | (wrapWidth ? DT_WORDBREAK | DT_EXPANDTABS : DT_SINGLELINE);
    if (isClass(control, WC_LINK)) {
        for (const wchar_t* tag : {L"<a>", L"</a>"}) {
            for (std::size_t at; (at = text.find(tag)) != std::wstring::npos;) text.erase(at, std::wcslen(tag));
        }
        format |= DT_NOPREFIX;
    } else if (isClass(control, WC_STATICW) && (::GetWindowLongPtrW(control, GWL_STYLE) & SS_NOPREFIX)) {
        format |= DT_NOPREFIX;
    }
    WindowDc dc(control);
    const SelectObjectScope selected(dc.get(), font);
    if (!dc.get() || !selected.ok() || text.empty()) return {};
    RECT box{0, 0, wrapWidth, 0};
    ::DrawTextW(dc.get(), text.c_str(), -1, &box, format);
    return {box.right, box.bottom};
}

// The width a caption needs in `font`: a label's longest word wrapped at `width`; a button's ideal size or its
// text with the system's margins (and the box of a check box or option button), whichever is wider,
// since comctl32 answers BCM_GETIDEALSIZE for those only roughly, and not at all before version 6.
LONG captionWidth(HWND control, HFONT font, LONG width, int dpi) {
    if (!isClass(control, WC_BUTTONW)) return textExtent(control, font, width).cx;
    const LONG text = textExtent(control, font).cx;
    if (!text) return 0;
    const auto type = static_cast<DWORD>(::GetWindowLongPtrW(control, GWL_STYLE)) & BS_TYPEMASK;
    const bool boxed = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                       type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE;
    WindowDc dc(control);
    const int screenDpi = dc.get() ? ::GetDeviceCaps(dc.get(), LOGPIXELSX) : dpi;
    // The box, the gap after it and room for the focus rectangle; a push button's frame and padding.
    const LONG margins = boxed ? ::MulDiv(::GetSystemMetrics(SM_CXMENUCHECK), dpi, screenDpi > 0 ? screenDpi : dpi) +
                                     ::MulDiv(8, dpi, USER_DEFAULT_SCREEN_DPI)
                               : ::MulDiv(8, dpi, USER_DEFAULT_SCREEN_DPI);
    SIZE ideal{};
    const bool answered = ::SendMessageW(control, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) != 0;
    return std::max<LONG>(text + margins, answered ? ideal.cx : 0);
}

bool overlaps(LONG a0, LONG a1, LONG b0, LONG b1) { return a0 < b1 && b0 < a1; }

bool contains(const RECT& outer, const RECT& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && inner.right <= outer.right && inner.bottom <= outer.bottom &&
           !::EqualRect(&outer, &inner);
}

// Widens, then heightens, a label's box up to the edges it may reach until its text fits in `font`.
RECT fitText(HWND control, HFONT font, RECT box, LONG growRight, LONG growBottom) {
    const SIZE line = textExtent(control, font);
    if (box.left + line.cx > box.right && growRight > box.right) box.right = std::min(box.left + line.cx, growRight);
    const SIZE wrapped = textExtent(control, font, box.right - box.left);
    if (box.top + wrapped.cy > box.bottom && growBottom > box.bottom) box.bottom = std::min(box.top + wrapped.cy, growBottom);
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
    const std::size_t count = controls.size();
    std::vector<HWND> handles(count);
    std::vector<HFONT> fonts(count);
    std::vector<RECT> boxes(count);
    for (std::size_t i = 0; i < count; ++i) {
        const ControlSpec& spec = controls[i];
        handles[i] = ::GetDlgItem(dialog, spec.id);
        const auto own = std::find_if(ownFonts.begin(), ownFonts.end(), [&](const ControlFont& f) { return f.id == spec.id; });
        fonts[i] = own != ownFonts.end() ? own->font : font;
        ::SendMessageW(handles[i], WM_SETFONT, reinterpret_cast<WPARAM>(fonts[i]), TRUE);
        boxes[i] = twipsRectToPixels(spec.rect, dpi);
        if (spec.growRight || spec.growBottom) {
            boxes[i] = fitText(handles[i], fonts[i], boxes[i], twipsToPixels(spec.growRight, dpi), twipsToPixels(spec.growBottom, dpi));
        }
    }

    // Across: captions widen their controls, columns share the widest, neighbours in a row move on.
    std::vector<layout::Span> across(count);
    std::vector<int> columns(count);
    for (std::size_t i = 0; i < count; ++i) {
        across[i] = layout::Span{boxes[i].left, boxes[i].right};
        columns[i] = controls[i].column;
        if (controls[i].fit & kFitWidth) {
            across[i].growth = std::max<LONG>(0, captionWidth(handles[i], fonts[i], boxes[i].right - boxes[i].left, dpi) -
                                                     (boxes[i].right - boxes[i].left));
        }
    }
    layout::shareColumns(across, columns);
    const LONG wider = layout::push(
        across, [&](std::size_t p, std::size_t c) { return overlaps(boxes[p].top, boxes[p].bottom, boxes[c].top, boxes[c].bottom); },
        [&](std::size_t outer, std::size_t inner) { return contains(boxes[outer], boxes[inner]); },
        [&](std::size_t c) { return !(controls[c].fit & kStretchRight); });

    const RECT wanted = twipsRectToPixels(clientArea, dpi);
    const RECT work = workAreaOf(::MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST));
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_EXSTYLE));
    const SIZE frame = windowSizeForClient(0, 0, style, exStyle, dpi);
    const LONG width = std::max(wanted.right - wanted.left, std::min<LONG>(wanted.right - wanted.left + wider, work.right - work.left - frame.cx));
    const LONG grown = width - (wanted.right - wanted.left);
    for (std::size_t i = 0; i < count; ++i) {
        RECT& box = boxes[i];
        const bool follows = controls[i].fit & (kFollowRight | kStretchRight);
        const LONG right = box.right + (follows ? std::max(grown, across[i].moved()) : across[i].moved());
        box.left = (controls[i].fit & kFollowRight) ? right - (box.right - box.left + across[i].growth) : box.left + across[i].shift;
        box.right = right;
    }

    // Down: labels take the lines their text wraps to at their width, and what stands below moves down.
    std::vector<layout::Span> down(count);
    for (std::size_t i = 0; i < count; ++i) {
        down[i] = layout::Span{boxes[i].top, boxes[i].bottom};
        if (controls[i].fit & kFitHeight) {
            down[i].growth = std::max<LONG>(0, textExtent(handles[i], fonts[i], boxes[i].right - boxes[i].left).cy -
                                                   (boxes[i].bottom - boxes[i].top));
        }
    }
    const LONG taller = layout::push(
        down, [&](std::size_t p, std::size_t c) { return overlaps(boxes[p].left, boxes[p].right, boxes[c].left, boxes[c].right); },
        [&](std::size_t outer, std::size_t inner) { return contains(boxes[outer], boxes[inner]); },
        [](std::size_t) { return true; });
    const LONG height =
        std::max(wanted.bottom - wanted.top, std::min<LONG>(wanted.bottom - wanted.top + taller, work.bottom - work.top - frame.cy));
    for (std::size_t i = 0; i < count; ++i) {
        boxes[i].top += down[i].shift;
        boxes[i].bottom += down[i].moved();
    }

    const SIZE outer = windowSizeForClient(width, height, style, exStyle, dpi);
    ::SetWindowPos(dialog, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Where the frame drawn differs from the one computed for this DPI, the client area still gets its size.
    RECT client{};
    ::GetClientRect(dialog, &client);
    if (client.right != width || client.bottom != height) {
        ::SetWindowPos(dialog, nullptr, 0, 0, outer.cx + width - client.right, outer.cy + height - client.bottom,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (std::size_t i = 0; i < count; ++i) {
        const RECT& box = boxes[i];
        ::SetWindowPos(handles[i], nullptr, box.left, box.top, box.right - box.left, box.bottom - box.top,
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
