#include "cli/elevated_write_win32.h"

#include "store/reg_file.h"
#include "common/win_handles.h"
#include "common/win_text.h"
#include "store/registry_places_bar_store.h"

#include <sddl.h>
#include <shellapi.h>

#include <cstring>
#include <string>
#include <vector>

namespace ql::cli {
namespace {

// The user this process runs as, as "S-1-5-21-...".
std::wstring currentUserSid() {
    win::UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return {};
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<std::uint8_t> buffer(size);
    if (size == 0 || !::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
    PWSTR text = nullptr;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return {};
    const win::UniqueLocalMemory owner(text);
    return text;
}

// The end-to-end tests' stand-in for a user who declines the consent, which Wine never asks for.
bool testSaysConsentCancelled() {
    wchar_t value[32] = {};
    return ::GetEnvironmentVariableW(L"QUORLANE_TEST_ACCESS", value, 32) > 0 && std::wcscmp(value, L"elevate-cancelled") == 0;
}

}  // namespace

long writeElevated(const DialogsContent& content, HWND owner) {
    if (testSaysConsentCancelled()) return kConsentCancelled;
    const std::wstring sid = currentUserSid();
    const std::wstring program = win::programPath();
    if (sid.empty() || program.empty()) return static_cast<long>(::GetLastError());

    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t name[MAX_PATH + 1] = {};
    if (::GetTempPathW(MAX_PATH + 1, folder) == 0 || ::GetTempFileNameW(folder, L"qlw", 0, name) == 0) {
        return static_cast<long>(::GetLastError());
    }
    const win::TemporaryFile file(name);
    const std::vector<std::uint8_t> text = writeRegFile(content);
    {
        win::UniqueHandle handle(::CreateFileW(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_TEMPORARY, nullptr));
        DWORD written = 0;
        if (handle.get() == INVALID_HANDLE_VALUE) {
            handle.release();
            return static_cast<long>(::GetLastError());
        }
        if (!::WriteFile(handle.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
            return static_cast<long>(::GetLastError());
        }
    }

    const std::wstring parameters = std::wstring(kWriteForUserCommand) + L" " + sid + L" \"" + name + L"\"";
    SHELLEXECUTEINFOW run{};
    run.cbSize = sizeof run;
    run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    run.hwnd = owner;
    run.lpVerb = L"runas";
    run.lpFile = program.c_str();
    run.lpParameters = parameters.c_str();
    run.nShow = SW_HIDE;
    if (!::ShellExecuteExW(&run)) return static_cast<long>(::GetLastError());
    if (!run.hProcess) return kRegAccessDenied;  // started nothing we could wait for
    const win::UniqueHandle process(run.hProcess);
    ::WaitForSingleObject(process.get(), INFINITE);
    DWORD status = ERROR_GEN_FAILURE;
    ::GetExitCodeProcess(process.get(), &status);
    return static_cast<long>(status);
}

long writeForUser(std::wstring_view sid, std::span<const std::uint8_t> regFile) {
    const std::wstring sidText(sid);
    PSID parsed = nullptr;
    // A SID in its S-1-... form alone: the SDDL's short names (BA, SY, ...) name no user.
    if (!sidText.starts_with(L"S-1-") || !::ConvertStringSidToSidW(sidText.c_str(), &parsed)) return ERROR_INVALID_DATA;
    const win::UniqueLocalMemory parsedOwner(parsed);
    const RegFileReading reading = readRegFile(regFile);
    if (!reading.content) return ERROR_INVALID_DATA;

    win::UniqueHKey hive;
    // Only a hive that is loaded: a user who is logged on. Nothing is created at this level.
    const LSTATUS opened = ::RegOpenKeyExW(HKEY_USERS, sidText.c_str(), 0, KEY_READ, hive.put());
    if (opened != ERROR_SUCCESS) return opened;
    RegistryPlacesBarStore store(reinterpret_cast<RegKey>(hive.get()));
    return saveDialogs(store, *reading.content).error;
}

}  // namespace ql::cli
