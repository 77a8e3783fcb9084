// The command line's Win32 layer against the real file system and shell: Unix paths under Wine,
// files refused, and the known folders without a number.
#include "cli/cli_win32.h"
#include "shell/known_folders_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace ql::cli {
namespace {

bool onWine() { return ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name") != nullptr; }

TEST(CliWin32, UnderWineUnixPathsAreTheWindowsPathsTheyMapTo) {
    if (!onWine()) GTEST_SKIP() << "not Wine";
    EXPECT_EQ(absolutePath(L"/tmp/"), L"Z:\\tmp");
    // A file still to be written maps too.
    EXPECT_EQ(absolutePath(L"/tmp/quorlane not yet.reg"), L"Z:\\tmp\\quorlane not yet.reg");
}

TEST(CliWin32, FilesThatCannotBeOrShouldNotBeReadOrWrittenAreRefused) {
    wchar_t folder[MAX_PATH + 1]{};
    ::GetTempPathW(MAX_PATH + 1, folder);
    const std::wstring path = std::wstring(folder) + L"quorlane-cli-wintest.reg";
    std::wstring error;
    std::vector<std::uint8_t> back;
    // Larger than a places bar file could be: refused unread.
    ASSERT_TRUE(writeFileBytes(path, std::vector<std::uint8_t>(2u << 20, 'x'), error));
    EXPECT_FALSE(readFileBytes(path, back, error));
    EXPECT_EQ(error, L"the file is too large to be a places bar file");
    ::DeleteFileW(path.c_str());

    error.clear();
    EXPECT_FALSE(writeFileBytes(std::wstring(folder) + L"no such folder\\x.reg", {1}, error));
    EXPECT_FALSE(error.empty());
}

TEST(KnownFolders, ExistingFoldersDownloadsFirst) {
    const auto folders = shellUI::knownFoldersWithoutCsidl();
    ASSERT_FALSE(folders.empty());
    EXPECT_EQ(folders.front().name, L"Downloads");
    for (const auto& folder : folders) {
        const DWORD attributes = ::GetFileAttributesW(folder.path.c_str());
        EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
        EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
}

}  // namespace
}  // namespace ql::cli
