#include "imagelists/sys_image_list_keys.h"

#include <limits>
#include <stdexcept>

namespace ql::imagelists {
namespace {

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

[[noreturn]] void overflow() { throw std::overflow_error("image index out of the 32-bit range"); }

}  // namespace

std::optional<std::int32_t> numericKeyValue(std::u16string_view key) {
    std::size_t i = 0;
    const std::size_t n = key.size();
    while (i < n && isBlank(key[i])) ++i;
    bool negative = false;
    if (i < n && (key[i] == u'+' || key[i] == u'-')) negative = key[i++] == u'-';

    // The magnitude saturates just past the range, so a long run of digits cannot wrap.
    constexpr std::int64_t kPastRange = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 2;
    std::int64_t magnitude = 0;
    std::size_t digits = 0;
    for (; i < n && isDigit(key[i]); ++i, ++digits) {
        if (magnitude < kPastRange) magnitude = magnitude * 10 + (key[i] - u'0');
    }
    // Rounding needs the first fraction digit and whether any later one is non-zero.
    int firstFraction = 0;
    bool moreFraction = false;
    if (i < n && key[i] == u'.') {
        ++i;
        for (std::size_t f = 0; i < n && isDigit(key[i]); ++i, ++f, ++digits) {
            if (f == 0)
                firstFraction = key[i] - u'0';
            else if (key[i] != u'0')
                moreFraction = true;
        }
    }
    while (i < n && isBlank(key[i])) ++i;
    if (digits == 0 || i != n) return std::nullopt;

    if (firstFraction > 5 || (firstFraction == 5 && (moreFraction || magnitude % 2 == 1))) ++magnitude;
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
        overflow();
    }
    return static_cast<std::int32_t>(value);
}

std::uint32_t createFlags(std::int32_t iconSizeX) {
    return kShgfiSysIconIndex | kShgfiUseFileAttributes | (iconSizeX < kLargeIconMinWidth ? kShgfiSmallIcon : 0);
}

std::uint32_t itemIndexFlags(std::int32_t iconSizeX, bool bForceLoadFromDisk) {
    return kShgfiSysIconIndex | (iconSizeX < kLargeIconMinWidth ? kShgfiSmallIcon : 0) |
           (bForceLoadFromDisk ? 0 : kShgfiUseFileAttributes);
}

bool isImageListResult(std::uintptr_t result) {
    return result != 0 && result != std::numeric_limits<std::uintptr_t>::max();
}

DrawMode drawMode(bool bCut, bool bDisabled) {
    if (bCut) return DrawMode::Cut;
    return bDisabled ? DrawMode::Disabled : DrawMode::Plain;
}

std::uint32_t drawStyle(bool bSelected, bool bCut) {
    return (bSelected || bCut) ? (kIldTransparent | kIldSelected) : kIldTransparent;
}

std::int32_t stripWidth(std::size_t count, std::int32_t iconSizeX) {
    // The product is checked before it is formed.
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    if (count == 0 || iconSizeX == 0) return 0;
    const std::int64_t limit = iconSizeX > 0 ? kMax / iconSizeX : kMin / iconSizeX;
    if (count > static_cast<std::uint64_t>(limit)) overflow();
    return static_cast<std::int32_t>(static_cast<std::int64_t>(count) * iconSizeX);
}

}  // namespace ql::imagelists
