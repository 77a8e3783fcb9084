#pragma once
// The place list's context menu and info tips: which commands are offered, and what a tip says.
#include "app/editor_rules.h"
#include "app/place_display.h"
#include "store/place.h"

#include <optional>
#include <string>
#include <string_view>

namespace ql::editor {

// The entry a menu is about.
struct MenuEntry {
    int position = 0;             // 0-based
    bool onlySelected = false;    // the one selected entry
    bool leadsSomewhere = false;  // the shell can open it
    bool hasPath = false;         // it has a file-system path to copy
};

// Which commands are usable; the menu greys the others.
struct ListMenuStates {
    // On an entry.
    bool open = false;
    bool copyPath = false;
    bool moveUp = false;
    bool moveDown = false;
    bool remove = false;
    // On empty space.
    bool paste = false;
    bool addFolder = false;
    bool addSpecial = false;
    bool operator==(const ListMenuStates&) const = default;
};

// Follows the window's own rules (`controls`): what its buttons allow, the menu allows.
// Moving takes a single selected entry, as Alt+Up and Alt+Down do.
ListMenuStates listMenuStates(const ControlStates& controls, int entryCount, const std::optional<MenuEntry>& entry,
                              bool clipboardHoldsPlaces);

// What an entry's info tip says: the stored value's type and data, and where it leads or why it
// leads nowhere: "Special folder 5 - C:\Users\me\Documents", "REG_SZ C:\Work",
// "REG_EXPAND_SZ %USERPROFILE%\Downloads - C:\Users\me\Downloads", "REG_SZ C:\a.txt - not a folder",
// "REG_SZ (empty)". `resolvedPath` is the folder's path on this system; empty when it has none.
std::u16string infoTip(const Place& place, std::u16string_view resolvedPath, Resolution resolution);

}  // namespace ql::editor
