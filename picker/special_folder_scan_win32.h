#pragma once
// The picker's look-ups off the window's thread: a thread of its own, in a COM apartment of its
// own, asks the shell for every special folder it may know and the known folders without a number,
// names first, then, when asked for, their icons, and hands each stage to the window's thread as
// plain data, announced by a message posted to a window of that thread. It may start before that
// window exists, so that the shell is asked while the program is still coming up. The icons come
// after the names because they cost the shell several times as much, and the list can be complete
// without them; they wait until they are wanted, the thread parked until then, so that a program
// that never shows them pays for none of their look-ups, and one that does for no second thread.
#include "common/win_handles.h"
#include "shell/known_folders_win32.h"

#include <atomic>
#include <functional>
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
    // The display name of one special folder; nothing when the system has none for the number.
    // These run on the scan's thread, so they may not touch windows of other threads.
    using NameQuery = std::function<std::optional<std::wstring>(int csidl)>;
    // The known folders without a number that exist, in the order the picker lists them.
    using KnownFolderQuery = std::function<std::vector<shellUI::KnownFolder>()>;
    // The system image list index of an entry's icon.
    using IconQuery = std::function<int(const ScannedFolder&)>;
    // Other questions to the shell that the program wants answered first, on the same thread.
    using FirstJob = std::function<void()>;

    // The shell's own answers.
    static std::optional<std::wstring> askShellName(int csidl);
    static int askShellIcon(const ScannedFolder& folder);

    // Runs `first`, then asks about CSIDL 0 to 49 in increasing order and then the known folders,
    // at a priority below normal until reportTo (if the thread cannot start, all of it here and
    // now). `first` runs to its end even when the scan is ended meanwhile.
    SpecialFolderScan(NameQuery names, KnownFolderQuery knownFolders, IconQuery icons, FirstJob first = {});
    SpecialFolderScan(const SpecialFolderScan&) = delete;
    SpecialFolderScan& operator=(const SpecialFolderScan&) = delete;
    // Stops after the look-up in hand and waits for the thread: no message is posted after it.
    ~SpecialFolderScan();

    // `progressMessage` is posted to `notify` once the names are in and once the icons are: at
    // once for a stage that is over already (one message may announce both). Called once, from
    // the thread that made the scan.
    void reportTo(HWND notify, UINT progressMessage);
    // Starts asking for the entries' icons, once: only when the names are in, from the thread
    // that made the scan.
    void startIcons();

    // True once every name is in; the message may still be on its way.
    bool namesFinished() const { return stage_.load() >= kNamesIn; }
    bool iconsFinished() const { return stage_.load() >= kIconsIn; }
    // The entries, special folders in CSIDL order, then known folders; empty until namesFinished.
    const std::vector<ScannedFolder>& folders() const;
    // The icon of each entry, in the same order; empty until iconsFinished.
    const std::vector<int>& icons() const;

private:
    enum Stage { kAsking, kNamesIn, kIconsIn };

    // The whole scan on a thread of its own, in a COM apartment of its own.
    static unsigned __stdcall threadMain(void* self);
    void startThread();
    void namesStage();
    void iconsStage();
    void askNames();
    void askIcons();
    // Posts the message when a stage the window has not been told of is over and the window is
    // there; whichever comes second, the stage or the window, on its own thread, posts it.
    void postProgress();

    NameQuery names_;
    KnownFolderQuery knownFolders_;
    IconQuery iconQuery_;
    FirstJob first_;
    std::vector<ScannedFolder> folders_;  // the thread's alone until kNamesIn
    std::vector<int> icons_;               // the thread's alone until kIconsIn
    std::atomic<bool> stop_{false};
    std::atomic<int> stage_{kAsking};
    std::atomic<HWND> notify_{nullptr};
    UINT progressMessage_ = 0;  // set before notify_
    std::atomic<int> postedStage_{kAsking};
    bool iconsStarted_ = false;  // the window thread's
    win::UniqueHandle iconsWanted_;  // an event the parked thread waits for, set to stop it too
    win::UniqueHandle thread_;
};

}  // namespace ql::picker
