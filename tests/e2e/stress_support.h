#pragma once
// What the stress tests need beyond the driver: quorlane.exe worked through whole user actions
// (add a special folder through the picker, drag, remove, apply, open the About box) and the
// resource figures of its process.
#include "tests/e2e/driver.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace ql::e2e::stress {

inline constexpr wchar_t kPolicies[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies";
inline constexpr wchar_t kPlacesBar[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ComDlg32\\PlacesBar";

// quorlane.exe, started, with its main window up.
class Quorlane {
public:
    Quorlane();

    const Program& program() const { return program_; }
    HWND window() const { return window_; }
    HWND control(int id) const;
    const ListView& list() const { return list_; }
    std::vector<std::wstring> entries() const { return list_.texts(); }

    // "Add special...", then OK in the picker, which adds the picker's first entry.
    void addFirstSpecialFolder();
    // "Add special...", then Cancel: nothing is added.
    void openAndCancelPicker();
    // "About...", then its OK.
    void openAndCloseAbout();
    // Drags the entry at `from` with the real mouse and drops it on the entry at `onto`.
    void dragEntry(int from, int onto);
    // Selects the entry at `index` with a click and presses "Remove".
    void removeEntry(int index);
    void apply();

private:
    HWND openPicker();

    Program program_;
    HWND window_;
    ListView list_;
};

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
