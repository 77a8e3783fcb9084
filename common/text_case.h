#pragma once
// Names that Windows compares regardless of case (commands, policy names, registry paths), for the
// ASCII letters they are made of.
#include <algorithm>
#include <string_view>

namespace ql {

inline char16_t foldCase(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

inline bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b) {
    return std::ranges::equal(a, b, {}, foldCase, foldCase);
}

// An order in which names that differ only in case stand together.
inline bool lessIgnoringCase(std::u16string_view a, std::u16string_view b) {
    return std::ranges::lexicographical_compare(a, b, {}, foldCase, foldCase);
}

}  // namespace ql
