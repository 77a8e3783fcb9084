#include "store/store_contract_test.h"

#include "common/utf16_bytes.h"
#include "store/places_bar.h"
#include "store/places_bar_snapshot.h"
#include "store/places_codec.h"

#include <algorithm>
#include <array>
#include <climits>
#include <vector>

namespace ql {
namespace {

struct Read {
    long result = -1;
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;
};

// Size first, then the data, as the loader reads.
Read readValue(PlacesBarStore& store, RegKey key, std::u16string_view name) {
    Read read;
    std::uint32_t size = 0;
    read.result = store.queryValue(key, name, read.type, nullptr, size);
    if (read.result != kRegOk) return read;
    read.data.resize(size);
    read.result = store.queryValue(key, name, read.type, read.data.data(), size);
    read.data.resize(size);
    return read;
}

long setBytes(PlacesBarStore& store, RegKey key, std::u16string_view name, std::uint32_t type,
              const std::vector<std::uint8_t>& data) {
    return store.setValue(key, name, type, data.data(), static_cast<std::uint32_t>(data.size()));
}

TEST_P(StoreContract, OpeningAMissingKeyFailsWithFileNotFoundAndNoKey) {
    RegKey key = 0;
    EXPECT_EQ(store().openKey(kCurrentUserRoot, placesBarPath(), key), kRegFileNotFound);
    EXPECT_EQ(key, 0u);
}

TEST_P(StoreContract, CreateMakesEveryMissingLevelAndReopensAnExistingKeyWithItsValues) {
    StoreKey created(store());
    ASSERT_EQ(store().createKey(kCurrentUserRoot, u"QlContract\\Level1\\Level2", kAllRights, created.put()), kRegOk);
    ASSERT_TRUE(created);
    ASSERT_EQ(setBytes(store(), created.get(), u"Kept", kRegDword, {7, 0, 0, 0}), kRegOk);
    created.reset();

    StoreKey again(store());
    ASSERT_EQ(store().createKey(kCurrentUserRoot, u"QlContract\\Level1\\Level2", kAllRights, again.put()), kRegOk);
    EXPECT_EQ(readValue(store(), again.get(), u"Kept").data, (std::vector<std::uint8_t>{7, 0, 0, 0}));

    StoreKey opened(store());
    EXPECT_EQ(store().openKey(kCurrentUserRoot, u"qlcontract\\LEVEL1\\level2", opened.put()), kRegOk);
    EXPECT_TRUE(opened);
}

TEST_P(StoreContract, AQueryWithoutBufferReportsTypeAndSizeAndNamesIgnoreCase) {
    StoreKey key(store());
    ASSERT_EQ(store().createKey(kCurrentUserRoot, u"QlContract", kAllRights, key.put()), kRegOk);
    const auto text = utf16leBytes(u"C:\\Work", true);
    ASSERT_EQ(setBytes(store(), key.get(), u"Place0", kRegSz, text), kRegOk);

    std::uint32_t type = kRegNone;
    std::uint32_t size = 0;
    EXPECT_EQ(store().queryValue(key.get(), u"PLACE0", type, nullptr, size), kRegOk);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(size, text.size());
    EXPECT_EQ(store().queryValue(key.get(), u"Place1", type, nullptr, size), kRegFileNotFound);
}

TEST_P(StoreContract, ATooSmallBufferGivesMoreDataAndTheNeededSizeAndIsNotOverrun) {
    StoreKey key(store());
    ASSERT_EQ(store().createKey(kCurrentUserRoot, u"QlContract", kAllRights, key.put()), kRegOk);
    const auto text = utf16leBytes(u"abcdef", true);
    ASSERT_EQ(setBytes(store(), key.get(), u"Place0", kRegSz, text), kRegOk);

    std::array<std::uint8_t, 32> buffer{};
    buffer.fill(0xCC);
    std::uint32_t type = kRegNone;
    std::uint32_t size = 4;
    EXPECT_EQ(store().queryValue(key.get(), u"Place0", type, buffer.data(), size), kRegMoreData);
    EXPECT_EQ(size, text.size());
    for (std::size_t i = 4; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], 0xCC) << "byte " << i;

    size = 0;
    EXPECT_EQ(store().queryValue(key.get(), u"Place0", type, buffer.data(), size), kRegMoreData);
    EXPECT_EQ(size, text.size());
    EXPECT_EQ(buffer[0], 0xCC);
}

TEST_P(StoreContract, ValuesKeepTheirTypeAndExactBytes) {
    StoreKey key(store());
    ASSERT_EQ(store().createKey(kCurrentUserRoot, u"QlContract", kAllRights, key.put()), kRegOk);
    auto odd = utf16leBytes(u"C:\\B", false);
    odd.push_back('x');
    const struct {
        const char16_t* name;
        std::uint32_t type;
        std::vector<std::uint8_t> data;
    } values[] = {
        {u"SzWithoutNul", kRegSz, utf16leBytes(u"C:\\A", false)},
        {u"SzOddSize", kRegSz, odd},
        {u"SzEmpty", kRegSz, {}},
        {u"DwordShort", kRegDword, {1, 2}},
        {u"DwordLong", kRegDword, {1, 2, 3, 4, 5, 6, 7, 8}},
        {u"Binary", kRegBinary, {0, 255, 0}},
    };
    for (const auto& value : values) ASSERT_EQ(setBytes(store(), key.get(), value.name, value.type, value.data), kRegOk);
    for (const auto& value : values) {
        Read read = readValue(store(), key.get(), value.name);
        EXPECT_EQ(read.result, kRegOk);
        EXPECT_EQ(read.type, value.type);
        // The registry may hand out a string stored without its NUL with one added, where the
        // buffer has room for it; the loader takes either.
        const bool addedNul = value.type == kRegSz && read.data.size() == value.data.size() + 2 &&
                              read.data[read.data.size() - 1] == 0 && read.data[read.data.size() - 2] == 0;
        if (addedNul) read.data.resize(value.data.size());
        EXPECT_EQ(read.data, value.data) << "value " << std::string(value.name, value.name + std::char_traits<char16_t>::length(value.name));
    }

    ASSERT_EQ(setBytes(store(), key.get(), u"DwordLong", kRegSz, utf16leBytes(u"now text", true)), kRegOk);
    EXPECT_EQ(readValue(store(), key.get(), u"DwordLong").type, kRegSz);
}

TEST_P(StoreContract, DeleteRemovesAKeyWithItsValuesButNotOneWithSubKeys) {
    {
        StoreKey key(store());
        ASSERT_EQ(store().createKey(kCurrentUserRoot, u"QlContract\\Gone", kAllRights, key.put()), kRegOk);
        ASSERT_EQ(setBytes(store(), key.get(), u"Place0", kRegDword, {5, 0, 0, 0}), kRegOk);
        StoreKey child(store());
        ASSERT_EQ(store().createKey(kCurrentUserRoot, u"QlContract\\Parent\\Child", kAllRights, child.put()), kRegOk);
    }
    StoreKey parent(store());
    ASSERT_EQ(store().openKey(kCurrentUserRoot, u"QlContract", parent.put()), kRegOk);
    EXPECT_EQ(store().deleteKey(parent.get(), u"Gone"), kRegOk);
    RegKey reopened = 0;
    EXPECT_EQ(store().openKey(parent.get(), u"Gone", reopened), kRegFileNotFound);
    EXPECT_EQ(store().deleteKey(parent.get(), u"Gone"), kRegFileNotFound);
    EXPECT_EQ(store().deleteKey(parent.get(), u"Parent"), kRegAccessDenied);
}

TEST_P(StoreContract, AKeyDeletedWhileOpenRefusesFurtherWork) {
    StoreKey parent(store());
    ASSERT_EQ(store().createKey(kCurrentUserRoot, u"QlContract", kAllRights, parent.put()), kRegOk);
    StoreKey doomed(store());
    ASSERT_EQ(store().createKey(parent.get(), u"Doomed", kAllRights, doomed.put()), kRegOk);
    ASSERT_EQ(store().deleteKey(parent.get(), u"Doomed"), kRegOk);

    EXPECT_EQ(setBytes(store(), doomed.get(), u"Place0", kRegDword, {5, 0, 0, 0}), kRegKeyDeleted);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    EXPECT_EQ(store().queryValue(doomed.get(), u"Place0", type, nullptr, size), kRegKeyDeleted);
    std::u16string name;
    std::vector<std::uint8_t> data;
    EXPECT_EQ(store().enumValue(doomed.get(), 0, name, type, data), kRegKeyDeleted);
}

TEST_P(StoreContract, EnumeratingGivesEveryValueOnceWithItsNameTypeAndExactBytes) {
    StoreKey key(store());
    ASSERT_EQ(store().createKey(kCurrentUserRoot, u"QlContract", kAllRights, key.put()), kRegOk);
    const std::vector<StoredValue> values = {{u"Place0", kRegExpandSz, utf16leBytes(u"%SystemRoot%", true)},
                                             {u"Empty", kRegBinary, {}},
                                             {u"Big", kRegBinary, std::vector<std::uint8_t>(70000, 0x5A)}};
    for (const auto& value : values) ASSERT_EQ(setBytes(store(), key.get(), value.name, value.type, value.data), kRegOk);

    std::vector<StoredValue> seen;
    StoredValue value;
    while (store().enumValue(key.get(), static_cast<std::uint32_t>(seen.size()), value.name, value.type, value.data) == kRegOk) {
        seen.push_back(value);
    }
    EXPECT_EQ(store().enumValue(key.get(), static_cast<std::uint32_t>(seen.size()), value.name, value.type, value.data),
              kRegNoMoreItems);
    ASSERT_EQ(seen.size(), values.size());
    for (const auto& expected : values) EXPECT_NE(std::ranges::find(seen, expected), seen.end());
}

TEST_P(StoreContract, AClosedKeyIsNoLongerValid) {
    RegKey key = 0;
    ASSERT_EQ(store().createKey(kCurrentUserRoot, u"QlContract", kAllRights, key), kRegOk);
    EXPECT_EQ(store().closeKey(key), kRegOk);
    EXPECT_EQ(store().closeKey(key), kRegInvalidHandle);
}

TEST_P(PlacesBarOverStore, AFreshProfileGetsThePathCreatedAndEveryPlaceBackExactly) {
    ASSERT_FALSE(loadPlacesBar(store()).customized);
    const std::vector<Place> places = {
        Place::specialFolder(5),
        Place::folderPath(u"C:\\\u65e5\u672c\u8a9e\\\u00e9t\u00e9 \U0001F600"),
        Place::specialFolder(-1),
        Place::folderPath(u"Work: C:\\Odd: name"),
        Place::folderPath(u""),
    };
    const SaveResult saved = savePlacesBar(store(), true, places);
    ASSERT_TRUE(saved.ok()) << saved.error;

    const LoadedPlacesBar loaded = loadPlacesBar(store());
    EXPECT_TRUE(loaded.customized);
    EXPECT_EQ(loaded.places, places);

    StoreKey placesBar(store());
    ASSERT_EQ(store().openKey(kCurrentUserRoot, placesBarPath(), placesBar.put()), kRegOk);
    const Read minusOne = readValue(store(), placesBar.get(), u"Place2");
    EXPECT_EQ(minusOne.type, kRegDword);
    EXPECT_EQ(minusOne.data, (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_P(PlacesBarOverStore, ASavedListLeavesExactlyTheSnapshotItIsRememberedBy) {
    const std::vector<Place> places = {Place::expandablePath(u"%SystemRoot%\\system32"), Place::specialFolder(-7),
                                       Place::folderPath(u"MyDocuments"), Place::folderPath(u"")};
    for (const bool customized : {true, false}) {
        ASSERT_TRUE(savePlacesBar(store(), customized, places).ok());
        EXPECT_TRUE(sameContent(readPlacesBarSnapshot(store()), savedPlacesBarSnapshot(customized, places)))
            << "customized " << customized;
    }
}

TEST_P(PlacesBarOverStore, DefaultsModeRemovesOnlyThePlacesBarAgainAndAgain) {
    ASSERT_TRUE(savePlacesBar(store(), true, {Place::specialFolder(17)}).ok());
    for (int round = 0; round < 2; ++round) {
        const SaveResult saved = savePlacesBar(store(), false, {Place::specialFolder(17)});
        EXPECT_TRUE(saved.ok()) << "round " << round << ": " << saved.error;
        EXPECT_FALSE(loadPlacesBar(store()).customized);
        StoreKey comDlg32(store());
        EXPECT_EQ(store().openKey(kCurrentUserRoot, std::u16string(kPoliciesPath) + u"\\ComDlg32", comDlg32.put()), kRegOk);
    }
}

TEST_P(PlacesBarOverStore, ValuesWrittenByOthersLoadAsTheyMeanAndAreRewrittenClean) {
    {
        StoreKey key(store());
        ASSERT_EQ(store().createKey(kCurrentUserRoot, placesBarPath(), kAllRights, key.put()), kRegOk);
        auto odd = utf16leBytes(u"C:\\Odd", false);
        odd.push_back('!');
        ASSERT_EQ(setBytes(store(), key.get(), u"Place0", kRegSz, utf16leBytes(u"C:\\NoNul", false)), kRegOk);
        ASSERT_EQ(setBytes(store(), key.get(), u"Place1", kRegDword, {5, 0}), kRegOk);
        ASSERT_EQ(setBytes(store(), key.get(), u"Place2", kRegDword, {5, 0, 0, 0, 0, 0, 0, 0}), kRegOk);
        ASSERT_EQ(setBytes(store(), key.get(), u"Place3", kRegSz, odd), kRegOk);
        ASSERT_EQ(setBytes(store(), key.get(), u"Place4", kRegDword, {0xFE, 0xFF, 0xFF, 0xFF}), kRegOk);
        ASSERT_EQ(setBytes(store(), key.get(), u"Place5", kRegDword, {17, 0, 0, 0}), kRegOk);
    }
    const std::vector<Place> expected = {Place::folderPath(u"C:\\NoNul"), Place::folderPath(u"C:\\Odd"),
                                         Place::specialFolder(-2)};
    const LoadedPlacesBar loaded = loadPlacesBar(store());
    ASSERT_TRUE(loaded.customized);
    ASSERT_EQ(loaded.places, expected);

    ASSERT_TRUE(savePlacesBar(store(), true, loaded.places).ok());
    StoreKey key(store());
    ASSERT_EQ(store().openKey(kCurrentUserRoot, placesBarPath(), key.put()), kRegOk);
    EXPECT_EQ(readValue(store(), key.get(), u"Place0").data, utf16leBytes(u"C:\\NoNul", true));
    EXPECT_EQ(readValue(store(), key.get(), u"Place1").data, utf16leBytes(u"C:\\Odd", true));
    EXPECT_EQ(readValue(store(), key.get(), u"Place2").data, (std::vector<std::uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(readValue(store(), key.get(), u"Place3").result, kRegFileNotFound);
    EXPECT_EQ(readValue(store(), key.get(), u"Place5").result, kRegFileNotFound);
    EXPECT_EQ(loadPlacesBar(store()).places, expected);
}

}  // namespace
}  // namespace ql
