#include "about/about_sysinfo_win32.h"

#include "about/about_values.h"
#include "common/version.h"
#include "common/win_handles.h"
#include "common/win_text.h"
#include "common/win_texts.h"

namespace ql::about {
namespace {

// The path as this process must name it to reach the file the 64-bit system means: a 32-bit build
// on 64-bit Windows sees SysWOW64 in place of System32, where the tool is not.
std::wstring nativePath(const std::wstring& path) {
    BOOL wow64 = FALSE;
    if (!::IsWow64Process(::GetCurrentProcess(), &wow64) || !wow64) return path;
    wchar_t system[MAX_PATH] = {};
    wchar_t windows[MAX_PATH] = {};
    if (::GetSystemDirectoryW(system, MAX_PATH) == 0 || ::GetWindowsDirectoryW(windows, MAX_PATH) == 0) return path;
    return win::toWide(pathPastRedirection(win::toU16(path), win::toU16(system), win::toU16(std::wstring(windows) + L"\\Sysnative")));
}

class OrdinaryFiles : public FileProbe {
public:
    bool isOrdinaryFile(std::u16string_view path) const override { return about::isOrdinaryFile(nativePath(win::toWide(path))); }
};

}  // namespace

std::optional<RawValue> RegistryValues::read(std::u16string_view keyName, std::u16string_view valueName) const {
    win::UniqueHKey key;
    // The 64-bit view, where 64-bit Windows keeps the tool's location, from the 32-bit build too.
    if (::RegOpenKeyExW(root_, win::toWide(keyName).c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    RawValue value;
    value.bytes.resize(kValueBufferBytes);
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(value.bytes.size());
    if (::RegQueryValueExW(key.get(), win::toWide(valueName).c_str(), nullptr, &type, value.bytes.data(), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.type = type;
    value.bytes.resize(size);
    return value;
}

bool isOrdinaryFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

bool startProgram(const std::wstring& path) {
    if (path.empty()) return false;
    // CreateProcess may write into the command line: it gets a buffer of its own.
    std::wstring commandLine = win::toWide(sysInfoCommandLine(win::toU16(path)));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &started)) {
        return false;
    }
    const win::UniqueHandle process(started.hProcess);
    const win::UniqueHandle thread(started.hThread);
    return true;
}

void StartSysInfo(HWND owner) {
    const RegistryValues hklm(HKEY_LOCAL_MACHINE);
    const OrdinaryFiles files;
    if (const std::optional<std::u16string> path = sysInfoPath(hklm, files); path && startProgram(nativePath(win::toWide(*path)))) {
        return;
    }
    ::MessageBoxW(owner, win::loadText(IDS_SYSTEM_INFO_UNAVAILABLE).c_str(), win::loadText(IDS_PROGRAM_TITLE).c_str(), MB_OK);
}

}  // namespace ql::about
