// Quorlane's benchmark: start-up, picker and footprint figures of quorlane.exe against the floor,
// bench_floor.exe (the least any program must do to show the same stored places with the shell's
// names and icons), and, for information, against bench_baseline.exe (a bare window with one list
// view), all found beside this program and measured in the same Windows or Wine session. Prints one
// row per goal with the figure, the goal and "met" or "MISSED". Not a test: it reports.
//
// It rewrites the places bar of the current user: run it in a profile (Wine prefix) of its own,
// as scripts/bench.sh does.
#include "app/control_ids.h"
#include "common/win_handles.h"
#include "picker/picker_ids.h"
#include "shell/known_folders_win32.h"
#include "common/win_texts.h"
#include "tests/e2e/hung_mount.h"

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using ql::win::UniqueHandle;
using ql::win::UniqueHKey;

// A program to start, and the class of its main window.
struct Benched {
    const wchar_t* exe;
    const wchar_t* mainClass;
};
constexpr Benched kQuorlane{L"quorlane.exe", L"#32770"};
constexpr Benched kFloor{L"bench_floor.exe", L"QuorlaneBenchFloor"};
constexpr Benched kBaseline{L"bench_baseline.exe", L"QuorlaneBenchBaseline"};
constexpr int kStoredPlaces = 5;
constexpr wchar_t kPlacesBar[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ComDlg32\\PlacesBar";
constexpr DWORD kPatienceMs = 30000;
// The peak working set is read this long after "ready", so that work a program puts off until it
// is ready counts too.
constexpr DWORD kSettleMs = 500;
// How long after "ready" the window's answers are still timed.
constexpr double kProbeAfterReadyMs = 2000;

// ---- Small helpers ------------------------------------------------------------------------------

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what + " (error " + std::to_string(::GetLastError()) + ")"); }

double nowMs() {
    static const double ticksPerMs = [] {
        LARGE_INTEGER frequency{};
        ::QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER ticks{};
    ::QueryPerformanceCounter(&ticks);
    return static_cast<double>(ticks.QuadPart) / ticksPerMs;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

std::wstring exeFolder() {
    std::wstring path(32768, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) fail("cannot find the benchmark's own folder");
    path.resize(length);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::string narrow(std::wstring_view s) {
    std::string out;
    for (wchar_t c : s) out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    return out;
}

// The caption as the system keeps it: no message to a thread that may be busy.
std::wstring windowText(HWND hwnd) {
    wchar_t buffer[256]{};
    const int length = ::GetWindowTextW(hwnd, buffer, static_cast<int>(std::size(buffer)));
    return std::wstring(buffer, static_cast<std::size_t>(std::max(length, 0)));
}

// The window's thread has reached its message loop (or a modal one) and answers.
bool answers(HWND hwnd) {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, kPatienceMs, &result) != 0;
}

// ---- Registry -----------------------------------------------------------------------------------

void writeValue(const std::wstring& keyPath, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    UniqueHKey key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr) !=
            ERROR_SUCCESS ||
        ::RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size) != ERROR_SUCCESS) {
        fail("cannot write " + narrow(keyPath) + "\\" + narrow(name));
    }
}

void writeDword(const wchar_t* name, DWORD number) { writeValue(kPlacesBar, name, REG_DWORD, &number, sizeof number); }

void writeText(const std::wstring& keyPath, const wchar_t* name, const std::wstring& text) {
    writeValue(keyPath, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// Four places, and with `fifth` a fifth: the special folders and paths a user typically keeps.
// With `hung`, the fifth is a folder on a share whose server is gone instead.
void storePlaces(bool fifth, const std::wstring& hung = {}) {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kPlacesBar);
    writeDword(L"Place0", 0);   // Desktop
    writeDword(L"Place1", 5);   // Documents
    writeDword(L"Place2", 17);  // My Computer
    writeText(kPlacesBar, L"Place3", L"C:\\windows");
    if (fifth) writeText(kPlacesBar, L"Place4", hung.empty() ? L"C:\\windows\\system32" : hung);
}

std::string platformName() {
    using Text = const char*(__cdecl*)();
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    const auto version = reinterpret_cast<Text>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "wine_get_version")));
    if (!version) return "Windows";
    const auto build = reinterpret_cast<Text>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "wine_get_build_id")));
    return std::string("Wine ") + version() + (build ? std::string(" (") + build() + ")" : std::string());
}

// ---- One run of a program -----------------------------------------------------------------------

// The top-level windows of one process, hidden ones too. Windows of other processes are noted once
// and passed over after, so that polling costs Wine's server about one call a round and does not
// slow down the program it waits for.
class ProcessWindows {
public:
    explicit ProcessWindows(DWORD processId) : processId_(processId) {}

    HWND find(const std::function<bool(HWND)>& match) {
        found_.clear();
        ::EnumWindows(collect, reinterpret_cast<LPARAM>(this));
        const auto it = std::find_if(found_.begin(), found_.end(), match);
        return it == found_.end() ? nullptr : *it;
    }

private:
    static BOOL CALLBACK collect(HWND hwnd, LPARAM lParam) {
        auto& self = *reinterpret_cast<ProcessWindows*>(lParam);
        if (self.foreign_.count(hwnd)) return TRUE;
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hwnd, &pid);
        if (pid == self.processId_) self.found_.push_back(hwnd);
        else self.foreign_.insert(hwnd);
        return TRUE;
    }

    DWORD processId_;
    std::set<HWND> foreign_;
    std::vector<HWND> found_;
};

std::wstring windowClass(HWND hwnd) {
    wchar_t name[64]{};
    const int length = ::GetClassNameW(hwnd, name, static_cast<int>(std::size(name)));
    return std::wstring(name, static_cast<std::size_t>(std::max(length, 0)));
}

bool isPicker(HWND hwnd) { return windowText(hwnd) == ql::win::loadText(IDS_PICKER_CAPTION); }

class Run {
public:
    // Starts `exe` from the benchmark's folder; the clock starts right before CreateProcess.
    explicit Run(const std::wstring& exe) {
        const std::wstring path = exeFolder() + exe;
        std::wstring commandLine = L"\"" + path + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        started_ = nowMs();
        if (!::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
            fail("cannot start " + narrow(path));
        }
        process_.reset(info.hProcess);
        UniqueHandle thread(info.hThread);
        windows_.emplace(info.dwProcessId);
    }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;
    ~Run() {
        if (::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
            if (mainWindow_) ::PostMessageW(mainWindow_, WM_CLOSE, 0, 0);
            if (::WaitForSingleObject(process_.get(), 10000) != WAIT_OBJECT_0) ::TerminateProcess(process_.get(), 1);
        }
    }

    // Start-up as a user meets it, in milliseconds from CreateProcess: `visible` when the program's
    // unowned top-level window of class `mainClass` is visible (polled every millisecond from the
    // start); `ready` when, besides, WaitForInputIdle has returned, `filled` holds and the window's
    // thread answers a sent WM_NULL.
    struct Startup {
        double visible;
        double ready;
        double longestAnswerMs = 0;
    };
    // With `probe`, from the moment the window is visible until 2 s after it is ready, another
    // thread sends the window WM_NULL every 10 ms: `longestAnswerMs` is the longest it took.
    Startup waitForStartup(const std::wstring& mainClass, const std::function<bool(Run&)>& filled, bool probe = false) {
        Startup startup{};
        const double deadline = nowMs() + kPatienceMs;
        auto tick = [&](const char* waitingFor) {
            if (nowMs() > deadline) fail(std::string("start-up: no ") + waitingFor);
            if (::WaitForSingleObject(process_.get(), 1) == WAIT_OBJECT_0) fail("the program ended during start-up");
        };
        const auto isMain = [&](HWND hwnd) { return !::GetWindow(hwnd, GW_OWNER) && windowClass(hwnd) == mainClass; };
        while (!(mainWindow_ = windows_->find(isMain))) tick("window");
        while (!::IsWindowVisible(mainWindow_)) tick("visible window");
        startup.visible = nowMs() - started_;
        std::atomic<double> probeUntil{probe ? nowMs() + kPatienceMs : 0};
        std::thread prober;
        if (probe) {
            prober = std::thread([this, &probeUntil, &startup] {
                while (nowMs() < probeUntil) {
                    const double sent = nowMs();
                    DWORD_PTR result = 0;
                    ::SendMessageTimeoutW(mainWindow_, WM_NULL, 0, 0, SMTO_NORMAL, kPatienceMs, &result);
                    startup.longestAnswerMs = std::max(startup.longestAnswerMs, nowMs() - sent);
                    ::Sleep(10);
                }
            });
        }
        ::WaitForInputIdle(process_.get(), kPatienceMs);
        while (!filled(*this)) tick("filled lists");
        while (!answers(mainWindow_)) tick("answer");
        startup.ready = nowMs() - started_;
        if (probe) {
            probeUntil = nowMs() + kProbeAfterReadyMs;
            prober.join();
        }
        return startup;
    }

    HWND mainWindow() const { return mainWindow_; }

    HWND visiblePicker() {
        return windows_->find([](HWND hwnd) { return ::IsWindowVisible(hwnd) && isPicker(hwnd); });
    }

    // Entries in the list of the program's picker window, shown or hidden; -1 while there is none.
    int pickerListCount() {
        // Found once: looking costs the program's server as much as asking.
        if (!pickerList_) {
            const HWND picker = windows_->find(isPicker);
            pickerList_ = picker ? ::GetDlgItem(picker, ql::picker::ids::kFolderList) : nullptr;
        }
        return listCount(pickerList_);
    }

    // The picker's entries show their own icons: until they do, every entry shows one and the same
    // plain folder icon, and the desktop's (the first entry's) is never that one.
    bool pickerIconsShown() {
        if (pickerListCount() < 2) return false;
        struct Remote {
            HANDLE process;
            void* at;
            ~Remote() { ::VirtualFreeEx(process, at, 0, MEM_RELEASE); }
        } remote{process_.get(), ::VirtualAllocEx(process_.get(), nullptr, sizeof(LVITEMW), MEM_COMMIT, PAGE_READWRITE)};
        if (!remote.at) fail("VirtualAllocEx");
        int first = -1;
        for (int item = 0, count = pickerListCount(); item < count; ++item) {
            LVITEMW asked{};
            asked.mask = LVIF_IMAGE;
            asked.iItem = item;
            DWORD_PTR ok = 0;
            if (!::WriteProcessMemory(process_.get(), remote.at, &asked, sizeof asked, nullptr) ||
                !::SendMessageTimeoutW(pickerList_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote.at), SMTO_NORMAL,
                                       kPatienceMs, &ok) ||
                !::ReadProcessMemory(process_.get(), remote.at, &asked, sizeof asked, nullptr)) {
                fail("cannot read the picker's icons");
            }
            if (item == 0) first = asked.iImage;
            else if (asked.iImage != first) return true;
        }
        return false;
    }

    // Entries in the first list view of the main window.
    int mainListCount() const { return listCount(::FindWindowExW(mainWindow_, nullptr, WC_LISTVIEWW, nullptr)); }

    // The base names of the DLLs the process has loaded, lower case.
    std::set<std::string> modules() const {
        std::vector<HMODULE> handles(512);
        DWORD needed = 0;
        if (!::EnumProcessModules(process_.get(), handles.data(), static_cast<DWORD>(handles.size() * sizeof(HMODULE)),
                                  &needed)) {
            fail("EnumProcessModules");
        }
        handles.resize(std::min<std::size_t>(handles.size(), needed / sizeof(HMODULE)));
        std::set<std::string> names;
        for (HMODULE module : handles) {
            wchar_t name[MAX_PATH]{};
            if (!::GetModuleBaseNameW(process_.get(), module, name, MAX_PATH)) continue;
            std::string text = narrow(name);
            std::transform(text.begin(), text.end(), text.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
            if (text.size() > 4 && text.compare(text.size() - 4, 4, ".dll") == 0) names.insert(text);
        }
        return names;
    }

    PROCESS_MEMORY_COUNTERS memory() const {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        if (!::GetProcessMemoryInfo(process_.get(), &counters, sizeof counters)) fail("GetProcessMemoryInfo");
        return counters;
    }

private:
    static int listCount(HWND list) {
        DWORD_PTR count = 0;
        if (!list || !::SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, kPatienceMs, &count)) return -1;
        return static_cast<int>(count);
    }

    UniqueHandle process_;
    std::optional<ProcessWindows> windows_;
    double started_ = 0;
    HWND mainWindow_ = nullptr;
    HWND pickerList_ = nullptr;
};

struct StartupFigures {
    std::vector<double> visibleMs;
    std::vector<double> readyMs;
    std::vector<double> peakWorkingSetKiB;
    std::vector<double> longestAnswerMs;  // of the runs that probed
    std::set<std::string> modules;  // the DLLs loaded once ready
};

// When each program counts as ready: quorlane with its hidden picker filled, the others with the
// stored places in their list.
std::function<bool(Run&)> filledFor(const Benched& program, int pickerEntries) {
    if (&program == &kQuorlane) return [pickerEntries](Run& run) { return run.pickerListCount() == pickerEntries; };
    if (&program == &kFloor) return [](Run& run) { return run.mainListCount() == kStoredPlaces; };
    return [](Run&) { return true; };
}

// With `hung`, the fifth stored place is a folder on that mount, released before the run ends: no
// program ends while a look-up waits in it.
void measureStartup(const Benched& program, int pickerEntries, StartupFigures& figures, bool probe = false,
                    ql::e2e::HungMount* hung = nullptr) {
    if (hung) storePlaces(true, hung->hungFolder());
    Run run(program.exe);
    const Run::Startup startup = run.waitForStartup(program.mainClass, filledFor(program, pickerEntries), probe);
    figures.visibleMs.push_back(startup.visible);
    figures.readyMs.push_back(startup.ready);
    if (probe) figures.longestAnswerMs.push_back(startup.longestAnswerMs);
    ::Sleep(kSettleMs);
    figures.peakWorkingSetKiB.push_back(static_cast<double>(run.memory().PeakWorkingSetSize) / 1024.0);
    if (figures.modules.empty()) figures.modules = run.modules();
    if (hung) {
        hung->release();
        storePlaces(true);
    }
}

// Quorlane's start-up with the fifth place on a share whose server is gone, a fresh mount each
// run; false when no such mount can be made here (the reason in `why`).
bool measureHungStartup(int pickerEntries, StartupFigures& figures, bool probe, std::string& why) {
    ql::e2e::HungMount mount;
    why = mount.unavailable();
    if (!why.empty()) return false;
    measureStartup(kQuorlane, pickerEntries, figures, probe, &mount);
    return true;
}

// The entries of the picker's list here: the special folders the shell knows (CSIDL 0 to 49 that
// resolve), then the known folders without a number that exist.
int pickerEntryCount() {
    auto count = static_cast<int>(ql::shellUI::knownFoldersWithoutCsidl().size());
    for (int csidl = 0; csidl <= 49; ++csidl) {
        ql::win::UniquePidl pidl;
        ::SHGetSpecialFolderLocation(nullptr, csidl, pidl.put());
        if (pidl) ++count;
    }
    return count;
}

// "Add special..." clicked (BM_CLICK posted), then the time until the picker is visible and answers,
// and its entries then; cancelled again, and waited for until the main window is enabled again.
struct PickerShown {
    double ms;
    int entries;
    double iconsMs = 0;  // with waitForIcons: until its entries show their own icons
};
PickerShown openPicker(Run& run, HWND addSpecial, bool waitForIcons = false) {
    const double clicked = nowMs();
    ::PostMessageW(addSpecial, BM_CLICK, 0, 0);
    HWND picker = nullptr;
    while (!(picker = run.visiblePicker()) || !answers(picker)) {
        if (nowMs() - clicked > kPatienceMs) fail("the picker did not open");
        ::Sleep(1);
    }
    PickerShown shown{nowMs() - clicked, run.pickerListCount()};
    while (waitForIcons && !run.pickerIconsShown()) {
        if (nowMs() - clicked > kPatienceMs) fail("the picker's icons did not come");
        ::Sleep(1);
    }
    if (waitForIcons) shown.iconsMs = nowMs() - clicked;
    ::PostMessageW(picker, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    const double cancelled = nowMs();
    while (::IsWindowVisible(picker) || !::IsWindowEnabled(run.mainWindow()) || !answers(run.mainWindow())) {
        if (nowMs() - cancelled > kPatienceMs) fail("the picker did not close");
        ::Sleep(1);
    }
    return shown;
}

HWND enabledAddSpecial(const Run& run) {
    const HWND addSpecial = ::GetDlgItem(run.mainWindow(), ql::ids::kAddSpecial);
    if (!addSpecial || !::IsWindowEnabled(addSpecial)) fail("\"Add special...\" is not there or not enabled");
    return addSpecial;
}

// The picker opened `openings` times once quorlane is ready.
std::vector<double> measurePicker(int openings, int pickerEntries) {
    storePlaces(false);  // four places: "Add special..." is enabled
    Run run(kQuorlane.exe);
    run.waitForStartup(kQuorlane.mainClass, filledFor(kQuorlane, pickerEntries));
    const HWND addSpecial = enabledAddSpecial(run);
    std::vector<double> ms;
    for (int i = 0; i < openings; ++i) ms.push_back(openPicker(run, addSpecial).ms);
    return ms;
}

// "Add special..." clicked as soon as the window is visible, while the picker's look-ups may still
// run: the time until the picker shows, with every entry in its list.
struct EarlyPicker {
    std::vector<double> ms;
    std::vector<double> iconsMs;
    int incomplete = 0;  // showings with fewer entries than the shell knows
};
EarlyPicker measureEarlyPicker(int runs, int pickerEntries) {
    storePlaces(false);
    EarlyPicker early;
    for (int i = 0; i < runs; ++i) {
        Run run(kQuorlane.exe);
        run.waitForStartup(kQuorlane.mainClass, [](Run&) { return true; });
        const PickerShown shown = openPicker(run, enabledAddSpecial(run), true);
        early.ms.push_back(shown.ms);
        early.iconsMs.push_back(shown.iconsMs);
        if (shown.entries != pickerEntries) ++early.incomplete;
    }
    return early;
}

// ---- The command line ---------------------------------------------------------------------------

// A command run to its end with its output in a file: milliseconds from CreateProcess to the
// process's end; nothing when it shows a window instead, where `windowEndsIt`, or does not end (it is
// then ended).
struct CommandRun {
    std::optional<double> ms;
    DWORD exitCode = 0;
    std::string output;
};
CommandRun runCommand(const std::wstring& path, const std::wstring& arguments, bool windowEndsIt = false) {
    wchar_t folder[MAX_PATH]{};
    wchar_t outputFile[MAX_PATH]{};
    ::GetTempPathW(MAX_PATH, folder);
    if (!::GetTempFileNameW(folder, L"qlb", 0, outputFile)) fail("GetTempFileName");
    CommandRun result;
    {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        UniqueHandle output(::CreateFileW(outputFile, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
        if (output.get() == INVALID_HANDLE_VALUE) {
            output.release();
            fail("cannot create " + narrow(outputFile));
        }
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = output.get();
        std::wstring commandLine = L"\"" + path + L"\" " + arguments;
        PROCESS_INFORMATION info{};
        const double started = nowMs();
        if (!::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
            fail("cannot start " + narrow(path));
        }
        const UniqueHandle process(info.hProcess);
        const UniqueHandle thread(info.hThread);
        ProcessWindows windows(info.dwProcessId);
        const auto showsWindow = [&] { return windowEndsIt && windows.find(::IsWindowVisible); };
        DWORD waited = WAIT_TIMEOUT;
        while ((waited = ::WaitForSingleObject(process.get(), windowEndsIt ? 5 : kPatienceMs)) == WAIT_TIMEOUT &&
               nowMs() - started < kPatienceMs && !showsWindow()) {
        }
        if (waited == WAIT_OBJECT_0) {
            result.ms = nowMs() - started;
            ::GetExitCodeProcess(process.get(), &result.exitCode);
        } else {
            ::TerminateProcess(process.get(), 1);
            ::WaitForSingleObject(process.get(), kPatienceMs);
        }
    }
    std::ifstream in(outputFile, std::ios::binary);
    result.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    in.close();
    ::DeleteFileW(outputFile);
    return result;
}

constexpr wchar_t kConsoleFloor[] = L"bench_console_floor.exe";

std::wstring systemProgram(const wchar_t* name) {
    wchar_t system[MAX_PATH]{};
    ::GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system) + L"\\" + name;
}

std::wstring placesBarArgument() { return L"\"HKCU\\" + std::wstring(kPlacesBar) + L"\""; }

// `quorlane.exe /list` against the console floor (which must print the same lines) and, for
// information, Wine's (or Windows') own `reg query` of the places bar key; `/export FILE` against
// `reg export` of the key to a file. Run by turns; nothing when quorlane.exe has no /list (it opens
// its window instead, or lists nothing).
struct ListFigures {
    std::vector<double> quorlaneMs;
    std::vector<double> floorMs;
    std::vector<double> regMs;
    std::vector<double> exportMs;
    std::vector<double> regExportMs;
};
std::optional<ListFigures> measureList(int runs) {
    storePlaces(true);
    const std::wstring quorlane = exeFolder() + kQuorlane.exe;
    const std::wstring floor = exeFolder() + kConsoleFloor;
    const std::wstring reg = systemProgram(L"reg.exe");
    const std::wstring query = L"query " + placesBarArgument();
    wchar_t temp[MAX_PATH]{};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring exported = std::wstring(temp) + L"ql_bench_export.reg";
    const std::wstring exportArgs = L"/export \"" + exported + L"\"";
    const std::wstring regExportArgs = L"export " + placesBarArgument() + L" \"" + exported + L"\" /y";

    const CommandRun probe = runCommand(quorlane, L"/list", true);
    if (!probe.ms || probe.exitCode != 0 || probe.output.find("Place0") == std::string::npos) return std::nullopt;
    if (runCommand(reg, query).output.find("Place0") == std::string::npos) fail("reg query lists no Place0");
    if (runCommand(floor, L"").output != probe.output) {
        fail("the console floor does not print what /list prints:\n" + probe.output + "--\n" + runCommand(floor, L"").output);
    }

    ListFigures figures;
    for (int i = 0; i < runs; ++i) {
        // Each first in turn, so that none always finds the others' traces in the caches.
        const int first = i % 3;
        for (int k = 0; k < 3; ++k) {
            const int which = (first + k) % 3;
            const CommandRun run = which == 0   ? runCommand(quorlane, L"/list")
                                   : which == 1 ? runCommand(floor, L"")
                                                : runCommand(reg, query);
            if (!run.ms) fail("/list, the console floor or reg query did not end");
            (which == 0 ? figures.quorlaneMs : which == 1 ? figures.floorMs : figures.regMs).push_back(*run.ms);
        }
        for (const bool isReg : {i % 2 == 1, i % 2 == 0}) {
            ::DeleteFileW(exported.c_str());
            const CommandRun run = isReg ? runCommand(reg, regExportArgs) : runCommand(quorlane, exportArgs);
            if (!run.ms || run.exitCode != 0 || ::GetFileAttributesW(exported.c_str()) == INVALID_FILE_ATTRIBUTES) {
                fail(isReg ? "reg export wrote no file" : "/export wrote no file");
            }
            (isReg ? figures.regExportMs : figures.exportMs).push_back(*run.ms);
        }
    }
    ::DeleteFileW(exported.c_str());
    return figures;
}

// Where a command's time goes, seen from outside as a debugger sees it: the process created, the
// DLLs the loader maps before the program's first instruction, the DLLs it loads on its way to
// its first output (the registry read and the shell's look-ups), the output and the exit. A
// debugged process runs slower: these figures are for comparing the two programs, not goals.
struct StepTimes {
    double created = 0;
    double importsLoaded = 0;  // the loader's breakpoint: the imports mapped (under Wine, initialised too)
    double firstOutput = 0;
    double ended = 0;
    std::vector<std::string> importDlls;
    std::vector<std::string> laterDlls;  // loaded after, before the first output
    std::vector<std::string> outputDlls;  // loaded after the first output
};

std::string lowerBaseName(const std::wstring& path) {
    std::string name = narrow(path.substr(path.find_last_of(L"\\/") + 1));
    std::transform(name.begin(), name.end(), name.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

// The output of a debugged command, and when its first byte came.
struct DebuggedOutput {
    HANDLE pipe;
    double firstMs = 0;
};

DWORD WINAPI readDebuggedOutput(void* parameter) {
    auto& out = *static_cast<DebuggedOutput*>(parameter);
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(out.pipe, buffer, sizeof buffer, &read, nullptr) && read) {
        if (out.firstMs == 0) out.firstMs = nowMs();
    }
    return 0;
}

StepTimes debugSteps(const std::wstring& path, const std::wstring& arguments) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 1 << 16)) fail("CreatePipe");
    UniqueHandle reader(readEnd);
    UniqueHandle writer(writeEnd);
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    StepTimes steps;
    // The first byte's arrival, read on a thread of its own while this one serves the debug events.
    DebuggedOutput output{readEnd};
    UniqueHandle readerThread(::CreateThread(nullptr, 0, readDebuggedOutput, &output, 0, nullptr));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = writeEnd;
    std::wstring commandLine = L"\"" + path + L"\" " + arguments;
    PROCESS_INFORMATION info{};
    const double started = nowMs();
    if (!::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                          nullptr, &startup, &info)) {
        fail("cannot debug " + narrow(path));
    }
    writer.reset();
    const UniqueHandle process(info.hProcess);
    const UniqueHandle thread(info.hThread);
    bool breakpointSeen = false;
    std::vector<std::pair<double, std::string>> dlls;
    for (;;) {
        DEBUG_EVENT event{};
        if (!::WaitForDebugEvent(&event, kPatienceMs)) fail("no debug event from " + narrow(path));
        const double at = nowMs() - started;
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            steps.created = at;
            if (event.u.CreateProcessInfo.hFile) ::CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile) {
                wchar_t name[MAX_PATH]{};
                if (::GetFinalPathNameByHandleW(event.u.LoadDll.hFile, name, MAX_PATH, 0)) dlls.emplace_back(at, lowerBaseName(name));
                ::CloseHandle(event.u.LoadDll.hFile);
            }
            break;
        case EXCEPTION_DEBUG_EVENT:
            if (!breakpointSeen && event.u.Exception.ExceptionRecord.ExceptionCode == EXCEPTION_BREAKPOINT) {
                breakpointSeen = true;
                steps.importsLoaded = at;
            } else if (event.u.Exception.dwFirstChance) {
                status = DBG_EXCEPTION_NOT_HANDLED;
            }
            break;
        default:
            break;
        }
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) {
            steps.ended = at;
            ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
            break;
        }
        ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
    ::WaitForSingleObject(readerThread.get(), kPatienceMs);
    steps.firstOutput = output.firstMs != 0 ? output.firstMs - started : steps.ended;
    for (const auto& [at, name] : dlls) {
        (at <= steps.importsLoaded ? steps.importDlls : at <= steps.firstOutput ? steps.laterDlls : steps.outputDlls).push_back(name);
    }
    return steps;
}

// The median of each step over `runs` debugged runs, the DLLs of the first.
StepTimes medianSteps(const std::wstring& path, const std::wstring& arguments, int runs) {
    std::vector<StepTimes> all;
    for (int i = 0; i < runs; ++i) all.push_back(debugSteps(path, arguments));
    StepTimes steps = all.front();
    auto pick = [&](double StepTimes::*member) {
        std::vector<double> values;
        for (const StepTimes& one : all) values.push_back(one.*member);
        steps.*member = median(values);
    };
    pick(&StepTimes::created);
    pick(&StepTimes::importsLoaded);
    pick(&StepTimes::firstOutput);
    pick(&StepTimes::ended);
    return steps;
}

// ---- The executable -----------------------------------------------------------------------------

struct ExeFacts {
    ULONGLONG bytes = 0;
    WORD machine = 0;
    std::vector<std::string> imports;
    std::vector<std::string> importsNotInSystem;  // would have to ship beside the exe
    std::vector<std::wstring> dllsBeside;
};

template <typename T>
T readAt(const std::vector<char>& file, std::size_t offset) {
    if (offset + sizeof(T) > file.size()) throw std::runtime_error("truncated executable");
    T value{};
    std::copy_n(file.data() + offset, sizeof(T), reinterpret_cast<char*>(&value));
    return value;
}

// The DLLs an executable imports, read from its import directory.
ExeFacts inspectExe(const std::wstring& folder, const std::wstring& exe) {
    ExeFacts facts;
    const std::wstring path = folder + exe;
    std::ifstream in(path.c_str(), std::ios::binary);
    const std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.empty()) fail("cannot read " + narrow(path));
    facts.bytes = file.size();

    const auto nt = readAt<IMAGE_DOS_HEADER>(file, 0).e_lfanew;
    const auto header = readAt<IMAGE_FILE_HEADER>(file, static_cast<std::size_t>(nt) + 4);
    facts.machine = header.Machine;
    const std::size_t optional = static_cast<std::size_t>(nt) + 4 + sizeof(IMAGE_FILE_HEADER);
    const IMAGE_DATA_DIRECTORY imports =
        header.Machine == IMAGE_FILE_MACHINE_I386
            ? readAt<IMAGE_OPTIONAL_HEADER32>(file, optional).DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT]
            : readAt<IMAGE_OPTIONAL_HEADER64>(file, optional).DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    const std::size_t sections = optional + header.SizeOfOptionalHeader;
    auto fileOffset = [&](DWORD rva) -> std::size_t {
        for (WORD i = 0; i < header.NumberOfSections; ++i) {
            const auto section = readAt<IMAGE_SECTION_HEADER>(file, sections + i * sizeof(IMAGE_SECTION_HEADER));
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.Misc.VirtualSize) {
                return rva - section.VirtualAddress + section.PointerToRawData;
            }
        }
        throw std::runtime_error("import table outside every section");
    };

    wchar_t system[MAX_PATH]{};
    ::GetSystemDirectoryW(system, MAX_PATH);
    for (std::size_t at = fileOffset(imports.VirtualAddress);; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto descriptor = readAt<IMAGE_IMPORT_DESCRIPTOR>(file, at);
        if (descriptor.Name == 0) break;
        std::string name;
        for (std::size_t c = fileOffset(descriptor.Name); c < file.size() && file[c]; ++c) name += file[c];
        facts.imports.push_back(name);
        const std::wstring systemPath = std::wstring(system) + L"\\" + std::wstring(name.begin(), name.end());
        if (::GetFileAttributesW(systemPath.c_str()) == INVALID_FILE_ATTRIBUTES) facts.importsNotInSystem.push_back(name);
    }

    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::wstring extension = entry.path().extension().wstring();
        std::transform(extension.begin(), extension.end(), extension.begin(), ::towlower);
        if (extension == L".dll") facts.dllsBeside.push_back(entry.path().filename().wstring());
    }
    return facts;
}

// ---- The table ----------------------------------------------------------------------------------

void row(const std::string& what, const std::string& quorlane, const std::string& other, const std::string& ratio,
         const std::string& goal, const std::string& verdict) {
    std::printf("%-44s %12s %12s %6s %11s  %s\n", what.c_str(), quorlane.c_str(), other.c_str(), ratio.c_str(),
                goal.c_str(), verdict.c_str());
}

std::string fixed(double value, int decimals = 1) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string range(const std::vector<double>& values) {
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    return fixed(*low, 0) + " .. " + fixed(*high, 0);
}

const char* verdict(bool met) { return met ? "met" : "MISSED"; }

// One figure of quorlane against the same figure of another program, measured by turns: the ratio
// is the median of each turn's ratio, which a load that changes over the runs upsets less.
void ratioRow(const std::string& what, const std::vector<double>& quorlane, const std::vector<double>& other,
              int decimals, std::optional<double> maxRatio) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < quorlane.size() && i < other.size(); ++i) ratios.push_back(quorlane[i] / other[i]);
    const double ratio = median(ratios);
    row(what, fixed(median(quorlane), decimals), fixed(median(other), decimals), fixed(ratio, 2),
        maxRatio ? "<= " + fixed(*maxRatio, 2) : "", maxRatio ? verdict(ratio <= *maxRatio) : "");
}

std::string joined(const std::set<std::string>& names) {
    std::string text;
    for (const auto& name : names) text += (text.empty() ? "" : ", ") + name;
    return text.empty() ? "none" : text;
}

std::set<std::string> without(const std::set<std::string>& a, const std::set<std::string>& b) {
    std::set<std::string> rest;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(rest, rest.end()));
    return rest;
}

int stepRuns(int runs) { return std::min(runs, 5); }

std::set<std::string> allDlls(const StepTimes& steps) {
    std::set<std::string> names(steps.importDlls.begin(), steps.importDlls.end());
    names.insert(steps.laterDlls.begin(), steps.laterDlls.end());
    names.insert(steps.outputDlls.begin(), steps.outputDlls.end());
    return names;
}

std::string listed(const std::vector<std::string>& names) {
    return std::to_string(names.size()) + (names.empty() ? "" : ": " + joined({names.begin(), names.end()}));
}

// The step table of the command path, `/list` against the console floor, and the DLLs each loads.
void printCommandSteps(int runs) {
    storePlaces(true);
    const StepTimes quorlane = medianSteps(exeFolder() + kQuorlane.exe, L"/list", runs);
    const StepTimes floor = medianSteps(exeFolder() + kConsoleFloor, L"", runs);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kPlacesBar);
    ::RegCreateKeyExW(HKEY_CURRENT_USER, kPlacesBar, 0, nullptr, 0, KEY_SET_VALUE, nullptr, UniqueHKey().put(), nullptr);
    // An empty key: to the first output is the registry read alone, with no shell look-up.
    const StepTimes quorlaneEmpty = medianSteps(exeFolder() + kQuorlane.exe, L"/list", runs);
    const StepTimes floorEmpty = medianSteps(exeFolder() + kConsoleFloor, L"", runs);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kPlacesBar);

    std::printf("\nWhere the command path's time goes: /list of %d places, under a debugger (median of %d runs; a\n"
                "debugged process runs slower, so these are for comparing, not goals); ms from CreateProcess\n",
                kStoredPlaces, runs);
    row("step (ms, each step alone)", "/list", "cons. floor", "", "", "");
    auto stepRow = [](const std::string& what, double a, double b) { row(what, fixed(a), fixed(b), "", "", ""); };
    stepRow("process start (created)", quorlane.created, floor.created);
    stepRow("DLLs loaded and initialised (imports)", quorlane.importsLoaded - quorlane.created, floor.importsLoaded - floor.created);
    // An empty key prints nothing: its run from the first instruction to the exit, less the full
    // run's output and exit, is the start of the work and the registry read.
    const auto registry = [](const StepTimes& empty, const StepTimes& full) {
        return std::max(0.0, empty.ended - empty.importsLoaded - (full.ended - full.firstOutput));
    };
    const double qRegistry = registry(quorlaneEmpty, quorlane);
    const double fRegistry = registry(floorEmpty, floor);
    stepRow("registry read (as of an empty key)", qRegistry, fRegistry);
    stepRow("shell look-ups (the rest, to output)",
            std::max(0.0, quorlane.firstOutput - quorlane.importsLoaded - qRegistry),
            std::max(0.0, floor.firstOutput - floor.importsLoaded - fRegistry));
    stepRow("output and exit", quorlane.ended - quorlane.firstOutput, floor.ended - floor.firstOutput);
    stepRow("total", quorlane.ended, floor.ended);
    std::printf("/list loads at start %s\n  on its way to output %s\n  after %s\n", listed(quorlane.importDlls).c_str(),
                listed(quorlane.laterDlls).c_str(), listed(quorlane.outputDlls).c_str());
    std::printf("console floor loads at start %s\n  on its way to output %s\n  after %s\n", listed(floor.importDlls).c_str(),
                listed(floor.laterDlls).c_str(), listed(floor.outputDlls).c_str());
    std::printf("only in /list: %s\n", joined(without(allDlls(quorlane), allDlls(floor))).c_str());
}

int parseRuns(int argc, wchar_t** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::wcscmp(argv[i], L"--runs") == 0) return std::max(1, _wtoi(argv[i + 1]));
    return 11;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        const int runs = parseRuns(argc, argv);
        const std::wstring folder = exeFolder();
        const int pickerEntries = pickerEntryCount();
        storePlaces(true);
        StartupFigures quorlane;
        StartupFigures floor;
        StartupFigures baseline;
        StartupFigures warmUp;
        // The first runs fill the file cache and start Wine's services.
        for (const Benched* program : {&kQuorlane, &kFloor, &kBaseline}) measureStartup(*program, pickerEntries, warmUp);
        StartupFigures hung;
        std::string noHungMount;
        for (int i = 0; i < runs; ++i) {
            measureStartup(kQuorlane, pickerEntries, quorlane);
            if (noHungMount.empty()) measureHungStartup(pickerEntries, hung, false, noHungMount);
            measureStartup(kFloor, pickerEntries, floor);
            measureStartup(kBaseline, pickerEntries, baseline);
        }
        // The window's answers while it comes up, probed from here, with and without a hung place.
        StartupFigures probed;
        StartupFigures hungProbed;
        for (int i = 0; i < runs; ++i) {
            measureStartup(kQuorlane, pickerEntries, probed, true);
            if (noHungMount.empty()) measureHungStartup(pickerEntries, hungProbed, true, noHungMount);
        }
        const std::vector<double> picker = measurePicker(runs, pickerEntries);
        const EarlyPicker early = measureEarlyPicker(runs, pickerEntries);
        const std::optional<ListFigures> list = measureList(runs);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kPlacesBar);
        const ExeFacts exe = inspectExe(folder, kQuorlane.exe);

        const double pickerMs = median(picker);
        const double exeKiB = static_cast<double>(exe.bytes) / 1024.0;
        const bool oneFile = exe.importsNotInSystem.empty() && exe.dllsBeside.empty();

        std::printf("Quorlane benchmark on %s, %s programs, median of %d runs each (after one warm-up run),\n"
                    "the programs taking turns; a ratio is the median of the turns' ratios\n",
                    platformName().c_str(), exe.machine == IMAGE_FILE_MACHINE_I386 ? "32-bit" : "64-bit", runs);
        std::printf("Start-up is timed from CreateProcess: \"visible\" when the main window is visible; \"ready\" when,\n"
                    "besides, WaitForInputIdle has returned, the window answers a sent WM_NULL and the lists are filled:\n"
                    "quorlane's (hidden) picker with its %d special and known folders, the floor's list with the %d stored places.\n"
                    "The floor shows those places with the shell's names and icons in one list view, through the same\n"
                    "shell, registry and list view code and DLLs; the bare window shows one empty list view.\n"
                    "The peak working set is read %u ms after \"ready\".\n\n",
                    pickerEntries, kStoredPlaces, static_cast<unsigned>(kSettleMs));

        row("measure", "quorlane", "floor", "ratio", "goal", "");
        ratioRow("start-up to visible (ms), ratio to the floor", quorlane.visibleMs, floor.visibleMs, 1, 1.10);
        ratioRow("start-up to ready (ms), ratio to the floor", quorlane.readyMs, floor.readyMs, 1, 1.25);
        ratioRow("peak working set (KiB), ratio to the floor", quorlane.peakWorkingSetKiB, floor.peakWorkingSetKiB, 0,
                 1.10);
        row("\"Add special...\" to picker shown (ms)", fixed(pickerMs), "", "", "< 50 ms", verdict(pickerMs < 50));
        const double earlyMs = median(early.ms);
        row("  pressed the moment the window is visible", fixed(earlyMs), "", "", "<= 100 ms",
            verdict(earlyMs <= 100 && early.incomplete == 0));
        row("exe size (KiB), one file", fixed(exeKiB) + (oneFile ? "" : " NOT ONE"), "", "", "< 600 KiB",
            verdict(exeKiB < 600 && oneFile));
        if (list) {
            row("", "/list", "cons. floor", "", "", "");
            ratioRow("/list to its end (ms), ratio to the console floor", list->quorlaneMs, list->floorMs, 1, 1.25);
            row("", "/export", "reg export", "", "", "");
            ratioRow("/export FILE to its end (ms), ratio to reg export", list->exportMs, list->regExportMs, 1, 1.5);
        } else {
            std::printf("(no row for /list against reg query: this quorlane.exe has no /list)\n");
        }

        const auto longestRow = [](const std::string& what, const std::vector<double>& longest) {
            const double ms = median(longest);
            row(what, fixed(ms), "", "", "<= 100 ms", verdict(ms <= 100));
        };
        row("", "", "", "", "", "");
        longestRow("longest answer to WM_NULL every 10 ms, visible to ready + 2 s (ms)", probed.longestAnswerMs);
        if (noHungMount.empty()) {
            longestRow("  the same with one place hung (ms)", hungProbed.longestAnswerMs);
            row("", "one hung", "none hung", "", "", "");
            ratioRow("start-up to visible with one place hung (ms), ratio", hung.visibleMs, quorlane.visibleMs, 1, 1.10);
            ratioRow("start-up to ready with one place hung (ms), ratio", hung.readyMs, quorlane.readyMs, 1, 1.10);
        } else {
            std::printf("(no rows with a hung place: %s)\n", noHungMount.c_str());
        }

        std::printf("\nFor information\n");
        row("", "quorlane", "bare", "ratio", "", "");
        ratioRow("start-up to visible (ms), to the bare window", quorlane.visibleMs, baseline.visibleMs, 1, std::nullopt);
        ratioRow("start-up to ready (ms), to the bare window", quorlane.readyMs, baseline.readyMs, 1, std::nullopt);
        ratioRow("peak working set (KiB), to the bare window", quorlane.peakWorkingSetKiB, baseline.peakWorkingSetKiB, 0,
                 std::nullopt);
        if (list) {
            row("", "/list", "reg query", "", "", "");
            ratioRow("/list to its end (ms), to reg query", list->quorlaneMs, list->regMs, 1, std::nullopt);
        }
        row("", "quorlane", "floor", "", "", "");
        row("  visible, fastest .. slowest (ms)", range(quorlane.visibleMs), range(floor.visibleMs), "", "", "");
        row("  ready, fastest .. slowest (ms)", range(quorlane.readyMs), range(floor.readyMs), "", "", "");
        row("  picker, fastest .. slowest (ms)", range(picker), "", "", "", "");
        row("\"Add special...\" at once when visible, fastest .. slowest (ms)", range(early.ms), "", "", "", "");
        row("  until its entries show their own icons (ms)", fixed(median(early.iconsMs)), "", "", "", "");
        row("  showings with an incomplete list", std::to_string(early.incomplete) + " of " + std::to_string(runs), "", "",
            "", "");
        if (noHungMount.empty()) {
            row("", "one hung", "floor", "ratio", "", "");
            ratioRow("start-up to visible with one place hung (ms), to the floor", hung.visibleMs, floor.visibleMs, 1, std::nullopt);
            ratioRow("start-up to ready with one place hung (ms), to the floor", hung.readyMs, floor.readyMs, 1, std::nullopt);
            row("  longest answer, worst run, none / one hung (ms)",
                fixed(*std::max_element(probed.longestAnswerMs.begin(), probed.longestAnswerMs.end())),
                fixed(*std::max_element(hungProbed.longestAnswerMs.begin(), hungProbed.longestAnswerMs.end())), "", "", "");
        }

        std::printf("\nquorlane.exe imports: %s\n", joined({exe.imports.begin(), exe.imports.end()}).c_str());
        std::printf("one file: %s", oneFile ? "yes (every import is a system DLL, no DLL beside it)\n" : "NO:");
        for (const auto& name : exe.importsNotInSystem) std::printf(" %s (not a system DLL)", name.c_str());
        for (const auto& name : exe.dllsBeside) std::printf(" %s (beside it)", narrow(name).c_str());
        if (!oneFile) std::printf("\n");
        std::printf("DLLs loaded when ready: quorlane %zu, floor %zu; only in quorlane: %s; only in the floor: %s\n",
                    quorlane.modules.size(), floor.modules.size(), joined(without(quorlane.modules, floor.modules)).c_str(),
                    joined(without(floor.modules, quorlane.modules)).c_str());
        std::printf("DLLs the window path loads (%zu, once ready): %s\n", quorlane.modules.size(), joined(quorlane.modules).c_str());
        if (list) printCommandSteps(stepRuns(runs));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorlane_bench: %s\n", e.what());
        return 2;
    }
}
