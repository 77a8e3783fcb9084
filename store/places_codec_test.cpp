#include "store/places_codec.h"

#include "common/utf16_bytes.h"

#include <gtest/gtest.h>

namespace ql {
namespace {

TEST(PlaceValueName, CountsFromZeroWithoutLeadingZeros) {
    EXPECT_EQ(placeValueName(0), u"Place0");
    EXPECT_EQ(placeValueName(4), u"Place4");
    EXPECT_EQ(placeValueName(12), u"Place12");
}

TEST(DecodePlaceValue, RegSzWithAndWithoutNulIsTheSamePath) {
    const auto with = decodePlaceValue(kRegSz, utf16leBytes(u"C:\\Work", true));
    const auto without = decodePlaceValue(kRegSz, utf16leBytes(u"C:\\Work", false));
    ASSERT_TRUE(with && without);
    EXPECT_EQ(*with, Place::folderPath(u"C:\\Work"));
    EXPECT_EQ(*without, *with);
}

TEST(DecodePlaceValue, RegSzStopsAtFirstNulAndIgnoresAnOddTrailingByte) {
    auto bytes = utf16leBytes(u"C:\\A", true);
    const auto tail = utf16leBytes(u"junk", false);
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    EXPECT_EQ(decodePlaceValue(kRegSz, bytes), Place::folderPath(u"C:\\A"));

    auto odd = utf16leBytes(u"C:\\B", false);
    odd.push_back('x');
    EXPECT_EQ(decodePlaceValue(kRegSz, odd), Place::folderPath(u"C:\\B"));
}

TEST(DecodePlaceValue, EmptyRegSzIsAnEmptyPath) {
    EXPECT_EQ(decodePlaceValue(kRegSz, {}), Place::folderPath(u""));
    EXPECT_EQ(decodePlaceValue(kRegSz, utf16leBytes(u"", true)), Place::folderPath(u""));
}

TEST(DecodePlaceValue, RegSzKeepsCharactersOutsideAnyCodePage) {
    const std::u16string path = u"C:\\\u65e5\u672c\\\u00e9t\u00e9 \U0001F600";
    EXPECT_EQ(decodePlaceValue(kRegSz, utf16leBytes(path, true)), Place::folderPath(path));
}

TEST(DecodePlaceValue, RegDwordIsASignedLittleEndianCsidl) {
    EXPECT_EQ(decodePlaceValue(kRegDword, std::vector<std::uint8_t>{5, 0, 0, 0}), Place::specialFolder(5));
    EXPECT_EQ(decodePlaceValue(kRegDword, std::vector<std::uint8_t>{0x34, 0x12, 0, 0}), Place::specialFolder(0x1234));
    EXPECT_EQ(decodePlaceValue(kRegDword, std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}), Place::specialFolder(-1));
    EXPECT_EQ(decodePlaceValue(kRegDword, std::vector<std::uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}), Place::specialFolder(-2));
}

TEST(DecodePlaceValue, RegDwordOfAnotherSizeIsNoPlace) {
    for (std::size_t size : {0u, 1u, 2u, 3u, 5u, 8u}) {
        const std::vector<std::uint8_t> data(size, 1);
        EXPECT_FALSE(decodePlaceValue(kRegDword, data)) << size << " bytes";
    }
}

TEST(DecodePlaceValue, OtherTypesAreNoPlace) {
    const auto text = utf16leBytes(u"C:\\Work", true);
    for (std::uint32_t type : std::initializer_list<std::uint32_t>{kRegNone, kRegBinary, kRegDwordBigEndian, kRegMultiSz, kRegQword, 99u}) {
        EXPECT_FALSE(decodePlaceValue(type, text)) << "type " << type;
    }
}

TEST(EncodePlace, PathIsUtf16WithOneNul) {
    const auto value = encodePlace(Place::folderPath(u"C:\\\u00e9"));
    EXPECT_EQ(value.type, kRegSz);
    EXPECT_EQ(value.data, utf16leBytes(u"C:\\\u00e9", true));
    EXPECT_EQ(encodePlace(Place::folderPath(u"")).data, (std::vector<std::uint8_t>{0, 0}));
}

TEST(PlacesCodec, ExpandableTextKeepsItsTypeAndItsVariablesUnexpanded) {
    const auto stored = utf16leBytes(u"%SystemRoot%\\system32", true);
    EXPECT_EQ(decodePlaceValue(kRegExpandSz, stored), Place::expandablePath(u"%SystemRoot%\\system32"));
    EXPECT_EQ(encodePlace(Place::expandablePath(u"%SystemRoot%\\system32")), (EncodedValue{kRegExpandSz, stored}));
    EXPECT_NE(Place::expandablePath(u"C:\\x"), Place::folderPath(u"C:\\x"));
}

TEST(EncodePlace, SpecialFolderIsFourBytesNegativeOnesIncluded) {
    EXPECT_EQ(encodePlace(Place::specialFolder(17)), (EncodedValue{kRegDword, {17, 0, 0, 0}}));
    EXPECT_EQ(encodePlace(Place::specialFolder(-1)), (EncodedValue{kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}}));
}

TEST(PlacesCodec, EveryPlaceSurvivesARoundTrip) {
    for (const Place& place : {Place::specialFolder(0), Place::specialFolder(-1), Place::specialFolder(INT32_MIN),
                               Place::folderPath(u""), Place::folderPath(u"Work: C:\\Odd: name"), Place::expandablePath(u"%TEMP%")}) {
        const auto value = encodePlace(place);
        EXPECT_EQ(decodePlaceValue(value.type, value.data), place);
    }
}

}  // namespace
}  // namespace ql
