#include "app/list_menu.h"

#include "common/texts.h"

namespace ql::editor {

ListMenuStates listMenuStates(const ControlStates& controls, int entryCount, const std::optional<MenuEntry>& entry,
                              bool clipboardHoldsPlaces) {
    ListMenuStates states;
    if (entry) {
        const bool movable = controls.listEnabled && entry->onlySelected;
        states.open = entry->leadsSomewhere;
        states.copyPath = entry->hasPath;
        states.moveUp = movable && entry->position > 0;
        states.moveDown = movable && entry->position + 1 < entryCount;
        states.remove = controls.removeEnabled;
    }
    states.paste = controls.addEnabled && clipboardHoldsPlaces;
    states.addFolder = controls.addEnabled;
    states.addSpecial = controls.addEnabled;
    return states;
}

std::u16string infoTip(const Place& place, std::u16string_view resolvedPath, Resolution resolution) {
    std::u16string tip;
    if (!place.isPath()) {
        const std::string number = std::to_string(place.csidl);
        tip = text(IDS_TIP_SPECIAL_FOLDER, {std::u16string(number.begin(), number.end())});
    } else {
        const std::u16string stored = place.path.empty() ? text(IDS_ENTRY_EMPTY) : place.path;
        tip = text(IDS_TIP_STORED_PATH, {place.expandable ? u"REG_EXPAND_SZ" : u"REG_SZ", stored});
    }
    switch (resolution) {
    case Resolution::Empty: return tip;
    case Resolution::NotFound: return text(IDS_TIP_LEADS_TO, {tip, text(IDS_TIP_NOT_FOUND)});
    case Resolution::NotAFolder: return text(IDS_TIP_LEADS_TO, {tip, text(IDS_TIP_NOT_A_FOLDER)});
    case Resolution::Folder: break;
    }
    if (resolvedPath.empty() || (place.isPath() && resolvedPath == place.path)) return tip;
    return text(IDS_TIP_LEADS_TO, {tip, resolvedPath});
}

}  // namespace ql::editor
