#pragma once
// What the PlacesBar key holds as a whole: whether it is there, and every value's name, type and
// bytes, whatever they are. Remembered when the window loads or saves the places bar, and compared
// with what the key holds later, so that a change by another program is never overwritten unseen.
#include "store/dialog_settings.h"
#include "store/place.h"
#include "store/places_bar.h"
#include "store/places_bar_store.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ql {

struct StoredValue {
    std::u16string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    bool operator==(const StoredValue&) const = default;
};

struct PlacesBarSnapshot {
    enum class State { Absent, Present, Unreadable };
    State state = State::Absent;
    // Present only: ordered by name regardless of ASCII case, as the registry compares names.
    std::vector<StoredValue> values;
    // The dialogs' settings beside the key, in ComDlg32.
    DialogSettings settings;
};

// Reads the key once, and the settings; a key that cannot be opened or read through (other than "not there") is Unreadable.
PlacesBarSnapshot readPlacesBarSnapshot(PlacesBarStore& store);

// What the key holds after savePlacesBar stored this list in full.
PlacesBarSnapshot savedPlacesBarSnapshot(bool customized, const std::vector<Place>& places);
// What the keys hold after saveDialogs stored this content in full over `before`.
PlacesBarSnapshot savedSnapshot(const PlacesBarSnapshot& before, const DialogsContent& content);

// The same content: both absent, or both present with the same values (names compared regardless
// of ASCII case, types and bytes exactly), and settings that say the same. What could not be read is
// never the same as anything.
bool sameContent(const PlacesBarSnapshot& a, const PlacesBarSnapshot& b);

}  // namespace ql
