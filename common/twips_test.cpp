#include "common/twips.h"

#include <gtest/gtest.h>

namespace ql {
namespace {

TEST(Twips, FifteenToAPixelAt96Dpi) {
    EXPECT_EQ(twipsToPixels(1440, 96), 96);
    EXPECT_EQ(twipsToPixels(5295, 96), 353);
    EXPECT_EQ(twipsToPixels(120, 96), 8);
    EXPECT_EQ(twipsToPixels(7, 96), 0);
    EXPECT_EQ(twipsToPixels(8, 96), 1);  // 7.5 twips is half a pixel: rounds up
}

TEST(Twips, ScalesWithDpi) {
    EXPECT_EQ(twipsToPixels(5295, 144), 530);  // 529.5
    EXPECT_EQ(twipsToPixels(375, 144), 38);    // 37.5
    EXPECT_EQ(twipsToPixels(1440, 192), 192);
    EXPECT_EQ(twipsToPixels(-120, 96), -8);
}

TEST(Twips, PixelsBackToTwips) {
    EXPECT_EQ(pixelsToTwips(8, 96), 120);
    EXPECT_EQ(pixelsToTwips(17, 96), 255);
    EXPECT_EQ(pixelsToTwips(17, 144), 170);
    EXPECT_EQ(pixelsToTwips(5, 0), 0);
}

}  // namespace
}  // namespace ql
