#include "store/dialog_settings.h"

#include "store/places_bar.h"
#include "store/places_bar_snapshot.h"
#include "store/places_codec.h"
#include "tests/support/memory_places_bar_store.h"

#include <gtest/gtest.h>

namespace ql {
namespace {

using Op = MemoryPlacesBarStore::Op;
using Value = MemoryPlacesBarStore::Value;

class DialogSettingsTest : public testing::Test {
protected:
    void put(std::u16string_view name, const Value& value) { store.putValue(comDlg32Path(), name, value.type, value.data); }
    std::optional<Value> stored(std::u16string_view name) const { return store.value(comDlg32Path(), name); }

    MemoryPlacesBarStore store;
    const Value one{kRegDword, {1, 0, 0, 0}};
};

TEST_F(DialogSettingsTest, AbsentOrZeroIsShownOneIsHiddenAnyOtherFormIsKeptAsStored) {
    put(u"NoPlacesBar", one);
    put(u"nobackbutton", {kRegDword, {0, 0, 0, 0}});
    EXPECT_EQ(loadDialogSettings(store).values, (std::array{SettingValue::hidden(), SettingValue::shown(), SettingValue::shown()}));
    for (const Value& odd : {Value{kRegDword, {2, 0, 0, 0}}, Value{kRegQword, {1, 0, 0, 0, 0, 0, 0, 0}},
                             Value{kRegDword, {1, 0, 0}}, Value{kRegSz, {u'1', 0, 0, 0}}, Value{kRegBinary, {}}}) {
        put(u"NoFileMru", odd);
        EXPECT_EQ(loadDialogSettings(store)[DialogSetting::RecentFiles], SettingValue::other(odd.type, odd.data));
    }
    store.failEveryCall(Op::QueryValue, kRegAccessDenied);
    EXPECT_TRUE(loadDialogSettings(store).unreadable);
}

TEST_F(DialogSettingsTest, SavingWritesTheSettingsGivenAndNothingElseAndTheSnapshotSeesThem) {
    ASSERT_TRUE(savePlacesBar(store, true, {Place::specialFolder(5)}).ok());
    put(u"Unrelated", {kRegSz, {u'x', 0}});
    put(u"NoBackButton", one);
    put(u"NoFileMru", {kRegBinary, {7}});
    store.putKey(comDlg32Path() + u"\\Other");
    const PlacesBarSnapshot before = readPlacesBarSnapshot(store);

    const DialogsContent content{std::nullopt, {SettingValue::hidden(), SettingValue::shown(), std::nullopt}};
    ASSERT_TRUE(saveDialogs(store, content).ok());
    EXPECT_EQ(stored(u"NoPlacesBar"), one);
    EXPECT_FALSE(stored(u"NoBackButton")) << "shown is no value, never a 0";
    EXPECT_EQ(stored(u"NoFileMru"), (Value{kRegBinary, {7}}));
    EXPECT_EQ(stored(u"Unrelated"), (Value{kRegSz, {u'x', 0}}));
    EXPECT_TRUE(store.hasKey(comDlg32Path() + u"\\Other"));
    EXPECT_EQ(loadPlacesBar(store).places, std::vector<Place>{Place::specialFolder(5)});

    // Another program's change to a setting is a change; a 0 says shown as no value does.
    const PlacesBarSnapshot saved = savedSnapshot(before, content);
    EXPECT_TRUE(sameContent(readPlacesBarSnapshot(store), saved));
    put(u"NoBackButton", one);
    EXPECT_FALSE(sameContent(readPlacesBarSnapshot(store), saved));
    put(u"NoBackButton", {kRegDword, {0, 0, 0, 0}});
    EXPECT_TRUE(sameContent(readPlacesBarSnapshot(store), saved));
}

TEST_F(DialogSettingsTest, ASaveThatFailsPartWayLeavesBothKeysAsTheyWere) {
    put(u"NoFileMru", {kRegSz, {u'?', 0}});
    store.putValue(placesBarPath(), u"Place9", kRegBinary, {1, 2});
    const PlacesBarSnapshot before = readPlacesBarSnapshot(store);

    store.failCall(Op::DeleteValue, 2, kRegAccessDenied);  // NoFileMru, after the places and NoPlacesBar
    const DialogsContent content{PlacesBarContent{true, {Place::specialFolder(17)}},
                                 {SettingValue::hidden(), SettingValue::shown(), SettingValue::shown()}};
    const SaveResult result = saveDialogs(store, content);
    EXPECT_EQ(result.error, kRegAccessDenied);
    EXPECT_EQ(result.failedStep, u"NoFileMru");
    EXPECT_TRUE(sameContent(readPlacesBarSnapshot(store), before));
}

}  // namespace
}  // namespace ql
