#include "app/editor_rules.h"

namespace ql::editor {

ControlStates controlStates(bool customized, int entryCount, bool hasSelection) {
    return ControlStates{
        .listEnabled = customized,
        .addEnabled = customized && entryCount < kMaxEntries,
        .removeEnabled = customized && hasSelection,
    };
}

std::u16string confirmApplyQuestion(std::u16string_view what) {
    std::u16string text = u"Apply changes before ";
    text += what;
    text += u"?";
    return text;
}

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
    std::u16string text = u"The places bar could not be saved";
    if (!failedStep.empty()) {
        text += u" (";
        text += failedStep;
        text += u")";
    }
    text += u":\n\n";
    text += systemText;
    text += u"\n\nYour changes are kept in the list; Apply again to retry.";
    return text;
}

}  // namespace ql::editor
