#include "store/registry_places_bar_store.h"

#include "common/win_handles.h"
#include "common/win_text.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace ql {
namespace {

// kCurrentUserRoot is HKEY_CURRENT_USER's 32-bit value; the 64-bit HKEY is its sign extension.
HKEY toHKey(RegKey key) {
    if (key == kCurrentUserRoot) return HKEY_CURRENT_USER;
    return reinterpret_cast<HKEY>(key);
}

RegKey fromHKey(HKEY key) { return reinterpret_cast<RegKey>(key); }

REGSAM accessFor(unsigned rights) {
    REGSAM access = KEY_QUERY_VALUE;
    if (rights & kRightsSetValue) access |= KEY_SET_VALUE;
    if (rights & kRightsCreateSubKey) access |= KEY_CREATE_SUB_KEY;
    if (rights & kRightsDelete) access |= DELETE;
    return access;
}

}  // namespace


long RegistryPlacesBarStore::openKey(RegKey parent, std::u16string_view subKey, RegKey& out) {
    out = 0;
    win::UniqueHKey key;
    const LSTATUS error = ::RegOpenKeyExW(toHKey(root(parent)), win::toWide(subKey).c_str(), 0, KEY_READ, key.put());
    if (error == ERROR_SUCCESS) out = fromHKey(key.release());
    return error;
}

long RegistryPlacesBarStore::queryValue(RegKey key, std::u16string_view name, std::uint32_t& type,
                                        std::uint8_t* data, std::uint32_t& size) {
    DWORD valueType = REG_NONE;
    DWORD byteCount = size;
    const LSTATUS error = ::RegQueryValueExW(toHKey(root(key)), win::toWide(name).c_str(), nullptr, &valueType, data, &byteCount);
    if (error == ERROR_SUCCESS || error == ERROR_MORE_DATA) {
        type = valueType;
        size = byteCount;
    }
    return error;
}

long RegistryPlacesBarStore::createKey(RegKey parent, std::u16string_view subKey, unsigned rights, RegKey& out) {
    out = 0;
    win::UniqueHKey key;
    const LSTATUS error = ::RegCreateKeyExW(toHKey(root(parent)), win::toWide(subKey).c_str(), 0, nullptr,
                                            REG_OPTION_NON_VOLATILE, accessFor(rights), nullptr, key.put(), nullptr);
    if (error == ERROR_SUCCESS) out = fromHKey(key.release());
    return error;
}

long RegistryPlacesBarStore::probeKey(RegKey parent, std::u16string_view subKey, unsigned rights) {
    win::UniqueHKey key;
    return ::RegOpenKeyExW(toHKey(root(parent)), win::toWide(subKey).c_str(), 0, accessFor(rights), key.put());
}

long RegistryPlacesBarStore::deleteKey(RegKey parent, std::u16string_view subKey) {
    return ::RegDeleteKeyW(toHKey(root(parent)), win::toWide(subKey).c_str());
}

long RegistryPlacesBarStore::setValue(RegKey key, std::u16string_view name, std::uint32_t type,
                                      const std::uint8_t* data, std::uint32_t size) {
    return ::RegSetValueExW(toHKey(root(key)), win::toWide(name).c_str(), 0, type, data, size);
}

long RegistryPlacesBarStore::deleteValue(RegKey key, std::u16string_view name) {
    return ::RegDeleteValueW(toHKey(root(key)), win::toWide(name).c_str());
}

long RegistryPlacesBarStore::closeKey(RegKey key) { return ::RegCloseKey(toHKey(key)); }

long RegistryPlacesBarStore::enumValue(RegKey key, std::uint32_t index, std::u16string& name, std::uint32_t& type,
                                       std::vector<std::uint8_t>& data) {
    const HKEY hkey = toHKey(root(key));
    // Sized by the key's largest name and value; another program may make them larger in between,
    // so a value that outgrew the buffers is read again with the new sizes.
    LSTATUS error = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < 4 && error == ERROR_MORE_DATA; ++attempt) {
        DWORD maxName = 0;
        DWORD maxData = 0;
        error = ::RegQueryInfoKeyW(hkey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName,
                                   &maxData, nullptr, nullptr);
        if (error != ERROR_SUCCESS) return error;
        std::wstring nameBuffer(maxName + 1, L'\0');
        // Never a null buffer: that would ask for the size alone.
        std::vector<std::uint8_t> bytes(std::max<DWORD>(maxData, 1));
        DWORD nameLength = static_cast<DWORD>(nameBuffer.size());
        DWORD byteCount = static_cast<DWORD>(bytes.size());
        DWORD valueType = REG_NONE;
        error = ::RegEnumValueW(hkey, index, nameBuffer.data(), &nameLength, nullptr, &valueType,
                                bytes.data(), &byteCount);
        if (error == ERROR_SUCCESS) {
            nameBuffer.resize(nameLength);
            bytes.resize(byteCount);
            name = win::toU16(nameBuffer);
            type = valueType;
            data = std::move(bytes);
        }
    }
    return error;
}

}  // namespace ql
