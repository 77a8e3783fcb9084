// Adding places the ways a user expects besides the buttons: folders dropped from another program
// with real OLE drag and drop, paths pasted with Ctrl+V, and Downloads chosen in the picker; and the
// dialogs' settings beside the places. Every test starts from a profile without a Policies key.
#include "tests/e2e/editor_window.h"
#include "tests/e2e/outside_sources.h"

#include <knownfolders.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace ql::e2e {
namespace {

constexpr wchar_t kWindows[] = L"C:\\windows";
constexpr wchar_t kWinIni[] = L"C:\\windows\\win.ini";
constexpr wchar_t kOnlyFolders[] = L"Only folders can be added to the places bar.";
constexpr wchar_t kListFull[] = L"The places bar already holds five places.";
constexpr wchar_t kPickerCaption[] = L"Choose special folder to add to PlacesBar";
constexpr wchar_t kTestDialogCaption[] = L"Test open file dialog -- note PlacesBar at left";
constexpr int kPlacesBarId = 1184;

class AddingPlacesE2E : public ::testing::Test {
protected:
    void SetUp() override { deleteKeyTree(kPolicies); }
    void TearDown() override { deleteKeyTree(kPolicies); }
};

HWND focusedIn(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

// The message box the window shows, answered with OK; its text.
std::wstring toldAndDismissed(const Editor& editor) {
    const MessageBoxView box = editor.question();
    EXPECT_EQ(box.caption, L"Quorlane");
    answer(box, IDOK);
    return box.text;
}

POINT emptySpaceOf(const Editor& editor) {
    RECT list{};
    ::GetWindowRect(editor.control(ids::kFolderList), &list);
    return {(list.left + list.right) / 2, list.bottom - 12};
}

TEST_F(AddingPlacesE2E, CtrlVAddsThePastedPathsAndAVariableIsStoredExpandable) {
    storePlaces({RegValue::dword(kCsidlPersonal)});
    const Editor editor;
    putTextOnClipboard(L"  \"C:\\windows\"  \r\n\r\n%SystemRoot%\\system32\r\n");
    focus(editor.window(), editor.control(ids::kFolderList));
    pressKey(editor.window(), 'V', {VK_CONTROL});

    const Names entries = editor.entriesOnceThereAre(3);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1], L"windows: C:\\windows");
    // The new entries are selected, and the keyboard goes on in the list.
    EXPECT_EQ(editor.list().selection(), (std::vector<int>{1, 2}));
    EXPECT_EQ(focusedIn(editor.window()), editor.control(ids::kFolderList));
    EXPECT_TRUE(editor.enabled(ids::kRemoveItem));

    // Once more: the places are there already; the first is selected instead, and the status line says so.
    pressKey(editor.window(), 'V', {VK_CONTROL});
    EXPECT_EQ(editor.entries(), entries);
    EXPECT_EQ(editor.list().selection(), std::vector<int>{1});
    EXPECT_EQ(text(editor.control(ids::kStatusLine)), L"\"windows: C:\\windows\" is in the list already.");

    editor.click(ids::kApplyChanges);
    const std::wstring expandable = L"%SystemRoot%\\system32";
    EXPECT_EQ(storedPlaces(),
              (std::vector<RegValue>{RegValue::dword(kCsidlPersonal), RegValue::string(kWindows),
                                     RegValue::raw(REG_EXPAND_SZ, RegValue::string(expandable).data)}));
}

TEST_F(AddingPlacesE2E, PastingAFileOrIntoAFullListSaysWhyAndAddsNothing) {
    storePlaces({RegValue::dword(kCsidlPersonal), RegValue::dword(kCsidlDrives), RegValue::dword(kCsidlDesktop),
                 RegValue::string(kWindows)});
    const Editor editor;
    const Names before = editor.entries();
    const HWND list = editor.control(ids::kFolderList);

    for (const wchar_t* notAFolder : {kWinIni, L"C:\\no such folder", L"   "}) {
        putTextOnClipboard(notAFolder);
        focus(editor.window(), list);
        pressKey(editor.window(), 'V', {VK_CONTROL});
        EXPECT_EQ(toldAndDismissed(editor), kOnlyFolders) << narrowText(notAFolder);
        EXPECT_EQ(editor.entries(), before);
    }

    // Two folders, room for one: the first is added, silently.
    putTextOnClipboard(L"C:\\users\r\nC:\\windows");
    focus(editor.window(), list);
    pressKey(editor.window(), 'V', {VK_CONTROL});
    ASSERT_EQ(editor.entriesOnceThereAre(5).size(), 5u);
    EXPECT_EQ(editor.entries()[4], pathEntry(L"C:\\users"));
    EXPECT_FALSE(messageBoxOf(editor.program(), editor.window()));

    pressKey(editor.window(), 'V', {VK_CONTROL});
    EXPECT_EQ(toldAndDismissed(editor), kListFull);
    EXPECT_EQ(editor.entries().size(), 5u);
    EXPECT_EQ(focusedIn(editor.window()), list) << "the keyboard goes on where it was";
}

// Drops on the list, from a second program that drags with DoDragDrop and a CF_HDROP file list
// while the real mouse moves.
TEST_F(AddingPlacesE2E, DroppedFoldersAreAppendedInTheirOrderFilesAndASixthAreRefused) {
    const std::wstring a = L"C:\\Quorlane drop a", b = L"C:\\Quorlane drop b", c = L"C:\\Quorlane drop c";
    const TemporaryFolders folders({a, b, c});
    storePlaces({RegValue::dword(kCsidlPersonal), RegValue::string(kWindows)});
    const Editor editor;
    FileDragSource source({20, 20});
    const POINT list = emptySpaceOf(editor);

    // A file among the folders is left out; the list only refers to what was dropped: a copy.
    FileDragSource::Outcome outcome = source.drag({b, kWinIni, a}, list, editor.window());
    EXPECT_EQ(outcome.lastFeedback, static_cast<DWORD>(DROPEFFECT_COPY)) << "the cursor shows the drop is taken";
    EXPECT_EQ(outcome.effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(editor.entriesOnceThereAre(4), (Names{shellFolderName(kCsidlPersonal), pathEntry(kWindows), pathEntry(b), pathEntry(a)}));
    EXPECT_FALSE(messageBoxOf(editor.program(), editor.window()));

    // Taken while there is room: that it is no folder is told once the shell has said so.
    source.drag({kWinIni}, list, editor.window());
    EXPECT_EQ(toldAndDismissed(editor), kOnlyFolders);
    EXPECT_EQ(editor.entries().size(), 4u);

    source.drag({c}, list, editor.window());
    EXPECT_EQ(editor.entriesOnceThereAre(5).back(), pathEntry(c));
    outcome = source.drag({a}, list, editor.window());
    EXPECT_EQ(outcome.effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(toldAndDismissed(editor), kListFull);
    EXPECT_EQ(editor.entries().size(), 5u);

    editor.click(ids::kApplyChanges);
    EXPECT_EQ(storedPlaces(), (std::vector<RegValue>{RegValue::dword(kCsidlPersonal), RegValue::string(kWindows),
                                                     RegValue::string(b), RegValue::string(a), RegValue::string(c)}));
}

TEST_F(AddingPlacesE2E, WithTheDefaultsTheCursorRefusesADropAndNothingChanges) {
    const std::wstring a = L"C:\\Quorlane drop a";
    const TemporaryFolders folders({a});
    const Editor editor;
    FileDragSource source({20, 20});
    const FileDragSource::Outcome outcome = source.drag({a}, emptySpaceOf(editor), editor.window());
    EXPECT_EQ(outcome.lastFeedback, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(outcome.effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_TRUE(editor.entries().empty());
    EXPECT_TRUE(editor.staysOpen());
    EXPECT_FALSE(keyExists(kPlacesBar));
}

std::wstring downloadsPath() {
    PWSTR path = nullptr;
    if (FAILED(::SHGetKnownFolderPath(FOLDERID_Downloads, 0, nullptr, &path))) return {};
    std::wstring result(path);
    ::CoTaskMemFree(path);
    return result;
}

TEST_F(AddingPlacesE2E, DownloadsFromThePickerIsStoredAsItsPathAndTheOpenDialogShowsIt) {
    const std::wstring downloads = downloadsPath();
    ASSERT_FALSE(downloads.empty()) << "this system has no Downloads folder";
    storePlaces({RegValue::dword(kCsidlPersonal)});
    const Editor editor;

    // By keyboard alone: the picker's last entries are the known folders, Downloads first of them.
    focus(editor.window(), editor.control(ids::kAddSpecial));
    pressKey(editor.window(), VK_SPACE);
    const HWND picker = editor.waitForDialog(kPickerCaption);
    const ListView pickerList(control(picker, 1101));
    const Names offered = pickerList.texts();
    const auto found = std::find(offered.begin(), offered.end(), shellPathName(downloads));
    ASSERT_NE(found, offered.end()) << "the picker offers no Downloads";
    typeText(editor.window(), L"Downloads");
    EXPECT_EQ(pickerList.selection(), std::vector<int>{static_cast<int>(found - offered.begin())});
    pressKey(editor.window(), VK_RETURN);

    const std::wstring entry = L"Downloads: " + downloads;
    EXPECT_EQ(editor.entries(), (Names{shellFolderName(kCsidlPersonal), entry}));
    editor.click(ids::kApplyChanges);
    EXPECT_EQ(storedPlaces(), (std::vector<RegValue>{RegValue::dword(kCsidlPersonal), RegValue::string(downloads)}));

    editor.click(ids::kTestDialog);
    const HWND open = editor.waitForDialog(kTestDialogCaption);
    EXPECT_EQ(toolbarButtonTexts(control(open, kPlacesBarId)), (Names{shellFolderName(kCsidlPersonal), L"Downloads"}));
    click(control(open, IDCANCEL));
}

TEST_F(AddingPlacesE2E, TheDialogsSettingsAreBoxesThatApplyWritesBesideThePlacesAndTestShows) {
    const std::wstring comDlg32 = std::wstring(kPolicies) + L"\\ComDlg32";
    writeValue(comDlg32, L"NoBackButton", RegValue::dword(1));
    writeValue(comDlg32, L"NoFileMru", RegValue::dword(1));
    writeValue(comDlg32, L"Unrelated", RegValue::string(L"kept"));
    storePlaces({RegValue::dword(kCsidlPersonal)});
    const Editor editor;
    EXPECT_TRUE(checked(editor.control(ids::kShowPlacesBar)));
    EXPECT_FALSE(checked(editor.control(ids::kShowBackButton)));
    EXPECT_FALSE(checked(editor.control(ids::kShowRecentFiles)));

    mouse::click(editor.window(), middle(editor.control(ids::kShowPlacesBar)));
    mouse::click(editor.window(), middle(editor.control(ids::kShowBackButton)));
    EXPECT_FALSE(checked(editor.control(ids::kShowPlacesBar)));
    EXPECT_TRUE(checked(editor.control(ids::kShowBackButton)));
    EXPECT_TRUE(editor.closeAsksAndCancelKeepsItOpen());
    editor.click(ids::kApplyChanges);
    EXPECT_EQ(readValue(comDlg32, L"NoPlacesBar"), RegValue::dword(1));
    EXPECT_FALSE(readValue(comDlg32, L"NoBackButton"));
    EXPECT_EQ(readValue(comDlg32, L"NoFileMru"), RegValue::dword(1));
    EXPECT_EQ(readValue(comDlg32, L"Unrelated"), RegValue::string(L"kept"));
    EXPECT_EQ(storedPlaces(), std::vector<RegValue>{RegValue::dword(kCsidlPersonal)});

    editor.click(ids::kTestDialog);
    const HWND open = editor.waitForDialog(kTestDialogCaption);
    const HWND bar = ::GetDlgItem(open, kPlacesBarId);
    EXPECT_TRUE(!bar || !::IsWindowVisible(bar)) << "the places bar is hidden";
    click(control(open, IDCANCEL));
}

}  // namespace
}  // namespace ql::e2e
