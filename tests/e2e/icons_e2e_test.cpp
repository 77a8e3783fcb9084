// The shell's icons in the main window's list, seen from outside: every entry shows the icon that
// the shell has for its place, and the list keeps the shell's image lists against anyone else.
//
// The system image list is built per process, in the order in which a process asks for icons, so
// the index that quorlane.exe shows differs from the index that the test process gets for the same
// place (Documents is 4 in the program, which asked for the special folders 0 to 49 first, and 2
// in a test process that asks for it first). An index is therefore checked through what it shows:
// the pixels on the screen where the entry's icon stands are the shell's icon for its place.
#include "tests/e2e/editor_window.h"

#include <gtest/gtest.h>

namespace ql::e2e {
namespace {

constexpr wchar_t kWindows[] = L"C:\\windows";

class IconsE2E : public ::testing::Test {
protected:
    void SetUp() override {
        deleteKeyTree(kPolicies);
        store(L"Place0", RegValue::dword(kCsidlPersonal));
        store(L"Place1", RegValue::string(kWindows));
    }
    void TearDown() override { deleteKeyTree(kPolicies); }
};

COLORREF background(const ListView& list) { return static_cast<COLORREF>(ask(list.hwnd(), LVM_GETBKCOLOR)); }

// The entry's icon box on the screen, and a margin around it.
Pixels iconArea(const ListView& list, int item) {
    constexpr LONG kMargin = 4;
    const RECT icon = list.itemRect(item, LVIR_ICON);
    return capture(RECT{icon.left - kMargin, icon.top - kMargin, icon.right + kMargin, icon.bottom + kMargin});
}

::testing::AssertionResult shows(const Pixels& area, const Pixels& icon) {
    if (icon.rgb.empty()) return ::testing::AssertionFailure() << "the shell has no icon for the place";
    if (find(area, icon)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the icon is not on the screen";
}

TEST_F(IconsE2E, EveryEntryShowsTheShellIconOfItsPlace) {
    const Editor editor;
    const ListView list = editor.list();
    ASSERT_EQ(list.count(), 2);
    const Pixels documents = shellFolderIcon(kCsidlPersonal, background(list));
    const Pixels windows = shellPathIcon(kWindows, background(list));
    ASSERT_NE(documents.rgb, windows.rgb) << "the two places must look different for the check to tell them apart";

    EXPECT_TRUE(shows(iconArea(list, 0), documents));
    EXPECT_FALSE(shows(iconArea(list, 0), windows));
    EXPECT_TRUE(shows(iconArea(list, 1), windows));
    EXPECT_FALSE(shows(iconArea(list, 1), documents));
    EXPECT_NE(list.image(0), list.image(1)) << "two different icons, two indices of the program's system image list";
}

TEST_F(IconsE2E, AnAddedFolderShowsItsIconToo) {
    const Editor editor;
    editor.click(ids::kAddSpecial);
    const HWND picker = editor.waitForDialog(L"Choose special folder to add to PlacesBar");
    click(control(picker, IDOK));  // the first special folder: the desktop
    ASSERT_EQ(editor.entries().size(), 3u);
    const ListView list = editor.list();
    ASSERT_EQ(list.count(), 3);
    // Unselected, so that it is drawn as it stands in the list.
    const RECT last = list.itemRect(2);
    mouse::click(editor.window(), POINT{last.left + 5, last.bottom + 20});
    ASSERT_EQ(list.selection(), std::vector<int>{});
    EXPECT_TRUE(shows(iconArea(list, 2), shellFolderIcon(kCsidlDesktop, background(list))));
}

TEST_F(IconsE2E, AForeignImageListIsRefusedAndTheListKeepsTheShellIcons) {
    const Editor editor;
    const ListView list = editor.list();
    const auto smallBefore = ask(list.hwnd(), LVM_GETIMAGELIST, LVSIL_SMALL);
    const auto largeBefore = ask(list.hwnd(), LVM_GETIMAGELIST, LVSIL_NORMAL);
    ASSERT_NE(smallBefore, 0u);
    ASSERT_NE(largeBefore, 0u);

    // Taking the lists away would be seen at once: the list would answer with the list it held.
    EXPECT_EQ(ask(list.hwnd(), LVM_SETIMAGELIST, LVSIL_SMALL, 0), 0u);
    EXPECT_EQ(ask(list.hwnd(), LVM_SETIMAGELIST, LVSIL_NORMAL, 0), 0u);

    EXPECT_EQ(ask(list.hwnd(), LVM_GETIMAGELIST, LVSIL_SMALL), smallBefore);
    EXPECT_EQ(ask(list.hwnd(), LVM_GETIMAGELIST, LVSIL_NORMAL), largeBefore);
    // Painted anew, as when it is uncovered: the screen shows what the list holds now.
    ::InvalidateRect(list.hwnd(), nullptr, TRUE);
    waitForPaint(list.hwnd());
    EXPECT_TRUE(shows(iconArea(list, 0), shellFolderIcon(kCsidlPersonal, background(list))));
    EXPECT_TRUE(shows(iconArea(list, 1), shellPathIcon(kWindows, background(list))));

    editor.click(ids::kExitApp);
    EXPECT_TRUE(editor.endsWithoutAsking());
}

}  // namespace
}  // namespace ql::e2e
