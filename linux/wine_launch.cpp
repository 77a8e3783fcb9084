#include "linux/wine_launch.h"

#include "cli/cli_text.h"
#include "common/texts.h"
#include "linux/drive_map.h"
#include "linux/prefix_files.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ql::native {
namespace {

std::string environment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value ? value : fallback;
}

bool loaderRuns(const std::string& loader) {
    if (::access(loader.c_str(), X_OK) != 0) return false;
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execl(loader.c_str(), loader.c_str(), "--version", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string message(unsigned id, std::initializer_list<std::u16string_view> args) {
    return "quorlane: " + toUtf8(cli::oneLine(ql::text(id, args))) + "\n";
}

std::string realPath(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

}  // namespace

WineRun runQuorlaneExe(const std::string& prefix, const std::vector<std::string>& args, bool replace) {
    const std::string libdir = environment("QUORLANE_LIBDIR", "/usr/lib/quorlane");
    const std::string loader32 = environment("QUORLANE_WINE_LOADER32", "/usr/lib/wine/wine");
    const std::string loader64 = environment("QUORLANE_WINE_LOADER64", "/usr/lib/wine/wine64");
    const bool runs32 = loaderRuns(loader32);
    const bool runs64 = loaderRuns(loader64);

    // The prefix's own word on its architecture; a prefix still to be made gets what $WINEARCH
    // asks, else what the loader makes (64-bit where a 64-bit loader runs).
    std::string arch;
    std::string system;
    std::string error;
    const bool made = readWholeFile(prefix + "/system.reg", system, error);
    if (made) {
        const std::size_t at = system.find("\n#arch=");
        if (at != std::string::npos) arch = system.substr(at + 7, system.find('\n', at + 1) - at - 7);
    } else {
        arch = environment("WINEARCH", "");
    }
    if (arch.empty()) arch = runs64 ? "win64" : "win32";
    const std::u16string bits = fromUtf8(arch.substr(3));
    const std::u16string what = ql::text(made ? IDS_LAUNCH_PREFIX : IDS_LAUNCH_NEW_PREFIX, {fromUtf8(prefix), bits});

    WineRun run;
    std::string loader;
    std::string exe;
    if (arch == "win64") {
        if (!runs64) run.err = message(IDS_LAUNCH_NEEDS_64, {what, fromUtf8(loader64)});
        loader = loader64;
        exe = libdir + "/win64/quorlane.exe";
        // Where the 32-bit loader cannot start, programs Wine starts from inside use the 64-bit one.
        if (!runs32) ::setenv("WINELOADER", loader64.c_str(), 1);
    } else if (arch == "win32") {
        if (!runs32) run.err = message(IDS_LAUNCH_NEEDS_32, {what, fromUtf8(loader32)});
        loader = loader32;
        exe = libdir + "/win32/quorlane.exe";
    } else {
        run.err = message(IDS_LAUNCH_OTHER_ARCH, {what});
    }
    if (run.err.empty() && ::access(exe.c_str(), F_OK) != 0) run.err = message(IDS_LAUNCH_MISSING, {fromUtf8(exe)});
    if (!run.err.empty()) {
        run.status = 126;
        return run;
    }

    ::setenv("WINEPREFIX", prefix.c_str(), 1);
    ::setenv("WINEARCH", arch.c_str(), 1);
    // Wine's diagnostics are no output of Quorlane's.
    if (!std::getenv("WINEDEBUG")) ::setenv("WINEDEBUG", "-all", 1);
    // A prefix made now is made without Wine's offer to download Mono and Gecko, which Quorlane
    // does not use and which would stop a command in a dialog.
    if (!made && !std::getenv("WINEDLLOVERRIDES")) ::setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);

    std::vector<char*> argv{loader.data(), exe.data()};
    std::vector<std::string> copies = args;
    for (std::string& arg : copies) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (replace) {
        ::execv(loader.c_str(), argv.data());
        run.status = 126;
        run.err = message(IDS_LAUNCH_FAILED, {fromUtf8(loader), fromUtf8(std::strerror(errno))});
        return run;
    }

    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        run.status = 126;
        run.err = message(IDS_LAUNCH_FAILED, {fromUtf8(loader), fromUtf8(std::strerror(errno))});
        return run;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::execv(loader.c_str(), argv.data());
        ::_exit(126);
    }
    ::close(out[1]);
    ::close(err[1]);
    // Until the program ends: the programs Wine starts beside it (services of the session) keep the
    // pipes open as long as the server runs.
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    int status = 0;
    for (bool ended = false;;) {
        if (!ended) ended = ::waitpid(child, &status, WNOHANG) == child;
        bool more = false;
        if (::poll(fds, 2, ended ? 0 : 100) > 0) {
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP)) == 0) continue;
                char buffer[4096];
                const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
                if (got > 0) {
                    sinks[i]->append(buffer, static_cast<std::size_t>(got));
                    more = true;
                } else if (got == 0) {
                    fds[i].fd = -1;
                }
            }
        }
        if (ended && !more) break;
    }
    ::close(out[0]);
    ::close(err[0]);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 126;
    return run;
}

bool systemWineServes(pid_t server) {
    const std::string running = realPath("/proc/" + std::to_string(server) + "/exe");
    if (running.empty()) return false;
    const std::string dir = environment("QUORLANE_WINE_DIR", "/usr/lib/wine");
    for (const char* name : {"wineserver64", "wineserver32", "wineserver"}) {
        if (realPath(dir + "/" + name) == running) return true;
    }
    return false;
}

}  // namespace ql::native
