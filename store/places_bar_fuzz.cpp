// libFuzzer target: whatever the registry holds under PlacesBar and whichever registry calls fail,
// loading never crashes, never shows more than five places nor one that is not stored, and saving
// what was loaded either stores exactly that list or says that it did not.
#include "tests/support/memory_places_bar_store.h"
#include "store/places_bar.h"
#include "store/places_codec.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

using ql::MemoryPlacesBarStore;
using ql::Place;
using Op = MemoryPlacesBarStore::Op;

const std::u16string kPlacesBarPath =
    std::u16string(ql::kPoliciesPath) + u"\\" + std::u16string(ql::kComDlg32) + u"\\" + std::u16string(ql::kPlacesBar);

// Larger than any path, so that oversized text values are tried too, yet small enough to stay fast.
constexpr std::size_t kMaxValueBytes = 70000;

[[noreturn]] void fault(const char* what) {
    std::fprintf(stderr, "places bar fuzz: %s\n", what);
    std::abort();
}

void check(bool holds, const char* what) {
    if (!holds) fault(what);
}

std::u16string valueName(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0:
    case 1: return ql::placeValueName(input.ConsumeIntegralInRange(0, 9));
    case 2: {
        // The registry compares names regardless of case.
        std::u16string name = u"PLACE";
        name += static_cast<char16_t>(u'0' + input.ConsumeIntegralInRange(0, 9));
        return name;
    }
    default: {
        std::u16string name;
        for (std::size_t n = input.ConsumeIntegralInRange<std::size_t>(0, 12); n > 0; --n)
            name += input.ConsumeIntegral<char16_t>();
        return name;
    }
    }
}

std::uint32_t valueType(FuzzedDataProvider& input) {
    static constexpr std::array<std::uint32_t, 8> kTypes = {ql::kRegSz,     ql::kRegDword,  ql::kRegSz,
                                                             ql::kRegDword,  ql::kRegExpandSz, ql::kRegBinary,
                                                             ql::kRegMultiSz, ql::kRegQword};
    return input.ConsumeBool() ? input.PickValueInArray(kTypes) : input.ConsumeIntegral<std::uint32_t>();
}

std::vector<std::uint8_t> valueData(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0: return input.ConsumeBytes<std::uint8_t>(4);
    case 1: {
        // Long runs of non-NUL text: the shape of an oversized path.
        const auto size = input.ConsumeIntegralInRange<std::size_t>(0, kMaxValueBytes);
        const auto fill = input.ConsumeIntegralInRange<std::uint8_t>(1, 255);
        return std::vector<std::uint8_t>(size, fill);
    }
    default: return input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(0, 600));
    }
}

long registryError(FuzzedDataProvider& input) {
    static constexpr std::array<long, 6> kErrors = {ql::kRegAccessDenied, ql::kRegFileNotFound, ql::kRegMoreData,
                                                    ql::kRegInvalidHandle, ql::kRegKeyDeleted,  ql::kRegBadPathname};
    if (input.ConsumeBool()) return input.PickValueInArray(kErrors);
    const long error = input.ConsumeIntegral<std::int32_t>();
    return error == ql::kRegOk ? ql::kRegAccessDenied : error;
}

// Up to four failing calls; ordinal 0 fails every call of the operation.
void injectFailures(FuzzedDataProvider& input, MemoryPlacesBarStore& store) {
    for (int n = input.ConsumeIntegralInRange(0, 4); n > 0; --n) {
        const Op op = MemoryPlacesBarStore::kAllOps[input.ConsumeIntegralInRange<std::size_t>(0, MemoryPlacesBarStore::kAllOps.size() - 1)];
        const auto ordinal = input.ConsumeIntegralInRange<std::size_t>(0, 12);
        long error = registryError(input);
        // A registry answers "not found" to a delete only when the key is not there, and then the
        // store answers so itself: an injected one would stand for a key that is gone and is not.
        if (op == Op::DeleteKey && error == ql::kRegFileNotFound) error = ql::kRegAccessDenied;
        if (ordinal == 0) store.failEveryCall(op, error);
        else store.failCall(op, ordinal, error);
    }
}

// What loading must find when no call fails: the valid values among Place0..Place4, in order.
std::vector<Place> storedPlaces(const MemoryPlacesBarStore& store) {
    std::vector<Place> places;
    for (int index = 0; index < ql::kMaxPlaces; ++index) {
        const auto value = store.value(kPlacesBarPath, ql::placeValueName(index));
        if (!value) continue;
        if (auto place = ql::decodePlaceValue(value->type, value->data)) places.push_back(std::move(*place));
    }
    return places;
}

bool isSubsequence(const std::vector<Place>& part, const std::vector<Place>& whole) {
    std::size_t at = 0;
    for (const Place& place : part) {
        while (at < whole.size() && !(whole[at] == place)) ++at;
        if (at == whole.size()) return false;
        ++at;
    }
    return true;
}

// Stored as a clean list: Place0..Place<n-1> and nothing else, each the exact encoding of its place.
bool storedExactly(const MemoryPlacesBarStore& store, const std::vector<Place>& places) {
    const auto names = store.valueNames(kPlacesBarPath);
    if (names.size() != places.size()) return false;
    for (std::size_t i = 0; i < places.size(); ++i) {
        const auto value = store.value(kPlacesBarPath, ql::placeValueName(static_cast<int>(i)));
        const ql::EncodedValue encoded = ql::encodePlace(places[i]);
        if (!value || value->type != encoded.type || value->data != encoded.data) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    MemoryPlacesBarStore store;

    const bool keyPresent = input.ConsumeBool();
    if (keyPresent) {
        store.putKey(kPlacesBarPath);
        // A sub-key keeps the registry from deleting PlacesBar.
        if (input.ConsumeBool()) store.putKey(kPlacesBarPath + u"\\Sub");
        for (int n = input.ConsumeIntegralInRange(0, 12); n > 0; --n) {
            const std::u16string name = valueName(input);
            const std::uint32_t type = valueType(input);
            store.putValue(kPlacesBarPath, name, type, valueData(input));
        }
    }
    const std::vector<Place> valid = storedPlaces(store);

    const ql::LoadedPlacesBar clean = ql::loadPlacesBar(store);
    check(clean.customized == keyPresent, "the mode does not follow the key");
    check(clean.places == valid, "loading did not find exactly the valid places");
    check(store.unclosedKeys().empty(), "load left a key open");

    store.clearCalls();
    injectFailures(input, store);
    const ql::LoadedPlacesBar loaded = ql::loadPlacesBar(store);
    check(store.unclosedKeys().empty(), "a failing load left a key open");
    check(keyPresent || !loaded.customized, "a missing key loaded as a customized list");
    check(loaded.customized || loaded.places.empty(), "places loaded in defaults mode");
    check(isSubsequence(loaded.places, valid), "a failing load made up a place or changed the order");

    store.clearFailures();
    store.clearCalls();
    injectFailures(input, store);
    const ql::SaveResult saved = ql::savePlacesBar(store, loaded.customized, loaded.places);
    check(store.unclosedKeys().empty(), "save left a key open");

    store.clearFailures();
    store.clearCalls();
    const ql::LoadedPlacesBar after = ql::loadPlacesBar(store);
    if (saved.ok()) {
        check(after.customized == loaded.customized, "a successful save stored the other mode");
        if (loaded.customized) {
            check(after.places == loaded.places, "a successful save lost or changed a place");
            check(storedExactly(store, loaded.places), "a successful save left stray or unclean values");
        }
    } else {
        check(saved.error != ql::kRegOk && !saved.failedStep.empty(), "a failed save does not say where");
    }
    return 0;
}
