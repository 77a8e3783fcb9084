#include "picker/special_folder_scan_win32.h"

#include "shell/shell_ui_win32.h"

#include <process.h>

namespace ql::picker {
namespace {

// The special folder numbers the shell may know; which of them exist only the shell can tell.
constexpr int kFirstCsidl = 0;  // CSIDL_DESKTOP
constexpr int kLastCsidl = 49;  // CSIDL_CONNECTIONS

const std::vector<ScannedFolder> kNoFolders;
const std::vector<int> kNoIcons;

}  // namespace

std::optional<std::wstring> SpecialFolderScan::askShellName(int csidl) { return shellUI::getSpecialFolderDisplayName(csidl); }

int SpecialFolderScan::askShellIcon(const ScannedFolder& folder) {
    return folder.csidl >= 0 ? shellUI::getSpecialFolderIconIndex(folder.csidl)
                             : shellUI::getPathDisplayInfo(folder.path).iconIndex;
}

SpecialFolderScan::SpecialFolderScan(NameQuery names, KnownFolderQuery knownFolders, IconQuery icons, FirstJob first)
    : names_(std::move(names)), knownFolders_(std::move(knownFolders)), iconQuery_(std::move(icons)), first_(std::move(first)) {
    // Below the window's thread while the window comes up: on a machine with few cores the look-ups
    // would otherwise take turns with its start-up. Back to normal once there is a window to report to.
    namesThread_ = startThread(&threadMain<&SpecialFolderScan::namesStage>, THREAD_PRIORITY_BELOW_NORMAL);
    if (!namesThread_) namesStage();
}

SpecialFolderScan::~SpecialFolderScan() {
    stop_.store(true, std::memory_order_relaxed);
    if (namesThread_) {
        ::SetThreadPriority(namesThread_.get(), THREAD_PRIORITY_NORMAL);
        ::WaitForSingleObject(namesThread_.get(), INFINITE);
    }
    if (iconsThread_) ::WaitForSingleObject(iconsThread_.get(), INFINITE);
}

template <void (SpecialFolderScan::*stage)()>
unsigned __stdcall SpecialFolderScan::threadMain(void* self) {
    // The shell's folder objects live in an apartment; this thread's own, so that none of them
    // is ever called across threads.
    const win::ComApartment com;
    (static_cast<SpecialFolderScan*>(self)->*stage)();
    return 0;
}

win::UniqueHandle SpecialFolderScan::startThread(unsigned(__stdcall* main)(void*), int priority) {
    // _beginthreadex rather than CreateThread: the thread allocates through the C runtime.
    win::UniqueHandle thread(reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, main, this, CREATE_SUSPENDED, nullptr)));
    if (thread) {
        ::SetThreadPriority(thread.get(), priority);
        ::ResumeThread(thread.get());
    }
    return thread;
}

void SpecialFolderScan::startIcons() {
    if (iconsStarted_ || !namesFinished()) return;
    iconsStarted_ = true;
    // Someone is waiting for them: at the window's own priority.
    iconsThread_ = startThread(&threadMain<&SpecialFolderScan::iconsStage>, THREAD_PRIORITY_NORMAL);
    if (!iconsThread_) iconsStage();
}

void SpecialFolderScan::reportTo(HWND notify, UINT progressMessage) {
    if (namesThread_ && !namesFinished()) ::SetThreadPriority(namesThread_.get(), THREAD_PRIORITY_NORMAL);
    progressMessage_ = progressMessage;
    notify_.store(notify);
    postProgress();
}

void SpecialFolderScan::postProgress() {
    // Sequentially consistent: of the two sides, at least the second sees both the stage and the
    // window, and the exchange lets only one of them announce a stage.
    const HWND notify = notify_.load();
    if (!notify) return;
    const int stage = stage_.load();
    int posted = postedStage_.load();
    while (posted < stage && !postedStage_.compare_exchange_weak(posted, stage)) {
    }
    if (posted < stage) ::PostMessageW(notify, progressMessage_, 0, 0);
}

const std::vector<ScannedFolder>& SpecialFolderScan::folders() const { return namesFinished() ? folders_ : kNoFolders; }

const std::vector<int>& SpecialFolderScan::icons() const { return iconsFinished() ? icons_ : kNoIcons; }

void SpecialFolderScan::namesStage() {
    if (first_) first_();
    askNames();
    if (stop_.load(std::memory_order_relaxed)) return;
    stage_.store(kNamesIn);
    postProgress();
}

void SpecialFolderScan::iconsStage() {
    askIcons();
    if (stop_.load(std::memory_order_relaxed)) return;
    stage_.store(kIconsIn);
    postProgress();
}

void SpecialFolderScan::askNames() {
    for (int csidl = kFirstCsidl; csidl <= kLastCsidl; ++csidl) {
        if (stop_.load(std::memory_order_relaxed)) return;
        if (std::optional<std::wstring> name = names_(csidl)) folders_.push_back({csidl, {}, std::move(*name)});
    }
    for (shellUI::KnownFolder& folder : knownFolders_()) {
        if (stop_.load(std::memory_order_relaxed)) return;
        std::wstring name = shellUI::getPathDisplayName(folder.path);
        folders_.push_back({-1, std::move(folder.path), name.empty() ? std::move(folder.name) : std::move(name)});
    }
}

void SpecialFolderScan::askIcons() {
    icons_.reserve(folders_.size());
    for (const ScannedFolder& folder : folders_) {
        if (stop_.load(std::memory_order_relaxed)) return;
        icons_.push_back(iconQuery_(folder));
    }
}

}  // namespace ql::picker
