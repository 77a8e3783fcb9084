#pragma once
// Known folders that the shell's special folder numbers leave out (Downloads above all).
#include <string>
#include <vector>

namespace ql::shellUI {

struct KnownFolder {
    std::wstring name;  // the folder's canonical English name, such as "Downloads"
    std::wstring path;
};

// The known folders with no special folder number that exist on this system, Downloads first.
std::vector<KnownFolder> knownFoldersWithoutCsidl();

}  // namespace ql::shellUI
