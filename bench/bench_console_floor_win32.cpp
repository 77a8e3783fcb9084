// The benchmark's console floor: the least any program must do to print what `quorlane.exe /list`
// prints. It reads the places bar key and prints one line a place, its value's name, type, data and
// the shell's display name, through the same shell calls, and nothing else: no texts, no window
// classes, no C++ library beyond what the lines need. Linked as a GUI program, as quorlane.exe is.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

namespace {

constexpr wchar_t kPlacesBar[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ComDlg32\\PlacesBar";
constexpr int kMaxPlaces = 5;

std::wstring displayNameOf(const wchar_t* pathOrPidl, UINT flags) {
    SHFILEINFOW info{};
    ::SHGetFileInfoW(pathOrPidl, 0, &info, sizeof info, flags | SHGFI_DISPLAYNAME);
    return info.szDisplayName;
}

std::wstring specialFolderName(int csidl) {
    LPITEMIDLIST pidl = nullptr;
    ::SHGetSpecialFolderLocation(nullptr, csidl, &pidl);
    if (!pidl) return {};
    const std::wstring name = displayNameOf(reinterpret_cast<const wchar_t*>(pidl), SHGFI_PIDL);
    ::CoTaskMemFree(pidl);
    return name;
}

std::wstring pathName(const std::wstring& path, bool expandable) {
    if (path.empty()) return {};
    if (!expandable) return displayNameOf(path.c_str(), 0);
    wchar_t expanded[32768];
    const DWORD length = ::ExpandEnvironmentStringsW(path.c_str(), expanded, 32768);
    return displayNameOf(length && length <= 32768 ? expanded : path.c_str(), 0);
}

std::wstring placesText() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kPlacesBar, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return L"defaults\r\n";
    std::wstring text;
    for (int index = 0; index < kMaxPlaces; ++index) {
        const std::wstring name = L"Place" + std::to_wstring(index);
        BYTE data[2 * 32768]{};
        DWORD type = 0;
        DWORD size = sizeof data - sizeof(wchar_t);
        if (::RegQueryValueExW(key, name.c_str(), nullptr, &type, data, &size) != ERROR_SUCCESS) continue;
        text += name + L"\t";
        if (type == REG_DWORD) {
            DWORD csidl = 0;
            ::CopyMemory(&csidl, data, sizeof csidl);
            text += L"REG_DWORD\t" + std::to_wstring(csidl) + L"\t" + specialFolderName(static_cast<int>(csidl));
        } else {
            const std::wstring path(reinterpret_cast<const wchar_t*>(data));
            text += (type == REG_EXPAND_SZ ? L"REG_EXPAND_SZ\t" : L"REG_SZ\t") + path + L"\t" +
                    pathName(path, type == REG_EXPAND_SZ);
        }
        text += L"\r\n";
    }
    ::RegCloseKey(key);
    return text;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const bool com = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    const std::wstring text = placesText();
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr, nullptr);
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    if (com) ::CoUninitialize();
    return 0;
}
