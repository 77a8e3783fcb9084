#pragma once
// Starting quorlane.exe under the system's Wine in a prefix, with the build that fits it: the
// window, or a command whose output comes back.
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ql::native {

struct WineRun {
    int status = 0;
    std::string out;
    std::string err;
};

// Runs quorlane.exe in `prefix` with `args`. With `replace` the process becomes Wine (the window);
// otherwise the output is collected. A prefix no build fits gives status 126 and the reason in `err`.
WineRun runQuorlaneExe(const std::string& prefix, const std::vector<std::string>& args, bool replace);

// Whether the system's Wine talks to the server with this pid: it runs the system's wineserver.
bool systemWineServes(pid_t server);

}  // namespace ql::native
