#include "app/key_watcher_win32.h"

#include <gtest/gtest.h>

#include <string>

namespace ql {
namespace {

class KeyWatcherTest : public testing::Test {
protected:
    void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, root_.c_str()); }

    void create(const std::wstring& below) {
        win::UniqueHKey key;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, (root_ + below).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                    key.put(), nullptr),
                  ERROR_SUCCESS);
    }
    void setValue(const std::wstring& below) {
        const DWORD number = 5;
        ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, (root_ + below).c_str(), L"V", REG_DWORD, &number, sizeof number),
                  ERROR_SUCCESS);
    }
    void remove(const std::wstring& below) {
        ASSERT_EQ(::RegDeleteKeyW(HKEY_CURRENT_USER, (root_ + below).c_str()), ERROR_SUCCESS);
    }
    // A change that is due signals at once; the long wait is only for a loaded machine.
    static bool signalled(const KeyWatcher& watcher, DWORD waitMs = 10000) {
        return ::WaitForSingleObject(watcher.event(), waitMs) == WAIT_OBJECT_0;
    }

    const std::wstring root_ = L"Software\\QuorlaneTests\\watcher-" + std::to_wstring(::GetCurrentProcessId());
};

TEST_F(KeyWatcherTest, AnAbsentKeySignalsItsCreationItsValuesItsDeletionAndEveryLevelAboveItGoing) {
    create(L"\\A\\B\\Beside\\Deeper");
    KeyWatcher watcher(root_ + L"\\A\\B\\Watched");
    ASSERT_NE(watcher.event(), nullptr);
    EXPECT_FALSE(signalled(watcher, 0));

    const auto step = [&](const char* what, auto change) {
        change();
        EXPECT_TRUE(signalled(watcher)) << what;
        watcher.rearm();
        EXPECT_FALSE(signalled(watcher, 0)) << "rearmed after: " << what;
    };
    step("created", [&] { create(L"\\A\\B\\Watched"); });
    step("a value set", [&] { setValue(L"\\A\\B\\Watched"); });
    step("a value below it set", [&] { create(L"\\A\\B\\Watched\\Below"); setValue(L"\\A\\B\\Watched\\Below"); });
    // What others write beside it, as Explorer does below CurrentVersion, is none of its business.
    setValue(L"\\A\\B\\Beside\\Deeper");
    setValue(L"\\A\\B");
    EXPECT_FALSE(signalled(watcher, 0)) << "changes beside the key";
    step("the key below it deleted", [&] { remove(L"\\A\\B\\Watched\\Below"); });
    step("deleted", [&] { remove(L"\\A\\B\\Watched"); });
    remove(L"\\A\\B\\Beside\\Deeper");
    watcher.rearm();
    remove(L"\\A\\B\\Beside");
    watcher.rearm();
    step("its parent deleted", [&] { remove(L"\\A\\B"); });
    step("the next level deleted", [&] { remove(L"\\A"); });
    step("created again with every level", [&] { create(L"\\A\\B\\Watched"); });
}

}  // namespace
}  // namespace ql
