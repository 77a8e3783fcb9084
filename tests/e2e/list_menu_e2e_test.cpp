// The place list's context menu and info tips, worked as a user does: the menu opened with the
// right button, Shift+F10 or the menu key, read from outside and its items chosen with the real
// mouse or their access keys. Every test starts from a profile without a Policies key.
#include "tests/e2e/editor_window.h"
#include "tests/e2e/outside_sources.h"

#include <shlobj.h>

#include <cwchar>

#include <gtest/gtest.h>

namespace ql::e2e {
namespace {

constexpr wchar_t kWindows[] = L"C:\\windows";
constexpr wchar_t kBrowserCaption[] = L"Browse for Folder";
constexpr wchar_t kPickerCaption[] = L"Choose special folder to add to PlacesBar";

using Shown = std::vector<std::wstring>;
const Shown kEntryMenu{L"Open", L"Copy path", L"-", L"Move up", L"Move down", L"-", L"Remove"};

// Documents, C:\windows, My Computer: a special folder with a path, a path, one without a path.
bool storeThreePlaces() {
    deleteKeyTree(kPolicies);
    storePlaces({RegValue::dword(kCsidlPersonal), RegValue::string(kWindows), RegValue::dword(kCsidlDrives)});
    return true;
}

class ListMenuE2E : public ::testing::Test {
protected:
    void TearDown() override { deleteKeyTree(kPolicies); }

    PopupMenu menuOnEntry(int item) const {
        mouse::rightClick(editor.window(), editor.list().itemPoint(item));
        return waitForPopupMenu(editor.program());
    }
    PopupMenu menuOnEmptySpace() const {
        RECT list{};
        ::GetWindowRect(editor.control(ids::kFolderList), &list);
        const POINT at{(list.left + list.right) / 2, list.bottom - 12};
        // Off the entries first: an entry's info tip still showing would take the click.
        mouse::moveTo(editor.window(), at);
        waitUntil([&] {
            for (HWND hwnd : editor.program().windows()) {
                if (className(hwnd) == TOOLTIPS_CLASSW) return false;
            }
            return true;
        });
        mouse::rightClick(editor.window(), at);
        return waitForPopupMenu(editor.program());
    }
    // The menu's window goes before its loop has ended: the window settles before the next click,
    // which the ending loop would otherwise take.
    void dismiss() const {
        pressKey(editor.window(), VK_ESCAPE);
        EXPECT_TRUE(menuClosed(editor.program()));
        settle(editor.window());
    }
    void choose(const PopupMenu& menu, std::wstring_view item) const {
        ASSERT_TRUE(menu.item(item).enabled) << narrowText(item);
        mouse::click(editor.window(), menu.item(item).centre);
        EXPECT_TRUE(menuClosed(editor.program()));
        settle(editor.window());
    }
    HWND focused() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        ::GetGUIThreadInfo(::GetWindowThreadProcessId(editor.window(), nullptr), &info);
        return info.hwndFocus;
    }

    bool stored_ = storeThreePlaces();  // before the editor starts and reads them
    Editor editor;
};

std::wstring documentsPath() {
    wchar_t path[MAX_PATH]{};
    ::SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

void emptyClipboard() {
    ASSERT_TRUE(waitUntil([] { return ::OpenClipboard(nullptr) != FALSE; }));
    ::EmptyClipboard();
    ::CloseClipboard();
}

TEST_F(ListMenuE2E, TheMenusOfferTheirCommandsAndGreyWhatTheRulesForbid) {
    PopupMenu menu = menuOnEntry(1);
    EXPECT_EQ(menu.shown(), kEntryMenu);
    EXPECT_TRUE(menu.item(L"Open").isDefault);
    dismiss();

    EXPECT_EQ(menuOnEntry(0).shown(), (Shown{L"Open", L"Copy path", L"-", L"[Move up]", L"Move down", L"-", L"Remove"}));
    dismiss();
    // My Computer opens, but has no path to copy.
    EXPECT_EQ(menuOnEntry(2).shown(), (Shown{L"Open", L"[Copy path]", L"-", L"Move up", L"[Move down]", L"-", L"Remove"}));
    dismiss();

    emptyClipboard();
    EXPECT_EQ(menuOnEmptySpace().shown(), (Shown{L"[Paste]", L"-", L"Add folder...", L"Add special...", L"-", L"Import places bar...", L"Export places bar..."}));
    dismiss();
    putTextOnClipboard(L"C:\\users\r\nC:\\windows\\system32");
    EXPECT_EQ(menuOnEmptySpace().shown(), (Shown{L"Paste", L"-", L"Add folder...", L"Add special...", L"-", L"Import places bar...", L"Export places bar..."}));
    dismiss();

    // A full list adds nothing more.
    choose(menuOnEmptySpace(), L"Paste");
    ASSERT_EQ(editor.entries().size(), 5u);
    EXPECT_EQ(menuOnEmptySpace().shown(), (Shown{L"[Paste]", L"-", L"[Add folder...]", L"[Add special...]", L"-", L"Import places bar...", L"Export places bar..."}));
    dismiss();
    EXPECT_TRUE(editor.staysOpen());
}

TEST_F(ListMenuE2E, EachEntryCommandDoesWhatItSays) {
    const Names start = editor.entries();

    choose(menuOnEntry(1), L"Copy path");
    EXPECT_EQ(clipboardText(), std::wstring(kWindows));
    choose(menuOnEntry(0), L"Copy path");
    EXPECT_EQ(clipboardText(), documentsPath());
    EXPECT_EQ(editor.entries(), start);

    choose(menuOnEntry(0), L"Move down");
    EXPECT_EQ(editor.entries(), (Names{start[1], start[0], start[2]}));
    EXPECT_EQ(editor.list().selection(), std::vector<int>{1});
    EXPECT_EQ(focused(), editor.control(ids::kFolderList));
    choose(menuOnEntry(2), L"Move up");
    EXPECT_EQ(editor.entries(), (Names{start[1], start[2], start[0]}));

    choose(menuOnEntry(0), L"Remove");
    EXPECT_EQ(editor.entries(), (Names{start[2], start[0]}));
    EXPECT_EQ(focused(), editor.control(ids::kFolderList));

    editor.click(ids::kApplyChanges);
    EXPECT_EQ(storedPlaces(), (std::vector<RegValue>{RegValue::dword(kCsidlDrives), RegValue::dword(kCsidlPersonal)}));
}

// Answers what is sent to this process's windows: a file manager that starts waits until every
// top-level window of the desktop has answered it.
void serveSentMessages() {
    MSG msg{};
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
}

TEST_F(ListMenuE2E, OpenShowsTheFolderInTheFileManager) {
    choose(menuOnEntry(1), L"Open");
    const HWND folder = waitForAnyWindow(
        [&](HWND hwnd) {
            serveSentMessages();
            DWORD process = 0;
            ::GetWindowThreadProcessId(hwnd, &process);
            return process != editor.program().id() && text(hwnd) == L"windows" && !owner(hwnd);
        },
        "the file manager showing C:\\windows");
    EXPECT_TRUE(processFileName(folder).ends_with(L"explorer.exe")) << narrowText(processFileName(folder));
    ::PostMessageW(folder, WM_CLOSE, 0, 0);
    EXPECT_TRUE(waitUntil([&] { return !::IsWindow(folder); })) << "the file manager stays";
    EXPECT_TRUE(editor.program().running());
    EXPECT_TRUE(enabled(editor.window()));
}

TEST_F(ListMenuE2E, EmptySpaceCommandsPasteAndOpenTheAddImportAndExportDialogs) {
    putTextOnClipboard(L"C:\\users");
    choose(menuOnEmptySpace(), L"Paste");
    EXPECT_EQ(editor.entriesOnceThereAre(4).back(), pathEntry(L"C:\\users"));
    EXPECT_EQ(editor.entries().size(), 4u);

    choose(menuOnEmptySpace(), L"Add folder...");
    click(control(editor.waitForDialog(kBrowserCaption), IDCANCEL));
    ASSERT_TRUE(editor.staysOpen());
    choose(menuOnEmptySpace(), L"Add special...");
    click(control(editor.waitForDialog(kPickerCaption), IDCANCEL));
    ASSERT_TRUE(editor.staysOpen());
    for (const wchar_t* command : {L"Import places bar...", L"Export places bar..."}) {
        choose(menuOnEmptySpace(), command);
        post(editor.waitForDialog(std::wstring(command).substr(0, std::wcslen(command) - 3)), WM_COMMAND, IDCANCEL);
        ASSERT_TRUE(editor.staysOpen());
    }
    EXPECT_EQ(editor.entries().size(), 4u);
}

TEST_F(ListMenuE2E, ShiftF10AndTheMenuKeyOpenTheMenuAtTheSelectedEntry) {
    const Names start = editor.entries();
    const HWND list = editor.control(ids::kFolderList);
    mouse::click(editor.window(), editor.list().itemPoint(1));

    pressKey(editor.window(), VK_F10, {VK_SHIFT});
    PopupMenu menu = waitForPopupMenu(editor.program());
    EXPECT_EQ(menu.shown(), kEntryMenu);
    RECT shownAt{};
    ::GetWindowRect(menu.window, &shownAt);
    const RECT entry = editor.list().itemRect(1);
    EXPECT_GE(shownAt.top, entry.top);
    EXPECT_LE(shownAt.top, entry.bottom + 2) << "just below the entry";
    // The access key of "Move &down".
    pressKey(editor.window(), 'D');
    EXPECT_TRUE(menuClosed(editor.program()));
    EXPECT_EQ(editor.entries(), (Names{start[0], start[2], start[1]}));
    EXPECT_EQ(focused(), list);

    pressKey(editor.window(), VK_APPS);
    EXPECT_EQ(waitForPopupMenu(editor.program()).shown(),
              (Shown{L"Open", L"Copy path", L"-", L"Move up", L"[Move down]", L"-", L"Remove"}));
    pressKey(editor.window(), 'R');
    EXPECT_EQ(editor.entries(), (Names{start[0], start[2]}));
    EXPECT_EQ(focused(), list);
}

// The tip the program shows now, once it shows `expected`.
std::wstring tipShown(const Editor& editor, const std::wstring& expected) {
    std::wstring shown;
    waitUntil([&] {
        for (HWND hwnd : editor.program().windows()) {
            if (className(hwnd) == TOOLTIPS_CLASSW && (shown = text(hwnd)) == expected) return true;
        }
        return false;
    });
    return shown;
}

TEST_F(ListMenuE2E, HoveringAnEntryShowsWhatIsStoredAndWhereItLeads) {
    editor.entries();  // where a place leads is known once its look-up has answered
    ::SetForegroundWindow(editor.window());
    const POINT documents = editor.list().itemPoint(0);
    mouse::moveTo(editor.window(), documents);
    mouse::moveTo(editor.window(), {documents.x + 2, documents.y});
    const std::wstring special = L"Special folder 5 - " + documentsPath();
    EXPECT_EQ(tipShown(editor, special), special);

    const POINT windows = editor.list().itemPoint(1);
    mouse::moveTo(editor.window(), windows);
    mouse::moveTo(editor.window(), {windows.x + 2, windows.y});
    EXPECT_EQ(tipShown(editor, L"REG_SZ C:\\windows"), L"REG_SZ C:\\windows");

    const POINT drives = editor.list().itemPoint(2);
    mouse::moveTo(editor.window(), drives);
    mouse::moveTo(editor.window(), {drives.x + 2, drives.y});
    EXPECT_EQ(tipShown(editor, L"Special folder 17"), L"Special folder 17");
}

}  // namespace
}  // namespace ql::e2e
