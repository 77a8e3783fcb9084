#pragma once
// Places to and from the world outside the window: folders dropped or on the clipboard, a path
// copied, a place opened in the file manager, where a place leads on this system.
#include "app/place_input.h"
#include "common/win_handles.h"
#include "store/place.h"

#include <shellapi.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ql::transfer {

// The items of a dropped or copied file list.
std::vector<Place> placesFromFileList(HDROP files);
// The paths in text, one a line.
std::vector<Place> placesFromText(std::wstring_view text);
// Each place marked whether it is a folder (its %VARIABLES% expanded): asked of the file system,
// so on a worker of the look-up queue.
std::vector<editor::Offered> markFolders(std::vector<Place> places);

// Whether the clipboard holds something the list may take: files, or text.
bool clipboardHoldsPlaces();
// What the clipboard offers: its files if it holds any, else the paths in its text; none when it
// holds neither or cannot be opened.
std::optional<std::vector<Place>> placesFromClipboard(HWND owner);
// Puts `text` on the clipboard as Unicode text; false when the clipboard could not take it.
bool copyToClipboard(HWND owner, std::wstring_view text);

// The folder's path on this system: a special folder's location, a path with its %VARIABLES%
// expanded; empty for a special folder without one (My Computer).
std::wstring resolvedPath(const Place& place, HWND owner);
// Whether the shell can open the place: a path, or a special folder that exists on this system.
bool leadsSomewhere(const Place& place, HWND owner);
// Opens the folder in the file manager, as the shell opens it; the shell tells the user of a failure.
void openInFileManager(const Place& place, HWND owner);

}  // namespace ql::transfer
