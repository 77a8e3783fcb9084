#include "common/text_languages.h"

#include <algorithm>

namespace ql {

LanguageId chooseTextTable(LanguageId wanted, std::span<const LanguageId> tables) {
    if (std::find(tables.begin(), tables.end(), wanted) != tables.end()) return wanted;
    const auto primary = [](LanguageId id) { return id & 0x3ff; };
    const auto same = std::find_if(tables.begin(), tables.end(), [&](LanguageId t) { return primary(t) == primary(wanted); });
    return same != tables.end() ? *same : kEnglishTable;
}

}  // namespace ql
