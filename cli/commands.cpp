#include "cli/commands.h"

#include "cli/command_line.h"
#include "cli/cli_text.h"
#include "cli/special_folder_names.h"
#include "common/texts.h"
#include "store/places_bar.h"
#include "store/places_bar_snapshot.h"
#include "store/places_codec.h"
#include "store/reg_file.h"

#include <cstdint>
#include <optional>
#include <string>

namespace ql::cli {
namespace {

constexpr std::u16string_view kNewLine = u"\r\n";

// A refusal: the one line on the error output that says why.
struct Refusal {
    std::u16string why;
};

bool allDigits(std::u16string_view text) {
    if (text.empty()) return false;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return false;
    }
    return true;
}

// A word that names something rather than a path: no separator, drive, dot or variable in it.
bool bareWord(std::u16string_view text) {
    return text.find_first_of(u"\\/:.%") == std::u16string_view::npos;
}

std::u16string typeName(std::uint32_t type) {
    switch (type) {
    case kRegNone: return u"REG_NONE";
    case kRegSz: return u"REG_SZ";
    case kRegExpandSz: return u"REG_EXPAND_SZ";
    case kRegBinary: return u"REG_BINARY";
    case kRegDword: return u"REG_DWORD";
    case kRegMultiSz: return u"REG_MULTI_SZ";
    case kRegQword: return u"REG_QWORD";
    default: return decimal(type);
    }
}

// A value as stored: a four-byte REG_DWORD in decimal, text up to its first NUL, else its bytes in hex.
std::u16string storedText(const SettingValue& value) {
    const std::vector<std::uint8_t>& data = value.data;
    if (value.type == kRegDword && data.size() == 4) {
        return decimal(data[0] | data[1] << 8 | data[2] << 16 | static_cast<long long>(data[3]) << 24);
    }
    std::u16string text;
    if ((value.type == kRegSz || value.type == kRegExpandSz) && data.size() % 2 == 0) {
        for (std::size_t i = 0; i < data.size(); i += 2) {
            const auto c = static_cast<char16_t>(data[i] | data[i + 1] << 8);
            if (c == 0) break;
            text += c;
        }
        return text;
    }
    constexpr char16_t kDigits[] = u"0123456789abcdef";
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i > 0) text += u',';
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 15];
    }
    return text;
}

class Runner {
public:
    Runner(PlacesBarStore& store, CliHost& host) : store_(store), host_(host) {}

    int run(const std::vector<std::u16string>& args) {
        const ParsedCommandLine parsed = parseCommandLine(args);
        if (!parsed.command) {
            complain(parsed.usageError);
            host_.writeError(usage());
            return kExitUsage;
        }
        const Command& command = *parsed.command;
        elevate_ = command.elevate;
        std::optional<Refusal> refusal;
        switch (command.verb) {
        case Verb::Help: host_.writeOut(usage()); break;
        case Verb::List: refusal = list(); break;
        case Verb::Set: refusal = set(command.places); break;
        case Verb::Add: refusal = add(command.places); break;
        case Verb::Remove: refusal = remove(command.index); break;
        case Verb::Defaults: refusal = save({PlacesBarContent{false, {}}, {}}); break;
        case Verb::Export: refusal = exportTo(command.file); break;
        case Verb::Import: refusal = importFrom(command.file); break;
        case Verb::Options: refusal = options(); break;
        case Verb::Hide: refusal = setSettings(command.settings, SettingValue::hidden()); break;
        case Verb::Show: refusal = setSettings(command.settings, SettingValue::shown()); break;
        }
        if (refusal) {
            complain(refusal->why);
            return kExitRefused;
        }
        for (const std::u16string& warning : warnings_) complain(text(IDS_CLI_WARNING, {warning}));
        for (const std::u16string& silent : notResponding_) complain(silent);
        return kExitOk;
    }

private:
    // One line on the error output.
    void complain(std::u16string_view why) { host_.writeError(u"quorlane: " + oneLine(why) + std::u16string(kNewLine)); }

    std::u16string usage() {
        std::vector<std::u16string> names;
        for (KnownFolderPath& folder : host_.knownFolders()) names.push_back(std::move(folder.name));
        return usageText(names, true);
    }

    // What the key holds, read as a whole; a key that is there but cannot be read is refused, never
    // taken for the defaults.
    std::optional<Refusal> readStored(PlacesBarSnapshot& snapshot) {
        snapshot = readPlacesBarSnapshot(store_);
        if (snapshot.state == PlacesBarSnapshot::State::Unreadable) return Refusal{text(IDS_CLI_CANNOT_READ_PLACES_BAR)};
        return std::nullopt;
    }

    std::optional<Refusal> list() {
        PlacesBarSnapshot snapshot;
        if (auto refusal = readStored(snapshot)) return refusal;
        if (snapshot.state == PlacesBarSnapshot::State::Absent) {
            host_.writeOut(u"defaults" + std::u16string(kNewLine));
            return std::nullopt;
        }
        const std::vector<StoredPlace> stored = storedPlaces(snapshot);
        std::vector<Place> places;
        for (const StoredPlace& entry : stored) places.push_back(entry.place);
        const std::vector<std::optional<std::u16string>> names = host_.displayNames(places);
        std::u16string text;
        for (std::size_t i = 0; i < stored.size(); ++i) {
            const auto& [index, place] = stored[i];
            const std::u16string value = place.isPath() ? place.path : decimal(place.csidl);
            text += placeValueName(index) + u"\t";
            text += (place.isPath() ? (place.expandable ? u"REG_EXPAND_SZ\t" : u"REG_SZ\t") : u"REG_DWORD\t") + value;
            const bool answered = i < names.size() && names[i];
            if (!answered) warnNotResponding(index, value);
            text += u"\t" + (answered ? *names[i] : std::u16string()) + std::u16string(kNewLine);
        }
        host_.writeOut(text);
        return std::nullopt;
    }

    // The stored places in order, gaps closed up, as the next save stores them.
    std::optional<Refusal> storedList(std::vector<StoredPlace>& places) {
        PlacesBarSnapshot snapshot;
        if (auto refusal = readStored(snapshot)) return refusal;
        places = storedPlaces(snapshot);
        return std::nullopt;
    }

    std::optional<Refusal> set(const std::vector<std::u16string>& arguments) {
        std::vector<Place> places;
        if (auto refusal = resolveAll(arguments, places)) return refusal;
        return save({PlacesBarContent{true, std::move(places)}, {}});
    }

    std::optional<Refusal> add(const std::vector<std::u16string>& arguments) {
        std::vector<StoredPlace> stored;
        if (auto refusal = storedList(stored)) return refusal;
        if (stored.size() + arguments.size() > static_cast<std::size_t>(kMaxPlaces)) {
            return Refusal{text(IDS_CLI_ADD_TOO_MANY, {decimal(static_cast<long long>(stored.size())),
                                                       decimal(static_cast<long long>(arguments.size())), decimal(kMaxPlaces)})};
        }
        std::vector<Place> places;
        for (StoredPlace& entry : stored) places.push_back(std::move(entry.place));
        if (auto refusal = resolveAll(arguments, places)) return refusal;
        return save({PlacesBarContent{true, std::move(places)}, {}});
    }

    std::optional<Refusal> remove(int index) {
        std::vector<StoredPlace> stored;
        if (auto refusal = storedList(stored)) return refusal;
        std::vector<Place> places;
        for (StoredPlace& entry : stored) {
            if (entry.index != index) places.push_back(std::move(entry.place));
        }
        if (places.size() == stored.size()) {
            return Refusal{text(IDS_CLI_NO_SUCH_PLACE, {placeValueName(index), decimal(static_cast<long long>(stored.size()))})};
        }
        return save({PlacesBarContent{true, std::move(places)}, {}});
    }

    std::optional<Refusal> exportTo(const std::u16string& file) {
        const std::u16string path = host_.absolutePath(file);
        if (path.empty()) return Refusal{text(IDS_CLI_NO_PATH, {file})};
        PlacesBarSnapshot snapshot;
        if (auto refusal = readStored(snapshot)) return refusal;
        if (snapshot.settings.unreadable) return Refusal{ql::text(IDS_CLI_CANNOT_READ_SETTINGS)};
        std::u16string error;
        if (!host_.writeFile(path, writeRegFile(snapshot), error)) return Refusal{text(IDS_CLI_CANNOT_WRITE, {path, error})};
        return std::nullopt;
    }

    std::optional<Refusal> importFrom(const std::u16string& file) {
        const std::u16string path = host_.absolutePath(file);
        if (path.empty()) return Refusal{text(IDS_CLI_NO_PATH, {file})};
        std::vector<std::uint8_t> bytes;
        std::u16string error;
        if (!host_.readFile(path, bytes, error)) return Refusal{text(IDS_CLI_CANNOT_READ, {path, error})};
        const RegFileReading reading = readRegFile(bytes);
        if (!reading.content) return Refusal{refusedFileMessage(path, reading.error)};
        return save(*reading.content);
    }

    // One line a setting: its name, then shown or hidden, or other with the type and value as stored.
    std::optional<Refusal> options() {
        const DialogSettings settings = loadDialogSettings(store_);
        if (settings.unreadable) return Refusal{ql::text(IDS_CLI_CANNOT_READ_SETTINGS)};
        std::u16string text;
        for (DialogSetting setting : kDialogSettings) {
            const SettingValue& value = settings[setting];
            text += std::u16string(namesOf(setting).commandName) + u"\t";
            switch (value.state) {
            case SettingValue::State::Shown: text += u"shown"; break;
            case SettingValue::State::Hidden: text += u"hidden"; break;
            case SettingValue::State::Other: text += u"other\t" + typeName(value.type) + u"\t" + storedText(value); break;
            }
            text += kNewLine;
        }
        host_.writeOut(text);
        return std::nullopt;
    }

    std::optional<Refusal> setSettings(const std::vector<DialogSetting>& settings, const SettingValue& value) {
        DialogsContent content;
        for (DialogSetting setting : settings) content.settings[static_cast<std::size_t>(setting)] = value;
        return save(content);
    }

    // Stores the content; a save that fails part way has put back what was stored before.
    // Where the user's rights do not reach, the command line asks for no consent unless told to.
    std::optional<Refusal> save(const DialogsContent& content) {
        const WriteAccess access = host_.writeAccess();
        if (access == WriteAccess::NeedsElevation && !elevate_) return Refusal{text(IDS_CLI_NEEDS_ADMIN, {policiesKeyName()})};
        if (access != WriteAccess::Allowed) {
            // Denied too where the elevated copy runs with no more rights than this one (UAC turned off).
            const long error = access == WriteAccess::Denied ? kRegAccessDenied : host_.writeElevated(content);
            if (error == kRegOk) return std::nullopt;
            if (error == kConsentCancelled) return Refusal{text(IDS_CLI_CONSENT_CANCELLED)};
            if (error == kRegAccessDenied) return Refusal{text(IDS_CLI_ADMIN_ONLY, {policiesKeyName()})};
            return Refusal{text(IDS_CLI_CANNOT_SAVE, {policiesKeyName(), host_.errorText(error)})};
        }
        const SaveResult result = saveDialogs(store_, content);
        if (result.ok()) return std::nullopt;
        return Refusal{text(IDS_CLI_CANNOT_SAVE, {result.failedStep, host_.errorText(result.error)})};
    }

    // Appends to `places`: each goes to the value named by its position.
    std::optional<Refusal> resolveAll(const std::vector<std::u16string>& arguments, std::vector<Place>& places) {
        for (const std::u16string& argument : arguments) {
            auto place = resolve(argument, static_cast<int>(places.size()));
            if (!place) return refusal_;
            places.push_back(std::move(*place));
        }
        return std::nullopt;
    }

    std::optional<Place> resolve(const std::u16string& argument, int index) {
        if (argument.empty()) return refuse(text(IDS_CLI_EMPTY_PLACE));
        if (allDigits(argument)) {
            // More digits than any 32-bit number has is no folder this system knows.
            const long long value = argument.size() > 10 ? -1 : std::stoll(std::string(argument.begin(), argument.end()));
            if (value < 0 || value > INT32_MAX || !host_.specialFolderExists(static_cast<std::int32_t>(value))) {
                return refuse(text(IDS_CLI_NO_SUCH_NUMBER, {argument}));
            }
            return Place::specialFolder(static_cast<std::int32_t>(value));
        }
        if (const auto csidl = specialFolderByName(argument)) {
            if (!host_.specialFolderExists(*csidl)) return refuse(text(IDS_CLI_NO_SUCH_FOLDER, {argument}));
            return Place::specialFolder(*csidl);
        }
        // Known folders are looked for only where a name can be one: a path needs no look-up of them.
        if (bareWord(argument)) {
            for (const KnownFolderPath& folder : host_.knownFolders()) {
                if (equalsIgnoringCase(folder.name, argument)) return Place::folderPath(folder.path);
            }
        }
        if (holdsVariable(argument)) {
            checkFolder(host_.folderExists(argument), index, argument);
            return Place::expandablePath(argument);
        }
        const std::u16string path = host_.absolutePath(argument);
        if (path.empty()) return refuse(text(IDS_CLI_NO_PATH, {argument}));
        const std::optional<bool> exists = host_.folderExists(path);
        if (exists == false && bareWord(argument)) return refuse(text(IDS_CLI_NOT_A_FOLDER_NAME, {argument}));
        checkFolder(exists, index, path);
        return Place::folderPath(path);
    }

    std::nullopt_t refuse(std::u16string why) {
        refusal_ = Refusal{std::move(why)};
        return std::nullopt;
    }

    // A path stored all the same: one that is no folder, or one whose file system did not answer.
    void checkFolder(std::optional<bool> exists, int index, const std::u16string& path) {
        if (!exists) {
            warnNotResponding(index, path);
        } else if (!*exists) {
            warnings_.push_back(text(IDS_CLI_NOT_A_FOLDER, {path}));
        }
    }

    void warnNotResponding(int index, const std::u16string& value) {
        notResponding_.push_back(text(IDS_CLI_NOT_RESPONDING, {placeValueName(index), value}));
    }

    PlacesBarStore& store_;
    CliHost& host_;
    std::optional<Refusal> refusal_;
    std::vector<std::u16string> warnings_;
    bool elevate_ = false;
    std::vector<std::u16string> notResponding_;
};

}  // namespace

int runCommand(const std::vector<std::u16string>& args, PlacesBarStore& store, CliHost& host) {
    return Runner(store, host).run(args);
}

}  // namespace ql::cli
