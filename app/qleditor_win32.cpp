#include "app/qleditor_win32.h"

#include "about/about_box_win32.h"
#include "app/control_ids.h"
#include "app/editor_rules.h"
#include "app/place_display.h"
#include "app/place_shell_win32.h"
#include "app/reg_file_ui_win32.h"
#include "common/resource_ids.h"
#include "common/win_dialog.h"
#include "common/win_dpi.h"
#include "common/win_listview.h"
#include "common/version.h"
#include "common/win_text.h"
#include "common/win_texts.h"
#include "shell/shell_ui_win32.h"
#include "store/places_bar.h"

#include <commctrl.h>
#include <windowsx.h>

#include <array>
#include <utility>

namespace ql {
namespace {

// The settings' group stands between the list and the bottom row, which it moves down.
constexpr int kSettingsHeight = 1260;
constexpr TwipsRect kClientArea{0, 0, 5295, 5310 + kSettingsHeight};
constexpr DWORD kWindowStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME;
// Posted by Form_Load: the picker's window is built once the main window is up. Its list's 50 shell
// look-ups run on a thread of their own from the start.
constexpr UINT kLoadPickerMessage = WM_APP + 1;
// Posted when a drag ends after the key changed during it.
constexpr UINT kPlacesBarChangedMessage = WM_APP + 2;

using win::ControlSpec;

// Labels wrap and widen with the window; the buttons at the right keep to its right edge, the column
// of them as wide as the widest caption needs.
constexpr unsigned kLabelFit = win::kFitHeight | win::kStretchRight;
constexpr unsigned kRightColumn = win::kFitWidth | win::kFollowRight;

// In tab order: the window's z-order is its tab order.
constexpr std::array kControls{
    ControlSpec{ids::kLabel1, WC_STATICW, 0, SS_LEFT | SS_NOPREFIX, 0,
                {120, 120, 4935, 255}, 0, 0, kLabelFit},
    ControlSpec{ids::kLabel2, WC_STATICW, IDS_MAIN_LABEL2, SS_LEFT | SS_NOPREFIX, 0, {120, 480, 5055, 615}, 0, 0, kLabelFit},
    ControlSpec{ids::kCustomizeYes, WC_BUTTONW, IDS_CUSTOMIZE_YES, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0,
                {120, 1200, 1695, 255}, 0, 0, win::kFitWidth},
    ControlSpec{ids::kCustomizeNo, WC_BUTTONW, IDS_CUSTOMIZE_NO, BS_AUTORADIOBUTTON, 0,
                {2040, 1200, 2535, 255}, 0, 0, win::kFitWidth},
    ControlSpec{ids::kFolderList, WC_LISTVIEWW, 0,
                LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | WS_GROUP | WS_TABSTOP,
                WS_EX_CLIENTEDGE,
                {120, 1560, 3615, 2775}, 0, 0, win::kStretchRight},
    ControlSpec{ids::kAddFolder, WC_BUTTONW, IDS_ADD_FOLDER, BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP, 0,
                {3960, 1560, 1215, 375}, 0, 0, kRightColumn, 1},
    ControlSpec{ids::kAddSpecial, WC_BUTTONW, IDS_ADD_SPECIAL, BS_PUSHBUTTON | WS_TABSTOP, 0,
                {3960, 2040, 1215, 375}, 0, 0, kRightColumn, 1},
    ControlSpec{ids::kRemoveItem, WC_BUTTONW, IDS_REMOVE, BS_PUSHBUTTON | WS_TABSTOP, 0, {3960, 2520, 1215, 375}, 0, 0, kRightColumn, 1},
    ControlSpec{ids::kTestDialog, WC_BUTTONW, IDS_TEST, BS_PUSHBUTTON | WS_TABSTOP, 0, {3960, 3960, 1215, 375}, 0, 0, kRightColumn, 1},
    // BS_3STATE: the window sets the third state, never a click. The group holds its boxes as they widen.
    ControlSpec{ids::kSettingsGroup, WC_BUTTONW, IDS_SETTINGS_GROUP, BS_GROUPBOX, 0, {120, 4440, 5055, 1260}, 0, 0,
                win::kStretchRight},
    ControlSpec{ids::kShowPlacesBar, WC_BUTTONW, IDS_SHOW_PLACES_BAR, BS_3STATE | WS_GROUP | WS_TABSTOP, 0,
                {240, 4710, 4815, 255}, 0, 0, win::kFitWidth},
    ControlSpec{ids::kShowBackButton, WC_BUTTONW, IDS_SHOW_BACK_BUTTON, BS_3STATE | WS_TABSTOP, 0, {240, 5025, 4815, 255}, 0,
                0, win::kFitWidth},
    ControlSpec{ids::kShowRecentFiles, WC_BUTTONW, IDS_SHOW_RECENT_FILES, BS_3STATE | WS_TABSTOP, 0, {240, 5340, 4815, 255}, 0,
                0, win::kFitWidth},
    ControlSpec{ids::kAbout, WC_BUTTONW, IDS_ABOUT, BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP, 0,
                {120, 4800 + kSettingsHeight, 1215, 375}, 0, 0, win::kFitWidth},
    ControlSpec{ids::kApplyChanges, WC_BUTTONW, IDS_APPLY, BS_PUSHBUTTON | WS_TABSTOP, 0,
                {2520, 4800 + kSettingsHeight, 1215, 375}, 0, 0, kRightColumn},
    ControlSpec{ids::kExitApp, WC_BUTTONW, IDS_CLOSE, BS_PUSHBUTTON | WS_TABSTOP, 0, {3960, 4800 + kSettingsHeight, 1215, 375},
                0, 0, kRightColumn, 1},
    // The separator above the bottom row: a line from (120, 4560) to (5160, 4560), drawn etched.
    ControlSpec{ids::kLine1, WC_STATICW, 0, SS_ETCHEDHORZ, 0, {120, 4560 + kSettingsHeight, 5040, 30}, 0, 0, win::kStretchRight},
};

// The drop position marker: it spans the window from its left edge to 120 twips beyond the list's
// right edge (wherever the layout put that) and lies beneath the list, so only its two ends show beside it.
constexpr int kDropZoneBeyondList = 120;
constexpr int kDropZoneHeight = 135;

// The place id of the entry at `index`; 0, which names no place, when there is none.
LPARAM placeIdAt(HWND listView, int index) { return win::itemParam(listView, index).value_or(0); }

// The button that a WM_RBUTTONDOWN, WM_MBUTTONDOWN or WM_XBUTTONDOWN presses.
drag::MouseButtons pressedButton(UINT msg, WPARAM wParam) {
    switch (msg) {
    case WM_RBUTTONDOWN: return drag::kRightButton;
    case WM_MBUTTONDOWN: return drag::kMiddleButton;
    default: return GET_XBUTTON_WPARAM(wParam) == XBUTTON1 ? drag::kXButton1 : drag::kXButton2;
    }
}

win::UniqueIcon loadProgramIcon(int size) {
    return win::UniqueIcon(static_cast<HICON>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_QUORLANE), IMAGE_ICON, size, size, 0)));
}

}  // namespace

// The main window's list view as the drag sees it: entries are named by their lParam (the id of
// their place), positions and sizes are pixels in the list's client area.
class QlEditor::FolderListDrag final : public drag::DragList {
public:
    explicit FolderListDrag(QlEditor& editor) : editor_(editor) {}

    std::optional<drag::EntryId> hitTest(int x, int y) const override {
        LVHITTESTINFO hit{};
        hit.pt = POINT{x, y};
        const int index = ListView_HitTest(list(), &hit);
        if (index < 0 || !(hit.flags & LVHT_ONITEM)) return std::nullopt;
        return placeIdAt(list(), index);
    }
    int position(drag::EntryId entry) const override { return indexOf(entry) + 1; }
    std::optional<drag::EntryId> entryAt(int position) const override {
        if (position < 1 || position > editor_.entryCount()) return std::nullopt;
        return placeIdAt(list(), position - 1);
    }
    int entryTop(drag::EntryId entry) const override { return bounds(entry).top; }
    int entryHeight(drag::EntryId entry) const override {
        const RECT r = bounds(entry);
        return r.bottom - r.top;
    }
    int listTop() const override {
        POINT origin{0, 0};
        ::MapWindowPoints(list(), editor_.hwnd(), &origin, 1);
        return origin.y;
    }
    void setDropHighlight(std::optional<drag::EntryId> entry) override {
        ListView_SetItemState(list(), -1, 0, LVIS_DROPHILITED);
        if (entry) {
            if (const int index = indexOf(*entry); index >= 0) {
                ListView_SetItemState(list(), index, LVIS_DROPHILITED, LVIS_DROPHILITED);
            }
        }
    }
    std::optional<drag::EntryId> dropHighlighted() const override {
        const int index = ListView_GetNextItem(list(), -1, LVNI_DROPHILITED);
        if (index < 0) return std::nullopt;
        return placeIdAt(list(), index);
    }
    void setGhosted(drag::EntryId entry, bool ghosted) override {
        if (const int index = indexOf(entry); index >= 0) {
            ListView_SetItemState(list(), index, ghosted ? LVIS_CUT : 0, LVIS_CUT);
        }
    }
    drag::EntryData entryData(drag::EntryId entry) const override {
        const int index = indexOf(entry);
        if (index < 0) return {};
        return drag::EntryData{win::toU16(win::itemText(list(), index)), entry,
                               editor_.iconLists_.icons() ? editor_.iconLists_.icons()->GetIcon(index + 1) : 0};
    }
    void removeAt(int position) override { ListView_DeleteItem(list(), position - 1); }
    drag::EntryId insertAt(int position, const drag::EntryData& data) override {
        const int index = win::insertItem(list(), position - 1, win::toWide(data.text), data.payload);
        if (index >= 0 && editor_.iconLists_.icons()) editor_.iconLists_.icons()->SetIcon(index + 1, data.iconIndex);
        return data.payload;
    }
    std::optional<drag::EntryId> selectedEntry() const override {
        if (ListView_GetSelectedCount(list()) != 1) return std::nullopt;
        return placeIdAt(list(), ListView_GetNextItem(list(), -1, LVNI_SELECTED));
    }
    void select(drag::EntryId entry) override {
        if (const int index = indexOf(entry); index >= 0) win::selectOnly(list(), index);
    }

private:
    HWND list() const { return editor_.folderList_; }
    int indexOf(drag::EntryId entry) const {
        LVFINDINFOW find{};
        find.flags = LVFI_PARAM;
        find.lParam = entry;
        return ListView_FindItem(list(), -1, &find);
    }
    RECT bounds(drag::EntryId entry) const {
        RECT r{};
        if (const int index = indexOf(entry); index >= 0) ListView_GetItemRect(list(), index, &r, LVIR_BOUNDS);
        return r;
    }

    QlEditor& editor_;
};

class QlEditor::DropZone final : public drag::DropIndicator {
public:
    explicit DropZone(QlEditor& editor) : editor_(editor) {}

    void showAt(int top) override {
        RECT list{};
        ::GetWindowRect(editor_.folderList_, &list);
        ::MapWindowPoints(nullptr, editor_.hwnd(), reinterpret_cast<POINT*>(&list), 2);
        const int width = list.right + twipsToPixels(kDropZoneBeyondList, editor_.dpi());
        // Directly beneath the list in z-order, so the list paints over its middle.
        ::SetWindowPos(editor_.dropZone_, editor_.folderList_, 0, top, width, twipsToPixels(kDropZoneHeight, editor_.dpi()),
                       SWP_SHOWWINDOW | SWP_NOACTIVATE);
    }
    void hide() override { ::ShowWindow(editor_.dropZone_, SW_HIDE); }

private:
    QlEditor& editor_;
};

QlEditor::QlEditor(PlacesBarStore& store) : store_(store) {}

QlEditor::~QlEditor() { destroy(); }

HWND QlEditor::create() {
    // The stored places' looks first on the scan's thread, while this one builds the window.
    prefetching_ = csidlFolders_.startScan([this] { prefetch_.run(); });
    if (createModeless(nullptr, kWindowStyle)) {
        ::ShowWindow(hwnd(), SW_SHOWNORMAL);
        if (::GetForegroundWindow() != hwnd()) acceptDrops();
    }
    return hwnd();
}

INT_PTR QlEditor::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        Form_Load();
        return FALSE;  // focus is set by Form_Load
    case kLoadPickerMessage:
        // Posted messages come before WM_PAINT: the window paints itself first, so that it stands
        // whole while the picker is built.
        ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        csidlFolders_.load(hwnd());
        return TRUE;
    case kPlacesBarChangedMessage:
        placesBarKeyChanged();
        return TRUE;
    case kAddDroppedMessage:
        addDroppedPlaces();
        return TRUE;
    case WM_ACTIVATEAPP:
        // Not for a window on its way out.
        if (!wParam && ::IsWindowVisible(hwnd())) acceptDrops();
        return FALSE;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) != folderList_) return FALSE;
        folderList_ContextMenu(lParam);
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (code != BN_CLICKED) return FALSE;
        switch (id) {
        case ids::kCustomizeYes: customizeYes_Click(); break;
        case ids::kCustomizeNo: customizeNo_Click(); break;
        case ids::kApplyChanges: applyChanges_Click(); break;
        case ids::kExitApp: exitApp_Click(); break;  // also Esc
        case ids::kAbout: about_Click(); break;
        case ids::kAddSpecial: addSpecial_Click(); break;
        case ids::kAddFolder: addFolder_Click(); break;
        case ids::kRemoveItem: removeItem_Click(); break;
        case ids::kTestDialog: testDialog_Click(); break;
        case ids::kShowPlacesBar: settingBox_Click(DialogSetting::PlacesBar); break;
        case ids::kShowBackButton: settingBox_Click(DialogSetting::BackButton); break;
        case ids::kShowRecentFiles: settingBox_Click(DialogSetting::RecentFiles); break;
        default: return FALSE;
        }
        return TRUE;
    }
    case WM_NOTIFY:
        return handleNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case ids::kImportPlacesBar: importPlacesBar(); return TRUE;
        case ids::kExportPlacesBar: exportPlacesBar(); return TRUE;
        default: return FALSE;
        }
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
    case WM_CAPTURECHANGED: {
        const bool handled = handleDragMouse(msg, wParam, lParam);
        // A change of the key that came during the drag is looked at once the drag is over.
        if (keyChangedDuringDrag_ && !drag_->dragItem()) {
            keyChangedDuringDrag_ = false;
            ::PostMessageW(hwnd(), kPlacesBarChangedMessage, 0, 0);
        }
        return handled;
    }
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == dropZone_) {
            return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_HIGHLIGHT));
        }
        return FALSE;
    case WM_CLOSE:
        // The title-bar close and Alt+F4 close at once, without asking; only "Close" asks.
        ::DestroyWindow(hwnd());
        return TRUE;
    case WM_DESTROY:
        infoTips_.reset();
        folderDrop_.reset();
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
    case NM_CUSTOMDRAW: {
        // The drop target is drawn highlighted by the window itself: not every list view paints
        // LVIS_DROPHILITED in a report view.
        auto& draw = const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(header));
        LRESULT result = CDRF_DODEFAULT;
        if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) {
            result = CDRF_NOTIFYITEMDRAW;
        } else if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT &&
                   ListView_GetItemState(folderList_, static_cast<int>(draw.nmcd.dwItemSpec), LVIS_DROPHILITED)) {
            draw.clrText = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
            draw.clrTextBk = ::GetSysColor(COLOR_HIGHLIGHT);
            result = CDRF_NEWFONT;
        }
        ::SetWindowLongPtrW(hwnd(), DWLP_MSGRESULT, result);
        return TRUE;
    }
    case LVN_BEGINDRAG:
        beginDrag(reinterpret_cast<const NMLISTVIEW&>(header));
        return TRUE;
    case LVN_KEYDOWN: {
        const auto& key = reinterpret_cast<const NMLVKEYDOWN&>(header);
        if (key.wVKey == VK_DELETE && ::IsWindowEnabled(::GetDlgItem(hwnd(), ids::kRemoveItem))) removeItem_Click();
        if (key.wVKey == 'V' && ::GetKeyState(VK_CONTROL) < 0) pastePlaces();
        if (key.wVKey == 'C' && ::GetKeyState(VK_CONTROL) < 0) copyPathOf(ListView_GetNextItem(folderList_, -1, LVNI_FOCUSED));
        return TRUE;
    }
    default:
        return FALSE;
    }
}

void QlEditor::Form_Load() {
    createControls();
    applyDpi(win::dpiForWindow(hwnd()));
    // 32 x 32 in both lists: the entries show the shell's large icons.
    iconLists_.attach(folderList_, 32);
    ::PostMessageW(hwnd(), kLoadPickerMessage, 0, 0);
    win::centreWindow(hwnd(), nullptr);  // on the screen the window starts on
    // The program's one window is in front before it shows: showing it alone may leave it behind
    // the window that started the program (Wine without a window manager does).
    ::SetForegroundWindow(hwnd());

    const HMENU systemMenu = ::GetSystemMenu(hwnd(), FALSE);
    ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(systemMenu, MF_STRING, ids::kImportPlacesBar, win::loadText(IDS_IMPORT_PLACES_BAR).c_str());
    ::AppendMenuW(systemMenu, MF_STRING, ids::kExportPlacesBar, win::loadText(IDS_EXPORT_PLACES_BAR).c_str());

    loadPlacesBar();
    updateControls();
    ::SetFocus(::GetDlgItem(hwnd(), customized() ? ids::kCustomizeYes : ids::kCustomizeNo));
}

void QlEditor::Form_Unload() {
    csidlFolders_.unload();
    ::PostQuitMessage(0);
}

void QlEditor::createControls() {
    const std::u16string title = win::toU16(win::loadText(IDS_PROGRAM_TITLE));
    ::SetWindowTextW(hwnd(), win::loadText(IDS_MAIN_CAPTION, {title}).c_str());
    win::createControls(hwnd(), kControls);
    ::SetDlgItemTextW(hwnd(), ids::kLabel1,
                      win::loadText(IDS_MAIN_LABEL1, {title, u"" QL_VERSION_SHORT_TEXT}).c_str());
    folderList_ = ::GetDlgItem(hwnd(), ids::kFolderList);
    ListView_SetExtendedListViewStyle(folderList_, LVS_EX_DOUBLEBUFFER);
    // A report view of one headerless column: the entries stand one below the other in a single
    // column on every list view (a list-mode view wraps them into columns once they reach the bottom).
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    ListView_InsertColumn(folderList_, 0, &column);

    // Hidden until a drag has a target; clipped by its siblings so that the list covers its middle.
    dropZone_ = ::CreateWindowExW(0, WC_STATICW, nullptr, WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0, hwnd(),
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(ids::kDropZone)),
                                  ::GetModuleHandleW(nullptr), nullptr);
    ::SetWindowPos(dropZone_, folderList_, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    dragList_ = std::make_unique<FolderListDrag>(*this);
    dropZoneIndicator_ = std::make_unique<DropZone>(*this);
    drag_ = std::make_unique<drag::DragReorder>(*dragList_, *dropZoneIndicator_);
    setUpPlaceInput();
}

void QlEditor::layout(int dpi, HFONT font) {
    win::UniqueIcon large = loadProgramIcon(::MulDiv(32, dpi, USER_DEFAULT_SCREEN_DPI));
    win::UniqueIcon small = loadProgramIcon(::MulDiv(16, dpi, USER_DEFAULT_SCREEN_DPI));
    ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large.get()));
    ::SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    // The window holds the new icons now: the old ones may go.
    iconLarge_ = std::move(large);
    iconSmall_ = std::move(small);
    win::layoutControls(hwnd(), kClientArea, kControls, dpi, font);
    fitListColumn();
}

// The column as wide as the list: long texts end in "...".
void QlEditor::fitListColumn() {
    RECT listClient{};
    ::GetClientRect(folderList_, &listClient);
    ListView_SetColumnWidth(folderList_, 0, listClient.right);
}

// ---- Mode and changed flag ----

void QlEditor::selectMode(bool customize) {
    ::CheckRadioButton(hwnd(), ids::kCustomizeYes, ids::kCustomizeNo, customize ? ids::kCustomizeYes : ids::kCustomizeNo);
    if (customize) {
        customizeYes_Click();
    } else {
        customizeNo_Click();
    }
}

void QlEditor::customizeYes_Click() {
    // A click on the option already chosen changes nothing.
    if (mode_ == Mode::Customized) return;
    mode_ = Mode::Customized;
    listChanged_ = true;
    updateControls();
}

void QlEditor::customizeNo_Click() {
    if (mode_ == Mode::Defaults) return;
    mode_ = Mode::Defaults;
    listChanged_ = true;
    updateControls();
}

void QlEditor::updateControls() {
    const editor::ControlStates states = editor::controlStates(customized(), entryCount(), hasSelection());
    win::enableControl(folderList_, states.listEnabled);
    win::enableControl(::GetDlgItem(hwnd(), ids::kAddFolder), states.addEnabled);
    win::enableControl(::GetDlgItem(hwnd(), ids::kAddSpecial), states.addEnabled);
    win::enableControl(::GetDlgItem(hwnd(), ids::kRemoveItem), states.removeEnabled);
}

// ---- The dialogs' settings ----

void QlEditor::showSettings() {
    for (DialogSetting setting : kDialogSettings) {
        const SettingValue::State state = settings_[setting].state;
        const WPARAM check = state == SettingValue::State::Shown    ? BST_CHECKED
                             : state == SettingValue::State::Hidden ? BST_UNCHECKED
                                                                    : BST_INDETERMINATE;
        ::SendDlgItemMessageW(hwnd(), ids::kShowPlacesBar + static_cast<int>(setting), BM_SETCHECK, check, 0);
    }
}

// A click shows or hides; an indeterminate box becomes shown, and none becomes indeterminate again.
void QlEditor::settingBox_Click(DialogSetting setting) {
    SettingValue& value = settings_[setting];
    value = value.state == SettingValue::State::Shown ? SettingValue::hidden() : SettingValue::shown();
    listChanged_ = true;
    showSettings();
}

// ---- Store ----

DialogsContent QlEditor::content() const {
    return {PlacesBarContent{customized(), placesInOrder()}, allSettings(settings_)};
}

void QlEditor::loadPlacesBar() {
    // Read before the places: a change in between makes the next save ask, never go unseen.
    remembered_ = readPlacesBarSnapshot(store_);
    settings_ = remembered_.settings;
    showSettings();
    const LoadedPlacesBar loaded = ql::loadPlacesBar(store_);
    selectMode(loaded.customized);
    const PlaceLooksPrefetch::Looks prefetched = std::exchange(prefetching_, false) ? prefetch_.take() : PlaceLooksPrefetch::Looks{};
    for (const Place& place : loaded.places) addPlaceToList(place, findLook(prefetched, place));
    listChanged_ = false;
}

void QlEditor::reloadPlacesBar() {
    ListView_DeleteAllItems(folderList_);
    places_.clear();
    loadPlacesBar();
    updateControls();
}

void QlEditor::placesBarKeyChanged() {
    if (!hwnd() || listChanged_) return;
    if (drag_ && drag_->dragItem()) {
        keyChangedDuringDrag_ = true;  // the drag's entries must stay until it ends
        return;
    }
    if (!sameContent(readPlacesBarSnapshot(store_), remembered_)) reloadPlacesBar();
}

// Only a save that happened counts: No and Cancel to the question about another program's change
// return false, so that Close and Test do not go on.
bool QlEditor::savePlacesBar() {
    if (!sameContent(readPlacesBarSnapshot(store_), remembered_)) {
        const int answer = ::MessageBoxW(hwnd(), win::toWide(editor::changedByAnotherProgramQuestion()).c_str(), title().c_str(),
                                         MB_YESNOCANCEL | MB_DEFBUTTON3 | MB_ICONWARNING);
        if (answer == IDNO) reloadPlacesBar();
        if (answer != IDYES) return false;
    }
    const DialogsContent saving = content();
    const SaveResult result = saveDialogs(store_, saving);
    if (!result.ok()) {
        // Whatever the failed save left is this window's doing, not another program's.
        remembered_ = readPlacesBarSnapshot(store_);
        const std::u16string text =
            editor::saveFailedMessage(result.failedStep, win::toU16(win::errorText(static_cast<unsigned long>(result.error))));
        ::MessageBoxW(hwnd(), win::toWide(text).c_str(), title().c_str(), MB_OK | MB_ICONERROR);
        return false;  // the changes stay unsaved, and Close will still ask
    }
    remembered_ = savedSnapshot(remembered_, saving);
    listChanged_ = false;
    return true;
}

void QlEditor::applyChanges_Click() { savePlacesBar(); }

bool QlEditor::confirmApply(editor::Action action) {
    const std::wstring question = win::toWide(editor::confirmApplyQuestion(action));
    const int answer = ::MessageBoxW(hwnd(), question.c_str(), title().c_str(), MB_YESNOCANCEL | MB_DEFBUTTON1);
    if (answer == IDYES) return editor::confirmApplyGoesOn(editor::Answer::Yes, savePlacesBar());
    return editor::confirmApplyGoesOn(answer == IDNO ? editor::Answer::No : editor::Answer::Cancel, false);
}

void QlEditor::exitApp_Click() {
    if (listChanged_ && !confirmApply(editor::Action::Exiting)) return;
    ::DestroyWindow(hwnd());
}

// ---- Entries ----

int QlEditor::entryCount() const { return ListView_GetItemCount(folderList_); }

bool QlEditor::hasSelection() const { return ListView_GetSelectedCount(folderList_) > 0; }

std::vector<Place> QlEditor::placesInOrder() const {
    std::vector<Place> places;
    const int count = entryCount();
    for (int i = 0; i < count; ++i) {
        if (const auto found = places_.find(placeIdAt(folderList_, i)); found != places_.end()) {
            places.push_back(found->second);
        }
    }
    return places;
}

void QlEditor::addPlaceToList(const Place& place, const editor::EntryLook* look) {
    editor::EntryLook described;
    if (!look) {
        ShellPlaceLooks shell(hwnd());
        described = editor::describePlace(place, shell);
        look = &described;
    }
    const LPARAM id = nextEntryId_++;
    places_.emplace(id, place);
    const int index = win::insertItem(folderList_, entryCount(), win::toWide(look->text), id);
    if (index >= 0 && iconLists_.icons()) iconLists_.icons()->SetIcon(index + 1, look->iconIndex);
}

void QlEditor::removeEntryAt(int position) {
    places_.erase(placeIdAt(folderList_, position));
    ListView_DeleteItem(folderList_, position);
}

void QlEditor::addFolder_Click() {
    const std::wstring path = shellUI::browseForFolder(hwnd());
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

void QlEditor::addSpecial_Click() {
    const std::optional<Place> place = csidlFolders_.selectSpecialFolder(hwnd());
    if (!place) return;
    addPlaceToList(*place);
    listChanged_ = true;
    updateControls();
}

void QlEditor::folderList_Click() { updateControls(); }

// ---- Reordering ----

// The list view detects a drag itself (in a modal loop inside WM_LBUTTONDOWN on Windows), so the
// drag starts on its LVN_BEGINDRAG; the window then captures the mouse and follows it.
void QlEditor::beginDrag(const NMLISTVIEW& begin) {
    drag_->folderList_MouseDown(drag::kLeftButton, begin.ptAction.x, begin.ptAction.y);
    if (drag_->dragItem()) ::SetCapture(hwnd());
}

void QlEditor::endDrag() {
    if (::GetCapture() == hwnd()) ::ReleaseCapture();
}

bool QlEditor::handleDragMouse(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!drag_ || !drag_->dragItem()) return false;
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::MapWindowPoints(hwnd(), folderList_, &pt, 1);
    switch (msg) {
    case WM_MOUSEMOVE: {
        drag::MouseButtons buttons = 0;
        if (wParam & MK_LBUTTON) buttons |= drag::kLeftButton;
        if (wParam & MK_RBUTTON) buttons |= drag::kRightButton;
        if (wParam & MK_MBUTTON) buttons |= drag::kMiddleButton;
        if (wParam & MK_XBUTTON1) buttons |= drag::kXButton1;
        if (wParam & MK_XBUTTON2) buttons |= drag::kXButton2;
        drag_->folderList_MouseMove(buttons, pt.x, pt.y);
        return true;
    }
    case WM_LBUTTONUP:
        if (drag_->folderList_MouseUp(drag::kLeftButton)) listChanged_ = true;
        endDrag();
        return true;
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
        drag_->folderList_MouseDown(pressedButton(msg, wParam), pt.x, pt.y);
        endDrag();
        return true;
    case WM_CAPTURECHANGED:
        // The capture went elsewhere (another window, a system key): the drag cannot go on.
        drag_->resetDrag();
        return true;
    default:
        return false;
    }
}

void QlEditor::moveSelectedEntry(int delta) {
    if (drag_->moveSelectedBy(delta)) listChanged_ = true;
}

bool QlEditor::preTranslateMessage(const MSG& msg) {
    if (msg.hwnd != folderList_ || msg.message != WM_SYSKEYDOWN) return false;
    if (msg.wParam != VK_UP && msg.wParam != VK_DOWN) return false;
    if (!::IsWindowEnabled(folderList_)) return false;
    moveSelectedEntry(msg.wParam == VK_UP ? -1 : +1);
    return true;
}

void QlEditor::testDialog_Click() {
    if (listChanged_ && !confirmApply(editor::Action::Testing)) return;
    shellUI::showOpenDialog(hwnd(), win::loadText(IDS_TEST_DIALOG_TITLE));
}

// The file's places replace the list, unsaved until Apply.
void QlEditor::importPlacesBar() {
    const auto file = importPlacesBarFile(hwnd());
    if (!file) return;
    if (const auto& placesBar = file->placesBar) {
        ListView_DeleteAllItems(folderList_);
        places_.clear();
        selectMode(placesBar->customized);
        for (const Place& place : placesBar->places) addPlaceToList(place);
    }
    for (std::size_t i = 0; i < kDialogSettingCount; ++i) {
        if (file->settings[i]) settings_.values[i] = *file->settings[i];
    }
    showSettings();
    listChanged_ = true;
    updateControls();
}

// What the window shows, saved or not.
void QlEditor::exportPlacesBar() { exportPlacesBarFile(hwnd(), {customized(), placesInOrder()}, settings_); }

void QlEditor::about_Click() { about::showAboutBox(hwnd()); }

}  // namespace ql
