// Quorlane: starts the main window and runs its message loop until the window is gone.
#include "app/qleditor_win32.h"
#include "common/win_handles.h"
#include "store/registry_places_bar_store.h"

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    // The folder browser's new-style dialog needs COM on this thread.
    const ql::win::ComApartment com;

    ql::RegistryPlacesBarStore store;
    ql::QlEditor editor(store);
    const HWND window = editor.create(instance);
    if (!window) return 1;

    MSG msg{};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (editor.preTranslateMessage(msg)) continue;
        if (editor.hwnd() && ::IsDialogMessageW(editor.hwnd(), &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
