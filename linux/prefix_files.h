#pragma once
// A prefix's user.reg on disk and the lock its wineserver holds: reading, replacing the file as Wine
// does (a temporary file beside it, flushed, then renamed over it) and telling whether a server runs.
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ql::native {

// Whether `dir` looks like a prefix: user.reg, system.reg and drive_c.
bool isPrefix(const std::string& dir);

// The lock files of the prefix's server: upstream Wine's under /tmp/.wine-<uid>, and the one a
// Debian-patched Wine names in <prefix>/wineserver. Empty when the prefix cannot be stat'ed.
std::vector<std::string> serverLockFiles(const std::string& prefix);

// The pid of the server that holds the prefix's lock, if one does.
std::optional<pid_t> runningServer(const std::string& prefix);

// Holds every lock file of the prefix the way a starting wineserver takes it, so that no server
// starts while it is held; released when destroyed.
class PrefixLock {
public:
    PrefixLock() = default;
    PrefixLock(const PrefixLock&) = delete;
    PrefixLock& operator=(const PrefixLock&) = delete;
    PrefixLock(PrefixLock&& other) noexcept : fds_(std::move(other.fds_)) { other.fds_.clear(); }
    ~PrefixLock();

    // False when a server holds one of them (its pid in `server`) or a lock cannot be taken (`error`).
    bool take(const std::string& prefix, pid_t& server, std::string& error);

private:
    std::vector<int> fds_;
};

// False with the system's reason in `error`.
bool readWholeFile(const std::string& path, std::string& bytes, std::string& error);

// Replaces `path` with `bytes`: a temporary file in the same folder (that of the link's target when
// `path` is a symbolic link, which stays one), written, fsync'ed, given the old file's mode, renamed
// over it. A failure at any step leaves the old file whole.
bool replaceFile(const std::string& path, const std::string& bytes, std::string& error);

}  // namespace ql::native
