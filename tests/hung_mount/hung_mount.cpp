// A file system that stands for a server that is gone: its root holds one folder, "gone", and every
// look-up below that folder (a name in it, its listing) waits until this program ends. Ending it
// detaches the mount and closes the connection, so that every waiting look-up fails at once.
//
//   hung_mount MOUNTPOINT STATUSFILE
//
// Runs in the foreground. Writes "ready" into STATUSFILE once mounted, or why it could not mount.
// Ends when STATUSFILE is removed, when the process that started it has gone (however it went),
// or on SIGTERM / SIGINT. A Windows test starts it under Wine, which hands a Unix program no
// pipes: the file and the parent are how the two speak.
#define FUSE_USE_VERSION 31
#include <fuse3/fuse.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {

constexpr const char* kGone = "/gone";
const char* mountPoint = nullptr;

void report(const char* status, const char* file) {
    const std::string partial = std::string(file) + ".partial";
    if (FILE* out = std::fopen(partial.c_str(), "w")) {
        std::fprintf(out, "%s\n", status);
        std::fclose(out);
        std::rename(partial.c_str(), file);
    }
}

// Async-signal-safe: the mount goes first, so that nothing is left behind on a dead connection.
[[noreturn]] void release(int = 0) {
    ::umount2(mountPoint, MNT_DETACH);
    ::_exit(0);
}

[[noreturn]] void hang() {
    for (;;) ::pause();
}

bool below(const char* path) {
    const std::size_t n = std::strlen(kGone);
    return std::strncmp(path, kGone, n) == 0 && path[n] == '/';
}

int getattr(const char* path, struct stat* st, fuse_file_info*) {
    if (below(path)) hang();
    std::memset(st, 0, sizeof *st);
    if (std::strcmp(path, "/") != 0 && std::strcmp(path, kGone) != 0) return -ENOENT;
    st->st_mode = S_IFDIR | 0755;
    st->st_nlink = 2;
    return 0;
}

int opendir(const char* path, fuse_file_info*) {
    if (below(path) || std::strcmp(path, kGone) == 0) hang();
    return std::strcmp(path, "/") == 0 ? 0 : -ENOENT;
}

int readdir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*, fuse_readdir_flags) {
    if (std::strcmp(path, "/") != 0) hang();
    fill(buffer, ".", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    fill(buffer, "..", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    fill(buffer, kGone + 1, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: hung_mount MOUNTPOINT STATUSFILE\n");
        return 2;
    }
    mountPoint = argv[1];
    const char* statusFile = argv[2];
    const pid_t parent = ::getppid();
    if (::access("/dev/fuse", R_OK | W_OK) != 0) {
        report((std::string("no /dev/fuse: ") + std::strerror(errno)).c_str(), statusFile);
        return 1;
    }

    fuse_operations ops{};
    ops.getattr = getattr;
    ops.opendir = opendir;
    ops.readdir = readdir;
    char program[] = "hung_mount";
    char* fuseArgv[] = {program, nullptr};
    fuse_args args = FUSE_ARGS_INIT(1, fuseArgv);
    fuse* fs = ::fuse_new(&args, &ops, sizeof ops, nullptr);
    if (!fs || ::fuse_mount(fs, mountPoint) != 0) {
        report((std::string("cannot mount FUSE on ") + mountPoint).c_str(), statusFile);
        return 1;
    }
    std::signal(SIGTERM, release);
    std::signal(SIGINT, release);
    report("ready", statusFile);
    std::thread([parent, statusFile] {
        while (::access(statusFile, F_OK) == 0 && ::getppid() == parent) ::usleep(50 * 1000);
        release();
    }).detach();
    ::fuse_loop_mt(fs, 0);
    release();
}
