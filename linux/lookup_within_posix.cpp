#include "linux/lookup_within.h"

#include "linux/unique_fd.h"

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

// A child process at work for this one, and what it has sent so far.
struct Asked {
    pid_t child = -1;
    Fd fd;  // the read end, until read to its end
    std::string bytes;
};

// Starts `body` in a child that writes what it finds to descriptor 3. Nothing is started when no
// process or pipe can be had.
Asked ask(const std::function<void()>& body) {
    Asked asked;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return asked;
    const pid_t child = ::fork();
    if (child == 0) {
        keepOnlyAnswerPipe(ends[1]);
        body();
        ::_exit(0);
    }
    Fd reading(ends[0]);
    ::close(ends[1]);
    if (child < 0) return asked;
    asked.child = child;
    asked.fd = std::move(reading);
    return asked;
}

// Reads what the children send until each has ended or `deadline` (which `sent` may move on, given
// the child that sent something) has passed.
template <class Deadline>
void readUntil(std::vector<Asked>& asked, Deadline deadline) {
    while (true) {
        std::vector<pollfd> waiting;
        std::vector<Asked*> owners;
        for (Asked& one : asked) {
            if (one.fd.get() < 0) continue;
            waiting.push_back({one.fd.get(), POLLIN, 0});
            owners.push_back(&one);
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline() - std::chrono::steady_clock::now());
        if (waiting.empty() || left.count() <= 0) return;
        if (::poll(waiting.data(), waiting.size(), static_cast<int>(left.count())) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        for (std::size_t w = 0; w < waiting.size(); ++w) {
            if (waiting[w].revents == 0) continue;
            Asked& one = *owners[w];
            char buffer[4096];
            const ssize_t got = ::read(one.fd.get(), buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got > 0) {
                one.bytes.append(buffer, static_cast<std::size_t>(got));
                deadline.sent();
                continue;
            }
            one.fd.reset();
            ::waitpid(one.child, nullptr, 0);
        }
    }
}

// True when the child ended of itself; one still at work is left behind: it ends when its file
// system answers, or now if the wait it is in allows.
bool ended(Asked& one) {
    if (one.fd.get() < 0) return one.child > 0;
    one.fd.reset();
    ::kill(one.child, SIGKILL);
    return false;
}

}  // namespace

std::vector<std::optional<std::string>> answersWithin(const std::vector<std::function<std::string()>>& looks,
                                                      std::chrono::milliseconds limit) {
    std::vector<Asked> asked;
    // "=" first: an answer cut short by a crash is told from an empty one.
    for (const auto& look : looks) asked.push_back(ask([&look] { writeAll(3, "=" + look()); }));
    struct Fixed {
        std::chrono::steady_clock::time_point at;
        std::chrono::steady_clock::time_point operator()() const { return at; }
        void sent() {}
    };
    readUntil(asked, Fixed{std::chrono::steady_clock::now() + limit});
    std::vector<std::optional<std::string>> answers(looks.size());
    for (std::size_t i = 0; i < asked.size(); ++i) {
        if (ended(asked[i]) && asked[i].bytes.starts_with('=')) answers[i] = asked[i].bytes.substr(1);
    }
    return answers;
}

Records recordsWithin(const std::function<void(const Send& send)>& search, std::chrono::milliseconds quiet) {
    // Each record ends in a NUL; an empty record closes a search that went to its end.
    std::vector<Asked> asked;
    asked.push_back(ask([&search] {
        search([](std::string_view record) { writeAll(3, std::string(record) + '\0'); });
        writeAll(3, std::string(1, '\0'));
    }));
    struct Quiet {
        std::chrono::milliseconds quiet;
        std::chrono::steady_clock::time_point at = std::chrono::steady_clock::now() + quiet;
        std::chrono::steady_clock::time_point operator()() const { return at; }
        void sent() { at = std::chrono::steady_clock::now() + quiet; }
    };
    readUntil(asked, Quiet{quiet});
    const bool whole = ended(asked.front());
    Records found;
    std::string_view bytes = asked.front().bytes;
    for (std::size_t end = bytes.find('\0'); end != std::string_view::npos; end = bytes.find('\0')) {
        if (end == 0) {
            found.whole = whole;
            break;
        }
        found.records.emplace_back(bytes.substr(0, end));
        bytes.remove_prefix(end + 1);
    }
    return found;
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
