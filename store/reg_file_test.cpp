#include "store/reg_file.h"

#include "common/utf16_bytes.h"
#include "store/places_bar.h"

#include <gtest/gtest.h>

namespace ql {
namespace {

const std::u16string kKey = placesBarKeyName();

std::vector<std::uint8_t> unicodeFile(std::u16string_view text) {
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    const auto body = utf16leBytes(text, false);
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

std::vector<std::uint8_t> bytesOf(std::string_view text) { return {text.begin(), text.end()}; }

std::u16string textOf(const std::vector<std::uint8_t>& bytes) {
    std::u16string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) text += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
    return text;
}

RegFileReading read5(std::u16string_view body) {
    return readRegFile(unicodeFile(u"Windows Registry Editor Version 5.00\r\n\r\n" + std::u16string(body)));
}

TEST(RegFileWriter, WritesTheRegistryEditorsFormat) {
    const auto bytes = writeRegFile({true, {Place::specialFolder(5), Place::folderPath(u"C:\\a \"b\""),
                                            Place::specialFolder(-2)}});
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    EXPECT_EQ(textOf(bytes), u"Windows Registry Editor Version 5.00\r\n\r\n[-" + kKey + u"]\r\n\r\n[" + kKey +
                                 u"]\r\n\"Place0\"=dword:00000005\r\n\"Place1\"=\"C:\\\\a \\\"b\\\"\"\r\n"
                                 u"\"Place2\"=dword:fffffffe\r\n\r\n");
    EXPECT_EQ(textOf(writeRegFile({false, {}})),
              u"Windows Registry Editor Version 5.00\r\n\r\n[-" + kKey + u"]\r\n\r\n");
}

TEST(RegFileWriter, ExpandableTextIsHexWrappedAtEightyColumns) {
    const Place longPlace = Place::expandablePath(u"%SystemRoot%\\" + std::u16string(60, u'x'));
    const std::u16string text = textOf(writeRegFile({true, {longPlace}}));
    const auto at = text.find(u"\"Place0\"=hex(2):25,00,53,00,");
    ASSERT_NE(at, std::u16string::npos);
    int wrapped = 0;
    for (std::size_t start = at, end; (end = text.find(u"\r\n", start)) != std::u16string::npos && end > start; start = end + 2) {
        const std::u16string_view line(text.data() + start, end - start);
        EXPECT_LE(line.size(), 80u);
        if (line.back() == u'\\') ++wrapped;
        else EXPECT_TRUE(line.ends_with(u"00,00"));
    }
    EXPECT_GE(wrapped, 3);
}

TEST(RegFile, WhatIsWrittenReadsBackTheSame) {
    const std::vector<PlacesBarContent> contents{
        {false, {}},
        {true, {}},
        {true, {Place::specialFolder(0), Place::specialFolder(INT32_MIN), Place::folderPath(u""),
                Place::folderPath(u"\\\\server\\share\\\"q\"\\"), Place::expandablePath(u"%USERPROFILE%\\Ünï\\" + std::u16string(100, u'y'))}},
        {true, {Place::expandablePath(u"")}},
    };
    for (const auto& content : contents) {
        const auto reading = readRegFile(writeRegFile(content));
        ASSERT_TRUE(reading.content) << std::string(reading.error.message.begin(), reading.error.message.end());
        EXPECT_EQ(reading.content->placesBar, content);
    }
}

TEST(RegFileReader, AppliesItsLinesInOrderAsTheRegistryEditorWould) {
    // A key alone, as the registry editor exports one; values in any order and case; later ones win.
    auto reading = read5(u"; a comment\r\n[hkey_current_user\\software\\microsoft\\windows\\currentversion\\policies\\comdlg32\\placesbar]\r\n"
                         u"\"place3\"=\"D:\\\\x\"\r\n\"Place0\" = dword:5\r\n\"Place1\"=dword:11\r\n\"Place1\"=-\r\n\r\n");
    ASSERT_TRUE(reading.content);
    EXPECT_EQ(reading.content->placesBar, (PlacesBarContent{true, {Place::specialFolder(5), Place::folderPath(u"D:\\x")}}));

    reading = read5(u"[HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ComDlg32\\PlacesBar]\r\n\"Place0\"=dword:1\r\n"
                    u"[-" + kKey + u"]\r\n");
    ASSERT_TRUE(reading.content);
    EXPECT_EQ(reading.content->placesBar, (PlacesBarContent{false, {}}));

    reading = read5(u"[-" + kKey + u"]\n[" + kKey + u"]\n\"Place4\"=dword:00000011\n");
    ASSERT_TRUE(reading.content);
    EXPECT_EQ(reading.content->placesBar, (PlacesBarContent{true, {Place::specialFolder(17)}}));
}

TEST(RegFileReader, ReadsRegedit4AndEightBitText) {
    // REGEDIT4 holds hex(2) text in 8 bits; a file without BOM is UTF-8 when it can be, else Latin-1.
    const std::string key(kKey.begin(), kKey.end());
    auto reading = readRegFile(bytesOf("REGEDIT4\r\n\r\n[" + key + "]\r\n\"Place0\"=\"C:\\\\Caf\xC3\xA9\"\r\n"
                                       "\"Place1\"=hex(2):25,77,25,\\\r\n  00\r\n"));
    ASSERT_TRUE(reading.content);
    EXPECT_EQ(reading.content->placesBar, (PlacesBarContent{true, {Place::folderPath(u"C:\\Café"), Place::expandablePath(u"%w%")}}));

    reading = readRegFile(bytesOf("REGEDIT4\n[" + key + "]\n\"Place0\"=\"C:\\\\Caf\xE9\"\n"));
    ASSERT_TRUE(reading.content);
    EXPECT_EQ(reading.content->placesBar->places, std::vector<Place>{Place::folderPath(u"C:\\Café")});

    reading = readRegFile(bytesOf("\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n[" + key + "]\r\n\"Place0\"=hex(2):41,00\r\n"));
    ASSERT_TRUE(reading.content);
    EXPECT_EQ(reading.content->placesBar->places, std::vector<Place>{Place::expandablePath(u"A")});
}

TEST(RegFile, TheSettingsSectionRestoresTheThreeAndAFileWithoutItLeavesThemAlone) {
    const SettingChanges settings{SettingValue::hidden(), SettingValue::shown(), SettingValue::other(3, {1, 2})};
    const std::u16string text = textOf(writeRegFile({true, {}}, settings));
    EXPECT_NE(text.find(u"[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ComDlg32]\r\n"
                        u"\"NoPlacesBar\"=dword:00000001\r\n\"NoBackButton\"=-\r\n\"NoFileMru\"=hex(3):01,02\r\n"),
              std::u16string::npos);

    const std::u16string section = u"[HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ComDlg32]\r\n";
    auto reading = read5(section + u"\"nofilemru\"=dword:1\r\n\"NoPlacesBar\"=-\r\n");
    ASSERT_TRUE(reading.content);
    EXPECT_EQ(reading.content->placesBar, std::nullopt);
    EXPECT_EQ(reading.content->settings, (SettingChanges{SettingValue::shown(), std::nullopt, SettingValue::hidden()}));
}

struct Refused {
    std::u16string body;
    int line;
    std::u16string says;
};

TEST(RegFileReader, RefusesTheWholeFileNamingItsLine) {
    const std::u16string key = u"[" + kKey + u"]\r\n";
    const std::vector<Refused> cases{
        {key + u"\"Place0\"=dword:5\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n\"x\"=\"y\"\r\n", 5,
         u"names the key HKEY_CURRENT_USER\\Software\\Other, not the places bar"},
        {u"[-HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ComDlg32]\r\n", 3, u"not the places bar"},
        {u"[" + kKey + u"\\Sub]\r\n", 3, u"not the places bar"},
        {key + u"\"Place5\"=dword:5\r\n", 4, u"sets the value \"Place5\", which is not one of Place0 to Place4"},
        {key + u"@=\"x\"\r\n", 4, u"sets the default value, which is not one of Place0 to Place4"},
        {key + u"\"Place0\"=hex:01,02\r\n", 4, u"gives a type that is no place"},
        {key + u"\"Place0\"=qword:1\r\n", 4, u"gives a type that is no place"},
        {key + u"\"Place0\"=dword:123456789\r\n", 4, u"cannot be read"},
        {key + u"\"Place0\"=\"C:\\windows\"\r\n", 4, u"cannot be read"},
        {key + u"\"Place0\"=\"a\" x\r\n", 4, u"cannot be read"},
        {key + u"\"Place0\"=hex(2):41,0g\r\n", 4, u"cannot be read"},
        {key + u"\"Place0\"=hex(2):41,\\\r\n", 4, u"ends in the middle of its value"},
        {u"\"Place0\"=dword:5\r\n" + key, 3, u"sets the value \"Place0\" outside the places bar key"},
        {u"[-" + kKey + u"]\r\n\"Place0\"=dword:5\r\n", 4, u"outside the places bar key"},
        {key + u"Place0=dword:5\r\n", 4, u"is not a key, a value or a comment"},
        {u"[" + kKey + u"\r\n", 3, u"is not a key, a value or a comment"},
        {u"; nothing\r\n", 0, u"says nothing about the places bar"},
        {u"[" + comDlg32KeyName() + u"]\r\n\"NoPlacesBar\"=dword:1\r\n\"Other\"=dword:1\r\n", 5, u"\"Other\" of ComDlg32"},
        {u"[" + comDlg32KeyName() + u"]\r\n\"NoBackButton\"=hex:01\r\n", 4, u"\"NoBackButton\" as something other"},
    };
    for (const Refused& c : cases) {
        const auto reading = read5(c.body);
        EXPECT_FALSE(reading.content) << std::string(c.body.begin(), c.body.end());
        EXPECT_EQ(reading.error.line, c.line) << std::string(c.body.begin(), c.body.end());
        EXPECT_NE(reading.error.message.find(c.says), std::u16string::npos) << std::string(c.body.begin(), c.body.end());
    }
}

TEST(RegFileReader, RefusesWhatIsNoRegistryFile) {
    for (const auto& bytes : {bytesOf(""), bytesOf("REGEDIT5\r\n"), bytesOf("\r\nREGEDIT4\r\n"), bytesOf("\xFE\xFF\0W"),
                              unicodeFile(u"Windows Registry Editor Version 5.0\r\n")}) {
        EXPECT_FALSE(readRegFile(bytes).content);
    }
}

}  // namespace
}  // namespace ql
