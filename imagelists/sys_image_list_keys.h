#pragma once
// The decisions of the system image list wrapper that need no Windows: how a key turns into an
// image index, which shell flags pick the small or the large list, how an image is drawn and
// how wide a strip of images is.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace ql::imagelists {

// The shell's flags, as the shell numbers them.
inline constexpr std::uint32_t kShgfiSmallIcon = 0x1;
inline constexpr std::uint32_t kShgfiUseFileAttributes = 0x10;
inline constexpr std::uint32_t kShgfiSysIconIndex = 0x4000;

// Image lists draw with these styles.
inline constexpr std::uint32_t kIldTransparent = 0x1;
inline constexpr std::uint32_t kIldSelected = 0x4;

// Icons narrower than this come from the shell's small-icon list.
inline constexpr std::int32_t kLargeIconMinWidth = 32;

// A text key that reads as a number names an image index directly. Reads as a number: optional
// blanks, an optional sign, decimal digits with an optional fraction (at least one digit),
// optional blanks. A fraction rounds to the nearest integer, halves to even.
// Not a number: std::nullopt. A number outside the signed 32-bit range throws std::overflow_error.
std::optional<std::int32_t> numericKeyValue(std::u16string_view key);

// Flags that ask the shell for its image list: the small one when iconSizeX < 32.
std::uint32_t createFlags(std::int32_t iconSizeX);

// Flags that ask the shell for a file's icon index; without bForceLoadFromDisk the name's
// extension alone decides and the file need not exist.
std::uint32_t itemIndexFlags(std::int32_t iconSizeX, bool bForceLoadFromDisk);

// What SHGetFileInfo returned when asked for the system image list: 0 and all bits set mean none.
bool isImageListResult(std::uintptr_t result);

enum class DrawMode { Plain, Cut, Disabled };

// Cut wins over disabled.
DrawMode drawMode(bool bCut, bool bDisabled);

// Selected and cut images are drawn blended with the selection colour.
std::uint32_t drawStyle(bool bSelected, bool bCut);

// Width of a strip of `count` images, each `iconSizeX` wide; the x position of image `position`
// (0-based) is stripWidth(position, iconSizeX). Throws std::overflow_error past 32 bits.
std::int32_t stripWidth(std::size_t count, std::int32_t iconSizeX);

}  // namespace ql::imagelists
