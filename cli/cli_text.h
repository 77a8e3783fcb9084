#pragma once
// Text helpers of the command line: commands, names and registry paths compare regardless of
// ASCII case, numbers are written in decimal, and what a message quotes stays on its one line.
#include "common/text_case.h"

#include <string>
#include <string_view>

namespace ql::cli {

using ql::equalsIgnoringCase;

inline std::u16string decimal(long long value) {
    const std::string digits = std::to_string(value);
    return {digits.begin(), digits.end()};
}

// A message quotes arguments, paths and stored values as given, and those may hold line breaks,
// NULs or terminal controls; each such character is shown as U+FFFD so that a message stays one
// line a script can read and nothing in it acts on the terminal.
inline std::u16string oneLine(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c < 0x20 || (c >= 0x7f && c < 0xa0) || c == 0x2028 || c == 0x2029) c = 0xfffd;
    }
    return out;
}

}  // namespace ql::cli
