// Apply where only an administrator may write the places bar. Under Wine every program is a full
// administrator, so the program's test switch (QUORLANE_TEST_ACCESS, inherited by the window started
// here) makes its check answer that the key needs one, and, set to "elevate-cancelled", declines the
// consent that Wine never asks for. Every test starts from a profile without a Policies key.
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
    static bool showsShield(const Editor& editor) {
        return ::SendMessageW(editor.control(ids::kApplyChanges), BM_GETIMAGE, IMAGE_ICON, 0) != 0;
    }
};

TEST_F(ElevatedApplyE2E, ApplyCarriesTheShieldAndTheElevatedCopyStoresTheList) {
    {
        const Editor plain;
        EXPECT_FALSE(showsShield(plain)) << "no shield where the user may write";
        plain.click(ids::kExitApp);
        ASSERT_TRUE(plain.endsWithoutAsking());
    }
    const Editor editor = startWith(L"elevate");
    EXPECT_TRUE(showsShield(editor));
    editor.click(ids::kCustomizeNo);
    editor.click(ids::kApplyChanges);
    EXPECT_TRUE(editor.staysOpen()) << "Apply through the elevated copy shows nothing";
    EXPECT_FALSE(keyExists(kPlacesBar));

    // Stored: nothing is unsaved, and the key's change by the elevated copy is the window's own.
    editor.click(ids::kExitApp);
    EXPECT_TRUE(editor.endsWithoutAsking());
}

TEST_F(ElevatedApplyE2E, DecliningTheConsentWritesNothingAndKeepsTheListUnsaved) {
    const Editor editor = startWith(L"elevate-cancelled");
    editor.click(ids::kCustomizeNo);
    editor.click(ids::kApplyChanges);
    const MessageBoxView box = editor.question();
    EXPECT_EQ(box.text, win::loadText(IDS_CONSENT_CANCELLED));
    answer(box, IDOK);

    EXPECT_EQ(storedPlaces(), (std::vector<RegValue>{RegValue::dword(5), RegValue::dword(17)}));
    EXPECT_TRUE(checked(editor.control(ids::kCustomizeNo)));
    EXPECT_TRUE(editor.closeAsksAndCancelKeepsItOpen());
}

}  // namespace
}  // namespace ql::e2e
