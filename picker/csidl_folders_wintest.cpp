#include "picker/csidl_folders_win32.h"

#include "common/win_dpi.h"
#include "picker/picker_ids.h"
#include "shell/shell_ui_win32.h"
#include "tests/support/modal_driver.h"
#include "common/win_texts.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace ql::picker {
namespace {

// Acts on the picker once it is shown, while the modal call runs on the test's thread.
class ModalDriver : public testing::ModalDriver {
public:
    explicit ModalDriver(std::function<void(HWND)> act) : testing::ModalDriver(win::loadText(IDS_PICKER_CAPTION), std::move(act)) {}
};

struct Entry {
    int csidl;
    std::wstring name;  // as the shell gives it, or as the list shows it
    int icon;
    // A name that other entries share shows as "<name>: <where it leads>".
    bool operator==(const Entry& other) const {
        const auto shownAs = [](const std::wstring& shown, const std::wstring& given) {
            return shown == given || shown.starts_with(given + L": ");
        };
        return csidl == other.csidl && icon == other.icon && (shownAs(name, other.name) || shownAs(other.name, name));
    }
};

std::ostream& operator<<(std::ostream& os, const Entry& e) {
    return os << e.csidl << " \"" << std::string(e.name.begin(), e.name.end()) << "\" icon " << e.icon;
}

std::vector<shellUI::KnownFolder> noKnownFolders() { return {}; }

// A chosen special folder's CSIDL; -1 for no choice.
std::int32_t csidlOf(const std::optional<Place>& chosen) {
    if (!chosen) return -1;
    EXPECT_FALSE(chosen->isPath());
    return chosen->csidl;
}

HWND listOf(HWND picker) { return ::GetDlgItem(picker, ids::kFolderList); }

std::vector<Entry> entriesOf(HWND list) {
    std::vector<Entry> entries;
    const int count = ListView_GetItemCount(list);
    for (int i = 0; i < count; ++i) {
        wchar_t text[260]{};
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
        item.iItem = i;
        item.pszText = text;
        item.cchTextMax = 260;
        ListView_GetItem(list, &item);
        entries.push_back({static_cast<int>(item.lParam), text, item.iImage});
    }
    return entries;
}

std::vector<int> selectedPositions(HWND list) {
    std::vector<int> selected;
    for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(list, i, LVNI_SELECTED))
        selected.push_back(i);
    return selected;
}

void selectOnly(HWND list, int position) {
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (position >= 0) ListView_SetItemState(list, position, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void click(HWND picker, int id) { ::PostMessageW(::GetDlgItem(picker, id), BM_CLICK, 0, 0); }

// A key as the focused list receives it; the picker's message loop hands it to the dialog manager.
void key(HWND picker, UINT vk) {
    ::PostMessageW(listOf(picker), WM_KEYDOWN, vk, 1);
}

LPARAM pointAt(int x, int y) { return MAKELPARAM(x, y); }

void doubleClickAt(HWND list, POINT p) {
    ::PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, pointAt(p.x, p.y));
    ::PostMessageW(list, WM_LBUTTONUP, 0, pointAt(p.x, p.y));
    ::PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, pointAt(p.x, p.y));
    ::PostMessageW(list, WM_LBUTTONUP, 0, pointAt(p.x, p.y));
}

POINT centreOfEntry(HWND list, int position) {
    RECT r{};
    ListView_GetItemRect(list, position, &r, LVIR_ICON);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

RECT clientRectIn(HWND control, HWND parent) {
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Runs the thread's messages until `done` holds; false when it never does.
bool pumpUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 600 && !done(); ++i) {
        MSG msg{};
        while (!done() && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        if (!done()) ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
    return done();
}

// Asks for the icons and runs the thread's messages until the picker's list is complete with them.
bool waitUntilFilled(CsidlFolders& picker) {
    picker.loadIcons();
    return pumpUntil([&] { return picker.filled() && picker.iconsShown(); });
}

// From another thread: waits until `owner` is disabled, that is until a choice has begun.
bool waitUntilDisabled(HWND owner) {
    for (int i = 0; i < 2000 && ::IsWindowEnabled(owner); ++i) ::Sleep(5);
    return !::IsWindowEnabled(owner);
}

// What the shell itself says of CSIDL 0 to 49 on this system.
std::vector<Entry> shellSpecialFolders() {
    std::vector<Entry> folders;
    for (int csidl = 0; csidl <= 49; ++csidl) {
        if (const auto folder = shellUI::getSpecialFolderDisplayInfo(csidl, nullptr)) {
            folders.push_back({csidl, folder->displayName, folder->iconIndex});
        }
    }
    return folders;
}

// A picker over the real shell, counting its questions, with a visible owner window.
class Picker : public ::testing::Test {
protected:
    Picker() {
        owner = ::CreateWindowExW(0, WC_STATICW, L"Picker owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 120, 640, 560,
                                  nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    }
    ~Picker() override {
        picker.unload();
        if (owner) ::DestroyWindow(owner);
    }

    bool loadFilled(HWND loadOwner) { return picker.load(loadOwner) && waitUntilFilled(picker); }

    std::optional<Place> choosePlace(std::function<void(HWND)> act) {
        ModalDriver driver(std::move(act));
        std::optional<Place> result = picker.selectSpecialFolder(owner);
        EXPECT_TRUE(driver.found());
        EXPECT_FALSE(::IsWindowVisible(picker.hwnd()));
        return result;
    }
    // The chosen special folder's CSIDL; -1 for no choice.
    std::int32_t choose(std::function<void(HWND)> act) { return csidlOf(choosePlace(std::move(act))); }

    HWND owner = nullptr;
    std::atomic<int> queries{0};
    int knownFolderQueries = 0;
    shellUI::LookupQueue lookups;
    CsidlFolders picker{lookups, [this](int csidl) {
                            ++queries;
                            return SpecialFolderScan::askShellName(csidl);
                        },
                        [this] {
                            ++knownFolderQueries;
                            return shellUI::knownFoldersWithoutCsidl();
                        }};
};

TEST_F(Picker, LoadsHiddenWithEverySpecialFolderTheShellResolvesInCsidlOrderThenTheKnownFolders) {
    ASSERT_TRUE(loadFilled(owner));
    ASSERT_TRUE(picker.hwnd());
    EXPECT_FALSE(::IsWindowVisible(picker.hwnd()));
    EXPECT_EQ(::GetWindow(picker.hwnd(), GW_OWNER), owner);

    std::vector<Entry> expected = shellSpecialFolders();
    for (const shellUI::KnownFolder& known : shellUI::knownFoldersWithoutCsidl()) {
        const shellUI::DisplayInfo info = shellUI::getPathDisplayInfo(known.path);
        expected.push_back({-1, info.displayName, info.iconIndex});
    }
    const std::vector<Entry> entries = entriesOf(listOf(picker.hwnd()));
    EXPECT_EQ(entries, expected);
    for (const Entry& e : entries) {
        EXPECT_FALSE(e.name.empty()) << e;
        EXPECT_GE(e.icon, 0) << e;
    }
    std::cout << "Special folders resolved from CSIDL 0 to 49: " << entries.size() << "\n";
    RecordProperty("entries", static_cast<int>(entries.size()));

    EXPECT_EQ(queries, 50);
    EXPECT_EQ(knownFolderQueries, 1);

    // Loading again builds nothing.
    EXPECT_TRUE(picker.load(owner));
    EXPECT_EQ(queries, 50);
    EXPECT_EQ(knownFolderQueries, 1);
}

TEST_F(Picker, AKnownFolderIsChosenAsItsPath) {
    ASSERT_TRUE(loadFilled(owner));
    const std::vector<shellUI::KnownFolder> known = shellUI::knownFoldersWithoutCsidl();
    ASSERT_FALSE(known.empty());
    ASSERT_EQ(known.front().name, L"Downloads");
    const int position = static_cast<int>(shellSpecialFolders().size());
    const std::optional<Place> chosen = choosePlace([&](HWND w) {
        ListView_EnsureVisible(listOf(w), position, FALSE);
        doubleClickAt(listOf(w), centreOfEntry(listOf(w), position));
    });
    EXPECT_EQ(chosen, Place::folderPath(std::u16string(known.front().path.begin(), known.front().path.end())));
}

TEST_F(Picker, ShowsTheShellsLargeIconsUnsorted) {
    ASSERT_TRUE(loadFilled(owner));
    const HWND list = listOf(picker.hwnd());
    const auto style = ::GetWindowLongPtrW(list, GWL_STYLE);
    EXPECT_EQ(style & LVS_TYPEMASK, LVS_ICON);
    EXPECT_TRUE(style & LVS_SHAREIMAGELISTS);
    EXPECT_FALSE(style & (LVS_SORTASCENDING | LVS_SORTDESCENDING));
    for (int kind : {LVSIL_NORMAL, LVSIL_SMALL}) {
        const HIMAGELIST images = ListView_GetImageList(list, kind);
        ASSERT_TRUE(images) << kind;
        int cx = 0, cy = 0;
        ImageList_GetIconSize(images, &cx, &cy);
        EXPECT_EQ(cx, 32) << kind;
        EXPECT_EQ(cy, 32) << kind;
    }
}

TEST_F(Picker, WindowAndControlsStandAtTheirPlacesAtTheWindowsDpi) {
    ASSERT_TRUE(loadFilled(owner));
    const HWND window = picker.hwnd();
    const int dpi = win::dpiForWindow(window);
    wchar_t caption[128]{};
    ::GetWindowTextW(window, caption, 128);
    EXPECT_EQ(std::wstring(caption), win::loadText(IDS_PICKER_CAPTION));

    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE));
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    EXPECT_TRUE(::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    EXPECT_FALSE(::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);

    RECT client{};
    ::GetClientRect(window, &client);
    EXPECT_TRUE(client == win::twipsRectToPixels({0, 0, 6585, 5745}, dpi));

    struct Expected {
        int id;
        const wchar_t* text;
        TwipsRect rect;
    };
    // In tab order, which is the order of the children: the list named by the label before it, OK before Cancel.
    const Expected controls[] = {{ids::kListLabel, L"Special &folders:", {120, 120, 6375, 255}},
                                 {ids::kFolderList, L"", {120, 420, 6375, 4515}},
                                 {ids::kOk, L"&OK", {3840, 5160, 1215, 375}},
                                 {ids::kCancel, L"&Cancel", {5280, 5160, 1215, 375}}};
    HWND child = ::GetWindow(window, GW_CHILD);
    for (const Expected& c : controls) {
        ASSERT_TRUE(child);
        EXPECT_EQ(::GetDlgCtrlID(child), c.id);
        wchar_t text[64]{};
        ::GetWindowTextW(child, text, 64);
        EXPECT_STREQ(text, c.text);
        EXPECT_TRUE(clientRectIn(child, window) == win::twipsRectToPixels(c.rect, dpi)) << c.id;
        child = ::GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_FALSE(child);
    EXPECT_EQ(::GetWindowLongPtrW(::GetDlgItem(window, ids::kOk), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
}

// Notes in *ref whether a WM_SETFONT ever found the control holding a font that was destroyed already.
LRESULT CALLBACK watchHeldFont(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref) {
    if (msg == WM_SETFONT) {
        const auto held = reinterpret_cast<HGDIOBJ>(::SendMessageW(hwnd, WM_GETFONT, 0, 0));
        if (held && ::GetObjectType(held) == 0) *reinterpret_cast<bool*>(ref) = true;
    }
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

TEST_F(Picker, ADpiChangeLaysItOutAnewAndNoControlHoldsADestroyedFontMeanwhile) {
    ASSERT_TRUE(loadFilled(owner));
    const HWND window = picker.hwnd();
    const HWND ok = ::GetDlgItem(window, ids::kOk);
    bool heldDestroyedFont = false;
    ASSERT_TRUE(::SetWindowSubclass(ok, watchHeldFont, 1, reinterpret_cast<DWORD_PTR>(&heldDestroyedFont)));

    for (const int dpi : {144, 96}) {
        RECT suggested{100, 80, 900, 800};
        ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        RECT client{};
        ::GetClientRect(window, &client);
        EXPECT_TRUE(client == win::twipsRectToPixels({0, 0, 6585, 5745}, dpi)) << dpi;
        EXPECT_TRUE(clientRectIn(ok, window) == win::twipsRectToPixels({3840, 5160, 1215, 375}, dpi)) << dpi;
        EXPECT_EQ(::GetObjectType(reinterpret_cast<HGDIOBJ>(::SendMessageW(ok, WM_GETFONT, 0, 0))), OBJ_FONT) << dpi;
    }
    EXPECT_FALSE(heldDestroyedFont);
    ::RemoveWindowSubclass(ok, watchHeldFont, 1);
}

TEST_F(Picker, ShownModallyCentredOnItsOwner) {
    ASSERT_TRUE(picker.load(nullptr));
    bool ownerEnabled = true;
    HWND ownedBy = nullptr;
    RECT shown{};
    EXPECT_EQ(choose([&](HWND w) {
                  ownerEnabled = ::IsWindowEnabled(owner);
                  ownedBy = ::GetWindow(w, GW_OWNER);
                  ::GetWindowRect(w, &shown);
                  click(w, ids::kCancel);
              }),
              -1);
    EXPECT_FALSE(ownerEnabled);
    EXPECT_EQ(ownedBy, owner);
    EXPECT_TRUE(::IsWindowEnabled(owner));
    RECT around{};
    ::GetWindowRect(owner, &around);
    EXPECT_NEAR((shown.left + shown.right) / 2, (around.left + around.right) / 2, 1);
    EXPECT_NEAR((shown.top + shown.bottom) / 2, (around.top + around.bottom) / 2, 1);
}

TEST_F(Picker, OkAtOnceReturnsTheFirstEntryTheDesktop) {
    std::vector<int> selected;
    EXPECT_EQ(choose([&](HWND w) {
                  selected = selectedPositions(listOf(w));
                  click(w, ids::kOk);
              }),
              0);
    EXPECT_EQ(selected, std::vector<int>{0});
    EXPECT_EQ(queries, 50);  // an unloaded picker loads itself
}

TEST_F(Picker, OkAndEnterReturnTheSelectedEntry) {
    ASSERT_TRUE(loadFilled(owner));
    const std::vector<Entry> entries = entriesOf(listOf(picker.hwnd()));
    ASSERT_GE(entries.size(), 6u);
    EXPECT_EQ(choose([](HWND w) {
                  selectOnly(listOf(w), 3);
                  click(w, ids::kOk);
              }),
              entries[3].csidl);
    EXPECT_EQ(choose([](HWND w) {
                  selectOnly(listOf(w), 5);
                  key(w, VK_RETURN);
              }),
              entries[5].csidl);
}

TEST_F(Picker, CancelEscAndTheCloseBoxReturnMinusOneAfterASelectionAndKeepThePickerLoaded) {
    ASSERT_TRUE(loadFilled(owner));
    const HWND window = picker.hwnd();
    const std::pair<const char*, std::function<void(HWND)>> ways[] = {
        {"Cancel", [](HWND w) { click(w, ids::kCancel); }},
        {"Esc", [](HWND w) { key(w, VK_ESCAPE); }},
        {"close box", [](HWND w) { ::PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& [way, ending] : ways) {
        const auto& end = ending;  // clang 14 lets no lambda capture a structured binding
        EXPECT_EQ(choose([&](HWND w) {
                      selectOnly(listOf(w), 4);
                      end(w);
                  }),
                  -1)
            << way;
        EXPECT_EQ(picker.hwnd(), window) << way;
        EXPECT_TRUE(::IsWindow(window)) << way;
        EXPECT_TRUE(::IsWindowEnabled(owner)) << way;
    }
    EXPECT_EQ(queries, 50);
}

TEST_F(Picker, DoubleClickReturnsThatEntryAndBesideTheEntriesChoosesNothing) {
    ASSERT_TRUE(loadFilled(owner));
    const std::vector<Entry> entries = entriesOf(listOf(picker.hwnd()));
    ASSERT_GE(entries.size(), 3u);
    EXPECT_EQ(choose([](HWND w) { doubleClickAt(listOf(w), centreOfEntry(listOf(w), 2)); }), entries[2].csidl);

    // Beside the entries: the picker stays open, and the OK that follows is what chooses.
    static LVITEMW selectSecond{};
    selectSecond.stateMask = selectSecond.state = LVIS_SELECTED | LVIS_FOCUSED;
    EXPECT_EQ(choose([](HWND w) {
                  const HWND list = listOf(w);
                  RECT client{};
                  ::GetClientRect(list, &client);
                  doubleClickAt(list, {client.right - 3, client.bottom - 3});
                  ::PostMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&selectSecond));
                  click(w, ids::kOk);
              }),
              entries[1].csidl);
}

TEST_F(Picker, SecondShowingHasTheSameEntriesAndSelectsTheFirstAgainWithoutAskingTheShell) {
    ASSERT_TRUE(loadFilled(owner));
    const std::vector<Entry> before = entriesOf(listOf(picker.hwnd()));
    ASSERT_GE(before.size(), 8u);
    EXPECT_EQ(choose([](HWND w) {
                  selectOnly(listOf(w), 7);
                  click(w, ids::kOk);
              }),
              before[7].csidl);

    std::vector<Entry> again;
    std::vector<int> selected;
    EXPECT_EQ(choose([&](HWND w) {
                  again = entriesOf(listOf(w));
                  selected = selectedPositions(listOf(w));
                  click(w, ids::kOk);
              }),
              before[0].csidl);
    EXPECT_EQ(again, before);
    EXPECT_EQ(selected, std::vector<int>{0});
    EXPECT_EQ(queries, 50);
}

TEST_F(Picker, OkOrEnterWithNothingSelectedChoosesNothing) {
    ASSERT_TRUE(loadFilled(owner));
    EXPECT_EQ(choose([](HWND w) {
                  selectOnly(listOf(w), -1);
                  click(w, ids::kOk);
              }),
              -1);
    EXPECT_EQ(choose([](HWND w) {
                  selectOnly(listOf(w), -1);
                  key(w, VK_RETURN);
              }),
              -1);
}

TEST_F(Picker, QuitDuringTheChoiceEndsItAndReachesTheOuterLoop) {
    ASSERT_TRUE(loadFilled(owner));
    const DWORD thread = ::GetCurrentThreadId();
    EXPECT_EQ(choose([thread](HWND) { ::PostThreadMessageW(thread, WM_QUIT, 7, 0); }), -1);
    EXPECT_TRUE(::IsWindowEnabled(owner));
    MSG msg{};
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(Picker, UnloadedPickerLoadsAgainAndOneDestroyedWithItsOwnerIsForgotten) {
    ASSERT_TRUE(loadFilled(owner));
    const HWND first = picker.hwnd();
    picker.unload();
    EXPECT_FALSE(picker.hwnd());
    EXPECT_FALSE(::IsWindow(first));
    EXPECT_EQ(choose([](HWND w) { click(w, ids::kOk); }), 0);
    EXPECT_EQ(queries, 100);

    // Owned windows go with their owner.
    ::DestroyWindow(owner);
    owner = nullptr;
    EXPECT_FALSE(picker.hwnd());
    EXPECT_FALSE(picker.filled());
    picker.unload();
    EXPECT_TRUE(loadFilled(nullptr));
    EXPECT_EQ(queries, 150);
}

// The shell asked slowly (1 s for the 50 numbers): the user is quicker than the picker's list.
class SlowPicker : public Picker {
protected:
    std::atomic<int> slowQueries{0};
    CsidlFolders slowPicker{lookups, [this](int csidl) -> std::optional<std::wstring> {
        ++slowQueries;
        ::Sleep(20);
        if (csidl % 3 != 1) return std::nullopt;
        return L"Folder " + std::to_wstring(csidl);
    },
                              noKnownFolders};
};

TEST_F(SlowPicker, AddSpecialBeforeTheListIsCompleteShowsThePickerOnceItIsWithTheOwnerDisabledMeanwhile) {
    ASSERT_TRUE(slowPicker.load(owner));
    bool hiddenAndEmptyWhileWaiting = false;
    std::thread watcher([&] {
        hiddenAndEmptyWhileWaiting = waitUntilDisabled(owner) && !::IsWindowVisible(slowPicker.hwnd()) &&
                                     ListView_GetItemCount(listOf(slowPicker.hwnd())) == 0;
    });
    int entriesWhenShown = -1;
    ModalDriver driver([&](HWND w) {
        entriesWhenShown = ListView_GetItemCount(listOf(w));
        click(w, ids::kOk);
    });
    EXPECT_EQ(csidlOf(slowPicker.selectSpecialFolder(owner)), 1);  // the first entry
    watcher.join();
    EXPECT_TRUE(driver.found());
    EXPECT_TRUE(hiddenAndEmptyWhileWaiting);
    EXPECT_EQ(entriesWhenShown, 17);
    EXPECT_TRUE(::IsWindowEnabled(owner));
}

// The owner closed while the picker waits for its list to show it: no choice, nothing hangs.
TEST_F(SlowPicker, ClosingWhileTheShellIsAskedStopsTheQuestionsAndLeavesNothingWaiting) {
    ASSERT_TRUE(slowPicker.load(owner));
    std::thread closer([&] {
        if (waitUntilDisabled(owner)) ::PostMessageW(owner, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(slowPicker.selectSpecialFolder(owner), std::nullopt);
    closer.join();
    EXPECT_FALSE(::IsWindow(owner));
    owner = nullptr;
    EXPECT_FALSE(slowPicker.hwnd());
    EXPECT_FALSE(slowPicker.filled());
    EXPECT_LT(slowQueries, 50);
}

// Icons slower than the names: the picker shows every entry at once, each with the plain folder
// icon, and each entry's own icon once they are all in.
TEST_F(Picker, ShownBeforeTheIconsAreInItListsEveryEntryWithThePlainFolderIconUntilThen) {
    const win::UniqueHandle gate(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    CsidlFolders gated(lookups, SpecialFolderScan::askShellName, noKnownFolders, [&](const ScannedFolder& folder) {
        ::WaitForSingleObject(gate.get(), INFINITE);
        return SpecialFolderScan::askShellIcon(folder);
    });
    const std::vector<Entry> expected = shellSpecialFolders();
    std::vector<Entry> whenShown;
    ModalDriver driver([&](HWND w) {
        whenShown = entriesOf(listOf(w));
        ::SetEvent(gate.get());
        for (int i = 0; i < 600 && entriesOf(listOf(w)) != expected; ++i) ::Sleep(50);
        click(w, ids::kCancel);
    });
    EXPECT_EQ(gated.selectSpecialFolder(owner), std::nullopt);
    ASSERT_TRUE(driver.found());
    ASSERT_EQ(whenShown.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(whenShown[i], (Entry{expected[i].csidl, expected[i].name, shellUI::genericFolderIconIndex()}));
    }
    EXPECT_TRUE(gated.iconsShown());
    EXPECT_EQ(entriesOf(listOf(gated.hwnd())), expected);
}

// Pickers over a shell that knows only some numbers, or none.
// The icons are not asked for until they are wanted.
TEST(PickerGaps, UnresolvedNumbersAreLeftOutAndTheRestCloseUp) {
    std::atomic<int> iconQuestions{0};
    shellUI::LookupQueue lookups;
    CsidlFolders picker(
        lookups, [](int csidl) -> std::optional<std::wstring> {
            if (csidl % 3 != 1) return std::nullopt;
            return L"Folder " + std::to_wstring(csidl);
        },
        noKnownFolders, [&](const ScannedFolder&) {
            ++iconQuestions;
            return 0;
        });
    ASSERT_TRUE(picker.load(nullptr));
    ASSERT_TRUE(pumpUntil([&] { return picker.filled(); }));
    ::Sleep(100);
    EXPECT_EQ(iconQuestions, 0);
    ASSERT_TRUE(waitUntilFilled(picker));
    EXPECT_EQ(iconQuestions, 17);
    std::vector<Entry> expected;
    for (int csidl = 1; csidl <= 49; csidl += 3) expected.push_back({csidl, L"Folder " + std::to_wstring(csidl), 0});
    EXPECT_EQ(entriesOf(listOf(picker.hwnd())), expected);
}

TEST(PickerGaps, EmptyListChoosesNothing) {
    std::atomic<int> queries{0};
    shellUI::LookupQueue lookups;
    CsidlFolders picker(lookups, [&](int) -> std::optional<std::wstring> {
        ++queries;
        return std::nullopt;
    }, noKnownFolders);
    ModalDriver driver([](HWND w) {
        EXPECT_EQ(ListView_GetItemCount(listOf(w)), 0);
        click(w, ids::kOk);
    });
    EXPECT_EQ(picker.selectSpecialFolder(nullptr), std::nullopt);
    EXPECT_TRUE(driver.found());
    EXPECT_EQ(queries, 50);
}

}  // namespace
}  // namespace ql::picker
