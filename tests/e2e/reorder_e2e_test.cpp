// Reordering with the real mouse and keyboard, and the special folder picker behind "Add special...".
// The drags are real input (SendInput): press, paced moves, release, as a hand makes them. Every
// test starts from a profile without a Policies key.
#include "picker/picker_ids.h"
#include "tests/e2e/editor_window.h"
#include "common/win_texts.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <iostream>
#include <utility>

namespace ql::e2e {
namespace {

constexpr wchar_t kWindows[] = L"C:\\windows";
constexpr wchar_t kUsers[] = L"C:\\users";
constexpr int kFirstCsidl = 0;
constexpr int kLastCsidl = 49;

// A B C D E: three special folders and two paths, every value different.
const std::vector<RegValue>& placesABCDE() {
    static const std::vector<RegValue> places{RegValue::dword(kCsidlDesktop), RegValue::dword(kCsidlPersonal),
                                              RegValue::dword(kCsidlDrives), RegValue::string(kWindows),
                                              RegValue::string(kUsers)};
    return places;
}

Names entriesABCDE() {
    return {shellFolderName(kCsidlDesktop), shellFolderName(kCsidlPersonal), shellFolderName(kCsidlDrives),
            pathEntry(kWindows), pathEntry(kUsers)};
}

using Order = std::array<size_t, 5>;

template <typename T>
std::vector<T> inOrder(const std::vector<T>& items, const Order& order) {
    std::vector<T> result;
    for (size_t i : order) result.push_back(items.at(i));
    return result;
}

std::vector<int> images(const ListView& list) {
    std::vector<int> result;
    for (int i = 0; i < list.count(); ++i) result.push_back(list.image(i));
    return result;
}

POINT between(POINT from, POINT to, int step, int steps) {
    return POINT{from.x + (to.x - from.x) * step / steps, from.y + (to.y - from.y) * step / steps};
}

// Moves the pointer from `from` to `to` in steps, the buttons held as they are.
void glide(const Editor& editor, POINT from, POINT to) {
    constexpr int kSteps = 6;
    for (int i = 1; i <= kSteps; ++i) mouse::moveTo(editor.window(), between(from, to, i, kSteps));
}

RECT windowRect(HWND hwnd) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r;
}

class ReorderE2E : public ::testing::Test {
protected:
    void SetUp() override {
        deleteKeyTree(kPolicies);
        storePlaces(placesABCDE());
    }
    void TearDown() override { deleteKeyTree(kPolicies); }
};

// ---- Dragging -----------------------------------------------------------------------------------

struct Drop {
    const char* name;
    int dragged;
    int target;
    Order order;
};

class DropE2E : public ReorderE2E, public ::testing::WithParamInterface<Drop> {};

TEST_P(DropE2E, TheDraggedEntryTakesTheTargetsPlaceAndApplyStoresTheNewOrder) {
    const Drop& drop = GetParam();
    const Editor editor;
    const ListView list = editor.list();
    ASSERT_EQ(editor.entries(), entriesABCDE());
    const std::vector<int> icons = images(list);

    mouse::drag(editor.window(), list.itemPoint(drop.dragged), list.itemPoint(drop.target));
    EXPECT_EQ(editor.entries(), inOrder(entriesABCDE(), drop.order));
    EXPECT_EQ(images(list), inOrder(icons, drop.order)) << "every entry keeps its icon";
    EXPECT_FALSE(::IsWindowVisible(editor.control(ids::kDropZone))) << "the marker is gone";
    EXPECT_TRUE(editor.closeAsksAndCancelKeepsItOpen());

    editor.click(ids::kApplyChanges);
    EXPECT_EQ(storedPlaces(), inOrder(placesABCDE(), drop.order)) << "each value unchanged, in the new order";
    EXPECT_EQ(storedNames().size(), 5u);
    editor.click(ids::kExitApp);
    EXPECT_TRUE(editor.endsWithoutAsking());
}

INSTANTIATE_TEST_SUITE_P(, DropE2E,
                         ::testing::Values(Drop{"BOntoD", 1, 3, {0, 2, 3, 1, 4}}, Drop{"DOntoB", 3, 1, {0, 3, 1, 2, 4}},
                                           Drop{"EOntoA", 4, 0, {4, 0, 1, 2, 3}}, Drop{"AOntoE", 0, 4, {1, 2, 3, 4, 0}},
                                           Drop{"BOntoItsNeighbourC", 1, 2, {0, 2, 1, 3, 4}}),
                         [](const ::testing::TestParamInfo<Drop>& drop) { return std::string(drop.param.name); });

TEST_F(ReorderE2E, TheTargetIsHighlightedTheDraggedEntryGhostedAndTheMarkerStandsAtTheBoundary) {
    const Editor editor;
    const ListView list = editor.list();
    const HWND marker = editor.control(ids::kDropZone);
    const RECT listBounds = windowRect(list.hwnd());
    const POINT b = list.itemPoint(1);
    const POINT d = list.itemPoint(3);
    EXPECT_FALSE(::IsWindowVisible(marker)) << "hidden at start";

    // B over D, which lies below it: the boundary is D's bottom edge.
    mouse::press(editor.window(), b);
    glide(editor, b, d);
    EXPECT_TRUE(list.state(3, LVIS_DROPHILITED));
    EXPECT_TRUE(list.state(1, LVIS_CUT)) << "the dragged entry is ghosted";
    ASSERT_TRUE(::IsWindowVisible(marker));
    RECT shown = windowRect(marker);
    EXPECT_EQ(shown.top, list.itemRect(3).bottom);
    // Wider than the list by the same length on either side, and beneath it: only the two ends show.
    EXPECT_GT(listBounds.left - shown.left, 0);
    EXPECT_EQ(listBounds.left - shown.left, shown.right - listBounds.right);
    EXPECT_EQ(::GetWindow(list.hwnd(), GW_HWNDNEXT), marker);

    // Back over the dragged entry itself: no target.
    glide(editor, d, b);
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(list.state(i, LVIS_DROPHILITED | LVIS_CUT)) << "entry " << i;
    EXPECT_FALSE(::IsWindowVisible(marker));
    mouse::release(editor.window(), b);
    EXPECT_EQ(editor.entries(), entriesABCDE());

    // D over B, which lies above it: the boundary is B's top edge.
    mouse::press(editor.window(), d);
    glide(editor, d, b);
    EXPECT_TRUE(list.state(1, LVIS_DROPHILITED));
    EXPECT_TRUE(list.state(3, LVIS_CUT));
    ASSERT_TRUE(::IsWindowVisible(marker));
    shown = windowRect(marker);
    EXPECT_EQ(shown.top, list.itemRect(1).top);
    mouse::release(editor.window(), b);
    EXPECT_EQ(editor.entries(), inOrder(entriesABCDE(), {0, 3, 1, 2, 4}));
    EXPECT_FALSE(::IsWindowVisible(marker));
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(list.state(i, LVIS_DROPHILITED | LVIS_CUT)) << "entry " << i;
}

TEST_F(ReorderE2E, ReleasingOnTheDraggedEntryOrOnEmptySpaceChangesNothing) {
    const Editor editor;
    const ListView list = editor.list();
    const POINT b = list.itemPoint(1);
    const POINT d = list.itemPoint(3);
    const RECT last = list.itemRect(4);
    const RECT listBounds = windowRect(list.hwnd());
    ASSERT_LT(last.bottom + 4, listBounds.bottom - 4) << "the list has room below its entries";
    const POINT belowTheEntries{b.x, (last.bottom + listBounds.bottom) / 2};
    const POINT belowTheList{b.x, listBounds.bottom + 6};

    // Over D, then back onto B itself.
    mouse::press(editor.window(), b);
    glide(editor, b, d);
    glide(editor, d, b);
    mouse::release(editor.window(), b);
    EXPECT_EQ(editor.entries(), entriesABCDE());

    // Over D, then onto the empty space below the last entry.
    mouse::press(editor.window(), b);
    glide(editor, b, d);
    glide(editor, d, belowTheEntries);
    EXPECT_FALSE(list.state(3, LVIS_DROPHILITED)) << "empty space is no target";
    mouse::release(editor.window(), belowTheEntries);
    EXPECT_EQ(editor.entries(), entriesABCDE());

    // Over D, then out of the list.
    mouse::press(editor.window(), b);
    glide(editor, b, d);
    glide(editor, d, belowTheList);
    mouse::release(editor.window(), belowTheList);
    EXPECT_EQ(editor.entries(), entriesABCDE());

    // A press and release without moving.
    mouse::click(editor.window(), b);
    EXPECT_EQ(editor.entries(), entriesABCDE());

    editor.click(ids::kExitApp);
    EXPECT_TRUE(editor.endsWithoutAsking()) << "nothing moved, nothing changed";
}

TEST_F(ReorderE2E, ARightButtonPressDuringADragCancelsIt) {
    const Editor editor;
    const ListView list = editor.list();
    const POINT b = list.itemPoint(1);
    const POINT d = list.itemPoint(3);

    mouse::press(editor.window(), b);
    glide(editor, b, d);
    ASSERT_TRUE(list.state(3, LVIS_DROPHILITED));
    mouse::rightClick(editor.window(), d);
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(list.state(i, LVIS_DROPHILITED | LVIS_CUT)) << "entry " << i;
    EXPECT_FALSE(::IsWindowVisible(editor.control(ids::kDropZone)));

    // The left button is still down; moving on and releasing over D moves nothing.
    glide(editor, d, list.itemPoint(4));
    mouse::release(editor.window(), list.itemPoint(4));
    EXPECT_EQ(editor.entries(), entriesABCDE());

    editor.click(ids::kExitApp);
    EXPECT_TRUE(editor.endsWithoutAsking());
}

// ---- The keyboard -------------------------------------------------------------------------------

TEST_F(ReorderE2E, AltUpAndAltDownMoveTheSelectedEntryWhichStaysSelected) {
    const Editor editor;
    const ListView list = editor.list();
    editor.entries();  // each entry's icon comes with its name
    const std::vector<int> icons = images(list);

    mouse::click(editor.window(), list.itemPoint(2));  // C
    pressKey(editor.window(), VK_UP, {VK_MENU});
    EXPECT_EQ(editor.entries(), inOrder(entriesABCDE(), {0, 2, 1, 3, 4}));
    EXPECT_EQ(list.selection(), std::vector<int>{1});

    pressKey(editor.window(), VK_DOWN, {VK_MENU});
    pressKey(editor.window(), VK_DOWN, {VK_MENU});
    const Order order{0, 1, 3, 2, 4};
    EXPECT_EQ(editor.entries(), inOrder(entriesABCDE(), order));
    EXPECT_EQ(list.selection(), std::vector<int>{3});
    EXPECT_EQ(images(list), inOrder(icons, order));
    EXPECT_TRUE(editor.closeAsksAndCancelKeepsItOpen());

    editor.click(ids::kApplyChanges);
    EXPECT_EQ(storedPlaces(), inOrder(placesABCDE(), order));
}

TEST_F(ReorderE2E, AltUpOnTheFirstEntryAndAltDownOnTheLastChangeNothing) {
    const Editor editor;
    const ListView list = editor.list();

    mouse::click(editor.window(), list.itemPoint(0));
    pressKey(editor.window(), VK_UP, {VK_MENU});
    EXPECT_EQ(list.selection(), std::vector<int>{0});
    mouse::click(editor.window(), list.itemPoint(4));
    pressKey(editor.window(), VK_DOWN, {VK_MENU});
    EXPECT_EQ(list.selection(), std::vector<int>{4});
    EXPECT_EQ(editor.entries(), entriesABCDE());

    editor.click(ids::kExitApp);
    EXPECT_TRUE(editor.endsWithoutAsking());
}

// ---- The special folder picker ------------------------------------------------------------------

struct SpecialFolder {
    int csidl;
    std::wstring name;
};

// The special folders that the shell resolves, in CSIDL order.
const std::vector<SpecialFolder>& resolvedSpecialFolders() {
    static const std::vector<SpecialFolder> folders = [] {
        std::vector<SpecialFolder> found;
        for (int csidl = kFirstCsidl; csidl <= kLastCsidl; ++csidl) {
            if (std::wstring name = shellFolderName(csidl); !name.empty()) found.push_back({csidl, std::move(name)});
        }
        return found;
    }();
    return folders;
}

class PickerE2E : public ::testing::Test {
protected:
    // An empty customized list: both Add buttons are offered.
    void SetUp() override {
        deleteKeyTree(kPolicies);
        createKey(kPlacesBar);
    }
    void TearDown() override { deleteKeyTree(kPolicies); }
};

ListView pickerList(HWND picker) { return ListView(control(picker, picker::ids::kFolderList)); }

// The picker shown with its entries' own icons: until they are in, every entry shows the plain
// folder icon, which the desktop's (the first entry's) never is.
HWND openPicker(const Editor& editor) {
    editor.click(ids::kAddSpecial);
    const HWND picker = editor.waitForDialog(win::loadText(IDS_PICKER_CAPTION));
    const ListView list = pickerList(picker);
    EXPECT_TRUE(waitUntil([&] { return list.count() > 1 && list.image(0) != list.image(1); })) << "the icons never came";
    return picker;
}

bool hidden(HWND picker) { return waitUntil([&] { return !::IsWindowVisible(picker); }); }

// The entry's icon, scrolled into view, is the shell's icon for its folder. The look-up workers
// may add to the shell's image list while the list paints from it: a second paint has the last word.
::testing::AssertionResult showsShellIcon(const ListView& list, int item, int csidl) {
    ask(list.hwnd(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE);
    const Pixels icon = shellFolderIcon(csidl, static_cast<COLORREF>(ask(list.hwnd(), LVM_GETBKCOLOR)));
    if (icon.rgb.empty()) return ::testing::AssertionFailure() << "the shell has no icon for CSIDL " << csidl;
    for (int paint = 0; paint < 2; ++paint, ::InvalidateRect(list.hwnd(), nullptr, TRUE)) {
        waitForPaint(list.hwnd());
        if (find(capture(list.itemRect(item, LVIR_ICON)), icon)) return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "entry " << item << " (image " << list.image(item)
                                         << ") does not show the icon of CSIDL " << csidl << ", painted twice";
}

TEST_F(PickerE2E, ListsTheSpecialFoldersThatTheShellResolvesInCsidlOrderEachWithItsIcon) {
    const Editor editor;
    const HWND picker = openPicker(editor);
    const ListView list = pickerList(picker);
    EXPECT_EQ(owner(picker), editor.window());
    EXPECT_FALSE(enabled(editor.window())) << "the picker is modal";

    Names expected;
    for (const auto& folder : resolvedSpecialFolders()) expected.push_back(folder.name);
    // After them the known folders without a number, Downloads first.
    const Names texts = list.texts();
    ASSERT_GT(texts.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        // A name that others share says where it leads, or its number.
        EXPECT_TRUE(texts[i] == expected[i] || texts[i].starts_with(expected[i] + L": ")) << narrowText(texts[i]);
    }
    EXPECT_EQ(texts[expected.size()], L"Downloads");
    std::cout << "[ picker   ] " << expected.size() << " special folders of CSIDL " << kFirstCsidl << " to "
              << kLastCsidl << ", " << texts.size() - expected.size() << " known folders\n";
    RecordProperty("entries", list.count());
    EXPECT_EQ(list.selection(), std::vector<int>{0});

    // A selected entry shows its icon blended with the selection colour: the first is seen once
    // another is selected.
    const auto& folders = resolvedSpecialFolders();
    for (size_t i = 1; i < folders.size(); ++i) EXPECT_TRUE(showsShellIcon(list, static_cast<int>(i), folders[i].csidl));
    ask(list.hwnd(), LVM_ENSUREVISIBLE, 1, FALSE);
    mouse::click(picker, list.itemPoint(1));
    EXPECT_TRUE(showsShellIcon(list, 0, folders[0].csidl));

    click(control(picker, picker::ids::kCancel));
}

TEST_F(PickerE2E, OkAtOnceAddsTheFirstSpecialFolderAndApplyStoresItsNumber) {
    ASSERT_EQ(resolvedSpecialFolders().front().csidl, kCsidlDesktop);
    const Editor editor;
    const HWND picker = openPicker(editor);
    click(control(picker, picker::ids::kOk));
    EXPECT_TRUE(hidden(picker));
    EXPECT_TRUE(editor.staysOpen());
    EXPECT_EQ(editor.entries(), Names{shellFolderName(kCsidlDesktop)});
    EXPECT_TRUE(editor.closeAsksAndCancelKeepsItOpen());

    editor.click(ids::kApplyChanges);
    EXPECT_EQ(storedNames(), Names{L"Place0"});
    EXPECT_EQ(stored(L"Place0"), RegValue::dword(kCsidlDesktop));
}

TEST_F(PickerE2E, EnterAddsTheSelectedFolderAndADoubleClickTheOneClicked) {
    const auto& folders = resolvedSpecialFolders();
    ASSERT_GT(folders.size(), 5u);
    const Editor editor;

    HWND picker = openPicker(editor);
    ListView list = pickerList(picker);
    mouse::click(picker, list.itemPoint(3));
    pressKey(picker, VK_RETURN);
    EXPECT_TRUE(hidden(picker));

    picker = openPicker(editor);
    list = pickerList(picker);
    mouse::doubleClick(picker, list.itemPoint(5));
    EXPECT_TRUE(hidden(picker));

    EXPECT_EQ(editor.entries(), (Names{folders[3].name, folders[5].name}));
    editor.click(ids::kApplyChanges);
    EXPECT_EQ(storedPlaces(), (std::vector<RegValue>{RegValue::dword(static_cast<std::uint32_t>(folders[3].csidl)),
                                                     RegValue::dword(static_cast<std::uint32_t>(folders[5].csidl))}));
}

TEST_F(PickerE2E, CancelEscapeAndTheCloseBoxAddNothing) {
    const Editor editor;
    const std::vector<std::pair<const char*, std::function<void(HWND)>>> ways{
        {"Cancel", [](HWND picker) { click(control(picker, picker::ids::kCancel)); }},
        {"Esc", [](HWND picker) { pressKey(picker, VK_ESCAPE); }},
        {"the close box", [](HWND picker) { closeFromTitleBar(picker); }},
    };
    // A choice made, then dropped; each time another entry, or two clicks on one spot would
    // make a double-click, which chooses.
    int chosen = 2;
    for (const auto& [way, cancel] : ways) {
        const HWND picker = openPicker(editor);
        const ListView list = pickerList(picker);
        mouse::click(picker, list.itemPoint(chosen++));
        cancel(picker);
        EXPECT_TRUE(hidden(picker)) << way;
        EXPECT_TRUE(editor.staysOpen()) << way;
        EXPECT_EQ(editor.list().count(), 0) << way;
    }

    editor.click(ids::kExitApp);
    EXPECT_TRUE(editor.endsWithoutAsking()) << "cancelling is no change";
    EXPECT_EQ(storedNames(), Names{});
}

TEST_F(PickerE2E, ASecondShowingHasTheSameEntriesWithTheFirstSelectedAgain) {
    const Editor editor;
    const HWND picker = openPicker(editor);
    const ListView list = pickerList(picker);
    const Names names = list.texts();
    const std::vector<int> icons = images(list);
    mouse::click(picker, list.itemPoint(3));
    ASSERT_EQ(list.selection(), std::vector<int>{3});
    click(control(picker, picker::ids::kCancel));
    ASSERT_TRUE(hidden(picker));

    const HWND again = openPicker(editor);
    EXPECT_EQ(again, picker) << "the same window, hidden in between";
    const ListView listAgain = pickerList(again);
    EXPECT_EQ(listAgain.texts(), names);
    EXPECT_EQ(images(listAgain), icons);
    EXPECT_EQ(listAgain.selection(), std::vector<int>{0});
    click(control(again, picker::ids::kCancel));
}

// The picker asks the shell on a thread of its own while the window comes up: closed at once, while
// the questions may still run, the program ends all the same.
TEST_F(PickerE2E, ClosingTheWindowAtOnceEndsTheProgramWhileThePickersLookUpsMayStillRun) {
    const Editor editor;
    closeFromTitleBar(editor.window());
    EXPECT_TRUE(editor.endsWithoutAsking());
}

}  // namespace
}  // namespace ql::e2e
