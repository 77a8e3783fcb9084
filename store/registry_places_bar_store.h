#pragma once
// The places bar store over the Windows registry: kCurrentUserRoot is HKEY_CURRENT_USER, or the
// user hive it is given (HKEY_USERS\<SID>, for the elevated write on that user's behalf).
#include "store/places_bar_store.h"

namespace ql {

class RegistryPlacesBarStore final : public PlacesBarStore {
public:
    RegistryPlacesBarStore() = default;
    // `userRoot` is an open key (an HKEY) that outlives the store.
    explicit RegistryPlacesBarStore(RegKey userRoot) : userRoot_(userRoot) {}

    // Opens for reading.
    long openKey(RegKey parent, std::u16string_view subKey, RegKey& out) override;
    long queryValue(RegKey key, std::u16string_view name, std::uint32_t& type, std::uint8_t* data,
                    std::uint32_t& size) override;
    long createKey(RegKey parent, std::u16string_view subKey, unsigned rights, RegKey& out) override;
    long probeKey(RegKey parent, std::u16string_view subKey, unsigned rights) override;
    long deleteKey(RegKey parent, std::u16string_view subKey) override;
    long setValue(RegKey key, std::u16string_view name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override;
    long deleteValue(RegKey key, std::u16string_view name) override;
    long closeKey(RegKey key) override;
    long enumValue(RegKey key, std::uint32_t index, std::u16string& name, std::uint32_t& type,
                   std::vector<std::uint8_t>& data) override;

private:
    RegKey root(RegKey key) const { return key == kCurrentUserRoot && userRoot_ != 0 ? userRoot_ : key; }

    RegKey userRoot_ = 0;  // 0: HKEY_CURRENT_USER
};

}  // namespace ql
