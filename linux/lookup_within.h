#pragma once
// Looks at the file system without waiting on a part of it that does not answer: a mount whose
// server is gone (an SMB or NFS share, a FUSE file system whose program hangs) does not fail a
// look-up, it holds it for as long as the mount stays hung, and no signal ends a process held so.
// Each look-up runs in a child process of its own, all at once: one that has not answered within the
// limit is left behind, holding none of the command's files or output, and the command goes on.
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ql::native {

// How long a command waits for the file system, as the Windows command does.
constexpr std::chrono::milliseconds kAnswerWithin{2000};

// What each of `looks` returned, or none for one that has not answered within `limit` (or could not
// be started). A look-up runs in a forked child: it must not rely on threads of this process.
std::vector<std::optional<std::string>> answersWithin(const std::vector<std::function<std::string()>>& looks,
                                                      std::chrono::milliseconds limit = kAnswerWithin);

// What a search that walks many folders found: `search` runs in a child process and sends each record
// (not empty, no NUL in it) as it goes. A search from which nothing has come for `quiet` is taken to
// hang and left behind; the records sent until then are returned, `whole` false.
struct Records {
    std::vector<std::string> records;
    bool whole = false;
};
using Send = std::function<void(std::string_view record)>;
Records recordsWithin(const std::function<void(const Send& send)>& search, std::chrono::milliseconds quiet = kAnswerWithin);

// Whether each path is a folder: none where the file system has not answered.
std::vector<std::optional<bool>> areFolders(const std::vector<std::string>& paths);

}  // namespace ql::native
