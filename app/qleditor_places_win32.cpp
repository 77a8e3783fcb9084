// The main window's ways of adding places from outside (a drop, the clipboard), and its list's
// context menu and info tips.
#include "app/control_ids.h"
#include "app/list_menu_win32.h"
#include "app/place_transfer_win32.h"
#include "app/qleditor_win32.h"
#include "common/win_listview.h"
#include "common/win_text.h"
#include "common/win_texts.h"

#include <commctrl.h>
#include <windowsx.h>


namespace ql {

void QlEditor::setUpPlaceInput() {
    infoTips_ = std::make_unique<ListInfoTips>(folderList_, [this](int index) { return infoTipOf(index); });
}

// A drag from another program begins with a press in that program, which makes it the active one;
// the list becomes a drop target then (or at once, for a window that comes up inactive), since
// registering it starts a thread that listens for the other programs' calls.
// A registration that failed is tried again the next time the window is activated or deactivated.
void QlEditor::acceptDrops() {
    dropsWanted_ = true;
    if (folderDrop_) return;
    folderDrop_ = FolderDropRegistration::tryRegister(
        folderList_, FolderDropHandlers{
                         .takesDrops = [this] { return customized(); },
                         .dropped = [this](std::vector<Place> items) { return folderList_Dropped(std::move(items)); },
                     });
}

// Runs inside the source's drag: the places are added, and a refusal told, once the look-up queue
// has said which are folders, after the drag, so that a message box never holds up the program the
// folders came from. The drop is taken while there is room: which items are folders is not known yet.
bool QlEditor::folderList_Dropped(std::vector<Place> items) {
    const bool taken = !items.empty() && entryCount() < editor::kMaxEntries;
    addOffered(std::move(items));
    return taken;
}

void QlEditor::pastePlaces() {
    if (!customized()) return;
    if (auto places = transfer::placesFromClipboard(hwnd())) addOffered(std::move(*places));
}

// What the list takes is planned when the answer comes, with the list as it is then.
void QlEditor::addOffered(std::vector<Place> places) {
    lookups_.ask(replies_, [places = std::move(places)]() mutable { return transfer::markFolders(std::move(places)); },
                 [this](std::vector<editor::Offered> offered) { addPlaces(editor::planAdd(customized(), entryCount(), offered)); });
}

// Every way of adding ends here. A place the list holds already is not added twice: its entry is
// selected instead, and the status line says so.
void QlEditor::addPlaces(const editor::AddPlan& plan) {
    if (!plan.message.empty()) {
        ::MessageBoxW(hwnd(), win::toWide(plan.message).c_str(), title().c_str(), MB_OK | MB_ICONINFORMATION);
        return;
    }
    const int first = entryCount();
    std::optional<int> listed;
    for (const Place& place : plan.places) {
        const std::optional<int> there = editor::positionOf(placesInOrder(), place);
        if (!there) {
            addPlaceToList(place);
        } else if (!listed) {
            listed = there;
        }
    }
    if (entryCount() == first && !listed) return;
    // The new entries are selected, the first with the focus, so the keyboard goes on from there.
    win::selectOnly(folderList_, entryCount() > first ? first : *listed);
    for (int i = first + 1; i < entryCount(); ++i) ListView_SetItemState(folderList_, i, LVIS_SELECTED, LVIS_SELECTED);
    if (entryCount() > first) {
        ListView_EnsureVisible(folderList_, entryCount() - 1, FALSE);
        markUnsaved();
    }
    ::SetFocus(folderList_);
    if (listed) showStatus(win::loadText(IDS_ALREADY_IN_LIST, {win::toU16(win::itemText(folderList_, *listed))}));
}

const PlaceFacts* QlEditor::factsAt(int index) const {
    const std::optional<LPARAM> id = win::itemParam(folderList_, index);
    if (!id) return nullptr;
    const auto found = facts_.find(*id);
    return found != facts_.end() ? &found->second : nullptr;
}

std::optional<Place> QlEditor::placeAt(int index) const {
    const std::optional<LPARAM> id = win::itemParam(folderList_, index);
    if (!id) return std::nullopt;
    const auto found = places_.find(*id);
    if (found == places_.end()) return std::nullopt;
    return found->second;
}

void QlEditor::folderList_ContextMenu(LPARAM position) {
    POINT at{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    int index = -1;
    if (position == -1) {
        // Shift+F10 or the menu key: about the entry with the focus, if it is selected.
        index = ListView_GetNextItem(folderList_, -1, LVNI_FOCUSED | LVNI_SELECTED);
        if (index < 0) index = ListView_GetNextItem(folderList_, -1, LVNI_SELECTED);
        RECT bounds{};
        if (index >= 0 && ListView_GetItemRect(folderList_, index, &bounds, LVIR_LABEL)) {
            at = {bounds.left, bounds.bottom};
        } else {
            at = {0, 0};
        }
        ::ClientToScreen(folderList_, &at);
    } else {
        LVHITTESTINFO hit{};
        hit.pt = at;
        ::ScreenToClient(folderList_, &hit.pt);
        index = ListView_HitTest(folderList_, &hit);
        if (!(hit.flags & LVHT_ONITEM)) index = -1;
    }

    const std::optional<Place> place = placeAt(index);
    std::optional<editor::MenuEntry> entry;
    if (place) {
        // A special folder counts as leading nowhere until its look-up has answered.
        const PlaceFacts* facts = factsAt(index);
        entry = editor::MenuEntry{
            .position = index,
            .onlySelected = ListView_GetSelectedCount(folderList_) == 1 &&
                            ListView_GetItemState(folderList_, index, LVIS_SELECTED) != 0,
            .leadsSomewhere = place->isPath() || (facts && facts->leadsSomewhere),
            .hasPath = place->isPath() ? !place->path.empty() : facts && !facts->resolvedPath.empty(),
        };
    }
    const editor::ControlStates controls = editor::controlStates(customized(), entryCount(), hasSelection());
    const editor::ListMenuStates states =
        editor::listMenuStates(controls, entryCount(), entry, transfer::clipboardHoldsPlaces());

    if (infoTips_) infoTips_->hide();
    const int command = listMenu::track(hwnd(), at, entry.has_value(), states);
    if (command) onCommand(command, index);
    if (command != ids::kOpenPlace && ::IsWindowEnabled(folderList_)) {
        ::SetFocus(folderList_);
        folderList_GotFocus();
    }
}

// A path entry gives its path as stored, so that pasting it back keeps its %VARIABLES%; a
// special folder its location on this system, once its look-up has answered.
void QlEditor::copyPathOf(int index) {
    const std::optional<Place> place = placeAt(index);
    if (!place) return;
    const PlaceFacts* facts = factsAt(index);
    const std::wstring path = place->isPath() ? win::toWide(place->path) : facts ? facts->resolvedPath : std::wstring();
    if (!path.empty()) transfer::copyToClipboard(hwnd(), path);
}

// Where the place leads is told once its look-up has answered.
std::wstring QlEditor::infoTipOf(int index) const {
    const std::optional<Place> place = placeAt(index);
    if (!place) return {};
    const PlaceFacts* facts = factsAt(index);
    return win::toWide(editor::infoTip(*place, facts ? win::toU16(facts->resolvedPath) : std::u16string(),
                                       facts ? facts->look.resolution : editor::Resolution::Folder));
}

}  // namespace ql
