#include "linux/prefix_command.h"

#include "cli/cli_text.h"
#include "cli/commands.h"
#include "cli/special_folder_names.h"
#include "common/text_case.h"
#include "common/texts.h"
#include "linux/desktop_places.h"
#include "linux/drive_map.h"
#include "linux/lookup_within.h"
#include "linux/prefix_discovery.h"
#include "linux/prefix_files.h"
#include "linux/wine_launch.h"
#include "store/places_bar.h"
#include "store/places_codec.h"
#include "store/wine_registry_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <thread>
#include <unistd.h>

namespace ql::native {
namespace {

constexpr std::uint64_t kTicks1601To1970 = 116444736000000000ull;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::uint64_t fileTimeNow() {
    const auto since1970 = std::chrono::system_clock::now().time_since_epoch();
    return kTicks1601To1970 + static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(since1970).count() / 100);
}

// Known folders without a special folder number, by their ids in the prefix's Shell Folders.
struct KnownFolderId {
    const char16_t* name;
    const char16_t* id;
};
constexpr KnownFolderId kKnownFolders[] = {
    {u"Downloads", u"{374DE290-123F-4565-9164-39C4925E467B}"}, {u"Links", u"{BFB9D5E0-C6A9-404C-B2B2-AE6DB6AF4968}"},
    {u"SavedGames", u"{4C5C32FF-BB9D-43B0-B5B4-2D72E54EAAA4}"}, {u"Contacts", u"{56784854-C6CB-462B-8169-88E350ACB882}"},
    {u"Searches", u"{7D1D3A04-DEBB-4115-95CF-2F29DA2920DA}"},
};
constexpr std::u16string_view kHome = u"Home";

std::u16string registryText(const WineValue& value) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
        const auto c = static_cast<char16_t>(value.data[i] | value.data[i + 1] << 8);
        if (c == 0) break;
        text += c;
    }
    return text;
}

// The system as a prefix shows it to the commands: its drives, its known folders, Unix files.
class PrefixHost final : public cli::CliHost {
public:
    PrefixHost(const WineRegistryFile& file, std::string prefix) : prefix_(std::move(prefix)) {
        home_ = environment("HOME");
        char cwd[4096];
        cwd_ = ::getcwd(cwd, sizeof cwd) ? cwd : "/";
        const auto shellFolders = file.valuesOf(u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
        for (const KnownFolderId& folder : kKnownFolders) {
            for (const WineValue& value : shellFolders) {
                if (equalsIgnoringCase(value.name, folder.id)) known_.push_back({folder.name, registryText(value)});
            }
        }
        for (const WineValue& value : file.valuesOf(u"Environment")) variables_.push_back({value.name, registryText(value)});
        const std::string user = environment("USER");
        variables_.push_back({u"USERPROFILE", u"C:\\users\\" + fromUtf8(user.empty() ? "wine" : user)});
    }

    void writeOut(std::u16string_view text) override { out_ += text; }
    void writeError(std::u16string_view text) override { err_ += text; }

    bool specialFolderExists(std::int32_t csidl) override {
        for (const cli::SpecialFolderName& entry : cli::specialFolderNames()) {
            if (entry.csidl == csidl) return true;
        }
        return false;
    }
    std::vector<cli::KnownFolderPath> knownFolders() override {
        std::vector<cli::KnownFolderPath> known = known_;
        if (auto home = drives().windowsPath(absoluteUnixPath(home_, cwd_, home_))) known.push_back({std::u16string(kHome), *home});
        return known;
    }

    std::u16string absolutePath(std::u16string_view path) override {
        if (path.size() >= 3 && path[1] == u':' && (path[2] == u'\\' || path[2] == u'/')) return std::u16string(path);
        if (path.starts_with(u"\\\\")) return std::u16string(path);
        const std::string unix = absoluteUnixPath(toUtf8(path), cwd_, home_);
        auto windows = drives().windowsPath(unix);
        if (!windows) return {};
        unixOf_.emplace_back(*windows, unix);
        return *windows;
    }

    std::optional<bool> folderExists(std::u16string_view path) override {
        const auto unix = unixPath(expanded(path));
        if (!unix) return false;
        return areFolders({*unix}).front();
    }

    std::vector<std::optional<std::u16string>> displayNames(const std::vector<Place>& places) override {
        std::vector<std::optional<std::u16string>> names;
        for (const Place& place : places) names.emplace_back(displayName(place));
        return names;
    }

    // The prefix's file is written as its owner: nothing to elevate.
    WriteAccess writeAccess() override { return WriteAccess::Allowed; }
    long writeElevated(const DialogsContent&) override { return kRegAccessDenied; }

    std::u16string displayName(const Place& place) {
        if (!place.isPath()) {
            for (const cli::SpecialFolderName& entry : cli::specialFolderNames()) {
                if (entry.csidl == place.csidl) return std::u16string(entry.name);
            }
            return {};
        }
        const std::u16string path = place.expandable ? expanded(place.path) : place.path;
        std::u16string_view name = path;
        while (name.size() > 3 && (name.back() == u'\\' || name.back() == u'/')) name.remove_suffix(1);
        const std::size_t cut = name.find_last_of(u"\\/");
        return std::u16string(cut == std::u16string_view::npos || name.size() <= 3 ? name : name.substr(cut + 1));
    }

    std::u16string errorText(long error) override { return ql::text(IDS_NATIVE_REGISTRY_ERROR, {fromUtf8(std::to_string(error))}); }

    bool readFile(std::u16string_view path, std::vector<std::uint8_t>& bytes, std::u16string& error) override {
        std::string text;
        std::string why;
        const auto unix = unixPath(path);
        if (!unix || !readWholeFile(*unix, text, why)) {
            error = fromUtf8(why);
            return false;
        }
        bytes.assign(text.begin(), text.end());
        return true;
    }

    bool writeFile(std::u16string_view path, const std::vector<std::uint8_t>& bytes, std::u16string& error) override {
        const auto unix = unixPath(path);
        FILE* file = unix ? std::fopen(unix->c_str(), "wb") : nullptr;
        const bool ok = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        if (file && std::fclose(file) != 0) return false;
        if (!ok) error = fromUtf8(std::strerror(errno));
        return ok;
    }

    // Read when a command first maps a path: listing needs no drive, and a drive may hang.
    const DriveMap& drives() {
        if (!drives_) drives_ = DriveMap::read(prefix_);
        return *drives_;
    }
    const std::u16string& out() const { return out_; }
    const std::u16string& err() const { return err_; }

private:
    std::optional<std::string> unixPath(std::u16string_view windows) {
        for (const auto& [mapped, unix] : unixOf_) {
            if (mapped == windows) return unix;
        }
        return drives().unixPath(windows);
    }

    std::u16string expanded(std::u16string_view path) const {
        std::u16string out;
        for (std::size_t i = 0; i < path.size(); ++i) {
            const std::size_t close = path[i] == u'%' ? path.find(u'%', i + 1) : std::u16string_view::npos;
            const auto found = close == std::u16string_view::npos ? variables_.end() : std::ranges::find_if(variables_, [&](const auto& v) {
                return equalsIgnoringCase(v.first, path.substr(i + 1, close - i - 1));
            });
            if (found == variables_.end()) {
                out += path[i];
                continue;
            }
            out += found->second;
            i = close;
        }
        return out;
    }

    std::string prefix_;
    std::optional<DriveMap> drives_;
    std::string home_;
    std::string cwd_;
    std::vector<cli::KnownFolderPath> known_;
    std::vector<std::pair<std::u16string, std::u16string>> variables_;
    std::vector<std::pair<std::u16string, std::string>> unixOf_;
    std::u16string out_;
    std::u16string err_;
};

bool writes(cli::Verb verb) {
    switch (verb) {
    case cli::Verb::List:
    case cli::Verb::Options:
    case cli::Verb::Export:
    case cli::Verb::Help: return false;
    default: return true;
    }
}

// The commands' CRLF text as Linux lines, each after `head` (the prefix's path and a TAB, or "").
std::string lines(std::u16string_view text, const std::string& head) {
    std::string out;
    std::string utf8 = toUtf8(text);
    std::size_t start = 0;
    while (start < utf8.size()) {
        std::size_t end = utf8.find('\n', start);
        if (end == std::string::npos) end = utf8.size();
        std::string line = utf8.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out += head + line + "\n";
        start = end + 1;
    }
    return out;
}

// A message about a prefix: "quorlane: PREFIX: why", on one line whatever the folder's name holds.
std::string prefixMessage(const std::string& prefix, std::u16string_view why) {
    return "quorlane: " + toUtf8(cli::oneLine(fromUtf8(prefix) + u": " + std::u16string(why))) + "\n";
}

// Errors "quorlane: why" become "quorlane: PREFIX: why".
std::string errorLines(std::u16string_view text, const std::string& prefix) {
    std::string out = lines(text, "");
    const std::string tag = "quorlane: ";
    const std::string shown = toUtf8(cli::oneLine(fromUtf8(prefix))) + ": ";
    for (std::size_t at = 0; at < out.size(); at = out.find('\n', at) + 1) {
        if (out.compare(at, tag.size(), tag) == 0) out.insert(at + tag.size(), shown);
        if (out.find('\n', at) == std::string::npos) break;
    }
    return out;
}

PrefixResult refused(const std::string& prefix, const std::u16string& why) {
    return {cli::kExitRefused, {}, prefixMessage(prefix, why)};
}

std::vector<std::u16string> utf16Args(const std::vector<std::string>& args) {
    std::vector<std::u16string> out;
    for (const std::string& arg : args) out.push_back(fromUtf8(arg));
    return out;
}

// What the running Wine is given: every PLACE and FILE already resolved in this prefix, since
// Home, ~ and relative paths mean nothing to it.
std::optional<std::vector<std::string>> resolvedForWine(const cli::Command& command, const std::vector<std::string>& args,
                                                        PrefixHost& host, std::u16string& why) {
    std::vector<std::string> out{args.front()};
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::u16string arg = fromUtf8(args[i]);
        std::u16string resolved = arg;
        const bool place = command.verb == cli::Verb::Set || command.verb == cli::Verb::Add;
        const bool file = command.verb == cli::Verb::Export || command.verb == cli::Verb::Import;
        if (place && !cli::specialFolderByName(arg) && !holdsVariable(arg) && arg.find_first_not_of(u"0123456789") != std::u16string::npos) {
            const std::vector<cli::KnownFolderPath> folders = host.knownFolders();
            const auto known = std::ranges::find_if(folders, [&](const cli::KnownFolderPath& k) { return equalsIgnoringCase(k.name, arg); });
            resolved = known != folders.end() ? known->path : host.absolutePath(arg);
        } else if (file) {
            resolved = host.absolutePath(arg);
        }
        if (resolved.empty()) {
            why = ql::text(IDS_CLI_NO_PATH, {arg});
            return std::nullopt;
        }
        out.push_back(toUtf8(resolved));
    }
    return out;
}

}  // namespace

std::vector<std::u16string> nativeFolderNames() {
    std::vector<std::u16string> names;
    for (const KnownFolderId& folder : kKnownFolders) names.emplace_back(folder.name);
    names.emplace_back(kHome);
    return names;
}

PrefixResult runOnPrefix(const std::string& prefix, const cli::Command& command, const std::vector<std::string>& args,
                         const CommandOptions& options) {
    if (!isPrefix(prefix)) return refused(prefix, ql::text(IDS_NATIVE_NOT_A_PREFIX));
    const std::string head = options.several ? prefix + "\t" : "";
    const std::string userReg = prefix + "/user.reg";
    const bool writing = writes(command.verb);

    PrefixLock lock;
    std::u16string warning;
    bool throughWine = false;
    while (true) {
        pid_t server = 0;
        std::string error;
        if (writing ? lock.take(prefix, server, error) : !runningServer(prefix)) break;
        if (!error.empty()) return refused(prefix, ql::text(IDS_NATIVE_CANNOT_LOCK, {fromUtf8(error)}));
        if (!writing) server = *runningServer(prefix);
        if (systemWineServes(server)) {
            throughWine = true;
            break;
        }
        if (!writing) {
            warning = ql::text(IDS_CLI_WARNING, {ql::text(IDS_NATIVE_MAY_BE_OLD, {fromUtf8(std::to_string(server))})});
            break;
        }
        if (!options.wait) return refused(prefix, ql::text(IDS_NATIVE_IN_USE, {fromUtf8(std::to_string(server))}));
        while (runningServer(prefix)) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }

    std::string bytes;
    std::string error;
    if (!readWholeFile(userReg, bytes, error)) return refused(prefix, ql::text(IDS_CLI_CANNOT_READ, {fromUtf8(userReg), fromUtf8(error)}));
    auto file = WineRegistryFile::parse(std::move(bytes), fileTimeNow());
    if (!file) return refused(prefix, ql::text(IDS_NATIVE_NOT_A_REGISTRY, {fromUtf8(userReg)}));
    if (writing && !file->writable()) return refused(prefix, ql::text(IDS_NATIVE_TWICE, {fromUtf8(userReg)}));
    PrefixHost host(*file, prefix);

    std::vector<std::string> full = args;
    if (options.fromDesktop) {
        // The desktop's places this prefix reaches, as far as five allow.
        std::size_t room = static_cast<std::size_t>(kMaxPlaces) - (args.size() - 1);
        if (command.verb == cli::Verb::Add) {
            const std::size_t stored = loadPlacesBar(*file).places.size();
            room = stored >= room ? 0 : room - stored;
        }
        const std::string home = environment("HOME");
        const DiscoveryRoots roots = DiscoveryRoots::fromEnvironment();
        for (const std::string& place : desktopPlaces(home, roots.configHome, roots.dataHome)) {
            if (room == 0) break;
            if (!host.drives().windowsPath(place)) continue;
            full.push_back(place);
            --room;
        }
    }

    if (throughWine) {
        std::u16string why;
        const auto resolved = resolvedForWine(command, full, host, why);
        if (!resolved) return refused(prefix, why);
        const WineRun run = runQuorlaneExe(prefix, *resolved, false);
        return {run.status, lines(fromUtf8(run.out), head), errorLines(fromUtf8(run.err), prefix)};
    }

    const int status = cli::runCommand(utf16Args(full), *file, host);
    PrefixResult result{status, lines(host.out(), head), errorLines(host.err(), prefix)};
    if (!warning.empty()) result.err = prefixMessage(prefix, warning) + result.err;
    if (status == cli::kExitOk && writing && file->changed()) {
        if (!replaceFile(userReg, file->render(), error)) return refused(prefix, ql::text(IDS_CLI_CANNOT_WRITE, {fromUtf8(userReg), fromUtf8(error)}));
    }
    return result;
}

}  // namespace ql::native
