#pragma once
// The window's "Import places bar..." and "Export places bar...": the standard Open and Save
// dialogs filtered to *.reg, and a message box when the file cannot be read, is refused or
// cannot be written.
#include "store/reg_file.h"

#include <windows.h>

#include <optional>

namespace ql {

// What the chosen file says of the places bar and the settings; none when the user cancelled or the
// file was refused.
std::optional<DialogsContent> importPlacesBarFile(HWND owner);

// Writes `content` and the settings to the file the user chooses; false when cancelled or not written.
bool exportPlacesBarFile(HWND owner, const PlacesBarContent& content, const DialogSettings& settings);

}  // namespace ql
