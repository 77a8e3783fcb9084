#pragma once
// Places that arrive from outside the window: folders dropped or pasted, paths pasted as text.
// What of them the list takes, and what the user is told when it takes nothing.
#include "store/place.h"

#include <string>
#include <string_view>
#include <vector>

namespace ql::editor {

// The paths in pasted text: one a line, blanks and surrounding quotes stripped, empty lines left out.
std::vector<std::u16string> pathsFromText(std::u16string_view text);

// The place a pasted or dropped path becomes: REG_EXPAND_SZ when it holds a %VARIABLE%, else REG_SZ.
Place placeFromPath(std::u16string path);

// One item offered to the list, and whether it is a folder that exists.
struct Offered {
    Place place;
    bool isFolder = false;
};

struct AddPlan {
    std::vector<Place> places;  // to append, in the order offered
    std::u16string message;     // why nothing is added; empty when something is, or when the list takes nothing
    bool operator==(const AddPlan&) const = default;
};

// The folders among `offered` that fit into a list of `entryCount` entries. When none can be
// added, the message says why: no folder among them, or no room left.
AddPlan planAdd(bool customized, int entryCount, const std::vector<Offered>& offered);

// Whether the list takes a drop at all, which the cursor shows. A drop of files is taken even when
// nothing of it can be added, so that the user is told why.
bool takesDrop(bool customized, bool holdsFiles);

}  // namespace ql::editor
