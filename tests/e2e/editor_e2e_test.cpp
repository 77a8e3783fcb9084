// The main window as a user meets it: quorlane.exe started for real, worked from outside, and the
// registry read back. Every test starts from a profile without a Policies key.
#include "common/win_text.h"
#include "tests/e2e/editor_window.h"

#include <gtest/gtest.h>

namespace ql::e2e {
namespace {

constexpr wchar_t kComDlg32[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ComDlg32";

void expectAsksBeforeExiting(const MessageBoxView& box) {
    EXPECT_EQ(box.caption, L"Quorlane");
    EXPECT_EQ(box.text, L"Apply changes before exiting?");
    for (int button : {IDYES, IDNO, IDCANCEL}) EXPECT_TRUE(::GetDlgItem(box.box, button)) << "button " << button;
}

class EditorE2E : public ::testing::Test {
protected:
    // No test sees what another one stored.
    void SetUp() override { deleteKeyTree(kPolicies); }
    void TearDown() override { deleteKeyTree(kPolicies); }
};

TEST_F(EditorE2E, ControlsCarryTheirCaptions) {
    const Editor editor;
    EXPECT_TRUE(text(editor.window()).starts_with(L"Quorlane"));
    EXPECT_EQ(text(editor.control(ids::kLabel2)),
              L"Click \"Use customized list\", then click the Add buttons to customize the list. Drag items in the list to "
              L"change the order. You can add up to 5 items to the list.");
    EXPECT_EQ(text(editor.control(ids::kCustomizeYes)), L"&Use customized list");
    EXPECT_EQ(text(editor.control(ids::kCustomizeNo)), L"Use &defaults (no customization)");
    EXPECT_EQ(text(editor.control(ids::kAddFolder)), L"Add &folder...");
    EXPECT_EQ(text(editor.control(ids::kAddSpecial)), L"Add &special...");
    EXPECT_EQ(text(editor.control(ids::kRemoveItem)), L"&Remove");
    EXPECT_EQ(text(editor.control(ids::kTestDialog)), L"&Test");
    EXPECT_EQ(text(editor.control(ids::kAbout)), L"&About...");
    EXPECT_EQ(text(editor.control(ids::kApplyChanges)), L"Appl&y");
    EXPECT_EQ(::SendMessageW(editor.control(ids::kApplyChanges), BM_GETIMAGE, IMAGE_ICON, 0), 0) << "a shield, where the user may write";
    EXPECT_EQ(text(editor.control(ids::kExitApp)), L"&Close");
    EXPECT_EQ(className(editor.control(ids::kFolderList)), L"SysListView32");
    // A screen reader names a list by the label just before it.
    EXPECT_EQ(text(::GetWindow(editor.control(ids::kFolderList), GW_HWNDPREV)), L"&Places:");
}

TEST_F(EditorE2E, NothingStoredShowsTheDefaultsAndClosesWithoutAsking) {
    const Editor editor;
    EXPECT_TRUE(editor.checked(ids::kCustomizeNo));
    EXPECT_FALSE(editor.checked(ids::kCustomizeYes));
    EXPECT_EQ(editor.list().count(), 0);
    EXPECT_FALSE(editor.enabled(ids::kFolderList));
    EXPECT_FALSE(editor.enabled(ids::kAddFolder));
    EXPECT_FALSE(editor.enabled(ids::kAddSpecial));
    EXPECT_FALSE(editor.enabled(ids::kRemoveItem));
    for (int id : {ids::kCustomizeYes, ids::kCustomizeNo, ids::kTestDialog, ids::kAbout, ids::kApplyChanges, ids::kExitApp}) {
        EXPECT_TRUE(editor.enabled(id)) << "control " << id;
    }

    editor.click(ids::kExitApp);
    EXPECT_TRUE(editor.endsWithoutAsking());
    EXPECT_FALSE(keyExists(kPolicies)) << "closing unchanged writes nothing";
}

TEST_F(EditorE2E, StoredPlacesBecomeEntriesAndApplyStoresThemWithoutGaps) {
    store(L"Place0", RegValue::dword(kCsidlPersonal));
    store(L"Place2", RegValue::string(L"C:\\windows"));
    const Editor editor;

    EXPECT_TRUE(editor.checked(ids::kCustomizeYes));
    EXPECT_FALSE(editor.checked(ids::kCustomizeNo));
    const std::wstring documents = shellFolderName(kCsidlPersonal);
    ASSERT_FALSE(documents.empty());
    EXPECT_EQ(editor.entries(), (Names{documents, shellPathName(L"C:\\windows") + L": C:\\windows"}));
    EXPECT_TRUE(editor.enabled(ids::kFolderList));
    EXPECT_TRUE(editor.enabled(ids::kAddFolder));
    EXPECT_TRUE(editor.enabled(ids::kAddSpecial));
    EXPECT_FALSE(editor.enabled(ids::kRemoveItem)) << "nothing is selected";

    editor.click(ids::kApplyChanges);
    EXPECT_TRUE(editor.staysOpen()) << "Apply shows nothing";
    EXPECT_EQ(storedNames(), (Names{L"Place0", L"Place1"}));
    EXPECT_EQ(stored(L"Place0"), RegValue::dword(kCsidlPersonal));
    EXPECT_EQ(stored(L"Place1"), RegValue::string(L"C:\\windows"));

    editor.click(ids::kExitApp);
    EXPECT_TRUE(editor.endsWithoutAsking()) << "Apply left nothing unsaved";
}

TEST_F(EditorE2E, ValuesTheListCannotShowAreDroppedByApply) {
    const std::wstring windows = L"C:\\windows";
    // Stored without its terminating NUL.
    const auto* chars = reinterpret_cast<const BYTE*>(windows.data());
    store(L"Place0", RegValue::raw(REG_SZ, std::vector<BYTE>(chars, chars + windows.size() * sizeof(wchar_t))));
    store(L"Place1", RegValue::raw(REG_BINARY, RegValue::string(L"C:\\users").data));
    store(L"Place3", RegValue::dword(kCsidlDrives));
    store(L"Place5", RegValue::dword(kCsidlDesktop));
    const Editor editor;

    EXPECT_EQ(editor.entries(), (Names{shellPathName(windows) + L": " + windows, shellFolderName(kCsidlDrives)}));

    editor.click(ids::kApplyChanges);
    EXPECT_EQ(storedNames(), (Names{L"Place0", L"Place1"}));
    EXPECT_EQ(stored(L"Place0"), RegValue::string(windows)) << "written back with its NUL";
    EXPECT_EQ(stored(L"Place1"), RegValue::dword(kCsidlDrives));
}

TEST_F(EditorE2E, SwitchingToCustomizedOffersAddingAndCloseAsksYesSaves) {
    const Editor editor;
    editor.click(ids::kCustomizeYes);
    EXPECT_TRUE(editor.checked(ids::kCustomizeYes));
    EXPECT_TRUE(editor.enabled(ids::kFolderList));
    EXPECT_TRUE(editor.enabled(ids::kAddFolder));
    EXPECT_TRUE(editor.enabled(ids::kAddSpecial));
    EXPECT_FALSE(editor.enabled(ids::kRemoveItem));

    editor.click(ids::kExitApp);
    const MessageBoxView box = editor.question();
    expectAsksBeforeExiting(box);
    answer(box, IDYES);
    EXPECT_TRUE(editor.endsWithoutAsking());
    EXPECT_TRUE(keyExists(kPlacesBar)) << "an empty customized list is an empty key";
    EXPECT_EQ(storedNames(), Names{});
}

TEST_F(EditorE2E, CloseAnsweredNoExitsWithoutSaving) {
    store(L"Place0", RegValue::dword(kCsidlPersonal));
    const Editor editor;
    editor.click(ids::kCustomizeNo);
    EXPECT_TRUE(editor.enabled(ids::kCustomizeYes));
    EXPECT_FALSE(editor.enabled(ids::kFolderList)) << "defaults: the entries stay, the list takes no input";
    EXPECT_EQ(editor.list().count(), 1);

    editor.click(ids::kExitApp);
    const MessageBoxView box = editor.question();
    expectAsksBeforeExiting(box);
    answer(box, IDNO);
    EXPECT_TRUE(editor.endsWithoutAsking());
    EXPECT_EQ(storedNames(), Names{L"Place0"});
    EXPECT_EQ(stored(L"Place0"), RegValue::dword(kCsidlPersonal));
}

TEST_F(EditorE2E, CloseAnsweredCancelStaysAndAsksAgain) {
    const Editor editor;
    editor.click(ids::kCustomizeYes);

    editor.click(ids::kExitApp);
    answer(editor.question(), IDCANCEL);
    EXPECT_TRUE(editor.staysOpen());
    EXPECT_TRUE(editor.checked(ids::kCustomizeYes)) << "the window keeps its state";
    EXPECT_FALSE(keyExists(kPolicies)) << "nothing was saved";

    editor.click(ids::kExitApp);
    const MessageBoxView again = editor.question();
    expectAsksBeforeExiting(again);
    answer(again, IDNO);
    EXPECT_TRUE(editor.endsWithoutAsking());
    EXPECT_FALSE(keyExists(kPolicies));
}

TEST_F(EditorE2E, SwitchingBackStillCountsAsAChange) {
    const Editor editor;
    editor.click(ids::kCustomizeYes);
    editor.click(ids::kCustomizeNo);

    editor.click(ids::kExitApp);
    const MessageBoxView box = editor.question();
    expectAsksBeforeExiting(box);
    answer(box, IDYES);
    EXPECT_TRUE(editor.endsWithoutAsking());
    EXPECT_TRUE(keyExists(kComDlg32));
    EXPECT_FALSE(keyExists(kPlacesBar)) << "defaults mode stores no places bar";
}

TEST_F(EditorE2E, EscapeDoesWhatCloseDoes) {
    const Editor editor;
    editor.click(ids::kCustomizeYes);

    focus(editor.window(), editor.control(ids::kCustomizeYes));
    pressKey(editor.window(), VK_ESCAPE);
    const MessageBoxView box = editor.question();
    expectAsksBeforeExiting(box);
    answer(box, IDCANCEL);
    ASSERT_TRUE(editor.staysOpen());

    editor.click(ids::kApplyChanges);
    focus(editor.window(), editor.control(ids::kApplyChanges));
    pressKey(editor.window(), VK_ESCAPE);
    EXPECT_TRUE(editor.endsWithoutAsking()) << "nothing was left unsaved";
    EXPECT_TRUE(keyExists(kPlacesBar));
}

TEST_F(EditorE2E, TitleBarCloseExitsWithoutAskingAndDropsTheChanges) {
    const Editor editor;
    editor.click(ids::kCustomizeYes);

    closeFromTitleBar(editor.window());
    EXPECT_TRUE(editor.endsWithoutAsking());
    EXPECT_FALSE(keyExists(kPolicies));
}

TEST_F(EditorE2E, FivePlacesDisableAddingAndRemoveFollowsTheSelection) {
    store(L"Place0", RegValue::dword(kCsidlDesktop));
    store(L"Place1", RegValue::dword(kCsidlPersonal));
    store(L"Place2", RegValue::string(L"C:\\windows"));
    store(L"Place3", RegValue::dword(kCsidlDrives));
    store(L"Place4", RegValue::string(L"C:\\"));
    const Editor editor;
    const ListView list = editor.list();

    EXPECT_TRUE(editor.checked(ids::kCustomizeYes));
    ASSERT_EQ(list.count(), 5);
    EXPECT_FALSE(editor.enabled(ids::kAddFolder));
    EXPECT_FALSE(editor.enabled(ids::kAddSpecial));
    EXPECT_FALSE(editor.enabled(ids::kRemoveItem));

    mouse::click(editor.window(), list.itemPoint(2));
    EXPECT_EQ(list.selection(), std::vector<int>{2});
    EXPECT_TRUE(editor.enabled(ids::kRemoveItem));

    // Empty space below the last entry clears the selection.
    const RECT last = list.itemRect(4);
    RECT listBounds{};
    ::GetWindowRect(list.hwnd(), &listBounds);
    const POINT below{last.left + 5, (last.bottom + listBounds.bottom) / 2};
    ASSERT_LT(last.bottom + 4, listBounds.bottom - 4) << "the list has room below its entries";
    mouse::click(editor.window(), below);
    EXPECT_EQ(list.selection(), std::vector<int>{});
    EXPECT_FALSE(editor.enabled(ids::kRemoveItem));
    EXPECT_FALSE(editor.enabled(ids::kAddFolder));

    editor.click(ids::kExitApp);
    EXPECT_TRUE(editor.endsWithoutAsking()) << "selecting is no change";
}

TEST_F(EditorE2E, ApplyKeepsNegativeNumbersAsTheyWere) {
    store(L"Place0", RegValue::dword(0xFFFFFFFF));
    store(L"Place1", RegValue::dword(0xFFFFFFFD));
    const Editor editor;
    EXPECT_EQ(editor.list().count(), 2);

    editor.click(ids::kApplyChanges);
    EXPECT_EQ(storedNames(), (Names{L"Place0", L"Place1"}));
    EXPECT_EQ(stored(L"Place0"), RegValue::dword(0xFFFFFFFF));
    EXPECT_EQ(stored(L"Place1"), RegValue::dword(0xFFFFFFFD));
}

TEST_F(EditorE2E, PathsWithColonsRoundTrip) {
    // The entry text joins name and path with ": "; neither the path nor that text is parsed back.
    const std::wstring odd = L"C:\\Notes: 2024\\a: b";
    const std::wstring root = L"C:\\";
    store(L"Place0", RegValue::string(odd));
    store(L"Place1", RegValue::string(root));
    const Editor editor;
    // No folder can have that name: the entry is marked, and kept.
    const auto entry = [](const std::wstring& path) {
        const std::wstring name = shellPathName(path);
        return name.empty() ? path : name + L": " + path;
    };
    EXPECT_EQ(editor.entries(), (Names{entry(odd) + L" (not found)", entry(root)}));

    editor.click(ids::kApplyChanges);
    EXPECT_EQ(stored(L"Place0"), RegValue::string(odd));
    EXPECT_EQ(stored(L"Place1"), RegValue::string(root));
}

TEST_F(EditorE2E, NonAsciiPathRoundTripsExactly) {
    const std::wstring parent = L"C:\\\u00DCn\u00EFc\u00F8d\u00E9";
    const std::wstring path = parent + L"\\\u65E5\u672C";
    const TemporaryFolders folders({parent, path});
    store(L"Place0", RegValue::string(path));
    const Editor editor;
    EXPECT_EQ(shellPathName(path), L"\u65E5\u672C");
    EXPECT_EQ(editor.entries(), Names{L"\u65E5\u672C: " + path});

    editor.click(ids::kApplyChanges);
    EXPECT_EQ(stored(L"Place0"), RegValue::string(path));
}

TEST_F(EditorE2E, FailedSaveIsReportedAndTheChangesStayUnsaved) {
    // A volatile key cannot hold a lasting subkey, so PlacesBar cannot be created under it.
    createKey(kComDlg32, REG_OPTION_VOLATILE);
    const Editor editor;
    editor.click(ids::kCustomizeYes);

    editor.click(ids::kApplyChanges);
    const MessageBoxView failure = editor.question();
    EXPECT_EQ(failure.caption, L"Quorlane");
    EXPECT_NE(failure.text.find(win::errorText(ERROR_CHILD_MUST_BE_VOLATILE)), std::wstring::npos)
        << "says why: \"" << narrowText(failure.text) << "\"";
    answer(failure, IDOK);
    EXPECT_TRUE(editor.staysOpen()) << "one message, then the window again";

    // Close still asks; Yes fails again, so the window stays with the user's edits.
    editor.click(ids::kExitApp);
    const MessageBoxView question = editor.question();
    expectAsksBeforeExiting(question);
    answer(question, IDYES);
    answer(editor.question(), IDOK);
    EXPECT_TRUE(editor.staysOpen());
    EXPECT_TRUE(editor.checked(ids::kCustomizeYes));

    editor.click(ids::kExitApp);
    answer(editor.question(), IDNO);
    EXPECT_TRUE(editor.endsWithoutAsking());
    EXPECT_FALSE(keyExists(kPlacesBar));
}

}  // namespace
}  // namespace ql::e2e
