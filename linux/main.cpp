// quorlane on Linux: the places bar of Wine prefixes, read and written in their registry files;
// alone (or "window") it opens the window under Wine.
#include "cli/cli_text.h"
#include "cli/command_line.h"
#include "common/texts.h"
#include "linux/drive_map.h"
#include "linux/prefix_command.h"
#include "linux/prefix_discovery.h"
#include "linux/prefix_files.h"
#include "linux/wine_launch.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace ql;
using namespace ql::native;

void print(FILE* stream, const std::string& text) { std::fwrite(text.data(), 1, text.size(), stream); }

std::string usage() {
    std::string text = toUtf8(ql::text(IDS_NATIVE_USAGE)) + toUtf8(cli::usageText(nativeFolderNames(), false));
    std::erase(text, '\r');
    return text;
}

int usageError(const std::u16string& why) {
    print(stderr, "quorlane: " + toUtf8(cli::oneLine(why)) + "\n" + usage());
    return cli::kExitUsage;
}

std::string currentFolder() {
    char cwd[4096];
    return ::getcwd(cwd, sizeof cwd) ? cwd : "/";
}

std::string defaultPrefix() {
    const char* prefix = std::getenv("WINEPREFIX");
    if (prefix && *prefix) return prefix;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.wine";
}

// "win32" or "win64" as the prefix's registry says.
std::string architecture(const std::string& prefix) {
    std::string text;
    std::string error;
    if (!readWholeFile(prefix + "/user.reg", text, error)) return "?";
    const std::size_t at = text.find("\n#arch=");
    return at == std::string::npos ? "win32" : text.substr(at + 7, text.find('\n', at + 1) - at - 7);
}

// The prefixes found, saying where the search stopped when a folder did not answer.
std::vector<FoundPrefix> foundPrefixes() {
    Discovery discovery = discoverPrefixes(DiscoveryRoots::fromEnvironment());
    if (!discovery.stoppedAt.empty()) {
        print(stderr, "quorlane: " + toUtf8(cli::oneLine(ql::text(IDS_NATIVE_SEARCH_STOPPED, {fromUtf8(discovery.stoppedAt)}))) + "\n");
    }
    return std::move(discovery.prefixes);
}

int listPrefixes() {
    for (const FoundPrefix& prefix : foundPrefixes()) {
        print(stdout, prefix.path + "\t" + architecture(prefix.path) + "\t" + prefix.foundBy + "\t" +
                          (runningServer(prefix.path) ? "in use" : "idle") + "\n");
    }
    return cli::kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || (args.size() == 1 && args[0] == "window")) {
        const WineRun run = runQuorlaneExe(defaultPrefix(), {}, true);
        print(stderr, run.err);
        return run.status;
    }

    std::vector<std::string> prefixes;
    bool all = false;
    CommandOptions options;
    std::vector<std::string> words;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--prefix" || arg.starts_with("--prefix=")) {
            if (arg == "--prefix" && i + 1 == args.size()) return usageError(ql::text(IDS_NATIVE_NEEDS_FOLDER, {u"--prefix"}));
            std::string dir = arg == "--prefix" ? args[++i] : arg.substr(9);
            if (dir.empty()) return usageError(ql::text(IDS_NATIVE_NEEDS_FOLDER, {u"--prefix"}));
            prefixes.push_back(absoluteUnixPath(dir, currentFolder(), std::getenv("HOME") ? std::getenv("HOME") : ""));
        } else if (arg == "--all") {
            all = true;
        } else if (arg == "--wait") {
            options.wait = true;
        } else if (arg == "--from-desktop") {
            options.fromDesktop = true;
        } else if (arg.starts_with("--") && arg.size() > 2) {
            return usageError(ql::text(IDS_NATIVE_UNKNOWN_OPTION, {fromUtf8(arg)}));
        } else {
            words.push_back(arg);
        }
    }
    if (words.empty()) return usageError(ql::text(IDS_CLI_NO_COMMAND));
    if (words[0] == "prefixes" && words.size() == 1) return listPrefixes();
    // The old form "/list" and the Linux form "list" name the same command.
    if (!words[0].starts_with('/') && !words[0].starts_with('-')) words[0].insert(0, "/");

    std::vector<std::u16string> wide;
    for (const std::string& word : words) wide.push_back(fromUtf8(word));
    cli::ParsedCommandLine parsed = cli::parseCommandLine(wide);
    if (!parsed.command && options.fromDesktop && wide.size() == 1) {
        // "set --from-desktop" alone: the desktop gives the places.
        wide.push_back(u"0");
        const cli::ParsedCommandLine withPlace = cli::parseCommandLine(wide);
        if (withPlace.command && (withPlace.command->verb == cli::Verb::Set || withPlace.command->verb == cli::Verb::Add)) {
            parsed = {cli::Command{withPlace.command->verb, {}, -1, {}, {}}, {}};
        }
    }
    if (!parsed.command) return usageError(parsed.usageError);
    const cli::Command& command = *parsed.command;
    if (command.verb == cli::Verb::Help) {
        print(stdout, usage());
        return cli::kExitOk;
    }
    if (options.fromDesktop && command.verb != cli::Verb::Set && command.verb != cli::Verb::Add) {
        return usageError(ql::text(IDS_NATIVE_ONLY_SET_ADD, {u"--from-desktop"}));
    }

    if (all) {
        for (const FoundPrefix& found : foundPrefixes()) prefixes.push_back(found.path);
    }
    if (prefixes.empty() && !all) prefixes.push_back(absoluteUnixPath(defaultPrefix(), currentFolder(), ""));
    // Each prefix once, by its real path (as each is named by now), however it was given.
    std::vector<std::string> seen;
    std::erase_if(prefixes, [&](const std::string& prefix) {
        if (std::ranges::find(seen, prefix) != seen.end()) return true;
        seen.push_back(prefix);
        return false;
    });
    options.several = prefixes.size() > 1 || all;

    int status = cli::kExitOk;
    for (const std::string& prefix : prefixes) {
        const PrefixResult result = runOnPrefix(prefix, command, words, options);
        print(stdout, result.out);
        print(stderr, result.err);
        std::fflush(stdout);
        if (result.status != cli::kExitOk) status = cli::kExitRefused;
    }
    return status;
}
