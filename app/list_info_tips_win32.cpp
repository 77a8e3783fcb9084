#include "app/list_info_tips_win32.h"

#include "subclass/subclass_win32.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <iterator>

namespace ql {
namespace {

// What changes the entries under the pointer.
constexpr UINT kChanging[] = {LVM_DELETEITEM, LVM_DELETEALLITEMS, LVM_INSERTITEMW, LVM_SETITEMTEXTW};
// Every message the tips attach to: the mouse's, relayed to the tooltip, and those above.
constexpr UINT kAttached[] = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN,
                              LVM_DELETEITEM, LVM_DELETEALLITEMS, LVM_INSERTITEMW, LVM_SETITEMTEXTW};
// Wide enough for a long path; the tip wraps at this width instead of running off the screen.
constexpr int kMaxTipWidth = 600;

}  // namespace

ListInfoTips::ListInfoTips(HWND list, TipText tipText)
    : list_(list),
      tipText_(std::move(tipText)),
      tooltip_(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, ::GetParent(list), nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr)) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = ::GetParent(list);
    tool.uId = reinterpret_cast<UINT_PTR>(list);
    tool.lpszText = text_.data();
    ::SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(tooltip_.get(), TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
    std::size_t attached = 0;
    try {
        for (; attached < std::size(kAttached); ++attached) subclass::subclassAttach(this, list_, kAttached[attached]);
    } catch (...) {
        while (attached > 0) subclass::subclassDetach(this, list_, kAttached[--attached]);
        throw;
    }
}

ListInfoTips::~ListInfoTips() {
    for (UINT message : kAttached) subclass::subclassDetach(this, list_, message);
}

subclass::LResult ListInfoTips::WindowProc(subclass::WindowHandle, subclass::Message iMsg, subclass::WParam wParam,
                                           subclass::LParam lParam) {
    if (std::ranges::find(kChanging, static_cast<UINT>(iMsg)) != std::end(kChanging)) {
        hide();
        return 0;
    }
    const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (iMsg == WM_MOUSEMOVE) follow(at);
    MSG relayed{list_, static_cast<UINT>(iMsg), static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam), 0, {}};
    ::SendMessageW(tooltip_.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    return 0;
}

void ListInfoTips::hide() {
    hovered_ = -1;
    text_.clear();
    ::SendMessageW(tooltip_.get(), TTM_POP, 0, 0);
    ::SendMessageW(tooltip_.get(), TTM_ACTIVATE, FALSE, 0);
}

// A new entry under the pointer gets its own tip, shown after the usual delay.
void ListInfoTips::follow(POINT at) {
    LVHITTESTINFO hit{};
    hit.pt = at;
    int index = ListView_HitTest(list_, &hit);
    if (!(hit.flags & LVHT_ONITEM)) index = -1;
    if (index == hovered_) return;
    hovered_ = index;
    text_ = index >= 0 ? tipText_(index) : std::wstring();
    ::SendMessageW(tooltip_.get(), TTM_POP, 0, 0);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = ::GetParent(list_);
    tool.uId = reinterpret_cast<UINT_PTR>(list_);
    tool.lpszText = text_.data();
    ::SendMessageW(tooltip_.get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(tooltip_.get(), TTM_ACTIVATE, !text_.empty(), 0);
}

}  // namespace ql
