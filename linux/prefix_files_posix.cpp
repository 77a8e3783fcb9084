#include "linux/prefix_files.h"

#include "linux/unique_fd.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ql::native {
namespace {

std::string systemError() { return std::strerror(errno); }

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Byte 0, one byte long: what the server locks for its whole life.
struct flock serverRange(short type) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = 0;
    range.l_len = 1;
    return range;
}

}  // namespace

bool isPrefix(const std::string& dir) {
    return isFile(dir + "/user.reg") && isFile(dir + "/system.reg") && isDirectory(dir + "/drive_c");
}

std::vector<std::string> serverLockFiles(const std::string& prefix) {
    struct stat st {};
    if (::stat(prefix.c_str(), &st) != 0) return {};
    char name[64];
    std::snprintf(name, sizeof name, "/server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    std::vector<std::string> files{"/tmp/.wine-" + std::to_string(::getuid()) + name + "/lock"};
    // Debian's Wine keeps its server folder in a private /tmp folder that <prefix>/wineserver names.
    std::string folder;
    std::string error;
    if (readWholeFile(prefix + "/wineserver", folder, error)) {
        while (!folder.empty() && (folder.back() == '\n' || folder.back() == '\0')) folder.pop_back();
        if (!folder.empty() && folder.find('/') == std::string::npos && folder != "." && folder != "..") {
            files.push_back("/tmp/" + folder + name + "/lock");
        }
    }
    return files;
}

std::optional<pid_t> runningServer(const std::string& prefix) {
    for (const std::string& file : serverLockFiles(prefix)) {
        Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
        if (fd.get() < 0) continue;
        struct flock range = serverRange(F_WRLCK);
        if (::fcntl(fd.get(), F_GETLK, &range) == 0 && range.l_type != F_UNLCK) return range.l_pid;
    }
    return std::nullopt;
}

PrefixLock::~PrefixLock() {
    for (int fd : fds_) ::close(fd);
}

bool PrefixLock::take(const std::string& prefix, pid_t& server, std::string& error) {
    for (const std::string& file : serverLockFiles(prefix)) {
        // The folders as the server makes them: private to the user.
        const std::string serverDir = file.substr(0, file.rfind('/'));
        const std::string rootDir = serverDir.substr(0, serverDir.rfind('/'));
        if (::mkdir(rootDir.c_str(), 0700) != 0 && errno != EEXIST) {
            error = rootDir + ": " + systemError();
            return false;
        }
        if (::mkdir(serverDir.c_str(), 0700) != 0 && errno != EEXIST) {
            error = serverDir + ": " + systemError();
            return false;
        }
        Fd fd(::open(file.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600));
        if (fd.get() < 0) {
            error = file + ": " + systemError();
            return false;
        }
        struct flock range = serverRange(F_WRLCK);
        if (::fcntl(fd.get(), F_SETLK, &range) != 0) {
            if (errno != EACCES && errno != EAGAIN) {
                error = file + ": " + systemError();
                return false;
            }
            struct flock holder = serverRange(F_WRLCK);
            server = ::fcntl(fd.get(), F_GETLK, &holder) == 0 && holder.l_type != F_UNLCK ? holder.l_pid : 0;
            return false;
        }
        fds_.push_back(fd.release());
    }
    return true;
}

bool readWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        error = systemError();
        return false;
    }
    bytes.clear();
    char buffer[65536];
    while (true) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error = systemError();
            return false;
        }
        if (got == 0) return true;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

bool replaceFile(const std::string& path, const std::string& bytes, std::string& error) {
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) {
        error = systemError();
        return false;
    }
    const std::string target = resolved;
    struct stat old {};
    if (::stat(target.c_str(), &old) != 0) {
        error = systemError();
        return false;
    }
    std::string temporary = target.substr(0, target.rfind('/') + 1) + "user.reg.quorlane-XXXXXX";
    Fd fd(::mkstemp(temporary.data()));
    if (fd.get() < 0) {
        error = systemError();
        return false;
    }
    bool written = ::fchmod(fd.get(), old.st_mode & 07777) == 0;
    for (std::size_t done = 0; written && done < bytes.size();) {
        const ssize_t put = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) written = false;
        else done += static_cast<std::size_t>(put);
    }
    written = written && ::fsync(fd.get()) == 0;
    if (written && ::rename(temporary.c_str(), target.c_str()) == 0) {
        // The rename itself reaches the disk with its folder.
        Fd folder(::open(target.substr(0, target.rfind('/') + 1).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder.get() >= 0) ::fsync(folder.get());
        return true;
    }
    error = systemError();
    ::unlink(temporary.c_str());
    return false;
}

}  // namespace ql::native
