#include "tests/e2e/stress_support.h"

#include "about/about_box_win32.h"
#include "app/control_ids.h"
#include "picker/picker_ids.h"

#include <psapi.h>

#include <ostream>
#include <vector>

namespace ql::e2e::stress {
namespace {

bool isMainWindow(HWND hwnd) { return className(hwnd) == L"#32770" && !owner(hwnd) && text(hwnd).starts_with(L"Quorlane"); }

HWND waitForMainWindow(const Program& program) { return program.waitForWindow(isMainWindow, "the Quorlane window"); }

// A modal window that closes hides (the picker) or is destroyed (the About box); either way its
// owner is enabled again and takes input.
void waitUntilClosed(HWND modal, HWND mainWindow, const char* what) {
    if (!waitUntil([&] { return !::IsWindowVisible(modal) && ::IsWindowEnabled(mainWindow); })) {
        throw DriverError(std::string(what) + " does not close");
    }
    settle(mainWindow);
}

}  // namespace

Quorlane::Quorlane()
    : program_(Program::start(L"quorlane.exe")),
      window_(waitForMainWindow(program_)),
      list_(e2e::control(window_, ids::kFolderList)) {}

HWND Quorlane::control(int id) const { return e2e::control(window_, id); }

HWND Quorlane::openPicker() {
    click(control(ids::kAddSpecial));
    return program_.waitForWindow([](HWND hwnd) { return text(hwnd) == picker::ids::kCaption; }, "the picker");
}

void Quorlane::addFirstSpecialFolder() {
    const HWND picker = openPicker();
    click(e2e::control(picker, picker::ids::kOk));
    waitUntilClosed(picker, window_, "the picker");
}

void Quorlane::openAndCancelPicker() {
    const HWND picker = openPicker();
    click(e2e::control(picker, picker::ids::kCancel));
    waitUntilClosed(picker, window_, "the picker");
}

void Quorlane::openAndCloseAbout() {
    click(control(ids::kAbout));
    const HWND about =
        program_.waitForWindow([](HWND hwnd) { return text(hwnd) == L"About Quorlane"; }, "the About box");
    click(e2e::control(about, about::ids::kCmdOK));
    waitUntilClosed(about, window_, "the About box");
}

void Quorlane::dragEntry(int from, int onto) { mouse::drag(window_, list_.itemPoint(from), list_.itemPoint(onto)); }

void Quorlane::removeEntry(int index) {
    mouse::click(window_, list_.itemPoint(index));
    click(control(ids::kRemoveItem));
}

void Quorlane::apply() { click(control(ids::kApplyChanges)); }

// ---- Resources ----------------------------------------------------------------------------------

namespace {

BOOL CALLBACK countChild(HWND, LPARAM lParam) {
    ++*reinterpret_cast<std::size_t*>(lParam);
    return TRUE;
}

struct WindowCount {
    DWORD processId;
    std::size_t count;
};

BOOL CALLBACK countWindowOf(HWND hwnd, LPARAM lParam) {
    auto& windows = *reinterpret_cast<WindowCount*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid != windows.processId) return TRUE;
    ++windows.count;
    ::EnumChildWindows(hwnd, countChild, reinterpret_cast<LPARAM>(&windows.count));
    return TRUE;
}

// The layout of SystemExtendedHandleInformation, which both Windows and Wine answer.
constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);

struct HandleEntry {
    void* object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG attributes;
    ULONG reserved;
};

struct HandleTable {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};

DWORD handlesInSystemTable(DWORD processId) {
    using Query = LONG(NTAPI*)(ULONG, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) throw DriverError("no NtQuerySystemInformation");
    std::vector<ULONG_PTR> buffer(1 << 16);
    for (;;) {
        ULONG needed = 0;
        const auto bytes = static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR));
        const LONG status = query(kSystemExtendedHandleInformation, buffer.data(), bytes, &needed);
        if (status == kStatusInfoLengthMismatch) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status < 0) throw DriverError("cannot read the system handle table");
        const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
        DWORD count = 0;
        for (ULONG_PTR i = 0; i < table->count; ++i) count += table->entries[i].processId == processId;
        return count;
    }
}

}  // namespace

ResourceLevel resourceLevel(const Program& program) {
    const win::UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, program.id()));
    if (!process) throw DriverError("cannot open the program's process");
    ResourceLevel level;
    level.gdiObjects = ::GetGuiResources(process.get(), GR_GDIOBJECTS);
    level.userObjects = ::GetGuiResources(process.get(), GR_USEROBJECTS);
    if (!::GetProcessHandleCount(process.get(), &level.handles) || level.handles == 0) {
        level.handles = handlesInSystemTable(program.id());
    }
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (!::GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        throw DriverError("cannot read the program's memory figures");
    }
    level.privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
    WindowCount windows{program.id(), 0};
    ::EnumWindows(countWindowOf, reinterpret_cast<LPARAM>(&windows));
    level.windows = windows.count;
    return level;
}

std::ostream& operator<<(std::ostream& os, const ResourceLevel& level) {
    return os << "GDI objects " << level.gdiObjects << ", USER objects " << level.userObjects << ", handles "
              << level.handles << ", private KiB " << level.privateBytes / 1024 << ", windows " << level.windows;
}

}  // namespace ql::e2e::stress
