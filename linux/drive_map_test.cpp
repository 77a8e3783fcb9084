// Unix paths to Windows paths through a prefix's drives, and back.
#include "linux/drive_map.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace ql::native {
namespace {

TEST(DriveMap, DeepestRootWinsThenLowestLetter) {
    const DriveMap drives({{'z', "/"}, {'c', "/p/drive_c"}, {'e', "/home/me"}, {'d', "/home/me"}, {'f', "/home/me/x"}});
    EXPECT_EQ(drives.windowsPath("/home/me/y/z"), u"D:\\y\\z");
    EXPECT_EQ(drives.windowsPath("/home/me"), u"D:\\");
    EXPECT_EQ(drives.windowsPath("/home/me/x"), u"F:\\");
    EXPECT_EQ(drives.windowsPath("/home/mex"), u"Z:\\home\\mex");  // a prefix of the name is no ancestor
    EXPECT_EQ(drives.windowsPath("/p/drive_c/users"), u"C:\\users");
    EXPECT_EQ(drives.windowsPath("/"), u"Z:\\");
    EXPECT_EQ(drives.unixPath(u"c:\\users\\..\\windows"), "/p/drive_c/windows");
    EXPECT_EQ(drives.unixPath(u"Q:\\x"), std::nullopt);

    const DriveMap noZ({{'c', "/p/drive_c"}});
    EXPECT_EQ(noZ.windowsPath("/tmp"), std::nullopt);
}

// The links as Wine makes them, a relative and an absolute one, and a dangling one left out.
TEST(DriveMap, ReadsThePrefixLinks) {
    const auto root = std::filesystem::temp_directory_path() / ("ql-drives-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root / "pfx/dosdevices");
    std::filesystem::create_directories(root / "pfx/drive_c/users");
    std::filesystem::create_directories(root / "data");
    std::filesystem::create_directory_symlink("../drive_c", root / "pfx/dosdevices/c:");
    std::filesystem::create_directory_symlink(root / "data", root / "pfx/dosdevices/d:");
    std::filesystem::create_directory_symlink(root / "gone", root / "pfx/dosdevices/e:");
    std::filesystem::create_symlink("/dev/ttyS0", root / "pfx/dosdevices/com1");
    const DriveMap drives = DriveMap::read((root / "pfx").string());
    const std::string real = std::filesystem::canonical(root).string();
    EXPECT_EQ(drives.windowsPath(real + "/pfx/drive_c/users"), u"C:\\users");
    EXPECT_EQ(drives.windowsPath(real + "/data/a"), u"D:\\a");
    EXPECT_EQ(drives.windowsPath("/tmp"), std::nullopt);
    // Paths as a user gives them: relative, ~, through a link, to a folder not yet made.
    EXPECT_EQ(absoluteUnixPath("../data/./new/", real + "/pfx", "/h"), real + "/data/new");
    EXPECT_EQ(absoluteUnixPath("~/x", "/", real), real + "/x");
    EXPECT_EQ(absoluteUnixPath(real + "/pfx/dosdevices/c:/users", "/", "/h"), real + "/pfx/drive_c/users");
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace ql::native
