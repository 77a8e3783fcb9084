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

// The path itself, or the nearest level above it that exists.
std::wstring deepestExisting(std::wstring path) {
    while (!path.empty() && !exists(path)) path = parentOf(path);
    return path;
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
    watchedParent_.reset();
    ::ResetEvent(event_.get());

    // The key itself with everything below it, or, while it is missing, the nearest level above it
    // that exists: Explorer writes elsewhere below CurrentVersion all the time, and none of that is
    // watched. A watch does not see its own key deleted; the level above sees it go, watched for
    // its sub-keys' names alone.
    const std::wstring deepest = deepestExisting(keyPath_);

    constexpr DWORD kChanges = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
    bool watching =
        ::RegOpenKeyExW(HKEY_CURRENT_USER, deepest.c_str(), 0, KEY_NOTIFY, watched_.put()) == ERROR_SUCCESS &&
        ::RegNotifyChangeKeyValue(watched_.get(), TRUE, kChanges, event_.get(), TRUE) == ERROR_SUCCESS;
    if (!deepest.empty()) {
        watching = watching &&
                   ::RegOpenKeyExW(HKEY_CURRENT_USER, parentOf(deepest).c_str(), 0, KEY_NOTIFY, watchedParent_.put()) == ERROR_SUCCESS &&
                   ::RegNotifyChangeKeyValue(watchedParent_.get(), FALSE, REG_NOTIFY_CHANGE_NAME, event_.get(), TRUE) == ERROR_SUCCESS;
    }
    // Levels made or deleted between the look above and the watch were seen by nobody: the caller
    // is told to look again.
    if (!watching || deepestExisting(keyPath_) != deepest) ::SetEvent(event_.get());
}

}  // namespace ql
