// Editing the list and seeing the result, as a user does it: folders added through the shell's
// real folder browser, entries removed with "Remove" or the Delete key, and "Test", which opens
// the Open dialog whose places bar shows what was applied. Every test starts from a profile without
// a Policies key.
#include "picker/picker_ids.h"
#include "tests/e2e/editor_window.h"
#include "common/win_texts.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace ql::e2e {
namespace {

constexpr wchar_t kBrowserCaption[] = L"Browse for Folder";
constexpr int kBrowserTitleId = 14146;
constexpr wchar_t kTestDialogCaption[] = L"Test open file dialog -- note PlacesBar at left";
constexpr int kPlacesBarId = 1184;

constexpr wchar_t kWindows[] = L"C:\\windows";
constexpr wchar_t kUsers[] = L"C:\\users";
constexpr wchar_t kNewFolder[] = L"C:\\Quorlane e2e folder";

class EditingE2E : public ::testing::Test {
protected:
    void SetUp() override { deleteKeyTree(kPolicies); }
    void TearDown() override { deleteKeyTree(kPolicies); }
};

// Desktop, Documents, C:\windows, My Computer, C:\users: two kinds, five places.
const std::vector<RegValue>& fivePlaces() {
    static const std::vector<RegValue> places{RegValue::dword(kCsidlDesktop), RegValue::dword(kCsidlPersonal),
                                              RegValue::string(kWindows), RegValue::dword(kCsidlDrives),
                                              RegValue::string(kUsers)};
    return places;
}

Names fiveEntries() {
    return {shellFolderName(kCsidlDesktop), shellFolderName(kCsidlPersonal), pathEntry(kWindows),
            shellFolderName(kCsidlDrives), pathEntry(kUsers)};
}

HWND openFolderBrowser(const Editor& editor) {
    editor.click(ids::kAddFolder);
    const HWND browser = editor.waitForDialog(kBrowserCaption);
    EXPECT_EQ(text(control(browser, kBrowserTitleId)), L"Choose folder to add to PlacesBar");
    return browser;
}

void addFolder(const Editor& editor, std::wstring_view path) {
    const HWND browser = openFolderBrowser(editor);
    selectFolderInBrowser(browser, path);
    click(control(browser, IDOK));
}

std::vector<HWND> windowsOver(const Editor& editor) {
    std::vector<HWND> over;
    for (HWND hwnd : editor.program().windows()) {
        if (owner(hwnd) == editor.window()) over.push_back(hwnd);
    }
    return over;
}

Names placesBarOf(HWND openDialog) { return toolbarButtonTexts(control(openDialog, kPlacesBarId)); }

// Types `name` into the Open dialog's file name box and presses Enter.
void enterFileName(HWND openDialog, std::wstring_view name) {
    const HWND fileName = findControl(openDialog, L"Edit");
    ASSERT_TRUE(fileName) << "the Open dialog has no file name box";
    focus(openDialog, fileName);
    typeText(openDialog, name);
    pressKey(openDialog, VK_RETURN);
}

bool closes(HWND dialog) {
    return waitUntil([&] { return !::IsWindow(dialog) || !::IsWindowVisible(dialog); });
}

// ---- Adding a folder ------------------------------------------------------------------------------

TEST_F(EditingE2E, AChosenFolderBecomesTheLastEntryAndApplyStoresItInTheNextPlace) {
    const TemporaryFolders folder({kNewFolder});
    store(L"Place0", RegValue::dword(kCsidlPersonal));
    const Editor editor;

    addFolder(editor, kNewFolder);
    EXPECT_EQ(editor.entries(), (Names{shellFolderName(kCsidlPersonal), L"Quorlane e2e folder: " + std::wstring(kNewFolder)}));
    EXPECT_TRUE(editor.closeAsksAndCancelKeepsItOpen()) << "the new entry is unsaved";
    EXPECT_EQ(storedNames(), Names{L"Place0"});

    editor.click(ids::kApplyChanges);
    EXPECT_EQ(storedNames(), (Names{L"Place0", L"Place1"}));
    EXPECT_EQ(stored(L"Place0"), RegValue::dword(kCsidlPersonal));
    EXPECT_EQ(stored(L"Place1"), RegValue::string(kNewFolder));

    editor.click(ids::kExitApp);
    EXPECT_TRUE(editor.endsWithoutAsking());
}

TEST_F(EditingE2E, AFolderAlreadyInTheListIsSelectedThereAndNotAddedAgain) {
    storePlaces({RegValue::string(kWindows), RegValue::dword(kCsidlPersonal)});
    const Editor editor;

    addFolder(editor, kWindows);
    EXPECT_EQ(editor.entries(), (Names{pathEntry(kWindows), shellFolderName(kCsidlPersonal)}));
    EXPECT_EQ(editor.list().selection(), std::vector<int>{0});
    EXPECT_EQ(text(editor.control(ids::kStatusLine)), L"\"" + pathEntry(kWindows) + L"\" is in the list already.");
    editor.click(ids::kExitApp);
    EXPECT_TRUE(editor.endsWithoutAsking()) << "nothing was added";
}

TEST_F(EditingE2E, CancelInTheFolderBrowserAddsNothing) {
    store(L"Place0", RegValue::dword(kCsidlPersonal));
    const Editor editor;

    const HWND browser = openFolderBrowser(editor);
    EXPECT_FALSE(enabled(editor.window())) << "the browser is modal";
    selectFolderInBrowser(browser, kWindows);
    click(control(browser, IDCANCEL));
    EXPECT_TRUE(closes(browser));
    EXPECT_TRUE(editor.staysOpen());
    EXPECT_EQ(editor.entries(), Names{shellFolderName(kCsidlPersonal)});

    editor.click(ids::kExitApp);
    EXPECT_TRUE(editor.endsWithoutAsking()) << "cancelling is no change";
    EXPECT_EQ(storedNames(), Names{L"Place0"});
}

// ---- Five entries at most ---------------------------------------------------------------------------

TEST_F(EditingE2E, TheFifthEntryDisablesBothAddButtonsAndRemovingOneEnablesThem) {
    storePlaces({fivePlaces().begin(), fivePlaces().begin() + 4});
    const Editor editor;
    EXPECT_TRUE(editor.enabled(ids::kAddFolder));
    EXPECT_TRUE(editor.enabled(ids::kAddSpecial));

    addFolder(editor, kUsers);
    EXPECT_EQ(editor.entries(), fiveEntries());
    EXPECT_FALSE(editor.enabled(ids::kAddFolder));
    EXPECT_FALSE(editor.enabled(ids::kAddSpecial));

    const ListView list = editor.list();
    mouse::click(editor.window(), list.itemPoint(0));
    editor.click(ids::kRemoveItem);
    EXPECT_EQ(list.count(), 4);
    EXPECT_TRUE(editor.enabled(ids::kAddFolder));
    EXPECT_TRUE(editor.enabled(ids::kAddSpecial));
}

// A button clicked into its disabled state hands the focus on to the next enabled control in tab
// order, so the keyboard still works: Esc asks before closing.
TEST_F(EditingE2E, AButtonThatDisablesItselfUnderTheMouseHandsTheFocusOnAndEscStillAsks) {
    storePlaces({fivePlaces().begin() + 1, fivePlaces().end()});  // the picker's first entry, Desktop, is not among them
    const Editor editor;
    const ListView list = editor.list();
    const auto escAsks = [&] {
        pressKey(editor.window(), VK_ESCAPE);
        const MessageBoxView box = editor.question();
        EXPECT_EQ(box.text, L"Apply changes before exiting?");
        answer(box, IDCANCEL);
    };

    mouse::click(editor.window(), middle(editor.control(ids::kAddSpecial)));
    pressKey(editor.waitForDialog(win::loadText(IDS_PICKER_CAPTION)), VK_RETURN);
    ASSERT_EQ(list.count(), 5);
    ASSERT_FALSE(editor.enabled(ids::kAddSpecial));
    ASSERT_EQ(focused(editor.window()), list.hwnd()) << "on the new entry, as after every addition";
    escAsks();

    mouse::click(editor.window(), list.itemPoint(0));
    mouse::click(editor.window(), list.itemPoint(4), {VK_SHIFT});
    mouse::click(editor.window(), middle(editor.control(ids::kRemoveItem)));
    ASSERT_EQ(list.count(), 0);
    ASSERT_FALSE(editor.enabled(ids::kRemoveItem));
    ASSERT_EQ(focused(editor.window()), editor.control(ids::kTestDialog));
    escAsks();
}

// ---- What the list shows the keyboard ------------------------------------------------------------

TEST_F(EditingE2E, TabFindsAnEntryWithTheFocusAndOddPlacesShowAsWhatTheyAre) {
    storePlaces({RegValue::string(L""), RegValue::string(L"C:\\windows\\win.ini"), RegValue::dword(kCsidlPersonal)});
    const Editor editor;
    const ListView list = editor.list();
    EXPECT_EQ(list.text(0), L"(empty)");
    EXPECT_EQ(list.text(1), pathEntry(L"C:\\windows\\win.ini") + L" (not a folder)");

    focus(editor.window(), editor.control(ids::kCustomizeYes));
    pressKey(editor.window(), VK_TAB);
    ASSERT_EQ(focused(editor.window()), list.hwnd());
    EXPECT_EQ(list.state(0, LVIS_FOCUSED), static_cast<UINT>(LVIS_FOCUSED));
    EXPECT_EQ(text(editor.control(ids::kStatusLine)), L"REG_SZ (empty)") << "the focused entry's tip, for the keyboard";
    pressKey(editor.window(), VK_DOWN);
    EXPECT_EQ(text(editor.control(ids::kStatusLine)), L"REG_SZ C:\\windows\\win.ini - not a folder");
}

TEST_F(EditingE2E, ARemovedEntrysTipGoesWithIt) {
    storePlaces(fivePlaces());
    const Editor editor;
    const ListView list = editor.list();
    const POINT second = list.itemPoint(1);
    mouse::click(editor.window(), second);
    mouse::moveTo(editor.window(), POINT{second.x + 3, second.y});
    HWND tip = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        for (HWND hwnd : editor.program().windows()) {
            if (className(hwnd) == TOOLTIPS_CLASSW) tip = hwnd;
        }
        return tip != nullptr;
    })) << "hovering shows the entry's tip";
    pressKey(editor.window(), VK_DELETE);
    EXPECT_FALSE(::IsWindowVisible(tip));
}

// ---- Removing ---------------------------------------------------------------------------------------

TEST_F(EditingE2E, RemovingTheThirdOfFiveLeavesTheOthersInOrder) {
    storePlaces(fivePlaces());
    const Editor editor;
    const ListView list = editor.list();
    const Names five = fiveEntries();

    mouse::click(editor.window(), list.itemPoint(2));
    ASSERT_TRUE(editor.enabled(ids::kRemoveItem));
    editor.click(ids::kRemoveItem);
    EXPECT_EQ(editor.entries(), (Names{five[0], five[1], five[3], five[4]}));
    EXPECT_EQ(list.selection(), std::vector<int>{2}) << "the entry that took its place";
    EXPECT_TRUE(editor.enabled(ids::kRemoveItem));
    EXPECT_TRUE(editor.closeAsksAndCancelKeepsItOpen());

    editor.click(ids::kApplyChanges);
    const auto& p = fivePlaces();
    EXPECT_EQ(storedPlaces(), (std::vector<RegValue>{p[0], p[1], p[3], p[4]}));
    EXPECT_EQ(storedNames().size(), 4u);
}

TEST_F(EditingE2E, SeveralSelectedEntriesGoInOneClick) {
    storePlaces(fivePlaces());
    const Editor editor;
    const ListView list = editor.list();
    const Names five = fiveEntries();

    mouse::click(editor.window(), list.itemPoint(0));
    mouse::click(editor.window(), list.itemPoint(2), {VK_CONTROL});
    mouse::click(editor.window(), list.itemPoint(4), {VK_CONTROL});
    ASSERT_EQ(list.selection(), (std::vector<int>{0, 2, 4}));
    editor.click(ids::kRemoveItem);
    EXPECT_EQ(editor.entries(), (Names{five[1], five[3]}));

    editor.click(ids::kApplyChanges);
    const auto& p = fivePlaces();
    EXPECT_EQ(storedPlaces(), (std::vector<RegValue>{p[1], p[3]}));
    EXPECT_EQ(storedNames().size(), 2u);
}

TEST_F(EditingE2E, TheDeleteKeyRemovesLikeRemoveWhileRemoveIsEnabled) {
    storePlaces(fivePlaces());
    const Editor editor;
    const ListView list = editor.list();
    const Names five = fiveEntries();

    mouse::click(editor.window(), list.itemPoint(1));
    pressKey(editor.window(), VK_DELETE);
    EXPECT_EQ(editor.entries(), (Names{five[0], five[2], five[3], five[4]}));
    EXPECT_EQ(list.selection(), std::vector<int>{1}) << "the entry that took its place";
    pressKey(editor.window(), VK_DELETE);
    EXPECT_EQ(editor.entries(), (Names{five[0], five[3], five[4]}));
    editor.click(ids::kApplyChanges);
    const auto& p = fivePlaces();
    EXPECT_EQ(storedPlaces(), (std::vector<RegValue>{p[0], p[3], p[4]}));

    // With the focus in the list and nothing selected, "Remove" is disabled: Delete does nothing.
    const RECT last = list.itemRect(2);
    RECT listBounds{};
    ::GetWindowRect(list.hwnd(), &listBounds);
    mouse::click(editor.window(), POINT{last.left + 5, (last.bottom + listBounds.bottom) / 2});
    ASSERT_EQ(list.selection(), std::vector<int>{});
    pressKey(editor.window(), VK_DELETE);
    EXPECT_EQ(list.count(), 3);
    editor.click(ids::kExitApp);
    EXPECT_TRUE(editor.endsWithoutAsking()) << "nothing changed since Apply";
}

// ---- The test dialog ----------------------------------------------------------------------------------

TEST_F(EditingE2E, TestWithoutChangesOpensTheDialogAtOnceAndItRefusesAFileThatDoesNotExist) {
    const Editor editor;
    editor.click(ids::kTestDialog);
    const HWND open = editor.waitForDialog(kTestDialogCaption);
    EXPECT_EQ(windowsOver(editor), std::vector<HWND>{open}) << "nothing was unsaved: no question";
    // No PlacesBar key: Wine's own places.
    EXPECT_EQ(placesBarOf(open),
              (Names{shellFolderName(kCsidlDesktop), shellFolderName(kCsidlPersonal), shellFolderName(kCsidlDrives)}));

    enterFileName(open, L"no such file.txt");
    const MessageBoxView refusal = waitForMessageBox(editor.program(), open);
    answer(refusal, IDOK);
    EXPECT_TRUE(::IsWindowVisible(open)) << "the dialog stays for another name";

    // The dialog opens in the program's folder: the bare name of the program is found there.
    enterFileName(open, L"quorlane.exe");
    EXPECT_TRUE(closes(open));
    EXPECT_TRUE(editor.staysOpen());

    editor.click(ids::kExitApp);
    EXPECT_TRUE(editor.endsWithoutAsking());
    EXPECT_FALSE(keyExists(kPolicies)) << "testing writes nothing";
}

TEST_F(EditingE2E, TestWithUnsavedChangesAnsweredCancelShowsNoDialogAndKeepsTheChanges) {
    storePlaces(fivePlaces());
    const Editor editor;
    mouse::click(editor.window(), editor.list().itemPoint(0));
    editor.click(ids::kRemoveItem);

    editor.click(ids::kTestDialog);
    const MessageBoxView box = editor.question();
    EXPECT_EQ(box.caption, L"Quorlane");
    EXPECT_EQ(box.text, L"Apply changes before testing settings?");
    answer(box, IDCANCEL);
    EXPECT_TRUE(editor.staysOpen()) << "no Open dialog";
    EXPECT_EQ(editor.list().count(), 4);
    EXPECT_EQ(storedPlaces(), fivePlaces());
    EXPECT_TRUE(editor.closeAsksAndCancelKeepsItOpen());
}

TEST_F(EditingE2E, TestAnsweredNoShowsTheLastStoredPlacesWithoutSaving) {
    storePlaces({RegValue::dword(kCsidlPersonal), RegValue::string(kWindows)});
    const Editor editor;
    editor.click(ids::kCustomizeNo);

    editor.click(ids::kTestDialog);
    answer(editor.question(), IDNO);
    const HWND open = editor.waitForDialog(kTestDialogCaption);
    EXPECT_EQ(placesBarOf(open), (Names{shellFolderName(kCsidlPersonal), shellPathName(kWindows)}));
    click(control(open, IDCANCEL));
    EXPECT_TRUE(closes(open));
    EXPECT_TRUE(editor.staysOpen());

    EXPECT_EQ(storedPlaces(), (std::vector<RegValue>{RegValue::dword(kCsidlPersonal), RegValue::string(kWindows)}));
    EXPECT_TRUE(editor.closeAsksAndCancelKeepsItOpen()) << "the change is still unsaved";
}

// The Open dialog that Wine shows has, in its places bar, one button for each applied place, in
// order, named as the shell names it.
TEST_F(EditingE2E, TestAnsweredYesSavesAndTheOpenDialogShowsTheAppliedPlaces) {
    const TemporaryFolders folder({kNewFolder});
    storePlaces({RegValue::dword(kCsidlPersonal), RegValue::string(kWindows), RegValue::dword(kCsidlDrives)});
    const Editor editor;
    mouse::click(editor.window(), editor.list().itemPoint(1));
    editor.click(ids::kRemoveItem);
    addFolder(editor, kNewFolder);

    editor.click(ids::kTestDialog);
    answer(editor.question(), IDYES);
    const HWND open = editor.waitForDialog(kTestDialogCaption);
    const std::vector<RegValue> applied{RegValue::dword(kCsidlPersonal), RegValue::dword(kCsidlDrives),
                                        RegValue::string(kNewFolder)};
    EXPECT_EQ(storedPlaces(), applied) << "saved before the dialog opened";
    EXPECT_EQ(storedNames().size(), 3u);
    EXPECT_EQ(placesBarOf(open),
              (Names{shellFolderName(kCsidlPersonal), shellFolderName(kCsidlDrives), shellPathName(kNewFolder)}));

    enterFileName(open, L"quorlane.exe");
    EXPECT_TRUE(closes(open));
    EXPECT_TRUE(editor.staysOpen());
    EXPECT_EQ(storedPlaces(), applied) << "choosing a file changes nothing";

    editor.click(ids::kExitApp);
    EXPECT_TRUE(editor.endsWithoutAsking()) << "Yes left nothing unsaved";
}

}  // namespace
}  // namespace ql::e2e
