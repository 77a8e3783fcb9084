#pragma once
// What the main window decides, apart from how it shows it: which controls are usable, what the
// questions say and what their answers lead to.
#include "store/place.h"

#include <optional>
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

// The whole rule of the main window's `updateControls`: which of its controls are usable.
ControlStates controlStates(bool customized, int entryCount, bool hasSelection);

// What Close and Test ask before they go on with unsaved changes.
enum class Action { Exiting, Testing };
std::u16string confirmApplyQuestion(Action action);

enum class Answer { Yes, No, Cancel };

// Asked before a save when the key no longer holds what the window last loaded or saved.
// Yes saves; No drops the window's list for what is stored now; Cancel saves nothing.
std::u16string changedByAnotherProgramQuestion();

// Whether the action that asked goes on. Yes goes on only when the save succeeded, so that a
// failed save never lets Close or Test drop the user's edits.
bool confirmApplyGoesOn(Answer answer, bool saveSucceeded);

// Positions (0-based) to remove for the selected entries, last first, so that the positions
// still to visit stay valid while entries disappear behind them.
std::vector<int> removalOrder(const std::vector<bool>& selected);

// The position, once the selected entries are removed, of the entry that took the first removed
// one's place: the one after it, or the last entry when none followed; none when none is left.
std::optional<int> positionAfterRemoval(const std::vector<bool>& selected);

// Where the list holds `place` already: the same special folder, or the same path in any case and
// with or without a closing backslash; none when it does not.
std::optional<int> positionOf(const std::vector<Place>& places, const Place& place);

// The message shown when the places bar could not be saved.
std::u16string saveFailedMessage(std::u16string_view failedStep, std::u16string_view systemText);

}  // namespace ql::editor
