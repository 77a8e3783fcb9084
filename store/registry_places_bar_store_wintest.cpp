#include "store/registry_places_bar_store.h"

#include "common/win_handles.h"
#include "common/win_text.h"
#include "store/places_bar.h"
#include "store/places_codec.h"
#include "store/store_contract_test.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace ql {
namespace {

const std::wstring kPolicies = win::toWide(kPoliciesPath);
const std::wstring kPlacesBarKey = kPolicies + L"\\ComDlg32\\PlacesBar";

// For this process, HKEY_CURRENT_USER is an empty scratch key while this lives: the tests neither
// see nor change the user's own places bar, and none depends on what another left behind.
class ScratchCurrentUser final : public StoreUnderTest {
public:
    ScratchCurrentUser() {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
        EXPECT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_ALL_ACCESS, nullptr, scratch_.put(), nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(::RegOverridePredefKey(HKEY_CURRENT_USER, scratch_.get()), ERROR_SUCCESS);
    }
    ~ScratchCurrentUser() override {
        ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        scratch_.reset();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
        ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\QuorlaneTests");  // only when no other run uses it
    }
    ScratchCurrentUser(const ScratchCurrentUser&) = delete;
    ScratchCurrentUser& operator=(const ScratchCurrentUser&) = delete;

    PlacesBarStore& store() override { return registry_; }

private:
    std::wstring path_ = L"Software\\QuorlaneTests\\store-" + std::to_wstring(::GetCurrentProcessId());
    win::UniqueHKey scratch_;
    RegistryPlacesBarStore registry_;
};

INSTANTIATE_TEST_SUITE_P(Registry, StoreContract,
                         testing::Values(StoreKind{"Registry", [] { return std::make_unique<ScratchCurrentUser>(); }}),
                         storeKindName);
INSTANTIATE_TEST_SUITE_P(Registry, PlacesBarOverStore,
                         testing::Values(StoreKind{"Registry", [] { return std::make_unique<ScratchCurrentUser>(); }}),
                         storeKindName);

class RegistryPlacesBar : public testing::Test {
protected:
    // Written and read with the registry's own calls, not through the store under test.
    void setRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        win::UniqueHKey key;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kPlacesBarKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_SET_VALUE, nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(::RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    }

    struct Raw {
        LSTATUS result = ERROR_SUCCESS;
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
    };
    static Raw getRaw(const wchar_t* name) {
        Raw raw;
        win::UniqueHKey key;
        raw.result = ::RegOpenKeyExW(HKEY_CURRENT_USER, kPlacesBarKey.c_str(), 0, KEY_QUERY_VALUE, key.put());
        if (raw.result != ERROR_SUCCESS) return raw;
        DWORD size = 0;
        raw.result = ::RegQueryValueExW(key.get(), name, nullptr, &raw.type, nullptr, &size);
        if (raw.result != ERROR_SUCCESS) return raw;
        raw.data.resize(size);
        raw.result = ::RegQueryValueExW(key.get(), name, nullptr, &raw.type, raw.data.data(), &size);
        raw.data.resize(size);
        return raw;
    }

    static std::vector<BYTE> bytesOf(std::wstring_view text) {
        const auto* first = reinterpret_cast<const BYTE*>(text.data());
        return {first, first + text.size() * sizeof(wchar_t)};
    }

    ScratchCurrentUser scratch;
    RegistryPlacesBarStore store;
};

TEST_F(RegistryPlacesBar, AMissingPoliciesKeyIsCreatedDownToPlacesBar) {
    win::UniqueHKey policies;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, kPolicies.c_str(), 0, KEY_READ, policies.put()), ERROR_FILE_NOT_FOUND);

    const SaveResult saved = savePlacesBar(store, true, {Place::specialFolder(5)});
    ASSERT_TRUE(saved.ok()) << saved.error;
    const Raw place0 = getRaw(L"Place0");
    EXPECT_EQ(place0.result, ERROR_SUCCESS);
    EXPECT_EQ(place0.type, static_cast<DWORD>(REG_DWORD));
}

TEST_F(RegistryPlacesBar, PathsAreStoredAsUtf16WithOneNulWhateverTheirCharacters) {
    const std::wstring path = L"C:\\\u65e5\u672c\u8a9e\\\u00e9t\u00e9 \u0416 \U0001F600";
    ASSERT_TRUE(savePlacesBar(store, true, {Place::folderPath(win::toU16(path))}).ok());

    const Raw raw = getRaw(L"Place0");
    ASSERT_EQ(raw.result, ERROR_SUCCESS);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw.data, bytesOf(std::wstring_view(path.c_str(), path.size() + 1)));
    EXPECT_EQ(loadPlacesBar(store).places, std::vector<Place>{Place::folderPath(win::toU16(path))});
}

TEST_F(RegistryPlacesBar, ARegSzWrittenWithoutItsNulLoadsAsThePath) {
    const std::wstring path = L"C:\\windows";
    setRaw(L"Place0", REG_SZ, path.data(), static_cast<DWORD>(path.size() * sizeof(wchar_t)));
    EXPECT_EQ(loadPlacesBar(store).places, std::vector<Place>{Place::folderPath(u"C:\\windows")});
}

TEST_F(RegistryPlacesBar, RegDwordMinusOneStaysAFolderNumberThroughASave) {
    const DWORD minusOne = 0xFFFFFFFF;
    setRaw(L"Place0", REG_DWORD, &minusOne, sizeof minusOne);
    const LoadedPlacesBar loaded = loadPlacesBar(store);
    ASSERT_EQ(loaded.places, std::vector<Place>{Place::specialFolder(-1)});

    ASSERT_TRUE(savePlacesBar(store, true, loaded.places).ok());
    const Raw raw = getRaw(L"Place0");
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(raw.data, (std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(RegistryPlacesBar, RegDwordOfTwoOrEightBytesIsSkipped) {
    const unsigned char two[2] = {5, 0};
    const unsigned char eight[8] = {5, 0, 0, 0, 0, 0, 0, 0};
    const DWORD documents = 5;
    setRaw(L"Place0", REG_DWORD, two, sizeof two);
    setRaw(L"Place1", REG_DWORD, eight, sizeof eight);
    setRaw(L"Place2", REG_DWORD, &documents, sizeof documents);
    EXPECT_EQ(loadPlacesBar(store).places, std::vector<Place>{Place::specialFolder(5)});
}

TEST_F(RegistryPlacesBar, ATooSmallBufferGivesMoreDataAndTheSizeNeeded) {
    const std::wstring path = L"C:\\Program Files";
    setRaw(L"Place0", REG_SZ, path.c_str(), static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
    StoreKey key(store);
    ASSERT_EQ(store.openKey(kCurrentUserRoot, win::toU16(kPlacesBarKey), key.put()), kRegOk);

    std::vector<std::uint8_t> buffer(64, 0xCC);
    std::uint32_t type = kRegNone;
    std::uint32_t size = 6;
    EXPECT_EQ(store.queryValue(key.get(), u"Place0", type, buffer.data(), size), kRegMoreData);
    EXPECT_EQ(size, (path.size() + 1) * sizeof(wchar_t));
    EXPECT_TRUE(std::all_of(buffer.begin() + 6, buffer.end(), [](std::uint8_t b) { return b == 0xCC; }));
}

TEST_F(RegistryPlacesBar, DeletingAMissingKeyGivesFileNotFound) {
    StoreKey comDlg32(store);
    ASSERT_EQ(store.createKey(kCurrentUserRoot, win::toU16(kPolicies + L"\\ComDlg32"), kAllRights, comDlg32.put()), kRegOk);
    EXPECT_EQ(store.deleteKey(comDlg32.get(), kPlacesBar), kRegFileNotFound);
}

}  // namespace
}  // namespace ql
