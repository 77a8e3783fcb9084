#include "store/places_bar.h"

#include "common/utf16_bytes.h"
#include "tests/support/memory_places_bar_store.h"
#include "store/places_codec.h"
#include "store/store_contract_test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

namespace ql {
namespace {

using Op = MemoryPlacesBarStore::Op;
using Value = MemoryPlacesBarStore::Value;

const std::u16string kComDlg32Path = std::u16string(kPoliciesPath) + u"\\ComDlg32";
const std::u16string kPlacesBarPath = kComDlg32Path + u"\\PlacesBar";

std::vector<std::uint8_t> dword(std::uint32_t bits) {
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8), static_cast<std::uint8_t>(bits >> 16),
            static_cast<std::uint8_t>(bits >> 24)};
}

void putPlaces(MemoryPlacesBarStore& store, const std::vector<Place>& places) {
    store.putKey(kPlacesBarPath);
    for (std::size_t i = 0; i < places.size(); ++i) {
        const EncodedValue value = encodePlace(places[i]);
        store.putValue(kPlacesBarPath, placeValueName(static_cast<int>(i)), value.type, value.data);
    }
}

std::vector<std::u16string> names(std::initializer_list<const char16_t*> list) { return {list.begin(), list.end()}; }

bool isSubsequence(const std::vector<Place>& part, const std::vector<Place>& whole) {
    auto at = whole.begin();
    for (const Place& place : part) {
        at = std::find(at, whole.end(), place);
        if (at == whole.end()) return false;
        ++at;
    }
    return true;
}

// Every key opened is handed to closeKey once, whatever else happened.
void expectEveryKeyClosedOnce(const MemoryPlacesBarStore& store) {
    EXPECT_TRUE(store.unclosedKeys().empty()) << store.unclosedKeys().size() << " key(s) left open";
    for (const auto& opened : store.calls()) {
        if (opened.opened == 0) continue;
        const auto closes = std::ranges::count_if(
            store.calls(), [&](const auto& call) { return call.op == Op::CloseKey && call.key == opened.opened; });
        EXPECT_EQ(closes, 1) << "key " << opened.opened;
    }
}

class PlacesBarTest : public testing::Test {
protected:
    void TearDown() override { expectEveryKeyClosedOnce(store); }
    MemoryPlacesBarStore store;
};

const std::vector<Place> kFivePlaces = {
    Place::specialFolder(5),
    Place::folderPath(u"C:\\\u65e5\u672c\\\u00e9t\u00e9"),
    Place::specialFolder(-1),
    Place::folderPath(u"Work: C:\\Odd: name"),
    Place::specialFolder(INT32_MIN),
};

// ---- loading ----

using LoadPlacesBar = PlacesBarTest;

TEST_F(LoadPlacesBar, NoPlacesBarKeyMeansDefaults) {
    EXPECT_EQ(loadPlacesBar(store).customized, false);
    store.putKey(kComDlg32Path);
    const LoadedPlacesBar loaded = loadPlacesBar(store);
    EXPECT_FALSE(loaded.customized);
    EXPECT_TRUE(loaded.places.empty());
}

TEST_F(LoadPlacesBar, AKeyWithoutUsableValuesIsACustomizedListWithNoPlaces) {
    store.putKey(kPlacesBarPath);
    LoadedPlacesBar loaded = loadPlacesBar(store);
    EXPECT_TRUE(loaded.customized);
    EXPECT_TRUE(loaded.places.empty());

    store.putValue(kPlacesBarPath, u"Place0", kRegBinary, {1, 2, 3});
    store.putValue(kPlacesBarPath, u"Other", kRegSz, utf16leBytes(u"C:\\Work", true));
    loaded = loadPlacesBar(store);
    EXPECT_TRUE(loaded.customized);
    EXPECT_TRUE(loaded.places.empty());
}

TEST_F(LoadPlacesBar, AKeyThatCannotBeOpenedMeansDefaults) {
    putPlaces(store, kFivePlaces);
    store.failCall(Op::OpenKey, 1, kRegAccessDenied);
    EXPECT_FALSE(loadPlacesBar(store).customized);
}

TEST_F(LoadPlacesBar, ReadsOnlyPlace0ToPlace4InOrderClosingGaps) {
    store.putValue(kPlacesBarPath, u"Place4", kRegSz, utf16leBytes(u"C:\\Four", true));
    store.putValue(kPlacesBarPath, u"Place2", kRegDword, dword(5));
    store.putValue(kPlacesBarPath, u"Place0", kRegSz, utf16leBytes(u"C:\\Zero", true));
    store.putValue(kPlacesBarPath, u"Place5", kRegDword, dword(17));
    store.putValue(kPlacesBarPath, u"Place10", kRegDword, dword(17));
    store.putValue(kPlacesBarPath, u"Place01", kRegDword, dword(17));

    EXPECT_EQ(loadPlacesBar(store).places, (std::vector<Place>{Place::folderPath(u"C:\\Zero"), Place::specialFolder(5),
                                                               Place::folderPath(u"C:\\Four")}));
    std::vector<std::u16string> queried;
    for (const auto& call : store.calls())
        if (call.op == Op::QueryValue && std::ranges::find(queried, call.name) == queried.end()) queried.push_back(call.name);
    EXPECT_EQ(queried, names({u"Place0", u"Place1", u"Place2", u"Place3", u"Place4"}));
}

TEST_F(LoadPlacesBar, RegSzIsTheTextUpToItsFirstNulWhateverItsEnd) {
    auto odd = utf16leBytes(u"C:\\Odd", false);
    odd.push_back('x');
    auto embedded = utf16leBytes(u"C:\\A", true);
    const auto tail = utf16leBytes(u"C:\\B", true);
    embedded.insert(embedded.end(), tail.begin(), tail.end());
    store.putValue(kPlacesBarPath, u"Place0", kRegSz, utf16leBytes(u"C:\\Work", true));
    store.putValue(kPlacesBarPath, u"Place1", kRegSz, utf16leBytes(u"C:\\Work", false));
    store.putValue(kPlacesBarPath, u"Place2", kRegSz, odd);
    store.putValue(kPlacesBarPath, u"Place3", kRegSz, embedded);
    store.putValue(kPlacesBarPath, u"Place4", kRegSz, {});

    EXPECT_EQ(loadPlacesBar(store).places,
              (std::vector<Place>{Place::folderPath(u"C:\\Work"), Place::folderPath(u"C:\\Work"),
                                  Place::folderPath(u"C:\\Odd"), Place::folderPath(u"C:\\A"), Place::folderPath(u"")}));
}

TEST_F(LoadPlacesBar, EveryFourByteRegDwordIsASpecialFolderNegativeOnesIncluded) {
    store.putValue(kPlacesBarPath, u"Place0", kRegDword, dword(0));
    store.putValue(kPlacesBarPath, u"Place1", kRegDword, dword(0xFFFFFFFF));
    store.putValue(kPlacesBarPath, u"Place2", kRegDword, dword(0xFFFFFFFE));
    store.putValue(kPlacesBarPath, u"Place3", kRegDword, dword(0x80000000));
    store.putValue(kPlacesBarPath, u"Place4", kRegDword, dword(0x7FFFFFFF));

    EXPECT_EQ(loadPlacesBar(store).places,
              (std::vector<Place>{Place::specialFolder(0), Place::specialFolder(-1), Place::specialFolder(-2),
                                  Place::specialFolder(INT32_MIN), Place::specialFolder(INT32_MAX)}));
    for (const auto& call : store.calls())
        if (call.op == Op::QueryValue && call.bytes) {
            EXPECT_EQ(*call.bytes, 4u);
        }
}

TEST_F(LoadPlacesBar, RegDwordOfAnotherSizeIsSkippedWithoutReadingItsData) {
    for (std::size_t size : {0u, 1u, 2u, 3u, 5u, 8u, 64u}) {
        store.clearCalls();
        store.putValue(kPlacesBarPath, u"Place0", kRegDword, std::vector<std::uint8_t>(size, 0x11));
        store.putValue(kPlacesBarPath, u"Place1", kRegDword, dword(17));
        EXPECT_EQ(loadPlacesBar(store).places, std::vector<Place>{Place::specialFolder(17)}) << size << " bytes";
        for (const auto& call : store.calls())
            EXPECT_FALSE(call.op == Op::QueryValue && call.name == u"Place0" && call.bytes) << size << " bytes";
    }
}

TEST_F(LoadPlacesBar, OtherValueTypesAreSkipped) {
    const auto text = utf16leBytes(u"C:\\Work", true);
    for (std::uint32_t type : std::initializer_list<std::uint32_t>{kRegNone, kRegBinary, kRegDwordBigEndian,
                                                                    kRegMultiSz, kRegQword, 99u}) {
        store.putValue(kPlacesBarPath, u"Place1", type, text);
        store.putValue(kPlacesBarPath, u"Place3", type, dword(5));
        store.putValue(kPlacesBarPath, u"Place2", kRegDword, dword(17));
        EXPECT_EQ(loadPlacesBar(store).places, std::vector<Place>{Place::specialFolder(17)}) << "type " << type;
    }
}

// Changes one value right after its first query, as another program writing meanwhile would.
class ChangingStore final : public PlacesBarStore {
public:
    ChangingStore(MemoryPlacesBarStore& inner, std::u16string name, Value next)
        : inner_(inner), name_(std::move(name)), next_(std::move(next)) {}

    long openKey(RegKey parent, std::u16string_view subKey, RegKey& out) override {
        return inner_.openKey(parent, subKey, out);
    }
    long queryValue(RegKey key, std::u16string_view name, std::uint32_t& type, std::uint8_t* data,
                    std::uint32_t& size) override {
        const long result = inner_.queryValue(key, name, type, data, size);
        if (!changed_ && name == name_) {
            inner_.putValue(kPlacesBarPath, name_, next_.type, next_.data);
            changed_ = true;
        }
        return result;
    }
    long createKey(RegKey parent, std::u16string_view subKey, unsigned rights, RegKey& out) override {
        return inner_.createKey(parent, subKey, rights, out);
    }
    long probeKey(RegKey parent, std::u16string_view subKey, unsigned rights) override {
        return inner_.probeKey(parent, subKey, rights);
    }
    long deleteKey(RegKey parent, std::u16string_view subKey) override { return inner_.deleteKey(parent, subKey); }
    long setValue(RegKey key, std::u16string_view name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override {
        return inner_.setValue(key, name, type, data, size);
    }
    long deleteValue(RegKey key, std::u16string_view name) override { return inner_.deleteValue(key, name); }
    long closeKey(RegKey key) override { return inner_.closeKey(key); }
    long enumValue(RegKey key, std::uint32_t index, std::u16string& name, std::uint32_t& type,
                   std::vector<std::uint8_t>& data) override {
        return inner_.enumValue(key, index, name, type, data);
    }

private:
    MemoryPlacesBarStore& inner_;
    std::u16string name_;
    Value next_;
    bool changed_ = false;
};

TEST_F(LoadPlacesBar, AValueChangedBetweenItsTwoQueriesIsNeverReadBeyondItsBuffer) {
    const struct {
        const char* what;
        Value before;
        Value after;
        std::vector<Place> expected;
    } cases[] = {
        {"text grew", {kRegSz, utf16leBytes(u"C:\\A", true)}, {kRegSz, utf16leBytes(u"C:\\Much\\Longer", true)}, {}},
        {"text shrank", {kRegSz, utf16leBytes(u"C:\\Long\\Path", true)}, {kRegSz, utf16leBytes(u"C:\\B", false)}, {Place::folderPath(u"C:\\B")}},
        {"number grew", {kRegDword, dword(5)}, {kRegDword, std::vector<std::uint8_t>(8, 1)}, {}},
        {"number became text", {kRegDword, dword(5)}, {kRegSz, utf16leBytes(u"C:\\Long\\Path", true)}, {}},
        {"text became a number", {kRegSz, utf16leBytes(u"C:\\Long\\Path", true)}, {kRegDword, dword(17)}, {Place::specialFolder(17)}},
    };
    for (const auto& c : cases) {
        MemoryPlacesBarStore inner;
        inner.putValue(kPlacesBarPath, u"Place0", c.before.type, c.before.data);
        inner.putValue(kPlacesBarPath, u"Place1", kRegDword, dword(36));
        ChangingStore changing(inner, u"Place0", c.after);
        std::vector<Place> expected = c.expected;
        expected.push_back(Place::specialFolder(36));
        EXPECT_EQ(loadPlacesBar(changing).places, expected) << c.what;
        expectEveryKeyClosedOnce(inner);
    }
}

TEST_F(LoadPlacesBar, AnyFailingCallOnlyLeavesPlacesOut) {
    putPlaces(store, kFivePlaces);
    const LoadedPlacesBar full = loadPlacesBar(store);
    ASSERT_EQ(full.places, kFivePlaces);
    const auto recorded = store.calls();

    for (std::size_t k = 0; k < recorded.size(); ++k) {
        for (long error : {long{kRegAccessDenied}, long{kRegFileNotFound}, long{kRegMoreData}}) {
            SCOPED_TRACE(testing::Message() << "call " << k << " fails with " << error);
            MemoryPlacesBarStore faulty;
            putPlaces(faulty, kFivePlaces);
            faulty.failCall(recorded[k].op, recorded[k].ordinal, error);
            const LoadedPlacesBar loaded = loadPlacesBar(faulty);

            ASSERT_GT(faulty.calls().size(), k);
            EXPECT_EQ(faulty.calls()[k].result, error);
            EXPECT_EQ(loaded.customized, recorded[k].op != Op::OpenKey);
            EXPECT_TRUE(isSubsequence(loaded.places, kFivePlaces));
            EXPECT_GE(loaded.places.size(), recorded[k].op == Op::QueryValue ? kFivePlaces.size() - 1 : 0u);
            expectEveryKeyClosedOnce(faulty);
        }
    }
}

// ---- saving ----

using SavePlacesBar = PlacesBarTest;

TEST_F(SavePlacesBar, WritesPlace0ToPlaceNInListOrder) {
    ASSERT_TRUE(savePlacesBar(store, true, kFivePlaces).ok());

    std::vector<std::u16string> written;
    for (const auto& call : store.calls())
        if (call.op == Op::SetValue) written.push_back(call.name);
    const auto expectedNames = names({u"Place0", u"Place1", u"Place2", u"Place3", u"Place4"});
    EXPECT_EQ(written, expectedNames);
    EXPECT_EQ(store.valueNames(kPlacesBarPath), expectedNames);
    for (std::size_t i = 0; i < kFivePlaces.size(); ++i) {
        const EncodedValue encoded = encodePlace(kFivePlaces[i]);
        EXPECT_EQ(store.value(kPlacesBarPath, expectedNames[i]), (Value{encoded.type, encoded.data}));
    }
}

TEST_F(SavePlacesBar, EveryPlaceComesBackExactlyAsSaved) {
    const std::vector<Place> places = {Place::folderPath(u"A: B: C"), Place::folderPath(u""),
                                       Place::folderPath(u"\\\\server\\share\\\U0001F600"), Place::specialFolder(0),
                                       Place::specialFolder(-1)};
    ASSERT_TRUE(savePlacesBar(store, true, places).ok());
    const LoadedPlacesBar loaded = loadPlacesBar(store);
    EXPECT_TRUE(loaded.customized);
    EXPECT_EQ(loaded.places, places);
    EXPECT_EQ(store.value(kPlacesBarPath, u"Place4"), (Value{kRegDword, dword(0xFFFFFFFF)}));
    EXPECT_EQ(store.value(kPlacesBarPath, u"Place1"), (Value{kRegSz, {0, 0}}));
}

TEST_F(SavePlacesBar, WhatWasLoadedIsStoredAgainWithoutGapsOrStrays) {
    store.putValue(kPlacesBarPath, u"Place0", kRegSz, utf16leBytes(u"C:\\NoNul", false));
    store.putValue(kPlacesBarPath, u"Place1", kRegExpandSz, utf16leBytes(u"%USERPROFILE%", true));
    store.putValue(kPlacesBarPath, u"Place2", kRegDword, dword(5));
    store.putValue(kPlacesBarPath, u"Place5", kRegDword, dword(17));
    store.putValue(kPlacesBarPath, u"Stray", kRegSz, utf16leBytes(u"x", true));

    const LoadedPlacesBar loaded = loadPlacesBar(store);
    ASSERT_TRUE(savePlacesBar(store, loaded.customized, loaded.places).ok());
    EXPECT_EQ(store.valueNames(kPlacesBarPath), names({u"Place0", u"Place1", u"Place2"}));
    EXPECT_EQ(store.value(kPlacesBarPath, u"Place0"), (Value{kRegSz, utf16leBytes(u"C:\\NoNul", true)}));
    EXPECT_EQ(store.value(kPlacesBarPath, u"Place1"), (Value{kRegExpandSz, utf16leBytes(u"%USERPROFILE%", true)}));
    EXPECT_EQ(store.value(kPlacesBarPath, u"Place2"), (Value{kRegDword, dword(5)}));
}

TEST_F(SavePlacesBar, AFreshProfileGetsPoliciesAndComDlg32Created) {
    ASSERT_FALSE(store.hasKey(kPoliciesPath));
    ASSERT_TRUE(savePlacesBar(store, false, kFivePlaces).ok());
    EXPECT_TRUE(store.hasKey(kComDlg32Path));
    EXPECT_FALSE(store.hasKey(kPlacesBarPath));

    MemoryPlacesBarStore fresh;
    ASSERT_TRUE(savePlacesBar(fresh, true, kFivePlaces).ok());
    EXPECT_EQ(loadPlacesBar(fresh).places, kFivePlaces);
    expectEveryKeyClosedOnce(fresh);
}

// Windows lets a user read Policies and write nothing there: a save asks only the deepest key it needs.
TEST_F(SavePlacesBar, AsksTheLeastOfTheDeepestKeyWhenPoliciesIsLocked) {
    store.putKey(kComDlg32Path);
    store.lockKey(kPoliciesPath);
    EXPECT_EQ(dialogsWriteCheck(store), kRegOk);
    EXPECT_TRUE(saveDialogs(store, {PlacesBarContent{true, kFivePlaces}, {SettingValue::hidden()}}).ok());

    store.lockKey(kPlacesBarPath);  // as Windows' inherited DACL leaves it: refused, nothing changes
    EXPECT_EQ(dialogsWriteCheck(store), kRegAccessDenied);
    EXPECT_EQ(saveDialogs(store, {PlacesBarContent{false, {}}, {}}).error, kRegAccessDenied);
    EXPECT_EQ(loadPlacesBar(store).places, kFivePlaces);

    // Without ComDlg32 the check climbs to Policies, and beyond only while that is missing too.
    MemoryPlacesBarStore bare, fresh;
    bare.lockKey(kPoliciesPath);
    EXPECT_EQ(dialogsWriteCheck(bare), kRegAccessDenied);
    EXPECT_EQ(dialogsWriteCheck(fresh), kRegOk);
}

TEST_F(SavePlacesBar, LeavesEverythingElseUnderPoliciesAndComDlg32Alone) {
    const std::u16string explorer = std::u16string(kPoliciesPath) + u"\\Explorer";
    store.putValue(explorer, u"NoRun", kRegDword, dword(1));
    store.putValue(kComDlg32Path, u"NoBackButton", kRegDword, dword(1));
    store.putKey(kComDlg32Path + u"\\Other");
    putPlaces(store, kFivePlaces);

    for (bool customized : {true, false, true}) {
        ASSERT_TRUE(savePlacesBar(store, customized, {Place::specialFolder(17)}).ok());
        EXPECT_EQ(store.value(explorer, u"NoRun"), (Value{kRegDword, dword(1)}));
        EXPECT_EQ(store.value(kComDlg32Path, u"NoBackButton"), (Value{kRegDword, dword(1)}));
        EXPECT_TRUE(store.hasKey(kComDlg32Path + u"\\Other"));
        EXPECT_EQ(store.hasKey(kPlacesBarPath), customized);
    }
    for (const auto& call : store.calls())
        if (call.op == Op::DeleteKey) {
            EXPECT_TRUE(call.name == u"PlacesBar") << "only PlacesBar is ever deleted";
        }
}

TEST_F(SavePlacesBar, DefaultsModeDeletesThePlacesBarAndASecondTimeStillSucceeds) {
    putPlaces(store, kFivePlaces);
    for (int round = 0; round < 2; ++round) {
        const SaveResult saved = savePlacesBar(store, false, kFivePlaces);
        EXPECT_TRUE(saved.ok()) << "round " << round;
        EXPECT_FALSE(loadPlacesBar(store).customized);
    }
}

TEST_F(SavePlacesBar, ACustomizedListWithNoPlacesLeavesAnEmptyKey) {
    putPlaces(store, kFivePlaces);
    ASSERT_TRUE(savePlacesBar(store, true, {}).ok());
    EXPECT_TRUE(store.hasKey(kPlacesBarPath));
    EXPECT_TRUE(store.valueNames(kPlacesBarPath).empty());
    const LoadedPlacesBar loaded = loadPlacesBar(store);
    EXPECT_TRUE(loaded.customized);
    EXPECT_TRUE(loaded.places.empty());
}

TEST_F(SavePlacesBar, APlacesBarThatCannotBeDeletedIsReportedAndKeptWhole) {
    putPlaces(store, kFivePlaces);
    store.putKey(kPlacesBarPath + u"\\Unexpected");
    const SaveResult saved = savePlacesBar(store, true, {Place::specialFolder(17)});
    EXPECT_EQ(saved.error, kRegAccessDenied);
    EXPECT_EQ(saved.failedStep, u"PlacesBar");
    EXPECT_EQ(loadPlacesBar(store).places, kFivePlaces);
}

TEST_F(SavePlacesBar, ReportsTheFirstFailureAndTheKeyOrValueItHit) {
    const std::vector<Place> old = {Place::specialFolder(36), Place::folderPath(u"C:\\Old")};
    const struct {
        std::vector<std::pair<Op, std::size_t>> failing;
        long error;
        const char16_t* step;
        LoadedPlacesBar after;  // what the registry holds afterwards
    } cases[] = {
        {{{Op::CreateKey, 1}}, kRegAccessDenied, u"ComDlg32", {true, old}},
        {{{Op::DeleteKey, 1}}, kRegAccessDenied, u"PlacesBar", {true, old}},
        {{{Op::CreateKey, 2}}, kRegAccessDenied, u"PlacesBar", {false, {}}},
        {{{Op::SetValue, 3}}, kRegAccessDenied, u"Place2",
         {true, {kFivePlaces[0], kFivePlaces[1], kFivePlaces[3], kFivePlaces[4]}}},
        {{{Op::SetValue, 2}, {Op::SetValue, 4}}, kRegInvalidParameter, u"Place1",
         {true, {kFivePlaces[0], kFivePlaces[2], kFivePlaces[4]}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "first failing: op " << static_cast<int>(c.failing[0].first) << " #"
                                        << c.failing[0].second);
        MemoryPlacesBarStore faulty;
        putPlaces(faulty, old);
        for (const auto& [op, ordinal] : c.failing) faulty.failCall(op, ordinal, c.error);
        const SaveResult saved = savePlacesBar(faulty, true, kFivePlaces);
        EXPECT_FALSE(saved.ok());
        EXPECT_EQ(saved.error, c.error);
        EXPECT_EQ(saved.failedStep, c.step);
        faulty.clearFailures();
        const LoadedPlacesBar after = loadPlacesBar(faulty);
        EXPECT_EQ(after.customized, c.after.customized);
        EXPECT_EQ(after.places, c.after.places);
        expectEveryKeyClosedOnce(faulty);
    }
}

TEST_F(SavePlacesBar, AFailingCloseDoesNotFailTheSave) {
    store.failEveryCall(Op::CloseKey, kRegInvalidHandle);
    EXPECT_TRUE(savePlacesBar(store, true, kFivePlaces).ok());
    store.clearFailures();
    EXPECT_EQ(loadPlacesBar(store).places, kFivePlaces);
}

// For every call a save makes, that one call fails: the save either stores the whole list or says
// it did not. Run from a fresh profile and from a stored places bar, in both modes.
TEST(SavePlacesBarInjectedFaults, EveryCallFailingEndsInTheFullListOrAReportedFailure) {
    const std::vector<Place> old = {Place::folderPath(u"C:\\Old0"), Place::folderPath(u"C:\\Old1"),
                                    Place::specialFolder(36), Place::specialFolder(38), Place::folderPath(u"C:\\Old4")};
    const std::u16string explorer = std::u16string(kPoliciesPath) + u"\\Explorer";
    auto freshProfile = [](MemoryPlacesBarStore&) {};
    auto storedBar = [&](MemoryPlacesBarStore& s) {
        putPlaces(s, old);
        s.putValue(kPlacesBarPath, u"Place7", kRegDword, dword(17));
        s.putValue(explorer, u"NoRun", kRegDword, dword(1));
    };
    const struct {
        const char* name;
        std::function<void(MemoryPlacesBarStore&)> prepare;
        bool customized;
        std::vector<Place> places;
    } scenarios[] = {
        {"fresh profile, five places", freshProfile, true, kFivePlaces},
        {"fresh profile, defaults", freshProfile, false, kFivePlaces},
        {"stored bar, three places", storedBar, true, {kFivePlaces[3], kFivePlaces[2], kFivePlaces[0]}},
        {"stored bar, no places", storedBar, true, {}},
        {"stored bar, defaults", storedBar, false, kFivePlaces},
    };

    std::size_t injected = 0;
    for (const auto& scenario : scenarios) {
        MemoryPlacesBarStore clean;
        scenario.prepare(clean);
        const bool barExisted = clean.hasKey(kPlacesBarPath);
        ASSERT_TRUE(savePlacesBar(clean, scenario.customized, scenario.places).ok()) << scenario.name;
        const auto recorded = clean.calls();

        for (std::size_t k = 0; k < recorded.size(); ++k) {
            for (long error : {long{kRegAccessDenied}, long{kRegFileNotFound}}) {
                // A delete answering "no such key" for a key that is there cannot happen.
                if (recorded[k].op == Op::DeleteKey && error == kRegFileNotFound && barExisted) continue;
                SCOPED_TRACE(testing::Message() << scenario.name << ": call " << k << " (op "
                                                << static_cast<int>(recorded[k].op) << ") fails with " << error);
                MemoryPlacesBarStore faulty;
                scenario.prepare(faulty);
                faulty.failCall(recorded[k].op, recorded[k].ordinal, error);
                const SaveResult saved = savePlacesBar(faulty, scenario.customized, scenario.places);
                ++injected;

                ASSERT_GT(faulty.calls().size(), k);
                EXPECT_EQ(faulty.calls()[k].result, error) << "the fault was not injected";
                expectEveryKeyClosedOnce(faulty);
                faulty.clearFailures();
                const LoadedPlacesBar after = loadPlacesBar(faulty);
                if (saved.ok()) {
                    EXPECT_EQ(after.customized, scenario.customized);
                    if (scenario.customized) {
                        EXPECT_EQ(after.places, scenario.places);
                    }
                } else {
                    EXPECT_EQ(saved.error, error);
                    EXPECT_FALSE(saved.failedStep.empty());
                }
                if (barExisted) {
                    EXPECT_EQ(faulty.value(explorer, u"NoRun"), (Value{kRegDword, dword(1)}));
                }
            }
        }
    }
    EXPECT_GT(injected, 50u);
}

// ---- the in-memory store itself ----

struct MemoryStore final : StoreUnderTest {
    PlacesBarStore& store() override { return memory; }
    MemoryPlacesBarStore memory;
};

INSTANTIATE_TEST_SUITE_P(Memory, StoreContract,
                         testing::Values(StoreKind{"Memory", [] { return std::make_unique<MemoryStore>(); }}),
                         storeKindName);
INSTANTIATE_TEST_SUITE_P(Memory, PlacesBarOverStore,
                         testing::Values(StoreKind{"Memory", [] { return std::make_unique<MemoryStore>(); }}),
                         storeKindName);

TEST(MemoryPlacesBarStore, FailsExactlyTheCallItIsToldToAndRecordsEveryCall) {
    MemoryPlacesBarStore store;
    store.putKey(u"A");
    store.failCall(Op::OpenKey, 2, kRegAccessDenied);
    RegKey first = 0;
    RegKey second = 123;
    RegKey third = 0;
    EXPECT_EQ(store.openKey(kCurrentUserRoot, u"A", first), kRegOk);
    EXPECT_EQ(store.openKey(kCurrentUserRoot, u"A", second), kRegAccessDenied);
    EXPECT_EQ(second, 0u);
    EXPECT_EQ(store.openKey(kCurrentUserRoot, u"A", third), kRegOk);
    EXPECT_NE(first, third);

    ASSERT_EQ(store.calls().size(), 3u);
    EXPECT_EQ(store.calls()[1].ordinal, 2u);
    EXPECT_EQ(store.calls()[1].result, kRegAccessDenied);
    EXPECT_EQ(store.calls()[2].opened, third);
    EXPECT_EQ(store.opens(), 2u);
    EXPECT_EQ(store.unclosedKeys(), (std::vector<RegKey>{first, third}));

    store.failEveryCall(Op::CloseKey, kRegInvalidHandle);
    EXPECT_EQ(store.closeKey(first), kRegInvalidHandle);
    store.clearFailures();
    EXPECT_EQ(store.closeKey(third), kRegOk);
    EXPECT_TRUE(store.unclosedKeys().empty());  // a close was attempted for each
    EXPECT_EQ(store.closes(), 1u);

    store.clearCalls();
    store.failCall(Op::CloseKey, 1, kRegAccessDenied);
    EXPECT_EQ(store.closeKey(first), kRegAccessDenied);
    EXPECT_EQ(store.calls().front().ordinal, 1u);
}

TEST(MemoryPlacesBarStore, AFailedCallChangesNothing) {
    MemoryPlacesBarStore store;
    store.putValue(u"A", u"V", kRegDword, dword(5));
    for (Op op : MemoryPlacesBarStore::kAllOps) store.failEveryCall(op, kRegAccessDenied);

    RegKey key = 0;
    EXPECT_EQ(store.createKey(kCurrentUserRoot, u"B", kAllRights, key), kRegAccessDenied);
    EXPECT_EQ(store.deleteKey(kCurrentUserRoot, u"A"), kRegAccessDenied);
    EXPECT_EQ(store.setValue(kCurrentUserRoot, u"W", kRegDword, dword(1).data(), 4), kRegAccessDenied);
    std::uint32_t type = 77;
    std::uint32_t size = 77;
    EXPECT_EQ(store.queryValue(kCurrentUserRoot, u"V", type, nullptr, size), kRegAccessDenied);
    EXPECT_EQ(type, 77u);
    EXPECT_EQ(size, 77u);
    EXPECT_FALSE(store.hasKey(u"B"));
    EXPECT_EQ(store.value(u"A", u"V"), (Value{kRegDword, dword(5)}));
    EXPECT_FALSE(store.value(u"", u"W"));
    EXPECT_EQ(store.opens(), 0u);
}

}  // namespace
}  // namespace ql
