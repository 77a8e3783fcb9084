#pragma once
// The texts a user reads, by their id in the string tables, in the user's language (English where a
// table lacks one). On Windows they come from the program's resources; the portable code's own tests
// and fuzzers link the English table, made from app/resources/lang/en.rc when they are built.
#include "common/string_ids.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace ql {

std::u16string text(unsigned id);

// `pattern` with %1..%9 replaced by the arguments in that order; a % not followed by one of those
// digits is a plain percent sign, so "%VARIABLE%" stays as it is.
std::u16string formatText(std::u16string_view pattern, std::initializer_list<std::u16string_view> args);

inline std::u16string text(unsigned id, std::initializer_list<std::u16string_view> args) {
    return formatText(text(id), args);
}

}  // namespace ql
