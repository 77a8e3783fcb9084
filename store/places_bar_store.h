#pragma once
// The registry layer under the places bar: the six operations the load and save
// algorithms need, with the registry's own error codes. The Win32 implementation
// calls the registry; the in-memory one serves the unit tests.
#include <cstdint>
#include <string_view>

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
    kRegMoreData = 234,
};

class PlacesBarStore {
public:
    virtual ~PlacesBarStore() = default;

    // Opens an existing key (a path of one or more levels); `out` stays 0 on failure.
    virtual long openKey(RegKey parent, std::u16string_view subKey, RegKey& out) = 0;
    // With `data` null reports type and size only. With a buffer too small: kRegMoreData,
    // `size` set to the size needed, and nothing beyond `size` bytes written.
    virtual long queryValue(RegKey key, std::u16string_view name, std::uint32_t& type,
                            std::uint8_t* data, std::uint32_t& size) = 0;
    // Opens a key, creating it (and any missing levels of the path) as needed.
    virtual long createKey(RegKey parent, std::u16string_view subKey, RegKey& out) = 0;
    // Removes a key with its values; kRegFileNotFound when there is none.
    virtual long deleteKey(RegKey parent, std::u16string_view subKey) = 0;
    virtual long setValue(RegKey key, std::u16string_view name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) = 0;
    virtual long closeKey(RegKey key) = 0;
};

}  // namespace ql
