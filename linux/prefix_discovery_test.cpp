// Each manager's prefixes found on a fixture home, each once by its real path.
#include "linux/prefix_discovery.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace ql::native {
namespace {

namespace fs = std::filesystem;

class Discovery : public ::testing::Test {
protected:
    void SetUp() override {
        home_ = fs::temp_directory_path() / ("ql-discovery-" + std::to_string(::getpid()));
        fs::remove_all(home_);
        fs::create_directories(home_);
        home_ = fs::canonical(home_);
    }
    void TearDown() override { fs::remove_all(home_); }

    std::string prefix(const std::string& where) {
        fs::create_directories(home_ / where / "drive_c");
        write(where + "/user.reg", "WINE REGISTRY Version 2\n");
        write(where + "/system.reg", "WINE REGISTRY Version 2\n");
        return (home_ / where).string();
    }
    void write(const std::string& where, const std::string& text) {
        fs::create_directories((home_ / where).parent_path());
        std::ofstream(home_ / where) << text;
    }
    std::vector<FoundPrefix> find() {
        const std::string home = home_.string();
        return findPrefixes({home, home + "/.local/share", home + "/.config", "", ""});
    }

    fs::path home_;
};

TEST_F(Discovery, FindsEveryManagersPrefixesOnce) {
    const std::string wine = prefix(".wine");
    const std::string tricks = prefix(".local/share/wineprefixes/vcrun");
    const std::string lutris = prefix("Games/some-game");
    write(".config/lutris/games/some-game-123.yml", "name: x\ngame:\n  exe: a.exe\n  prefix: ~/Games/some-game\nsystem:\n  prefix: /nowhere\n");
    const std::string bottle = prefix(".local/share/bottles/bottles/Office");
    const std::string elsewhere = prefix("disk/MyBottle");
    write(".local/share/bottles/bottles/Moved/placeholder.yml", "Path: " + elsewhere + "\n");
    const std::string steam = prefix(".local/share/Steam/steamapps/compatdata/440/pfx");
    const std::string library = prefix("lib2/steamapps/compatdata/70/pfx");
    write(".local/share/Steam/config/libraryfolders.vdf", "\"libraryfolders\"\n{\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + (home_ / "lib2").string() + "\"\n\t}\n}\n");
    fs::create_directories(home_ / ".steam");
    fs::create_directory_symlink(home_ / ".local/share/Steam", home_ / ".steam/steam");  // the same root twice
    const std::string heroic = prefix("Games/Heroic/Prefixes/Game/pfx");
    const std::string heroicJson = prefix("elsewhere/heroic-game");
    write(".config/heroic/GamesConfig/abc.json", "{\"abc\": {\"winePrefix\": \"" + (home_ / "elsewhere/heroic-game").string() + "\"}}");
    const std::string pol = prefix(".PlayOnLinux/wineprefix/App");
    const std::string cx = prefix(".cxoffice/Bottle");
    prefix(".local/share/wineprefixes/broken");
    fs::remove(home_ / ".local/share/wineprefixes/broken/system.reg");  // not a prefix

    const std::vector<FoundPrefix> expected{
        {wine, "wine"},           {tricks, "winetricks"}, {lutris, "lutris"},      {elsewhere, "bottles"},
        {bottle, "bottles"},      {steam, "steam"},       {library, "steam"},      {heroicJson, "heroic"},
        {heroic, "heroic"},       {pol, "playonlinux"},   {cx, "crossover"},
    };
    const auto found = find();
    ASSERT_EQ(found.size(), expected.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].path, expected[i].path) << i;
        EXPECT_EQ(found[i].foundBy, expected[i].foundBy) << i;
    }
}

TEST_F(Discovery, APrefixReachedTwiceIsListedOnceUnderTheFirstManager) {
    const std::string wine = prefix(".wine");
    fs::create_directories(home_ / ".local/share/wineprefixes");
    fs::create_directory_symlink(home_ / ".wine", home_ / ".local/share/wineprefixes/same");
    const auto found = find();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].foundBy, "wine");
}

}  // namespace
}  // namespace ql::native
