#include "cli/reg_file_ui_win32.h"

#include "cli/cli_win32.h"
#include "common/win_text.h"

#include <commdlg.h>

#include <string>

namespace ql::cli {
namespace {

constexpr wchar_t kTitle[] = L"Quorlane";
constexpr wchar_t kFilter[] = L"Registration files (*.reg)\0*.reg\0All files (*.*)\0*.*\0";

// Room for long paths; the dialog cuts nothing it cannot fit, it fails instead.
constexpr std::size_t kPathChars = 32768;

std::wstring chooseFile(HWND owner, const wchar_t* title, bool save) {
    std::wstring path(kPathChars, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrTitle = title;
    dialog.lpstrDefExt = L"reg";
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
                   (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL chosen = save ? ::GetSaveFileNameW(&dialog) : ::GetOpenFileNameW(&dialog);
    if (!chosen) return {};
    path.resize(path.find(L'\0'));
    return path;
}

void tell(HWND owner, const std::wstring& text) { ::MessageBoxW(owner, text.c_str(), kTitle, MB_OK | MB_ICONERROR); }

}  // namespace

std::optional<PlacesBarContent> importPlacesBarFile(HWND owner) {
    const std::wstring path = chooseFile(owner, L"Import places bar", false);
    if (path.empty()) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    std::wstring error;
    if (!readFileBytes(path, bytes, error)) {
        tell(owner, L"Cannot read " + path + L": " + error);
        return std::nullopt;
    }
    RegFileReading reading = readRegFile(bytes);
    if (!reading.content) {
        tell(owner, win::toWide(refusedFileMessage(win::toU16(path), reading.error)) + L".");
        return std::nullopt;
    }
    return std::move(reading.content);
}

bool exportPlacesBarFile(HWND owner, const PlacesBarContent& content) {
    const std::wstring path = chooseFile(owner, L"Export places bar", true);
    if (path.empty()) return false;
    std::wstring error;
    if (!writeFileBytes(path, writeRegFile(content), error)) {
        tell(owner, L"Cannot write " + path + L": " + error);
        return false;
    }
    return true;
}

}  // namespace ql::cli
