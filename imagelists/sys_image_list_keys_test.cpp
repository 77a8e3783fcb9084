#include "imagelists/sys_image_list_keys.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

namespace ql::imagelists {
namespace {

TEST(NumericKey, DigitsAreTheIndexItself) {
    EXPECT_EQ(numericKeyValue(u"7"), 7);
    EXPECT_EQ(numericKeyValue(u"0"), 0);
    EXPECT_EQ(numericKeyValue(u"007"), 7);
    EXPECT_EQ(numericKeyValue(u"-3"), -3);
    EXPECT_EQ(numericKeyValue(u"+12"), 12);
    EXPECT_EQ(numericKeyValue(u"  42\t"), 42);
}

TEST(NumericKey, FileNamesAndOtherTextAreNoNumber) {
    for (const std::u16string_view key : {u"", u" ", u"+", u"-", u".", u"x.txt", u".txt", u"7.txt", u"7a", u"1 2",
                                          u"1e3", u"&H10", u"--1", u"C:\\7", u"\uFF17" /* fullwidth 7 */}) {
        EXPECT_EQ(numericKeyValue(key), std::nullopt) << std::string(key.begin(), key.end());
    }
}

TEST(NumericKey, FractionsRoundToNearestHalvesToEven) {
    EXPECT_EQ(numericKeyValue(u"7.0"), 7);
    EXPECT_EQ(numericKeyValue(u"7."), 7);
    EXPECT_EQ(numericKeyValue(u".5"), 0);
    EXPECT_EQ(numericKeyValue(u"0.51"), 1);
    EXPECT_EQ(numericKeyValue(u"2.5"), 2);
    EXPECT_EQ(numericKeyValue(u"3.5"), 4);
    EXPECT_EQ(numericKeyValue(u"2.500001"), 3);
    EXPECT_EQ(numericKeyValue(u"2.4999"), 2);
    EXPECT_EQ(numericKeyValue(u"-2.5"), -2);
    EXPECT_EQ(numericKeyValue(u"-2.6"), -3);
}

TEST(NumericKey, RangeEndsAreKeptAndBeyondThrows) {
    EXPECT_EQ(numericKeyValue(u"2147483647"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(numericKeyValue(u"-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(numericKeyValue(u"-2147483648.5"), std::numeric_limits<std::int32_t>::min());
    EXPECT_THROW(numericKeyValue(u"2147483648"), std::overflow_error);
    EXPECT_THROW(numericKeyValue(u"2147483647.5"), std::overflow_error);
    EXPECT_THROW(numericKeyValue(u"-2147483649"), std::overflow_error);
    // So many digits that a naive accumulator would wrap back into range.
    EXPECT_THROW(numericKeyValue(u"18446744073709551623"), std::overflow_error);
    EXPECT_THROW(numericKeyValue(u"99999999999999999999999999999999"), std::overflow_error);
}

TEST(ShellFlags, WidthAloneChoosesSmallOrLargeList) {
    EXPECT_EQ(createFlags(16), 0x4011u);
    EXPECT_EQ(createFlags(31), 0x4011u);
    EXPECT_EQ(createFlags(32), 0x4010u);
    EXPECT_EQ(createFlags(48), 0x4010u);
    EXPECT_EQ(createFlags(0), 0x4011u);
    EXPECT_EQ(createFlags(-40), 0x4011u);
}

TEST(ShellFlags, ItemLookupLooksAtTheDiskOnlyWhenForced) {
    EXPECT_EQ(itemIndexFlags(16, false), 0x4011u);
    EXPECT_EQ(itemIndexFlags(16, true), 0x4001u);
    EXPECT_EQ(itemIndexFlags(32, false), 0x4010u);
    EXPECT_EQ(itemIndexFlags(32, true), 0x4000u);
}

TEST(ShellFlags, ZeroAndAllBitsAreNoImageList) {
    EXPECT_FALSE(isImageListResult(0));
    EXPECT_FALSE(isImageListResult(std::numeric_limits<std::uintptr_t>::max()));
    EXPECT_TRUE(isImageListResult(0x10000));
    // A 64-bit handle above 4 GiB is a handle, not a failure.
    if constexpr (sizeof(std::uintptr_t) == 8) {
        EXPECT_TRUE(isImageListResult(static_cast<std::uintptr_t>(0xFFFFFFFFu)));
    }
}

TEST(Drawing, CutWinsOverDisabledAndBothBlendWithSelection) {
    EXPECT_EQ(drawMode(false, false), DrawMode::Plain);
    EXPECT_EQ(drawMode(false, true), DrawMode::Disabled);
    EXPECT_EQ(drawMode(true, false), DrawMode::Cut);
    EXPECT_EQ(drawMode(true, true), DrawMode::Cut);
    EXPECT_EQ(drawStyle(false, false), 1u);
    EXPECT_EQ(drawStyle(true, false), 5u);
    EXPECT_EQ(drawStyle(false, true), 5u);
    EXPECT_EQ(drawStyle(true, true), 5u);
}

TEST(Strip, WidthIsCountTimesIconWidthAndOverflowIsAnError) {
    EXPECT_EQ(stripWidth(0, 32), 0);
    EXPECT_EQ(stripWidth(3, 16), 48);
    EXPECT_EQ(stripWidth(1, std::numeric_limits<std::int32_t>::max()), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(stripWidth(67108863, 32), 2147483616);
    EXPECT_THROW(stripWidth(67108864, 32), std::overflow_error);
    EXPECT_THROW(stripWidth(2, std::numeric_limits<std::int32_t>::max()), std::overflow_error);
    EXPECT_EQ(stripWidth(2, -16), -32);
    EXPECT_THROW(stripWidth(3, std::numeric_limits<std::int32_t>::min()), std::overflow_error);
}

}  // namespace
}  // namespace ql::imagelists
