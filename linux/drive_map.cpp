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

std::string toUtf8(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xd800 && c < 0xdc00 && i + 1 < text.size() && text[i + 1] >= 0xdc00 && text[i + 1] < 0xe000) {
            c = 0x10000 + ((c - 0xd800) << 10) + (text[++i] - 0xdc00);
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xc0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3f));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xe0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (c & 0x3f));
        } else {
            out += static_cast<char>(0xf0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (c & 0x3f));
        }
    }
    return out;
}

std::u16string fromUtf8(std::string_view text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const int extra = c < 0x80 ? 0 : c >= 0xf0 ? 3 : c >= 0xe0 ? 2 : c >= 0xc0 ? 1 : 0;
        char32_t code = extra == 0 ? char32_t{c} : static_cast<char32_t>(c & (0x3f >> extra));
        for (int k = 1; k <= extra && i + static_cast<std::size_t>(k) < text.size(); ++k) {
            code = (code << 6) | static_cast<char32_t>(static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0x3f);
        }
        i += static_cast<std::size_t>(extra) + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xd800 + (code >> 10));
            out += static_cast<char16_t>(0xdc00 + (code & 0x3ff));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    return out;
}

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
