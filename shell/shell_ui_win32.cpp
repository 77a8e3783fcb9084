#include "shell/shell_ui_win32.h"

#include "common/win_text.h"
#include "common/win_texts.h"
#include "shell/trim_at_nul.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>

namespace ql::shellUI {
namespace {

constexpr std::size_t kMaxPathChars = MAX_PATH;  // 260
constexpr std::size_t kLongestPathChars = 32768;  // with the \\?\ prefix

DisplayInfo readFileInfo(const SHFILEINFOW& info) {
    return DisplayInfo{trimAtNul(std::wstring(info.szDisplayName, std::size(info.szDisplayName))), info.iIcon};
}

// The folder that holds the program's executable, where the test dialog starts.
std::wstring programFolder() {
    const std::wstring path = win::programPath();
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// The Open dialog's places bar (ctl1).
constexpr int kPlacesBarId = 0x4A0;

// The Explorer-style Open dialog shows the places bar only with a hook (Windows Vista and later
// otherwise show the new-style dialog, which ignores the places bar policy). This one makes the
// dialog tall enough for all five places: at its first size, in a font larger than the one it was
// drawn for, the last is cut off.
UINT_PTR CALLBACK openDialogHook(HWND hook, UINT msg, WPARAM, LPARAM lParam) {
    if (msg != WM_NOTIFY || reinterpret_cast<const NMHDR*>(lParam)->code != CDN_INITDONE) return 0;
    const HWND dialog = ::GetParent(hook);
    const HWND places = ::GetDlgItem(dialog, kPlacesBarId);
    const auto count = static_cast<WPARAM>(::SendMessageW(places, TB_BUTTONCOUNT, 0, 0));
    RECT last{}, bar{}, client{}, outer{};
    if (!places || count == 0 || !::SendMessageW(places, TB_GETITEMRECT, count - 1, reinterpret_cast<LPARAM>(&last))) return 0;
    ::MapWindowPoints(places, dialog, reinterpret_cast<POINT*>(&last), 2);
    ::GetWindowRect(places, &bar);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&bar), 2);
    ::GetClientRect(dialog, &client);
    ::GetWindowRect(dialog, &outer);
    // Where the last place ends beyond the places bar or the dialog, both grow as much; the dialog
    // moves what stands below its file list down.
    const LONG missing = std::max(last.bottom - bar.bottom, last.bottom - client.bottom);
    if (missing <= 0) return 0;
    ::SetWindowPos(dialog, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top + missing,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(places, nullptr, 0, 0, bar.right - bar.left, std::max(bar.bottom, last.bottom) - bar.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}

}  // namespace

std::wstring browseForFolder(HWND owner) {
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    const std::wstring title = win::loadText(IDS_BROWSE_TITLE);
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;  // 0x51
    const win::UniquePidl chosen(::SHBrowseForFolderW(&info));
    if (!chosen) return {};
    // Room for the longest path the file system allows, not only MAX_PATH.
    std::wstring path(kLongestPathChars, L'\0');
    if (!::SHGetPathFromIDListEx(chosen.get(), path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT)) return {};
    return trimAtNul(path);
}

DisplayInfo getPathDisplayInfo(const std::wstring& path) {
    SHFILEINFOW info{};
    ::SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_DISPLAYNAME);
    return readFileInfo(info);
}

DisplayInfo getPidlDisplayInfo(PCIDLIST_ABSOLUTE pidl) {
    SHFILEINFOW info{};
    ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl), 0, &info, sizeof info,
                     SHGFI_SYSICONINDEX | SHGFI_DISPLAYNAME | SHGFI_PIDL);
    return readFileInfo(info);
}

std::optional<DisplayInfo> getSpecialFolderDisplayInfo(int csidl, HWND owner) {
    win::UniquePidl pidl;
    ::SHGetSpecialFolderLocation(owner, csidl, pidl.put());
    if (!pidl) return std::nullopt;
    return getPidlDisplayInfo(pidl.get());
}

int getSpecialFolderIconIndex(int csidl) {
    win::UniquePidl pidl;
    ::SHGetSpecialFolderLocation(nullptr, csidl, pidl.put());
    if (!pidl) return 0;
    SHFILEINFOW info{};
    ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl.get()), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_PIDL);
    return info.iIcon;
}

std::wstring getPathDisplayName(const std::wstring& path) {
    SHFILEINFOW info{};
    ::SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME);
    return readFileInfo(info).displayName;
}

std::optional<std::wstring> getSpecialFolderDisplayName(int csidl) {
    win::UniquePidl pidl;
    ::SHGetSpecialFolderLocation(nullptr, csidl, pidl.put());
    if (!pidl) return std::nullopt;
    SHFILEINFOW info{};
    ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl.get()), 0, &info, sizeof info, SHGFI_DISPLAYNAME | SHGFI_PIDL);
    return readFileInfo(info).displayName;
}

std::wstring expandEnvironmentText(const std::wstring& text) {
    // The size needed, NUL included, may grow between the calls if another thread changes the environment.
    std::wstring expanded;
    DWORD needed = ::ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    while (needed > expanded.size()) {
        expanded.resize(needed);
        needed = ::ExpandEnvironmentStringsW(text.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
        if (needed == 0) return text;
    }
    return trimAtNul(expanded);
}

std::wstring getSpecialFolderPath(int csidl, HWND owner) {
    std::wstring path(MAX_PATH, L'\0');
    if (FAILED(::SHGetFolderPathW(owner, csidl, nullptr, SHGFP_TYPE_CURRENT, path.data()))) return {};
    return trimAtNul(path);
}

bool isExistingFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int genericFolderIconIndex() {
    SHFILEINFOW info{};
    // With SHGFI_USEFILEATTRIBUTES the shell looks at the name and attributes alone, not at the disk.
    ::SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
    return info.iIcon;
}

std::wstring showOpenDialog(HWND owner, const std::wstring& title) {
    std::wstring file(kMaxPathChars, L'\0');
    std::wstring fileTitle(kMaxPathChars, L'\0');
    const std::wstring initialDir = programFolder();

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;  // the full size: the places bar shows only with it
    ofn.hwndOwner = owner;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrFileTitle = fileTitle.data();
    ofn.nMaxFileTitle = static_cast<DWORD>(fileTitle.size());
    ofn.lpstrInitialDir = initialDir.c_str();
    ofn.lpstrTitle = title.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_ENABLESIZING;
    ofn.lpfnHook = openDialogHook;
    if (!::GetOpenFileNameW(&ofn)) return {};
    return trimAtNul(file);
}

}  // namespace ql::shellUI
