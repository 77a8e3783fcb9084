// Quorlane's benchmark: start-up, picker and footprint figures of quorlane.exe against
// bench_baseline.exe (a window with one list view), both found beside this program, measured in
// the same Windows or Wine session and printed as a table. Not a test: it reports, it does not judge.
//
// It rewrites the places bar of the current user: run it in a profile (Wine prefix) of its own,
// as scripts/bench.sh does.
#include "app/control_ids.h"
#include "common/win_handles.h"
#include "picker/picker_ids.h"

#include <psapi.h>

#include <algorithm>
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
constexpr Benched kBaseline{L"bench_baseline.exe", L"QuorlaneBenchBaseline"};
constexpr wchar_t kPlacesBar[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ComDlg32\\PlacesBar";
constexpr DWORD kPatienceMs = 30000;

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
void storePlaces(bool fifth) {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kPlacesBar);
    writeDword(L"Place0", 0);   // Desktop
    writeDword(L"Place1", 5);   // Documents
    writeDword(L"Place2", 17);  // My Computer
    writeText(kPlacesBar, L"Place3", L"C:\\windows");
    if (fifth) writeText(kPlacesBar, L"Place4", L"C:\\windows\\system32");
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

bool isPicker(HWND hwnd) { return windowText(hwnd) == ql::picker::ids::kCaption; }

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
    // start); `ready` when, besides, WaitForInputIdle has returned, the window's thread answers a
    // sent WM_NULL and, where `pickerEntries` is given, the picker window exists with that many
    // entries in its list.
    struct Startup {
        double visible;
        double ready;
    };
    Startup waitForStartup(const std::wstring& mainClass, std::optional<int> pickerEntries) {
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
        ::WaitForInputIdle(process_.get(), kPatienceMs);
        while (pickerEntries && pickerListCount() != *pickerEntries) tick("complete picker");
        while (!answers(mainWindow_)) tick("answer");
        startup.ready = nowMs() - started_;
        return startup;
    }

    HWND mainWindow() const { return mainWindow_; }

    HWND visiblePicker() {
        return windows_->find([](HWND hwnd) { return ::IsWindowVisible(hwnd) && isPicker(hwnd); });
    }

    // Entries in the list of the program's picker window, shown or hidden; -1 while there is none.
    int pickerListCount() {
        const HWND picker = windows_->find(isPicker);
        const HWND list = picker ? ::GetDlgItem(picker, ql::picker::ids::kFolderList) : nullptr;
        DWORD_PTR count = 0;
        if (!list || !::SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, kPatienceMs, &count)) return -1;
        return static_cast<int>(count);
    }

    PROCESS_MEMORY_COUNTERS memory() const {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        if (!::GetProcessMemoryInfo(process_.get(), &counters, sizeof counters)) fail("GetProcessMemoryInfo");
        return counters;
    }

private:
    UniqueHandle process_;
    std::optional<ProcessWindows> windows_;
    double started_ = 0;
    HWND mainWindow_ = nullptr;
};

struct StartupFigures {
    std::vector<double> visibleMs;
    std::vector<double> readyMs;
    std::vector<double> peakWorkingSetKiB;
};

void measureStartup(const Benched& program, std::optional<int> pickerEntries, StartupFigures& figures) {
    Run run(program.exe);
    const Run::Startup startup = run.waitForStartup(program.mainClass, pickerEntries);
    figures.visibleMs.push_back(startup.visible);
    figures.readyMs.push_back(startup.ready);
    figures.peakWorkingSetKiB.push_back(static_cast<double>(run.memory().PeakWorkingSetSize) / 1024.0);
}

// The special folders the shell knows here, which the picker lists: CSIDL 0 to 49 that resolve.
int specialFolderCount() {
    int count = 0;
    for (int csidl = 0; csidl <= 49; ++csidl) {
        ql::win::UniquePidl pidl;
        ::SHGetSpecialFolderLocation(nullptr, csidl, pidl.put());
        if (pidl) ++count;
    }
    return count;
}

// "Add special..." clicked (BM_CLICK posted) until the picker is visible and answers; then
// cancelled, and the next opening waits for the main window to be enabled again.
std::vector<double> measurePicker(int openings) {
    storePlaces(false);  // four places: "Add special..." is enabled
    Run run(kQuorlane.exe);
    run.waitForStartup(kQuorlane.mainClass, std::nullopt);
    const HWND addSpecial = ::GetDlgItem(run.mainWindow(), ql::ids::kAddSpecial);
    if (!addSpecial || !::IsWindowEnabled(addSpecial)) fail("\"Add special...\" is not there or not enabled");

    std::vector<double> ms;
    for (int i = 0; i < openings; ++i) {
        const double clicked = nowMs();
        ::PostMessageW(addSpecial, BM_CLICK, 0, 0);
        HWND picker = nullptr;
        while (!(picker = run.visiblePicker()) ||
               !answers(picker)) {
            if (nowMs() - clicked > kPatienceMs) fail("the picker did not open");
            ::Sleep(1);
        }
        ms.push_back(nowMs() - clicked);

        ::PostMessageW(picker, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        const double cancelled = nowMs();
        while (::IsWindowVisible(picker) || !::IsWindowEnabled(run.mainWindow()) || !answers(run.mainWindow())) {
            if (nowMs() - cancelled > kPatienceMs) fail("the picker did not close");
            ::Sleep(1);
        }
    }
    return ms;
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

void row(const char* what, const std::string& quorlane, const std::string& baseline, const std::string& ratio,
         const std::string& goal, const char* verdict) {
    std::printf("%-42s %12s %12s %6s %13s  %s\n", what, quorlane.c_str(), baseline.c_str(), ratio.c_str(), goal.c_str(),
                verdict);
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
        const int pickerEntries = specialFolderCount();
        storePlaces(true);
        StartupFigures quorlane;
        StartupFigures baseline;
        StartupFigures warmUp;
        measureStartup(kQuorlane, pickerEntries, warmUp);  // fills the file cache and starts the services
        measureStartup(kBaseline, std::nullopt, warmUp);
        for (int i = 0; i < runs; ++i) {
            measureStartup(kQuorlane, pickerEntries, quorlane);
            measureStartup(kBaseline, std::nullopt, baseline);
        }
        const std::vector<double> picker = measurePicker(runs);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kPlacesBar);
        const ExeFacts exe = inspectExe(folder, kQuorlane.exe);

        const double readyRatio = median(quorlane.readyMs) / median(baseline.readyMs);
        const double peakRatio = median(quorlane.peakWorkingSetKiB) / median(baseline.peakWorkingSetKiB);
        const double pickerMs = median(picker);
        const double exeKiB = static_cast<double>(exe.bytes) / 1024.0;
        const bool oneFile = exe.importsNotInSystem.empty() && exe.dllsBeside.empty();

        std::printf("Quorlane benchmark on %s, %s quorlane.exe, median of %d runs each (after one warm-up run)\n",
                    platformName().c_str(), exe.machine == IMAGE_FILE_MACHINE_I386 ? "32-bit" : "64-bit", runs);
        std::printf("start-up is timed from CreateProcess: \"visible\" when the main window is visible; \"ready\"\n"
                    "when, besides, WaitForInputIdle has returned, the window answers a sent WM_NULL and quorlane's\n"
                    "hidden picker holds its %d special folders. quorlane starts with five stored places.\n\n",
                    pickerEntries);
        row("measure", "quorlane", "baseline", "ratio", "goal", "");
        row("start-up to visible (ms)", fixed(median(quorlane.visibleMs)), fixed(median(baseline.visibleMs)),
            fixed(median(quorlane.visibleMs) / median(baseline.visibleMs), 2), "", "");
        row("start-up to ready (ms)", fixed(median(quorlane.readyMs)), fixed(median(baseline.readyMs)),
            fixed(readyRatio, 2), "ratio <= 1.5", readyRatio <= 1.5 ? "met" : "MISSED");
        row("  ready, fastest .. slowest (ms)", range(quorlane.readyMs), range(baseline.readyMs), "", "", "");
        row("picker: \"Add special...\" to shown (ms)", fixed(pickerMs), "", "", "< 50 ms", pickerMs < 50 ? "met" : "MISSED");
        row("  fastest .. slowest (ms)", range(picker), "", "", "", "");
        row("exe size (KiB)", fixed(exeKiB), "", "", "< 600 KiB", exeKiB < 600 && oneFile ? "met" : "MISSED");
        row("peak working set when ready (KiB)", fixed(median(quorlane.peakWorkingSetKiB), 0),
            fixed(median(baseline.peakWorkingSetKiB), 0), fixed(peakRatio, 2), "ratio <= 1.3",
            peakRatio <= 1.3 ? "met" : "MISSED");

        std::string imports;
        for (const auto& name : exe.imports) imports += (imports.empty() ? "" : ", ") + name;
        std::printf("\nquorlane.exe imports: %s\n", imports.c_str());
        std::printf("one file: %s", oneFile ? "yes (every import is a system DLL, no DLL beside it)\n" : "NO:");
        for (const auto& name : exe.importsNotInSystem) std::printf(" %s (not a system DLL)", name.c_str());
        for (const auto& name : exe.dllsBeside) std::printf(" %s (beside it)", narrow(name).c_str());
        if (!oneFile) std::printf("\n");
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorlane_bench: %s\n", e.what());
        return 2;
    }
}
