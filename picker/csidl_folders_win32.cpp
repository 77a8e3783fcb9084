#include "picker/csidl_folders_win32.h"

#include "common/win_dialog.h"
#include "common/win_dpi.h"
#include "picker/picker_ids.h"
#include "shell/shell_ui_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <array>

namespace ql::picker {
namespace {

// The special folder numbers the shell may know; which of them exist only the shell can tell.
constexpr int kFirstCsidl = 0;   // CSIDL_DESKTOP
constexpr int kLastCsidl = 49;   // CSIDL_CONNECTIONS

constexpr TwipsRect kClientArea{0, 0, 6585, 5745};
// A fixed dialog border with a close box and nothing else; owned, so it has no task-bar button.
constexpr DWORD kWindowStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr int kIconSize = 32;

using win::ControlSpec;

// In tab order: the window's z-order is its tab order.
constexpr std::array kControls{
    // Icons in the shell's order, never sorted; one choice at a time.
    ControlSpec{ids::kFolderList, WC_LISTVIEWW, L"",
                LVS_ICON | LVS_AUTOARRANGE | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | WS_GROUP |
                    WS_TABSTOP,
                WS_EX_CLIENTEDGE, {120, 120, 6375, 4815}},
    ControlSpec{ids::kCancel, WC_BUTTONW, L"Cancel", BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP, 0, {5280, 5160, 1215, 375}},
    ControlSpec{ids::kOk, WC_BUTTONW, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, {3840, 5160, 1215, 375}},
};

RECT workAreaNear(const RECT& area) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &monitor);
    return monitor.rcWork;
}

}  // namespace

CsidlFolders::CsidlFolders() : CsidlFolders(shellUI::getSpecialFolderDisplayInfo) {}

CsidlFolders::CsidlFolders(SpecialFolderQuery query) : query_(std::move(query)) {}

CsidlFolders::~CsidlFolders() { unload(); }

bool CsidlFolders::load(HWND mainWindow) {
    if (window_) return true;
    win::EmptyDialogTemplate dialogTemplate(kWindowStyle);
    ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), &dialogTemplate.header, mainWindow, dialogProc,
                                 reinterpret_cast<LPARAM>(this));
    if (!window_) return false;
    // Outside the dialog procedure, so that an error can reach the caller.
    try {
        Form_Load();
    } catch (...) {
        unload();
        throw;
    }
    return true;
}

void CsidlFolders::unload() {
    // The list view's WM_DESTROY detaches listViewIcons before the objects go.
    window_.reset();
    folderList_ = nullptr;
    listViewIcons_.reset();
    smallSysImageList_.reset();
    largeSysImageList_.reset();
    font_.reset();
}

INT_PTR CALLBACK CsidlFolders::dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        reinterpret_cast<CsidlFolders*>(lParam)->window_.reset(hwnd);
    }
    auto* self = reinterpret_cast<CsidlFolders*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self) return FALSE;
    const INT_PTR result = self->handleMessage(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        // Destroyed by unload, or with its owner: either way the handle is gone.
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->window_.release();
        self->folderList_ = nullptr;
    }
    return result;
}

INT_PTR CsidlFolders::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        win::keepOwnLayoutOnDpiChange(window_.get());
        createControls();
        return FALSE;  // the focus is set when the picker is shown
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        switch (LOWORD(wParam)) {
        case ids::kOk: ok_Click(); return TRUE;          // also Enter
        case ids::kCancel: cancel_Click(); return TRUE;  // also Esc
        default: return FALSE;
        }
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (header.hwndFrom != folderList_ || header.code != NM_DBLCLK) return FALSE;
        folderList_DblClick(reinterpret_cast<const NMITEMACTIVATE&>(header).iItem);
        return TRUE;
    }
    case WM_CLOSE:
        // The close box and the system menu cancel; the picker stays loaded.
        cancel_Click();
        return TRUE;
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        applyDpi(HIWORD(wParam));
        ::SetWindowPos(window_.get(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

void CsidlFolders::createControls() {
    const HWND window = window_.get();
    ::SetWindowTextW(window, ids::kCaption);
    win::createControls(window, kControls);
    folderList_ = ::GetDlgItem(window, ids::kFolderList);
    applyDpi(win::dpiForWindow(window));
}

void CsidlFolders::applyDpi(int dpi) {
    dpi_ = dpi;
    font_ = win::createMessageFont(dpi_);
    win::layoutControls(window_.get(), kClientArea, kControls, dpi_, font_.get());
}

void CsidlFolders::Form_Load() {
    setUpPickerImageLists(folderList_);
    for (int csidl = kFirstCsidl; csidl <= kLastCsidl; ++csidl) fillSpecialFolderList(csidl);
}

void CsidlFolders::setUpPickerImageLists(HWND listView) {
    // Both lists hold the shell's 32 x 32 icons, so every display mode shows the large ones.
    for (auto* list : {&largeSysImageList_, &smallSysImageList_}) {
        if (!*list) *list = std::make_unique<imagelists::cKLEMSysImageList>();
        (*list)->IconSizeX(kIconSize);
        (*list)->IconSizeY(kIconSize);
        (*list)->Create();  // without a list the entries show no icons; nothing else depends on it
    }
    if (!listViewIcons_) listViewIcons_ = std::make_unique<imagelists::cLVExternalImageList>();
    listViewIcons_->Initialise(listView, largeSysImageList_->hIml(), smallSysImageList_->hIml(), true);
}

void CsidlFolders::fillSpecialFolderList(int csidl) {
    std::wstring displayName;
    int iconIndex = 0;
    if (!query_(csidl, window_.get(), displayName, iconIndex)) return;
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = ListView_GetItemCount(folderList_);
    item.pszText = displayName.data();
    item.lParam = csidl;
    const int position = ListView_InsertItem(folderList_, &item);
    if (position >= 0) listViewIcons_->SetIcon(position + 1, iconIndex);
}

std::int32_t CsidlFolders::selectSpecialFolder(HWND parent) {
    if (inModal_) return -1;
    if (!window_ && !load(parent)) return -1;
    const HWND window = window_.get();

    result_ = -1;
    selectFirstEntry();
    ::SetWindowLongPtrW(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(parent));
    const int dpi = win::dpiForWindow(parent ? parent : window);
    if (dpi != dpi_) applyDpi(dpi);
    centreOnOwner(parent);

    // EnableWindow answers whether the window was disabled before: an owner that was already
    // disabled is left so.
    if (parent && !::EnableWindow(parent, FALSE)) disabledOwner_ = parent;
    ::ShowWindow(window, SW_SHOW);
    ::SetFocus(folderList_);

    inModal_ = true;
    MSG msg{};
    while (window_ && ::IsWindowVisible(window_.get())) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            // The program is ending: the message loop outside must see the quit too.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            result_ = -1;
            break;
        }
        if (!::IsDialogMessageW(window_.get(), &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    inModal_ = false;
    endChoice(result_);
    return result_;
}

void CsidlFolders::selectFirstEntry() {
    ListView_SetItemState(folderList_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (ListView_GetItemCount(folderList_) == 0) return;
    ListView_SetItemState(folderList_, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(folderList_, 0, FALSE);
}

void CsidlFolders::centreOnOwner(HWND owner) {
    const HWND window = window_.get();
    RECT picker{};
    ::GetWindowRect(window, &picker);
    const int width = picker.right - picker.left;
    const int height = picker.bottom - picker.top;

    RECT around{};
    if (!owner || ::IsIconic(owner) || !::GetWindowRect(owner, &around)) around = workAreaNear(picker);
    // Kept on the owner's screen when the owner stands partly off it.
    const RECT work = workAreaNear(around);
    const int x = std::clamp<int>(around.left + (around.right - around.left - width) / 2, work.left,
                                  std::max<int>(work.left, work.right - width));
    const int y = std::clamp<int>(around.top + (around.bottom - around.top - height) / 2, work.top,
                                  std::max<int>(work.top, work.bottom - height));
    ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::int32_t CsidlFolders::tagOf(int item) const {
    LVITEMW entry{};
    entry.mask = LVIF_PARAM;
    entry.iItem = item;
    if (!ListView_GetItem(folderList_, &entry)) return -1;
    return static_cast<std::int32_t>(entry.lParam);
}

void CsidlFolders::ok_Click() {
    // With the selection cleared (a click on empty space) there is no choice to return.
    const int selected = ListView_GetNextItem(folderList_, -1, LVNI_SELECTED);
    endChoice(selected >= 0 ? tagOf(selected) : -1);
}

void CsidlFolders::cancel_Click() { endChoice(-1); }

void CsidlFolders::folderList_DblClick(int item) {
    // A double-click beside the entries chooses nothing and leaves the picker open.
    if (item < 0) return;
    endChoice(tagOf(item));
}

void CsidlFolders::endChoice(std::int32_t result) {
    result_ = result;
    // The owner is enabled again before the picker hides, so that it, and not some other
    // program, becomes the active window.
    if (disabledOwner_) ::EnableWindow(std::exchange(disabledOwner_, nullptr), TRUE);
    if (window_) ::ShowWindow(window_.get(), SW_HIDE);
}

}  // namespace ql::picker
