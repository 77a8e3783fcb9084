#include "app/place_looks_prefetch_win32.h"

#include "app/place_shell_win32.h"
#include "store/places_bar.h"

#include <algorithm>

namespace ql {
namespace {

constexpr DWORD kLongestWaitMs = 5000;

}  // namespace

PlaceLooksPrefetch::PlaceLooksPrefetch(PlacesBarStore& store)
    : store_(store), done_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

void PlaceLooksPrefetch::run() {
    try {
        ShellPlaceLooks shell(nullptr);  // on behalf of no window: none exists yet
        for (const Place& place : loadPlacesBar(store_).places) looks_.emplace_back(place, editor::describePlace(place, shell));
    } catch (...) {
        looks_.clear();  // the window asks for itself
    }
    ::SetEvent(done_.get());
}

PlaceLooksPrefetch::Looks PlaceLooksPrefetch::take() {
    if (!done_ || ::WaitForSingleObject(done_.get(), kLongestWaitMs) != WAIT_OBJECT_0) return {};
    return std::move(looks_);
}

const editor::EntryLook* findLook(const PlaceLooksPrefetch::Looks& looks, const Place& place) {
    const auto found = std::find_if(looks.begin(), looks.end(), [&](const auto& look) { return look.first == place; });
    return found != looks.end() ? &found->second : nullptr;
}

}  // namespace ql
