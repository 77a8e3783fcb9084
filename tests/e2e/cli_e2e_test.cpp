// quorlane.exe from the command line, as a script runs it: started with arguments, its output and
// errors read through pipes, its exit status checked, and what it leaves in the registry; .reg
// files exchanged with the system's own registry editor both ways; and the window's "Import places
// bar..." and "Export places bar..." chosen from its system menu with the keyboard.
#include "tests/e2e/editor_window.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace ql::e2e {
namespace {

constexpr wchar_t kWindows[] = L"C:\\windows";
constexpr wchar_t kOther[] = L"Software\\Quorlane e2e other";

Ran quorlane(const std::wstring& arguments) { return run(L"quorlane.exe " + arguments); }

std::string utf8(std::wstring_view text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::string fileBytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

class CommandLineE2E : public ::testing::Test {
protected:
    void SetUp() override { clean(); }
    void TearDown() override { clean(); }
    void clean() {
        deleteKeyTree(kPolicies);
        deleteKeyTree(kOther);
        for (const std::wstring& file : files_) ::DeleteFileW(file.c_str());
    }
    std::wstring file(std::wstring_view name) {
        wchar_t folder[MAX_PATH + 1]{};
        ::GetTempPathW(MAX_PATH + 1, folder);
        return files_.emplace_back(std::wstring(folder) + L"quorlane-e2e-" + std::wstring(name));
    }
    // Every Place value as stored, by name, and the names in the registry's order.
    std::vector<std::pair<std::wstring, std::optional<RegValue>>> registry() const {
        std::vector<std::pair<std::wstring, std::optional<RegValue>>> values;
        for (const std::wstring& name : storedNames()) values.emplace_back(name, stored(name));
        return values;
    }
    // Started from a console of its own without redirection, /list shows there.
    void expectListShownInANewConsole(const std::wstring& program);
    static void expectDone(const Ran& ran) {
        EXPECT_EQ(ran.status, 0u) << ran.error;
        EXPECT_EQ(ran.error, "");
    }

    std::vector<std::wstring> files_;
};

TEST_F(CommandLineE2E, SetThenListPrintsTheTwoPlaces) {
    const Ran set = quorlane(L"/set 5 C:\\windows");
    expectDone(set);
    EXPECT_EQ(set.out, "");
    EXPECT_EQ(storedPlaces(), (std::vector<RegValue>{RegValue::dword(5), RegValue::string(kWindows)}));

    const Ran list = quorlane(L"/LIST");
    expectDone(list);
    EXPECT_EQ(list.out, "Place0\tREG_DWORD\t5\t" + utf8(shellFolderName(kCsidlPersonal)) + "\r\nPlace1\tREG_SZ\tC:\\windows\t" +
                            utf8(shellPathName(kWindows)) + "\r\n");

    expectDone(quorlane(L"-defaults"));
    EXPECT_FALSE(keyExists(kPlacesBar));
    EXPECT_EQ(quorlane(L"/list").out, "defaults\r\n");
}

TEST_F(CommandLineE2E, OutputToAFileIsUtf8) {
    const std::wstring folder = L"C:\\Quorlane e2e \u00dcn\u00efcode \u65e5\u672c";
    const TemporaryFolders made({folder});
    expectDone(quorlane(L"/set " + quoted(folder) + L" %SystemRoot%\\system32"));

    const std::wstring listing = file(L"list.txt");
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    {
        win::UniqueHandle out(::CreateFileW(listing.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_NE(out.get(), INVALID_HANDLE_VALUE);
        EXPECT_EQ(run(L"quorlane.exe /list", out.get()).status, 0u);
    }
    EXPECT_EQ(fileBytes(listing), "Place0\tREG_SZ\t" + utf8(folder) + "\t" + utf8(shellPathName(folder)) +
                                      "\r\nPlace1\tREG_EXPAND_SZ\t%SystemRoot%\\system32\t" +
                                      utf8(shellPathName(L"C:\\windows\\system32")) + "\r\n");
}

// Started from a console without redirection, the output shows in that console (on Windows a GUI
// program has no standard handles then, and attaches to it).
TEST_F(CommandLineE2E, WithoutRedirectionTheOutputGoesToTheStartingConsole) {
    expectDone(quorlane(L"/set 5"));
    expectListShownInANewConsole(L"quorlane.exe");
    expectListShownInANewConsole(L"quorlane.com");
}

// quorlane.com, which the shells wait for: the same output, errors and exit status as quorlane.exe.
TEST_F(CommandLineE2E, TheConsoleCompanionPassesOutputErrorsAndStatusThrough) {
    expectDone(run(L"quorlane.com /set 5 C:\\windows"));
    const Ran list = run(L"quorlane.com /list");
    expectDone(list);
    EXPECT_EQ(list.out, quorlane(L"/list").out);

    const Ran refused = run(L"quorlane.com /remove 7");
    EXPECT_EQ(refused.status, 1u);
    EXPECT_EQ(refused.error.rfind("quorlane: ", 0), 0u) << refused.error;
    EXPECT_EQ(storedPlaces(), (std::vector<RegValue>{RegValue::dword(5), RegValue::string(kWindows)}));
}

void CommandLineE2E::expectListShownInANewConsole(const std::wstring& program) {
    ::FreeConsole();
    ASSERT_TRUE(::AllocConsole());
    const win::UniqueHandle console(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                  nullptr, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring line = program + L" /list";
    SCOPED_TRACE(narrowText(line));
    ASSERT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
    const win::UniqueHandle process(info.hProcess), thread(info.hThread);
    ASSERT_EQ(::WaitForSingleObject(process.get(), static_cast<DWORD>(kPatience.count())), WAIT_OBJECT_0);
    std::wstring shown(80, L'\0');  // the first row; the console shows the tabs as spaces
    DWORD got = 0;
    ::ReadConsoleOutputCharacterW(console.get(), shown.data(), static_cast<DWORD>(shown.size()), COORD{0, 0}, &got);
    ::FreeConsole();
    EXPECT_EQ(shown.rfind(L"Place0 ", 0), 0u) << narrowText(shown);
    EXPECT_NE(shown.find(L" REG_DWORD "), std::wstring::npos) << narrowText(shown);
    EXPECT_NE(shown.find(L" " + shellFolderName(kCsidlPersonal)), std::wstring::npos) << narrowText(shown);
}

TEST_F(CommandLineE2E, ExportDefaultsImportBringsTheRegistryBackValueForValue) {
    expectDone(quorlane(L"/set Documents \"C:\\Program Files\" %SystemRoot%\\system32 17"));
    const auto before = registry();
    ASSERT_EQ(before.size(), 4u);
    EXPECT_EQ(before[2].second->type, static_cast<DWORD>(REG_EXPAND_SZ));

    const std::wstring exported = file(L"places.reg");
    expectDone(quorlane(L"/export " + quoted(exported)));
    EXPECT_EQ(fileBytes(exported).substr(0, 4), std::string("\xFF\xFEW\0", 4));
    expectDone(quorlane(L"/defaults"));
    EXPECT_FALSE(keyExists(kPlacesBar));
    expectDone(quorlane(L"/import " + quoted(exported)));
    EXPECT_EQ(registry(), before);
}

TEST_F(CommandLineE2E, TheRegistryEditorImportsAnExportAndExportsWhatIsImported) {
    expectDone(quorlane(L"/set 0 C:\\windows %SystemRoot%\\system32 Favorites"));
    expectDone(quorlane(L"/hide placesbar RecentFiles"));
    const auto before = registry();

    // Our export, imported by the registry editor or by Quorlane, gives the same registry, the
    // dialogs' settings included.
    const std::wstring ours = file(L"ours.reg");
    expectDone(quorlane(L"/export " + quoted(ours)));
    for (const std::wstring& import : {L"regedit.exe /S " + quoted(ours), L"quorlane.exe /import " + quoted(ours)}) {
        expectDone(quorlane(L"/set 8"));
        expectDone(quorlane(L"/show placesbar recentfiles"));
        expectDone(quorlane(L"/hide backbutton"));
        EXPECT_EQ(run(import).status, 0u);
        EXPECT_EQ(registry(), before);
        const Ran options = quorlane(L"/options");
        EXPECT_EQ(options.out, "placesbar\thidden\r\nbackbutton\tshown\r\nrecentfiles\thidden\r\n") << narrowText(import);
    }

    // The registry editor's export of the key, imported by Quorlane, gives it back too.
    const std::wstring theirs = file(L"theirs.reg");
    EXPECT_EQ(run(L"regedit.exe /E " + quoted(theirs) + L" \"HKEY_CURRENT_USER\\" + kPlacesBar + L"\"").status, 0u);
    ASSERT_FALSE(fileBytes(theirs).empty());
    expectDone(quorlane(L"/defaults"));
    expectDone(quorlane(L"/import " + quoted(theirs)));
    EXPECT_EQ(registry(), before);
}

TEST_F(CommandLineE2E, AFileThatAlsoWritesAnotherKeyIsRefusedAndNothingIsTouched) {
    expectDone(quorlane(L"/set 5"));
    const std::wstring evil = file(L"evil.reg");
    {
        std::ofstream out(evil.c_str(), std::ios::binary);
        out << "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" << narrowText(kPlacesBar) << "]\r\n\"Place0\"=dword:00000011\r\n\r\n"
            << "[HKEY_CURRENT_USER\\" << narrowText(kOther) << "]\r\n\"x\"=\"y\"\r\n";
    }
    const Ran ran = quorlane(L"/import " + quoted(evil));
    EXPECT_EQ(ran.status, 1u);
    EXPECT_EQ(ran.error, "quorlane: " + utf8(evil) + ", line 6 names the key HKEY_CURRENT_USER\\" + narrowText(kOther) +
                             ", not the places bar; nothing was imported\r\n");
    EXPECT_EQ(storedPlaces(), std::vector<RegValue>{RegValue::dword(5)});
    EXPECT_FALSE(keyExists(kOther));
}

TEST_F(CommandLineE2E, AnUnknownCommandExitsTwoWithTheUsageAndChangesNothing) {
    expectDone(quorlane(L"/set 5 6 8"));
    const auto before = registry();
    const Ran ran = quorlane(L"/frobnicate");
    EXPECT_EQ(ran.status, 2u);
    EXPECT_EQ(ran.out, "");
    EXPECT_EQ(ran.error.rfind("quorlane: unknown command /frobnicate\r\nUsage: quorlane", 0), 0u) << ran.error;
    EXPECT_EQ(quorlane(L"/hide everything").status, 2u);
    EXPECT_EQ(registry(), before);
    EXPECT_TRUE(valueNames(std::wstring(kPolicies) + L"\\ComDlg32").empty());
}

TEST_F(CommandLineE2E, UnderWineAUnixPathIsStoredAsTheWindowsPathItMapsTo) {
    if (!::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")) GTEST_SKIP() << "not Wine";
    expectDone(quorlane(L"/add /tmp"));
    EXPECT_EQ(storedPlaces(), std::vector<RegValue>{RegValue::string(L"Z:\\tmp")});
}

// Alt+Space opens the system menu; Up from its top comes round to the last item, "Export places
// bar...", and once more to "Import places bar...".
HWND chooseFromSystemMenu(const Editor& editor, int upPresses, std::wstring_view dialogCaption) {
    focus(editor.window(), editor.control(ids::kCustomizeYes));
    pressKey(editor.window(), VK_SPACE, {VK_MENU});
    for (int i = 0; i < upPresses; ++i) pressKey(editor.window(), VK_UP);
    pressKey(editor.window(), VK_RETURN);
    return editor.waitForDialog(dialogCaption);
}

void enterFileName(HWND dialog, const std::wstring& path) {
    typeText(dialog, path);
    pressKey(dialog, VK_RETURN);
}

TEST_F(CommandLineE2E, TheWindowImportsIntoItsListUnsavedAndExportsWhatItShows) {
    expectDone(quorlane(L"/set 17 C:\\windows"));
    const std::wstring source = file(L"source.reg");
    expectDone(quorlane(L"/export " + quoted(source)));
    expectDone(quorlane(L"/set 5"));

    const Editor editor;
    ASSERT_EQ(editor.entries(), Names{shellFolderName(kCsidlPersonal)});
    enterFileName(chooseFromSystemMenu(editor, 2, L"Import places bar"), source);
    ASSERT_TRUE(waitUntil([&] { return editor.entries().size() == 2; }));
    EXPECT_EQ(editor.entries(), (Names{shellFolderName(kCsidlDrives), pathEntry(kWindows)}));
    EXPECT_EQ(storedPlaces(), std::vector<RegValue>{RegValue::dword(5)});  // unsaved until Apply

    const std::wstring shown = file(L"shown.reg");
    enterFileName(chooseFromSystemMenu(editor, 1, L"Export places bar"), shown);
    ASSERT_TRUE(waitUntil([&] { return !fileBytes(shown).empty(); }));
    EXPECT_EQ(fileBytes(shown), fileBytes(source));
    EXPECT_TRUE(editor.closeAsksAndCancelKeepsItOpen());
}

}  // namespace
}  // namespace ql::e2e
