#include "shell/shell_ui_win32.h"

#include "tests/support/modal_driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>


namespace ql::shellUI {
namespace {

using testing::ModalDriver;

struct DescendantSearch {
    int id;
    const wchar_t* className;
    HWND found = nullptr;
};

BOOL CALLBACK matchDescendant(HWND child, LPARAM lp) {
    auto* s = reinterpret_cast<DescendantSearch*>(lp);
    wchar_t cls[64]{};
    ::GetClassNameW(child, cls, 64);
    if (::GetDlgCtrlID(child) == s->id && lstrcmpiW(cls, s->className) == 0) {
        s->found = child;
        return FALSE;
    }
    return TRUE;
}

HWND findDescendant(HWND parent, int id, const wchar_t* className) {
    DescendantSearch search{id, className};
    ::EnumChildWindows(parent, matchDescendant, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring windowsFolder() {
    wchar_t buffer[MAX_PATH]{};
    ::GetWindowsDirectoryW(buffer, MAX_PATH);
    return buffer;
}

TEST(PathDisplayInfo, ExistingFolderHasANameAndIcon) {
    const DisplayInfo info = getPathDisplayInfo(windowsFolder());
    EXPECT_EQ(lstrcmpiW(info.displayName.c_str(), L"windows"), 0) << info.displayName.c_str();
    EXPECT_GE(info.iconIndex, 0);
}

TEST(PathDisplayInfo, MissingPathGivesEmptyNameAndIconZero) {
    EXPECT_EQ(getPathDisplayInfo(L"C:\\no\\such\\folder\\anywhere"), DisplayInfo{});
}

TEST(SpecialFolderDisplayInfo, DesktopAndDocumentsResolve) {
    const std::optional<DisplayInfo> desktop = getSpecialFolderDisplayInfo(CSIDL_DESKTOP, nullptr);
    ASSERT_TRUE(desktop);
    EXPECT_EQ(desktop->displayName, L"Desktop");
    EXPECT_GE(desktop->iconIndex, 0);
    const std::optional<DisplayInfo> documents = getSpecialFolderDisplayInfo(CSIDL_PERSONAL, nullptr);
    ASSERT_TRUE(documents);
    EXPECT_FALSE(documents->displayName.empty());
}

TEST(SpecialFolderDisplayInfo, UnknownCsidlGivesNothing) {
    for (int csidl : {-1, 0x7FFF, 1000}) EXPECT_FALSE(getSpecialFolderDisplayInfo(csidl, nullptr)) << csidl;
}

TEST(ExpandEnvironmentText, ReplacesKnownVariablesAndKeepsUnknownOnes) {
    EXPECT_EQ(lstrcmpiW(expandEnvironmentText(L"%SystemRoot%\\system32").c_str(), (windowsFolder() + L"\\system32").c_str()), 0);
    EXPECT_EQ(expandEnvironmentText(L"%QlNoSuchVariable%\\x"), L"%QlNoSuchVariable%\\x");
    const std::wstring longValue(3000, L'v');
    ASSERT_TRUE(::SetEnvironmentVariableW(L"QlLongVariable", longValue.c_str()));
    EXPECT_EQ(expandEnvironmentText(L"C:\\%QlLongVariable%"), L"C:\\" + longValue);
    ::SetEnvironmentVariableW(L"QlLongVariable", nullptr);
}

TEST(BrowseForFolder, CancelGivesEmptyPath) {
    win::ComApartment com;
    ModalDriver driver(L"Browse for Folder", [](HWND browser) { ::PostMessageW(browser, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_EQ(browseForFolder(nullptr), L"");
    EXPECT_TRUE(driver.found());
}

TEST(BrowseForFolder, ConfirmedFolderGivesItsFullPathAndShowsTheTitle) {
    win::ComApartment com;
    const std::wstring folder = windowsFolder();
    std::wstring title;
    ModalDriver driver(L"Browse for Folder", [&](HWND browser) {
        wchar_t text[128]{};
        ::GetDlgItemTextW(browser, 14146, text, 128);
        title = text;
        ::SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
        ::PostMessageW(browser, WM_COMMAND, IDOK, 0);
    });
    const std::wstring chosen = browseForFolder(nullptr);
    EXPECT_TRUE(driver.found());
    EXPECT_EQ(title, L"Choose folder to add to PlacesBar");
    EXPECT_EQ(lstrcmpiW(chosen.c_str(), folder.c_str()), 0) << chosen.c_str();
    EXPECT_EQ(chosen.find(L'\0'), std::wstring::npos);
}

TEST(ShowOpenDialog, ShowsThePlacesBarAndCancelGivesEmpty) {
    const wchar_t* title = L"Test open file dialog -- note PlacesBar at left";
    bool placesBar = false;
    ModalDriver driver(title, [&](HWND dialog) {
        placesBar = findDescendant(dialog, 1184, TOOLBARCLASSNAMEW) != nullptr;
        ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(showOpenDialog(nullptr, title), L"");
    EXPECT_TRUE(driver.found());
    EXPECT_TRUE(placesBar);
}

}  // namespace
}  // namespace ql::shellUI
