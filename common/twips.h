#pragma once
// Window layout is given in twips (1440 to the inch) and drawn in pixels at the window's DPI.
#include <cstdint>

namespace ql {

inline constexpr int kTwipsPerInch = 1440;

// Rounds to the nearest pixel, halves away from zero, so that adjacent controls keep their gaps.
constexpr int twipsToPixels(int twips, int dpi) {
    const std::int64_t scaled = static_cast<std::int64_t>(twips) * dpi;
    const std::int64_t half = kTwipsPerInch / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / kTwipsPerInch : -((-scaled + half) / kTwipsPerInch));
}

constexpr int pixelsToTwips(int pixels, int dpi) {
    if (dpi <= 0) return 0;
    const std::int64_t scaled = static_cast<std::int64_t>(pixels) * kTwipsPerInch;
    const std::int64_t half = dpi / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / dpi : -((-scaled + half) / dpi));
}

struct TwipsRect {
    int left, top, width, height;
};

}  // namespace ql
