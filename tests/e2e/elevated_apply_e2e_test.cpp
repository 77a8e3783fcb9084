// Apply where only an administrator may write the places bar. Under Wine every program is one, so the
// program's test switch QUORLANE_TEST_ACCESS (inherited by the window) says the key needs one, and with
// "elevate-cancelled" declines the consent Wine never asks for. Each test starts without Policies.
#include "common/string_ids.h"
#include "common/win_texts.h"
#include "tests/e2e/editor_window.h"

#include <gtest/gtest.h>

namespace ql::e2e {
namespace {

class ElevatedApplyE2E : public ::testing::Test {
protected:
    void SetUp() override {
        deleteKeyTree(kPolicies);
        storePlaces({RegValue::dword(5), RegValue::dword(17)});
    }
    void TearDown() override { deleteKeyTree(kPolicies); }

    // The window, started while the switch says `access`.
    static Editor startWith(const wchar_t* access) {
        ::SetEnvironmentVariableW(L"QUORLANE_TEST_ACCESS", access);
        Editor editor;
        ::SetEnvironmentVariableW(L"QUORLANE_TEST_ACCESS", nullptr);
        return editor;
    }
};

TEST_F(ElevatedApplyE2E, ApplyCarriesTheShieldAndTheElevatedCopyStoresTheList) {
    const Editor editor = startWith(L"elevate");
    EXPECT_NE(::SendMessageW(editor.control(ids::kApplyChanges), BM_GETIMAGE, IMAGE_ICON, 0), 0) << "the shield";
    editor.click(ids::kCustomizeNo);
    editor.click(ids::kApplyChanges);
    EXPECT_TRUE(editor.staysOpen()) << "Apply through the elevated copy shows nothing";
    EXPECT_FALSE(keyExists(kPlacesBar));

    editor.click(ids::kExitApp);  // nothing unsaved: the elevated copy's change is the window's own
    EXPECT_TRUE(editor.endsWithoutAsking());
}

}  // namespace
}  // namespace ql::e2e
