#pragma once
// The picker's look-ups off the window's thread: a thread of its own, in a COM apartment of its
// own, asks the shell for every special folder it may know and hands the answers to the window's
// thread as plain data, announced by a message posted to a window of that thread. It may start
// before that window exists, so that the shell is asked while the program is still coming up.
#include "common/win_handles.h"
#include "shell/shell_ui_win32.h"

#include <atomic>
#include <functional>
#include <optional>
#include <vector>

namespace ql::picker {

struct SpecialFolder {
    int csidl;
    shellUI::DisplayInfo shown;  // its name and icon
    bool operator==(const SpecialFolder&) const = default;
};

class SpecialFolderScan {
public:
    // Display name and icon index of one special folder; nothing when the system has none for the
    // number. Runs on the scan's thread, so it may not touch windows of other threads.
    using Query = std::function<std::optional<shellUI::DisplayInfo>(int csidl)>;

    // The shell's own answers.
    static std::optional<shellUI::DisplayInfo> askShell(int csidl);

    // Starts asking about CSIDL 0 to 49 in increasing order, at a priority below normal until
    // reportTo (if the thread cannot start, the answers are gathered here and now).
    explicit SpecialFolderScan(Query query);
    SpecialFolderScan(const SpecialFolderScan&) = delete;
    SpecialFolderScan& operator=(const SpecialFolderScan&) = delete;
    // Stops after the look-up in hand and waits for the thread: no message is posted after it.
    ~SpecialFolderScan();

    // Once every answer is in, `doneMessage` is posted to `notify`, once: at once when they are in
    // already. Called once, from the thread that made the scan.
    void reportTo(HWND notify, UINT doneMessage);

    // True once every answer is in; the message may still be on its way.
    bool finished() const { return finished_.load(); }
    // The folders the system has, in CSIDL order; empty until finished.
    const std::vector<SpecialFolder>& folders() const;

private:
    static unsigned __stdcall threadMain(void* self);
    void run();
    // Posts the message when both the answers and the window are there; whichever comes second,
    // on its own thread, posts it.
    void postOnce();

    Query query_;
    std::vector<SpecialFolder> folders_;  // the thread's alone until finished_
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::atomic<HWND> notify_{nullptr};
    UINT doneMessage_ = 0;  // set before notify_
    std::atomic<bool> posted_{false};
    win::UniqueHandle thread_;
};

}  // namespace ql::picker
