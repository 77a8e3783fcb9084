#pragma once
// What the main window decides, apart from how it shows it: which controls are usable, what an
// entry's text is, what the apply question says and what its answer leads to.
#include "store/place.h"

#include <string>
#include <string_view>
#include <vector>

namespace ql::editor {

inline constexpr int kMaxEntries = 5;

struct ControlStates {
    bool listEnabled = false;
    bool addEnabled = false;     // "Add folder..." and "Add special..."
    bool removeEnabled = false;  // "Remove"
    bool operator==(const ControlStates&) const = default;
};

// The whole rule of `updateControls`.
ControlStates updateControls(bool customized, int entryCount, bool hasSelection);

// A path entry shows "display name: path"; a special folder its display name alone.
std::u16string entryText(const Place& place, std::u16string_view displayName);

// "Apply changes before " + what + "?"
std::u16string confirmApplyQuestion(std::u16string_view what);

enum class Answer { Yes, No, Cancel };

// Whether the action that asked goes on. Yes goes on only when the save succeeded, so that a
// failed save never lets Close or Test drop the user's edits.
bool confirmApplyGoesOn(Answer answer, bool saveSucceeded);

// Positions (0-based) to remove for the selected entries, last first, so that the positions
// still to visit stay valid while entries disappear behind them.
std::vector<int> removalOrder(const std::vector<bool>& selected);

// The message shown when the places bar could not be saved.
std::u16string saveFailedMessage(std::u16string_view failedStep, std::u16string_view systemText);

}  // namespace ql::editor
