#include "cli/command_line.h"

#include "cli/cli_text.h"
#include "cli/special_folder_names.h"
#include "common/texts.h"
#include "common/version.h"
#include "store/places_codec.h"

#include <algorithm>
#include <array>
#include <string>

namespace ql::cli {
namespace {

struct VerbName {
    std::u16string_view name;
    Verb verb;
};

constexpr std::array kVerbs{
    VerbName{u"list", Verb::List},         VerbName{u"set", Verb::Set},       VerbName{u"add", Verb::Add},
    VerbName{u"remove", Verb::Remove},     VerbName{u"defaults", Verb::Defaults},
    VerbName{u"export", Verb::Export},     VerbName{u"import", Verb::Import}, VerbName{u"options", Verb::Options},
    VerbName{u"hide", Verb::Hide},         VerbName{u"show", Verb::Show},     VerbName{u"?", Verb::Help},
    VerbName{u"help", Verb::Help},
};


ParsedCommandLine usageError(std::u16string why) { return {std::nullopt, std::move(why)}; }

// N of /remove: "2" or "Place2". At most two digits, so that no number can overflow.
std::optional<int> placeIndex(std::u16string_view text) {
    if (text.size() > 5 && equalsIgnoringCase(text.substr(0, 5), u"Place")) text.remove_prefix(5);
    if (text.empty() || text.size() > 2) return std::nullopt;
    int index = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        index = index * 10 + (c - u'0');
    }
    return index;
}

// The tables break lines with \n; the console and the files the output goes to take \r\n.
std::u16string withCrLf(std::u16string_view text) {
    std::u16string out;
    for (const char16_t c : text) {
        if (c == u'\n') out += u'\r';
        out += c;
    }
    return out;
}

}  // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::u16string>& args) {
    if (args.empty()) return usageError(text(IDS_CLI_NO_COMMAND));
    const std::u16string_view first = args.front();
    if (first.size() > 1 && (first[0] == u'/' || first[0] == u'-') && equalsIgnoringCase(first.substr(1), u"elevate")) {
        ParsedCommandLine parsed = parseCommandLine({args.begin() + 1, args.end()});
        if (parsed.command) parsed.command->elevate = true;
        return parsed;
    }
    if (first.size() < 2 || (first[0] != u'/' && first[0] != u'-')) return usageError(text(IDS_CLI_UNKNOWN_COMMAND, {args.front()}));

    const VerbName* verb = nullptr;
    for (const VerbName& entry : kVerbs) {
        if (equalsIgnoringCase(first.substr(1), entry.name)) verb = &entry;
    }
    if (!verb) return usageError(text(IDS_CLI_UNKNOWN_COMMAND, {args.front()}));

    Command command;
    command.verb = verb->verb;
    const std::size_t operands = args.size() - 1;
    const std::u16string name = u"/" + std::u16string(verb->name);
    switch (verb->verb) {
    case Verb::List:
    case Verb::Defaults:
    case Verb::Options:
    case Verb::Help:
        if (operands != 0) return usageError(text(IDS_CLI_TAKES_NO_ARGUMENTS, {name}));
        break;
    case Verb::Set:
    case Verb::Add:
        if (operands == 0) return usageError(text(IDS_CLI_NEEDS_A_PLACE, {name}));
        if (operands > static_cast<std::size_t>(kMaxPlaces)) {
            return usageError(text(IDS_CLI_TOO_MANY_PLACES, {name, decimal(kMaxPlaces)}));
        }
        command.places.assign(args.begin() + 1, args.end());
        break;
    case Verb::Remove: {
        if (operands != 1) return usageError(text(IDS_CLI_NEEDS_ONE_NUMBER, {name}));
        const auto index = placeIndex(args[1]);
        if (!index) return usageError(text(IDS_CLI_NOT_A_NUMBER, {name, args[1]}));
        command.index = *index;
        break;
    }
    case Verb::Export:
    case Verb::Import:
        if (operands != 1 || args[1].empty()) return usageError(text(IDS_CLI_NEEDS_ONE_FILE, {name}));
        command.file = args[1];
        break;
    case Verb::Hide:
    case Verb::Show:
        if (operands == 0) return usageError(ql::text(IDS_CLI_NEEDS_A_SETTING, {name}));
        for (std::size_t i = 1; i < args.size(); ++i) {
            const auto setting = std::ranges::find_if(kDialogSettings, [&](DialogSetting candidate) {
                return equalsIgnoringCase(args[i], namesOf(candidate).commandName);
            });
            if (setting == kDialogSettings.end()) return usageError(ql::text(IDS_CLI_NOT_A_SETTING, {name, args[i]}));
            command.settings.push_back(*setting);
        }
        break;
    }
    return {command, {}};
}

std::u16string usageText(const std::vector<std::u16string>& knownFolderNames, bool withHead) {
    std::u16string text;
    if (withHead) text = withCrLf(ql::text(IDS_CLI_USAGE_HEAD, {ql::text(IDS_PROGRAM_TITLE), u"" QL_VERSION_TEXT}));
    text += withCrLf(ql::text(IDS_CLI_USAGE));
    text += ql::text(IDS_CLI_SPECIAL_FOLDER_NAMES) + u"\r\n";
    std::u16string line = u" ";
    for (const SpecialFolderName& entry : specialFolderNames()) {
        std::u16string item = u" " + std::u16string(entry.name) + u" (" + decimal(entry.csidl) + u")";
        if (line.size() + item.size() > 78) {
            text += line + u"\r\n";
            line = u" ";
        }
        line += item;
    }
    text += line + u"\r\n";
    if (!knownFolderNames.empty()) {
        text += ql::text(IDS_CLI_KNOWN_FOLDERS);
        for (const std::u16string& name : knownFolderNames) text += u" " + name;
        text += u"\r\n";
    }
    text += ql::text(IDS_CLI_EXIT_STATUS) + u"\r\n";
    return text;
}

}  // namespace ql::cli
