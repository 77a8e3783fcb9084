#pragma once
// The registry layer under the places bar: the operations the load and save algorithms and the
// check for changes by other programs need, with the registry's own error codes. The Win32 implementation
// calls the registry; the in-memory one serves the unit tests.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ql {

using RegKey = std::uintptr_t;  // 0 = no key
inline constexpr RegKey kCurrentUserRoot = 0x80000001u;  // HKEY_CURRENT_USER's predefined value

// Registry error codes used by the algorithms (same numbers as Win32's).
enum RegError : long {
    kRegOk = 0,
    kRegFileNotFound = 2,
    kRegAccessDenied = 5,
    kRegInvalidHandle = 6,
    kRegInvalidParameter = 87,
    kRegBadPathname = 161,
    kRegMoreData = 234,
    kRegNoMoreItems = 259,
    kRegKeyDeleted = 1018,  // the key behind a still-open handle was deleted
};

// What a key is opened for beyond reading. Each step asks the least it needs on the deepest key it
// needs it on: on Windows a user may read but not write the Policies key.
enum KeyRights : unsigned {
    kRightsSetValue = 1,     // set and delete values
    kRightsCreateSubKey = 2,  // create keys below it
    kRightsDelete = 4,        // delete the key itself
};
inline constexpr unsigned kAllRights = kRightsSetValue | kRightsCreateSubKey | kRightsDelete;

class PlacesBarStore {
public:
    virtual ~PlacesBarStore() = default;

    // Opens an existing key (a path of one or more levels); `out` stays 0 on failure.
    virtual long openKey(RegKey parent, std::u16string_view subKey, RegKey& out) = 0;
    // With `data` null reports type and size only. With a buffer too small: kRegMoreData,
    // `size` set to the size needed, and nothing beyond `size` bytes written.
    virtual long queryValue(RegKey key, std::u16string_view name, std::uint32_t& type,
                            std::uint8_t* data, std::uint32_t& size) = 0;
    // Opens a key with `rights` (KeyRights), creating it (and any missing levels of the path) as needed.
    virtual long createKey(RegKey parent, std::u16string_view subKey, unsigned rights, RegKey& out) = 0;
    // Whether an existing key would open with `rights`: kRegOk, kRegFileNotFound or kRegAccessDenied.
    virtual long probeKey(RegKey parent, std::u16string_view subKey, unsigned rights) = 0;
    // Removes a key with its values; kRegFileNotFound when there is none.
    virtual long deleteKey(RegKey parent, std::u16string_view subKey) = 0;
    virtual long setValue(RegKey key, std::u16string_view name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) = 0;
    // Removes one value; kRegFileNotFound when there is none.
    virtual long deleteValue(RegKey key, std::u16string_view name) = 0;
    virtual long closeKey(RegKey key) = 0;
    // The value at `index` (from 0, in the registry's order) with its name, type and bytes, whatever
    // their size; kRegNoMoreItems past the last one. The outputs are set only on success.
    virtual long enumValue(RegKey key, std::uint32_t index, std::u16string& name, std::uint32_t& type,
                           std::vector<std::uint8_t>& data) = 0;
};

// Owns one key opened or created through a store and closes it on every path.
class StoreKey {
public:
    explicit StoreKey(PlacesBarStore& store) : store_(&store) {}
    StoreKey(const StoreKey&) = delete;
    StoreKey& operator=(const StoreKey&) = delete;
    ~StoreKey() { reset(); }

    RegKey get() const { return key_; }
    explicit operator bool() const { return key_ != 0; }
    // For the out-parameter of openKey and createKey; closes what was held first.
    RegKey& put() {
        reset();
        return key_;
    }
    // A failing close leaves nothing the caller could do, so its result is not reported.
    void reset() {
        if (key_ != 0) store_->closeKey(std::exchange(key_, 0));
    }

private:
    PlacesBarStore* store_;
    RegKey key_ = 0;
};

}  // namespace ql
