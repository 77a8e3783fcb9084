#include "about/about_box_win32.h"

#include "about/about_sysinfo_win32.h"
#include "about/about_values.h"
#include "app/resources/resource_ids.h"
#include "app/resources/version.h"
#include "common/win_dialog.h"
#include "common/win_dpi.h"
#include "common/win_handles.h"
#include "common/win_text.h"

#include <shellapi.h>

#include <algorithm>
#include <array>
#include <string>

namespace ql::about {
namespace {

constexpr wchar_t kTitle[] = L"" QL_PROGRAM_TITLE;
constexpr wchar_t kWebsiteAddress[] = L"https://example.org";
// No blank after "mailto:": mail programs take what follows the colon as the address.
constexpr wchar_t kMailLabel[] = L"mailto:quorlane@example.org";

constexpr int kClientWidthTwips = 5775;
constexpr int kClientHeightTwips = 4440;
constexpr int kTitlePoints = 18;

enum class Kind { DefaultButton, Button, Icon, Label, Link, Etched };

struct ControlSpec {
    int id;
    Kind kind;
    TwipsRect pos;
    const wchar_t* text;
    // How far a label may grow, right and down, in twips, when its text does not fit the system
    // font (which is wider than the one the positions were drawn for); 0 where it keeps its box.
    int roomRight;
    int roomBottom;
};

// In tab order: OK first, then System Info; labels take no focus.
constexpr std::array kControls{
    ControlSpec{ids::kCmdOK, Kind::DefaultButton, {4365, 3465, 1260, 345}, L"OK", 0, 0},
    ControlSpec{ids::kCmdSysInfo, Kind::Button, {4380, 3915, 1245, 345}, L"&System Info...", 0, 0},
    ControlSpec{ids::kPicIcon, Kind::Icon, {240, 240, 480, 480}, L"", 0, 0},
    ControlSpec{ids::kLblTitle, Kind::Label, {1050, 240, 3885, 480}, L"", 5535, 780},
    ControlSpec{ids::kLblVersion, Kind::Label, {1050, 780, 3885, 225}, L"", 5535, 1125},
    ControlSpec{ids::kLblDescription, Kind::Label, {1050, 1125, 3885, 690},
                L"Customize the PlacesBar that appears on the left side of your Open and Save dialog boxes in "
                L"Windows 2000 and newer.",
                0, 1980},
    ControlSpec{ids::kLabel1, Kind::Label, {960, 2040, 4095, 255}, L"Quorlane is made by the Quorlane project.", 5535,
                2400},
    ControlSpec{ids::kLabel4, Kind::Label, {960, 2400, 855, 255}, L"More info?", 2100, 2760},
    ControlSpec{ids::kWebsite, Kind::Link, {2160, 2400, 2175, 255}, kWebsiteAddress, 5535, 2760},
    ControlSpec{ids::kLabel5, Kind::Label, {960, 2760, 975, 255}, L"Comments?", 2100, 3240},
    ControlSpec{ids::kWebmail, Kind::Link, {2160, 2760, 2175, 255}, kMailLabel, 5535, 3240},
    ControlSpec{ids::kLine1, Kind::Etched, {210, 3285, 5565, 30}, L"", 0, 0},
    ControlSpec{ids::kLblDisclaimer, Kind::Label, {375, 3465, 3870, 825},
                L"Warning: no warranty provided; you got this for free; use at your own risk!", 4305, 4380},
};

DWORD controlStyle(Kind kind) {
    switch (kind) {
    case Kind::DefaultButton: return BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP;
    case Kind::Button: return BS_PUSHBUTTON | WS_TABSTOP;
    case Kind::Icon: return SS_ICON | SS_REALSIZECONTROL;
    case Kind::Label: return SS_LEFT | SS_NOPREFIX;
    case Kind::Link: return SS_LEFT | SS_NOPREFIX | SS_NOTIFY;
    case Kind::Etched: return SS_ETCHEDHORZ;
    }
    return 0;
}

bool isLink(HWND control) {
    const int id = ::GetDlgCtrlID(control);
    return id == ids::kWebsite || id == ids::kWebmail;
}

// The title's own font, MS Sans Serif 18 point, at the window's DPI.
win::UniqueFont createTitleFont(int dpi) {
    LOGFONTW font{};
    font.lfHeight = -::MulDiv(kTitlePoints, dpi, 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    ::lstrcpynW(font.lfFaceName, L"MS Sans Serif", LF_FACESIZE);
    return win::UniqueFont(::CreateFontIndirectW(&font));
}

// Widens, then heightens, a label's box within its room until its text fits in `font`.
RECT fitText(HWND control, HFONT font, RECT box, LONG roomRight, LONG roomBottom) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    win::WindowDc dc(control);
    const win::SelectObjectScope selected(dc.get(), font);
    if (!dc.get() || !selected.ok() || text.empty()) return box;

    RECT line{};
    ::DrawTextW(dc.get(), text.c_str(), -1, &line, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    if (box.left + line.right > box.right && roomRight > box.right) {
        box.right = std::min(box.left + line.right, roomRight);
    }
    RECT wrapped{0, 0, box.right - box.left, 0};
    ::DrawTextW(dc.get(), text.c_str(), -1, &wrapped, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    if (box.top + wrapped.bottom > box.bottom && roomBottom > box.bottom) {
        box.bottom = std::min(box.top + wrapped.bottom, roomBottom);
    }
    return box;
}

class AboutBox {
public:
    // Form_Load.
    void load(HWND dlg) {
        dlg_ = dlg;
        win::keepOwnLayoutOnDpiChange(dlg_);
        const HINSTANCE instance = ::GetModuleHandleW(nullptr);
        for (const ControlSpec& spec : kControls) {
            const wchar_t* windowClass = spec.kind == Kind::Button || spec.kind == Kind::DefaultButton ? L"BUTTON"
                                                                                                        : L"STATIC";
            ::CreateWindowExW(0, windowClass, spec.text, WS_CHILD | WS_VISIBLE | controlStyle(spec.kind), 0, 0, 0, 0,
                              dlg, reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance, nullptr);
        }
        ::SetWindowTextW(dlg, (std::wstring(L"About ") + kTitle).c_str());
        ::SetDlgItemTextW(dlg, ids::kLblVersion, win::toWide(versionLabel()).c_str());
        ::SetDlgItemTextW(dlg, ids::kLblTitle, kTitle);

        RECT window{};
        ::GetWindowRect(dlg, &window);
        layout(win::dpiForWindow(dlg), POINT{window.left, window.top});
        centerOverOwner();
        ::SendMessageW(dlg, DM_SETDEFID, ids::kCmdOK, 0);
        ::SetFocus(::GetDlgItem(dlg, ids::kCmdOK));
    }

    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_COMMAND: return command(LOWORD(wParam), HIWORD(wParam));
        case WM_CTLCOLORSTATIC:
            if (isLink(reinterpret_cast<HWND>(lParam))) {
                const auto dc = reinterpret_cast<HDC>(wParam);
                ::SetTextColor(dc, RGB(0, 0, 255));
                ::SetBkMode(dc, TRANSPARENT);
                return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
            }
            return FALSE;
        case WM_SETCURSOR:
            if (isLink(reinterpret_cast<HWND>(wParam)) && LOWORD(lParam) == HTCLIENT) {
                ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
                ::SetWindowLongPtrW(dlg_, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            return FALSE;
        case WM_DPICHANGED: {
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            layout(HIWORD(wParam), POINT{suggested->left, suggested->top});
            return TRUE;
        }
        default: return FALSE;
        }
    }

private:
    INT_PTR command(int id, int code) {
        switch (id) {
        case IDOK:  // cmdOK_Click; Enter
        case IDCANCEL:  // Esc and the close box
            ::EndDialog(dlg_, id);
            return TRUE;
        case ids::kCmdSysInfo:
            if (code != BN_CLICKED) return FALSE;
            StartSysInfo(dlg_);
            return TRUE;
        case ids::kWebsite:
            if (code != STN_CLICKED) return FALSE;
            ::ShellExecuteW(dlg_, nullptr, kWebsiteAddress, nullptr, nullptr, SW_SHOWNORMAL);
            return TRUE;
        case ids::kWebmail:
            if (code != STN_CLICKED) return FALSE;
            ::ShellExecuteW(dlg_, nullptr, win::toWide(mailLinkTarget(win::toU16(kMailLabel))).c_str(), nullptr, nullptr,
                            SW_SHOWNORMAL);
            return TRUE;
        default: return FALSE;
        }
    }

    // Places the window at `topLeft` with its client area of 5775 x 4440 twips at `dpi`, and every control in it.
    void layout(int dpi, POINT topLeft) {
        win::UniqueFont messageFont = win::createMessageFont(dpi);
        win::UniqueFont titleFont = createTitleFont(dpi);
        const int iconSize = twipsToPixels(480, dpi);
        win::UniqueIcon icon(static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_QUORLANE),
                                                             IMAGE_ICON, iconSize, iconSize, LR_DEFAULTCOLOR)));

        const auto style = static_cast<DWORD>(::GetWindowLongPtrW(dlg_, GWL_STYLE));
        const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(dlg_, GWL_EXSTYLE));
        const int clientWidth = twipsToPixels(kClientWidthTwips, dpi);
        const int clientHeight = twipsToPixels(kClientHeightTwips, dpi);
        const SIZE size = win::windowSizeForClient(clientWidth, clientHeight, style, exStyle, dpi);
        ::SetWindowPos(dlg_, nullptr, topLeft.x, topLeft.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
        // Where the frame drawn differs from the one computed for this DPI, the client area still gets its size.
        RECT client{};
        ::GetClientRect(dlg_, &client);
        if (client.right != clientWidth || client.bottom != clientHeight) {
            ::SetWindowPos(dlg_, nullptr, 0, 0, size.cx + clientWidth - client.right, size.cy + clientHeight - client.bottom,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }

        for (const ControlSpec& spec : kControls) {
            const HWND control = ::GetDlgItem(dlg_, spec.id);
            const HFONT font = static_cast<HFONT>(spec.id == ids::kLblTitle ? titleFont.get() : messageFont.get());
            ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            if (spec.kind == Kind::Icon) ::SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
            RECT box = win::twipsRectToPixels(spec.pos, dpi);
            if (spec.kind == Kind::Label || spec.kind == Kind::Link) {
                box = fitText(control, font, box, twipsToPixels(spec.roomRight, dpi), twipsToPixels(spec.roomBottom, dpi));
            }
            ::SetWindowPos(control, nullptr, box.left, box.top, box.right - box.left, box.bottom - box.top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
        }
        // The controls hold the new fonts and icon now; the old ones go when these are replaced.
        messageFont_ = std::move(messageFont);
        titleFont_ = std::move(titleFont);
        icon_ = std::move(icon);
        ::InvalidateRect(dlg_, nullptr, TRUE);
    }

    // Over the middle of the owner, kept on the owner's monitor.
    void centerOverOwner() const {
        RECT window{};
        ::GetWindowRect(dlg_, &window);
        const HWND owner = ::GetWindow(dlg_, GW_OWNER);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        if (!::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : dlg_, MONITOR_DEFAULTTONEAREST), &monitor)) return;
        RECT around = monitor.rcWork;
        if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &around);
        const LONG width = window.right - window.left;
        const LONG height = window.bottom - window.top;
        const LONG x = std::clamp((around.left + around.right - width) / 2, monitor.rcWork.left,
                                  std::max(monitor.rcWork.left, monitor.rcWork.right - width));
        const LONG y = std::clamp((around.top + around.bottom - height) / 2, monitor.rcWork.top,
                                  std::max(monitor.rcWork.top, monitor.rcWork.bottom - height));
        ::SetWindowPos(dlg_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    HWND dlg_ = nullptr;
    win::UniqueFont messageFont_;
    win::UniqueFont titleFont_;
    win::UniqueIcon icon_;
};

INT_PTR CALLBACK aboutProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(dlg, DWLP_USER, lParam);
        reinterpret_cast<AboutBox*>(lParam)->load(dlg);
        return FALSE;  // the focus is on OK already
    }
    auto* box = reinterpret_cast<AboutBox*>(::GetWindowLongPtrW(dlg, DWLP_USER));
    return box ? box->handle(message, wParam, lParam) : FALSE;
}

// A dialog with no controls of its own: they are made at load, in twips at the window's DPI.
struct alignas(4) EmptyDialogTemplate {
    DLGTEMPLATE header;
    WORD menu;
    WORD windowClass;
    WORD title;
};

}  // namespace

void showAboutBox(HWND owner) {
    static const EmptyDialogTemplate dialog{{WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 0, 0, 0, 0}, 0, 0, 0};
    AboutBox box;  // outlives the dialog's window, so the controls never hold a deleted font
    ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), &dialog.header, owner, aboutProc,
                              reinterpret_cast<LPARAM>(&box));
}

}  // namespace ql::about
