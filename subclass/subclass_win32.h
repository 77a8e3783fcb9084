#pragma once
// The subclassing service over the real windows of this process.
#include <windows.h>

#include "subclass/subclass.h"

namespace ql::subclass {

inline WindowHandle handleOf(HWND hwnd) { return reinterpret_cast<WindowHandle>(hwnd); }
inline HWND hwndOf(WindowHandle hwnd) { return reinterpret_cast<HWND>(hwnd); }

// Window properties, procedures and process ids through user32. Property names are
// ASCII and so reach the W entry points unchanged.
class Win32WindowHost final : public WindowHost {
public:
    std::uintptr_t getProp(WindowHandle hwnd, std::string_view name) override;
    void setProp(WindowHandle hwnd, std::string_view name, std::uintptr_t value) override;
    void removeProp(WindowHandle hwnd, std::string_view name) override;
    bool isWindow(WindowHandle hwnd) override;
    std::uint32_t windowProcessId(WindowHandle hwnd) override;
    std::uint32_t currentProcessId() override;
    WindowProcedure setWindowProc(WindowHandle hwnd, WindowProcedure proc) override;
    WindowProcedure dispatcher() override;
    // With no procedure to call (nothing recorded yet), the system's default procedure answers.
    LResult callWindowProc(WindowProcedure proc, WindowHandle hwnd, Message iMsg, WParam wParam,
                           LParam lParam) override;
    std::string exeName() override;
};

// Puts the one Win32 host in use, unless it already is (so the service's state survives).
void useWin32WindowHost();

// The dispatcher installed on every subclassed window. Nothing thrown below it crosses
// into the system: clients are guarded by the dispatcher, and should its own bookkeeping
// fail the window gets the default procedure.
LRESULT CALLBACK subclassWindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam);

// The module's routines for window handles; each puts the Win32 host in use first.
void subclassAttach(ISubclass* iwp, HWND hwnd, UINT iMsg);
void subclassDetach(ISubclass* iwp, HWND hwnd, UINT iMsg);
LRESULT CallOldWindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam);

}  // namespace ql::subclass
