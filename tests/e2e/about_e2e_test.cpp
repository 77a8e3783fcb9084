// The About box as a user meets it, and "System Info...", which starts the system information tool
// that HKEY_LOCAL_MACHINE names (Wine ships one) or says that there is none. The machine keys are
// set up for each test and put back as they were after it.
#include "about/about_box_win32.h"
#include "common/version.h"
#include "tests/e2e/editor_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <utility>

namespace ql::e2e {
namespace {

constexpr wchar_t kAboutCaption[] = L"About Quorlane";
constexpr wchar_t kMsinfoKey[] = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr wchar_t kLocationKey[] = L"SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr wchar_t kSystem32[] = L"C:\\windows\\system32";
constexpr wchar_t kMsinfo32[] = L"C:\\windows\\system32\\msinfo32.exe";

// The program and this test share one bitness, so the view of the machine's registry that the
// program reads (WOW6432Node for 32-bit programs on a 64-bit system) is this one.
constexpr REGSAM kProgramView = sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;

[[noreturn]] void failWith(const std::string& what, LONG rc) {
    throw DriverError(what + " (error " + std::to_string(rc) + ")");
}

void deleteMachineKey(const std::wstring& path) {
    win::UniqueHKey key;
    LONG rc = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS | kProgramView, key.put());
    if (rc == ERROR_FILE_NOT_FOUND) return;
    if (rc != ERROR_SUCCESS) failWith("cannot open " + narrowText(path), rc);
    rc = ::RegDeleteTreeW(key.get(), nullptr);
    if (rc != ERROR_SUCCESS) failWith("cannot empty " + narrowText(path), rc);
    key.reset();
    rc = ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), kProgramView, 0);
    if (rc != ERROR_SUCCESS) failWith("cannot delete " + narrowText(path), rc);
}

void setMachineValue(const std::wstring& path, const std::wstring& name, const RegValue& value) {
    win::UniqueHKey key;
    LONG rc = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_SET_VALUE | kProgramView, nullptr, key.put(), nullptr);
    if (rc != ERROR_SUCCESS) failWith("cannot create " + narrowText(path), rc);
    rc = ::RegSetValueExW(key.get(), name.c_str(), 0, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
    if (rc != ERROR_SUCCESS) failWith("cannot write " + narrowText(name), rc);
}

// The path with the key's own name as the registry holds it, in its own case.
std::wstring storedPath(const std::wstring& path) {
    const size_t cut = path.find_last_of(L'\\');
    const std::wstring parentPath = path.substr(0, cut);
    const std::wstring name = path.substr(cut + 1);
    win::UniqueHKey parent;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, parentPath.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | kProgramView, parent.put()) !=
        ERROR_SUCCESS) {
        return path;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t subKey[256];
        DWORD length = static_cast<DWORD>(std::size(subKey));
        if (::RegEnumKeyExW(parent.get(), i, subKey, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return path;
        if (::CompareStringOrdinal(subKey, static_cast<int>(length), name.c_str(), static_cast<int>(name.size()), TRUE) ==
            CSTR_EQUAL) {
            return parentPath + L"\\" + std::wstring(subKey, length);
        }
    }
}

// A key of the machine as it was when this was made, put back when it goes: its values, or its
// absence; a key put back keeps the case of its name. The keys that the About box reads hold
// values only.
class SavedMachineKey {
public:
    explicit SavedMachineKey(const std::wstring& path) : path_(storedPath(path)) {
        win::UniqueHKey key;
        const LONG rc = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), 0, KEY_READ | kProgramView, key.put());
        if (rc == ERROR_FILE_NOT_FOUND) return;
        if (rc != ERROR_SUCCESS) failWith("cannot open " + narrowText(path_), rc);
        DWORD subKeys = 0;
        ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                           nullptr, nullptr);
        if (subKeys != 0) throw DriverError(narrowText(path_) + " has subkeys, which would not be put back");
        values_.emplace();
        for (DWORD i = 0;; ++i) {
            wchar_t name[16384];
            DWORD nameLength = static_cast<DWORD>(std::size(name));
            DWORD type = 0;
            DWORD size = 0;
            LONG enumerated = ::RegEnumValueW(key.get(), i, name, &nameLength, nullptr, &type, nullptr, &size);
            if (enumerated == ERROR_NO_MORE_ITEMS) break;
            std::vector<BYTE> data(size);
            nameLength = static_cast<DWORD>(std::size(name));
            enumerated = ::RegEnumValueW(key.get(), i, name, &nameLength, nullptr, &type, data.data(), &size);
            if (enumerated != ERROR_SUCCESS) failWith("cannot read the values of " + narrowText(path_), enumerated);
            data.resize(size);
            values_->emplace_back(std::wstring(name, nameLength), RegValue::raw(type, std::move(data)));
        }
    }
    SavedMachineKey(const SavedMachineKey&) = delete;
    SavedMachineKey& operator=(const SavedMachineKey&) = delete;
    ~SavedMachineKey() {
        try {
            deleteMachineKey(path_);
            if (!values_) return;
            // An empty key comes back empty.
            win::UniqueHKey key;
            ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_SET_VALUE | kProgramView, nullptr, key.put(), nullptr);
            for (const auto& [name, value] : *values_) setMachineValue(path_, name, value);
        } catch (const DriverError& e) {
            ADD_FAILURE() << "the machine's registry is not as it was: " << e.what();
        }
    }

private:
    std::wstring path_;
    std::optional<std::vector<std::pair<std::wstring, RegValue>>> values_;
};

std::wstring lowerCase(std::wstring s) {
    std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return s;
}

// The system information tool, found by its window; ended when the test is done with it.
class SystemInformationTool {
public:
    SystemInformationTool()
        : window_(waitForAnyWindow([](HWND hwnd) { return lowerCase(processFileName(hwnd)).ends_with(L"\\msinfo32.exe"); },
                                   "the system information tool")) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(window_, &pid);
        process_.reset(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
    }
    SystemInformationTool(const SystemInformationTool&) = delete;
    SystemInformationTool& operator=(const SystemInformationTool&) = delete;
    ~SystemInformationTool() {
        if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) ::TerminateProcess(process_.get(), 1);
    }

    HWND window() const { return window_; }

    // Closes its window, as its user would; true once it has ended.
    bool close() const {
        ::PostMessageW(window_, WM_CLOSE, 0, 0);
        return process_ && ::WaitForSingleObject(process_.get(), static_cast<DWORD>(kPatience.count())) == WAIT_OBJECT_0;
    }

private:
    HWND window_;
    win::UniqueHandle process_;
};

class AboutE2E : public ::testing::Test {
protected:
    void SetUp() override { deleteKeyTree(kPolicies); }
    void TearDown() override { deleteKeyTree(kPolicies); }
};

// The About box, shown over the editor.
HWND openAbout(const Editor& editor) {
    editor.click(ids::kAbout);
    return editor.waitForDialog(kAboutCaption);
}

bool closes(HWND dialog) { return waitUntil([&] { return !::IsWindow(dialog); }); }

TEST_F(AboutE2E, ShowsTitleAndVersionAndEscapeClosesIt) {
    const Editor editor;
    const HWND about = openAbout(editor);
    EXPECT_FALSE(enabled(editor.window())) << "the About box is modal";
    EXPECT_EQ(text(control(about, about::ids::kLblTitle)), L"Quorlane");
    EXPECT_EQ(text(control(about, about::ids::kLblVersion)), L"Version " QL_VERSION_TEXT);
    EXPECT_EQ(text(control(about, about::ids::kCmdOK)), L"&OK");
    EXPECT_EQ(text(control(about, about::ids::kCmdSysInfo)), L"&System Info...");

    pressKey(about, VK_ESCAPE);
    EXPECT_TRUE(closes(about));
    EXPECT_TRUE(editor.staysOpen());
    editor.click(ids::kExitApp);
    EXPECT_TRUE(editor.endsWithoutAsking()) << "looking at the About box is no change";
}

// Whatever font the prefix has, each button of `window` is as wide as it says its caption needs.
void expectCaptionsFit(HWND window) {
    const RemoteBuffer ideal(window, sizeof(SIZE));
    for (HWND c = ::GetWindow(window, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        RECT box{};
        ::GetWindowRect(c, &box);
        if (className(c) == L"Button" && ::SendMessageW(c, BCM_GETIDEALSIZE, 0, ideal.param())) {
            EXPECT_LE(ideal.get<SIZE>().cx, box.right - box.left) << narrowText(text(c));
        }
    }
}

TEST_F(AboutE2E, CaptionsFitTheirButtonsInTheMainWindowAndTheAboutBox) {
    const Editor editor;
    expectCaptionsFit(editor.window());
    const HWND about = openAbout(editor);
    expectCaptionsFit(about);
    pressKey(about, VK_ESCAPE);
}

TEST_F(AboutE2E, EnterAndOkCloseItAndEveryShowingIsNew) {
    const Editor editor;
    const HWND first = openAbout(editor);
    pressKey(first, VK_RETURN);
    EXPECT_TRUE(closes(first));
    EXPECT_TRUE(editor.staysOpen());

    const HWND second = openAbout(editor);
    EXPECT_EQ(text(control(second, about::ids::kLblVersion)), L"Version " QL_VERSION_TEXT);
    click(control(second, about::ids::kCmdOK));
    EXPECT_TRUE(closes(second));
    EXPECT_TRUE(editor.staysOpen());
}

// The value is a command line: a full path, or a bare name without ".exe" that the system finds.
TEST_F(AboutE2E, SystemInfoStartsTheToolThatTheRegistryNames) {
    const SavedMachineKey msinfo(kMsinfoKey);
    const SavedMachineKey location(kLocationKey);
    deleteMachineKey(kLocationKey);
    const Editor editor;
    const HWND about = openAbout(editor);

    for (const wchar_t* commandLine : {kMsinfo32, L"msinfo32"}) {
        SCOPED_TRACE(narrowText(commandLine));
        setMachineValue(kMsinfoKey, L"PATH", RegValue::string(commandLine));
        click(control(about, about::ids::kCmdSysInfo));
        const SystemInformationTool tool;
        EXPECT_TRUE(::IsWindowVisible(tool.window()));
        EXPECT_TRUE(::IsWindow(about)) << "the About box stays open";
        EXPECT_FALSE(messageBoxOf(editor.program(), about)) << "no message";
        EXPECT_TRUE(tool.close());
    }

    // The tool had the front; with no window manager here, nothing takes it back when the tool
    // ends, so the About box is clicked again before a key is pressed in it, as its user would.
    mouse::click(about, middle(control(about, about::ids::kLblTitle)));
    pressKey(about, VK_ESCAPE);
    EXPECT_TRUE(closes(about));
    EXPECT_TRUE(editor.staysOpen());
}

TEST_F(AboutE2E, SystemInfoFindsTheToolInTheSharedToolsFolder) {
    const SavedMachineKey msinfo(kMsinfoKey);
    const SavedMachineKey location(kLocationKey);
    deleteMachineKey(kMsinfoKey);
    setMachineValue(kLocationKey, L"MSINFO", RegValue::string(kSystem32));
    const Editor editor;
    const HWND about = openAbout(editor);

    click(control(about, about::ids::kCmdSysInfo));
    const SystemInformationTool tool;
    EXPECT_FALSE(messageBoxOf(editor.program(), about));
    EXPECT_TRUE(tool.close());
}

void expectUnavailable(const Editor& editor) {
    const HWND about = openAbout(editor);
    click(control(about, about::ids::kCmdSysInfo));
    const MessageBoxView box = waitForMessageBox(editor.program(), about);
    EXPECT_EQ(box.caption, L"Quorlane");
    EXPECT_EQ(box.text, L"System Information Is Unavailable At This Time");
    for (int button : {IDCANCEL, IDYES, IDNO}) {
        const HWND other = ::GetDlgItem(box.box, button);
        EXPECT_FALSE(other && ::IsWindowVisible(other)) << "OK is the only button, not " << button;
    }
    answer(box, IDOK);
    EXPECT_TRUE(::IsWindowVisible(about)) << "the About box stays open";
    pressKey(about, VK_ESCAPE);
    EXPECT_TRUE(closes(about));
}

TEST_F(AboutE2E, SystemInfoWithoutTheKeysSaysThatItIsUnavailable) {
    const SavedMachineKey msinfo(kMsinfoKey);
    const SavedMachineKey location(kLocationKey);
    deleteMachineKey(kMsinfoKey);
    deleteMachineKey(kLocationKey);
    const Editor editor;
    expectUnavailable(editor);
    EXPECT_TRUE(editor.staysOpen());
}

TEST_F(AboutE2E, SystemInfoSaysThatItIsUnavailableWhenTheSharedToolsFolderHasNoTool) {
    const SavedMachineKey msinfo(kMsinfoKey);
    const SavedMachineKey location(kLocationKey);
    deleteMachineKey(kMsinfoKey);
    setMachineValue(kLocationKey, L"MSINFO", RegValue::string(L"C:\\users"));
    const Editor editor;
    expectUnavailable(editor);
}

}  // namespace
}  // namespace ql::e2e
