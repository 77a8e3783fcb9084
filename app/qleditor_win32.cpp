#include "app/qleditor_win32.h"

#include "app/control_ids.h"
#include "app/editor_rules.h"
#include "app/resources/resource_ids.h"
#include "common/win_dpi.h"
#include "common/win_text.h"
#include "shell/shell_ui_win32.h"
#include "store/places_bar.h"

#include <commctrl.h>

#include <array>
#include <exception>

namespace ql {
namespace {

constexpr wchar_t kTitle[] = L"Quorlane";
constexpr wchar_t kCaption[] = L"Quorlane by the Quorlane project";
constexpr TwipsRect kClientArea{0, 0, 5295, 5310};
constexpr DWORD kWindowStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME;

struct ControlSpec {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    DWORD exStyle;
    TwipsRect rect;
};

// In tab order: the window's z-order is its tab order.
constexpr std::array kControls{
    ControlSpec{ids::kLabel1, WC_STATICW, L"Quorlane v1.0 by the Quorlane developers", SS_LEFT | SS_NOPREFIX, 0,
                {120, 120, 4935, 255}},
    ControlSpec{ids::kLabel2, WC_STATICW,
                L"Click \"Customize\", then click the Add buttons to customize the list. Drag items in the list "
                L"to change the order. You can add up to 5 items to the list.",
                SS_LEFT | SS_NOPREFIX, 0, {120, 480, 5055, 615}},
    ControlSpec{ids::kCustomizeYes, WC_BUTTONW, L"Use customized list", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0,
                {120, 1200, 1695, 255}},
    ControlSpec{ids::kCustomizeNo, WC_BUTTONW, L"Use defaults (no customization)", BS_AUTORADIOBUTTON, 0,
                {2040, 1200, 2535, 255}},
    ControlSpec{ids::kFolderList, WC_LISTVIEWW, L"",
                LVS_LIST | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | WS_GROUP | WS_TABSTOP, WS_EX_CLIENTEDGE,
                {120, 1560, 3615, 2775}},
    ControlSpec{ids::kAddFolder, WC_BUTTONW, L"Add folder...", BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP, 0,
                {3960, 1560, 1215, 375}},
    ControlSpec{ids::kAddSpecial, WC_BUTTONW, L"Add special...", BS_PUSHBUTTON | WS_TABSTOP, 0,
                {3960, 2040, 1215, 375}},
    ControlSpec{ids::kRemoveItem, WC_BUTTONW, L"Remove", BS_PUSHBUTTON | WS_TABSTOP, 0, {3960, 2520, 1215, 375}},
    ControlSpec{ids::kTestDialog, WC_BUTTONW, L"Test", BS_PUSHBUTTON | WS_TABSTOP, 0, {3960, 3960, 1215, 375}},
    ControlSpec{ids::kAbout, WC_BUTTONW, L"About...", BS_PUSHBUTTON | WS_TABSTOP, 0, {120, 4800, 1215, 375}},
    ControlSpec{ids::kApplyChanges, WC_BUTTONW, L"Apply", BS_PUSHBUTTON | WS_TABSTOP, 0, {2520, 4800, 1215, 375}},
    ControlSpec{ids::kExitApp, WC_BUTTONW, L"Close", BS_PUSHBUTTON | WS_TABSTOP, 0, {3960, 4800, 1215, 375}},
    // The separator above the bottom row: a line from (120, 4560) to (5160, 4560).
    ControlSpec{ids::kLine1, WC_STATICW, L"", SS_ETCHEDHORZ, 0, {120, 4560, 5040, 30}},
};

// An empty dialog template: the controls are made in pixels at the window's DPI from twips.
struct alignas(DWORD) EmptyDialogTemplate {
    DLGTEMPLATE header;
    WORD menu = 0;
    WORD windowClass = 0;
    WORD title = 0;
};

win::UniqueIcon loadProgramIcon(int size) {
    return win::UniqueIcon(static_cast<HICON>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_QUORLANE), IMAGE_ICON, size, size, 0)));
}

}  // namespace

QlEditor::QlEditor(PlacesBarStore& store) : store_(store) {}

QlEditor::~QlEditor() {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

HWND QlEditor::create(HINSTANCE instance) {
    EmptyDialogTemplate dialogTemplate{};
    dialogTemplate.header.style = kWindowStyle;
    ::CreateDialogIndirectParamW(instance, &dialogTemplate.header, nullptr, dialogProc, reinterpret_cast<LPARAM>(this));
    if (hwnd_) ::ShowWindow(hwnd_, SW_SHOWNORMAL);
    return hwnd_;
}

INT_PTR CALLBACK QlEditor::dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<QlEditor*>(lParam);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<QlEditor*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self) return FALSE;
    // No C++ exception may unwind through the dialog manager.
    try {
        const INT_PTR result = self->handleMessage(msg, wParam, lParam);
        if (msg == WM_NCDESTROY) {
            ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
            self->hwnd_ = nullptr;
        }
        return result;
    } catch (const std::exception& e) {
        const std::string what = e.what();
        ::MessageBoxW(hwnd, std::wstring(what.begin(), what.end()).c_str(), kTitle, MB_OK | MB_ICONERROR);
        if (msg == WM_INITDIALOG) ::DestroyWindow(hwnd);
        return FALSE;
    }
}

INT_PTR QlEditor::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        Form_Load();
        return FALSE;  // focus is set by Form_Load
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (code != BN_CLICKED) return FALSE;
        switch (id) {
        case ids::kCustomizeYes: customizeYes_Click(); break;
        case ids::kCustomizeNo: customizeNo_Click(); break;
        case ids::kApplyChanges: applyChanges_Click(); break;
        case ids::kExitApp: exitApp_Click(); break;  // also Esc
        case ids::kAddFolder: addFolder_Click(); break;
        case ids::kRemoveItem: removeItem_Click(); break;
        case ids::kTestDialog: testDialog_Click(); break;
        default: return FALSE;
        }
        return TRUE;
    }
    case WM_NOTIFY:
        return handleNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_CLOSE:
        // The title-bar close and Alt+F4 close at once, without asking; only "Close" asks.
        ::DestroyWindow(hwnd_);
        return TRUE;
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        applyDpi(HIWORD(wParam));
        ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return TRUE;
    }
    case WM_DESTROY:
        Form_Unload();
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR QlEditor::handleNotify(const NMHDR& header) {
    if (header.hwndFrom != folderList_) return FALSE;
    switch (header.code) {
    case NM_CLICK:
    case NM_RCLICK:
        folderList_Click();
        return TRUE;
    case LVN_ITEMCHANGED: {
        // The selection also moves by keyboard: "Remove" follows it either way.
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) && ((change.uOldState ^ change.uNewState) & LVIS_SELECTED)) updateControls();
        return TRUE;
    }
    case LVN_KEYDOWN: {
        const auto& key = reinterpret_cast<const NMLVKEYDOWN&>(header);
        if (key.wVKey == VK_DELETE && ::IsWindowEnabled(::GetDlgItem(hwnd_, ids::kRemoveItem))) removeItem_Click();
        return TRUE;
    }
    default:
        return FALSE;
    }
}

void QlEditor::Form_Load() {
    createControls();
    applyDpi(win::dpiForWindow(hwnd_));

    // Centred on the screen the window starts on.
    RECT window{};
    ::GetWindowRect(hwnd_, &window);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    ::SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
                   work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

    loadPlacesBar();
    updateControls();
    ::SetFocus(::GetDlgItem(hwnd_, modeCustomized_ ? ids::kCustomizeYes : ids::kCustomizeNo));
}

void QlEditor::Form_Unload() { ::PostQuitMessage(0); }

void QlEditor::createControls() {
    ::SetWindowTextW(hwnd_, kCaption);
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    for (const ControlSpec& spec : kControls) {
        ::CreateWindowExW(spec.exStyle, spec.className, spec.text, WS_CHILD | WS_VISIBLE | spec.style, 0, 0, 0, 0,
                          hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance, nullptr);
    }
    folderList_ = ::GetDlgItem(hwnd_, ids::kFolderList);
    ListView_SetExtendedListViewStyle(folderList_, LVS_EX_DOUBLEBUFFER);
}

void QlEditor::applyDpi(int dpi) {
    dpi_ = dpi;
    font_ = win::createMessageFont(dpi_);
    iconLarge_ = loadProgramIcon(::MulDiv(32, dpi_, USER_DEFAULT_SCREEN_DPI));
    iconSmall_ = loadProgramIcon(::MulDiv(16, dpi_, USER_DEFAULT_SCREEN_DPI));
    ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(iconLarge_.get()));
    ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(iconSmall_.get()));
    layoutControls();
}

void QlEditor::layoutControls() {
    const RECT client = win::twipsRectToPixels(kClientArea, dpi_);
    const SIZE outer = win::windowSizeForClient(client.right, client.bottom, kWindowStyle, 0, dpi_);
    ::SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    for (const ControlSpec& spec : kControls) {
        HWND control = ::GetDlgItem(hwnd_, spec.id);
        RECT r = win::twipsRectToPixels(spec.rect, dpi_);
        if (spec.id == ids::kLine1) r.bottom = r.top + 2;  // an etched line is two pixels whatever the DPI
        ::SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    }
    RECT listClient{};
    ::GetClientRect(folderList_, &listClient);
    ListView_SetColumnWidth(folderList_, 0, listClient.right);
}

// ---- Mode and changed flag ----

bool QlEditor::customized() const { return modeSelected_ && modeCustomized_; }

void QlEditor::selectMode(bool customize) {
    ::CheckRadioButton(hwnd_, ids::kCustomizeYes, ids::kCustomizeNo, customize ? ids::kCustomizeYes : ids::kCustomizeNo);
    if (customize) {
        customizeYes_Click();
    } else {
        customizeNo_Click();
    }
}

void QlEditor::customizeYes_Click() {
    // A click on the option already chosen changes nothing.
    if (modeSelected_ && modeCustomized_) return;
    modeSelected_ = modeCustomized_ = true;
    listChanged_ = true;
    updateControls();
}

void QlEditor::customizeNo_Click() {
    if (modeSelected_ && !modeCustomized_) return;
    modeSelected_ = true;
    modeCustomized_ = false;
    listChanged_ = true;
    updateControls();
}

void QlEditor::updateControls() {
    const editor::ControlStates states = editor::updateControls(customized(), entryCount(), hasSelection());
    ::EnableWindow(folderList_, states.listEnabled);
    ::EnableWindow(::GetDlgItem(hwnd_, ids::kAddFolder), states.addEnabled);
    ::EnableWindow(::GetDlgItem(hwnd_, ids::kAddSpecial), states.addEnabled);
    ::EnableWindow(::GetDlgItem(hwnd_, ids::kRemoveItem), states.removeEnabled);
}

// ---- Store ----

void QlEditor::loadPlacesBar() {
    const LoadedPlacesBar loaded = ql::loadPlacesBar(store_);
    selectMode(loaded.customized);
    for (const Place& place : loaded.places) addPlaceToList(place);
    listChanged_ = false;
}

bool QlEditor::savePlacesBar() {
    const SaveResult result = ql::savePlacesBar(store_, customized(), placesInOrder());
    if (!result.ok()) {
        const std::u16string text =
            editor::saveFailedMessage(result.failedStep, win::toU16(win::errorText(static_cast<unsigned long>(result.error))));
        ::MessageBoxW(hwnd_, win::toWide(text).c_str(), kTitle, MB_OK | MB_ICONERROR);
        return false;  // the changes stay unsaved, and Close will still ask
    }
    listChanged_ = false;
    return true;
}

void QlEditor::applyChanges_Click() { savePlacesBar(); }

bool QlEditor::confirmApply(const std::wstring& what) {
    const std::wstring question = win::toWide(editor::confirmApplyQuestion(win::toU16(what)));
    const int answer = ::MessageBoxW(hwnd_, question.c_str(), kTitle, MB_YESNOCANCEL | MB_DEFBUTTON1);
    if (answer == IDYES) return editor::confirmApplyGoesOn(editor::Answer::Yes, savePlacesBar());
    return editor::confirmApplyGoesOn(answer == IDNO ? editor::Answer::No : editor::Answer::Cancel, false);
}

void QlEditor::exitApp_Click() {
    if (listChanged_ && !confirmApply(L"exiting")) return;
    ::DestroyWindow(hwnd_);
}

// ---- Entries ----

int QlEditor::entryCount() const { return ListView_GetItemCount(folderList_); }

bool QlEditor::hasSelection() const { return ListView_GetSelectedCount(folderList_) > 0; }

std::vector<Place> QlEditor::placesInOrder() const {
    std::vector<Place> places;
    const int count = entryCount();
    for (int i = 0; i < count; ++i) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        ListView_GetItem(folderList_, &item);
        if (const auto found = places_.find(item.lParam); found != places_.end()) places.push_back(found->second);
    }
    return places;
}

void QlEditor::addPlaceToList(const Place& place) {
    std::wstring displayName;
    int iconIndex = 0;
    if (place.isPath()) {
        shellUI::getPathDisplayInfo(win::toWide(place.path), displayName, iconIndex);
    } else {
        shellUI::getSpecialFolderDisplayInfo(place.csidl, hwnd_, displayName, iconIndex);
    }
    std::wstring text = win::toWide(editor::entryText(place, win::toU16(displayName)));

    const LPARAM id = nextEntryId_++;
    places_.emplace(id, place);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = entryCount();
    item.pszText = text.data();
    item.lParam = id;
    ListView_InsertItem(folderList_, &item);
}

void QlEditor::removeEntryAt(int position) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = position;
    if (ListView_GetItem(folderList_, &item)) places_.erase(item.lParam);
    ListView_DeleteItem(folderList_, position);
}

void QlEditor::addFolder_Click() {
    const std::wstring path = shellUI::browseForFolder(hwnd_);
    if (path.empty()) return;
    addPlaceToList(Place::folderPath(win::toU16(path)));
    listChanged_ = true;
    updateControls();
}

void QlEditor::removeItem_Click() {
    std::vector<bool> selected(static_cast<std::size_t>(entryCount()));
    for (std::size_t i = 0; i < selected.size(); ++i) {
        selected[i] = ListView_GetItemState(folderList_, static_cast<int>(i), LVIS_SELECTED) != 0;
    }
    for (int position : editor::removalOrder(selected)) removeEntryAt(position);
    listChanged_ = true;
    updateControls();
}

void QlEditor::folderList_Click() { updateControls(); }

void QlEditor::testDialog_Click() {
    if (listChanged_ && !confirmApply(L"testing settings")) return;
    shellUI::showOpenDialog(hwnd_, L"Test open file dialog -- note PlacesBar at left");
}

}  // namespace ql
