#include "linux/drive_map.h"

#include "linux/lookup_within.h"

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

// The deepest existing ancestor as the file system names it, the rest as given.
std::string resolvedThroughLinks(const std::string& full) {
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

// Where a link says it leads, made absolute against its folder, without asking the target.
std::optional<std::string> linkText(const std::string& folder, const std::string& link) {
    char target[PATH_MAX];
    const ssize_t size = ::readlink((folder + "/" + link).c_str(), target, sizeof target - 1);
    if (size <= 0) return std::nullopt;
    const std::string text(target, static_cast<std::size_t>(size));
    return normalized(text.starts_with('/') ? text : folder + "/" + text);
}

}  // namespace

std::string absoluteUnixPath(const std::string& path, const std::string& cwd, const std::string& home) {
    std::string full;
    if (path == "~" || path.starts_with("~/")) full = home + path.substr(1);
    else if (path.starts_with('/')) full = path;
    else full = cwd + "/" + path;
    full = normalized(full);
    // A path on a mount that does not answer stays as given.
    return answersWithin({[&full] { return resolvedThroughLinks(full); }}).front().value_or(full);
}

DriveMap::DriveMap(std::vector<Drive> drives) : drives_(std::move(drives)) {
    std::ranges::sort(drives_, {}, &Drive::letter);
}

DriveMap DriveMap::read(const std::string& prefix) {
    const std::string folder = prefix + "/dosdevices";
    std::vector<std::string> links;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return {};
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() == 2 && name[1] == ':' && name[0] >= 'a' && name[0] <= 'z') links.push_back(name);
    }
    ::closedir(dir);

    std::vector<std::function<std::string()>> looks;
    for (const std::string& link : links) looks.emplace_back([&folder, &link] { return realPath(folder + "/" + link).value_or(""); });
    const std::vector<std::optional<std::string>> roots = answersWithin(looks);
    std::vector<Drive> drives;
    for (std::size_t i = 0; i < links.size(); ++i) {
        // A drive on a mount that does not answer keeps the root its link names.
        const std::optional<std::string> root = roots[i] ? roots[i] : linkText(folder, links[i]);
        if (root && !root->empty()) drives.push_back({links[i][0], *root});
    }
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
