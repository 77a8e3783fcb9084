#include "app/list_menu_win32.h"

#include "common/win_texts.h"

namespace ql::listMenu {
namespace {

void destroyMenu(HMENU menu) { ::DestroyMenu(menu); }
using UniqueMenu = win::Unique<HMENU, destroyMenu>;

void append(HMENU menu, Command command, UINT textId, bool enabled) {
    ::AppendMenuW(menu, static_cast<UINT>(MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED)), command, win::loadText(textId).c_str());
}

}  // namespace

Command track(HWND owner, POINT at, bool onEntry, const editor::ListMenuStates& states) {
    const UniqueMenu menu(::CreatePopupMenu());
    if (!menu) return kNone;
    if (onEntry) {
        append(menu.get(), kOpen, IDS_MENU_OPEN, states.open);
        ::SetMenuDefaultItem(menu.get(), kOpen, FALSE);
        append(menu.get(), kCopyPath, IDS_MENU_COPY_PATH, states.copyPath);
        ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        append(menu.get(), kMoveUp, IDS_MENU_MOVE_UP, states.moveUp);
        append(menu.get(), kMoveDown, IDS_MENU_MOVE_DOWN, states.moveDown);
        ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        append(menu.get(), kRemove, IDS_MENU_REMOVE, states.remove);
    } else {
        append(menu.get(), kPaste, IDS_MENU_PASTE, states.paste);
        ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        append(menu.get(), kAddFolder, IDS_MENU_ADD_FOLDER, states.addFolder);
        append(menu.get(), kAddSpecial, IDS_MENU_ADD_SPECIAL, states.addSpecial);
        // Commands on the places bar as a whole, as in the system menu.
        ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        append(menu.get(), kImportPlacesBar, IDS_IMPORT_PLACES_BAR, true);
        append(menu.get(), kExportPlacesBar, IDS_EXPORT_PLACES_BAR, true);
    }
    const UINT flags = TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY |
                       (::GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN);
    return static_cast<Command>(::TrackPopupMenu(menu.get(), flags, at.x, at.y, 0, owner, nullptr));
}

}  // namespace ql::listMenu
