#include "app/editor_rules.h"

#include "common/text_case.h"
#include "common/texts.h"

#include <algorithm>

namespace ql::editor {

ControlStates controlStates(bool customized, int entryCount, bool hasSelection) {
    return ControlStates{
        .listEnabled = customized,
        .addEnabled = customized && entryCount < kMaxEntries,
        .removeEnabled = customized && hasSelection,
    };
}

std::u16string confirmApplyQuestion(Action action) {
    return text(action == Action::Exiting ? IDS_CONFIRM_EXITING : IDS_CONFIRM_TESTING);
}

std::u16string changedByAnotherProgramQuestion() { return text(IDS_CHANGED_BY_ANOTHER_PROGRAM, {text(IDS_PROGRAM_TITLE)}); }

bool confirmApplyGoesOn(Answer answer, bool saveSucceeded) {
    switch (answer) {
    case Answer::Yes: return saveSucceeded;
    case Answer::No: return true;
    case Answer::Cancel: return false;
    }
    return false;
}

std::vector<int> removalOrder(const std::vector<bool>& selected) {
    std::vector<int> order;
    for (int i = static_cast<int>(selected.size()) - 1; i >= 0; --i) {
        if (selected[static_cast<std::size_t>(i)]) order.push_back(i);
    }
    return order;
}

std::optional<int> positionAfterRemoval(const std::vector<bool>& selected) {
    const auto first = std::find(selected.begin(), selected.end(), true);
    const auto left = static_cast<int>(std::count(selected.begin(), selected.end(), false));
    if (first == selected.end() || left == 0) return std::nullopt;
    return std::min(static_cast<int>(first - selected.begin()), left - 1);
}

std::optional<int> positionOf(const std::vector<Place>& places, const Place& place) {
    const auto withoutClosingSeparator = [](std::u16string_view path) {
        return path.size() > 3 && (path.back() == u'\\' || path.back() == u'/') ? path.substr(0, path.size() - 1) : path;
    };
    for (std::size_t i = 0; i < places.size(); ++i) {
        const Place& there = places[i];
        const bool same = there.isPath() ? place.isPath() && there.expandable == place.expandable &&
                                               equalsIgnoringCase(withoutClosingSeparator(there.path), withoutClosingSeparator(place.path))
                                         : !place.isPath() && there.csidl == place.csidl;
        if (same) return static_cast<int>(i);
    }
    return std::nullopt;
}

std::u16string saveFailedMessage(std::u16string_view failedStep, std::u16string_view systemText) {
    if (failedStep.empty()) return text(IDS_SAVE_FAILED, {systemText});
    return text(IDS_SAVE_FAILED_AT, {failedStep, systemText});
}

}  // namespace ql::editor
