// The Linux command against the real Wine, as a user runs them side by side: what one writes the other
// reads, a running server's prefix is not written behind its back, a command killed before its
// rename leaves user.reg whole, and a share whose server is gone holds up nothing.
#include "linux/prefix_files.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace ql::native {
namespace {

namespace fs = std::filesystem;

const std::string kWine = "/usr/lib/wine/wine64";
const std::string kServer = "/usr/lib/wine/wineserver64";
const std::string kKey = "'HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ComDlg32\\PlacesBar'";

struct Outcome {
    int status;
    std::string out;
};

Outcome run(const std::string& command) {
    Outcome result{-1, {}};
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    std::array<char, 4096> buffer{};
    while (std::size_t got = std::fread(buffer.data(), 1, buffer.size(), pipe)) result.out.append(buffer.data(), got);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

class UnderWine : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        root_ = fs::canonical(fs::temp_directory_path()) / ("ql-linux-e2e-" + std::to_string(::getpid()));
        fs::create_directories(root_ / "lib/win64");
        ::setenv("WINEDEBUG", "-all", 1);
        ::setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
        ::setenv("WINEARCH", "win64", 1);
        ::setenv("WINELOADER", kWine.c_str(), 1);
        ::setenv("QUORLANE_LIBDIR", (root_ / "lib").c_str(), 1);
        ::setenv("WINEPREFIX", (root_ / "made").c_str(), 1);
        made_ = run(kWine + " wineboot -i && " + kServer + " -w").status == 0 && isPrefix((root_ / "made").string());
        // The 64-bit exe of the same tree, when it was built: commands on a prefix in use go through it.
        const fs::path exe = fs::path(QL_SOURCE_DIR) / "build/mingw64/quorlane.exe";
        if (fs::exists(exe)) fs::copy_file(exe, root_ / "lib/win64/quorlane.exe");
    }
    static void TearDownTestSuite() { fs::remove_all(root_); }

    void SetUp() override {
        ASSERT_TRUE(made_) << "wineboot could not make a prefix";
        prefix_ = root_ / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        // Times kept: a prefix older than Wine's own files is one that Wine updates first.
        ASSERT_EQ(run("cp -a " + (root_ / "made").string() + " " + prefix_.string()).status, 0);
        ::setenv("WINEPREFIX", prefix_.c_str(), 1);
    }
    void TearDown() override { run(kServer + " -k"); }

    Outcome quorlane(const std::string& args) { return run(std::string(QL_QUORLANE) + " " + args + " --prefix " + prefix_.string()); }
    // What Wine starts beside reg (the session's services) lives as long as the server: a pipe it
    // inherited would never end, so reg's output goes to a file.
    Outcome reg(const std::string& args) {
        const fs::path out = prefix_ / "reg.out";
        Outcome outcome = run(kWine + " reg " + args + " >" + out.string() + " 2>&1");
        outcome.out = readFile(out);
        return outcome;
    }

    static inline fs::path root_;
    static inline bool made_ = false;
    fs::path prefix_;
};

TEST_F(UnderWine, WineReadsWhatTheCommandWritesAndTheOtherWayRound) {
    const std::string before = readFile(prefix_ / "user.reg");
    ASSERT_EQ(quorlane("set Documents /tmp 'C:\\users\\Ünïcode'").status, 0);
    const std::string after = readFile(prefix_ / "user.reg");
    const Outcome query = reg("query " + kKey);
    EXPECT_NE(query.out.find("Place0    REG_DWORD    0x5"), std::string::npos) << query.out;
    EXPECT_NE(query.out.find("Place1    REG_SZ    Z:\\tmp"), std::string::npos) << query.out;
    // reg prints in the console's code page (437): Ü and ï as 0x9a and 0x8b.
    EXPECT_NE(query.out.find("Place2    REG_SZ    C:\\users\\\x9a" "n\x8b" "code"), std::string::npos) << query.out;
    run(kServer + " -w");
    // Lines were added, none taken away or changed.
    std::istringstream old(before);
    std::istringstream now(after);
    std::string wanted;
    std::string line;
    std::size_t added = 0;
    while (std::getline(old, wanted)) {
        while (std::getline(now, line) && line != wanted) ++added;
        ASSERT_EQ(line, wanted) << "a line of user.reg went: " << wanted;
    }
    EXPECT_EQ(added, 6u);  // the PlacesBar section: blank line, key, #time, three values

    ASSERT_EQ(reg("add " + kKey + " /v Place1 /t REG_EXPAND_SZ /d %USERPROFILE%\\\\x /f").status, 0);
    ASSERT_EQ(run(kServer + " -w").status, 0);
    const Outcome list = quorlane("list");
    EXPECT_EQ(list.out, "Place0\tREG_DWORD\t5\tDocuments\nPlace1\tREG_EXPAND_SZ\t%USERPROFILE%\\x\tx\nPlace2\tREG_SZ\tC:\\users\\Ünïcode\tÜnïcode\n");
}

// Acceptance: a server that runs while a program writes HKCU before and after the command keeps
// running, the program's values survive its end, and what the command reported done is there too.
TEST_F(UnderWine, APrefixInUseIsNeverWrittenBehindItsServer) {
    ASSERT_EQ(run(kServer + " -p >/dev/null").status, 0);  // it stays until ended
    ASSERT_EQ(reg("add HKCU\\\\Software\\\\QlTest /v Before /d 1 /f").status, 0);
    const auto server = runningServer(prefix_.string());
    ASSERT_TRUE(server);
    const Outcome set = quorlane("set Desktop /tmp");
    ASSERT_EQ(reg("add HKCU\\\\Software\\\\QlTest /v After /d 2 /f").status, 0);
    EXPECT_EQ(runningServer(prefix_.string()), server);
    run(kServer + " -k");  // it saves the registry as it ends
    const std::string file = readFile(prefix_ / "user.reg");
    EXPECT_NE(file.find("\"Before\"=\"1\""), std::string::npos);
    EXPECT_NE(file.find("\"After\"=\"2\""), std::string::npos);
    if (set.status == 0) {
        EXPECT_NE(file.find("\"Place1\"=\"Z:\\\\tmp\""), std::string::npos) << set.out;
    } else {
        EXPECT_NE(set.out.find("quorlane: " + prefix_.string() + ": "), std::string::npos) << set.out;
        EXPECT_EQ(file.find("PlacesBar"), std::string::npos);
    }
}

// Another Wine's server (a copy of the binary stands for it): refused with its pid, nothing lost.
TEST_F(UnderWine, AnotherWinesServerIsRefusedByPid) {
    const fs::path other = root_ / "other-wineserver";
    fs::copy_file(kServer, other, fs::copy_options::overwrite_existing);
    ASSERT_EQ(run(other.string() + " -p10 >/dev/null").status, 0);
    ASSERT_EQ(reg("add HKCU\\\\Software\\\\QlTest /v Before /d 1 /f").status, 0);
    const auto server = runningServer(prefix_.string());
    ASSERT_TRUE(server);
    const std::string held = readFile(prefix_ / "user.reg");
    const Outcome set = quorlane("set Desktop");
    EXPECT_EQ(set.status, 1);
    EXPECT_NE(set.out.find(std::to_string(*server)), std::string::npos) << set.out;
    EXPECT_EQ(readFile(prefix_ / "user.reg"), held);
    const Outcome waited = quorlane("set Desktop --wait");  // the server ends 10 s after its last program
    EXPECT_EQ(waited.status, 0) << waited.out;
    const std::string file = readFile(prefix_ / "user.reg");
    EXPECT_NE(file.find("\"Before\"=\"1\""), std::string::npos);
    EXPECT_NE(file.find("\"Place0\"=dword:00000000"), std::string::npos);
}

TEST_F(UnderWine, KilledBeforeTheRenameTheOldFileStaysWhole) {
    const std::string before = readFile(prefix_ / "user.reg");
    const Outcome killed = run("strace -f -o /dev/null -e inject=rename:signal=KILL " + std::string(QL_QUORLANE) +
                           " set Desktop --prefix " + prefix_.string());
    EXPECT_NE(killed.status, 0);
    EXPECT_EQ(readFile(prefix_ / "user.reg"), before);
    EXPECT_EQ(reg("query HKCU\\\\Software\\\\Wine\\\\Fonts /v LogPixels").status, 0);
}

// A drive of the prefix on a share whose server is gone, a place and a Steam library below it: the
// commands end on their own while the mount still hangs (a watchdog releases it after 60 s, failing the test), the
// place is stored with its warning, and nothing left behind holds the command's output open.
TEST_F(UnderWine, AShareThatHangsHoldsUpNoCommand) {
    const fs::path helper = QL_HUNG_MOUNT;
    if (!fs::exists(helper)) GTEST_SKIP() << "test-support/hung_mount was not built (no libfuse3)";
    const fs::path mount = root_ / "nas";
    const fs::path status = root_ / "nas.status";
    fs::create_directories(mount);
    const pid_t server = ::fork();
    if (server == 0) {
        ::execl(helper.c_str(), "hung_mount", mount.c_str(), status.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string ready;
    for (int tries = 0; tries < 100 && ready.empty(); ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ready = readFile(status);
    }
    if (ready != "ready\n") {
        ::kill(server, SIGTERM);
        ::waitpid(server, nullptr, 0);
        GTEST_SKIP() << "no hanging file system: " << ready;
    }
    std::atomic<bool> released = false;
    std::thread watchdog([&] {
        for (int waited = 0; waited < 600 && fs::exists(status); ++waited) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        released = true;
        fs::remove(status);
    });
    fs::create_directory_symlink(mount / "gone/share", prefix_ / "dosdevices/n:");

    // A Steam library on the share, after the one in the home folder that holds a game's prefix.
    const fs::path home = root_ / "home";
    const fs::path steam = home / ".steam/steam";
    fs::create_directories(steam / "config");
    fs::create_directories(steam / "steamapps/compatdata/70/pfx/drive_c");
    for (const char* file : {"user.reg", "system.reg"}) std::ofstream(steam / "steamapps/compatdata/70/pfx" / file) << "WINE REGISTRY Version 2\n";
    std::ofstream(steam / "config/libraryfolders.vdf") << "\"libraryfolders\"\n{\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" << (mount / "gone/share").string() << "\"\n\t}\n}\n";

    const Outcome set = quorlane("set Documents " + (mount / "gone/share/projects").string());
    const Outcome list = quorlane("list");
    const Outcome prefixes = run("HOME=" + home.string() + " XDG_DATA_HOME=" + (home / ".local/share").string() + " XDG_CONFIG_HOME=" +
                                 (home / ".config").string() + " " + QL_QUORLANE + " prefixes");
    const bool answeredWhileHung = !released;
    fs::remove(status);
    watchdog.join();
    ::waitpid(server, nullptr, 0);

    EXPECT_TRUE(answeredWhileHung);
    EXPECT_EQ(set.status, 0) << set.out;
    EXPECT_NE(set.out.find("Place1: N:\\projects is not responding"), std::string::npos) << set.out;
    EXPECT_NE(readFile(prefix_ / "user.reg").find("\"Place1\"=\"N:\\\\projects\""), std::string::npos);
    EXPECT_EQ(list.status, 0) << list.out;
    EXPECT_NE(list.out.find("Place1\tREG_SZ\tN:\\projects\t"), std::string::npos) << list.out;
    EXPECT_EQ(prefixes.status, 0) << prefixes.out;
    EXPECT_NE(prefixes.out.find((steam / "steamapps/compatdata/70/pfx").string() + "\twin32\tsteam\tidle\n"), std::string::npos) << prefixes.out;
    EXPECT_NE(prefixes.out.find("quorlane: " + (mount / "gone/share/steamapps/compatdata").string() + " is not responding"), std::string::npos)
        << prefixes.out;
}

}  // namespace
}  // namespace ql::native
