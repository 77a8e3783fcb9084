#include "store/places_codec.h"

#include "common/utf16_bytes.h"

namespace ql {

std::u16string placeValueName(int index) {
    std::u16string name = u"Place";
    for (char c : std::to_string(index)) name.push_back(static_cast<char16_t>(c));
    return name;
}

std::optional<Place> decodePlaceValue(std::uint32_t type, std::span<const std::uint8_t> data) {
    switch (type) {
    case kRegSz:
    case kRegExpandSz: {
        std::u16string path;
        for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
            const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
            if (unit == u'\0') break;
            path.push_back(unit);
        }
        return type == kRegExpandSz ? Place::expandablePath(std::move(path)) : Place::folderPath(std::move(path));
    }
    case kRegDword: {
        if (data.size() != 4) return std::nullopt;
        const std::uint32_t bits = static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
                                   static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
        return Place::specialFolder(static_cast<std::int32_t>(bits));
    }
    default:
        return std::nullopt;
    }
}

EncodedValue encodePlace(const Place& place) {
    EncodedValue value;
    if (place.isPath()) {
        value.type = place.expandable ? kRegExpandSz : kRegSz;
        value.data = utf16leBytes(place.path, true);
    } else {
        value.type = kRegDword;
        const auto bits = static_cast<std::uint32_t>(place.csidl);
        for (int shift = 0; shift < 32; shift += 8) value.data.push_back(static_cast<std::uint8_t>(bits >> shift));
    }
    return value;
}

}  // namespace ql
