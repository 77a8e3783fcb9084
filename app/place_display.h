#pragma once
// What an entry of the place list shows for its place: the text and the icon, and whether the
// place resolves on this system. A place that does not resolve is still kept and written back
// unchanged; its entry says so, with the shell's generic folder icon.
#include "store/place.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ql::editor {

struct FolderLook {
    std::u16string displayName;
    int iconIndex = 0;
};

// The shell as the entries need it; shell/ answers for Windows.
class PlaceShell {
public:
    virtual ~PlaceShell() = default;
    // The text with its %VARIABLES% replaced from the environment; unknown ones stay as they are.
    virtual std::u16string expandVariables(std::u16string_view text) = 0;
    virtual bool isExistingFolder(std::u16string_view path) = 0;
    // Anything at all at the path: a folder or a file.
    virtual bool exists(std::u16string_view path) = 0;
    // An empty name and icon 0 when the shell knows nothing of the path.
    virtual FolderLook pathLook(std::u16string_view path) = 0;
    // None when the system has no folder for the CSIDL.
    virtual std::optional<FolderLook> specialFolderLook(std::int32_t csidl) = 0;
    virtual int genericFolderIcon() = 0;
};

// Where a place leads on this system, or why it leads nowhere.
enum class Resolution { Folder, NotFound, NotAFolder, Empty };

struct EntryLook {
    std::u16string text;
    int iconIndex = 0;
    Resolution resolution = Resolution::Folder;
    bool operator==(const EntryLook&) const = default;
};

// A special folder shows its shell name; one this system does not know (a negative number
// included) "Special folder <number> (not found)". A path shows "<display name>: <text as
// stored>", its name and icon from the path with its variables expanded when it is expandable,
// and ends in " (not found)" unless it is an existing folder given from a drive or share root,
// or in " (not a folder)" when it names a file; an empty path shows "(empty)". A name that the
// system's policy editor writes instead of a path ("MyDocuments", any case) shows as the special
// folder it names. The icon is the folder's own, else the shell's generic folder icon: never the
// document icon (index 0) that the shell gives what it cannot describe.
EntryLook describePlace(const Place& place, PlaceShell& shell);

// What an entry shows while the look-up of its place has not answered: the path as stored, or
// "Special folder <number>"; once that has taken too long, the same marked "(not responding)".
std::u16string pendingText(const Place& place);
std::u16string notRespondingText(const Place& place);

// The special folder that a policy editor name stands for; none for any other text.
std::optional<std::int32_t> policyEditorFolder(std::u16string_view name);

}  // namespace ql::editor
