#include "store/write_access_win32.h"

#include <windows.h>

#include <cstring>

namespace ql {
namespace {

// An enabled member of Administrators, as the thread's impersonation token or else the process's
// says; a group kept for deny only is no membership.
bool isAdministrator() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                    &administrators)) {
        return false;
    }
    BOOL member = FALSE;
    if (!::CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
    ::FreeSid(administrators);
    return member != FALSE;
}

// The end-to-end tests' stand-in for Windows under Wine, where every program is a full administrator:
// "elevate", or "elevate-cancelled" for a consent that is then declined.
bool testSaysNeedsElevation() {
    wchar_t value[32] = {};
    return ::GetEnvironmentVariableW(L"QUORLANE_TEST_ACCESS", value, 32) > 0 && std::wcsncmp(value, L"elevate", 7) == 0;
}

}  // namespace

WriteAccess writeAccess(PlacesBarStore& store) {
    if (testSaysNeedsElevation()) return WriteAccess::NeedsElevation;
    if (dialogsWriteCheck(store) != kRegAccessDenied) return WriteAccess::Allowed;
    return isAdministrator() ? WriteAccess::Denied : WriteAccess::NeedsElevation;
}

}  // namespace ql
