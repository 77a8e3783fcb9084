#pragma once
// What the stress tests need beyond the editor window: whole user actions, each ending when the
// main window takes input again, and the resource figures of the program's process.
#include "tests/e2e/editor_window.h"

#include <cstddef>
#include <iosfwd>

namespace ql::e2e::stress {

// "Add special...", then OK in the picker, which adds the picker's first entry.
void addFirstSpecialFolder(const Editor& editor);
// "Add special...", then Cancel: nothing is added.
void openAndCancelPicker(const Editor& editor);
// "About...", then its OK.
void openAndCloseAbout(const Editor& editor);
// Drags the entry at `from` with the real mouse and drops it on the entry at `onto`.
void dragEntry(const Editor& editor, int from, int onto);
// Selects the entry at `index` with a click and presses "Remove".
void removeEntry(const Editor& editor, int index);

// What a process holds of the system. Where Wine has no figure, another stands in: Wine reports 0
// GDI and USER objects, 0 handles and 0 private bytes for another process.
struct ResourceLevel {
    DWORD gdiObjects = 0;   // GetGuiResources
    DWORD userObjects = 0;  // GetGuiResources
    DWORD handles = 0;      // GetProcessHandleCount, else the process's entries in the system handle table
    std::size_t privateBytes = 0;  // PrivateUsage, else PagefileUsage (Wine: its anonymous memory)
    std::size_t windows = 0;       // top-level and child windows of the process, hidden ones too
};
ResourceLevel resourceLevel(const Program& program);
std::ostream& operator<<(std::ostream& os, const ResourceLevel& level);

}  // namespace ql::e2e::stress
