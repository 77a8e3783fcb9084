#include "about/about_box_win32.h"

#include "about/about_sysinfo_win32.h"
#include "about/about_values.h"
#include "common/resource_ids.h"
#include "common/version.h"
#include "common/win_dialog.h"
#include "common/win_dpi.h"
#include "common/win_handles.h"
#include "common/win_text.h"
#include "common/win_texts.h"

#include <commctrl.h>
#include <shellapi.h>

#include <array>
#include <string>
#include <string_view>
#include <utility>

namespace ql::about {
namespace {

constexpr wchar_t kWebsiteAddress[] = L"https://example.org";
// No blank after "mailto:": mail programs take what follows the colon as the address.
constexpr wchar_t kMailLabel[] = L"mailto:quorlane@example.org";

constexpr TwipsRect kClientArea{0, 0, 5775, 4440};
constexpr DWORD kWindowStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr int kTitlePoints = 18;

using win::ControlSpec;

constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX;
// The texts in front of the links carry the access keys that take the keyboard to them.
constexpr DWORD kKeyLabel = SS_LEFT;
// Tab stops, opened by Enter and by a click, drawn in the system's hot-track colour.
constexpr DWORD kLink = WS_TABSTOP;
// Where a text needs more room than its edges allow: the texts across the box wrap and widen with it;
// the short ones in front of the addresses, and the addresses, wrap too, and push on only for a word
// (an address) longer than their box.
constexpr unsigned kWide = win::kFitHeight | win::kStretchRight;
constexpr unsigned kShort = win::kFitWidth | win::kFitHeight;

// In tab order: OK first, then System Info, then the links; labels take no focus. Labels grow, up to the edges
// given, where the system font is wider than the one the places were drawn for.
constexpr std::array kControls{
    ControlSpec{ids::kCmdOK, WC_BUTTONW, IDS_OK, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, {4365, 3465, 1260, 345}, 0, 0, win::kFitWidth, 1},
    ControlSpec{ids::kCmdSysInfo, WC_BUTTONW, IDS_ABOUT_SYSTEM_INFO, BS_PUSHBUTTON | WS_TABSTOP, 0, {4380, 3915, 1245, 345}, 0, 0, win::kFitWidth, 1},
    ControlSpec{ids::kPicIcon, WC_STATICW, 0, SS_ICON | SS_REALSIZECONTROL, 0, {240, 240, 480, 480}},
    ControlSpec{ids::kLblTitle, WC_STATICW, IDS_PROGRAM_TITLE, kLabel, 0, {1050, 240, 3885, 480}, 5535, 780, kWide},
    ControlSpec{ids::kLblVersion, WC_STATICW, 0, kLabel, 0, {1050, 780, 3885, 225}, 5535, 1125, kWide},
    ControlSpec{ids::kLblDescription, WC_STATICW, IDS_ABOUT_DESCRIPTION, kLabel, 0, {1050, 1125, 3885, 690}, 0, 1980, kWide},
    ControlSpec{ids::kLabel1, WC_STATICW, 0, kLabel, 0,
                {960, 2040, 4095, 255}, 5535, 2400, kWide},
    ControlSpec{ids::kLabel4, WC_STATICW, IDS_ABOUT_MORE_INFO, kKeyLabel, 0, {960, 2400, 855, 255}, 2100, 2760, kShort},
    ControlSpec{ids::kWebsite, WC_LINK, 0, kLink, 0, {2160, 2400, 2175, 255}, 5535, 2760, kShort},
    ControlSpec{ids::kLabel5, WC_STATICW, IDS_ABOUT_COMMENTS, kKeyLabel, 0, {960, 2760, 975, 255}, 2100, 3240, kShort},
    ControlSpec{ids::kWebmail, WC_LINK, 0, kLink, 0, {2160, 2760, 2175, 255}, 5535, 3240, kShort},
    ControlSpec{ids::kLine1, WC_STATICW, 0, SS_ETCHEDHORZ, 0, {210, 3285, 5565, 30}, 0, 0, win::kStretchRight},
    ControlSpec{ids::kLblDisclaimer, WC_STATICW, IDS_ABOUT_DISCLAIMER, kLabel, 0,
                {375, 3465, 3870, 825}, 4305, 4380, win::kFitHeight},
};

// A link's markup around the address.
std::wstring linkMarkup(std::wstring_view address) { return L"<a>" + std::wstring(address) + L"</a>"; }

// The title's own font: the dialog's font at 18 point and the window's DPI, a face that scales
// where a bitmap font would not.
win::UniqueFont createTitleFont(int dpi, HFONT dialogFont) {
    LOGFONTW font{};
    if (!::GetObjectW(dialogFont, sizeof font, &font)) {
        font.lfCharSet = DEFAULT_CHARSET;
        font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    }
    font.lfHeight = -::MulDiv(kTitlePoints, dpi, 72);
    font.lfWidth = 0;
    font.lfWeight = FW_NORMAL;
    return win::UniqueFont(::CreateFontIndirectW(&font));
}

class AboutBox final : public win::Dialog {
public:
    ~AboutBox() { destroy(); }

    void show(HWND owner) { runModal(owner, kWindowStyle); }

private:
    // Form_Load.
    void load() {
        const HWND dlg = hwnd();
        win::createControls(dlg, kControls);
        const std::wstring title = win::loadText(IDS_PROGRAM_TITLE);
        ::SetWindowTextW(dlg, win::loadText(IDS_ABOUT_CAPTION, {win::toU16(title)}).c_str());
        ::SetDlgItemTextW(dlg, ids::kLblVersion, win::toWide(versionLabel()).c_str());
        ::SetDlgItemTextW(dlg, ids::kLabel1, win::loadText(IDS_ABOUT_NOTICE, {win::toU16(title)}).c_str());
        // Addresses, not texts: the same in every language.
        ::SetDlgItemTextW(dlg, ids::kWebsite, linkMarkup(kWebsiteAddress).c_str());
        ::SetDlgItemTextW(dlg, ids::kWebmail, linkMarkup(kMailLabel).c_str());
        applyDpi(win::dpiForWindow(dlg));
        win::centreWindow(dlg, ::GetWindow(dlg, GW_OWNER));
        ::SendMessageW(dlg, DM_SETDEFID, ids::kCmdOK, 0);
        ::SetFocus(::GetDlgItem(dlg, ids::kCmdOK));
    }

    INT_PTR handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_INITDIALOG:
            load();
            return FALSE;  // the focus is on OK already
        case WM_COMMAND: return command(LOWORD(wParam), HIWORD(wParam));
        case WM_NOTIFY: {
            // A click on a link, or Enter on the focused one.
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            if (header.code != NM_CLICK && header.code != NM_RETURN) return FALSE;
            return openLink(static_cast<int>(header.idFrom));
        }
        default: return FALSE;
        }
    }

    BOOL openLink(int id) {
        if (id == ids::kWebsite) {
            ::ShellExecuteW(hwnd(), nullptr, kWebsiteAddress, nullptr, nullptr, SW_SHOWNORMAL);
        } else if (id == ids::kWebmail) {
            ::ShellExecuteW(hwnd(), nullptr, win::toWide(mailLinkTarget(win::toU16(kMailLabel))).c_str(), nullptr, nullptr,
                            SW_SHOWNORMAL);
        } else {
            return FALSE;
        }
        return TRUE;
    }

    INT_PTR command(int id, int code) {
        switch (id) {
        case IDOK:  // cmdOK_Click; Enter
        case IDCANCEL:  // Esc and the close box
            ::EndDialog(hwnd(), id);
            return TRUE;
        case ids::kCmdSysInfo:
            if (code != BN_CLICKED) return FALSE;
            StartSysInfo(hwnd());
            return TRUE;
        default: return FALSE;
        }
    }

    void layout(int dpi, HFONT font) override {
        win::UniqueFont titleFont = createTitleFont(dpi, font);
        const int iconSize = twipsToPixels(480, dpi);
        win::UniqueIcon icon(static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_QUORLANE),
                                                             IMAGE_ICON, iconSize, iconSize, LR_DEFAULTCOLOR)));
        win::layoutControls(hwnd(), kClientArea, kControls, dpi, font, {{ids::kLblTitle, titleFont.get()}});
        ::SendDlgItemMessageW(hwnd(), ids::kPicIcon, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
        // The controls hold the new font and icon now; the old ones may go.
        titleFont_ = std::move(titleFont);
        icon_ = std::move(icon);
        ::InvalidateRect(hwnd(), nullptr, TRUE);
    }

    win::UniqueFont titleFont_;
    win::UniqueIcon icon_;
};

}  // namespace

void showAboutBox(HWND owner) {
    const INITCOMMONCONTROLSEX links{sizeof links, ICC_LINK_CLASS};
    ::InitCommonControlsEx(&links);
    AboutBox box;  // outlives the dialog's window, so the controls never hold a deleted font
    box.show(owner);
}

}  // namespace ql::about
