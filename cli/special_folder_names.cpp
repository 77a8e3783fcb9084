#include "cli/special_folder_names.h"

#include "cli/cli_text.h"

#include <array>

namespace ql::cli {
namespace {

constexpr std::array kNames{
    SpecialFolderName{u"Desktop", 0},        SpecialFolderName{u"Programs", 2},
    SpecialFolderName{u"Documents", 5},      SpecialFolderName{u"Favorites", 6},
    SpecialFolderName{u"Startup", 7},        SpecialFolderName{u"Recent", 8},
    SpecialFolderName{u"SendTo", 9},         SpecialFolderName{u"StartMenu", 11},
    SpecialFolderName{u"Music", 13},         SpecialFolderName{u"Videos", 14},
    SpecialFolderName{u"MyComputer", 17},    SpecialFolderName{u"Network", 18},
    SpecialFolderName{u"Fonts", 20},         SpecialFolderName{u"Templates", 21},
    SpecialFolderName{u"AppData", 26},       SpecialFolderName{u"LocalAppData", 28},
    SpecialFolderName{u"Windows", 36},       SpecialFolderName{u"System", 37},
    SpecialFolderName{u"ProgramFiles", 38},  SpecialFolderName{u"Pictures", 39},
    SpecialFolderName{u"Profile", 40},       SpecialFolderName{u"CommonDocuments", 46},
};

}  // namespace

std::span<const SpecialFolderName> specialFolderNames() { return kNames; }

std::optional<std::int32_t> specialFolderByName(std::u16string_view name) {
    for (const SpecialFolderName& entry : kNames) {
        if (equalsIgnoringCase(entry.name, name)) return entry.csidl;
    }
    return std::nullopt;
}

}  // namespace ql::cli
