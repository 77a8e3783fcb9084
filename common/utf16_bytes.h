#pragma once
// UTF-16 text as the registry stores it: little-endian bytes.
#include <cstdint>
#include <string_view>
#include <vector>

namespace ql {

inline std::vector<std::uint8_t> utf16leBytes(std::u16string_view text, bool withNul) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve((text.size() + (withNul ? 1 : 0)) * 2);
    for (char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    if (withNul) bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

}  // namespace ql
