#include "about/about_values.h"

#include "common/version.h"
#include "common/utf16_bytes.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>

namespace ql::about {
namespace {

RawValue sz(std::u16string_view text) { return {kRegSz, utf16leBytes(text, true)}; }

class FakeRegistry : public ValueReader {
public:
    void set(std::u16string_view key, std::u16string_view value, RawValue raw) {
        values_[{std::u16string(key), std::u16string(value)}] = std::move(raw);
    }
    std::optional<RawValue> read(std::u16string_view key, std::u16string_view value) const override {
        const auto it = values_.find({std::u16string(key), std::u16string(value)});
        if (it == values_.end()) return std::nullopt;
        return it->second;
    }

private:
    std::map<std::pair<std::u16string, std::u16string>, RawValue> values_;
};

class FakeFiles : public FileProbe {
public:
    explicit FakeFiles(std::set<std::u16string> files = {}) : files_(std::move(files)) {}
    bool isOrdinaryFile(std::u16string_view path) const override {
        probed.emplace_back(path);
        return files_.count(std::u16string(path)) != 0;
    }
    mutable std::vector<std::u16string> probed;

private:
    std::set<std::u16string> files_;
};

TEST(VersionLabel, IsBuiltFromTheVersionNumbersThatTheResourceSays) {
    EXPECT_EQ(versionLabel(), u"Version " QL_VERSION_TEXT);
    const std::string fromNumbers = std::to_string(QL_VERSION_MAJOR) + "." + std::to_string(QL_VERSION_MINOR) + "." +
                                    std::to_string(QL_VERSION_REVISION);
    EXPECT_EQ(std::string(QL_VERSION_TEXT), fromNumbers);
}

TEST(MailLinkTarget, AddsTheTitleAsSubjectWithNothingEncoded) {
    EXPECT_EQ(mailLinkTarget(u"mailto:quorlane@example.org"), u"mailto:quorlane@example.org?subject=Quorlane");
}

TEST(ValueText, RegSzWithAndWithoutTerminatingNulIsTheSameText) {
    std::u16string with, without;
    EXPECT_TRUE(valueText(sz(u"C:\\Tools\\msinfo32.exe"), with));
    EXPECT_TRUE(valueText({kRegSz, utf16leBytes(u"C:\\Tools\\msinfo32.exe", false)}, without));
    EXPECT_EQ(with, u"C:\\Tools\\msinfo32.exe");
    EXPECT_EQ(without, with);
}

TEST(ValueText, RegSzIsUtf16AndKeepsEveryCodeUnit) {
    const std::u16string path = u"C:\\Pr\u00f8gram \u6587\U0001F4C1\\x.exe";
    std::u16string text;
    EXPECT_TRUE(valueText(sz(path), text));
    EXPECT_EQ(text, path);
}

TEST(ValueText, RegSzEndsAtItsFirstNulAndDropsAnOddLastByte) {
    std::u16string text;
    std::vector<std::uint8_t> bytes = utf16leBytes(u"abc", true);
    const auto tail = utf16leBytes(u"def", true);
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    EXPECT_TRUE(valueText({kRegSz, bytes}, text));
    EXPECT_EQ(text, u"abc");

    bytes = utf16leBytes(u"ab", false);
    bytes.push_back('c');
    EXPECT_TRUE(valueText({kRegSz, bytes}, text));
    EXPECT_EQ(text, u"ab");
}

TEST(ValueText, RegSzOfOnlyItsNulIsTheEmptyText) {
    std::u16string text = u"stale";
    EXPECT_TRUE(valueText(sz(u""), text));
    EXPECT_EQ(text, u"");
}

TEST(ValueText, SizeZeroIsNoValueWhateverTheType) {
    for (std::uint32_t type : {kRegSz, kRegDword, std::uint32_t{3}}) {
        std::u16string text = u"stale";
        EXPECT_FALSE(valueText({type, {}}, text)) << type;
        EXPECT_EQ(text, u"") << type;
    }
}

TEST(ValueText, RegDwordIsItsNumberInUnsignedDecimal) {
    std::u16string text;
    EXPECT_TRUE(valueText({kRegDword, {0x02, 0x01, 0x00, 0x00}}, text));
    EXPECT_EQ(text, u"258");
    EXPECT_TRUE(valueText({kRegDword, {0, 0, 0, 0}}, text));
    EXPECT_EQ(text, u"0");
    EXPECT_TRUE(valueText({kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}}, text));
    EXPECT_EQ(text, u"4294967295");
    // A malformed DWORD: the bytes there are, little-endian, never more than four.
    EXPECT_TRUE(valueText({kRegDword, {0x10, 0x27}}, text));
    EXPECT_EQ(text, u"10000");
    EXPECT_TRUE(valueText({kRegDword, {1, 0, 0, 0, 9, 9}}, text));
    EXPECT_EQ(text, u"1");
}

TEST(ValueText, OtherTypesAreReadButLeaveTheTextAsItWas) {
    for (std::uint32_t type : {std::uint32_t{2}, std::uint32_t{3}, std::uint32_t{7}, std::uint32_t{11}}) {
        std::u16string text = u"kept";
        EXPECT_TRUE(valueText({type, utf16leBytes(u"C:\\x", true)}, text)) << type;
        EXPECT_EQ(text, u"kept") << type;
    }
}

TEST(GetKeyValue, ReadsTheNamedValueOfTheNamedKey) {
    FakeRegistry hklm;
    hklm.set(u"SOFTWARE\\A", u"V", sz(u"right"));
    hklm.set(u"SOFTWARE\\A", u"W", sz(u"other value"));
    hklm.set(u"SOFTWARE\\B", u"V", sz(u"other key"));
    std::u16string text;
    EXPECT_TRUE(GetKeyValue(hklm, u"SOFTWARE\\A", u"V", text));
    EXPECT_EQ(text, u"right");
}

TEST(GetKeyValue, UnreadableOrEmptyValueIsFalseWithEmptyText) {
    FakeRegistry hklm;
    hklm.set(u"SOFTWARE\\A", u"Empty", {kRegSz, {}});
    std::u16string text = u"stale";
    EXPECT_FALSE(GetKeyValue(hklm, u"SOFTWARE\\A", u"Missing", text));
    EXPECT_EQ(text, u"");
    text = u"stale";
    EXPECT_FALSE(GetKeyValue(hklm, u"SOFTWARE\\A", u"Empty", text));
    EXPECT_EQ(text, u"");
}

TEST(SysInfoCommandLine, IsThePathQuotedOnce) {
    EXPECT_EQ(sysInfoCommandLine(u"C:\\Program Files\\Tools\\msinfo32.exe"), u"\"C:\\Program Files\\Tools\\msinfo32.exe\"");
    EXPECT_EQ(sysInfoCommandLine(u"msinfo32"), u"\"msinfo32\"");
    EXPECT_EQ(sysInfoCommandLine(u"\"C:\\Tools\\msinfo32.exe\""), u"\"C:\\Tools\\msinfo32.exe\"");
}

TEST(PathPastRedirection, OnlyFilesInTheSystemFolderGoThroughSysnative) {
    const std::u16string_view system = u"C:\\Windows\\system32";
    const std::u16string_view native = u"C:\\Windows\\Sysnative";
    EXPECT_EQ(pathPastRedirection(u"C:\\WINDOWS\\System32\\msinfo32.exe", system, native), u"C:\\Windows\\Sysnative\\msinfo32.exe");
    EXPECT_EQ(pathPastRedirection(u"C:\\Windows\\system32x\\msinfo32.exe", system, native), u"C:\\Windows\\system32x\\msinfo32.exe");
    EXPECT_EQ(pathPastRedirection(u"C:\\Windows\\system32", system, native), u"C:\\Windows\\system32");
    EXPECT_EQ(pathPastRedirection(u"C:\\Program Files\\msinfo32.exe", system, native), u"C:\\Program Files\\msinfo32.exe");
}

TEST(SysInfoPath, FirstKeysPathIsTakenAsItIsWithoutLookingForTheFile) {
    FakeRegistry hklm;
    hklm.set(kMsinfoKey, kMsinfoValue, sz(u"C:\\Program Files\\Tools\\msinfo32.exe"));
    hklm.set(kToolsLocationKey, kToolsLocationValue, sz(u"C:\\Elsewhere"));
    const FakeFiles files({u"C:\\Elsewhere\\MSINFO32.EXE"});
    EXPECT_EQ(sysInfoPath(hklm, files), u"C:\\Program Files\\Tools\\msinfo32.exe");
    EXPECT_TRUE(files.probed.empty());
}

TEST(SysInfoPath, SecondKeyCountsOnlyWhenItsFolderHoldsTheTool) {
    FakeRegistry hklm;
    hklm.set(kToolsLocationKey, kToolsLocationValue, sz(u"C:\\Shared\\MSInfo"));
    const FakeFiles withTool({u"C:\\Shared\\MSInfo\\MSINFO32.EXE"});
    EXPECT_EQ(sysInfoPath(hklm, withTool), u"C:\\Shared\\MSInfo\\MSINFO32.EXE");

    const FakeFiles withoutTool;
    EXPECT_EQ(sysInfoPath(hklm, withoutTool), std::nullopt);
    EXPECT_EQ(withoutTool.probed, std::vector<std::u16string>{u"C:\\Shared\\MSInfo\\MSINFO32.EXE"});
}

TEST(SysInfoPath, EmptyFirstValueFallsBackToTheSecondKey) {
    FakeRegistry hklm;
    hklm.set(kMsinfoKey, kMsinfoValue, {kRegSz, {}});
    hklm.set(kToolsLocationKey, kToolsLocationValue, sz(u"C:\\Shared"));
    const FakeFiles files({u"C:\\Shared\\MSINFO32.EXE"});
    EXPECT_EQ(sysInfoPath(hklm, files), u"C:\\Shared\\MSINFO32.EXE");
}

TEST(SysInfoPath, UnavailableWhenNothingUsableIsRegistered) {
    const FakeFiles files({u"\\MSINFO32.EXE", u"C:\\Shared\\MSINFO32.EXE"});
    {
        const FakeRegistry nothing;
        EXPECT_EQ(sysInfoPath(nothing, files), std::nullopt);
    }
    {
        // A first value of another type is read but gives no path, and the second key is not asked.
        FakeRegistry hklm;
        hklm.set(kMsinfoKey, kMsinfoValue, {3, {1, 2, 3}});
        hklm.set(kToolsLocationKey, kToolsLocationValue, sz(u"C:\\Shared"));
        EXPECT_EQ(sysInfoPath(hklm, files), std::nullopt);
    }
    {
        // An empty folder name would make "\MSINFO32.EXE" a file at the root of the current drive.
        FakeRegistry hklm;
        hklm.set(kToolsLocationKey, kToolsLocationValue, sz(u""));
        files.probed.clear();
        EXPECT_EQ(sysInfoPath(hklm, files), std::nullopt);
        EXPECT_TRUE(files.probed.empty());
    }
}

}  // namespace
}  // namespace ql::about
