#pragma once
// The places bar value codec: registry value type and bytes <-> place.
#include "common/registry_types.h"
#include "store/place.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ql {

inline constexpr int kMaxPlaces = 5;  // "Place0".."Place4"

// "Place" + index in decimal.
std::u16string placeValueName(int index);

// REG_SZ and REG_EXPAND_SZ: UTF-16LE text up to its first NUL (a missing NUL and an odd trailing
// byte are tolerated); REG_EXPAND_SZ gives an expandable path, its text as stored.
// REG_DWORD: exactly 4 bytes, little-endian, read as a signed 32-bit CSIDL.
// Anything else, a REG_DWORD of another size included, is no place.
std::optional<Place> decodePlaceValue(std::uint32_t type, std::span<const std::uint8_t> data);

struct EncodedValue {
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;
    bool operator==(const EncodedValue&) const = default;
};

// A path becomes REG_SZ (REG_EXPAND_SZ when expandable), UTF-16LE with one terminating NUL;
// a special folder REG_DWORD, 4 bytes.
EncodedValue encodePlace(const Place& place);

}  // namespace ql
