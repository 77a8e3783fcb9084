#include "linux/desktop_places.h"

#include "linux/lookup_within.h"
#include "linux/prefix_files.h"

#include <algorithm>
#include <regex>
#include <sstream>

namespace ql::native {
namespace {

std::string readText(const std::string& path) {
    std::string text;
    std::string error;
    readWholeFile(path, text, error);
    return text;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') return (c | 0x20) - 'a' + 10;
    return -1;
}

// The local path of a file:// URI, percent-decoded; empty for any other URI.
std::string localPath(const std::string& uri) {
    std::string rest;
    if (uri.starts_with("file:///")) rest = uri.substr(7);
    else if (uri.starts_with("file://localhost/")) rest = uri.substr(16);
    else return {};
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && hexDigit(rest[i + 1]) >= 0 && hexDigit(rest[i + 2]) >= 0) {
            path += static_cast<char>(hexDigit(rest[i + 1]) * 16 + hexDigit(rest[i + 2]));
            i += 2;
        } else {
            path += rest[i];
        }
    }
    return path;
}

// XBEL's attribute text: the five entities back to their characters.
std::string xmlText(std::string text) {
    static const std::pair<const char*, const char*> kEntities[] = {{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [entity, character] : kEntities) {
        for (std::size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1)) {
            text.replace(at, std::char_traits<char>::length(entity), character);
        }
    }
    return text;
}

}  // namespace

std::vector<std::string> desktopPlaces(const std::string& home, const std::string& configHome, const std::string& dataHome) {
    std::vector<std::string> candidates;
    const auto add = [&](std::string path) {
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        if (!path.empty() && std::ranges::find(candidates, path) == candidates.end()) candidates.push_back(std::move(path));
    };
    add(home);

    // XDG_DOWNLOAD_DIR="$HOME/Downloads": a folder set to the home folder itself is switched off.
    static const std::regex userDir(R"re(^\s*XDG_\w+_DIR\s*=\s*"((?:[^"\\]|\\.)*)")re");
    std::istringstream dirs(readText(configHome + "/user-dirs.dirs"));
    for (std::string line; std::getline(dirs, line);) {
        std::smatch match;
        if (!std::regex_search(line, match, userDir)) continue;
        std::string path = match[1];
        if (path.starts_with("$HOME")) path = home + path.substr(5);
        path.erase(std::remove(path.begin(), path.end(), '\\'), path.end());
        if (path.starts_with('/')) add(path);
    }

    std::istringstream bookmarks(readText(configHome + "/gtk-3.0/bookmarks"));
    for (std::string line; std::getline(bookmarks, line);) add(localPath(line.substr(0, line.find(' '))));

    static const std::regex bookmark(R"re(<bookmark\b[^>]*\bhref\s*=\s*"([^"]*)")re");
    const std::string xbel = readText(dataHome + "/user-places.xbel");
    for (std::sregex_iterator it(xbel.begin(), xbel.end(), bookmark), end; it != end; ++it) add(localPath(xmlText((*it)[1])));

    // A bookmark on a mount that does not answer is kept: the command stores it with its warning.
    std::vector<std::string> places;
    const std::vector<std::optional<bool>> folders = areFolders(candidates);
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (folders[i] != false) places.push_back(candidates[i]);
    }
    return places;
}

}  // namespace ql::native
