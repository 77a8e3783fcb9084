#pragma once
// csidlFolders, the special folder picker: a dialog listing every special folder the shell knows
// on this system, with its display name and icon, from which the user chooses one to add to the
// places bar; after them the known folders that have no special folder number (Downloads), which
// are added as paths. It is built once, hidden between uses, and shown modally over its owner. The shell is
// asked through the program's look-up queue, so the owner's thread never waits for the list unless the
// user asks for the picker before it is complete. The icons are asked for when the picker first shows, after
// the names: until they come, every entry shows the shell's plain folder icon, as Explorer shows
// one while it asks for the real one.
#include "common/win_dialog.h"
#include "imagelists/shell_icon_lists_win32.h"
#include "picker/special_folder_scan_win32.h"
#include "shell/known_folders_win32.h"
#include "store/place.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ql::picker {

class CsidlFolders final : public win::Dialog {
public:
    // How the picker learns, on a worker of the queue, a special folder's display name (nothing when
    // the system has no folder for the number), the known folders without a special folder number
    // that it offers after the special ones, and each entry's icon. The shell unless a test gives another.
    using SpecialFolderQuery = SpecialFolderScan::NameQuery;
    using KnownFolderQuery = SpecialFolderScan::KnownFolderQuery;
    using IconQuery = SpecialFolderScan::IconQuery;

    explicit CsidlFolders(shellUI::LookupQueue& queue, SpecialFolderQuery query = SpecialFolderScan::askShellName,
                          KnownFolderQuery knownFolders = shellUI::knownFoldersWithoutCsidl,
                          IconQuery icons = SpecialFolderScan::askShellIcon);
    CsidlFolders(const CsidlFolders&) = delete;
    CsidlFolders& operator=(const CsidlFolders&) = delete;
    ~CsidlFolders();

    // Starts asking the shell for the special folders, before the picker is loaded: the main
    // window starts it once it has asked about its own places, so that the answers come while it
    // is still coming up. Nothing when a scan was started already or the list is filled.
    void startScan();
    // Creates the picker hidden, owned by the main window, and starts asking the shell unless
    // that was started already; the list fills in once every answer is in (filled()). Nothing when
    // it is loaded already. False when the window cannot be created. An attach error of the icon
    // lists (subclass::SubclassError) reaches the caller, with nothing loaded.
    bool load(HWND mainWindow);
    // Asks the shell for the entries' icons, if not asked yet, rather than when the picker first
    // shows: a program that never shows it never asks for them. They show once they are all in
    // (iconsShown()).
    void loadIcons();
    // Stops the questions to the shell and destroys the window with its list and icon lists;
    // nothing when not loaded.
    void unload();

    // Shows the picker modally over `parent`, with the first entry selected, and returns the
    // chosen place: a special folder, or the path of a known folder; none when the user cancelled
    // or chose no entry. Loads the picker first when
    // it is not loaded. While the list is not complete, `parent` is disabled already and the picker
    // shows once it is. A WM_QUIT that arrives meanwhile ends the choice with none and is posted again.
    std::optional<Place> selectSpecialFolder(HWND parent);

    // The list holds every special folder the shell knows.
    bool filled() const { return filled_; }
    // Its entries show their own icons.
    bool iconsShown() const { return iconsShown_; }

private:
    INT_PTR handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void layout(int dpi, HFONT font) override;
    void windowGone() override;

    void Form_Load();
    void createControls();
    void scanProgress();
    void fillList();
    void showIcons();
    // Runs the picker's message loop while `goOn` holds; false when the program is ending.
    bool modalLoop(bool (CsidlFolders::*goOn)() const);
    bool waitingForList() const;
    bool shown() const;

    void ok_Click();
    void cancel_Click();
    void folderList_DblClick(int item);

    // Records the result and hides the picker, which ends the modal loop.
    void endChoice(std::optional<Place> result);
    // The place an entry stands for: its tag is the CSIDL, or -1 for a known folder's path.
    std::optional<Place> placeAt(int item) const;

    shellUI::LookupQueue& queue_;
    SpecialFolderQuery query_;
    KnownFolderQuery knownFolders_;
    IconQuery iconQuery_;
    std::map<int, std::wstring> knownFolderPaths_;  // by entry position; the list is never reordered
    std::vector<int> entryPositions_;  // of each of the scan's entries until its icons are in; -1 when refused
    std::unique_ptr<SpecialFolderScan> scan_;  // while the shell is asked
    bool filled_ = false;
    bool iconsWanted_ = false;
    bool iconsShown_ = false;
    HWND folderList_ = nullptr;

    // Created on first use, released when the picker unloads.
    imagelists::ShellIconLists iconLists_;

    std::optional<Place> result_;  // the choice while it ends
    bool inModal_ = false;
    HWND disabledOwner_ = nullptr;  // the owner this picker disabled for its showing
};

}  // namespace ql::picker
