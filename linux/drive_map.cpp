#include "linux/drive_map.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <unistd.h>

namespace ql::native {
namespace {

// Lexically: the parts of an absolute path without ".", ".." and empty ones.
std::string normalized(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string& part : parts) out += "/" + part;
    return out.empty() ? "/" : out;
}

std::optional<std::string> realPath(const std::string& path) {
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) return std::nullopt;
    return std::string(resolved);
}

}  // namespace

std::string absoluteUnixPath(const std::string& path, const std::string& cwd, const std::string& home) {
    std::string full;
    if (path == "~" || path.starts_with("~/")) full = home + path.substr(1);
    else if (path.starts_with('/')) full = path;
    else full = cwd + "/" + path;
    full = normalized(full);
    // The deepest existing ancestor as the file system names it, the rest as given.
    std::string head = full;
    std::string tail;
    while (true) {
        if (auto real = realPath(head)) return normalized(*real + tail);
        const std::size_t cut = head.rfind('/');
        if (cut == 0 || cut == std::string::npos) return full;
        tail = head.substr(cut) + tail;
        head.resize(cut);
    }
}

DriveMap::DriveMap(std::vector<Drive> drives) : drives_(std::move(drives)) {
    std::ranges::sort(drives_, {}, &Drive::letter);
}

DriveMap DriveMap::read(const std::string& prefix) {
    std::vector<Drive> drives;
    const std::string folder = prefix + "/dosdevices";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return {};
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() != 2 || name[1] != ':' || name[0] < 'a' || name[0] > 'z') continue;
        if (auto root = realPath(folder + "/" + name)) drives.push_back({name[0], *root});
    }
    ::closedir(dir);
    return DriveMap(std::move(drives));
}

std::optional<std::u16string> DriveMap::windowsPath(const std::string& unixPath) const {
    const Drive* best = nullptr;
    for (const Drive& drive : drives_) {
        const bool holds = drive.root == "/" || unixPath == drive.root ||
                           (unixPath.starts_with(drive.root) && unixPath[drive.root.size()] == '/');
        if (holds && (!best || drive.root.size() > best->root.size())) best = &drive;
    }
    if (!best) return std::nullopt;
    std::string rest = best->root == "/" ? unixPath : unixPath.substr(best->root.size());
    std::ranges::replace(rest, '/', '\\');
    if (rest.empty()) rest = "\\";
    return fromUtf8(std::string(1, static_cast<char>(best->letter - 'a' + 'A')) + ":" + rest);
}

std::optional<std::string> DriveMap::unixPath(std::u16string_view windowsPath) const {
    if (windowsPath.size() < 2 || windowsPath[1] != u':') return std::nullopt;
    const char16_t letter = windowsPath[0] | 0x20;
    for (const Drive& drive : drives_) {
        if (drive.letter != letter) continue;
        std::string rest = toUtf8(windowsPath.substr(2));
        std::ranges::replace(rest, '\\', '/');
        return normalized(drive.root + "/" + rest);
    }
    return std::nullopt;
}

}  // namespace ql::native
