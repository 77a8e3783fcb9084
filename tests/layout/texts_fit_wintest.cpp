// Every window in every language, the pseudo-language and at 96, 144 and 192 DPI: no control's text
// is cut, measured the way the controls draw it, and every control stays inside its window.
#include "about/about_box_win32.h"
#include "app/qleditor_win32.h"
#include "common/win_handles.h"
#include "common/win_texts.h"
#include "picker/csidl_folders_win32.h"
#include "tests/support/memory_places_bar_store.h"
#include "tests/support/pseudo_texts.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ql {
namespace {

constexpr LANGID kPseudo = 0;  // English through pseudoLocalize

struct Case {
    LANGID language;
    int dpi;
};

std::vector<Case> cases() {
    std::vector<LANGID> languages{kPseudo};
    ::EnumResourceLanguagesW(
        nullptr, reinterpret_cast<LPCWSTR>(RT_STRING), MAKEINTRESOURCEW(IDS_PROGRAM_TITLE / 16 + 1),
        [](HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR list) {
            reinterpret_cast<std::vector<LANGID>*>(list)->push_back(language);
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&languages));
    std::vector<Case> all;
    for (LANGID language : languages) {
        for (int dpi : {96, 144, 192}) all.push_back({language, dpi});
    }
    return all;
}

std::wstring textOf(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Lays `window` out at `dpi` and checks each of its controls with a text.
void expectTextsFit(HWND window, int dpi) {
    RECT suggested{0, 0, 10, 10};
    ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    RECT client{};
    ::GetClientRect(window, &client);
    for (HWND c = ::GetWindow(window, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        const std::wstring text = textOf(c);
        if (text.empty() || !::IsWindowVisible(c)) continue;
        RECT box{};
        ::GetWindowRect(c, &box);
        ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
        SCOPED_TRACE(testing::Message() << "control " << ::GetDlgCtrlID(c) << " at " << dpi << " dpi");
        EXPECT_TRUE(box.left >= 0 && box.top >= 0 && box.right <= client.right && box.bottom <= client.bottom);
        wchar_t className[32]{};
        ::GetClassNameW(c, className, 32);
        const bool groupBox = (::GetWindowLongPtrW(c, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
        if (std::wstring(className) == WC_BUTTONW && !groupBox) {
            SIZE ideal{};
            ASSERT_TRUE(::SendMessageW(c, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
            EXPECT_LE(ideal.cx, box.right - box.left);
        } else {
            RECT inside{};
            ::GetClientRect(c, &inside);
            win::WindowDc dc(c);
            const win::SelectObjectScope font(dc.get(), reinterpret_cast<HFONT>(::SendMessageW(c, WM_GETFONT, 0, 0)));
            RECT need{0, 0, inside.right, 0};
            ::DrawTextW(dc.get(), text.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
            EXPECT_LE(need.right, inside.right);
            EXPECT_LE(need.bottom, inside.bottom);
        }
    }
}

int aboutBoxDpi = 96;

void CALLBACK checkAboutBox(HWND, UINT, UINT_PTR timer, DWORD) {
    const HWND box = ::GetActiveWindow();
    if (!box || !::GetWindow(box, GW_OWNER)) return;
    ::KillTimer(nullptr, timer);
    expectTextsFit(box, aboutBoxDpi);
    ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
}

class TextsFit : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        win::useTextLanguage(GetParam().language == kPseudo ? kEnglishTable : GetParam().language);
        if (GetParam().language == kPseudo) win::useTextChange([](UINT, std::wstring text) { return test::pseudoLocalize(text); });
    }
    void TearDown() override {
        win::useTextChange(nullptr);
        win::useTextLanguage(kEnglishTable);
    }
};

TEST_P(TextsFit, InTheMainWindowThePickerAndTheAboutBox) {
    const int dpi = GetParam().dpi;
    MemoryPlacesBarStore store;
    QlEditor editor(store);
    const HWND main = editor.create();
    ASSERT_TRUE(main);
    {
        SCOPED_TRACE("main window");
        expectTextsFit(main, dpi);
    }
    picker::CsidlFolders picker([](int) { return std::nullopt; }, [] { return std::vector<shellUI::KnownFolder>{}; });
    ASSERT_TRUE(picker.load(main));
    {
        SCOPED_TRACE("picker");
        expectTextsFit(picker.hwnd(), dpi);
    }
    // The About box is modal: checked from a timer of its message loop.
    SCOPED_TRACE("About box");
    aboutBoxDpi = dpi;
    ::SetTimer(nullptr, 0, 50, checkAboutBox);
    about::showAboutBox(main);
}

INSTANTIATE_TEST_SUITE_P(LanguagesAndDpis, TextsFit, ::testing::ValuesIn(cases()), [](const auto& param) {
    return (param.param.language == kPseudo ? std::string("pseudo") : "lang" + std::to_string(param.param.language)) + "_" +
           std::to_string(param.param.dpi) + "dpi";
});

}  // namespace
}  // namespace ql
