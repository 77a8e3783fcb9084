#include "store/places_bar_snapshot.h"

#include "common/utf16_bytes.h"
#include "store/memory_places_bar_store.h"
#include "store/places_bar.h"
#include "store/places_codec.h"

#include <gtest/gtest.h>

namespace ql {
namespace {

using Op = MemoryPlacesBarStore::Op;

class PlacesBarSnapshotTest : public testing::Test {
protected:
    void put(std::u16string_view name, std::uint32_t type, std::vector<std::uint8_t> data) {
        store.putValue(placesBarPath(), name, type, std::move(data));
    }
    bool unchangedSince(const PlacesBarSnapshot& before) { return sameContent(readPlacesBarSnapshot(store), before); }

    MemoryPlacesBarStore store;
};

TEST_F(PlacesBarSnapshotTest, AKeyAppearingOrGoingIsAChangeEvenWithoutValues) {
    const PlacesBarSnapshot absent = readPlacesBarSnapshot(store);
    EXPECT_EQ(absent.state, PlacesBarSnapshot::State::Absent);
    store.putKey(std::u16string(kPoliciesPath) + u"\\ComDlg32");
    EXPECT_TRUE(unchangedSince(absent)) << "ComDlg32 alone is no places bar";

    store.putKey(placesBarPath());
    const PlacesBarSnapshot empty = readPlacesBarSnapshot(store);
    EXPECT_FALSE(sameContent(empty, absent));
    EXPECT_TRUE(unchangedSince(empty));
    EXPECT_TRUE(store.unclosedKeys().empty());
}

TEST_F(PlacesBarSnapshotTest, AnyValueAnyTypeAndAnyByteCountsAndOrderAndNameCaseDoNot) {
    put(u"Place0", kRegDword, {5, 0, 0, 0});
    put(u"Place1", kRegSz, utf16leBytes(u"C:\\Work", true));
    const PlacesBarSnapshot before = readPlacesBarSnapshot(store);

    MemoryPlacesBarStore reordered;
    reordered.putValue(placesBarPath(), u"PLACE1", kRegSz, utf16leBytes(u"C:\\Work", true));
    reordered.putValue(placesBarPath(), u"place0", kRegDword, {5, 0, 0, 0});
    EXPECT_TRUE(sameContent(readPlacesBarSnapshot(reordered), before));

    put(u"Place1", kRegExpandSz, utf16leBytes(u"C:\\Work", true));
    EXPECT_FALSE(unchangedSince(before)) << "type";
    put(u"Place1", kRegSz, utf16leBytes(u"C:\\Work", false));
    EXPECT_FALSE(unchangedSince(before)) << "the NUL";
    put(u"Place1", kRegSz, utf16leBytes(u"C:\\Work", true));
    EXPECT_TRUE(unchangedSince(before));
    put(u"Place9", kRegBinary, {});
    EXPECT_FALSE(unchangedSince(before)) << "a value the loader never reads";
}

TEST_F(PlacesBarSnapshotTest, AKeyThatCannotBeReadThroughIsNeverTakenForUnchanged) {
    put(u"Place0", kRegDword, {5, 0, 0, 0});
    const PlacesBarSnapshot before = readPlacesBarSnapshot(store);

    store.failEveryCall(Op::OpenKey, kRegAccessDenied);
    const PlacesBarSnapshot denied = readPlacesBarSnapshot(store);
    EXPECT_EQ(denied.state, PlacesBarSnapshot::State::Unreadable);
    EXPECT_FALSE(sameContent(denied, before));
    EXPECT_FALSE(sameContent(denied, denied));

    store.clearFailures();
    store.failEveryCall(Op::EnumValue, kRegMoreData);
    EXPECT_EQ(readPlacesBarSnapshot(store).state, PlacesBarSnapshot::State::Unreadable);
    EXPECT_TRUE(store.unclosedKeys().empty());
    store.clearFailures();
    EXPECT_TRUE(unchangedSince(before));
}

TEST_F(PlacesBarSnapshotTest, WhatASaveLeavesIsNamedByPositionAndDefaultsLeaveNoKey) {
    const std::vector<Place> places = {Place::specialFolder(17), Place::expandablePath(u"%TEMP%")};
    const PlacesBarSnapshot saved = savedPlacesBarSnapshot(true, places);
    put(u"Place1", kRegExpandSz, encodePlace(places[1]).data);
    put(u"Place0", kRegDword, encodePlace(places[0]).data);
    EXPECT_TRUE(unchangedSince(saved));

    EXPECT_FALSE(sameContent(savedPlacesBarSnapshot(true, {places[1], places[0]}), saved));
    EXPECT_FALSE(sameContent(savedPlacesBarSnapshot(true, {}), savedPlacesBarSnapshot(false, {})));
    EXPECT_TRUE(sameContent(savedPlacesBarSnapshot(false, places), PlacesBarSnapshot{}));
}

}  // namespace
}  // namespace ql
