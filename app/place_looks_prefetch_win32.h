#pragma once
// The looks of the stored places, asked of the shell on another thread while the main window is
// still being built: its own thread then finds them ready instead of asking the shell in turn.
// They serve the window's first load only, and only for the very places they were asked for.
#include "app/place_display.h"
#include "common/win_handles.h"
#include "store/place.h"
#include "store/places_bar_store.h"

#include <utility>
#include <vector>

namespace ql {

class PlaceLooksPrefetch {
public:
    using Looks = std::vector<std::pair<Place, editor::EntryLook>>;

    explicit PlaceLooksPrefetch(PlacesBarStore& store);
    PlaceLooksPrefetch(const PlaceLooksPrefetch&) = delete;
    PlaceLooksPrefetch& operator=(const PlaceLooksPrefetch&) = delete;

    // On the other thread, once: reads the stored places and asks the shell about each.
    void run();
    // The looks once run() has ended; once, and only when run() was handed to a thread that runs
    // it. Waits for run() a few seconds at most, then answers nothing, so that a shell that hangs
    // on the other thread leaves the window to ask for itself.
    Looks take();

private:
    PlacesBarStore& store_;
    Looks looks_;  // the other thread's until done_ is set
    win::UniqueHandle done_;
};

// The look prefetched for `place`; none when it was not asked for.
const editor::EntryLook* findLook(const PlaceLooksPrefetch::Looks& looks, const Place& place);

}  // namespace ql
