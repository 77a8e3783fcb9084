#include "shell/trim_at_nul.h"

#include <gtest/gtest.h>

namespace ql {
namespace {

TEST(TrimAtNul, CutsAFilledBufferAtItsFirstNul) {
    EXPECT_EQ(trimAtNul(std::u16string(260, u'\0')), u"");
    EXPECT_EQ(trimAtNul(std::u16string(u"abc\0def", 7)), u"abc");
    EXPECT_EQ(trimAtNul(std::u16string(u"abc")), u"abc");
    EXPECT_EQ(trimAtNul(std::u16string()), u"");
}

TEST(TrimAtNul, KeepsAFullLengthPath) {
    std::u16string buffer(260, u'\0');
    const std::u16string path = u"C:\\" + std::u16string(256, u'x');  // 259 characters, the longest that fits
    buffer.replace(0, path.size(), path);
    EXPECT_EQ(trimAtNul(buffer), path);
}

}  // namespace
}  // namespace ql
