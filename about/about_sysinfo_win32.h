#pragma once
// Finding and starting the Windows system information tool for the About box.
#include "about/about_values.h"

#include <windows.h>

#include <string>

namespace ql::about {

// One root key of the real registry, opened for reading only (KEY_QUERY_VALUE), so that accounts
// without write rights there read it too.
class RegistryValues : public ValueReader {
public:
    explicit RegistryValues(HKEY root) : root_(root) {}
    std::optional<RawValue> read(std::u16string_view keyName, std::u16string_view valueName) const override;

private:
    HKEY root_;
};

// An existing file that is no folder and neither hidden nor a system file.
bool isOrdinaryFile(const std::wstring& path);

// Starts the program at `path` (a full path, or a name the system finds, with or without ".exe") in
// a normal window that takes the focus; false when it cannot be started.
bool startProgram(const std::wstring& path);

// Starts the system information tool that the registry names, or tells the user in a message box
// owned by `owner` that it is unavailable.
void StartSysInfo(HWND owner);

}  // namespace ql::about
