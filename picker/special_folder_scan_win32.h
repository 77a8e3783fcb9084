#pragma once
// The picker's look-ups, as jobs of the program's look-up queue: the names of every special folder
// the shell may know and of the known folders without a number, then, when asked for, their icons.
// Each stage comes back to the picker's window as plain data. The icons come after the names
// because they cost the shell several times as much, and the list can be complete without them;
// they are asked only when wanted, so that a program that never shows them pays for none.
#include "common/win_handles.h"
#include "shell/known_folders_win32.h"
#include "shell/lookup_queue_win32.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ql::picker {

// An entry of the picker: a special folder, or a known folder without a number by its path.
struct ScannedFolder {
    int csidl;  // -1 for a known folder's path
    std::wstring path;  // a known folder's; a special folder's only where another entry has its name
    std::wstring displayName;
    bool operator==(const ScannedFolder&) const = default;
};

class SpecialFolderScan {
public:
    // The display name of one special folder; nothing when the system has no folder for the number.
    // These run on a worker of the queue, so they may not touch windows of other threads.
    using NameQuery = std::function<std::optional<std::wstring>(int csidl)>;
    // The known folders without a number that exist, in the order the picker lists them.
    using KnownFolderQuery = std::function<std::vector<shellUI::KnownFolder>()>;
    // The system image list index of an entry's icon.
    using IconQuery = std::function<int(const ScannedFolder&)>;

    // The shell's own answers.
    static std::optional<std::wstring> askShellName(int csidl);
    static int askShellIcon(const ScannedFolder& folder);

    // Asks `queue` for CSIDL 0 to 49 in increasing order and then the known folders.
    SpecialFolderScan(shellUI::LookupQueue& queue, NameQuery names, KnownFolderQuery knownFolders, IconQuery icons);
    SpecialFolderScan(const SpecialFolderScan&) = delete;
    SpecialFolderScan& operator=(const SpecialFolderScan&) = delete;
    // Its jobs stop after the look-up in hand; their answers are dropped.
    ~SpecialFolderScan();

    // `progressMessage` is posted to `notify` when answers have come (at once for those that came
    // before); the window then calls deliver(). Once, from the thread that made the scan.
    void reportTo(HWND notify, UINT progressMessage);
    // Takes in the answers that have come.
    void deliver() { replies_.deliver(); }
    // Asks for the entries' icons, once: only when the names are in.
    void startIcons();

    bool namesFinished() const { return namesIn_; }
    bool iconsFinished() const { return iconsIn_; }
    // The entries, special folders in CSIDL order, then known folders; empty until namesFinished.
    const std::vector<ScannedFolder>& folders() const { return folders_; }
    // The icon of each entry, in the same order; empty until iconsFinished.
    const std::vector<int>& icons() const { return icons_; }

private:
    shellUI::LookupQueue& queue_;
    IconQuery iconQuery_;
    std::shared_ptr<std::atomic<bool>> stop_ = std::make_shared<std::atomic<bool>>(false);
    shellUI::Replies replies_;
    std::vector<ScannedFolder> folders_;
    std::vector<int> icons_;
    bool namesIn_ = false;
    bool iconsStarted_ = false;
    bool iconsIn_ = false;
};

}  // namespace ql::picker
