#pragma once
// Finding and starting the Windows system information tool for the About box.
#include <windows.h>

#include <string>
#include <string_view>

namespace ql::about {

// GetKeyValue over a real root key, which it opens for reading only (KEY_QUERY_VALUE), so that
// accounts without write rights there read it too.
bool GetKeyValue(HKEY keyRoot, std::wstring_view keyName, std::wstring_view subKeyRef, std::wstring& keyVal);

// An existing file that is no folder and neither hidden nor a system file.
bool isOrdinaryFile(const std::wstring& path);

// Starts the program file at `path` in a normal window that takes the focus. The path names the
// program as a whole (blanks and all), so a path such as C:\Program Files\... never starts C:\Program.
bool startProgram(const std::wstring& path);

// Starts the system information tool that the registry names, or tells the user in a message box
// owned by `owner` that it is unavailable.
void StartSysInfo(HWND owner);

}  // namespace ql::about
