#include "picker/special_folder_scan_win32.h"

#include "common/win_text.h"
#include "picker/picker_texts.h"
#include "shell/shell_ui_win32.h"

namespace ql::picker {
namespace {

// The special folder numbers the shell may know; which of them exist only the shell can tell.
constexpr int kFirstCsidl = 0;  // CSIDL_DESKTOP
constexpr int kLastCsidl = 49;  // CSIDL_CONNECTIONS

}  // namespace

std::optional<std::wstring> SpecialFolderScan::askShellName(int csidl) { return shellUI::getSpecialFolderDisplayName(csidl); }

int SpecialFolderScan::askShellIcon(const ScannedFolder& folder) {
    return folder.csidl >= 0 ? shellUI::getSpecialFolderIconIndex(folder.csidl)
                             : shellUI::getPathDisplayInfo(folder.path).iconIndex;
}

SpecialFolderScan::SpecialFolderScan(shellUI::LookupQueue& queue, NameQuery names, KnownFolderQuery knownFolders,
                                     IconQuery icons)
    : queue_(queue), iconQuery_(std::move(icons)) {
    queue_.ask(
        replies_,
        [names = std::move(names), knownFolders = std::move(knownFolders), stop = stop_] {
            std::vector<ScannedFolder> folders;
            for (int csidl = kFirstCsidl; csidl <= kLastCsidl && !*stop; ++csidl) {
                if (std::optional<std::wstring> name = names(csidl)) folders.push_back({csidl, {}, std::move(*name)});
            }
            if (*stop) return folders;
            for (shellUI::KnownFolder& folder : knownFolders()) {
                if (*stop) break;
                std::wstring name = shellUI::getPathDisplayName(folder.path);
                folders.push_back({-1, std::move(folder.path), name.empty() ? std::move(folder.name) : std::move(name)});
            }
            // Where the special folders that share a name lead, so that the picker can tell them apart.
            std::vector<std::u16string> shownNames;
            for (const ScannedFolder& folder : folders) shownNames.push_back(win::toU16(folder.displayName));
            const std::vector<bool> shared = sharedNames(shownNames);
            for (std::size_t i = 0; i < folders.size() && !*stop; ++i) {
                if (shared[i] && folders[i].csidl >= 0) folders[i].path = shellUI::getSpecialFolderPath(folders[i].csidl, nullptr);
            }
            return folders;
        },
        [this](std::vector<ScannedFolder> folders) {
            folders_ = std::move(folders);
            namesIn_ = true;
        });
}

SpecialFolderScan::~SpecialFolderScan() { *stop_ = true; }

void SpecialFolderScan::reportTo(HWND notify, UINT progressMessage) { replies_.open(notify, progressMessage); }

void SpecialFolderScan::startIcons() {
    if (iconsStarted_ || !namesIn_) return;
    iconsStarted_ = true;
    queue_.ask(
        replies_,
        [folders = folders_, icons = iconQuery_, stop = stop_] {
            std::vector<int> found;
            found.reserve(folders.size());
            for (const ScannedFolder& folder : folders) {
                if (*stop) break;
                found.push_back(icons(folder));
            }
            return found;
        },
        [this](std::vector<int> icons) {
            icons_ = std::move(icons);
            iconsIn_ = true;
        });
}

}  // namespace ql::picker
