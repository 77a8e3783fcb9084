#include "common/win_dpi.h"
#include "common/win_text.h"

#include <gtest/gtest.h>

namespace ql::win {
namespace {

TEST(ErrorText, IsTheSystemsTextWithoutTrailingLineBreak) {
    const std::wstring text = errorText(ERROR_ACCESS_DENIED);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), L'\n');
    EXPECT_NE(text.find(L"ccess"), std::wstring::npos) << text.c_str();
}

TEST(ErrorText, UnknownCodeStillSaysSomething) {
    EXPECT_FALSE(errorText(0x2FFFFFFF).empty());
}

TEST(FromUtf8, DecodesMultiByteCharacters) {
    EXPECT_EQ(fromUtf8("Invalid window"), L"Invalid window");
    EXPECT_EQ(fromUtf8("C:\\\xC3\x9Cn\xC3\xAF \xE6\x97\xA5"), L"C:\\\u00DCn\u00EF \u65E5");
    EXPECT_EQ(fromUtf8(""), L"");
}

TEST(Dpi, DesktopDpiIsPositiveAndMessageFontExists) {
    const int dpi = dpiForWindow(::GetDesktopWindow());
    EXPECT_GE(dpi, 96);
    EXPECT_TRUE(createMessageFont(dpi));
}

TEST(Dpi, WindowSizeForClientAddsTheFrame) {
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    const SIZE size = windowSizeForClient(353, 354, style, 0, 96);
    EXPECT_GT(size.cx, 353);
    EXPECT_GT(size.cy, 354 + 10);
}

}  // namespace
}  // namespace ql::win
