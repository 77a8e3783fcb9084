#include "app/place_display.h"

#include "common/text_case.h"
#include "common/texts.h"

#include <algorithm>
#include <array>
#include <utility>

namespace ql::editor {
namespace {

// The names and the CSIDLs that the dialogs give them.
constexpr std::array<std::pair<std::u16string_view, std::int32_t>, 13> kPolicyEditorNames{{
    {u"CommonDocuments", 0x2e},  // CSIDL_COMMON_DOCUMENTS
    {u"CommonMusic", 0x35},      // CSIDL_COMMON_MUSIC
    {u"CommonPictures", 0x36},   // CSIDL_COMMON_PICTURES
    {u"Desktop", 0x00},          // CSIDL_DESKTOP
    {u"MyComputer", 0x11},       // CSIDL_DRIVES
    {u"MyDocuments", 0x05},      // CSIDL_PERSONAL
    {u"MyFavorites", 0x06},      // CSIDL_FAVORITES
    {u"MyMusic", 0x0d},          // CSIDL_MYMUSIC
    {u"MyNetworkPlaces", 0x12},  // CSIDL_NETWORK
    {u"MyPictures", 0x27},       // CSIDL_MYPICTURES
    {u"Printers", 0x04},         // CSIDL_PRINTERS
    {u"ProgramFiles", 0x26},     // CSIDL_PROGRAM_FILES
    {u"Recent", 0x08},           // CSIDL_RECENT
}};

// "C:\..." or "\\server\share...": a relative path would resolve against whatever folder the
// reading program happens to be in.
bool isRooted(std::u16string_view path) {
    const auto separator = [](char16_t c) { return c == u'\\' || c == u'/'; };
    const bool drive = path.size() >= 3 && ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z')) &&
                       path[1] == u':' && separator(path[2]);
    const bool share = path.size() >= 3 && separator(path[0]) && separator(path[1]) && !separator(path[2]);
    return drive || share;
}

std::u16string specialFolderText(std::int32_t csidl) {
    const std::string number = std::to_string(csidl);
    return text(IDS_ENTRY_SPECIAL_FOLDER, {std::u16string(number.begin(), number.end())});
}

EntryLook notFound(const std::u16string& shown, PlaceShell& shell) {
    return {text(IDS_ENTRY_NOT_FOUND, {shown}), shell.genericFolderIcon(), Resolution::NotFound};
}

// Index 0 of the system image list is the document icon the shell gives what it cannot describe.
int folderIcon(int iconIndex, PlaceShell& shell) { return iconIndex > 0 ? iconIndex : shell.genericFolderIcon(); }

EntryLook specialFolder(std::int32_t csidl, std::u16string_view shownWhenMissing, PlaceShell& shell) {
    if (csidl >= 0) {
        if (auto look = shell.specialFolderLook(csidl)) return {std::move(look->displayName), folderIcon(look->iconIndex, shell)};
    }
    return notFound(std::u16string(shownWhenMissing), shell);
}

}  // namespace

std::optional<std::int32_t> policyEditorFolder(std::u16string_view name) {
    for (const auto& [known, csidl] : kPolicyEditorNames) {
        if (equalsIgnoringCase(known, name)) return csidl;
    }
    return std::nullopt;
}

EntryLook describePlace(const Place& place, PlaceShell& shell) {
    if (!place.isPath()) return specialFolder(place.csidl, specialFolderText(place.csidl), shell);
    if (!place.expandable) {
        if (const auto csidl = policyEditorFolder(place.path)) return specialFolder(*csidl, place.path, shell);
    }
    // The shell would describe the empty path as the folder the program runs in.
    if (place.path.empty()) return {text(IDS_ENTRY_EMPTY), shell.genericFolderIcon(), Resolution::Empty};
    const std::u16string resolved = place.expandable ? shell.expandVariables(place.path) : place.path;
    // The file system first: where a share's server is gone the look-up hangs here, before the
    // shell is asked, which holds locks of its own that every later question would wait for.
    const bool exists = isRooted(resolved) && shell.isExistingFolder(resolved);
    const bool isFile = !exists && isRooted(resolved) && shell.exists(resolved);
    FolderLook look = shell.pathLook(resolved);
    // A path that resolves to no shell item has no name: it shows alone.
    std::u16string shown = look.displayName.empty() ? place.path : text(IDS_ENTRY_PATH, {look.displayName, place.path});
    if (isFile) return {text(IDS_ENTRY_NOT_A_FOLDER, {shown}), shell.genericFolderIcon(), Resolution::NotAFolder};
    if (!exists) return notFound(shown, shell);
    return {std::move(shown), folderIcon(look.iconIndex, shell)};
}

std::u16string pendingText(const Place& place) { return place.isPath() ? place.path : specialFolderText(place.csidl); }

std::u16string notRespondingText(const Place& place) { return text(IDS_ENTRY_NOT_RESPONDING, {pendingText(place)}); }

}  // namespace ql::editor
