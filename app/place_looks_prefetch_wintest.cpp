#include "app/place_looks_prefetch_win32.h"

#include "app/place_shell_win32.h"
#include "store/places_bar.h"
#include "tests/support/memory_places_bar_store.h"

#include <gtest/gtest.h>

#include <thread>

namespace ql {
namespace {

// Asked on another thread, the looks are those this thread's shell gives, for the stored places only.
TEST(PlaceLooksPrefetch, HandsOverTheStoredPlacesLooksAsTheWindowsOwnThreadWouldAskThem) {
    const win::ComApartment com;
    MemoryPlacesBarStore store;
    const std::vector<Place> places{Place::specialFolder(5), Place::folderPath(u"C:\\windows"),
                                    Place::folderPath(u"C:\\no\\such\\folder"), Place::specialFolder(-3)};
    ASSERT_TRUE(saveDialogs(store, {PlacesBarContent{true, places}, {}}).ok());

    PlaceLooksPrefetch prefetch(store);
    std::thread other([&] {
        const win::ComApartment otherCom;
        prefetch.run();
    });
    const PlaceLooksPrefetch::Looks looks = prefetch.take();
    other.join();

    ShellPlaceLooks shell(nullptr);
    ASSERT_EQ(looks.size(), places.size());
    for (std::size_t i = 0; i < places.size(); ++i) {
        EXPECT_EQ(looks[i].first, places[i]);
        EXPECT_EQ(looks[i].second, editor::describePlace(places[i], shell));
        EXPECT_EQ(findLook(looks, places[i]), &looks[i].second);
    }
    EXPECT_EQ(findLook(looks, Place::specialFolder(17)), nullptr);
}

}  // namespace
}  // namespace ql
