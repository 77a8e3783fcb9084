// The command line's Win32 layer against the real file system and shell: paths made absolute
// (Unix paths under Wine), whole files read and written, and the known folders without a number.
#include "cli/cli_win32.h"
#include "shell/known_folders_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace ql::cli {
namespace {

bool onWine() { return ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name") != nullptr; }

std::wstring currentFolder() {
    wchar_t folder[MAX_PATH]{};
    ::GetCurrentDirectoryW(MAX_PATH, folder);
    return folder;
}

TEST(CliWin32, PathsAreMadeAbsolute) {
    std::wstring here = currentFolder();
    if (here.back() == L'\\') here.pop_back();
    EXPECT_EQ(absolutePath(L"a\\b"), here + L"\\a\\b");
    EXPECT_EQ(absolutePath(L"C:\\windows\\"), L"C:\\windows");
    EXPECT_EQ(absolutePath(L"C:\\windows\\system32\\.."), L"C:\\windows");
    EXPECT_EQ(absolutePath(L"C:\\"), L"C:\\");
}

TEST(CliWin32, UnderWineUnixPathsAreTheWindowsPathsTheyMapTo) {
    if (!onWine()) GTEST_SKIP() << "not Wine";
    EXPECT_EQ(absolutePath(L"/tmp"), L"Z:\\tmp");
    EXPECT_EQ(absolutePath(L"/tmp/"), L"Z:\\tmp");
    // A file still to be written maps too.
    EXPECT_EQ(absolutePath(L"/tmp/quorlane not yet.reg"), L"Z:\\tmp\\quorlane not yet.reg");
}

TEST(CliWin32, WholeFilesAreWrittenAndReadOrTheSystemSaysWhy) {
    wchar_t folder[MAX_PATH + 1]{};
    ::GetTempPathW(MAX_PATH + 1, folder);
    const std::wstring path = std::wstring(folder) + L"quorlane-cli-wintest.reg";
    std::wstring error;
    const std::vector<std::uint8_t> bytes{0xFF, 0xFE, 'R', 0, 0, 1};
    ASSERT_TRUE(writeFileBytes(path, bytes, error)) << error.size();
    std::vector<std::uint8_t> back;
    EXPECT_TRUE(readFileBytes(path, back, error));
    EXPECT_EQ(back, bytes);

    // Larger than a places bar file could be: refused unread.
    ASSERT_TRUE(writeFileBytes(path, std::vector<std::uint8_t>(2u << 20, 'x'), error));
    EXPECT_FALSE(readFileBytes(path, back, error));
    EXPECT_EQ(error, L"the file is too large to be a places bar file");
    ::DeleteFileW(path.c_str());

    error.clear();
    EXPECT_FALSE(readFileBytes(path, back, error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(writeFileBytes(std::wstring(folder) + L"no such folder\\x.reg", bytes, error));
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
