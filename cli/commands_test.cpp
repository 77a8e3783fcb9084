#include "cli/commands.h"

#include "cli/command_line.h"
#include "tests/support/fake_cli_host.h"
#include "tests/support/memory_places_bar_store.h"
#include "store/places_bar.h"
#include "store/places_codec.h"

#include <gtest/gtest.h>

namespace ql::cli {
namespace {

using Op = MemoryPlacesBarStore::Op;
const std::u16string kPath = u"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ComDlg32\\PlacesBar";

class Commands : public ::testing::Test {
protected:
    int run(std::vector<std::u16string> args) {
        host.out.clear();
        host.error.clear();
        store.clearCalls();
        return runCommand(args, store, host);
    }
    std::vector<Place> stored() { return loadPlacesBar(store).places; }
    bool wrote() const {
        for (const auto& call : store.calls()) {
            if (call.op == Op::CreateKey || call.op == Op::SetValue || call.op == Op::DeleteKey || call.op == Op::DeleteValue) {
                return true;
            }
        }
        return false;
    }
    // Refused: exit 1, one line saying why, and not one write.
    void expectRefused(std::vector<std::u16string> args, std::u16string_view says) {
        EXPECT_EQ(run(args), kExitRefused);
        EXPECT_TRUE(host.error.starts_with(u"quorlane: ")) << std::string(host.error.begin(), host.error.end());
        EXPECT_NE(host.error.find(says), std::u16string::npos) << std::string(host.error.begin(), host.error.end());
        EXPECT_EQ(host.error.find(u"\r\n"), host.error.size() - 2);
        EXPECT_FALSE(wrote());
    }

    MemoryPlacesBarStore store;
    testing::FakeCliHost host;
};

TEST_F(Commands, SetThenListShowsTypeValueAndDisplayName) {
    EXPECT_EQ(run({u"/set", u"5", u"C:\\windows"}), kExitOk);
    EXPECT_EQ(host.error, u"");
    EXPECT_EQ(store.value(kPath, u"Place0")->type, kRegDword);
    EXPECT_EQ(run({u"/list"}), kExitOk);
    EXPECT_EQ(host.out, u"Place0\tREG_DWORD\t5\tDocuments\r\nPlace1\tREG_SZ\tC:\\windows\twindows\r\n");

    store.putValue(kPath, u"Place1", kRegExpandSz, encodePlace(Place::expandablePath(u"%X%\\gone")).data);
    EXPECT_EQ(run({u"/list"}), kExitOk);
    EXPECT_EQ(host.out, u"Place0\tREG_DWORD\t5\tDocuments\r\nPlace1\tREG_EXPAND_SZ\t%X%\\gone\t\r\n");

    EXPECT_EQ(run({u"/defaults"}), kExitOk);
    EXPECT_FALSE(store.hasKey(kPath));
    EXPECT_EQ(run({u"-LIST"}), kExitOk);
    EXPECT_EQ(host.out, u"defaults\r\n");
}

TEST_F(Commands, PlacesByNumberNameKnownFolderAndPath) {
    host.folders.insert(u"Z:\\tmp");
    EXPECT_EQ(run({u"/set", u"desktop", u"MYCOMPUTER", u"downloads", u"here", u"/tmp"}), kExitOk);
    EXPECT_EQ(stored(), (std::vector<Place>{Place::specialFolder(0), Place::specialFolder(17),
                                            Place::folderPath(u"C:\\users\\me\\Downloads"),
                                            Place::folderPath(u"C:\\work\\here"), Place::folderPath(u"Z:\\tmp")}));
    EXPECT_EQ(host.error, u"");

    EXPECT_EQ(run({u"/set", u"%SystemRoot%", u"%NOPE%\\x", u"later\\made"}), kExitOk);
    EXPECT_EQ(stored(), (std::vector<Place>{Place::expandablePath(u"%SystemRoot%"), Place::expandablePath(u"%NOPE%\\x"),
                                            Place::folderPath(u"C:\\work\\later\\made")}));
    // Stored all the same, each with a warning.
    EXPECT_EQ(host.error, u"quorlane: warning: %NOPE%\\x is not an existing folder; it is stored all the same\r\n"
                          u"quorlane: warning: C:\\work\\later\\made is not an existing folder; it is stored all the same\r\n");
}

// A share whose server is gone answers nothing: /list still lists it, with an empty name, and /set
// and /add store it; each says so on the error output and still succeeds.
TEST_F(Commands, PlacesThatDoNotAnswerAreListedAndStoredWithAWarning) {
    host.hung.insert(u"Z:\\mnt\\nas");
    EXPECT_EQ(run({u"/set", u"5", u"/mnt/nas"}), kExitOk);
    EXPECT_EQ(stored(), (std::vector<Place>{Place::specialFolder(5), Place::folderPath(u"Z:\\mnt\\nas")}));
    EXPECT_EQ(host.error, u"quorlane: Place1: Z:\\mnt\\nas is not responding\r\n");

    EXPECT_EQ(run({u"/add", u"Z:\\mnt\\nas", u"C:\\windows"}), kExitOk);
    EXPECT_EQ(host.error, u"quorlane: Place2: Z:\\mnt\\nas is not responding\r\n");
    EXPECT_EQ(stored().size(), 4u);

    EXPECT_EQ(run({u"/list"}), kExitOk);
    EXPECT_EQ(host.out, u"Place0\tREG_DWORD\t5\tDocuments\r\nPlace1\tREG_SZ\tZ:\\mnt\\nas\t\r\n"
                        u"Place2\tREG_SZ\tZ:\\mnt\\nas\t\r\nPlace3\tREG_SZ\tC:\\windows\twindows\r\n");
    EXPECT_EQ(host.error, u"quorlane: Place1: Z:\\mnt\\nas is not responding\r\n"
                          u"quorlane: Place2: Z:\\mnt\\nas is not responding\r\n");
}

TEST_F(Commands, UnknownPlacesAreRefusedAndNothingIsWritten) {
    ASSERT_EQ(run({u"/set", u"Desktop"}), kExitOk);
    expectRefused({u"/set", u"5", u"12"}, u"there is no special folder number 12 on this system");
    expectRefused({u"/set", u"99999999999999999999"}, u"no special folder number");
    expectRefused({u"/set", u"4294967301"}, u"no special folder number");
    expectRefused({u"/add", u"Fonts"}, u"there is no special folder Fonts on this system");
    expectRefused({u"/set", u"Documnets"}, u"Documnets is no special folder name nor an existing folder");
    expectRefused({u"/add", u""}, u"an empty place");
    // A name with a line break and a terminal control in it is quoted on the refusal's one line.
    expectRefused({u"/set", u"Docs\r\nquorlane said\x1b[2J"}, u"Docs\ufffd\ufffdquorlane said\ufffd[2J is no special");
    EXPECT_EQ(stored(), std::vector<Place>{Place::specialFolder(0)});
}

TEST_F(Commands, AddAppendsUpToFiveAndRemoveClosesUp) {
    EXPECT_EQ(run({u"/add", u"5"}), kExitOk);  // no key yet: the list is made
    EXPECT_EQ(run({u"/add", u"6", u"8"}), kExitOk);
    expectRefused({u"/add", u"13", u"14", u"17"}, u"the places bar holds 3 places; 3 more would make more than 5");
    EXPECT_EQ(run({u"/add", u"13", u"14"}), kExitOk);
    EXPECT_EQ(run({u"/remove", u"1"}), kExitOk);
    EXPECT_EQ(stored(), (std::vector<Place>{Place::specialFolder(5), Place::specialFolder(8), Place::specialFolder(13),
                                            Place::specialFolder(14)}));
    EXPECT_EQ(store.valueNames(kPath).size(), 4u);
    expectRefused({u"/remove", u"4"}, u"there is no Place4 (the places bar holds 4 places)");
    run({u"/defaults"});
    expectRefused({u"/remove", u"0"}, u"there is no Place0");
}

TEST_F(Commands, PlacesAreListedRemovedAndExportedUnderTheNamesTheyAreStoredWith) {
    store.putValue(kPath, u"place2", kRegDword, encodePlace(Place::specialFolder(5)).data);
    store.putValue(kPath, u"Place4", kRegSz, encodePlace(Place::folderPath(u"C:\\windows")).data);
    store.putValue(kPath, u"Place0", kRegBinary, {1, 2});  // no place: neither listed nor exported
    EXPECT_EQ(run({u"/list"}), kExitOk);
    EXPECT_EQ(host.out, u"Place2\tREG_DWORD\t5\tDocuments\r\nPlace4\tREG_SZ\tC:\\windows\twindows\r\n");
    EXPECT_EQ(run({u"/export", u"gaps.reg"}), kExitOk);
    const auto& bytes = host.files[u"C:\\work\\gaps.reg"];
    const std::u16string text(reinterpret_cast<const char16_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    EXPECT_NE(text.find(u"]\r\n\"Place2\"=dword:00000005\r\n\"Place4\"=\"C:\\\\windows\"\r\n\r\n["), std::u16string::npos);
    EXPECT_EQ(run({u"/remove", u"2"}), kExitOk);
    EXPECT_EQ(store.valueNames(kPath), std::vector<std::u16string>{u"Place0"});
    EXPECT_EQ(stored(), std::vector<Place>{Place::folderPath(u"C:\\windows")});
}

TEST_F(Commands, AKeyThatCannotBeReadIsRefusedNotTakenForTheDefaults) {
    ASSERT_EQ(run({u"/set", u"5"}), kExitOk);
    store.failEveryCall(Op::OpenKey, kRegAccessDenied);
    for (const std::vector<std::u16string>& args : {std::vector<std::u16string>{u"/list"}, {u"/export", u"x.reg"}, {u"/add", u"6"}}) {
        expectRefused(args, u"cannot read the places bar");
        EXPECT_EQ(host.out, u"");
    }
    EXPECT_FALSE(host.files.contains(u"C:\\work\\x.reg"));
}

TEST_F(Commands, AnExportOfTheDefaultsImportsAsTheDefaultsAndFileFailuresAreRefused) {
    run({u"/defaults"});
    EXPECT_EQ(run({u"/export", u"/tmp/none.reg"}), kExitOk);
    run({u"/set", u"5"});
    EXPECT_EQ(run({u"/import", u"/tmp/none.reg"}), kExitOk);
    EXPECT_FALSE(store.hasKey(kPath));

    run({u"/set", u"5"});
    expectRefused({u"/import", u"missing.reg"}, u"cannot read C:\\work\\missing.reg: The system cannot find the file");
    EXPECT_EQ(run({u"/export", u"Q:\\x.reg"}), kExitRefused);
    EXPECT_EQ(host.error, u"quorlane: cannot write Q:\\x.reg: The device is not ready.\r\n");
}

TEST_F(Commands, AFailedSavePutsBackWhatWasStored) {
    ASSERT_EQ(run({u"/set", u"5", u"6"}), kExitOk);
    store.failCall(Op::SetValue, 2, kRegAccessDenied);  // the second value of the new list
    EXPECT_EQ(run({u"/set", u"8", u"13", u"14"}), kExitRefused);
    EXPECT_EQ(host.error, u"quorlane: cannot write the places bar (Place1: error 5)\r\n");
    EXPECT_EQ(stored(), (std::vector<Place>{Place::specialFolder(5), Place::specialFolder(6)}));
}

TEST_F(Commands, HideShowAndOptionsTouchTheThreeSettingsAndNothingElse) {
    const std::u16string comDlg32 = kPath.substr(0, kPath.size() - 10);
    ASSERT_EQ(run({u"/set", u"5"}), kExitOk);
    store.putValue(comDlg32, u"NoFileMru", kRegSz, {u'x', 0, 0, 0});
    EXPECT_EQ(run({u"/hide", u"PlacesBar", u"backbutton"}), kExitOk);
    EXPECT_EQ(run({u"-SHOW", u"BACKBUTTON"}), kExitOk);
    EXPECT_EQ(run({u"/options"}), kExitOk);
    EXPECT_EQ(host.out, u"placesbar\thidden\r\nbackbutton\tshown\r\nrecentfiles\tother\tREG_SZ\tx\r\n");
    EXPECT_EQ(store.valueNames(comDlg32), (std::vector<std::u16string>{u"NoFileMru", u"NoPlacesBar"}));
    EXPECT_EQ(stored(), std::vector<Place>{Place::specialFolder(5)});
    EXPECT_EQ(run({u"/hide", u"everything"}), kExitUsage);
    EXPECT_FALSE(wrote());
}

// Where only an administrator may write, a command asks for no consent unless given /elevate, and
// then hands over exactly what it would have written.
TEST_F(Commands, AWriteThatNeedsAnAdministratorIsRefusedOrHandedOverWithElevate) {
    ASSERT_EQ(run({u"/set", u"5"}), kExitOk);
    host.access = WriteAccess::NeedsElevation;
    expectRefused({u"/add", u"C:\\windows"}, u"CurrentVersion\\Policies; run the command again with /elevate");
    EXPECT_EQ(run({u"-ELEVATE", u"/add", u"C:\\windows"}), kExitOk);
    ASSERT_EQ(host.handedOver.size(), 1u);
    EXPECT_EQ(host.handedOver[0].placesBar, (PlacesBarContent{true, {Place::specialFolder(5), Place::folderPath(u"C:\\windows")}}));
    EXPECT_FALSE(wrote());

    for (const auto& [answer, says] : {std::pair{kConsentCancelled, u"consent"}, {kRegInvalidParameter, u"cannot write"},
                                       {kRegAccessDenied, u"cannot ask"}}) {  // denied: the copy got no more rights
        host.elevatedAnswer = answer;
        expectRefused({u"/elevate", u"/hide", u"backbutton"}, says);
    }
    host.access = WriteAccess::Denied;
    expectRefused({u"/elevate", u"/defaults"}, u"cannot ask");
    EXPECT_EQ(run({u"/elevate", u"/list"}), kExitOk);  // reading needs no administrator
    EXPECT_EQ(run({u"/elevate"}), kExitUsage);
}

TEST_F(Commands, UsageErrorsExitTwoWithTheUsageAndHelpIsNoError) {
    EXPECT_EQ(run({u"/set", u"1", u"2", u"3", u"4", u"5", u"6"}), kExitUsage);
    EXPECT_TRUE(host.error.starts_with(u"quorlane: /set takes at most 5 places\r\nUsage: quorlane"));
    EXPECT_FALSE(wrote());
    EXPECT_EQ(run({u"/?"}), kExitOk);
    EXPECT_TRUE(host.out.starts_with(u"Usage: quorlane"));
}

}  // namespace
}  // namespace ql::cli
