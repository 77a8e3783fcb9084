#pragma once
// Text helpers of the command line: commands, names and registry paths compare regardless of
// ASCII case, and numbers are written in decimal.
#include <algorithm>
#include <string>
#include <string_view>

namespace ql::cli {

inline bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b) {
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; };
    return std::ranges::equal(a, b, [&](char16_t x, char16_t y) { return lower(x) == lower(y); });
}

inline std::u16string decimal(long long value) {
    const std::string digits = std::to_string(value);
    return {digits.begin(), digits.end()};
}

}  // namespace ql::cli
