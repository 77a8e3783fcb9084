// Quorlane: with arguments runs them as a command; without, starts the main window and runs its
// message loop until the window is gone.
#include "app/key_watcher_win32.h"
#include "app/qleditor_win32.h"
#include "cli/cli_win32.h"
#include "common/win_handles.h"
#include "common/win_text.h"
#include "shell/lookup_queue_win32.h"
#include "store/places_bar.h"
#include "store/registry_places_bar_store.h"

#include <commctrl.h>

namespace {

// Serves the window and, between its messages, the watcher: a change of the places bar by another
// program reaches the window on its own thread, never inside a modal dialog it shows.
int runMessageLoop(ql::QlEditor& editor, ql::KeyWatcher& watcher) {
    for (;;) {
        HANDLE changed = watcher.event();
        const DWORD woke =
            ::MsgWaitForMultipleObjectsEx(changed ? 1 : 0, &changed, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (changed && woke == WAIT_OBJECT_0) {
            watcher.rearm();
            editor.placesBarKeyChanged();
        }
        // Messages are served after every wake, so that a key changing all the time starves nothing.
        MSG msg{};
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
            if (editor.preTranslateMessage(msg)) continue;
            if (editor.hwnd() && ::IsDialogMessageW(editor.hwnd(), &msg)) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    if (const auto args = ql::cli::commandLineArguments(); !args.empty()) return ql::cli::runCommandLine(args);

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    // COM for the folder browser's new-style dialog, OLE for folders dropped on the list.
    const ql::win::OleSession ole;

    // Watching before the window loads the key: no change after the load goes unseen.
    ql::KeyWatcher watcher(ql::win::toWide(ql::comDlg32Path()));  // the settings and, below, the places bar
    ql::RegistryPlacesBarStore store;
    // Every look-up of a place goes here, never to the window's thread; it outlives the window.
    ql::shellUI::LookupQueue lookups;
    ql::QlEditor editor(store, lookups);
    const HWND window = editor.create();
    if (!window) return 1;
    return runMessageLoop(editor, watcher);
}
