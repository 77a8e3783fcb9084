#include "store/places_bar_snapshot.h"

#include "common/text_case.h"
#include "store/places_bar.h"
#include "store/places_codec.h"

#include <algorithm>

namespace ql {
namespace {

bool nameLess(const StoredValue& a, const StoredValue& b) { return lessIgnoringCase(a.name, b.name); }

bool sameValue(const StoredValue& a, const StoredValue& b) {
    return a.type == b.type && a.data == b.data && equalsIgnoringCase(a.name, b.name);
}

PlacesBarSnapshot present(std::vector<StoredValue> values) {
    std::ranges::sort(values, nameLess);
    return {PlacesBarSnapshot::State::Present, std::move(values), {}};
}

}  // namespace

PlacesBarSnapshot readPlacesBarSnapshot(PlacesBarStore& store) {
    StoreKey key(store);
    const long opened = store.openKey(kCurrentUserRoot, placesBarPath(), key.put());
    DialogSettings settings = loadDialogSettings(store);
    if (opened == kRegFileNotFound) return {PlacesBarSnapshot::State::Absent, {}, std::move(settings)};
    if (opened != kRegOk || !key) return {PlacesBarSnapshot::State::Unreadable, {}, std::move(settings)};

    std::vector<StoredValue> values;
    for (std::uint32_t index = 0;; ++index) {
        StoredValue value;
        const long error = store.enumValue(key.get(), index, value.name, value.type, value.data);
        if (error == kRegNoMoreItems) break;
        if (error != kRegOk) return {PlacesBarSnapshot::State::Unreadable, {}, std::move(settings)};
        values.push_back(std::move(value));
    }
    PlacesBarSnapshot snapshot = present(std::move(values));
    snapshot.settings = std::move(settings);
    return snapshot;
}

PlacesBarSnapshot savedPlacesBarSnapshot(bool customized, const std::vector<Place>& places) {
    if (!customized) return {};
    std::vector<StoredValue> values;
    for (std::size_t index = 0; index < places.size(); ++index) {
        EncodedValue encoded = encodePlace(places[index]);
        values.push_back({placeValueName(static_cast<int>(index)), encoded.type, std::move(encoded.data)});
    }
    return present(std::move(values));
}

PlacesBarSnapshot savedSnapshot(const PlacesBarSnapshot& before, const DialogsContent& content) {
    PlacesBarSnapshot saved = content.placesBar ? savedPlacesBarSnapshot(content.placesBar->customized, content.placesBar->places)
                                                : before;
    saved.settings = before.settings;
    for (std::size_t i = 0; i < kDialogSettingCount; ++i) {
        if (content.settings[i]) saved.settings.values[i] = *content.settings[i];
    }
    return saved;
}

bool sameContent(const PlacesBarSnapshot& a, const PlacesBarSnapshot& b) {
    using State = PlacesBarSnapshot::State;
    if (a.state == State::Unreadable || b.state == State::Unreadable || a.state != b.state) return false;
    if (a.settings.unreadable || b.settings.unreadable || a.settings != b.settings) return false;
    return std::ranges::equal(a.values, b.values, sameValue);
}

}  // namespace ql
