#pragma once
// Thin, stateless routines over the Windows shell. None keeps state, shows a message or throws:
// a failure shows up as an empty text, icon index 0 or no result.
#include "common/win_handles.h"

#include <optional>
#include <string>

namespace ql::shellUI {

// The shell's folder browser, titled "Choose folder to add to PlacesBar"; the chosen folder's
// file-system path, or empty when the user cancelled or chose something without one.
std::wstring browseForFolder(HWND owner);

// What the shell shows for a folder: its name and its index in the system image list.
struct DisplayInfo {
    std::wstring displayName;
    int iconIndex = 0;
    bool operator==(const DisplayInfo&) const = default;
};

// Of a path; an empty name and index 0 when the shell knows nothing of it.
DisplayInfo getPathDisplayInfo(const std::wstring& path);

// The same for an item ID list, which stays the caller's.
DisplayInfo getPidlDisplayInfo(PCIDLIST_ABSOLUTE pidl);

// Of the special folder with that CSIDL; nothing when the system has no folder for it.
std::optional<DisplayInfo> getSpecialFolderDisplayInfo(int csidl, HWND owner);

// The icon alone, as the picker asks it after the names: its system image list index, 0 when the
// system has no folder for the number.
int getSpecialFolderIconIndex(int csidl);

// The names alone, as the command line prints them: asking for no icon leaves the system image
// list, and the common controls' DLL behind it, unloaded.
std::wstring getPathDisplayName(const std::wstring& path);
std::optional<std::wstring> getSpecialFolderDisplayName(int csidl);
// The file-system path of a special folder; empty when it has none. `owner`: the window on whose
// behalf the shell may ask the user.
std::wstring getSpecialFolderPath(int csidl, HWND owner);

// The text with its %VARIABLES% replaced from this process's environment; unknown ones stay as they are.
std::wstring expandEnvironmentText(const std::wstring& text);

// True for a folder (a drive root included) that exists now; false for a file or nothing.
bool isExistingFolder(const std::wstring& path);

// The system image list index of the shell's icon for a plain folder, whether or not one exists.
int genericFolderIconIndex();

// The standard Open dialog, starting in the program's folder; the chosen file, or empty.
std::wstring showOpenDialog(HWND owner, const std::wstring& title);

}  // namespace ql::shellUI
