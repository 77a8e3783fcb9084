// The registry file codec against a user.reg that Wine 8 wrote after `reg add` of every value type.
#include "common/registry_types.h"
#include "store/places_bar.h"
#include "store/wine_registry_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace ql {
namespace {

constexpr std::uint64_t kNow = 0x1dd87f5544a7820ull;  // 1796831564 s after 1970

std::string wineFile() {
    std::ifstream in(QL_TESTDATA "/wine8_user.reg", std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::vector<std::uint8_t> utf16z(std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    for (char16_t c : text) bytes.insert(bytes.end(), {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8)});
    bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

// The section of `key` with its lines, as the file holds it.
std::string section(const std::string& file, const std::string& key) {
    const std::size_t start = file.find("\n[" + key + "]");
    if (start == std::string::npos) return {};
    const std::size_t end = file.find("\n\n", start + 1);
    return file.substr(start + 1, end == std::string::npos ? std::string::npos : end - start);
}

const std::string kPlacesBarKey = R"(Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ComDlg32\\PlacesBar)";
const std::string kComDlg32Key = R"(Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ComDlg32)";

TEST(WineRegistryFile, ReadsEveryTypeWineWrote) {
    auto file = WineRegistryFile::parse(wineFile(), kNow);
    ASSERT_TRUE(file);
    const auto values = file->valuesOf(u"software\\microsoft\\windows\\currentversion\\policies\\comdlg32\\placesbar");
    ASSERT_EQ(values.size(), 7u);
    EXPECT_EQ(values[0].type, kRegDword);
    EXPECT_EQ(values[0].data, (std::vector<std::uint8_t>{5, 0, 0, 0}));
    EXPECT_EQ(values[1].data, utf16z(u"Z:\\tmp\\a \"q\" \u00e4\u20acx\u4e2db"));
    EXPECT_EQ(values[2].type, kRegExpandSz);
    EXPECT_EQ(values[2].data, utf16z(u"%USERPROFILE%\\x"));
    EXPECT_EQ(values[3].name, u"place3");
    EXPECT_EQ(values[3].type, kRegBinary);
    ASSERT_EQ(values[3].data.size(), 48u);  // three lines joined
    EXPECT_EQ(values[3].data[47], 0xff);
    EXPECT_EQ(values[4].type, kRegMultiSz);
    EXPECT_EQ(values[4].data, (std::vector<std::uint8_t>{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}));
    EXPECT_EQ(values[5].type, kRegQword);
    EXPECT_EQ(values[6].data, utf16z(u"a\tb"));
    EXPECT_EQ(loadPlacesBar(*file).places.size(), 3u);  // binary place3 and multi-string Place4 are no places
}

// Every value line of the whole file, read and written again, is the line Wine wrote: escapes,
// non-ASCII, types and where long hex breaks.
TEST(WineRegistryFile, WritesEveryValueLineAsWineDoes) {
    const std::string text = wineFile();
    std::istringstream lines(text);
    std::string line;
    std::string logical;
    int checked = 0;
    while (std::getline(lines, line)) {
        logical += line + "\n";
        if (!line.empty() && line.back() == '\\') continue;
        std::string joined;
        for (std::size_t at = 0; at < logical.size();) {
            std::size_t end = logical.find('\n', at);
            std::string part = logical.substr(at, end - at);
            if (at > 0) part.erase(0, part.find_first_not_of(' '));
            if (!part.empty() && part.back() == '\\') part.pop_back();
            joined += part;
            at = end + 1;
        }
        if (auto value = parseWineValueLine(joined)) {
            EXPECT_EQ(wineValueLine(value->name, value->type, value->data), logical);
            ++checked;
        }
        logical.clear();
    }
    EXPECT_GT(checked, 300);
}

TEST(WineRegistryFile, RoundTripsByteForByteAndRefusesOtherFiles) {
    const std::string text = wineFile();
    auto file = WineRegistryFile::parse(text, kNow);
    ASSERT_TRUE(file);
    EXPECT_FALSE(file->changed());
    EXPECT_EQ(file->render(), text);
    // CRLF line ends and a file without a last line end stay as they are too.
    std::string crlf = "WINE REGISTRY Version 2\r\n\r\n[A\\\\B] 1\r\n\"x\"=\"y\"";
    EXPECT_EQ(WineRegistryFile::parse(crlf, kNow)->render(), crlf);
    EXPECT_FALSE(WineRegistryFile::parse("WINE REGISTRY Version 1\n", kNow));
    EXPECT_FALSE(WineRegistryFile::parse("\nWINE REGISTRY Version 2\n", kNow));
    EXPECT_FALSE(WineRegistryFile::parse("", kNow));
}

// An edit changes the two sections alone; every other byte stays.
TEST(WineRegistryFile, SaveChangesOnlyItsSections) {
    const std::string text = wineFile();
    auto file = WineRegistryFile::parse(text, kNow);
    DialogsContent content{PlacesBarContent{true, {Place::specialFolder(0), Place::folderPath(u"C:\\\u00e9t\u00e91")}}, {}};
    content.settings[static_cast<std::size_t>(DialogSetting::RecentFiles)] = SettingValue::hidden();
    ASSERT_TRUE(saveDialogs(*file, content).ok());
    const std::string out = file->render();
    EXPECT_EQ(section(out, kPlacesBarKey), kPlacesBarKey.substr(0, 0) + "[" + kPlacesBarKey +
              "] 1796831564\n#time=1dd87f5544a7820\n\"Place0\"=dword:00000000\n\"Place1\"=\"C:\\\\\\xe9t\\x00e91\"\n");
    EXPECT_EQ(section(out, kComDlg32Key), "[" + kComDlg32Key +
              "] 1796831564\n#time=1dd87f5544a7820\n\"NoBackButton\"=dword:00000001\n\"NoFileMru\"=dword:00000001\n");
    const auto strip = [&](std::string all) {
        for (const std::string& key : {kComDlg32Key, kPlacesBarKey}) {
            const std::string own = section(all, key);
            all.erase(all.find(own), own.size());
        }
        return all;
    };
    EXPECT_EQ(strip(out), strip(text));
    EXPECT_EQ(WineRegistryFile::parse(out, kNow)->render(), out);
}

// With neither section, they are added where Wine keeps them: the Wine-written file with both
// sections taken out and the places bar written again is Wine's file, times aside.
TEST(WineRegistryFile, NewSectionsGoWhereWinePutsThem) {
    const std::string text = wineFile();
    std::string without = text;
    for (const std::string& key : {kComDlg32Key, kPlacesBarKey}) {
        const std::string own = section(without, key);
        without.erase(without.find(own), own.size() + 1);
    }
    auto file = WineRegistryFile::parse(without, kNow);
    PlacesBarStore& store = *file;
    RegKey key = 0;
    ASSERT_EQ(store.createKey(kCurrentUserRoot, placesBarPath(), kAllRights, key), kRegOk);
    for (const auto& value : WineRegistryFile::parse(text, kNow)->valuesOf(placesBarPath())) {
        store.setValue(key, value.name, value.type, value.data.data(), static_cast<std::uint32_t>(value.data.size()));
    }
    std::string expected = text;
    const std::string own = section(expected, kComDlg32Key);
    expected.erase(expected.find(own), own.size() + 1);
    const std::size_t at = expected.find("[" + kPlacesBarKey + "]");
    expected.replace(expected.find('\n', at) + 1, expected.find('\n', expected.find('\n', at) + 1) - expected.find('\n', at), "#time=1dd87f5544a7820\n");
    expected.replace(at, expected.find('\n', at) - at, "[" + kPlacesBarKey + "] 1796831564");
    EXPECT_EQ(file->render(), expected);

    // Deleted again, the file is what it was without it.
    ASSERT_EQ(store.deleteKey(kCurrentUserRoot + 0, u"") , kRegAccessDenied);
    RegKey comDlg32 = 0;
    ASSERT_EQ(store.openKey(kCurrentUserRoot, comDlg32Path(), comDlg32), kRegOk);
    ASSERT_EQ(store.deleteKey(comDlg32, u"PlacesBar"), kRegOk);
    // ComDlg32 is left as a key of its own, with nothing in it: Wine writes it as such.
    EXPECT_EQ(file->render(), std::string(without).insert(without.find("[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run]"),
                                                          "[" + kComDlg32Key + "] 1796831564\n#time=1dd87f5544a7820\n\n"));
}

TEST(WineRegistryFile, KeepsLinesItCannotReadAndRefusesTwoSections) {
    const std::string text = "WINE REGISTRY Version 2\n\n[" + kPlacesBarKey + "] 5\n#time=1\n#class=\"c\"\n\"Place0\"=bogus\n\"Place1\"=\"Z:\\\\a\"\n";
    auto file = WineRegistryFile::parse(text, kNow);
    ASSERT_TRUE(file->writable());
    PlacesBarStore& store = *file;
    RegKey key = 0;
    ASSERT_EQ(store.openKey(kCurrentUserRoot, placesBarPath(), key), kRegOk);
    const std::vector<std::uint8_t> data{1, 0, 0, 0};
    ASSERT_EQ(store.setValue(key, u"Place2", kRegDword, data.data(), 4), kRegOk);
    EXPECT_EQ(file->render(), "WINE REGISTRY Version 2\n\n[" + kPlacesBarKey +
                                  "] 1796831564\n#time=1dd87f5544a7820\n#class=\"c\"\n\"Place0\"=bogus\n\"Place1\"=\"Z:\\\\a\"\n\"Place2\"=dword:00000001\n");
    EXPECT_FALSE(WineRegistryFile::parse(text + "\n[" + kPlacesBarKey + "] 6\n", kNow)->writable());
}

TEST(WineRegistryFile, EscapesAsWine) {
    EXPECT_EQ(wineEscape(u"a\x01" u"7\x01z\x1b\x7f", "\"\""), "a\\0017\\1z\\e\x7f");
    EXPECT_EQ(wineUnescape("a\\0017\\1z\\e\\x4e2d\\x4e2db\\q"), u"a\x01" u"7\x01z\x1b\u4e2d\u4e2d" u"b" u"q");
    EXPECT_EQ(wineUnescape("\xc3\xa9\xff"), u"\u00e9\u00ff");  // UTF-8, else the byte
}

}  // namespace
}  // namespace ql
