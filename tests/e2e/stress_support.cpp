#include "tests/e2e/stress_support.h"

#include "about/about_box_win32.h"
#include "picker/picker_ids.h"
#include "common/win_texts.h"

#include <psapi.h>

#include <ostream>
#include <vector>

namespace ql::e2e::stress {
namespace {

// A modal window that closes hides (the picker) or is destroyed (the About box); either way its
// owner is enabled again and takes input.
void waitUntilClosed(HWND modal, HWND mainWindow, const char* what) {
    if (!waitUntil([&] { return !::IsWindowVisible(modal) && ::IsWindowEnabled(mainWindow); })) {
        throw DriverError(std::string(what) + " does not close");
    }
    settle(mainWindow);
}

void chooseInPicker(const Editor& editor, int button) {
    editor.click(ids::kAddSpecial);
    const HWND dialog = editor.waitForDialog(win::loadText(IDS_PICKER_CAPTION));
    click(control(dialog, button));
    waitUntilClosed(dialog, editor.window(), "the picker");
}

}  // namespace

void addFirstSpecialFolder(const Editor& editor) { chooseInPicker(editor, picker::ids::kOk); }

void openAndCancelPicker(const Editor& editor) { chooseInPicker(editor, picker::ids::kCancel); }

void openAndCloseAbout(const Editor& editor) {
    editor.click(ids::kAbout);
    const HWND about = editor.waitForDialog(L"About Quorlane");
    click(control(about, about::ids::kCmdOK));
    waitUntilClosed(about, editor.window(), "the About box");
}

void dragEntry(const Editor& editor, int from, int onto) {
    const ListView list = editor.list();
    mouse::drag(editor.window(), list.itemPoint(from), list.itemPoint(onto));
}

void removeEntry(const Editor& editor, int index) {
    mouse::click(editor.window(), editor.list().itemPoint(index));
    editor.click(ids::kRemoveItem);
}

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
