#include "app/editor_rules.h"

#include "common/texts.h"

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

std::u16string saveFailedMessage(std::u16string_view failedStep, std::u16string_view systemText) {
    if (failedStep.empty()) return text(IDS_SAVE_FAILED, {systemText});
    return text(IDS_SAVE_FAILED_AT, {failedStep, systemText});
}

}  // namespace ql::editor
