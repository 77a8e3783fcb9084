#include "app/place_transfer_win32.h"

#include "common/win_text.h"
#include "shell/shell_ui_win32.h"

#include <shellapi.h>

#include <cstring>

namespace ql::transfer {
namespace {

std::wstring expanded(const Place& place) {
    const std::wstring path = win::toWide(place.path);
    return place.expandable ? shellUI::expandEnvironmentText(path) : path;
}

}  // namespace

std::vector<Place> placesFromFileList(HDROP files) {
    std::vector<Place> items;
    const UINT count = ::DragQueryFileW(files, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring path(::DragQueryFileW(files, i, nullptr, 0) + 1, L'\0');
        path.resize(::DragQueryFileW(files, i, path.data(), static_cast<UINT>(path.size())));
        // A file list holds real paths: a '%' in one is part of a name, not a variable.
        items.push_back(Place::folderPath(win::toU16(path)));
    }
    return items;
}

std::vector<Place> placesFromText(std::wstring_view text) {
    std::vector<Place> items;
    for (std::u16string& path : editor::pathsFromText(win::toU16(text))) items.push_back(editor::placeFromPath(std::move(path)));
    return items;
}

std::vector<editor::Offered> markFolders(std::vector<Place> places) {
    std::vector<editor::Offered> items;
    for (Place& place : places) {
        const bool folder = shellUI::isExistingFolder(expanded(place));
        items.push_back({std::move(place), folder});
    }
    return items;
}

bool clipboardHoldsPlaces() {
    return ::IsClipboardFormatAvailable(CF_HDROP) || ::IsClipboardFormatAvailable(CF_UNICODETEXT);
}

std::optional<std::vector<Place>> placesFromClipboard(HWND owner) {
    const win::OpenClipboard clipboard(owner);
    if (!clipboard.ok()) return std::nullopt;
    if (const HANDLE files = ::GetClipboardData(CF_HDROP)) return placesFromFileList(static_cast<HDROP>(files));
    if (const HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        const win::GlobalLock<const wchar_t> text(data);
        if (!text.get()) return std::nullopt;
        // Bounded by the block's size: the text need not end in a NUL.
        const std::wstring_view all(text.get(), text.size() / sizeof(wchar_t));
        return placesFromText(all.substr(0, all.find(L'\0')));
    }
    return std::nullopt;
}

bool copyToClipboard(HWND owner, std::wstring_view text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    win::UniqueGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory) return false;
    {
        const win::GlobalLock<wchar_t> data(memory.get());
        if (!data.get()) return false;
        std::memcpy(data.get(), text.data(), text.size() * sizeof(wchar_t));
        data.get()[text.size()] = L'\0';
    }
    const win::OpenClipboard clipboard(owner);
    if (!clipboard.ok() || !::EmptyClipboard()) return false;
    if (!::SetClipboardData(CF_UNICODETEXT, memory.get())) return false;
    memory.release();  // the clipboard owns it now
    return true;
}

std::wstring resolvedPath(const Place& place, HWND owner) {
    if (place.isPath()) return expanded(place);
    return shellUI::getSpecialFolderPath(place.csidl, owner);
}

bool leadsSomewhere(const Place& place, HWND owner) {
    if (place.isPath()) return true;
    win::UniquePidl pidl;
    return SUCCEEDED(::SHGetSpecialFolderLocation(owner, place.csidl, pidl.put())) && pidl;
}

void openInFileManager(const Place& place, HWND owner) {
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof execute;
    execute.hwnd = owner;
    execute.lpVerb = L"open";
    execute.nShow = SW_SHOWNORMAL;
    // A special folder opens by its item ID list, so that those without a path (My Computer) open too.
    win::UniquePidl pidl;
    const std::wstring path = expanded(place);
    if (place.isPath()) {
        execute.lpFile = path.c_str();
    } else {
        if (FAILED(::SHGetSpecialFolderLocation(owner, place.csidl, pidl.put())) || !pidl) return;
        execute.fMask = SEE_MASK_IDLIST;
        execute.lpIDList = pidl.get();
    }
    ::ShellExecuteExW(&execute);
}

}  // namespace ql::transfer
