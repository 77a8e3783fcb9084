#include "cli/command_line.h"

#include "cli/cli_text.h"
#include "cli/special_folder_names.h"
#include "store/places_codec.h"

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
    VerbName{u"export", Verb::Export},     VerbName{u"import", Verb::Import}, VerbName{u"?", Verb::Help},
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

}  // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::u16string>& args) {
    if (args.empty()) return usageError(u"no command");
    const std::u16string_view first = args.front();
    if (first.size() < 2 || (first[0] != u'/' && first[0] != u'-')) return usageError(u"unknown command " + args.front());

    const VerbName* verb = nullptr;
    for (const VerbName& entry : kVerbs) {
        if (equalsIgnoringCase(first.substr(1), entry.name)) verb = &entry;
    }
    if (!verb) return usageError(u"unknown command " + args.front());

    Command command;
    command.verb = verb->verb;
    const std::size_t operands = args.size() - 1;
    const std::u16string name = u"/" + std::u16string(verb->name);
    switch (verb->verb) {
    case Verb::List:
    case Verb::Defaults:
    case Verb::Help:
        if (operands != 0) return usageError(name + u" takes no arguments");
        break;
    case Verb::Set:
    case Verb::Add:
        if (operands == 0) return usageError(name + u" needs at least one place");
        if (operands > static_cast<std::size_t>(kMaxPlaces)) {
            return usageError(name + u" takes at most " + decimal(kMaxPlaces) + u" places");
        }
        command.places.assign(args.begin() + 1, args.end());
        break;
    case Verb::Remove: {
        if (operands != 1) return usageError(name + u" needs one number N, of Place<N>");
        const auto index = placeIndex(args[1]);
        if (!index) return usageError(name + u" needs a number N, of Place<N>, not " + args[1]);
        command.index = *index;
        break;
    }
    case Verb::Export:
    case Verb::Import:
        if (operands != 1 || args[1].empty()) return usageError(name + u" needs one file name");
        command.file = args[1];
        break;
    }
    return {command, {}};
}

std::u16string usageText(const std::vector<std::u16string>& knownFolderNames) {
    std::u16string text =
        u"Usage: quorlane [COMMAND]\r\n"
        u"Without a command, Quorlane opens its window. Commands (in any case, with / or -):\r\n"
        u"  /list           prints the stored places bar: Place<n>, type, value, display name\r\n"
        u"                  (tab-separated), or \"defaults\" when the dialogs show their own places\r\n"
        u"  /set PLACE...   replaces the places bar with these 1 to 5 places, in order\r\n"
        u"  /add PLACE...   appends these places to the stored list (5 at most)\r\n"
        u"  /remove N       removes Place<N> as /list shows it; the rest close up\r\n"
        u"  /defaults       deletes the places bar: the dialogs show their own places\r\n"
        u"  /export FILE    writes the stored places bar as a .reg file\r\n"
        u"  /import FILE    replaces the places bar with what a .reg file says\r\n"
        u"  /?              shows this text\r\n"
        u"PLACE is a special folder number, a special folder name (any case), a known folder stored\r\n"
        u"as its path, or a folder path, made absolute; a path holding %VARIABLE% is stored with it\r\n"
        u"unexpanded. Under Wine, a path starting with / is a Unix path.\r\n"
        u"Special folder names:\r\n";
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
        text += u"Known folders, stored as their path:";
        for (const std::u16string& name : knownFolderNames) text += u" " + name;
        text += u"\r\n";
    }
    text += u"Exit status: 0 done, 1 refused or failed (the registry unchanged), 2 usage error.\r\n";
    return text;
}

}  // namespace ql::cli
