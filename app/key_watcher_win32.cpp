#include "app/key_watcher_win32.h"

#include <utility>

namespace ql {
namespace {

// The path one level up; "" (HKEY_CURRENT_USER itself) above a top-level key.
std::wstring parentOf(const std::wstring& path) {
    const auto cut = path.find_last_of(L'\\');
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

bool exists(const std::wstring& path) {
    win::UniqueHKey key;
    return ::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_NOTIFY, key.put()) == ERROR_SUCCESS;
}

}  // namespace

KeyWatcher::KeyWatcher(std::wstring keyPath)
    : keyPath_(std::move(keyPath)), event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    rearm();
}

void KeyWatcher::rearm() {
    if (!event_) return;
    // Closing a watched key may signal its event: close first, then reset.
    watched_.reset();
    ::ResetEvent(event_.get());

    // The nearest level above the key that exists now. A watch does not see its own key deleted,
    // so the level above that one is watched, with everything below it: the key's creation and
    // deletion, its values, and the deletion of any level in between all change something there.
    std::wstring nearest = parentOf(keyPath_);
    while (!nearest.empty() && !exists(nearest)) nearest = parentOf(nearest);
    const std::wstring watchedLevel = nearest.empty() ? nearest : parentOf(nearest);

    constexpr DWORD kChanges = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
    const bool watching =
        ::RegOpenKeyExW(HKEY_CURRENT_USER, watchedLevel.c_str(), 0, KEY_NOTIFY, watched_.put()) == ERROR_SUCCESS &&
        ::RegNotifyChangeKeyValue(watched_.get(), TRUE, kChanges, event_.get(), TRUE) == ERROR_SUCCESS;
    // Levels deleted before the watch began were seen by nobody: the caller is told to look again.
    if (!watching || (!nearest.empty() && !exists(nearest))) ::SetEvent(event_.get());
}

}  // namespace ql
