#pragma once
// The places bar store over the Windows registry (kCurrentUserRoot is HKEY_CURRENT_USER).
#include "store/places_bar_store.h"

namespace ql {

class RegistryPlacesBarStore final : public PlacesBarStore {
public:
    // Opens for reading.
    long openKey(RegKey parent, std::u16string_view subKey, RegKey& out) override;
    long queryValue(RegKey key, std::u16string_view name, std::uint32_t& type, std::uint8_t* data,
                    std::uint32_t& size) override;
    // Opens for reading and writing.
    long createKey(RegKey parent, std::u16string_view subKey, RegKey& out) override;
    long deleteKey(RegKey parent, std::u16string_view subKey) override;
    long setValue(RegKey key, std::u16string_view name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override;
    long deleteValue(RegKey key, std::u16string_view name) override;
    long closeKey(RegKey key) override;
    long enumValue(RegKey key, std::uint32_t index, std::u16string& name, std::uint32_t& type,
                   std::vector<std::uint8_t>& data) override;
};

}  // namespace ql
