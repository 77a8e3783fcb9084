#pragma once
// Where the Wine prefixes of this user live: the ones Wine, winetricks, Lutris, Bottles, Steam,
// Heroic, PlayOnLinux and CrossOver keep, each once by its real path.
#include <functional>
#include <string>
#include <vector>

namespace ql::native {

struct DiscoveryRoots {
    std::string home;
    std::string dataHome;      // $XDG_DATA_HOME, else ~/.local/share
    std::string configHome;    // $XDG_CONFIG_HOME, else ~/.config
    std::string winePrefix;    // $WINEPREFIX, may be empty
    std::string winePrefixes;  // $WINE_PREFIXES (winetricks), may be empty

    static DiscoveryRoots fromEnvironment();
};

struct FoundPrefix {
    std::string path;     // real path
    std::string foundBy;  // wine, winetricks, lutris, bottles, steam, heroic, playonlinux, crossover
};

// What the search meets as it goes: each prefix it finds, and each folder before it looks into it.
struct DiscoverySink {
    std::function<void(const FoundPrefix&)> found;
    std::function<void(const std::string& folder)> looking;
};
void findPrefixes(const DiscoveryRoots& roots, const DiscoverySink& sink);
std::vector<FoundPrefix> findPrefixes(const DiscoveryRoots& roots);

// The search in a process of its own, so that a folder on a mount that does not answer (a Steam
// library or a bottle on a share whose server is gone) ends it instead of hanging the command: what
// was found until then, and the folder it stopped at (empty when it went to its end).
struct Discovery {
    std::vector<FoundPrefix> prefixes;
    std::string stoppedAt;
};
Discovery discoverPrefixes(const DiscoveryRoots& roots);

// The real path of `dir` or of `dir`/pfx, whichever is a prefix; empty when neither is.
std::string prefixAt(const std::string& dir);

}  // namespace ql::native
