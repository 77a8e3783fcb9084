#include "linux/lookup_within.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ql::native {
namespace {

// The child keeps the pipe to its parent as descriptor 3 and nothing else: one that hangs must not
// hold the terminal, a pipe the command's output goes into, or a file the command writes.
void keepOnlyAnswerPipe(int pipe) {
    const int answer = ::fcntl(pipe, F_DUPFD, 10);
    const int null = ::open("/dev/null", O_RDWR);
    for (int fd = 0; fd < 3; ++fd) ::dup2(null, fd);
    ::dup2(answer, 3);
#ifdef SYS_close_range
    if (::syscall(SYS_close_range, 4u, ~0u, 0u) == 0) return;
#endif
    for (int fd = 4; fd < 1024; ++fd) ::close(fd);
}

void writeAll(int fd, const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return;
        done += static_cast<std::size_t>(wrote);
    }
}

struct Asked {
    pid_t child = -1;
    int fd = -1;  // the read end, -1 once read to its end
    std::string bytes;
};

}  // namespace

std::vector<std::optional<std::string>> answersWithin(const std::vector<std::function<std::string()>>& looks,
                                                      std::chrono::milliseconds limit) {
    std::vector<Asked> asked(looks.size());
    for (std::size_t i = 0; i < looks.size(); ++i) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) continue;
        const pid_t child = ::fork();
        if (child == 0) {
            keepOnlyAnswerPipe(ends[1]);
            // "=" first: an answer cut short by a crash is told from an empty one.
            writeAll(3, "=" + looks[i]());
            ::_exit(0);
        }
        ::close(ends[1]);
        if (child < 0) {
            ::close(ends[0]);
            continue;
        }
        asked[i].child = child;
        asked[i].fd = ends[0];
    }

    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
        std::vector<pollfd> waiting;
        std::vector<Asked*> owners;
        for (Asked& one : asked) {
            if (one.fd < 0) continue;
            waiting.push_back({one.fd, POLLIN, 0});
            owners.push_back(&one);
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (waiting.empty() || left.count() <= 0) break;
        if (::poll(waiting.data(), waiting.size(), static_cast<int>(left.count())) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (std::size_t w = 0; w < waiting.size(); ++w) {
            if (waiting[w].revents == 0) continue;
            Asked& one = *owners[w];
            char buffer[4096];
            const ssize_t got = ::read(one.fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got > 0) {
                one.bytes.append(buffer, static_cast<std::size_t>(got));
                continue;
            }
            ::close(one.fd);
            one.fd = -1;
            ::waitpid(one.child, nullptr, 0);
        }
    }

    std::vector<std::optional<std::string>> answers(looks.size());
    for (std::size_t i = 0; i < asked.size(); ++i) {
        Asked& one = asked[i];
        if (one.fd >= 0) {
            // Left behind: it ends when its file system answers, or now if the wait it is in allows.
            ::close(one.fd);
            ::kill(one.child, SIGKILL);
        } else if (one.child > 0 && one.bytes.starts_with('=')) {
            answers[i] = one.bytes.substr(1);
        }
    }
    return answers;
}

std::vector<std::optional<bool>> areFolders(const std::vector<std::string>& paths) {
    std::vector<std::function<std::string()>> looks;
    for (const std::string& path : paths) {
        looks.emplace_back([path] {
            struct stat st {};
            return std::string(::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? "1" : "0");
        });
    }
    std::vector<std::optional<bool>> folders;
    for (const std::optional<std::string>& answer : answersWithin(looks)) {
        folders.push_back(answer ? std::optional<bool>(*answer == "1") : std::nullopt);
    }
    return folders;
}

}  // namespace ql::native
