// A place on a share whose server is gone, stored in the places bar: the window still comes up,
// answers, opens the picker, applies and closes, and /list still ends. The share is a FUSE mount
// whose look-ups hang until the test releases it; without FUSE these tests are skipped.
#include "tests/e2e/editor_window.h"
#include "tests/e2e/hung_mount.h"

#include "common/string_ids.h"
#include "common/win_text.h"
#include "common/win_texts.h"

#include <gtest/gtest.h>

#include <string>

namespace ql::e2e {
namespace {

constexpr wchar_t kWindows[] = L"C:\\windows";

class HungPlaces : public ::testing::Test {
protected:
    void SetUp() override {
        if (!mount.unavailable().empty()) GTEST_SKIP() << mount.unavailable();
        deleteKeyTree(kPolicies);
        storePlaces({RegValue::dword(kCsidlPersonal), RegValue::string(mount.hungFolder()), RegValue::string(kWindows)});
    }
    void TearDown() override {
        mount.release();
        deleteKeyTree(kPolicies);
    }

    HungMount mount;
};

// The window's thread answers another process at once, whatever the look-ups do.
bool answersAtOnce(HWND window) {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result) != 0;
}

TEST_F(HungPlaces, TheWindowShowsAnswersOpensThePickerAppliesAndClosesWhileTheShareHangs) {
    Editor editor;
    EXPECT_TRUE(answersAtOnce(editor.window()));
    const Names expected{shellFolderName(kCsidlPersonal),
                         win::loadText(IDS_ENTRY_NOT_RESPONDING, {win::toU16(mount.hungFolder())}), pathEntry(kWindows)};
    EXPECT_TRUE(waitUntil([&] { return editor.entries() == expected; })) << narrowText(editor.entries()[1]);

    editor.click(ids::kAddSpecial);
    const HWND picker = editor.waitForDialog(win::loadText(IDS_PICKER_CAPTION));
    EXPECT_TRUE(answersAtOnce(editor.window()));
    click(control(picker, IDCANCEL));

    // The hung place is kept, and written back as it was stored.
    mouse::click(editor.window(), editor.list().itemPoint(0));
    editor.click(ids::kRemoveItem);
    editor.click(ids::kApplyChanges);
    EXPECT_EQ(storedPlaces(), (std::vector<RegValue>{RegValue::string(mount.hungFolder()), RegValue::string(kWindows)}));

    // Closed at once, though a look-up is still inside the share.
    const HWND window = editor.window();
    editor.click(ids::kExitApp);
    EXPECT_TRUE(waitUntil([&] { return !::IsWindow(window); }));
    mount.release();
    EXPECT_TRUE(editor.program().waitForExit());
}

// The output ends, complete, though a look-up still hangs; the program itself ends once the share
// answers, with status 0.
TEST_F(HungPlaces, ListEndsWithEveryLineAndNamesThePlaceThatDoesNotRespond) {
    const Ran ran = run(L"quorlane.exe /list", nullptr, [&] { mount.release(); });
    const std::string hung = narrowText(mount.hungFolder());
    EXPECT_EQ(ran.out, "Place0\tREG_DWORD\t5\t" + narrowText(shellFolderName(kCsidlPersonal)) + "\r\nPlace1\tREG_SZ\t" + hung +
                           "\t\r\nPlace2\tREG_SZ\tC:\\windows\twindows\r\n");
    EXPECT_EQ(ran.error, "quorlane: Place1: " + hung + " is not responding\r\n");
    EXPECT_EQ(ran.status, 0u);
}

}  // namespace
}  // namespace ql::e2e
