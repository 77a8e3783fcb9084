#pragma once
// A prefix's drives (dosdevices/<x>: links) and the paths between Unix and Windows through them.
#include "common/utf8.h"

#include <optional>
#include <string>
#include <vector>

namespace ql::native {

struct Drive {
    char letter = 'c';  // lower case, as the link is named
    std::string root;   // the link's target, a real absolute path
};

class DriveMap {
public:
    DriveMap() = default;
    explicit DriveMap(std::vector<Drive> drives);
    // The drives of the prefix, each link resolved; links that lead nowhere are left out, and a link
    // into a mount that does not answer keeps the root it names.
    static DriveMap read(const std::string& prefix);

    // The Windows path of an absolute Unix path: the drive whose root is its deepest ancestor, the
    // lowest letter among equal roots. Nothing when no drive holds it.
    std::optional<std::u16string> windowsPath(const std::string& unixPath) const;
    // The Unix path of a Windows path on one of the drives ("C:\users\x"); nothing otherwise.
    std::optional<std::string> unixPath(std::u16string_view windowsPath) const;

private:
    std::vector<Drive> drives_;
};

// `path` made absolute against `cwd` and `home` (for "~/"), with "." and ".." taken out and every
// existing part resolved through its links, as the file system sees it; as given where the file
// system does not answer.
std::string absoluteUnixPath(const std::string& path, const std::string& cwd, const std::string& home);

}  // namespace ql::native
