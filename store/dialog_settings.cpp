#include "store/dialog_settings.h"

#include "store/places_bar.h"
#include "store/places_codec.h"

#include <algorithm>

namespace ql {
namespace {

// The whole value, whatever its size; nullopt when it is not there. A value that grows between the
// size query and the read is read again.
std::optional<SettingValue> readSetting(PlacesBarStore& store, RegKey key, std::u16string_view name, long& error) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::uint32_t type = kRegNone;
        std::uint32_t size = 0;
        error = store.queryValue(key, name, type, nullptr, size);
        if (error != kRegOk) return std::nullopt;
        std::vector<std::uint8_t> data(std::max<std::uint32_t>(size, 1));  // never a size-only query
        std::uint32_t got = static_cast<std::uint32_t>(data.size());
        error = store.queryValue(key, name, type, data.data(), got);
        if (error == kRegMoreData) continue;
        if (error != kRegOk) return std::nullopt;
        data.resize(std::min<std::size_t>(got, size));
        return decodeSetting(type, data);
    }
    return std::nullopt;
}

}  // namespace

SettingValue decodeSetting(std::uint32_t type, std::span<const std::uint8_t> data) {
    if (type == kRegDword && data.size() == 4 && data[1] == 0 && data[2] == 0 && data[3] == 0) {
        if (data[0] == 0) return SettingValue::shown();
        if (data[0] == 1) return SettingValue::hidden();
    }
    return SettingValue::other(type, {data.begin(), data.end()});
}

SettingChanges allSettings(const DialogSettings& settings) {
    SettingChanges changes;
    for (std::size_t i = 0; i < kDialogSettingCount; ++i) changes[i] = settings.values[i];
    return changes;
}

DialogSettings loadDialogSettings(PlacesBarStore& store) {
    DialogSettings settings;
    StoreKey key(store);
    const long opened = store.openKey(kCurrentUserRoot, comDlg32Path(), key.put());
    if (opened == kRegFileNotFound) return settings;
    if (opened != kRegOk || !key) {
        settings.unreadable = true;
        return settings;
    }
    for (DialogSetting setting : kDialogSettings) {
        long error = kRegOk;
        if (auto value = readSetting(store, key.get(), namesOf(setting).valueName, error)) {
            settings[setting] = std::move(*value);
        } else if (error != kRegFileNotFound) {
            settings.unreadable = true;
        }
    }
    return settings;
}

}  // namespace ql
