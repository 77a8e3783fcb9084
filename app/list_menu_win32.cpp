#include "app/list_menu_win32.h"

namespace ql::listMenu {
namespace {

void destroyMenu(HMENU menu) { ::DestroyMenu(menu); }
using UniqueMenu = win::Unique<HMENU, destroyMenu>;

void append(HMENU menu, Command command, const wchar_t* text, bool enabled) {
    ::AppendMenuW(menu, static_cast<UINT>(MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED)), command, text);
}

}  // namespace

Command track(HWND owner, POINT at, bool onEntry, const editor::ListMenuStates& states) {
    const UniqueMenu menu(::CreatePopupMenu());
    if (!menu) return kNone;
    if (onEntry) {
        append(menu.get(), kOpen, L"&Open", states.open);
        ::SetMenuDefaultItem(menu.get(), kOpen, FALSE);
        append(menu.get(), kCopyPath, L"&Copy path", states.copyPath);
        ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        append(menu.get(), kMoveUp, L"Move &up", states.moveUp);
        append(menu.get(), kMoveDown, L"Move &down", states.moveDown);
        ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        append(menu.get(), kRemove, L"&Remove", states.remove);
    } else {
        append(menu.get(), kPaste, L"&Paste", states.paste);
        ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        append(menu.get(), kAddFolder, L"Add &folder...", states.addFolder);
        append(menu.get(), kAddSpecial, L"Add &special...", states.addSpecial);
        // Commands on the places bar as a whole, as in the system menu.
        ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        append(menu.get(), kImportPlacesBar, L"Import places bar...", true);
        append(menu.get(), kExportPlacesBar, L"Export places bar...", true);
    }
    const UINT flags = TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY |
                       (::GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN);
    return static_cast<Command>(::TrackPopupMenu(menu.get(), flags, at.x, at.y, 0, owner, nullptr));
}

}  // namespace ql::listMenu
