#pragma once
// What the picker's entries show. Several special folders share a name (Desktop three times, the
// user's and everyone's Documents, Start Menu, ...): those tell where they lead, as the place list
// shows a path, so that the user can tell them apart.
#include <string>
#include <vector>

namespace ql::picker {

struct NamedFolder {
    int csidl;  // -1 for a known folder's path
    std::u16string path;  // where it leads; empty when unknown
    std::u16string name;
};

// Which of the names another entry has too.
std::vector<bool> sharedNames(const std::vector<std::u16string>& names);

// Each entry's text: its name alone, or, where others share it, "<name>: <path>", or, where the
// path does not tell it apart either, "<name>: Special folder <number>".
std::vector<std::u16string> entryTexts(const std::vector<NamedFolder>& folders);

}  // namespace ql::picker
