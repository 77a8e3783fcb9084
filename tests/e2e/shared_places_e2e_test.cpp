// The places bar is shared: here the test process is the other program, writing the same key while
// quorlane.exe shows it. Places the window cannot show as folders are kept as stored, another
// program's change is never overwritten without asking, and with nothing unsaved the window follows
// the key. Every test starts from a profile without a Policies key.
#include "common/utf16_bytes.h"
#include "common/win_text.h"
#include "tests/e2e/editor_window.h"

#include <gtest/gtest.h>

namespace ql::e2e {
namespace {

constexpr wchar_t kWindows[] = L"C:\\windows";

RegValue expandable(std::wstring_view textValue) {
    return RegValue::raw(REG_EXPAND_SZ, utf16leBytes(win::toU16(textValue), true));
}

// Where the entry's icon stands, the screen shows `icon`.
bool showsIcon(const ListView& list, int item, Pixels (*icon)(COLORREF)) {
    const RECT box = list.itemRect(item, LVIR_ICON);
    const Pixels wanted = icon(static_cast<COLORREF>(ask(list.hwnd(), LVM_GETBKCOLOR)));
    return !wanted.rgb.empty() && find(capture(RECT{box.left - 4, box.top - 4, box.right + 4, box.bottom + 4}), wanted);
}

class SharedPlacesE2E : public ::testing::Test {
protected:
    void SetUp() override { deleteKeyTree(kPolicies); }
    void TearDown() override { deleteKeyTree(kPolicies); }

    // Two places stored; the window removes the first; then the other program stores its own list.
    static void unsavedWhileAnotherProgramStoresItsList(const Editor& editor) {
        mouse::click(editor.window(), editor.list().itemPoint(0));
        editor.click(ids::kRemoveItem);
        deleteKeyTree(kPlacesBar);
        storePlaces(othersList());
        settle(editor.window());
        ASSERT_EQ(editor.entries(), Names{shellFolderName(kCsidlDrives)}) << "an unsaved list is never reloaded";
    }
    static std::vector<RegValue> othersList() { return {RegValue::string(kWindows), expandable(L"%SystemRoot%")}; }

    static MessageBoxView theQuestion(const Editor& editor) {
        const MessageBoxView box = editor.question();
        EXPECT_EQ(box.caption, L"Quorlane");
        EXPECT_EQ(box.text, L"The places bar was changed by another program since Quorlane read it.\n\nReplace it with your list?");
        for (int id : {IDYES, IDNO, IDCANCEL}) {
            const bool isDefault = (::GetWindowLongW(control(box.box, id), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
            EXPECT_EQ(isDefault, id == IDCANCEL) << "button " << id << ": Cancel is the default";
        }
        return box;
    }
};

TEST_F(SharedPlacesE2E, AnExpandablePathShowsItsStoredTextAndApplyKeepsItsTypeAndBytes) {
    const RegValue system32 = expandable(L"%SystemRoot%\\system32");
    storePlaces({system32, RegValue::dword(kCsidlPersonal)});
    const Editor editor;
    EXPECT_EQ(editor.entries(), (Names{shellPathName(L"C:\\windows\\system32") + L": %SystemRoot%\\system32",
                                       shellFolderName(kCsidlPersonal)}));
    EXPECT_TRUE(showsIcon(editor.list(), 0, [](COLORREF bk) { return shellPathIcon(L"C:\\windows\\system32", bk); }));

    editor.click(ids::kApplyChanges);
    EXPECT_EQ(storedNames(), (Names{L"Place0", L"Place1"}));
    EXPECT_EQ(storedPlaces(), (std::vector<RegValue>{system32, RegValue::dword(kCsidlPersonal)}));
}

TEST_F(SharedPlacesE2E, PlacesThatDoNotResolveAreMarkedPolicyEditorNamesShowTheirFolderAndApplyKeepsThemAll) {
    const std::vector<RegValue> places{RegValue::string(L"C:\\no\\such\\folder"), RegValue::dword(0xFFFFFFFD),
                                       RegValue::string(L"mydocuments")};
    storePlaces(places);
    const Editor editor;
    EXPECT_EQ(editor.entries(), (Names{missingPathEntry(L"C:\\no\\such\\folder"), L"Special folder -3 (not found)",
                                       shellFolderName(kCsidlPersonal)}));
    // The shell's folder icon, not the image list's first icon that a failed lookup gives.
    const auto folder = [](COLORREF bk) { return shellPathIcon(kWindows, bk); };
    EXPECT_TRUE(showsIcon(editor.list(), 0, folder));
    EXPECT_TRUE(showsIcon(editor.list(), 1, folder));
    EXPECT_TRUE(showsIcon(editor.list(), 2, [](COLORREF bk) { return shellFolderIcon(kCsidlPersonal, bk); }));

    editor.click(ids::kApplyChanges);
    EXPECT_EQ(storedPlaces(), places);
    EXPECT_EQ(storedNames().size(), places.size());
}

TEST_F(SharedPlacesE2E, ApplyAsksAndCancelKeepsBothSidesThenYesStoresTheWindowsList) {
    storePlaces({RegValue::dword(kCsidlPersonal), RegValue::dword(kCsidlDrives)});
    const Editor editor;
    unsavedWhileAnotherProgramStoresItsList(editor);

    editor.click(ids::kApplyChanges);
    answer(theQuestion(editor), IDCANCEL);
    EXPECT_EQ(storedPlaces(), othersList());
    EXPECT_EQ(editor.entries(), Names{shellFolderName(kCsidlDrives)});
    EXPECT_TRUE(editor.closeAsksAndCancelKeepsItOpen()) << "still unsaved";

    editor.click(ids::kApplyChanges);
    answer(theQuestion(editor), IDYES);
    EXPECT_EQ(storedNames(), Names{L"Place0"});
    EXPECT_EQ(stored(L"Place0"), RegValue::dword(kCsidlDrives));
    editor.click(ids::kApplyChanges);
    EXPECT_TRUE(editor.staysOpen()) << "its own save is no other program's change";
}

TEST_F(SharedPlacesE2E, NoThroughCloseShowsTheOtherProgramsListAndCloseThenExitsWithoutAsking) {
    storePlaces({RegValue::dword(kCsidlPersonal), RegValue::dword(kCsidlDrives)});
    const Editor editor;
    unsavedWhileAnotherProgramStoresItsList(editor);

    editor.click(ids::kExitApp);
    answer(editor.question(), IDYES);  // "Apply changes before exiting?"
    answer(theQuestion(editor), IDNO);
    EXPECT_TRUE(editor.staysOpen()) << "No saved nothing, so Close does not go on";
    EXPECT_EQ(editor.entries(), (Names{pathEntry(kWindows), shellPathName(kWindows) + L": %SystemRoot%"}));
    editor.click(ids::kExitApp);
    EXPECT_TRUE(editor.endsWithoutAsking());
    EXPECT_EQ(storedPlaces(), othersList());
}

TEST_F(SharedPlacesE2E, WithNothingUnsavedAnotherProgramsChangesShowWithoutAQuestion) {
    store(L"Place0", RegValue::dword(kCsidlPersonal));
    const Editor editor;
    store(L"Place1", RegValue::dword(kCsidlDrives));
    ASSERT_TRUE(waitUntil([&] { return editor.entries().size() == 2; }));
    EXPECT_EQ(editor.entries(), (Names{shellFolderName(kCsidlPersonal), shellFolderName(kCsidlDrives)}));

    deleteKeyTree(kPolicies);
    ASSERT_TRUE(waitUntil([&] { return checked(editor.control(ids::kCustomizeNo)); }));
    EXPECT_EQ(editor.entries(), Names{});
    store(L"Place0", expandable(L"%SystemRoot%"));
    ASSERT_TRUE(waitUntil([&] { return checked(editor.control(ids::kCustomizeYes)); }));
    EXPECT_EQ(editor.entries(), Names{shellPathName(kWindows) + L": %SystemRoot%"});
    editor.click(ids::kExitApp);
    EXPECT_TRUE(editor.endsWithoutAsking()) << "a reload leaves nothing unsaved";
}

}  // namespace
}  // namespace ql::e2e
