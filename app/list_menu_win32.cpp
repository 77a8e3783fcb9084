#include "app/list_menu_win32.h"

#include "app/control_ids.h"
#include "common/win_texts.h"

namespace ql::listMenu {
namespace {

void destroyMenu(HMENU menu) { ::DestroyMenu(menu); }
using UniqueMenu = win::Unique<HMENU, destroyMenu>;

void append(HMENU menu, int command, UINT textId, bool enabled) {
    ::AppendMenuW(menu, static_cast<UINT>(MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED)), static_cast<UINT_PTR>(command), win::loadText(textId).c_str());
}

}  // namespace

int track(HWND owner, POINT at, bool onEntry, const editor::ListMenuStates& states) {
    const UniqueMenu menu(::CreatePopupMenu());
    if (!menu) return 0;
    if (onEntry) {
        append(menu.get(), ids::kOpenPlace, IDS_MENU_OPEN, states.open);
        ::SetMenuDefaultItem(menu.get(), ids::kOpenPlace, FALSE);
        append(menu.get(), ids::kCopyPath, IDS_MENU_COPY_PATH, states.copyPath);
        ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        append(menu.get(), ids::kMoveUp, IDS_MENU_MOVE_UP, states.moveUp);
        append(menu.get(), ids::kMoveDown, IDS_MENU_MOVE_DOWN, states.moveDown);
        ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        append(menu.get(), ids::kRemoveItem, IDS_MENU_REMOVE, states.remove);
    } else {
        append(menu.get(), ids::kPaste, IDS_MENU_PASTE, states.paste);
        ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        append(menu.get(), ids::kAddFolder, IDS_MENU_ADD_FOLDER, states.addFolder);
        append(menu.get(), ids::kAddSpecial, IDS_MENU_ADD_SPECIAL, states.addSpecial);
        // Commands on the places bar as a whole, as in the system menu.
        ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        append(menu.get(), ids::kImportPlacesBar, IDS_IMPORT_PLACES_BAR, true);
        append(menu.get(), ids::kExportPlacesBar, IDS_EXPORT_PLACES_BAR, true);
    }
    const UINT flags = TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY |
                       (::GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN);
    return static_cast<int>(::TrackPopupMenu(menu.get(), flags, at.x, at.y, 0, owner, nullptr));
}

}  // namespace ql::listMenu
