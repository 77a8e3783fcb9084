#pragma once
// One command of the Linux face on one prefix: straight in its user.reg while no server runs,
// through the running Wine when it can talk to that server, else refused.
#include "cli/command_line.h"

#include <string>
#include <vector>

namespace ql::native {

struct CommandOptions {
    bool fromDesktop = false;
    bool wait = false;
    bool several = false;  // lines of output start with the prefix's path and a TAB
};

struct PrefixResult {
    int status = 0;
    std::string out;  // UTF-8, LF
    std::string err;
};

// `args` are the Windows command line's ("/set", PLACE...), UTF-8.
PrefixResult runOnPrefix(const std::string& prefix, const cli::Command& command, const std::vector<std::string>& args,
                         const CommandOptions& options);

// Known folders every prefix offers besides its own, for the usage.
std::vector<std::u16string> nativeFolderNames();

}  // namespace ql::native
