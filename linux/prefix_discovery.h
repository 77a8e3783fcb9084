#pragma once
// Where the Wine prefixes of this user live: the ones Wine, winetricks, Lutris, Bottles, Steam,
// Heroic, PlayOnLinux and CrossOver keep, each once by its real path.
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

std::vector<FoundPrefix> findPrefixes(const DiscoveryRoots& roots);

// The real path of `dir` or of `dir`/pfx, whichever is a prefix; empty when neither is.
std::string prefixAt(const std::string& dir);

}  // namespace ql::native
