// The hand-over against the real registry and Windows' own access checks, as a program UAC did not
// elevate meets them, and the elevated side's write for the user.
#include "cli/elevated_write_win32.h"

#include "store/reg_file.h"
#include "common/win_handles.h"
#include "common/win_text.h"
#include "store/registry_places_bar_store.h"
#include "store/write_access_win32.h"

#include <sddl.h>

#include <gtest/gtest.h>

#include <thread>

namespace ql::cli {
namespace {

std::wstring userSid() {
    win::UniqueHandle token;
    alignas(TOKEN_USER) std::uint8_t buffer[256];
    DWORD size = 0;
    PWSTR text = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()) ||
        !::GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &size) ||
        !::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) {
        return {};
    }
    const win::UniqueLocalMemory owner(text);
    return text;
}

void setDacl(const std::wstring& key, const std::wstring& sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr));
    const win::UniqueLocalMemory owner(descriptor);
    win::UniqueHKey opened;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, WRITE_DAC, opened.put()), ERROR_SUCCESS);
    EXPECT_EQ(::RegSetKeySecurity(opened.get(), DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
}

TEST(ElevatedWrite, WindowsDaclNeedsElevationAndTheElevatedSideWritesForTheUser) {
    RegistryPlacesBarStore store;
    const PlacesBarSnapshot before = readPlacesBarSnapshot(store);
    const std::vector<std::wstring> keys{win::toWide(kPoliciesPath), win::toWide(comDlg32Path()), win::toWide(placesBarPath())};
    const bool hadPolicies = RegistryPlacesBarStore().probeKey(kCurrentUserRoot, kPoliciesPath, 0) == kRegOk;
    ASSERT_TRUE(saveDialogs(store, {PlacesBarContent{true, {Place::specialFolder(5)}}, {}}).ok());
    // Windows' DACL on Policies; Wine passes it on to no subkey, so each key gets it.
    const std::wstring sid = userSid();
    for (const std::wstring& key : keys) setDacl(key, L"D:P(A;CI;KR;;;" + sid + L")(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;KR;;;RC)");

    std::thread([&] {  // with the token UAC gives a program it did not elevate: Administrators for deny only
        win::UniqueHandle process, filtered, impersonation;
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        PSID administrators = nullptr;
        ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, process.put()));
        ASSERT_TRUE(::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators));
        SID_AND_ATTRIBUTES denyOnly{administrators, 0};
        const BOOL made = ::CreateRestrictedToken(process.get(), 0, 1, &denyOnly, 0, nullptr, 0, nullptr, filtered.put());
        ::FreeSid(administrators);
        ASSERT_TRUE(made && ::DuplicateToken(filtered.get(), SecurityImpersonation, impersonation.put()));
        ASSERT_TRUE(::SetThreadToken(nullptr, impersonation.get()));
        RegistryPlacesBarStore filteredStore;
        EXPECT_EQ(writeAccess(filteredStore), WriteAccess::NeedsElevation);
        win::UniqueHKey policies;
        EXPECT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, keys[0].c_str(), 0, KEY_READ | KEY_WRITE, policies.put()), ERROR_ACCESS_DENIED);
        EXPECT_EQ(saveDialogs(filteredStore, {PlacesBarContent{false, {}}, {}}).error, kRegAccessDenied);
        ::RevertToSelf();
    }).join();

    const std::vector<Place> wanted{Place::specialFolder(17), Place::folderPath(u"C:\\windows")};
    EXPECT_EQ(writeForUser(sid, writeRegFile(PlacesBarContent{true, wanted})), ERROR_SUCCESS);
    EXPECT_EQ(loadPlacesBar(store).places, wanted);
    // Anything beyond the places bar and the three settings, or no SID: refused whole, nothing written.
    const std::string other = "REGEDIT4\r\n\r\n[" + win::toUtf8(win::toWide(placesBarKeyName())) +
                              "]\r\n\"Place0\"=dword:00000005\r\n\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n\"X\"=\"y\"\r\n";
    EXPECT_EQ(writeForUser(sid, std::vector<std::uint8_t>(other.begin(), other.end())), ERROR_INVALID_DATA);
    EXPECT_EQ(writeForUser(L"BA", writeRegFile(PlacesBarContent{false, {}})), ERROR_INVALID_DATA);
    EXPECT_EQ(loadPlacesBar(store).places, wanted);

    // The prefix's keys as they were.
    for (const std::wstring& key : keys) setDacl(key, L"D:(A;CI;KA;;;WD)");
    if (const auto restored = readRegFile(writeRegFile(before)).content) saveDialogs(store, *restored);
    if (!hadPolicies) ::RegDeleteTreeW(HKEY_CURRENT_USER, keys[0].c_str());
}

}  // namespace
}  // namespace ql::cli
