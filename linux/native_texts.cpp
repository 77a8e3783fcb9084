// The texts of the Linux command: the table of the language the locale names (LC_ALL, LC_MESSAGES,
// LANG), else English, as quorlane.exe chooses under Wine.
#include "common/texts.h"
#include "linux/text_tables.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace ql {
namespace native {

LanguageId localeLanguage(std::string_view locale) {
    struct Known {
        std::string_view name;
        LanguageId primary;
    };
    static constexpr Known kKnown[] = {{"en", 0x09}, {"de", 0x07}, {"fr", 0x0c}, {"es", 0x0a}, {"pt", 0x16}, {"ru", 0x19}, {"zh", 0x04}};
    const std::string_view language = locale.substr(0, locale.find_first_of("_.@"));
    const std::size_t cut = locale.find('_');
    const std::string_view region = cut == std::string_view::npos ? "" : locale.substr(cut + 1, 2);
    for (const Known& known : kKnown) {
        if (known.name != language) continue;
        // The region's sublanguage where the tables tell regions apart: Brazil and Portugal, China and Taiwan.
        LanguageId sub = 1;
        if (known.primary == 0x16 && region == "PT") sub = 2;
        if (known.primary == 0x04 && (region == "CN" || region == "SG" || region.empty())) sub = 2;
        return static_cast<LanguageId>(sub << 10 | known.primary);
    }
    return kEnglishTable;
}

}  // namespace native

std::u16string text(unsigned id) {
    static const native::TextTable* const chosen = [] {
        std::string locale;
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
            const char* value = std::getenv(name);
            if (value && *value) {
                locale = value;
                break;
            }
        }
        std::vector<LanguageId> languages;
        for (const native::TextTable& table : native::kTextTables) languages.push_back(table.language);
        const LanguageId language = chooseTextTable(native::localeLanguage(locale), languages);
        return &*std::ranges::find(native::kTextTables, language, &native::TextTable::language);
    }();
    for (const native::TextTable* table : {chosen, &*std::ranges::find(native::kTextTables, kEnglishTable, &native::TextTable::language)}) {
        const auto found = std::ranges::lower_bound(table->entries, id, {}, &native::TextEntry::id);
        if (found != table->entries.end() && found->id == id) return found->text;
    }
    return {};
}

}  // namespace ql
