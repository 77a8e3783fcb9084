// The hand-over against the real registry and Windows' own access checks: with the DACL Windows puts
// on Policies and a thread impersonating an administrator's filtered token (what UAC gives a program
// that was not elevated), the store says it needs elevation and a direct write is denied; the elevated
// side writes into HKEY_USERS\<SID>, and refuses a hand-over that names anything else.
#include "cli/elevated_write_win32.h"

#include "cli/reg_file.h"
#include "common/win_handles.h"
#include "common/win_text.h"
#include "store/places_bar_snapshot.h"
#include "store/registry_places_bar_store.h"
#include "store/write_access_win32.h"

#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace ql::cli {
namespace {

const std::wstring kPolicies = win::toWide(kPoliciesPath);
const std::wstring kComDlg32 = win::toWide(comDlg32Path());
const std::wstring kPlacesBar = win::toWide(placesBarPath());

std::wstring userSid() {
    win::UniqueHandle token;
    EXPECT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()));
    std::vector<std::uint8_t> buffer(256);
    DWORD size = 0;
    EXPECT_TRUE(::GetTokenInformation(token.get(), TokenUser, buffer.data(), 256, &size));
    PWSTR text = nullptr;
    EXPECT_TRUE(::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text));
    const win::UniqueLocalMemory owner(text);
    return text;
}

// Runs `act` on a thread whose token is this process's with Administrators kept for deny only.
template <typename Act>
void asFilteredAdministrator(Act act) {
    std::thread([&] {
        win::UniqueHandle process;
        ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, process.put()));
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        PSID administrators = nullptr;
        ASSERT_TRUE(::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                               0, 0, &administrators));
        SID_AND_ATTRIBUTES denyOnly{administrators, 0};
        win::UniqueHandle filtered;
        win::UniqueHandle impersonation;
        const BOOL made = ::CreateRestrictedToken(process.get(), 0, 1, &denyOnly, 0, nullptr, 0, nullptr, filtered.put());
        ::FreeSid(administrators);
        ASSERT_TRUE(made);
        ASSERT_TRUE(::DuplicateToken(filtered.get(), SecurityImpersonation, impersonation.put()));
        ASSERT_TRUE(::SetThreadToken(nullptr, impersonation.get()));
        act();
        ::RevertToSelf();
    }).join();
}

// The prefix's Policies keys as they were, put back whatever the test did.
class PoliciesKeys : public testing::Test {
protected:
    void SetUp() override {
        RegistryPlacesBarStore store;
        before_ = readPlacesBarSnapshot(store);
        hadPolicies_ = exists(kPolicies);
        hadComDlg32_ = exists(kComDlg32);
    }
    void TearDown() override {
        for (const std::wstring& key : {kPlacesBar, kComDlg32, kPolicies}) lock(key, L"D:(A;CI;KA;;;WD)");
        ::RegDeleteKeyW(HKEY_CURRENT_USER, kPlacesBar.c_str());
        RegistryPlacesBarStore store;
        const auto restored = readRegFile(writeRegFile(before_)).content;
        if (restored) saveDialogs(store, *restored);
        if (!hadComDlg32_) ::RegDeleteKeyW(HKEY_CURRENT_USER, kComDlg32.c_str());
        if (!hadPolicies_) ::RegDeleteKeyW(HKEY_CURRENT_USER, kPolicies.c_str());
    }

    static bool exists(const std::wstring& key) {
        win::UniqueHKey opened;
        return ::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, opened.put()) == ERROR_SUCCESS;
    }
    static void lock(const std::wstring& key, const std::wstring& sddl) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr));
        const win::UniqueLocalMemory owner(descriptor);
        win::UniqueHKey opened;
        ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, WRITE_DAC, opened.put()), ERROR_SUCCESS);
        EXPECT_EQ(::RegSetKeySecurity(opened.get(), DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
    }

    PlacesBarSnapshot before_;
    bool hadPolicies_ = false;
    bool hadComDlg32_ = false;
};

TEST_F(PoliciesKeys, WindowsDaclNeedsElevationAndTheElevatedSideWritesForTheUser) {
    RegistryPlacesBarStore store;
    ASSERT_TRUE(saveDialogs(store, {PlacesBarContent{true, {Place::specialFolder(5)}}, {}}).ok());
    const std::wstring sid = userSid();
    // Windows' DACL on Policies; Wine passes it on to no subkey, so each key gets it.
    const std::wstring windowsDacl = L"D:P(A;CI;KR;;;" + sid + L")(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;KR;;;RC)";
    for (const std::wstring& key : {kPolicies, kComDlg32, kPlacesBar}) lock(key, windowsDacl);

    asFilteredAdministrator([] {
        RegistryPlacesBarStore filtered;
        EXPECT_EQ(writeAccess(filtered), WriteAccess::NeedsElevation);
        win::UniqueHKey policies;
        EXPECT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, kPolicies.c_str(), 0, KEY_READ | KEY_WRITE, policies.put()),
                  ERROR_ACCESS_DENIED);
        EXPECT_EQ(saveDialogs(filtered, {PlacesBarContent{false, {}}, {}}).error, kRegAccessDenied);
        EXPECT_EQ(loadPlacesBar(filtered).places, std::vector<Place>{Place::specialFolder(5)});
    });

    const std::vector<Place> wanted{Place::specialFolder(17), Place::folderPath(u"C:\\windows")};
    SettingChanges hideBack{};
    hideBack[static_cast<std::size_t>(DialogSetting::BackButton)] = SettingValue::hidden();
    EXPECT_EQ(writeForUser(sid, writeRegFile(PlacesBarContent{true, wanted}, hideBack)), ERROR_SUCCESS);
    EXPECT_EQ(loadPlacesBar(store).places, wanted);
    EXPECT_EQ(loadDialogSettings(store)[DialogSetting::BackButton], SettingValue::hidden());

    // Anything beyond the places bar and the three settings: refused whole, nothing written.
    const std::string other = "REGEDIT4\r\n\r\n[" + win::toUtf8(win::toWide(placesBarKeyName())) +
                              "]\r\n\"Place0\"=dword:00000005\r\n\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n\"X\"=\"y\"\r\n";
    EXPECT_EQ(writeForUser(sid, std::vector<std::uint8_t>(other.begin(), other.end())), ERROR_INVALID_DATA);
    EXPECT_EQ(writeForUser(L"BA", writeRegFile(PlacesBarContent{false, {}})), ERROR_INVALID_DATA);
    EXPECT_EQ(loadPlacesBar(store).places, wanted);
}

}  // namespace
}  // namespace ql::cli
