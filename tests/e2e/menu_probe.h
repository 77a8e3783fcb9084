#pragma once
// What the menu probe reads, in the program's memory: Wine lets no other process read a menu, so
// the probe, loaded into the program under test, reads it there.
#include <windows.h>

namespace ql::e2e::probe {

inline constexpr int kMaxItems = 16;
inline constexpr int kMaxText = 64;

struct MenuItem {
    UINT type;   // MFT_SEPARATOR, ...
    UINT state;  // MFS_GRAYED, MFS_DEFAULT, ...
    RECT rect;   // on the screen
    wchar_t text[kMaxText];
};

struct MenuRequest {
    HMENU menu;
    int count;  // -1 when the menu could not be read
    MenuItem items[kMaxItems];
};

// The probe's entry point, run on a thread of the program with the request in its memory.
inline constexpr char kReadMenu[] = "readMenu";

}  // namespace ql::e2e::probe
