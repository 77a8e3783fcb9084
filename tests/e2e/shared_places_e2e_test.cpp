// The places bar is shared: other programs write it too. Here the test process is that other
// program, writing the same key while quorlane.exe shows it. Places that the window cannot show
// as folders are still kept as stored, a change by another program is never overwritten without
// asking, and with nothing unsaved the window follows the key. Every test starts from a profile
// without a Policies key.
#include "common/utf16_bytes.h"
#include "common/win_text.h"
#include "tests/e2e/editor_window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>

namespace ql::e2e {
namespace {

constexpr wchar_t kQuestion[] =
    L"The places bar was changed by another program since Quorlane read it.\n\nReplace it with your list?";
constexpr wchar_t kWindows[] = L"C:\\windows";
constexpr wchar_t kMissingFolder[] = L"C:\\no\\such\\folder";

// A REG_EXPAND_SZ value: the text unexpanded, with its NUL.
RegValue expandable(std::wstring_view textValue) {
    return RegValue::raw(REG_EXPAND_SZ, utf16leBytes(win::toU16(textValue), true));
}

COLORREF background(const ListView& list) { return static_cast<COLORREF>(ask(list.hwnd(), LVM_GETBKCOLOR)); }

bool showsIcon(const ListView& list, int item, const Pixels& icon) {
    const RECT box = list.itemRect(item, LVIR_ICON);
    return !icon.rgb.empty() && find(capture(RECT{box.left - 4, box.top - 4, box.right + 4, box.bottom + 4}), icon);
}

class SharedPlacesE2E : public ::testing::Test {
protected:
    void SetUp() override { deleteKeyTree(kPolicies); }
    void TearDown() override { deleteKeyTree(kPolicies); }

    // Two places stored; the window removes the first, so it has something unsaved; then the other
    // program stores a third list over the key.
    static void removeFirstThenAnotherProgramStoresItsList(const Editor& editor) {
        ASSERT_EQ(editor.entries().size(), 2u);
        mouse::click(editor.window(), editor.list().itemPoint(0));
        editor.click(ids::kRemoveItem);
        ASSERT_EQ(editor.entries(), Names{shellFolderName(kCsidlDrives)});
        deleteKeyTree(kPlacesBar);
        storePlaces(othersList());
        settle(editor.window());
        ASSERT_EQ(editor.entries(), Names{shellFolderName(kCsidlDrives)}) << "reloaded over an unsaved list";
    }
    static std::vector<RegValue> othersList() {
        return {RegValue::string(kWindows), RegValue::dword(kCsidlDesktop), expandable(L"%SystemRoot%")};
    }
    static Names othersEntries() {
        return {pathEntry(kWindows), shellFolderName(kCsidlDesktop), shellPathName(kWindows) + L": %SystemRoot%"};
    }
    static MessageBoxView theQuestion(const Editor& editor) {
        const MessageBoxView box = editor.question();
        EXPECT_EQ(box.caption, L"Quorlane");
        EXPECT_EQ(box.text, kQuestion);
        for (int id : {IDYES, IDNO, IDCANCEL}) {
            const bool isDefault = (::GetWindowLongW(control(box.box, id), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
            EXPECT_EQ(isDefault, id == IDCANCEL) << "button " << id << ": Cancel is the default";
        }
        return box;
    }

    void storeTwoPlaces() { storePlaces({RegValue::dword(kCsidlPersonal), RegValue::dword(kCsidlDrives)}); }
};

// ---- Places as they are stored ------------------------------------------------------------------

TEST_F(SharedPlacesE2E, AnExpandablePathShowsItsStoredTextAndApplyKeepsItsTypeAndBytes) {
    const RegValue system32 = expandable(L"%SystemRoot%\\system32");
    storePlaces({system32, RegValue::dword(kCsidlPersonal)});

    const Editor editor;
    const std::wstring expanded = std::wstring(kWindows) + L"\\system32";
    EXPECT_EQ(editor.entries(), (Names{shellPathName(expanded) + L": %SystemRoot%\\system32", shellFolderName(kCsidlPersonal)}));
    EXPECT_TRUE(showsIcon(editor.list(), 0, shellPathIcon(expanded, background(editor.list()))));

    editor.click(ids::kApplyChanges);
    EXPECT_EQ(storedNames(), (Names{L"Place0", L"Place1"}));
    EXPECT_EQ(stored(L"Place0"), system32);
    EXPECT_EQ(stored(L"Place1"), RegValue::dword(kCsidlPersonal));
}

TEST_F(SharedPlacesE2E, PlacesThatDoNotResolveAreMarkedAndPolicyEditorNamesShowTheirFolderAndApplyKeepsThemAll) {
    const std::vector<RegValue> places{RegValue::string(kMissingFolder), RegValue::dword(static_cast<std::uint32_t>(-3)),
                                       RegValue::string(L"mydocuments"), RegValue::dword(49)};
    storePlaces(places);

    const Editor editor;
    EXPECT_EQ(editor.entries(), (Names{missingPathEntry(kMissingFolder), L"Special folder -3 (not found)",
                                       shellFolderName(kCsidlPersonal), L"Special folder 49 (not found)"}));
    // The shell's generic folder icon, not the first icon of the image list that a failed lookup gives.
    const ListView list = editor.list();
    const Pixels folder = shellPathIcon(kWindows, background(list));
    EXPECT_TRUE(showsIcon(list, 0, folder));
    EXPECT_TRUE(showsIcon(list, 1, folder));
    EXPECT_TRUE(showsIcon(list, 2, shellFolderIcon(kCsidlPersonal, background(list))));

    editor.click(ids::kApplyChanges);
    EXPECT_EQ(storedPlaces(), places);
    EXPECT_EQ(storedNames().size(), places.size());
}

// ---- A change by another program while the window has unsaved changes ---------------------------

TEST_F(SharedPlacesE2E, ApplyAsksAndCancelKeepsBothSidesThenYesStoresTheWindowsList) {
    storeTwoPlaces();
    const Editor editor;
    removeFirstThenAnotherProgramStoresItsList(editor);

    editor.click(ids::kApplyChanges);
    answer(theQuestion(editor), IDCANCEL);
    EXPECT_TRUE(editor.staysOpen());
    EXPECT_EQ(storedPlaces(), othersList());
    EXPECT_EQ(editor.entries(), Names{shellFolderName(kCsidlDrives)});
    EXPECT_TRUE(editor.closeAsksAndCancelKeepsItOpen()) << "Cancel keeps the list unsaved";

    editor.click(ids::kApplyChanges);
    answer(theQuestion(editor), IDYES);
    EXPECT_EQ(storedNames(), Names{L"Place0"});
    EXPECT_EQ(stored(L"Place0"), RegValue::dword(kCsidlDrives));

    editor.click(ids::kApplyChanges);
    EXPECT_TRUE(editor.staysOpen()) << "its own save is no change by another program";
    editor.click(ids::kExitApp);
    EXPECT_TRUE(editor.endsWithoutAsking());
}

TEST_F(SharedPlacesE2E, NoShowsTheOtherProgramsListAndCloseThenExitsWithoutAsking) {
    storeTwoPlaces();
    const Editor editor;
    removeFirstThenAnotherProgramStoresItsList(editor);

    // Through Close: Yes to applying runs into the question; its No does not let Close go on.
    editor.click(ids::kExitApp);
    const MessageBoxView apply = editor.question();
    ASSERT_EQ(apply.text, L"Apply changes before exiting?");
    answer(apply, IDYES);
    answer(theQuestion(editor), IDNO);
    EXPECT_TRUE(editor.staysOpen());
    EXPECT_EQ(editor.entries(), othersEntries());
    EXPECT_TRUE(checked(editor.control(ids::kCustomizeYes)));
    EXPECT_EQ(storedPlaces(), othersList());

    editor.click(ids::kExitApp);
    EXPECT_TRUE(editor.endsWithoutAsking());
    EXPECT_EQ(storedPlaces(), othersList());
}

TEST_F(SharedPlacesE2E, TestDoesNotGoOnAfterCancelToTheQuestion) {
    storeTwoPlaces();
    const Editor editor;
    removeFirstThenAnotherProgramStoresItsList(editor);

    editor.click(ids::kTestDialog);
    const MessageBoxView apply = editor.question();
    ASSERT_EQ(apply.text, L"Apply changes before testing settings?");
    answer(apply, IDYES);
    answer(theQuestion(editor), IDCANCEL);
    EXPECT_TRUE(editor.staysOpen()) << "no Open dialog";
    EXPECT_EQ(storedPlaces(), othersList());
}

// ---- Following the key while nothing is unsaved -------------------------------------------------

TEST_F(SharedPlacesE2E, WithNothingUnsavedAnotherProgramsChangesShowWithoutAQuestion) {
    store(L"Place0", RegValue::dword(kCsidlPersonal));
    const Editor editor;
    ASSERT_EQ(editor.entries(), Names{shellFolderName(kCsidlPersonal)});

    const auto written = std::chrono::steady_clock::now();
    store(L"Place1", RegValue::dword(kCsidlDrives));
    ASSERT_TRUE(waitUntil([&] { return editor.entries().size() == 2; }));
    std::cout << "[  shown   ] an added place after "
              << std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - written).count()
              << " ms" << std::endl;
    EXPECT_EQ(editor.entries(), (Names{shellFolderName(kCsidlPersonal), shellFolderName(kCsidlDrives)}));
    EXPECT_TRUE(editor.staysOpen());

    deleteKeyTree(kPolicies);
    ASSERT_TRUE(waitUntil([&] { return checked(editor.control(ids::kCustomizeNo)); }));
    EXPECT_EQ(editor.entries(), Names{});
    EXPECT_FALSE(editor.enabled(ids::kAddFolder));

    store(L"Place0", expandable(L"%SystemRoot%"));
    ASSERT_TRUE(waitUntil([&] { return checked(editor.control(ids::kCustomizeYes)); }));
    EXPECT_EQ(editor.entries(), Names{shellPathName(kWindows) + L": %SystemRoot%"});
    editor.click(ids::kExitApp);
    EXPECT_TRUE(editor.endsWithoutAsking()) << "a reload leaves nothing unsaved";
}

}  // namespace
}  // namespace ql::e2e
