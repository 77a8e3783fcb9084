#include "shell/known_folders_win32.h"

#include "common/win_handles.h"
#include "shell/shell_ui_win32.h"

#include <knownfolders.h>

namespace ql::shellUI {
namespace {

struct Candidate {
    const wchar_t* name;
    const KNOWNFOLDERID* id;
};

// The per-user folders that people keep things in, with no special folder number.
const Candidate kCandidates[] = {
    {L"Downloads", &FOLDERID_Downloads},
    {L"SavedGames", &FOLDERID_SavedGames},
    {L"Contacts", &FOLDERID_Contacts},
    {L"Links", &FOLDERID_Links},
    {L"Searches", &FOLDERID_SavedSearches},
};

void freeTaskMemory(PWSTR memory) { ::CoTaskMemFree(memory); }
using UniqueTaskString = win::Unique<PWSTR, freeTaskMemory>;

}  // namespace

std::vector<KnownFolder> knownFoldersWithoutCsidl() {
    std::vector<KnownFolder> folders;
    for (const Candidate& candidate : kCandidates) {
        UniqueTaskString path;
        // KF_FLAG_DONT_VERIFY is not given: a folder that does not exist is not offered, and none is created.
        if (FAILED(::SHGetKnownFolderPath(*candidate.id, 0, nullptr, path.put())) || !path || !isExistingFolder(path.get()))
            continue;
        folders.push_back({candidate.name, path.get()});
    }
    return folders;
}

}  // namespace ql::shellUI
