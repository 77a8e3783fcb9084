#pragma once
// The picker's look-ups off the window's thread: a thread of its own, in a COM apartment of its
// own, asks the shell for every special folder it may know and hands the answers to the window's
// thread as plain data, announced by a message posted to a window of that thread.
#include "common/win_handles.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ql::picker {

struct SpecialFolder {
    int csidl;
    std::wstring displayName;
    int iconIndex;
    bool operator==(const SpecialFolder&) const = default;
};

class SpecialFolderScan {
public:
    // Display name and icon index of one special folder; false when the system has none for the
    // number. Runs on the scan's thread, so it may not touch windows of other threads.
    using Query = std::function<bool(int csidl, std::wstring& displayName, int& iconIndex)>;

    // The shell's own answers.
    static bool askShell(int csidl, std::wstring& displayName, int& iconIndex);

    // Starts asking about CSIDL 0 to 49 in increasing order; once every answer is in, posts
    // `doneMessage` to `notify` (if the thread cannot start, the answers are gathered here and now,
    // and the message posted all the same).
    SpecialFolderScan(Query query, HWND notify, UINT doneMessage);
    SpecialFolderScan(const SpecialFolderScan&) = delete;
    SpecialFolderScan& operator=(const SpecialFolderScan&) = delete;
    // Stops after the look-up in hand and waits for the thread: no message is posted after it.
    ~SpecialFolderScan();

    // True once every answer is in; the message may still be on its way.
    bool finished() const { return finished_.load(std::memory_order_acquire); }
    // The folders the system has, in CSIDL order; empty until finished.
    const std::vector<SpecialFolder>& folders() const;

private:
    static unsigned __stdcall threadMain(void* self);
    void run();

    Query query_;
    HWND notify_;
    UINT doneMessage_;
    std::vector<SpecialFolder> folders_;  // the thread's alone until finished_
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    win::UniqueHandle thread_;
};

}  // namespace ql::picker
