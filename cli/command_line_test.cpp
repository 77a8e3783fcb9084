#include "cli/command_line.h"
#include "common/version.h"

#include <gtest/gtest.h>

namespace ql::cli {
namespace {

ParsedCommandLine parse(std::vector<std::u16string> args) { return parseCommandLine(args); }

TEST(CommandLine, CommandsInAnyCaseWithSlashOrDash) {
    for (const std::u16string_view list : {u"/list", u"-list", u"/LIST", u"-List"}) {
        const auto parsed = parse({std::u16string(list)});
        ASSERT_TRUE(parsed.command);
        EXPECT_EQ(parsed.command->verb, Verb::List);
    }
    EXPECT_EQ(parse({u"/?"}).command->verb, Verb::Help);
    EXPECT_EQ(parse({u"-DEFAULTS"}).command->verb, Verb::Defaults);
}

TEST(CommandLine, UnknownCommandsAreUsageErrors) {
    for (const std::u16string_view word : {u"list", u"/lists", u"/", u"-", u"--list", u"", u"/li st", u"C:\\windows"}) {
        const auto parsed = parse({std::u16string(word)});
        EXPECT_FALSE(parsed.command);
        EXPECT_NE(parsed.usageError.find(u"unknown command"), std::u16string::npos);
    }
    EXPECT_FALSE(parse({}).command);
}

TEST(CommandLine, PlacesAreKeptAsGivenOneToFive) {
    const auto set = parse({u"/set", u"5", u"C:\\windows", u"Desktop"});
    ASSERT_TRUE(set.command);
    EXPECT_EQ(set.command->places, (std::vector<std::u16string>{u"5", u"C:\\windows", u"Desktop"}));
    EXPECT_TRUE(parse({u"/add", u"1", u"2", u"3", u"4", u"5"}).command);
    EXPECT_EQ(parse({u"/add", u"1", u"2", u"3", u"4", u"5", u"6"}).usageError, u"/add takes at most 5 places");
    EXPECT_EQ(parse({u"/set"}).usageError, u"/set needs at least one place");
}

TEST(CommandLine, OperandsOfTheOtherCommands) {
    EXPECT_EQ(parse({u"/remove", u"3"}).command->index, 3);
    EXPECT_EQ(parse({u"/remove", u"place4"}).command->index, 4);
    EXPECT_EQ(parse({u"/remove", u"04"}).command->index, 4);
    for (const std::u16string_view bad : {u"x", u"-1", u"123", u"Place", u"3a", u""}) {
        EXPECT_FALSE(parse({u"/remove", std::u16string(bad)}).command) << std::string(bad.begin(), bad.end());
    }
    EXPECT_FALSE(parse({u"/remove"}).command);
    EXPECT_FALSE(parse({u"/remove", u"1", u"2"}).command);
    EXPECT_EQ(parse({u"/EXPORT", u"a b.reg"}).command->file, u"a b.reg");
    EXPECT_FALSE(parse({u"/import"}).command);
    EXPECT_FALSE(parse({u"/import", u""}).command);
    EXPECT_FALSE(parse({u"/import", u"a", u"b"}).command);
    EXPECT_EQ(parse({u"/list", u"x"}).usageError, u"/list takes no arguments");
    EXPECT_FALSE(parse({u"/?", u"x"}).command);
}

TEST(CommandLine, UsageNamesTheSpecialAndKnownFolders) {
    const std::u16string usage = usageText({u"Downloads"}, true);
    for (const std::u16string_view part : {u"/list", u"/set PLACE...", u"/import FILE", u"Desktop (0)", u"Documents (5)",
                                       u"MyComputer (17)", u"Profile (40)", u"Downloads", u"Exit status",
                                       u"(Quorlane " QL_VERSION_TEXT ")\r\n"}) {
        EXPECT_NE(usage.find(part), std::u16string::npos) << std::string(part.begin(), part.end());
    }
    // Under another program's usage line (the Linux command's), the body alone.
    const std::u16string body = usageText({}, false);
    EXPECT_EQ(body.find(u"Usage"), std::u16string::npos);
    EXPECT_TRUE(body.starts_with(u"  /list ")) << std::string(body.begin(), body.begin() + 20);
}

}  // namespace
}  // namespace ql::cli
