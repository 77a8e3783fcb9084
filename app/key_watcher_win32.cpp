#include "app/key_watcher_win32.h"

#include <utility>

namespace ql {

KeyWatcher::KeyWatcher(std::wstring keyPath)
    : keyPath_(std::move(keyPath)), event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    rearm();
}

void KeyWatcher::rearm() {
    if (!event_) return;
    // Closing a watched key may signal its event: close first, then reset.
    watched_.reset();
    ::ResetEvent(event_.get());

    // The key's own level is never watched: its deletion is a change below its parent.
    std::wstring level = keyPath_;
    for (;;) {
        const auto cut = level.find_last_of(L'\\');
        level.resize(cut == std::wstring::npos ? 0 : cut);
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, level.c_str(), 0, KEY_NOTIFY, watched_.put()) == ERROR_SUCCESS) break;
        if (level.empty()) return;  // not even HKEY_CURRENT_USER: nothing to watch
    }
    constexpr DWORD kChanges = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
    if (::RegNotifyChangeKeyValue(watched_.get(), TRUE, kChanges, event_.get(), TRUE) != ERROR_SUCCESS) watched_.reset();
}

}  // namespace ql
