#pragma once
// UTF-8 and UTF-16 for the portable code: the Linux command's arguments, files and output, the string
// tables' sources.
#include <string>
#include <string_view>

namespace ql {

// One code point, as a surrogate pair beyond the Basic Multilingual Plane.
void appendUtf16(std::u16string& out, char32_t code);
// A byte that does not begin valid UTF-8 stands for itself (as Latin-1): nothing read is lost.
std::u16string fromUtf8(std::string_view text);
std::string toUtf8(std::u16string_view text);

}  // namespace ql
