#include "app/qleditor_win32.h"

#include "about/about_box_win32.h"
#include "app/control_ids.h"
#include "app/editor_rules.h"
#include "app/place_display.h"
#include "app/place_shell_win32.h"
#include "app/place_transfer_win32.h"
#include "app/reg_file_ui_win32.h"
#include "cli/elevated_write_win32.h"
#include "common/resource_ids.h"
#include "common/win_dialog.h"
#include "common/win_dpi.h"
#include "common/win_listview.h"
#include "common/version.h"
#include "common/win_text.h"
#include "common/win_texts.h"
#include "shell/shell_ui_win32.h"
#include "store/places_bar.h"
#include "store/write_access_win32.h"

#include <commctrl.h>
#include <versionhelpers.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <utility>

namespace ql {
namespace {

// Beneath the option buttons: the list's label, the list, the status line under it, the settings'
// group, then the bottom row.
constexpr int kLabelRow = 300;
constexpr int kStatusRow = 480;
constexpr int kSettingsHeight = 1260;
constexpr int kListTop = 1560 + kLabelRow;
constexpr int kBelowList = kLabelRow + kStatusRow;  // how far what stood below the list moves down
constexpr TwipsRect kClientArea{0, 0, 5295, 5310 + kBelowList + kSettingsHeight};
constexpr DWORD kWindowStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME;
// Posted by Form_Load: the picker's window is built once the main window is up. Its list's 50 shell
// look-ups are jobs of the look-up queue from the start.
constexpr UINT kLoadPickerMessage = WM_APP + 1;
// Posted when a drag ends after the key changed during it.
constexpr UINT kPlacesBarChangedMessage = WM_APP + 2;

using win::ControlSpec;

// Labels wrap and widen with the window; the buttons at the right keep to its right edge, the column
// of them as wide as the widest caption needs.
constexpr unsigned kLabelFit = win::kFitHeight | win::kStretchRight;
constexpr unsigned kRightColumn = win::kFitWidth | win::kFollowRight;

// A setting's box in the settings' group, its id and text from the settings' table.
constexpr ControlSpec settingBox(DialogSetting setting, DWORD style, int top) {
    return ControlSpec{namesOf(setting).controlId, WC_BUTTONW, namesOf(setting).textId, BS_3STATE | WS_TABSTOP | style, 0,
                       {240, top, 4815, 255}, 0, 0, win::kFitWidth};
}

// In tab order: the window's z-order is its tab order. The label just before the list names it.
constexpr std::array kControls{
    ControlSpec{ids::kLabel1, WC_STATICW, 0, SS_LEFT | SS_NOPREFIX, 0,
                {120, 120, 4935, 255}, 0, 0, kLabelFit},
    ControlSpec{ids::kLabel2, WC_STATICW, IDS_MAIN_LABEL2, SS_LEFT | SS_NOPREFIX, 0, {120, 480, 5055, 615}, 0, 0, kLabelFit},
    ControlSpec{ids::kCustomizeYes, WC_BUTTONW, IDS_CUSTOMIZE_YES, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0,
                {120, 1200, 1695, 255}, 0, 0, win::kFitWidth},
    ControlSpec{ids::kCustomizeNo, WC_BUTTONW, IDS_CUSTOMIZE_NO, BS_AUTORADIOBUTTON, 0,
                {2040, 1200, 2535, 255}, 0, 0, win::kFitWidth},
    ControlSpec{ids::kPlacesLabel, WC_STATICW, IDS_PLACES_LABEL, SS_LEFT, 0, {120, 1560, 3615, 255}, 0, 0, kLabelFit},
    ControlSpec{ids::kFolderList, WC_LISTVIEWW, 0,
                LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | WS_GROUP | WS_TABSTOP,
                WS_EX_CLIENTEDGE,
                {120, kListTop, 3615, 2775}, 0, 0, win::kStretchRight},
    // Two lines: a tip names a path and where it leads.
    ControlSpec{ids::kStatusLine, WC_STATICW, 0, SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, 0,
                {120, kListTop + 2820, 5055, 420}, 0, 0, win::kStretchRight},
    ControlSpec{ids::kAddFolder, WC_BUTTONW, IDS_ADD_FOLDER, BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP, 0,
                {3960, kListTop, 1215, 375}, 0, 0, kRightColumn, 1},
    ControlSpec{ids::kAddSpecial, WC_BUTTONW, IDS_ADD_SPECIAL, BS_PUSHBUTTON | WS_TABSTOP, 0,
                {3960, kListTop + 480, 1215, 375}, 0, 0, kRightColumn, 1},
    ControlSpec{ids::kRemoveItem, WC_BUTTONW, IDS_REMOVE, BS_PUSHBUTTON | WS_TABSTOP, 0, {3960, kListTop + 960, 1215, 375}, 0, 0,
                kRightColumn, 1},
    ControlSpec{ids::kTestDialog, WC_BUTTONW, IDS_TEST, BS_PUSHBUTTON | WS_TABSTOP, 0, {3960, kListTop + 2400, 1215, 375}, 0, 0,
                kRightColumn, 1},
    // Below the list, on Windows alone: which dialogs show the places bar. Without its text it takes
    // no room; with it, it pushes what stands below down.
    ControlSpec{ids::kClassicDialogsNote, WC_STATICW, 0, SS_LEFT | SS_NOPREFIX, 0, {120, 4380 + kBelowList, 5055, 0}, 0, 0, kLabelFit},
    // BS_3STATE: the window sets the third state, never a click. The group holds its boxes as they widen.
    ControlSpec{ids::kSettingsGroup, WC_BUTTONW, IDS_SETTINGS_GROUP, BS_GROUPBOX, 0, {120, 4440 + kBelowList, 5055, 1260}, 0, 0,
                win::kStretchRight},
    settingBox(DialogSetting::PlacesBar, WS_GROUP, 4710 + kBelowList),
    settingBox(DialogSetting::BackButton, 0, 5025 + kBelowList),
    settingBox(DialogSetting::RecentFiles, 0, 5340 + kBelowList),
    ControlSpec{ids::kAbout, WC_BUTTONW, IDS_ABOUT, BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP, 0,
                {120, 4800 + kBelowList + kSettingsHeight, 1215, 375}, 0, 0, win::kFitWidth},
    ControlSpec{ids::kApplyChanges, WC_BUTTONW, IDS_APPLY, BS_PUSHBUTTON | WS_TABSTOP, 0,
                {2520, 4800 + kBelowList + kSettingsHeight, 1215, 375}, 0, 0, kRightColumn},
    ControlSpec{ids::kExitApp, WC_BUTTONW, IDS_CLOSE, BS_PUSHBUTTON | WS_TABSTOP, 0,
                {3960, 4800 + kBelowList + kSettingsHeight, 1215, 375}, 0, 0, kRightColumn, 1},
    // The separator above the bottom row: a line from (120, 4560) to (5160, 4560), drawn etched.
    ControlSpec{ids::kLine1, WC_STATICW, 0, SS_ETCHEDHORZ, 0, {120, 4560 + kBelowList + kSettingsHeight, 5040, 30}, 0, 0,
                win::kStretchRight},
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

// Windows Vista and later show most programs the newer Open and Save dialog, which has no places
// bar; Wine's dialogs are all classic ones. The screenshots' test switch shows the line under Wine.
bool showsClassicDialogsNote() {
    wchar_t forced[4] = {};
    if (::GetEnvironmentVariableW(L"QUORLANE_TEST_CLASSIC_NOTE", forced, 4) > 0) return true;
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    const bool wine = ntdll && ::GetProcAddress(ntdll, "wine_get_version");
    return !wine && ::IsWindowsVistaOrGreater();
}

// Puts the shield on the Yes button of the message box this thread shows next: Yes applies, and
// applying asks for an administrator's consent.
LRESULT CALLBACK shieldOnYes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        if (const HWND yes = ::GetDlgItem(reinterpret_cast<HWND>(wParam), IDYES)) Button_SetElevationRequiredState(yes, TRUE);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// The shield on a button: Windows draws it for BCM_SETSHIELD; a button that does not know that
// message (Wine's) shows the system's shield icon as its image instead (a shared icon, never freed).
void showShield(HWND button, int dpi) {
    if (Button_SetElevationRequiredState(button, TRUE)) return;
    const int size = ::MulDiv(16, dpi, USER_DEFAULT_SCREEN_DPI);
    ::SendMessageW(button, BM_SETIMAGE, IMAGE_ICON,
                   reinterpret_cast<LPARAM>(::LoadImageW(nullptr, IDI_SHIELD, IMAGE_ICON, size, size, LR_SHARED)));
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

QlEditor::QlEditor(PlacesBarStore& store, shellUI::LookupQueue& lookups) : store_(store), lookups_(lookups) {}

QlEditor::~QlEditor() { destroy(); }

HWND QlEditor::create() {
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
        // whole while the picker is built, and goes back to its message loop in between (wParam 1),
        // so that other programs' messages wait for one of the two at most.
        if (wParam == 0) {
            ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            ::PostMessageW(hwnd(), kLoadPickerMessage, 1, 0);
        } else {
            csidlFolders_.load(hwnd());
        }
        return TRUE;
    case kPlacesBarChangedMessage:
        placesBarKeyChanged();
        return TRUE;
    case kLookedUpMessage:
        replies_.deliver();
        return TRUE;
    case WM_TIMER:
        if (wParam != kNotRespondingTimer) return FALSE;
        markNotResponding();
        return TRUE;
    case WM_ACTIVATEAPP:
        // Not for a window on its way out.
        if ((!wParam || dropsWanted_) && ::IsWindowVisible(hwnd())) acceptDrops();
        return FALSE;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) != folderList_) return FALSE;
        folderList_ContextMenu(lParam);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        return onCommand(LOWORD(wParam));
    case WM_NOTIFY:
        return handleNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_SYSCOMMAND:
        // The system's own commands stand above every one of this window's.
        if ((wParam & 0xFFF0) >= SC_SIZE) return FALSE;
        return onCommand(static_cast<int>(wParam & 0xFFF0));
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
        // Answers still to come find no window: nothing waits for them.
        replies_.close();
        ::KillTimer(hwnd(), kNotRespondingTimer);
        infoTips_.reset();
        folderDrop_.reset();
        Form_Unload();
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR QlEditor::onCommand(int command, int entry) {
    if (entry < 0) entry = ListView_GetNextItem(folderList_, -1, LVNI_FOCUSED);
    if (const auto box = std::ranges::find(kDialogSettingNames, command, &DialogSettingNames::controlId);
        box != kDialogSettingNames.end()) {
        settingBox_Click(static_cast<DialogSetting>(box - kDialogSettingNames.begin()));
        return TRUE;
    }
    switch (command) {
    case ids::kCustomizeYes: customizeYes_Click(); break;
    case ids::kCustomizeNo: customizeNo_Click(); break;
    case ids::kApplyChanges: applyChanges_Click(); break;
    case ids::kExitApp: exitApp_Click(); break;  // also Esc
    case ids::kAbout: about_Click(); break;
    case ids::kAddSpecial: addSpecial_Click(); break;
    case ids::kAddFolder: addFolder_Click(); break;
    case ids::kRemoveItem: removeItem_Click(); break;
    case ids::kTestDialog: testDialog_Click(); break;
    case ids::kImportPlacesBar: importPlacesBar(); break;
    case ids::kExportPlacesBar: exportPlacesBar(); break;
    case ids::kOpenPlace:
        // The shell looks the folder up before it opens it.
        if (const auto place = placeAt(entry)) lookups_.post([place = *place] { transfer::openInFileManager(place, nullptr); });
        break;
    case ids::kCopyPath: copyPathOf(entry); break;
    case ids::kMoveUp: moveSelectedEntry(-1); break;
    case ids::kMoveDown: moveSelectedEntry(+1); break;
    case ids::kPaste: pastePlaces(); break;
    default: return FALSE;
    }
    return TRUE;
}

INT_PTR QlEditor::handleNotify(const NMHDR& header) {
    if (header.hwndFrom != folderList_) return FALSE;
    switch (header.code) {
    case NM_CLICK:
    case NM_RCLICK:
        folderList_Click();
        return TRUE;
    case NM_SETFOCUS:
        folderList_GotFocus();
        return TRUE;
    case LVN_ITEMCHANGED: {
        // The selection also moves by keyboard: "Remove" follows it either way.
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if (!(change.uChanged & LVIF_STATE)) return TRUE;
        if ((change.uOldState ^ change.uNewState) & LVIS_SELECTED) updateControls();
        if (change.uNewState & ~change.uOldState & LVIS_FOCUSED) showStatus();
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
        if (key.wVKey == VK_DELETE && ::IsWindowEnabled(::GetDlgItem(hwnd(), ids::kRemoveItem))) onCommand(ids::kRemoveItem);
        if (key.wVKey == 'V' && ::GetKeyState(VK_CONTROL) < 0) onCommand(ids::kPaste);
        if (key.wVKey == 'C' && ::GetKeyState(VK_CONTROL) < 0) onCommand(ids::kCopyPath);
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
    replies_.open(hwnd(), kLookedUpMessage);
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
    // Behind the stored places' look-ups: the window shows those first.
    csidlFolders_.startScan();
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
    if (showsClassicDialogsNote()) ::SetDlgItemTextW(hwnd(), ids::kClassicDialogsNote, win::loadText(IDS_CLASSIC_DIALOGS_NOTE).c_str());
    // Before the layout, which sizes Apply for its caption and the shield.
    access_ = writeAccess(store_);
    if (access_ == WriteAccess::NeedsElevation) showShield(::GetDlgItem(hwnd(), ids::kApplyChanges), win::dpiForWindow(hwnd()));
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
    markUnsaved();
}

void QlEditor::customizeNo_Click() {
    if (mode_ == Mode::Defaults) return;
    mode_ = Mode::Defaults;
    markUnsaved();
}

void QlEditor::markUnsaved() {
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
        ::SendDlgItemMessageW(hwnd(), namesOf(setting).controlId, BM_SETCHECK, check, 0);
    }
}

// A click shows or hides; an indeterminate box becomes shown, and none becomes indeterminate again.
void QlEditor::settingBox_Click(DialogSetting setting) {
    SettingValue& value = settings_[setting];
    value = value.state == SettingValue::State::Shown ? SettingValue::hidden() : SettingValue::shown();
    markUnsaved();
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
    for (const Place& place : loaded.places) addPlaceToList(place);
    listChanged_ = false;
}

void QlEditor::reloadPlacesBar() {
    clearEntries();
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
    const std::optional<SaveResult> stored = storeDialogs(saving);
    if (!stored) return false;  // the user was told why; the changes stay unsaved
    const SaveResult& result = *stored;
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

// Where only an administrator may write, an elevated copy writes for this user after one consent.
// Empty when nothing was written and the user was told why: the consent was declined, or this
// account cannot ask for one.
std::optional<SaveResult> QlEditor::storeDialogs(const DialogsContent& saving) {
    if (access_ == WriteAccess::Allowed) return saveDialogs(store_, saving);
    // Denied too where the elevated copy runs with no more rights than this one (UAC turned off).
    const long error = access_ == WriteAccess::Denied ? kRegAccessDenied : cli::writeElevated(saving, hwnd());
    if (error == kConsentCancelled) {
        ::MessageBoxW(hwnd(), win::loadText(IDS_CONSENT_CANCELLED).c_str(), title().c_str(), MB_OK | MB_ICONINFORMATION);
        return std::nullopt;
    }
    if (error != kRegAccessDenied) return SaveResult{error, {}};
    ::MessageBoxW(hwnd(), win::loadText(IDS_ADMIN_ONLY, {policiesKeyName()}).c_str(), title().c_str(), MB_OK | MB_ICONWARNING);
    return std::nullopt;
}

void QlEditor::applyChanges_Click() { savePlacesBar(); }

bool QlEditor::confirmApply(editor::Action action) {
    const std::wstring question = win::toWide(editor::confirmApplyQuestion(action));
    win::UniqueHook shield(access_ == WriteAccess::NeedsElevation
                               ? ::SetWindowsHookExW(WH_CBT, shieldOnYes, nullptr, ::GetCurrentThreadId())
                               : nullptr);
    const int answer = ::MessageBoxW(hwnd(), question.c_str(), title().c_str(), MB_YESNOCANCEL | MB_DEFBUTTON1);
    shield.reset();
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

// The place may be on a share whose server is gone, where a look-up hangs: the entry shows what
// the place is at once, with the plain folder icon, and its name and icon when the shell answers.
void QlEditor::addPlaceToList(const Place& place) {
    if (genericIcon_ < 0) genericIcon_ = shellUI::genericFolderIconIndex();
    const LPARAM id = nextEntryId_++;
    places_.emplace(id, place);
    const int index = win::insertItem(folderList_, entryCount(), win::toWide(editor::pendingText(place)), id);
    if (index >= 0 && iconLists_.icons()) iconLists_.icons()->SetIcon(index + 1, genericIcon_);
    // The timer runs while an entry waits unmarked; one that does is due no later than this one.
    if (std::ranges::none_of(waiting_, [](const auto& entry) { return entry.second != 0; })) {
        ::SetTimer(hwnd(), kNotRespondingTimer, shellUI::LookupQueue::kStuckAfterMs, nullptr);
    }
    waiting_.emplace(id, ::GetTickCount64());
    lookups_.ask(replies_, [place] { return lookUpPlace(place); },
                 [this, id](PlaceFacts facts) { placeLookedUp(id, std::move(facts)); });
}

// Also for an entry marked "(not responding)": the answer shows whenever it comes. An entry removed
// meanwhile has no place any more, and the answer is dropped.
void QlEditor::placeLookedUp(LPARAM id, PlaceFacts facts) {
    if (!places_.contains(id)) return;
    waiting_.erase(id);
    showEntry(id, facts.look.text, facts.look.iconIndex);
    facts_.insert_or_assign(id, std::move(facts));
}

void QlEditor::markNotResponding() {
    const ULONGLONG now = ::GetTickCount64();
    ULONGLONG next = 0;  // the earliest time another entry is due; 0 for none
    for (auto& [id, askedAt] : waiting_) {
        if (askedAt == 0) continue;  // marked already
        const ULONGLONG due = askedAt + shellUI::LookupQueue::kStuckAfterMs;
        if (due <= now) {
            askedAt = 0;
            if (const auto place = places_.find(id); place != places_.end()) {
                showEntry(id, editor::notRespondingText(place->second), genericIcon_);
            }
        } else if (next == 0 || due < next) {
            next = due;
        }
    }
    if (next == 0) {
        ::KillTimer(hwnd(), kNotRespondingTimer);
    } else {
        ::SetTimer(hwnd(), kNotRespondingTimer, static_cast<UINT>(next - now), nullptr);
    }
}

void QlEditor::showEntry(LPARAM id, const std::u16string& text, int iconIndex) {
    LVFINDINFOW find{};
    find.flags = LVFI_PARAM;
    find.lParam = id;
    const int index = ListView_FindItem(folderList_, -1, &find);
    if (index < 0) return;
    std::wstring shown = win::toWide(text);
    ListView_SetItemText(folderList_, index, 0, shown.data());
    if (iconLists_.icons()) iconLists_.icons()->SetIcon(index + 1, iconIndex);
}

void QlEditor::removeEntryAt(int position) {
    const LPARAM id = placeIdAt(folderList_, position);
    places_.erase(id);
    facts_.erase(id);
    waiting_.erase(id);
    ListView_DeleteItem(folderList_, position);
}

void QlEditor::clearEntries() {
    ListView_DeleteAllItems(folderList_);
    places_.clear();
    facts_.clear();
    waiting_.clear();
    showStatus();
}

void QlEditor::addFolder_Click() {
    const std::wstring path = shellUI::browseForFolder(hwnd());
    if (path.empty()) return;
    addPlaces({{Place::folderPath(win::toU16(path))}, {}});
}

// The entry that takes the first removed one's place is selected and focused, so that a second
// Delete goes on from there.
void QlEditor::removeItem_Click() {
    std::vector<bool> selected(static_cast<std::size_t>(entryCount()));
    for (std::size_t i = 0; i < selected.size(); ++i) {
        selected[i] = ListView_GetItemState(folderList_, static_cast<int>(i), LVIS_SELECTED) != 0;
    }
    for (int position : editor::removalOrder(selected)) removeEntryAt(position);
    const std::optional<int> next = editor::positionAfterRemoval(selected);
    win::selectOnly(folderList_, next.value_or(-1));
    if (!next) showStatus();
    markUnsaved();
}

void QlEditor::addSpecial_Click() {
    const std::optional<Place> place = csidlFolders_.selectSpecialFolder(hwnd());
    if (!place) return;
    addPlaces({{*place}, {}});
}

void QlEditor::folderList_Click() { updateControls(); }

// The keyboard always finds an entry with the focus mark in a list that has entries.
void QlEditor::folderList_GotFocus() {
    if (entryCount() > 0 && ListView_GetNextItem(folderList_, -1, LVNI_FOCUSED) < 0) {
        const int selected = ListView_GetNextItem(folderList_, -1, LVNI_SELECTED);
        ListView_SetItemState(folderList_, std::max(selected, 0), LVIS_FOCUSED, LVIS_FOCUSED);
    }
}

void QlEditor::showStatus(std::wstring text) {
    if (text.empty()) text = infoTipOf(ListView_GetNextItem(folderList_, -1, LVNI_FOCUSED));
    ::SetDlgItemTextW(hwnd(), ids::kStatusLine, text.c_str());
}

// ---- Reordering ----

// The list view detects a drag itself (in a modal loop inside WM_LBUTTONDOWN on Windows), so the
// drag starts on its LVN_BEGINDRAG; the window then captures the mouse and follows it.
void QlEditor::beginDrag(const NMLISTVIEW& begin) {
    drag_->folderList_MouseDown(drag::kLeftButton, begin.ptAction.x, begin.ptAction.y);
    if (!drag_->dragItem()) return;
    infoTips_->hide();  // no tip follows the entry around
    ::SetCapture(hwnd());
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
        if (drag_->folderList_MouseUp(drag::kLeftButton)) markUnsaved();
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

// Moves one selected entry; with several selected, or none, or at the end, nothing moves, and the
// system's beep says so.
void QlEditor::moveSelectedEntry(int delta) {
    if (drag_->moveSelectedBy(delta)) {
        markUnsaved();
    } else {
        ::MessageBeep(MB_OK);
    }
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
        clearEntries();
        selectMode(placesBar->customized);
        for (const Place& place : placesBar->places) addPlaceToList(place);
    }
    for (std::size_t i = 0; i < kDialogSettingCount; ++i) {
        if (file->settings[i]) settings_.values[i] = *file->settings[i];
    }
    showSettings();
    markUnsaved();
}

// What the window shows, saved or not.
void QlEditor::exportPlacesBar() { exportPlacesBarFile(hwnd(), {customized(), placesInOrder()}, settings_); }

void QlEditor::about_Click() { about::showAboutBox(hwnd()); }

}  // namespace ql
