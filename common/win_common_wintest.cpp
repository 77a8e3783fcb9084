#include "common/win_dialog.h"
#include "common/win_dpi.h"
#include "common/win_text.h"
#include "common/win_texts.h"

#include <commctrl.h>
#include <stdexcept>

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

TEST(CreateControls, AControlThatCannotBeCreatedFailsTheWindowWithTheControlsName) {
    const UniqueWindow parent(::CreateWindowExW(0, WC_STATICW, nullptr, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    const ControlSpec controls[] = {{1, WC_BUTTONW, IDS_APPLY, 0, 0, {}}, {2, L"No such class", IDS_CLOSE, 0, 0, {}}};
    try {
        createControls(parent.get(), controls);
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(fromUtf8(e.what()).find(loadText(IDS_CLOSE)), std::wstring::npos) << e.what();
    }
    EXPECT_NE(::GetDlgItem(parent.get(), 1), nullptr) << "the controls before it were made";
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
