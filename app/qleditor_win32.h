#pragma once
// qlEditor, the main window: the place list, the choice between the Windows defaults and a
// customized list, and the changed flag; wires the buttons to the store and the shell.
#include "app/drag_reorder.h"
#include "app/editor_rules.h"
#include "app/folder_drop_target_win32.h"
#include "app/list_info_tips_win32.h"
#include "app/place_input.h"
#include "app/place_shell_win32.h"
#include "common/win_dialog.h"
#include "common/win_handles.h"
#include "common/win_texts.h"
#include "imagelists/shell_icon_lists_win32.h"
#include "picker/csidl_folders_win32.h"
#include "shell/lookup_queue_win32.h"
#include "store/dialog_settings.h"
#include "store/place.h"
#include "store/places_bar.h"
#include "store/places_bar_snapshot.h"
#include "store/places_bar_store.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ql {

class QlEditor final : public win::Dialog {
public:
    // `lookups`: where the window's questions to the shell go; it outlives the window.
    QlEditor(PlacesBarStore& store, shellUI::LookupQueue& lookups);
    QlEditor(const QlEditor&) = delete;
    QlEditor& operator=(const QlEditor&) = delete;
    ~QlEditor();

    // Creates and shows the window; null when it could not be created.
    HWND create();

    // Keys the window handles before the dialog manager sees them (Alt+Up, Alt+Down in the list).
    bool preTranslateMessage(const MSG& msg);

    // The PlacesBar key may have changed: while nothing is unsaved, the list shows what it holds now.
    void placesBarKeyChanged();

private:
    // The caption of the window's message boxes.
    // The caption of its message boxes: the program's title.
    static std::wstring title() { return win::loadText(IDS_PROGRAM_TITLE); }
    // Posted when answers of the look-up queue have come.
    static constexpr UINT kLookedUpMessage = WM_APP + 10;
    // Marks the entries whose look-up has not answered in time.
    static constexpr UINT_PTR kNotRespondingTimer = 32;

    class FolderListDrag;
    class DropZone;

    INT_PTR handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void layout(int dpi, HFONT font) override;
    INT_PTR handleNotify(const NMHDR& header);

    void Form_Load();
    void Form_Unload();
    void createControls();
    void fitListColumn();

    // Buttons, Esc ("Close"), the system menu and the list's menu: TRUE for a command of this window.
    // `entry`: the entry the list's menu was opened on; -1 for the focused one.
    INT_PTR onCommand(int command, int entry = -1);
    void customizeYes_Click();
    void customizeNo_Click();
    void applyChanges_Click();
    void exitApp_Click();
    void about_Click();
    void addSpecial_Click();
    void addFolder_Click();
    void removeItem_Click();
    void folderList_Click();
    void folderList_GotFocus();
    void testDialog_Click();
    void settingBox_Click(DialogSetting setting);
    void showSettings();
    void importPlacesBar();
    void exportPlacesBar();
    void beginDrag(const NMLISTVIEW& begin);
    void endDrag();
    bool handleDragMouse(UINT msg, WPARAM wParam, LPARAM lParam);
    void moveSelectedEntry(int delta);

    // Adding from outside and the list's context menu and info tips (qleditor_places_win32.cpp).
    void setUpPlaceInput();
    void acceptDrops();
    bool folderList_Dropped(std::vector<Place> items);
    void pastePlaces();
    void addOffered(std::vector<Place> places);
    void addPlaces(const editor::AddPlan& plan);
    void folderList_ContextMenu(LPARAM position);
    void copyPathOf(int index);
    std::wstring infoTipOf(int index) const;
    std::optional<Place> placeAt(int index) const;
    // What the look-up of the entry's place found; none until it answers.
    const PlaceFacts* factsAt(int index) const;

    // Every edit: the window has unsaved changes, and the controls follow the list.
    void markUnsaved();
    void updateControls();
    // The status line: what the focused entry holds, or `text` when given.
    void showStatus(std::wstring text = {});
    bool confirmApply(editor::Action action);
    void loadPlacesBar();
    void reloadPlacesBar();
    bool savePlacesBar();
    std::optional<SaveResult> storeDialogs(const DialogsContent& saving);
    // Shows the place at once from what it is, and asks the look-up queue for its name and icon.
    void addPlaceToList(const Place& place);
    void placeLookedUp(LPARAM id, PlaceFacts facts);
    void markNotResponding();
    void showEntry(LPARAM id, const std::u16string& text, int iconIndex);
    void clearEntries();

    bool customized() const { return mode_ == Mode::Customized; }
    DialogsContent content() const;
    void selectMode(bool customize);
    int entryCount() const;
    bool hasSelection() const;
    std::vector<Place> placesInOrder() const;
    void removeEntryAt(int position);

    PlacesBarStore& store_;
    shellUI::LookupQueue& lookups_;
    shellUI::Replies replies_;
    HWND folderList_ = nullptr;
    HWND dropZone_ = nullptr;
    win::UniqueIcon iconLarge_;
    win::UniqueIcon iconSmall_;

    bool listChanged_ = false;
    WriteAccess access_ = WriteAccess::Allowed;  // as the window last checked: Apply shows the shield
    // What the key held when the list was last loaded or saved: a save over anything else asks first.
    PlacesBarSnapshot remembered_;
    bool keyChangedDuringDrag_ = false;
    // Which option button is selected; neither is, until loading.
    enum class Mode { Unselected, Defaults, Customized };
    Mode mode_ = Mode::Unselected;
    // What the settings' boxes say; a setting stored in a form this program does not know stays
    // "other", its box indeterminate, until the user clicks it.
    DialogSettings settings_;

    // Each entry's place, by the id in its list item's lParam: the list view holds the order and
    // the text; saving reads the places from here and never parses the text.
    std::map<LPARAM, Place> places_;
    LPARAM nextEntryId_ = 1;
    // By the same id: what each look-up found, and when those that have not answered were asked
    // (0 once the entry is marked "(not responding)").
    std::map<LPARAM, PlaceFacts> facts_;
    std::map<LPARAM, ULONGLONG> waiting_;
    int genericIcon_ = -1;  // asked once, when the first entry is shown

    // Created on first use, living as long as the window.
    imagelists::ShellIconLists iconLists_;
    picker::CsidlFolders csidlFolders_{lookups_};

    std::unique_ptr<FolderListDrag> dragList_;
    std::unique_ptr<DropZone> dropZoneIndicator_;
    std::unique_ptr<drag::DragReorder> drag_;

    std::unique_ptr<FolderDropRegistration> folderDrop_;  // none until acceptDrops registers it
    bool dropsWanted_ = false;                            // acceptDrops ran, whether or not it succeeded
    std::unique_ptr<ListInfoTips> infoTips_;
};

}  // namespace ql
