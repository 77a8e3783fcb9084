#include "app/reg_file_ui_win32.h"

#include "cli/cli_win32.h"
#include "common/win_text.h"
#include "common/win_texts.h"

#include <commdlg.h>

#include <algorithm>
#include <string>

namespace ql {
namespace {


// Room for long paths; the dialog cuts nothing it cannot fit, it fails instead.
constexpr std::size_t kPathChars = 32768;

std::wstring chooseFile(HWND owner, UINT titleId, bool save) {
    const std::wstring title = win::loadText(titleId);
    // The table gives the filter's pairs with | between them, for the dialog's NUL.
    std::wstring filter = win::loadText(IDS_REG_FILE_FILTER);
    std::replace(filter.begin(), filter.end(), L'|', L'\0');
    std::wstring path(kPathChars, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = L"reg";
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
                   (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL chosen = save ? ::GetSaveFileNameW(&dialog) : ::GetOpenFileNameW(&dialog);
    if (!chosen) return {};
    path.resize(path.find(L'\0'));
    return path;
}

void tell(HWND owner, const std::wstring& text) {
    ::MessageBoxW(owner, text.c_str(), win::loadText(IDS_PROGRAM_TITLE).c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace

std::optional<DialogsContent> importPlacesBarFile(HWND owner) {
    const std::wstring path = chooseFile(owner, IDS_IMPORT_TITLE, false);
    if (path.empty()) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    std::wstring error;
    if (!cli::readFileBytes(path, bytes, error)) {
        tell(owner, win::loadText(IDS_CANNOT_READ_FILE, {win::toU16(path), win::toU16(error)}));
        return std::nullopt;
    }
    RegFileReading reading = readRegFile(bytes);
    if (!reading.content) {
        tell(owner, win::loadText(IDS_REFUSED_FILE_SENTENCE, {refusedFileMessage(win::toU16(path), reading.error)}));
        return std::nullopt;
    }
    return std::move(reading.content);
}

bool exportPlacesBarFile(HWND owner, const PlacesBarContent& content, const DialogSettings& settings) {
    const std::wstring path = chooseFile(owner, IDS_EXPORT_TITLE, true);
    if (path.empty()) return false;
    std::wstring error;
    if (!cli::writeFileBytes(path, writeRegFile(content, allSettings(settings)), error)) {
        tell(owner, win::loadText(IDS_CANNOT_WRITE_FILE, {win::toU16(path), win::toU16(error)}));
        return false;
    }
    return true;
}

}  // namespace ql
