#include "store/places_bar.h"

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

    bool create(RegKey parent, std::u16string_view subKey, std::u16string_view step, StoreKey& out) {
        return check(store_.createKey(parent, subKey, out.put()), step);
    }

    SaveResult result() const { return result_; }

private:
    PlacesBarStore& store_;
    SaveResult result_;
};

}  // namespace

std::u16string placesBarPath() {
    std::u16string path{kPoliciesPath};
    path += u'\\';
    path += kComDlg32;
    path += u'\\';
    path += kPlacesBar;
    return path;
}

std::u16string placesBarKeyName() { return std::u16string(kCurrentUserName) + u'\\' + placesBarPath(); }

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

SaveResult savePlacesBar(PlacesBarStore& store, bool customized, const std::vector<Place>& places) {
    SaveSteps steps(store);

    StoreKey policies(store);
    if (!steps.create(kCurrentUserRoot, kPoliciesPath, u"Policies", policies)) return steps.result();
    StoreKey comDlg32(store);
    if (!steps.create(policies.get(), kComDlg32, kComDlg32, comDlg32)) return steps.result();

    // The old values never survive a save: Place5 and up, and anything unreadable, go with the key.
    // When the delete fails the old places bar stays whole rather than being overwritten in part.
    const long deleted = store.deleteKey(comDlg32.get(), kPlacesBar);
    if (deleted != kRegFileNotFound && !steps.check(deleted, kPlacesBar)) return steps.result();
    if (!customized) return steps.result();

    StoreKey placesBar(store);
    if (!steps.create(comDlg32.get(), kPlacesBar, kPlacesBar, placesBar)) return steps.result();
    for (std::size_t index = 0; index < places.size(); ++index) {
        const std::u16string name = placeValueName(static_cast<int>(index));
        const EncodedValue value = encodePlace(places[index]);
        // A failed value is reported, yet the later ones are still written so that as much as possible is stored.
        steps.check(store.setValue(placesBar.get(), name, value.type, value.data.data(),
                                   static_cast<std::uint32_t>(value.data.size())),
                    name);
    }
    return steps.result();
}

}  // namespace ql
