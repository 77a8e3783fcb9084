#include "about/about_box_win32.h"
#include "about/about_sysinfo_win32.h"
#include "about/about_values.h"
#include "common/version.h"
#include "common/win_dpi.h"
#include "common/win_handles.h"
#include "common/win_text.h"

#include <gtest/gtest.h>

#include <cwchar>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace ql::about {
namespace {

// ---- Registry: scratch keys of the test's own, removed afterwards -------------------------------

std::wstring scratchKeyName() {
    return L"SOFTWARE\\Quorlane tests\\About " + std::to_wstring(::GetCurrentProcessId());
}

class ScratchKey {
public:
    ScratchKey() : name_(scratchKeyName()) {
        EXPECT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, name_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    key_.put(), nullptr),
                  ERROR_SUCCESS);
    }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    ~ScratchKey() {
        key_.reset();
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, name_.c_str());
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, name_.c_str());
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Quorlane tests");  // only if no other run uses it
    }
    const std::wstring& name() const { return name_; }
    void set(const wchar_t* value, DWORD type, const void* data, std::size_t size) const {
        ASSERT_EQ(::RegSetValueExW(key_.get(), value, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)),
                  ERROR_SUCCESS);
    }
    void setText(const wchar_t* value, const std::wstring& text, bool withNul) const {
        set(value, REG_SZ, text.c_str(), (text.size() + (withNul ? 1 : 0)) * sizeof(wchar_t));
    }

private:
    std::wstring name_;
    win::UniqueHKey key_;
};

// GetKeyValue over the real registry, with the wide texts that the tests hold.
bool GetKeyValue(HKEY keyRoot, std::wstring_view keyName, std::wstring_view subKeyRef, std::wstring& keyVal) {
    std::u16string text = win::toU16(keyVal);
    const bool read = about::GetKeyValue(RegistryValues(keyRoot), win::toU16(keyName), win::toU16(subKeyRef), text);
    keyVal = win::toWide(text);
    return read;
}

TEST(GetKeyValueWin, RegSzReadsTheSameWithAndWithoutTerminatingNul) {
    const ScratchKey key;
    key.setText(L"WithNul", L"C:\\Program Files\\Tools\\msinfo32.exe", true);
    key.setText(L"WithoutNul", L"C:\\Program Files\\Tools\\msinfo32.exe", false);
    std::wstring with, without;
    EXPECT_TRUE(GetKeyValue(HKEY_LOCAL_MACHINE, key.name(), L"WithNul", with));
    EXPECT_TRUE(GetKeyValue(HKEY_LOCAL_MACHINE, key.name(), L"WithoutNul", without));
    EXPECT_EQ(with, L"C:\\Program Files\\Tools\\msinfo32.exe");
    EXPECT_EQ(without, with);
}

TEST(GetKeyValueWin, ReadsUnicodeTextThroughTheWideEntryPoints) {
    const ScratchKey key;
    const std::wstring path = L"C:\\Werkzeug \u00fc\u00df\\\u6587\u4ef6.exe";
    key.setText(L"Path", path, true);
    std::wstring text;
    EXPECT_TRUE(GetKeyValue(HKEY_LOCAL_MACHINE, key.name(), L"Path", text));
    EXPECT_EQ(text, path);
}

TEST(GetKeyValueWin, DwordOtherTypesAndEmptyValues) {
    const ScratchKey key;
    const DWORD number = 0x102;
    key.set(L"Number", REG_DWORD, &number, sizeof number);
    const BYTE blob[] = {1, 2, 3};
    key.set(L"Blob", REG_BINARY, blob, sizeof blob);
    key.set(L"Empty", REG_SZ, nullptr, 0);

    std::wstring text;
    EXPECT_TRUE(GetKeyValue(HKEY_LOCAL_MACHINE, key.name(), L"Number", text));
    EXPECT_EQ(text, L"258");
    text = L"kept";
    EXPECT_TRUE(GetKeyValue(HKEY_LOCAL_MACHINE, key.name(), L"Blob", text));
    EXPECT_EQ(text, L"kept");
    text = L"stale";
    EXPECT_FALSE(GetKeyValue(HKEY_LOCAL_MACHINE, key.name(), L"Empty", text));
    EXPECT_EQ(text, L"");
}

TEST(GetKeyValueWin, MissingKeyOrValueIsFalseWithEmptyText) {
    const ScratchKey key;
    std::wstring text = L"stale";
    EXPECT_FALSE(GetKeyValue(HKEY_LOCAL_MACHINE, key.name(), L"Missing", text));
    EXPECT_EQ(text, L"");
    text = L"stale";
    EXPECT_FALSE(GetKeyValue(HKEY_LOCAL_MACHINE, key.name() + L"\\No such key", L"PATH", text));
    EXPECT_EQ(text, L"");
}

TEST(GetKeyValueWin, ValuesUpToTheBufferAreReadLongerOnesAreNot) {
    const ScratchKey key;
    const std::wstring fits(kValueBufferBytes / sizeof(wchar_t) - 1, L'a');  // with its NUL: 1024 bytes
    const std::wstring tooLong(kValueBufferBytes / sizeof(wchar_t), L'b');
    key.setText(L"Fits", fits, true);
    key.setText(L"TooLong", tooLong, true);
    std::wstring text;
    EXPECT_TRUE(GetKeyValue(HKEY_LOCAL_MACHINE, key.name(), L"Fits", text));
    EXPECT_EQ(text, fits);
    EXPECT_FALSE(GetKeyValue(HKEY_LOCAL_MACHINE, key.name(), L"TooLong", text));
    EXPECT_EQ(text, L"");
}

// A standard account may read the system information keys but not write them: a key whose security
// refuses every writing right to everyone is read all the same.
TEST(GetKeyValueWin, ReadsAKeyThatRefusesWriting) {
    const ScratchKey key;
    alignas(SID) BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof everyone;
    ASSERT_TRUE(::CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sidSize));
    alignas(ACL) BYTE aclBuffer[256];
    auto* acl = reinterpret_cast<ACL*>(aclBuffer);
    ASSERT_TRUE(::InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION));
    constexpr DWORD kWriting = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | WRITE_DAC | WRITE_OWNER;
    ASSERT_TRUE(::AddAccessDeniedAce(acl, ACL_REVISION, kWriting, everyone));
    ASSERT_TRUE(::AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ | DELETE, everyone));
    SECURITY_DESCRIPTOR descriptor;
    ASSERT_TRUE(::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE));

    const std::wstring lockedName = key.name() + L"\\Locked";
    {
        win::UniqueHKey locked;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, lockedName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    locked.put(), nullptr),
                  ERROR_SUCCESS);
        const std::wstring path = L"C:\\Tools\\msinfo32.exe";
        ASSERT_EQ(::RegSetValueExW(locked.get(), L"PATH", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                                   static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        ASSERT_EQ(::RegSetKeySecurity(locked.get(), DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);
    }
    win::UniqueHKey refused;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, lockedName.c_str(), 0, 0x2003F, refused.put()), ERROR_ACCESS_DENIED)
        << "the key must refuse an open that asks for writing rights";

    std::wstring text;
    EXPECT_TRUE(GetKeyValue(HKEY_LOCAL_MACHINE, lockedName, L"PATH", text));
    EXPECT_EQ(text, L"C:\\Tools\\msinfo32.exe");
}

// ---- Files and programs ------------------------------------------------------------------------

std::wstring systemFolder() {
    wchar_t buffer[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH);
    return std::wstring(buffer, length);
}

// A folder of the test's own under the temporary folder, with blanks in its name, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder() {
        wchar_t temp[MAX_PATH];
        const DWORD length = ::GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp, length) + L"ql about " + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(path_.c_str(), nullptr);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        for (const std::wstring& file : files_) {
            ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(file.c_str());
        }
        for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) ::RemoveDirectoryW(it->c_str());
        ::RemoveDirectoryW(path_.c_str());
    }
    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
        const std::wstring full = path_ + L"\\" + name;
        const HANDLE created = ::CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
        EXPECT_NE(created, INVALID_HANDLE_VALUE);
        const win::UniqueHandle closed(created == INVALID_HANDLE_VALUE ? nullptr : created);
        return remember(full);
    }
    std::wstring copy(const std::wstring& from, const std::wstring& name) {
        const std::wstring full = path_ + L"\\" + name;
        EXPECT_TRUE(::CopyFileW(from.c_str(), full.c_str(), FALSE)) << win::errorText(::GetLastError()).c_str();
        return remember(full);
    }
    std::wstring folder(const std::wstring& name) {
        const std::wstring full = path_ + L"\\" + name;
        ::CreateDirectoryW(full.c_str(), nullptr);
        folders_.push_back(full);
        return full;
    }

private:
    std::wstring remember(const std::wstring& full) {
        files_.push_back(full);
        return full;
    }
    std::wstring path_;
    std::vector<std::wstring> files_;
    std::vector<std::wstring> folders_;
};

TEST(IsOrdinaryFile, OnlyVisibleNonSystemFilesCount) {
    ScratchFolder scratch;
    EXPECT_TRUE(isOrdinaryFile(scratch.file(L"plain.exe")));
    EXPECT_FALSE(isOrdinaryFile(scratch.file(L"hidden.exe", FILE_ATTRIBUTE_HIDDEN)));
    EXPECT_FALSE(isOrdinaryFile(scratch.file(L"system.exe", FILE_ATTRIBUTE_SYSTEM)));
    EXPECT_FALSE(isOrdinaryFile(scratch.folder(L"folder.exe")));
    EXPECT_FALSE(isOrdinaryFile(scratch.path() + L"\\missing.exe"));
}

std::wstring imageOf(DWORD processId) {
    const win::UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    wchar_t buffer[MAX_PATH];
    DWORD length = MAX_PATH;
    if (!process || !::QueryFullProcessImageNameW(process.get(), 0, buffer, &length)) return {};
    return std::wstring(buffer, length);
}

BOOL CALLBACK collectForeignWindow(HWND hwnd, LPARAM out) {
    DWORD processId = 0;
    ::GetWindowThreadProcessId(hwnd, &processId);
    if (processId != ::GetCurrentProcessId() && ::IsWindowVisible(hwnd)) {
        reinterpret_cast<std::set<HWND>*>(out)->insert(hwnd);
    }
    return TRUE;
}

// Visible top-level windows of other processes.
std::set<HWND> foreignWindows() {
    std::set<HWND> found;
    ::EnumWindows(collectForeignWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

// A program that startProgram started shows a window: its image path; the program is then closed.
std::wstring imageOfNewWindowClosingIt(const std::set<HWND>& before) {
    for (int attempt = 0; attempt < 150; ++attempt) {
        for (HWND hwnd : foreignWindows()) {
            if (before.count(hwnd)) continue;
            DWORD processId = 0;
            ::GetWindowThreadProcessId(hwnd, &processId);
            const std::wstring image = imageOf(processId);
            const win::UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
            ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
            if (process && ::WaitForSingleObject(process.get(), 10000) != WAIT_OBJECT_0) {
                ::TerminateProcess(process.get(), 1);
            }
            return image;
        }
        ::Sleep(100);
    }
    return {};
}

bool samePath(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

TEST(StartProgram, StartsTheNamedProgramEvenInAFolderWithBlanks) {
    ScratchFolder scratch;
    const std::wstring tool = scratch.copy(systemFolder() + L"\\msinfo32.exe", L"info tool.exe");
    const std::set<HWND> before = foreignWindows();
    ASSERT_TRUE(startProgram(tool));
    EXPECT_TRUE(samePath(imageOfNewWindowClosingIt(before), tool));
}

TEST(StartProgram, FailsForNoProgram) {
    ScratchFolder scratch;
    EXPECT_FALSE(startProgram(L""));
    EXPECT_FALSE(startProgram(scratch.path() + L"\\missing.exe"));
    EXPECT_FALSE(startProgram(scratch.path()));
}

// ---- Driving modal windows of this thread from a timer of its own -----------------------------

std::function<void()>* g_tick = nullptr;

void CALLBACK onTick(HWND, UINT, UINT_PTR, DWORD) {
    if (g_tick) (*g_tick)();
}

// Calls `tick` from every modal loop that runs on this thread while the scope lives.
class Ticks {
public:
    explicit Ticks(std::function<void()> tick) : tick_(std::move(tick)), timer_(::SetTimer(nullptr, 0, 20, onTick)) {
        g_tick = &tick_;
    }
    Ticks(const Ticks&) = delete;
    Ticks& operator=(const Ticks&) = delete;
    ~Ticks() {
        ::KillTimer(nullptr, timer_);
        g_tick = nullptr;
    }

private:
    std::function<void()> tick_;
    UINT_PTR timer_;
};

struct DialogSearch {
    HWND owner;
    std::vector<HWND> found;
};

BOOL CALLBACK collectOwnedDialog(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    wchar_t className[16] = {};
    ::GetClassNameW(hwnd, className, 16);
    if (std::wstring(className) == L"#32770" && ::GetWindow(hwnd, GW_OWNER) == search->owner) {
        search->found.push_back(hwnd);
    }
    return TRUE;
}

// Dialogs of this thread that `owner` owns.
std::vector<HWND> ownedDialogs(HWND owner) {
    DialogSearch search{owner, {}};
    ::EnumThreadWindows(::GetCurrentThreadId(), collectOwnedDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring textOf(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

class OwnerWindow {
public:
    OwnerWindow()
        : window_(::CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW, 100, 100, 640, 480, nullptr,
                                    nullptr, ::GetModuleHandleW(nullptr), nullptr)) {}
    HWND get() const { return window_.get(); }

private:
    win::UniqueWindow window_;
};

// ---- System Info ----------------------------------------------------------------------------

// One of the real system information values, put back as it was afterwards.
class SavedValue {
public:
    SavedValue(std::wstring key, std::wstring value) : key_(std::move(key)), value_(std::move(value)) {
        win::UniqueHKey k;
        keyExisted_ = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, KEY_QUERY_VALUE, k.put()) == ERROR_SUCCESS;
        DWORD size = 0;
        if (keyExisted_ && ::RegQueryValueExW(k.get(), value_.c_str(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
            saved_.emplace(size);
            ::RegQueryValueExW(k.get(), value_.c_str(), nullptr, &type_, saved_->data(), &size);
        }
    }
    SavedValue(const SavedValue&) = delete;
    SavedValue& operator=(const SavedValue&) = delete;
    ~SavedValue() {
        if (saved_) {
            write(type_, saved_->data(), saved_->size());
        } else if (keyExisted_) {
            ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key_.c_str(), value_.c_str());
        } else {
            ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, key_.c_str());
            ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_.c_str());
        }
    }
    void setText(const std::wstring& text) const {
        write(REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    }
    void remove() const { ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key_.c_str(), value_.c_str()); }

private:
    void write(DWORD type, const void* data, std::size_t size) const {
        win::UniqueHKey k;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.put(),
                                    nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(::RegSetValueExW(k.get(), value_.c_str(), 0, type, static_cast<const BYTE*>(data),
                                   static_cast<DWORD>(size)),
                  ERROR_SUCCESS);
    }

    std::wstring key_;
    std::wstring value_;
    bool keyExisted_ = false;
    DWORD type_ = REG_NONE;
    std::optional<std::vector<BYTE>> saved_;
};

class SysInfoTest : public ::testing::Test {
protected:
    // What StartSysInfo showed: the caption and text of its message box, if it showed one.
    struct Shown {
        bool message = false;
        std::wstring caption, text;
    };
    Shown runStartSysInfo() {
        Shown shown;
        const Ticks ticks([&] {
            for (HWND box : ownedDialogs(owner_.get())) {
                if (!shown.message) {
                    shown.message = true;
                    shown.caption = textOf(box);
                    shown.text = textOf(::GetDlgItem(box, 0xFFFF));
                    EXPECT_FALSE(::IsWindowEnabled(owner_.get())) << "the message is modal";
                }
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
            }
        });
        StartSysInfo(owner_.get());
        return shown;
    }

    void expectUnavailableMessage() {
        const Shown shown = runStartSysInfo();
        EXPECT_TRUE(shown.message);
        EXPECT_EQ(shown.caption, L"Quorlane");
        EXPECT_EQ(shown.text, L"System Information Is Unavailable At This Time");
    }

    // Starts the tool where the registry says, and gives the image path of the program that showed a window.
    std::wstring startedImage() {
        const std::set<HWND> before = foreignWindows();
        const Shown shown = runStartSysInfo();
        EXPECT_FALSE(shown.message) << "the tool did not start";
        return shown.message ? std::wstring() : imageOfNewWindowClosingIt(before);
    }

    OwnerWindow owner_;
    SavedValue msinfo_{std::wstring(win::toWide(kMsinfoKey)), std::wstring(win::toWide(kMsinfoValue))};
    SavedValue location_{std::wstring(win::toWide(kToolsLocationKey)), std::wstring(win::toWide(kToolsLocationValue))};
    ScratchFolder scratch_;
};

TEST_F(SysInfoTest, UnavailableWhenNeitherKeyNamesTheTool) {
    msinfo_.remove();
    location_.remove();
    expectUnavailableMessage();
}

TEST_F(SysInfoTest, StartsTheFirstKeysPathAsItIs) {
    const std::wstring tool = scratch_.copy(systemFolder() + L"\\msinfo32.exe", L"msinfo32.exe");
    msinfo_.setText(tool);
    location_.remove();
    EXPECT_TRUE(samePath(startedImage(), tool));
}

TEST_F(SysInfoTest, FirstKeysPathThatIsNoProgramEndsInTheMessage) {
    msinfo_.setText(scratch_.path() + L"\\missing.exe");
    expectUnavailableMessage();
}

TEST_F(SysInfoTest, StartsTheToolInTheSecondKeysFolder) {
    msinfo_.remove();
    const std::wstring folder = scratch_.folder(L"Shared Tools");
    const std::wstring tool = scratch_.copy(systemFolder() + L"\\msinfo32.exe", L"Shared Tools\\MSINFO32.EXE");
    location_.setText(folder);
    EXPECT_TRUE(samePath(startedImage(), tool));
}

TEST_F(SysInfoTest, SecondKeysFolderWithoutTheToolEndsInTheMessage) {
    msinfo_.remove();
    location_.setText(scratch_.folder(L"Empty Tools"));
    expectUnavailableMessage();
}

// ---- The About box ----------------------------------------------------------------------------

struct ControlExpectation {
    int id;
    TwipsRect pos;
    const wchar_t* text;  // nullptr: not a text control
};

const ControlExpectation kExpected[] = {
    {ids::kPicIcon, {240, 240, 480, 480}, nullptr},
    {ids::kLblTitle, {1050, 240, 3885, 480}, L"Quorlane"},
    {ids::kLblVersion, {1050, 780, 3885, 225}, L"Version " QL_VERSION_TEXT},
    {ids::kLblDescription, {1050, 1125, 3885, 690},
     L"Customize the PlacesBar that appears on the left side of your Open and Save dialog boxes in Windows 2000 and "
     L"newer."},
    {ids::kLabel1, {960, 2040, 4095, 255}, L"Quorlane is made by the Quorlane project."},
    {ids::kLabel4, {960, 2400, 855, 255}, L"&More info?"},
    {ids::kWebsite, {2160, 2400, 2175, 255}, L"<a>https://example.org</a>"},
    {ids::kLabel5, {960, 2760, 975, 255}, L"&Comments?"},
    {ids::kWebmail, {2160, 2760, 2175, 255}, L"<a>mailto:quorlane@example.org</a>"},
    {ids::kLine1, {210, 3285, 5565, 30}, nullptr},
    {ids::kLblDisclaimer, {375, 3465, 3870, 825},
     L"Warning: no warranty provided; you got this for free; use at your own risk!"},
    {ids::kCmdOK, {4365, 3465, 1260, 345}, L"&OK"},
    {ids::kCmdSysInfo, {4380, 3915, 1245, 345}, L"&System Info..."},
};

bool isLabel(int id) {
    return id != ids::kPicIcon && id != ids::kLine1 && id != ids::kCmdOK && id != ids::kCmdSysInfo;
}

RECT clientRectOf(HWND control) {
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

LOGFONTW fontOf(HWND control) {
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font;
}

SIZE iconSizeOf(HWND picture) {
    const auto icon = reinterpret_cast<HICON>(::SendMessageW(picture, STM_GETICON, 0, 0));
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon, &info)) return {};
    const win::UniqueBitmap color(info.hbmColor), mask(info.hbmMask);
    BITMAP bitmap{};
    ::GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    return {bitmap.bmWidth, bitmap.bmHeight};
}

// Every control at its place at `dpi`; labels grown only where their text needs it, none
// overlapping another or leaving the client area, and every label's text fitting its box.
void expectLayout(HWND dlg, int dpi) {
    RECT client{};
    ::GetClientRect(dlg, &client);
    EXPECT_EQ(client.right, twipsToPixels(5775, dpi));
    EXPECT_EQ(client.bottom, twipsToPixels(4440, dpi));

    std::map<int, RECT> placed;
    for (const ControlExpectation& e : kExpected) {
        const HWND control = ::GetDlgItem(dlg, e.id);
        ASSERT_NE(control, nullptr) << e.id;
        const RECT want = win::twipsRectToPixels(e.pos, dpi);
        const RECT got = clientRectOf(control);
        EXPECT_EQ(got.left, want.left) << e.id;
        EXPECT_EQ(got.top, want.top) << e.id;
        if (isLabel(e.id)) {
            EXPECT_GE(got.right, want.right) << e.id;
            EXPECT_GE(got.bottom, want.bottom) << e.id;
            const std::wstring text = textOf(control);
            win::WindowDc dc(control);
            const win::SelectObjectScope font(dc.get(), reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
            // As the control draws it: the links without their markup, the labels before them with an access key.
            std::wstring shown = text;
            for (const wchar_t* tag : {L"<a>", L"</a>"}) {
                for (std::size_t at; (at = shown.find(tag)) != std::wstring::npos;) shown.erase(at, std::wcslen(tag));
            }
            const bool prefix = e.id == ids::kLabel4 || e.id == ids::kLabel5;
            RECT need{0, 0, got.right - got.left, 0};
            ::DrawTextW(dc.get(), shown.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | (prefix ? 0 : DT_NOPREFIX));
            EXPECT_LE(need.bottom, got.bottom - got.top) << e.id << " clips its text at " << dpi << " dpi";
            EXPECT_LE(need.right, got.right - got.left) << e.id << " clips its text at " << dpi << " dpi";
        } else {
            EXPECT_EQ(got.right, want.right) << e.id;
            EXPECT_EQ(got.bottom, want.bottom) << e.id;
        }
        EXPECT_TRUE(got.left >= 0 && got.top >= 0 && got.right <= client.right && got.bottom <= client.bottom) << e.id;
        placed[e.id] = got;
    }
    for (const auto& [a, ra] : placed) {
        for (const auto& [b, rb] : placed) {
            RECT overlap{};
            if (a < b) {
                EXPECT_FALSE(::IntersectRect(&overlap, &ra, &rb)) << a << " overlaps " << b << " at " << dpi;
            }
        }
    }
}

class AboutBoxTest : public ::testing::Test {
protected:
    // Shows the About box; once it is up, `drive` runs on it once and should close it. The box
    // is closed by force if it is still there on the next tick after that (or never showed).
    struct Outcome {
        bool shown = false;
        bool closedByItself = false;
    };
    Outcome show(const std::function<void(HWND)>& drive) {
        Outcome outcome;
        HWND dialog = nullptr;
        int idleTicks = 0;
        const Ticks ticks([&] {
            if (!dialog) {
                const std::vector<HWND> found = ownedDialogs(owner_.get());
                if (!found.empty() && ::IsWindowVisible(found.front())) {
                    dialog = found.front();
                    outcome.shown = true;
                    drive(dialog);
                } else if (++idleTicks > 250) {
                    ::PostQuitMessage(0);  // no box owned by the owner showed up: leave whatever modal loop runs
                }
                return;
            }
            if (::IsWindow(dialog)) ::EndDialog(dialog, 0);
        });
        showAboutBox(owner_.get());
        outcome.closedByItself = outcome.shown && !::IsWindow(dialog);
        MSG quit;
        ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        return outcome;
    }

    OwnerWindow owner_;
};

void pressKey(HWND dlg, WPARAM key) {
    HWND target = ::GetFocus();
    if (!target || !::IsChild(dlg, target)) target = dlg;
    ::PostMessageW(target, WM_KEYDOWN, key, 1);
    ::PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

TEST_F(AboutBoxTest, ShowsEveryControlAtItsPlaceWithItsExactText) {
    const Outcome outcome = show([&](HWND dlg) {
        EXPECT_EQ(textOf(dlg), L"About Quorlane");
        EXPECT_EQ(::GetWindow(dlg, GW_OWNER), owner_.get());
        EXPECT_FALSE(::IsWindowEnabled(owner_.get())) << "the box is modal";
        const auto style = static_cast<DWORD>(::GetWindowLongPtrW(dlg, GWL_STYLE));
        EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), DWORD{WS_CAPTION | WS_SYSMENU});
        EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);
        for (const ControlExpectation& e : kExpected) {
            if (e.text) {
                EXPECT_EQ(textOf(::GetDlgItem(dlg, e.id)), e.text);
            }
        }
        expectLayout(dlg, win::dpiForWindow(dlg));
        ::PostMessageW(::GetDlgItem(dlg, ids::kCmdOK), BM_CLICK, 0, 0);
    });
    EXPECT_TRUE(outcome.shown);
    EXPECT_TRUE(outcome.closedByItself);
    EXPECT_TRUE(::IsWindowEnabled(owner_.get()));
}

TEST_F(AboutBoxTest, TitleFontIconAndLinks) {
    const Outcome outcome = show([&](HWND dlg) {
        const int dpi = win::dpiForWindow(dlg);
        const LOGFONTW title = fontOf(::GetDlgItem(dlg, ids::kLblTitle));
        // The dialog's own face, which scales, never a bitmap font.
        EXPECT_EQ(std::wstring(title.lfFaceName), std::wstring(fontOf(::GetDlgItem(dlg, ids::kCmdOK)).lfFaceName));
        EXPECT_EQ(title.lfHeight, -::MulDiv(18, dpi, 72));
        EXPECT_EQ(title.lfWeight, FW_NORMAL);
        EXPECT_FALSE(title.lfItalic);

        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        ASSERT_TRUE(::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
        for (int id : {ids::kLblDescription, ids::kWebsite, ids::kCmdOK, ids::kLblDisclaimer}) {
            EXPECT_EQ(std::wstring(fontOf(::GetDlgItem(dlg, id)).lfFaceName), metrics.lfMessageFont.lfFaceName) << id;
        }

        const SIZE icon = iconSizeOf(::GetDlgItem(dlg, ids::kPicIcon));
        EXPECT_EQ(icon.cx, twipsToPixels(480, dpi));
        EXPECT_EQ(icon.cy, twipsToPixels(480, dpi));

        // The links are the system's own link controls, which draw in its hot-track colour and take the keyboard.
        for (int id : {ids::kWebsite, ids::kWebmail}) {
            const HWND link = ::GetDlgItem(dlg, id);
            wchar_t kind[16]{};
            ::GetClassNameW(link, kind, 16);
            EXPECT_STREQ(kind, WC_LINK) << id;
            EXPECT_TRUE(::GetWindowLongPtrW(link, GWL_STYLE) & WS_TABSTOP) << id;
        }
        ::PostMessageW(::GetDlgItem(dlg, ids::kCmdOK), BM_CLICK, 0, 0);
    });
    EXPECT_TRUE(outcome.closedByItself);
}

TEST_F(AboutBoxTest, OkIsFocusedDefaultAndFirstInTabOrderAndTheLinksFollow) {
    const Outcome outcome = show([&](HWND dlg) {
        const HWND ok = ::GetDlgItem(dlg, ids::kCmdOK);
        const HWND sysInfo = ::GetDlgItem(dlg, ids::kCmdSysInfo);
        EXPECT_EQ(::GetFocus(), ok);
        EXPECT_EQ(::SendMessageW(dlg, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
        const HWND website = ::GetDlgItem(dlg, ids::kWebsite);
        const HWND webmail = ::GetDlgItem(dlg, ids::kWebmail);
        EXPECT_EQ(::GetNextDlgTabItem(dlg, ok, FALSE), sysInfo);
        EXPECT_EQ(::GetNextDlgTabItem(dlg, sysInfo, FALSE), website);
        EXPECT_EQ(::GetNextDlgTabItem(dlg, website, FALSE), webmail);
        EXPECT_EQ(::GetNextDlgTabItem(dlg, webmail, FALSE), ok);
        ::PostMessageW(ok, BM_CLICK, 0, 0);
    });
    EXPECT_TRUE(outcome.closedByItself);
}

TEST_F(AboutBoxTest, EscapeClosesIt) {
    const Outcome outcome = show([](HWND dlg) { pressKey(dlg, VK_ESCAPE); });
    EXPECT_TRUE(outcome.shown);
    EXPECT_TRUE(outcome.closedByItself);
}

TEST_F(AboutBoxTest, EnterClosesIt) {
    const Outcome outcome = show([](HWND dlg) { pressKey(dlg, VK_RETURN); });
    EXPECT_TRUE(outcome.shown);
    EXPECT_TRUE(outcome.closedByItself);
}

TEST_F(AboutBoxTest, LaysItselfOutAgainAtANewDpi) {
    const Outcome outcome = show([&](HWND dlg) {
        for (int dpi : {144, 192, 96}) {
            RECT window{};
            ::GetWindowRect(dlg, &window);
            const RECT suggested{window.left, window.top, window.left + 10, window.top + 10};
            ::SendMessageW(dlg, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
            SCOPED_TRACE(dpi);
            expectLayout(dlg, dpi);
            EXPECT_EQ(fontOf(::GetDlgItem(dlg, ids::kLblTitle)).lfHeight, -::MulDiv(18, dpi, 72));
            EXPECT_EQ(iconSizeOf(::GetDlgItem(dlg, ids::kPicIcon)).cx, twipsToPixels(480, dpi));
            ::GetWindowRect(dlg, &window);
            EXPECT_EQ(window.left, suggested.left);
            EXPECT_EQ(window.top, suggested.top);
        }
        ::PostMessageW(::GetDlgItem(dlg, ids::kCmdOK), BM_CLICK, 0, 0);
    });
    EXPECT_TRUE(outcome.closedByItself);
}

TEST_F(AboutBoxTest, IsBuiltAnewForEveryShowing) {
    show([](HWND dlg) {
        ::SetDlgItemTextW(dlg, ids::kLblVersion, L"changed");
        ::PostMessageW(::GetDlgItem(dlg, ids::kCmdOK), BM_CLICK, 0, 0);
    });
    const Outcome again = show([](HWND dlg) {
        EXPECT_EQ(textOf(::GetDlgItem(dlg, ids::kLblVersion)), L"Version " QL_VERSION_TEXT);
        ::PostMessageW(::GetDlgItem(dlg, ids::kCmdOK), BM_CLICK, 0, 0);
    });
    EXPECT_TRUE(again.closedByItself);
}

TEST(VersionResource, SaysTheVersionThatTheAboutBoxShows) {
    wchar_t exe[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    ASSERT_GT(length, 0u);
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(exe, &ignored);
    ASSERT_GT(size, 0u) << "no version resource";
    std::vector<BYTE> info(size);
    ASSERT_TRUE(::GetFileVersionInfoW(exe, 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    EXPECT_EQ(fixed->dwFileVersionMS, DWORD{MAKELONG(QL_VERSION_MINOR, QL_VERSION_MAJOR)});
    EXPECT_EQ(fixed->dwFileVersionLS, DWORD{MAKELONG(0, QL_VERSION_REVISION)});
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);

    const auto text = [&](const wchar_t* name) {
        wchar_t* value = nullptr;
        UINT chars = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        if (!::VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &chars) || !value) return std::wstring();
        return std::wstring(value);
    };
    EXPECT_EQ(text(L"FileVersion"), L"" QL_VERSION_TEXT);
    EXPECT_EQ(text(L"ProductVersion"), L"" QL_VERSION_TEXT);
    EXPECT_EQ(text(L"ProductName"), L"Quorlane");
    EXPECT_EQ(L"Version " + text(L"ProductVersion"), win::toWide(versionLabel()));
}

}  // namespace
}  // namespace ql::about
