#pragma once
// Windows laid out in twips: dialogs made from an empty template whose controls are created from a
// table and placed in pixels at the window's DPI, so they scale with it and follow DPI changes.
#include "common/twips.h"
#include "common/win_handles.h"

#include <span>

namespace ql::win {

struct ControlSpec {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;  // WS_CHILD | WS_VISIBLE are added
    DWORD exStyle;
    TwipsRect rect;
};

// The template of a dialog without controls: they come from a ControlSpec table.
struct alignas(DWORD) EmptyDialogTemplate {
    explicit EmptyDialogTemplate(DWORD style) { header.style = style; }
    DLGTEMPLATE header{};
    WORD menu = 0;
    WORD windowClass = 0;
    WORD title = 0;
};

// Creates the controls in table order, which becomes their z-order and so their tab order.
void createControls(HWND dialog, std::span<const ControlSpec> controls);

// Gives the dialog the client area `clientArea` and every control its place and `font`, at `dpi`.
void layoutControls(HWND dialog, const TwipsRect& clientArea, std::span<const ControlSpec> controls, int dpi,
                    HFONT font);

// The dialog follows DPI changes by laying itself out anew (WM_DPICHANGED): keeps the dialog manager
// of per-monitor aware programs from rescaling it as well.
void keepOwnLayoutOnDpiChange(HWND dialog);

}  // namespace ql::win
