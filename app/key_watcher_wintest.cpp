#include "app/key_watcher_win32.h"

#include <gtest/gtest.h>

#include <string>

namespace ql {
namespace {

// Long enough for a loaded machine; a signal that is due comes at once.
constexpr DWORD kPatienceMs = 10000;

class KeyWatcherTest : public testing::Test {
protected:
    void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, root_.c_str()); }

    static void create(const std::wstring& path) {
        win::UniqueHKey key;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                    nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
    }
    static void setValue(const std::wstring& path, const wchar_t* name, DWORD number) {
        ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, path.c_str(), name, REG_DWORD, &number, sizeof number), ERROR_SUCCESS);
    }
    static bool signalled(const KeyWatcher& watcher, DWORD waitMs = kPatienceMs) {
        return ::WaitForSingleObject(watcher.event(), waitMs) == WAIT_OBJECT_0;
    }

    const std::wstring root_ = L"Software\\QuorlaneTests\\watcher-" + std::to_wstring(::GetCurrentProcessId());
    const std::wstring watched_ = root_ + L"\\A\\B\\Watched";
};

TEST_F(KeyWatcherTest, AKeyThatIsNotThereYetSignalsItsCreationItsValuesAndItsDeletion) {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, root_.c_str());
    KeyWatcher watcher(watched_);
    ASSERT_NE(watcher.event(), nullptr);
    EXPECT_FALSE(signalled(watcher, 0));

    create(watched_);
    EXPECT_TRUE(signalled(watcher)) << "created with all its missing levels";
    watcher.rearm();
    EXPECT_FALSE(signalled(watcher, 0)) << "rearm resets";

    setValue(watched_, L"Place0", 5);
    EXPECT_TRUE(signalled(watcher)) << "a value set";
    watcher.rearm();

    ASSERT_EQ(::RegDeleteTreeW(HKEY_CURRENT_USER, watched_.c_str()), ERROR_SUCCESS);
    EXPECT_TRUE(signalled(watcher)) << "deleted";
    watcher.rearm();

    create(watched_);
    EXPECT_TRUE(signalled(watcher)) << "created again";
}

TEST_F(KeyWatcherTest, TheLevelsAboveAnAbsentKeyGoingOneByOneSignalEachTime) {
    create(root_ + L"\\A\\B");
    KeyWatcher watcher(watched_);
    ASSERT_EQ(::RegDeleteKeyW(HKEY_CURRENT_USER, (root_ + L"\\A\\B").c_str()), ERROR_SUCCESS);
    EXPECT_TRUE(signalled(watcher)) << "B deleted";
    watcher.rearm();
    ASSERT_EQ(::RegDeleteKeyW(HKEY_CURRENT_USER, (root_ + L"\\A").c_str()), ERROR_SUCCESS);
    EXPECT_TRUE(signalled(watcher)) << "A deleted";
    watcher.rearm();
    create(watched_);
    EXPECT_TRUE(signalled(watcher)) << "created again";
}

TEST_F(KeyWatcherTest, ChangesBesideTheKeyDoNotSignal) {
    create(root_ + L"\\A\\B");
    KeyWatcher watcher(watched_);
    setValue(root_, L"Beside", 1);
    create(root_ + L"\\Elsewhere");
    EXPECT_FALSE(signalled(watcher, 0));
    setValue(root_ + L"\\A", L"Above", 1);
    EXPECT_TRUE(signalled(watcher)) << "the watched level itself changed";
}

}  // namespace
}  // namespace ql
