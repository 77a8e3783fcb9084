#include "picker/special_folder_scan_win32.h"

#include "common/win_text.h"
#include "picker/picker_texts.h"

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
    startThread();
    if (thread_) return;
    if (first_) first_();
    namesStage();
}

SpecialFolderScan::~SpecialFolderScan() {
    stop_.store(true, std::memory_order_relaxed);
    if (!thread_) return;
    ::SetThreadPriority(thread_.get(), THREAD_PRIORITY_NORMAL);
    ::SetEvent(iconsWanted_.get());
    ::WaitForSingleObject(thread_.get(), INFINITE);
}

unsigned __stdcall SpecialFolderScan::threadMain(void* self) {
    auto& scan = *static_cast<SpecialFolderScan*>(self);
    {
        // The shell's folder objects live in an apartment; this thread's own, so that none of them
        // is ever called across threads. It is left before the thread parks: a single-threaded
        // apartment that pumps no messages would hold up whoever sends it one.
        const win::ComApartment com;
        // The window waits for the first job, at its own priority. The names it does not need until
        // there is a window to report to: below it until then, so that on a machine with few cores
        // they do not take turns with its start-up. Lowered before notify_ is read, so that either
        // this sees the window or reportTo's raise comes after.
        if (scan.first_) scan.first_();
        ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
        if (scan.notify_.load()) ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_NORMAL);
        scan.namesStage();
    }
    ::WaitForSingleObject(scan.iconsWanted_.get(), INFINITE);
    if (scan.stop_.load(std::memory_order_relaxed)) return 0;
    const win::ComApartment com;
    scan.iconsStage();
    return 0;
}

void SpecialFolderScan::startThread() {
    iconsWanted_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!iconsWanted_) return;
    // _beginthreadex rather than CreateThread: the thread allocates through the C runtime.
    thread_.reset(reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, &threadMain, this, 0, nullptr)));
}

void SpecialFolderScan::startIcons() {
    if (iconsStarted_ || !namesFinished()) return;
    iconsStarted_ = true;
    if (thread_) ::SetEvent(iconsWanted_.get());
    else iconsStage();
}

void SpecialFolderScan::reportTo(HWND notify, UINT progressMessage) {
    progressMessage_ = progressMessage;
    notify_.store(notify);
    if (thread_) ::SetThreadPriority(thread_.get(), THREAD_PRIORITY_NORMAL);
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
    // Where the special folders that share a name lead, so that the picker can tell them apart.
    std::vector<std::u16string> names;
    for (const ScannedFolder& folder : folders_) names.push_back(win::toU16(folder.displayName));
    const std::vector<bool> shared = sharedNames(names);
    for (std::size_t i = 0; i < folders_.size(); ++i) {
        if (stop_.load(std::memory_order_relaxed)) return;
        if (shared[i] && folders_[i].csidl >= 0) folders_[i].path = shellUI::getSpecialFolderPath(folders_[i].csidl, nullptr);
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
