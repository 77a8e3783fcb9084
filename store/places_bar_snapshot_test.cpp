#include "store/places_bar_snapshot.h"

#include "common/utf16_bytes.h"
#include "tests/support/memory_places_bar_store.h"
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

TEST_F(PlacesBarSnapshotTest, AnyValueTypeOrByteCountsAndOrderAndNameCaseDoNot) {
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
    put(u"Place9", kRegBinary, {});
    EXPECT_FALSE(unchangedSince(before)) << "a value the loader never reads";
}

TEST_F(PlacesBarSnapshotTest, AKeyThatCannotBeReadThroughIsNeverTakenForUnchanged) {
    const PlacesBarSnapshot before = readPlacesBarSnapshot(store);
    for (const Op op : {Op::OpenKey, Op::EnumValue}) {
        store.putKey(placesBarPath());
        store.failEveryCall(op, kRegAccessDenied);
        const PlacesBarSnapshot failed = readPlacesBarSnapshot(store);
        EXPECT_EQ(failed.state, PlacesBarSnapshot::State::Unreadable);
        EXPECT_FALSE(sameContent(failed, failed));
        store.clearFailures();
    }
    EXPECT_TRUE(store.unclosedKeys().empty());
    EXPECT_FALSE(sameContent(before, savedPlacesBarSnapshot(true, {})));
    EXPECT_TRUE(sameContent(before, savedPlacesBarSnapshot(false, {Place::specialFolder(5)})));
}

}  // namespace
}  // namespace ql
