#include "linux/prefix_discovery.h"

#include "linux/lookup_within.h"
#include "linux/prefix_files.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <regex>
#include <sstream>

namespace ql::native {
namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The entries of a folder, sorted, without "." and "..".
std::vector<std::string> entries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    std::ranges::sort(names);
    return names;
}

std::string readText(const std::string& path) {
    std::string text;
    std::string error;
    readWholeFile(path, text, error);
    return text;
}

std::string unquoted(std::string value) {
    while (!value.empty() && (value.back() == ' ' || value.back() == '\r' || value.back() == '\t')) value.pop_back();
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

std::string withHome(const std::string& path, const std::string& home) {
    if (path == "~" || path.starts_with("~/")) return home + path.substr(1);
    return path;
}

// The value of `key:` in a YAML mapping, at any depth when `under` is empty, else inside the
// top-level block `under:`.
std::string yamlValue(const std::string& text, const std::string& under, const std::string& key) {
    std::istringstream lines(text);
    std::string line;
    bool inside = under.empty();
    while (std::getline(lines, line)) {
        if (!under.empty() && !line.empty() && line[0] != ' ' && line[0] != '\t') inside = line.rfind(under + ":", 0) == 0;
        if (!inside) continue;
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size() + 1, key + ":") != 0) continue;
        if (!under.empty() && start == 0) continue;
        const std::size_t value = line.find_first_not_of(" \t", start + key.size() + 1);
        return value == std::string::npos ? std::string() : unquoted(line.substr(value));
    }
    return {};
}

class Finder {
public:
    explicit Finder(const DiscoverySink& sink) : sink_(sink) {}

    void add(const std::string& dir, const char* by) {
        looking(dir);
        const std::string path = prefixAt(dir);
        if (path.empty() || std::ranges::find(seen_, path) != seen_.end()) return;
        seen_.push_back(path);
        sink_.found({path, by});
    }
    void addEach(const std::string& folder, const char* by) {
        for (const std::string& name : entries(folder)) add(folder + "/" + name, by);
    }
    std::vector<std::string> entries(const std::string& folder) {
        looking(folder);
        return native::entries(folder);
    }

private:
    void looking(const std::string& folder) {
        if (sink_.looking) sink_.looking(folder);
    }

    const DiscoverySink& sink_;
    std::vector<std::string> seen_;
};

}  // namespace

DiscoveryRoots DiscoveryRoots::fromEnvironment() {
    DiscoveryRoots roots;
    roots.home = environment("HOME");
    roots.dataHome = environment("XDG_DATA_HOME");
    if (roots.dataHome.empty()) roots.dataHome = roots.home + "/.local/share";
    roots.configHome = environment("XDG_CONFIG_HOME");
    if (roots.configHome.empty()) roots.configHome = roots.home + "/.config";
    roots.winePrefix = environment("WINEPREFIX");
    roots.winePrefixes = environment("WINE_PREFIXES");
    return roots;
}

std::string prefixAt(const std::string& dir) {
    for (const std::string& candidate : {dir, dir + "/pfx"}) {
        if (!isPrefix(candidate)) continue;
        char resolved[PATH_MAX];
        if (::realpath(candidate.c_str(), resolved)) return resolved;
    }
    return {};
}

void findPrefixes(const DiscoveryRoots& roots, const DiscoverySink& sink) {
    Finder finder(sink);
    const std::string& home = roots.home;
    if (!roots.winePrefix.empty()) finder.add(roots.winePrefix, "wine");
    finder.add(home + "/.wine", "wine");

    finder.addEach(roots.winePrefixes.empty() ? roots.dataHome + "/wineprefixes" : roots.winePrefixes, "winetricks");

    for (const std::string& lutris : {roots.configHome + "/lutris/games", roots.dataHome + "/lutris/games"}) {
        for (const std::string& name : finder.entries(lutris)) {
            if (!name.ends_with(".yml")) continue;
            const std::string prefix = yamlValue(readText(lutris + "/" + name), "game", "prefix");
            if (!prefix.empty()) finder.add(withHome(prefix, home), "lutris");
        }
    }

    for (const std::string& bottles : {roots.dataHome + "/bottles/bottles", home + "/.var/app/com.usebottles.bottles/data/bottles/bottles"}) {
        for (const std::string& name : finder.entries(bottles)) {
            const std::string dir = bottles + "/" + name;
            // A bottle kept elsewhere leaves a placeholder naming its folder; bottle.yml may too.
            std::string elsewhere = yamlValue(readText(dir + "/placeholder.yml"), "", "Path");
            if (elsewhere.empty()) elsewhere = yamlValue(readText(dir + "/bottle.yml"), "", "Path");
            if (elsewhere.starts_with('/') || elsewhere.starts_with('~')) finder.add(withHome(elsewhere, home), "bottles");
            finder.add(dir, "bottles");
        }
    }

    static const std::regex libraryPath(R"re("path"\s+"((?:[^"\\]|\\.)*)")re");
    for (const std::string& steam : {home + "/.steam/steam", roots.dataHome + "/Steam", home + "/.local/share/Steam",
                                     home + "/.var/app/com.valvesoftware.Steam/.local/share/Steam"}) {
        std::vector<std::string> libraries{steam};
        const std::string vdf = readText(steam + "/config/libraryfolders.vdf");
        for (std::sregex_iterator it(vdf.begin(), vdf.end(), libraryPath), end; it != end; ++it) {
            std::string path = (*it)[1];
            for (std::size_t at = path.find("\\\\"); at != std::string::npos; at = path.find("\\\\", at + 1)) path.erase(at, 1);
            libraries.push_back(path);
        }
        for (const std::string& library : libraries) {
            const std::string compat = library + "/steamapps/compatdata";
            for (const std::string& app : finder.entries(compat)) finder.add(compat + "/" + app + "/pfx", "steam");
        }
    }

    static const std::regex winePrefix(R"re("winePrefix"\s*:\s*"((?:[^"\\]|\\.)*)")re");
    const std::string heroic = roots.configHome + "/heroic/GamesConfig";
    for (const std::string& name : finder.entries(heroic)) {
        if (!name.ends_with(".json")) continue;
        const std::string json = readText(heroic + "/" + name);
        for (std::sregex_iterator it(json.begin(), json.end(), winePrefix), end; it != end; ++it) {
            finder.add(withHome((*it)[1], home), "heroic");
        }
    }
    finder.addEach(home + "/Games/Heroic/Prefixes", "heroic");

    finder.addEach(home + "/.PlayOnLinux/wineprefix", "playonlinux");
    finder.addEach(home + "/.cxoffice", "crossover");
}

std::vector<FoundPrefix> findPrefixes(const DiscoveryRoots& roots) {
    std::vector<FoundPrefix> found;
    findPrefixes(roots, {[&](const FoundPrefix& prefix) { found.push_back(prefix); }, {}});
    return found;
}

Discovery discoverPrefixes(const DiscoveryRoots& roots) {
    // "P" path TAB found-by for a prefix, "L" folder for a folder about to be looked into.
    const Records records = recordsWithin([&roots](const Send& send) {
        findPrefixes(roots, {[&](const FoundPrefix& prefix) { send("P" + prefix.path + "\t" + prefix.foundBy); },
                             [&](const std::string& folder) { send("L" + folder); }});
    });
    Discovery discovery;
    for (const std::string& record : records.records) {
        if (record.starts_with('P')) {
            const std::size_t tab = record.rfind('\t');
            discovery.prefixes.push_back({record.substr(1, tab - 1), record.substr(tab + 1)});
        } else if (!records.whole) {
            discovery.stoppedAt = record.substr(1);
        }
    }
    if (!records.whole && discovery.stoppedAt.empty()) discovery.stoppedAt = roots.home;
    return discovery;
}

}  // namespace ql::native
