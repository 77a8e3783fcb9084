#pragma once
// Thin, stateless routines over the Windows shell. None keeps state, shows a message or throws:
// a failure shows up as an empty text, icon index 0 or false.
#include "common/win_handles.h"

#include <string>

namespace ql::shellUI {

// The shell's folder browser, titled "Choose folder to add to PlacesBar"; the chosen folder's
// file-system path, or empty when the user cancelled or chose something without one.
std::wstring browseForFolder(HWND owner);

// Display name and system image list index of a path; empty name and index 0 when the shell knows nothing of it.
void getPathDisplayInfo(const std::wstring& path, std::wstring& displayName, int& iconIndex);

// The same for an item ID list, which stays the caller's.
void getPidlDisplayInfo(PCIDLIST_ABSOLUTE pidl, std::wstring& displayName, int& iconIndex);

// True with name and index when the system has a folder for the CSIDL; false, outputs untouched, otherwise.
bool getSpecialFolderDisplayInfo(int csidl, HWND owner, std::wstring& displayName, int& iconIndex);

// The standard Open dialog, starting in the program's folder; the chosen file, or empty.
std::wstring showOpenDialog(HWND owner, const std::wstring& title);

}  // namespace ql::shellUI
