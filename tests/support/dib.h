#pragma once
// For tests that look at what was drawn: a top-down 32-bit bitmap whose pixels can be read directly.
#include "common/win_handles.h"

namespace ql::testing {

// `bits` receives the first pixel (0x00RRGGBB, rows top to bottom); the bitmap owns the memory.
inline win::UniqueBitmap createTopDownDib(int width, int height, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return win::UniqueBitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0));
}

}  // namespace ql::testing
