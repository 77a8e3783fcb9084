#include "picker/special_folder_scan_win32.h"

#include <process.h>

namespace ql::picker {
namespace {

// The special folder numbers the shell may know; which of them exist only the shell can tell.
constexpr int kFirstCsidl = 0;  // CSIDL_DESKTOP
constexpr int kLastCsidl = 49;  // CSIDL_CONNECTIONS

const std::vector<SpecialFolder> kNone;

}  // namespace

std::optional<shellUI::DisplayInfo> SpecialFolderScan::askShell(int csidl) {
    // No owner: a window of another thread must not be drawn into the look-up.
    return shellUI::getSpecialFolderDisplayInfo(csidl, nullptr);
}

SpecialFolderScan::SpecialFolderScan(Query query) : query_(std::move(query)) {
    // _beginthreadex rather than CreateThread: the thread allocates through the C runtime.
    thread_.reset(reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, threadMain, this, CREATE_SUSPENDED, nullptr)));
    if (!thread_) {
        run();
        return;
    }
    // Below the window's thread while the window comes up: on a machine with few cores the look-ups
    // would otherwise take turns with its start-up. Back to normal once there is a window to report to.
    ::SetThreadPriority(thread_.get(), THREAD_PRIORITY_BELOW_NORMAL);
    ::ResumeThread(thread_.get());
}

SpecialFolderScan::~SpecialFolderScan() {
    stop_.store(true, std::memory_order_relaxed);
    if (thread_) {
        ::SetThreadPriority(thread_.get(), THREAD_PRIORITY_NORMAL);
        ::WaitForSingleObject(thread_.get(), INFINITE);
    }
}

void SpecialFolderScan::reportTo(HWND notify, UINT doneMessage) {
    if (thread_) ::SetThreadPriority(thread_.get(), THREAD_PRIORITY_NORMAL);
    doneMessage_ = doneMessage;
    notify_.store(notify);
    postOnce();
}

void SpecialFolderScan::postOnce() {
    // Sequentially consistent: of the two sides, at least the second sees both done, and the
    // exchange lets only one of them post.
    const HWND notify = notify_.load();
    if (notify && finished_.load() && !posted_.exchange(true)) ::PostMessageW(notify, doneMessage_, 0, 0);
}

const std::vector<SpecialFolder>& SpecialFolderScan::folders() const { return finished() ? folders_ : kNone; }

unsigned __stdcall SpecialFolderScan::threadMain(void* self) {
    // The shell's folder objects live in an apartment; this thread's own, so that none of them
    // is ever called across threads.
    const win::ComApartment com;
    static_cast<SpecialFolderScan*>(self)->run();
    return 0;
}

void SpecialFolderScan::run() {
    for (int csidl = kFirstCsidl; csidl <= kLastCsidl; ++csidl) {
        if (stop_.load(std::memory_order_relaxed)) return;
        if (std::optional<shellUI::DisplayInfo> shown = query_(csidl)) folders_.push_back({csidl, std::move(*shown)});
    }
    finished_.store(true);
    postOnce();
}

}  // namespace ql::picker
