#pragma once
// The DPI a window is shown at, and the system's message font at that DPI.
#include "common/twips.h"
#include "common/win_handles.h"

namespace ql::win {

// The window's DPI (per monitor where the system tells it), else the display's.
int dpiForWindow(HWND hwnd);

// Twips to pixels at `dpi`.
inline RECT twipsRectToPixels(const TwipsRect& r, int dpi) {
    const int left = twipsToPixels(r.left, dpi);
    const int top = twipsToPixels(r.top, dpi);
    return RECT{left, top, left + twipsToPixels(r.width, dpi), top + twipsToPixels(r.height, dpi)};
}

// The system's message font (the font of message boxes and dialogs) scaled to `dpi`.
UniqueFont createMessageFont(int dpi);

// A window's outer size for a client area of the given pixel size, at `dpi`.
SIZE windowSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi);

}  // namespace ql::win
