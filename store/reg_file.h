#pragma once
// The places bar as a .reg file, in the registry editor's own format: written as UTF-16LE with a
// BOM and CRLF under "Windows Registry Editor Version 5.00"; read in that format and as REGEDIT4.
// Reading refuses the whole file when any line could write anything but the places bar.
#include "store/place.h"
#include "store/places_bar.h"
#include "store/places_bar_snapshot.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ql {


// A place as the key holds it: n of its value's name Place<n>, and the place.
struct StoredPlace {
    int index = 0;
    Place place;
    bool operator==(const StoredPlace&) const = default;
};

// The places the key holds: its values Place0..Place4 (any case) that are places, in index order,
// gaps kept.
std::vector<StoredPlace> storedPlaces(const PlacesBarSnapshot& snapshot);

// The deletion line and, when customized, the key with Place0..Place<n-1>, then ComDlg32 with the
// settings given: imported by the registry editor it leaves exactly this places bar and these settings.
std::vector<std::uint8_t> writeRegFile(const PlacesBarContent& content, const SettingChanges& settings = {});
// What a save of `content` stores: the places bar only when it gives one, then the settings it gives.
std::vector<std::uint8_t> writeRegFile(const DialogsContent& content);
// The same for the places a key holds, each under its own name, and the three settings: the registry
// editor puts back every place value as it was. Values that are no place cannot be imported, and are left out.
std::vector<std::uint8_t> writeRegFile(const PlacesBarSnapshot& snapshot);

struct RegFileError {
    int line = 0;  // 1-based; 0 when the fault is the file as a whole
    std::u16string message;
};

struct RegFileReading {
    std::optional<DialogsContent> content;
    RegFileError error;  // when there is no content
};

// "FILE, line N says why; nothing was imported": a refused file, as the user is told.
std::u16string refusedFileMessage(std::u16string_view path, const RegFileError& error);

// Reads the file as the registry editor would apply it, line by line: a deletion line removes the
// places bar, a key line makes it, its values set or ("Place0"=-) delete places; under ComDlg32 the
// three settings are hidden (dword:00000001) or shown ("NoPlacesBar"=-). A file without the places
// bar leaves it alone, and one without a setting leaves that setting alone. The places come
// out in index order, gaps closed up, as loading them from the registry would.
RegFileReading readRegFile(std::span<const std::uint8_t> bytes);

}  // namespace ql
