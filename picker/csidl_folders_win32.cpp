#include "picker/csidl_folders_win32.h"

#include "common/win_dialog.h"
#include "common/win_dpi.h"
#include "common/win_listview.h"
#include "common/win_texts.h"
#include "common/win_text.h"
#include "picker/picker_ids.h"
#include "picker/picker_texts.h"
#include "shell/shell_ui_win32.h"

#include <commctrl.h>

#include <array>
#include <utility>

namespace ql::picker {
namespace {

// Posted by the scan once the names are in, and once the icons are.
constexpr UINT kScanProgressMessage = WM_APP + 1;

constexpr TwipsRect kClientArea{0, 0, 6585, 5745};
// A fixed dialog border with a close box and nothing else; owned, so it has no task-bar button.
constexpr DWORD kWindowStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr int kIconSize = 32;

using win::ControlSpec;

// OK and Cancel as wide as the wider caption needs, at the window's right edge.
constexpr unsigned kButtonFit = win::kFitWidth | win::kFollowRight;

// In tab order: the window's z-order is its tab order. The label just before the list names it.
constexpr std::array kControls{
    ControlSpec{ids::kListLabel, WC_STATICW, IDS_PICKER_LABEL, SS_LEFT, 0, {120, 120, 6375, 255}, 0, 0,
                win::kFitHeight | win::kStretchRight},
    // Icons in the shell's order, never sorted; one choice at a time.
    ControlSpec{ids::kFolderList, WC_LISTVIEWW, 0,
                LVS_ICON | LVS_AUTOARRANGE | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | WS_GROUP |
                    WS_TABSTOP,
                WS_EX_CLIENTEDGE, {120, 420, 6375, 4515}, 0, 0, win::kStretchRight},
    ControlSpec{ids::kOk, WC_BUTTONW, IDS_OK, BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 0, {3840, 5160, 1215, 375}, 0, 0, kButtonFit, 1},
    ControlSpec{ids::kCancel, WC_BUTTONW, IDS_CANCEL, BS_PUSHBUTTON | WS_TABSTOP, 0, {5280, 5160, 1215, 375}, 0, 0, kButtonFit, 1},
};

}  // namespace

CsidlFolders::CsidlFolders(shellUI::LookupQueue& queue, SpecialFolderQuery query, KnownFolderQuery knownFolders,
                           IconQuery icons)
    : queue_(queue), query_(std::move(query)), knownFolders_(std::move(knownFolders)), iconQuery_(std::move(icons)) {}

CsidlFolders::~CsidlFolders() { unload(); }

bool CsidlFolders::load(HWND mainWindow) {
    if (hwnd()) return true;
    if (!createModeless(mainWindow, kWindowStyle)) return false;
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
    // The list view's WM_DESTROY detaches listViewIcons before the objects go; the picker's stops the scan.
    destroy();
    scan_.reset();
    iconLists_.reset();
}

INT_PTR CsidlFolders::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
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
    case kScanProgressMessage:
        scanProgress();
        return TRUE;
    case WM_DESTROY:
        // Also when the owner goes first: the scan may not report to a window that is gone.
        scan_.reset();
        return FALSE;
    default:
        return FALSE;
    }
}

void CsidlFolders::createControls() {
    ::SetWindowTextW(hwnd(), win::loadText(IDS_PICKER_CAPTION).c_str());
    win::createControls(hwnd(), kControls);
    folderList_ = ::GetDlgItem(hwnd(), ids::kFolderList);
    applyDpi(win::dpiForWindow(hwnd()));
}

void CsidlFolders::layout(int dpi, HFONT font) { win::layoutControls(hwnd(), kClientArea, kControls, dpi, font); }

void CsidlFolders::windowGone() {
    folderList_ = nullptr;
    filled_ = false;
    iconsWanted_ = false;
    iconsShown_ = false;
    knownFolderPaths_.clear();
    entryPositions_.clear();
}

void CsidlFolders::Form_Load() {
    iconLists_.attach(folderList_, kIconSize);
    startScan();
    scan_->reportTo(hwnd(), kScanProgressMessage);
}

void CsidlFolders::startScan() {
    if (scan_ || filled_) return;
    scan_ = std::make_unique<SpecialFolderScan>(queue_, query_, knownFolders_, iconQuery_);
}

void CsidlFolders::scanProgress() {
    if (!scan_) return;
    scan_->deliver();
    if (!filled_ && scan_->namesFinished()) {
        fillList();
        if (iconsWanted_) scan_->startIcons();
    }
    if (filled_ && scan_->iconsFinished()) {
        showIcons();
        scan_.reset();
    }
}

void CsidlFolders::loadIcons() {
    iconsWanted_ = true;
    if (scan_ && filled_) scan_->startIcons();
}

void CsidlFolders::fillList() {
    const int placeholder = shellUI::genericFolderIconIndex();
    // Hidden, but an icon list view arranges itself anew at every entry unless told to wait.
    ::SendMessageW(folderList_, WM_SETREDRAW, FALSE, 0);
    std::vector<NamedFolder> named;
    for (const ScannedFolder& folder : scan_->folders()) {
        named.push_back({folder.csidl, win::toU16(folder.path), win::toU16(folder.displayName)});
    }
    const std::vector<std::u16string> texts = entryTexts(named);
    // Known folders are tagged -1, as a path entry of the place list is.
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const ScannedFolder& folder = scan_->folders()[i];
        const int position = win::insertItem(folderList_, ListView_GetItemCount(folderList_), win::toWide(texts[i]),
                                             folder.csidl >= 0 ? folder.csidl : -1);
        entryPositions_.push_back(position);
        if (position < 0) continue;
        iconLists_.icons()->SetIcon(position + 1, placeholder);
        if (folder.csidl < 0) knownFolderPaths_[position] = folder.path;
    }
    ::SendMessageW(folderList_, WM_SETREDRAW, TRUE, 0);
    filled_ = true;
}

void CsidlFolders::showIcons() {
    const std::vector<int>& icons = scan_->icons();
    for (std::size_t i = 0; i < icons.size() && i < entryPositions_.size(); ++i) {
        if (entryPositions_[i] >= 0) iconLists_.icons()->SetIcon(entryPositions_[i] + 1, icons[i]);
    }
    entryPositions_.clear();
    iconsShown_ = true;
}

std::optional<Place> CsidlFolders::selectSpecialFolder(HWND parent) {
    if (inModal_) return std::nullopt;
    if (!hwnd() && !load(parent)) return std::nullopt;
    loadIcons();

    inModal_ = true;
    result_.reset();
    // EnableWindow answers whether the window was disabled before: an owner that was already
    // disabled is left so. Disabled from the click on, so that nothing else starts while the
    // list may still be waited for.
    if (parent && !::EnableWindow(parent, FALSE)) disabledOwner_ = parent;
    if (modalLoop(&CsidlFolders::waitingForList) && hwnd()) {
        const HWND window = hwnd();
        // The first entry, whatever was chosen the time before; none in an empty list.
        win::selectOnly(folderList_, ListView_GetItemCount(folderList_) > 0 ? 0 : -1);
        ::SetWindowLongPtrW(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(parent));
        const int dpi = win::dpiForWindow(parent ? parent : window);
        if (dpi != this->dpi()) applyDpi(dpi);
        win::centreWindow(window, parent);
        ::ShowWindow(window, SW_SHOW);
        ::SetFocus(folderList_);
        modalLoop(&CsidlFolders::shown);
    }
    inModal_ = false;
    endChoice(result_);
    return result_;
}

bool CsidlFolders::waitingForList() const { return hwnd() && !filled_; }

bool CsidlFolders::shown() const { return hwnd() && ::IsWindowVisible(hwnd()); }

bool CsidlFolders::modalLoop(bool (CsidlFolders::*goOn)() const) {
    MSG msg{};
    while ((this->*goOn)()) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) return false;
        if (got == 0) {
            // The program is ending: the message loop outside must see the quit too.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            result_.reset();
            return false;
        }
        if (!::IsDialogMessageW(hwnd(), &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return true;
}

std::optional<Place> CsidlFolders::placeAt(int item) const {
    const std::optional<LPARAM> tag = win::itemParam(folderList_, item);
    if (!tag) return std::nullopt;
    if (*tag >= 0) return Place::specialFolder(static_cast<std::int32_t>(*tag));
    const auto known = knownFolderPaths_.find(item);
    if (known == knownFolderPaths_.end()) return std::nullopt;
    return Place::folderPath(std::u16string(known->second.begin(), known->second.end()));
}

void CsidlFolders::ok_Click() {
    // With the selection cleared (a click on empty space) there is no choice to return.
    endChoice(placeAt(ListView_GetNextItem(folderList_, -1, LVNI_SELECTED)));
}

void CsidlFolders::cancel_Click() { endChoice(std::nullopt); }

void CsidlFolders::folderList_DblClick(int item) {
    // A double-click beside the entries chooses nothing and leaves the picker open.
    if (item < 0) return;
    endChoice(placeAt(item));
}

void CsidlFolders::endChoice(std::optional<Place> result) {
    result_ = std::move(result);
    // The owner is enabled again before the picker hides, so that it, and not some other
    // program, becomes the active window.
    if (disabledOwner_) ::EnableWindow(std::exchange(disabledOwner_, nullptr), TRUE);
    if (hwnd()) ::ShowWindow(hwnd(), SW_HIDE);
}

}  // namespace ql::picker
