#pragma once
// quorlane.exe's command line: which command, with which arguments, and the usage text.
#include "store/dialog_settings.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ql::cli {

enum ExitCode : int {
    kExitOk = 0,
    kExitRefused = 1,  // refused or failed; the registry is unchanged
    kExitUsage = 2,
};

enum class Verb { List, Set, Add, Remove, Defaults, Export, Import, Options, Hide, Show, Help };

struct Command {
    Verb verb = Verb::Help;
    std::vector<std::u16string> places;  // Set, Add: the PLACE arguments as given
    int index = -1;                      // Remove: N of Place<N>
    std::u16string file;                 // Export, Import
    std::vector<DialogSetting> settings;  // Hide, Show
    bool elevate = false;                 // "/elevate" before the command: a write may ask for consent
    bool operator==(const Command&) const = default;
};

struct ParsedCommandLine {
    std::optional<Command> command;
    std::u16string usageError;  // why the command line is not understood, when there is no command
};

// `args` are the arguments after the program's name, at least one. The command is the first,
// in any case, starting with '/' or '-', after "/elevate" when that is given.
ParsedCommandLine parseCommandLine(const std::vector<std::u16string>& args);


// The usage, with the special folder names and the known folders the system has beyond them; without
// its head (the program's usage line and version) where another program's head stands before it.
std::u16string usageText(const std::vector<std::u16string>& knownFolderNames, bool withHead);

}  // namespace ql::cli
