// Every window in every language and the pseudo-language, at 96, 144 and 192 DPI: no control's text
// is cut (buttons by their ideal size, labels as they wrap) and every control stays in its window.
#include "about/about_box_win32.h"
#include "app/qleditor_win32.h"
#include "tests/support/memory_places_bar_store.h"
#include "tests/support/pseudo_texts.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

namespace ql {
namespace {

int checkedDpi = USER_DEFAULT_SCREEN_DPI;

void expectTextsFit(HWND window) {
    RECT suggested{0, 0, 10, 10}, client{};
    ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(checkedDpi, checkedDpi), reinterpret_cast<LPARAM>(&suggested));
    ::GetClientRect(window, &client);
    for (HWND c = ::GetWindow(window, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        wchar_t text[512]{}, kind[16]{};
        if (!::GetWindowTextW(c, text, 512) || !::IsWindowVisible(c)) continue;
        SCOPED_TRACE(testing::Message() << "control " << ::GetDlgCtrlID(c) << " in " << std::hex << win::textLanguage());
        RECT box{}, need{};
        ::GetWindowRect(c, &box);
        ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
        EXPECT_TRUE(box.left >= 0 && box.top >= 0 && box.right <= client.right && box.bottom <= client.bottom);
        ::GetClassNameW(c, kind, 16);
        const bool button = std::wstring_view(kind) == WC_BUTTONW;
        SIZE ideal{};
        if (button && (::GetWindowLongPtrW(c, GWL_STYLE) & BS_TYPEMASK) != BS_GROUPBOX) {
            ASSERT_TRUE(::SendMessageW(c, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
            EXPECT_LE(ideal.cx, box.right - box.left);
            continue;
        }
        // As the control draws it: a static's "&" marks an access key unless SS_NOPREFIX; a link's markup takes no room.
        std::wstring shown = text;
        for (const wchar_t* tag : {L"<a>", L"</a>"}) {
            for (std::size_t at; (at = shown.find(tag)) != std::wstring::npos;) shown.erase(at, std::wcslen(tag));
        }
        const bool prefix = button || (std::wstring_view(kind) == WC_STATICW && !(::GetWindowLongPtrW(c, GWL_STYLE) & SS_NOPREFIX));
        const win::WindowDc dc(c);
        const win::SelectObjectScope font(dc.get(), reinterpret_cast<HFONT>(::SendMessageW(c, WM_GETFONT, 0, 0)));
        ::GetClientRect(c, &box);
        need.right = box.right;
        ::DrawTextW(dc.get(), shown.c_str(), -1, &need,
                    DT_CALCRECT | DT_EXPANDTABS | (prefix ? 0 : DT_NOPREFIX) | (button ? DT_SINGLELINE : DT_WORDBREAK));
        EXPECT_TRUE(need.right <= box.right && need.bottom <= box.bottom) << need.right << "x" << need.bottom;
    }
}

void CALLBACK checkAboutBox(HWND, UINT, UINT_PTR timer, DWORD) {
    const HWND box = ::GetActiveWindow();
    if (!box || !::GetWindow(box, GW_OWNER)) return;
    ::KillTimer(nullptr, timer);
    expectTextsFit(box);
    ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
}

// A language (0: English through pseudoLocalize) and a DPI.
class TextsFit : public ::testing::TestWithParam<std::tuple<LANGID, int>> {
    void SetUp() override {
        const auto [language, dpi] = GetParam();
        win::useTextLanguage(language ? language : kEnglishTable);
        if (!language) win::useTextChange([](UINT, std::wstring text) { return test::pseudoLocalize(text); });
        checkedDpi = dpi;
    }
    void TearDown() override { win::useTextChange(nullptr); win::useTextLanguage(kEnglishTable); }
};

TEST_P(TextsFit, InTheMainWindowThePickerAndTheAboutBox) {
    MemoryPlacesBarStore store;
    shellUI::LookupQueue lookups;
    QlEditor editor(store, lookups);
    const HWND main = editor.create();
    ASSERT_TRUE(main);
    expectTextsFit(main);
    picker::CsidlFolders picker(lookups, [](int) { return std::nullopt; }, [] { return std::vector<shellUI::KnownFolder>{}; });
    ASSERT_TRUE(picker.load(main));
    expectTextsFit(picker.hwnd());
    ::SetTimer(nullptr, 0, 50, checkAboutBox);  // the About box is modal: checked from its message loop
    about::showAboutBox(main);
}

INSTANTIATE_TEST_SUITE_P(LanguagesAndDpis, TextsFit,
                         ::testing::Combine(::testing::Values<LANGID>(0, 0x0409, 0x0407, 0x040C, 0x0C0A, 0x0416, 0x0419, 0x0804),
                                            ::testing::Values(96, 144, 192)));

}  // namespace
}  // namespace ql
