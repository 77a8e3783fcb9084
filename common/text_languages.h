#pragma once
// Which of the program's string tables speaks to a user: the table of the user's language, where a
// table has that language without the region (German in Austria reads the German table), else English.
#include <cstdint>
#include <span>

namespace ql {

using LanguageId = std::uint16_t;  // a Windows LANGID: primary language in the low 10 bits

inline constexpr LanguageId kEnglishTable = 0x0409;

LanguageId chooseTextTable(LanguageId wanted, std::span<const LanguageId> tables);

}  // namespace ql
