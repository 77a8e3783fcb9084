#pragma once
// The dialogs' three settings beside the places bar: values of the ComDlg32 key that hide the places
// bar, the Back button and the drop-down list of recently used file names. Absent (or REG_DWORD 0) is
// shown, REG_DWORD 1 hidden; a value in any other form is kept exactly as stored.
#include "common/string_ids.h"
#include "store/places_bar_store.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace ql {

enum class DialogSetting { PlacesBar, BackButton, RecentFiles };
inline constexpr std::array kDialogSettings{DialogSetting::PlacesBar, DialogSetting::BackButton,
                                            DialogSetting::RecentFiles};
inline constexpr std::size_t kDialogSettingCount = kDialogSettings.size();

// Every name a setting goes by, in DialogSetting's order: its value in ComDlg32, its name on the
// command line, and its box in the main window (control id and text).
struct DialogSettingNames {
    std::u16string_view valueName;
    std::u16string_view commandName;
    int controlId;
    unsigned textId;
};
inline constexpr std::array<DialogSettingNames, 3> kDialogSettingNames{{
    {u"NoPlacesBar", u"placesbar", 1015, IDS_SHOW_PLACES_BAR},
    {u"NoBackButton", u"backbutton", 1016, IDS_SHOW_BACK_BUTTON},
    {u"NoFileMru", u"recentfiles", 1017, IDS_SHOW_RECENT_FILES},
}};
static_assert(kDialogSettingNames.size() == kDialogSettings.size());

constexpr const DialogSettingNames& namesOf(DialogSetting setting) {
    return kDialogSettingNames[static_cast<std::size_t>(setting)];
}

struct SettingValue {
    enum class State { Shown, Hidden, Other };
    State state = State::Shown;
    // Other only: the value as stored, written back as it is.
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;

    static SettingValue shown() { return {}; }
    static SettingValue hidden() { return {State::Hidden, 0, {}}; }
    static SettingValue other(std::uint32_t type, std::vector<std::uint8_t> data) {
        return {State::Other, type, std::move(data)};
    }
    bool operator==(const SettingValue&) const = default;
};

// What a stored value says.
SettingValue decodeSetting(std::uint32_t type, std::span<const std::uint8_t> data);

struct DialogSettings {
    std::array<SettingValue, kDialogSettingCount> values{};
    bool unreadable = false;  // ComDlg32 or one of the values is there but could not be read

    SettingValue& operator[](DialogSetting setting) { return values[static_cast<std::size_t>(setting)]; }
    const SettingValue& operator[](DialogSetting setting) const { return values[static_cast<std::size_t>(setting)]; }
    bool operator==(const DialogSettings&) const = default;
};

// The settings a save stores; one left empty stays as stored.
using SettingChanges = std::array<std::optional<SettingValue>, kDialogSettingCount>;

SettingChanges allSettings(const DialogSettings& settings);

// What ComDlg32 holds of the three; a value that is not there is shown.
DialogSettings loadDialogSettings(PlacesBarStore& store);

}  // namespace ql
