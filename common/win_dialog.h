#pragma once
// The one plumbing of the program's windows: dialogs made from an empty template whose controls come
// from a twips table and are placed in pixels at the window's DPI, the object behind each dialog,
// DPI changes, centring, and control states that never strand the keyboard.
#include "common/twips.h"
#include "common/win_handles.h"

#include <initializer_list>
#include <span>

namespace ql::win {

// How a control adapts to its text and to the window growing (ControlSpec::fit). A control starts from
// its twips box; one that needs more room widens rightwards (or heightens downwards) and pushes what
// stands beside it in the same band, a box that holds others grows with them, and the client area
// grows by as much as the farthest edge moved (within the work area).
enum ControlFit : unsigned {
    kFitWidth = 1,      // a button as wide as its caption (its ideal size); a label as wide as its longest word
    kFitHeight = 2,     // a label at least as tall as its text wrapped at its width
    kFollowRight = 4,   // keeps its distance to the client area's right edge
    kStretchRight = 8,  // its right edge keeps its distance to the client area's right edge
};

struct ControlSpec {
    int id;
    const wchar_t* className;
    unsigned textId;  // in the string tables; 0: no text, or one the window sets itself
    DWORD style;  // WS_CHILD | WS_VISIBLE are added
    DWORD exStyle;
    TwipsRect rect;
    // The right and bottom edges, in twips, up to which a label grows when its text does not fit
    // its font (the system font is wider than the one the places were drawn for); 0: it keeps its box.
    int growRight = 0;
    int growBottom = 0;
    unsigned fit = 0;  // ControlFit flags
    // Controls with the same non-zero column take the widest width of them once one must widen.
    int column = 0;
};

// A control that takes another font than the dialog's message font.
struct ControlFont {
    int id;
    HFONT font;
};

// Creates the controls in table order, which becomes their z-order and so their tab order. A control
// that cannot be created throws, with what failed: no window goes on half built.
void createControls(HWND dialog, std::span<const ControlSpec> controls);

// Gives the dialog the client area `clientArea` and every control its place and font at `dpi`:
// `font`, or the control's own in `ownFonts`; grown as their texts need (ControlFit).
void layoutControls(HWND dialog, const TwipsRect& clientArea, std::span<const ControlSpec> controls, int dpi,
                    HFONT font, std::initializer_list<ControlFont> ownFonts = {});

// Enables or disables a dialog's control. A control that has the focus hands it on to the next
// enabled control in tab order before it is disabled: a disabled focus would leave the keyboard
// dead (no Esc, Tab or Alt+key) until the next click.
void enableControl(HWND control, bool enable);

// Places `window` over the middle of `owner` (of the work area when the owner is missing, hidden or
// minimised), kept within the work area of that screen.
void centreWindow(HWND window, HWND owner);

// The object behind one dialog window (in DWLP_USER from WM_INITDIALOG to WM_NCDESTROY). No C++
// exception crosses the dialog manager: one from a handler is shown to the user, and one during
// WM_INITDIALOG ends the dialog as well. WM_DPICHANGED lays the dialog out anew.
class Dialog {
public:
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    HWND hwnd() const { return hwnd_; }

protected:
    Dialog() = default;
    // Destroys a window still open without calling the derived class, which is gone by then.
    ~Dialog();

    // Creates the dialog, hidden and owned by `owner`; false when it could not be created.
    bool createModeless(HWND owner, DWORD style);
    // Shows the dialog modally over `owner` and returns EndDialog's result once it has ended.
    INT_PTR runModal(HWND owner, DWORD style);
    void destroy();

    int dpi() const { return dpi_; }
    // Lays the dialog out at `dpi` with a message font for it; the old font is deleted only once
    // every control holds the new one.
    void applyDpi(int dpi);

    // Every message but WM_DPICHANGED; TRUE when handled (the dialog procedure's contract).
    virtual INT_PTR handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) = 0;
    // Sizes the window and places its controls at `dpi`, giving them `font` and whatever else is
    // drawn at that DPI; what it replaces goes only after the new is set.
    virtual void layout(int dpi, HFONT font) = 0;
    // After WM_NCDESTROY: the handle is gone, by destroy() or with the owner.
    virtual void windowGone() {}

private:
    static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR dispatch(UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    bool modal_ = false;
    int dpi_ = USER_DEFAULT_SCREEN_DPI;
    UniqueFont font_;
};

}  // namespace ql::win
