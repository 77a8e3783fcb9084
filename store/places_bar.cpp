#include "store/places_bar.h"

#include "store/places_bar_snapshot.h"
#include "store/places_codec.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <vector>

namespace ql {
namespace {

// Reads one value in two steps (type and size, then data); nullopt when it is missing, unusable,
// or grew between the two queries beyond the buffer the first one sized. The byte count a query
// returns is never taken beyond the buffer.
std::optional<Place> readPlace(PlacesBarStore& store, RegKey key, std::u16string_view name) {
    std::uint32_t type = kRegNone;
    std::uint32_t size = 0;
    if (store.queryValue(key, name, type, nullptr, size) != kRegOk) return std::nullopt;

    if (type == kRegDword) {
        if (size != 4) return std::nullopt;
        std::array<std::uint8_t, 4> bits{};
        std::uint32_t got = static_cast<std::uint32_t>(bits.size());
        if (store.queryValue(key, name, type, bits.data(), got) != kRegOk) return std::nullopt;
        return decodePlaceValue(type, std::span(bits).first(std::min<std::size_t>(got, bits.size())));
    }
    if (type == kRegSz || type == kRegExpandSz) {
        // Never a null buffer: the second query must not turn into a size-only query.
        std::vector<std::uint8_t> text(std::max<std::uint32_t>(size, 1));
        std::uint32_t got = size;
        if (store.queryValue(key, name, type, text.data(), got) != kRegOk) return std::nullopt;
        return decodePlaceValue(type, std::span(text).first(std::min<std::size_t>(got, size)));
    }
    return std::nullopt;
}

class SaveSteps {
public:
    explicit SaveSteps(PlacesBarStore& store) : store_(store) {}

    // Records the first failure only: that one is what kept the places bar from being stored.
    bool check(long error, std::u16string_view step) {
        if (error == kRegOk) return true;
        if (result_.ok()) {
            result_.error = error;
            result_.failedStep = step;
        }
        return false;
    }

    bool create(RegKey parent, std::u16string_view subKey, unsigned rights, std::u16string_view step, StoreKey& out) {
        return check(store_.createKey(parent, subKey, rights, out.put()), step);
    }

    SaveResult result() const { return result_; }

private:
    PlacesBarStore& store_;
    SaveResult result_;
};

}  // namespace

std::u16string comDlg32Path() {
    std::u16string path{kPoliciesPath};
    path += u'\\';
    path += kComDlg32;
    return path;
}

std::u16string placesBarPath() {
    std::u16string path = comDlg32Path();
    path += u'\\';
    path += kPlacesBar;
    return path;
}

std::u16string placesBarKeyName() { return std::u16string(kCurrentUserName) + u'\\' + placesBarPath(); }
std::u16string policiesKeyName() { return std::u16string(kCurrentUserName) + u'\\' + std::u16string(kPoliciesPath); }
std::u16string comDlg32KeyName() { return std::u16string(kCurrentUserName) + u'\\' + comDlg32Path(); }

LoadedPlacesBar loadPlacesBar(PlacesBarStore& store) {
    LoadedPlacesBar loaded;
    StoreKey key(store);
    if (store.openKey(kCurrentUserRoot, placesBarPath(), key.put()) != kRegOk || !key) return loaded;

    loaded.customized = true;
    for (int index = 0; index < kMaxPlaces; ++index) {
        if (auto place = readPlace(store, key.get(), placeValueName(index))) loaded.places.push_back(std::move(*place));
    }
    return loaded;
}

namespace {

// Below ComDlg32: replaces PlacesBar by what `wanted` holds, every value under its own name and type.
// The old values never survive: Place5 and up, and anything unreadable, go with the key. When the delete
// fails the old places bar stays whole rather than being overwritten in part. A failed value is
// reported, yet the later ones are still written so that as much as possible is stored.
void writePlacesBar(PlacesBarStore& store, SaveSteps& steps, RegKey comDlg32, bool present,
                    const std::vector<StoredValue>& values) {
    const long deleted = store.deleteKey(comDlg32, kPlacesBar);
    if (deleted != kRegFileNotFound && !steps.check(deleted, kPlacesBar)) return;
    if (!present) return;

    StoreKey placesBar(store);
    if (!steps.create(comDlg32, kPlacesBar, kRightsSetValue, kPlacesBar, placesBar)) return;
    for (const StoredValue& value : values) {
        steps.check(store.setValue(placesBar.get(), value.name, value.type, value.data.data(),
                                   static_cast<std::uint32_t>(value.data.size())),
                    value.name);
    }
}

void writeSetting(PlacesBarStore& store, SaveSteps& steps, RegKey comDlg32, DialogSetting setting,
                  const SettingValue& value) {
    const std::u16string_view name = namesOf(setting).valueName;
    switch (value.state) {
    case SettingValue::State::Shown: {
        const long deleted = store.deleteValue(comDlg32, name);
        if (deleted != kRegFileNotFound) steps.check(deleted, name);
        break;
    }
    case SettingValue::State::Hidden: {
        const std::array<std::uint8_t, 4> one{1, 0, 0, 0};
        steps.check(store.setValue(comDlg32, name, kRegDword, one.data(), 4), name);
        break;
    }
    case SettingValue::State::Other:
        steps.check(store.setValue(comDlg32, name, value.type, value.data.data(),
                                   static_cast<std::uint32_t>(value.data.size())),
                    name);
        break;
    }
}

void writePlacesBar(PlacesBarStore& store, SaveSteps& steps, RegKey comDlg32, const PlacesBarContent& content) {
    std::vector<StoredValue> values;
    for (std::size_t index = 0; index < content.places.size(); ++index) {
        EncodedValue encoded = encodePlace(content.places[index]);
        values.push_back({placeValueName(static_cast<int>(index)), encoded.type, std::move(encoded.data)});
    }
    writePlacesBar(store, steps, comDlg32, content.customized, values);
}

// What a save does to ComDlg32: its values (the settings) and its PlacesBar key.
constexpr unsigned kComDlg32Rights = kRightsSetValue | kRightsCreateSubKey;

// Opens ComDlg32 for writing in one step, creating the path to it as needed: Policies itself is
// written only when ComDlg32 is missing, and then only to create it.
bool createComDlg32(SaveSteps& steps, StoreKey& comDlg32) {
    return steps.create(kCurrentUserRoot, comDlg32Path(), kComDlg32Rights, kComDlg32, comDlg32);
}

}  // namespace

long dialogsWriteCheck(PlacesBarStore& store) {
    const long placesBar = store.probeKey(kCurrentUserRoot, placesBarPath(), kRightsDelete);
    if (placesBar != kRegOk && placesBar != kRegFileNotFound) return placesBar;
    // The deepest key of the path that exists is the one a save writes into or creates below.
    std::u16string path = comDlg32Path();
    unsigned rights = kComDlg32Rights;
    for (;;) {
        const long probed = store.probeKey(kCurrentUserRoot, path, rights);
        const auto cut = path.rfind(u'\\');
        if (probed != kRegFileNotFound) return probed;
        if (cut == std::u16string::npos) return kRegOk;  // the user's own hive
        path.resize(cut);
        rights = kRightsCreateSubKey;
    }
}

SaveResult savePlacesBar(PlacesBarStore& store, bool customized, const std::vector<Place>& places) {
    SaveSteps steps(store);
    StoreKey comDlg32(store);
    if (createComDlg32(steps, comDlg32)) {
        writePlacesBar(store, steps, comDlg32.get(), PlacesBarContent{customized, places});
    }
    return steps.result();
}

SaveResult saveDialogs(PlacesBarStore& store, const DialogsContent& content) {
    PlacesBarSnapshot before = readPlacesBarSnapshot(store);
    if (before.state == PlacesBarSnapshot::State::Unreadable) {
        // What can be put back is what loading finds.
        const LoadedPlacesBar loaded = loadPlacesBar(store);
        DialogSettings settings = std::move(before.settings);
        before = savedPlacesBarSnapshot(loaded.customized, loaded.places);
        before.settings = std::move(settings);
    }

    SaveSteps steps(store);
    StoreKey comDlg32(store);
    if (!createComDlg32(steps, comDlg32)) return steps.result();
    if (content.placesBar) writePlacesBar(store, steps, comDlg32.get(), *content.placesBar);
    for (DialogSetting setting : kDialogSettings) {
        const auto& value = content.settings[static_cast<std::size_t>(setting)];
        if (value && steps.result().ok()) writeSetting(store, steps, comDlg32.get(), setting, *value);
    }
    const SaveResult result = steps.result();
    if (result.ok()) return result;

    // Put back what was there: the first failure is what the user is told, whatever this meets.
    SaveSteps restore(store);
    if (content.placesBar) {
        writePlacesBar(store, restore, comDlg32.get(), before.state == PlacesBarSnapshot::State::Present, before.values);
    }
    if (!before.settings.unreadable) {
        for (DialogSetting setting : kDialogSettings) {
            if (content.settings[static_cast<std::size_t>(setting)]) {
                writeSetting(store, restore, comDlg32.get(), setting, before.settings[setting]);
            }
        }
    }
    return result;
}

}  // namespace ql
