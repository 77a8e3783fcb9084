#pragma once
// Names that Windows compares regardless of case (commands, policy names, registry paths), for the
// ASCII letters they are made of.
#include <algorithm>
#include <string_view>

namespace ql {

inline bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b) {
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; };
    return std::ranges::equal(a, b, [&](char16_t x, char16_t y) { return lower(x) == lower(y); });
}

}  // namespace ql
