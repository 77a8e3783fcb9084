#pragma once
// Watches a key below HKEY_CURRENT_USER for changes by any program, through an event that a
// message loop can wait on. The key need not exist: the deepest existing level of its path is
// watched with everything below it, and the level above that for its sub-keys, so that the key's
// creation, its deletion and every change of its values all signal.
#include "common/win_handles.h"

#include <string>

namespace ql {

class KeyWatcher {
public:
    explicit KeyWatcher(std::wstring keyPath);
    KeyWatcher(const KeyWatcher&) = delete;
    KeyWatcher& operator=(const KeyWatcher&) = delete;

    // Signalled on a change, and it stays so until rearm(). Null when no event could be made.
    HANDLE event() const { return event_.get(); }

    // Watches again, from the level that exists now; call once the event was signalled, before
    // looking at the key, so that no later change goes unseen.
    void rearm();

private:
    std::wstring keyPath_;
    win::UniqueHandle event_;
    win::UniqueHKey watched_;
    win::UniqueHKey watchedParent_;
};

}  // namespace ql
