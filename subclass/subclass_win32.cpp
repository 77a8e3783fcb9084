#include "subclass/subclass_win32.h"

#include "common/win_text.h"

#include <string>

namespace ql::subclass {

namespace {

std::wstring wideName(std::string_view name) { return {name.begin(), name.end()}; }

std::wstring moduleFileName() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace

std::uintptr_t Win32WindowHost::getProp(WindowHandle hwnd, std::string_view name) {
    return reinterpret_cast<std::uintptr_t>(::GetPropW(hwndOf(hwnd), wideName(name).c_str()));
}

void Win32WindowHost::setProp(WindowHandle hwnd, std::string_view name, std::uintptr_t value) {
    ::SetPropW(hwndOf(hwnd), wideName(name).c_str(), reinterpret_cast<HANDLE>(value));
}

void Win32WindowHost::removeProp(WindowHandle hwnd, std::string_view name) {
    ::RemovePropW(hwndOf(hwnd), wideName(name).c_str());
}

bool Win32WindowHost::isWindow(WindowHandle hwnd) { return ::IsWindow(hwndOf(hwnd)) != FALSE; }

std::uint32_t Win32WindowHost::windowProcessId(WindowHandle hwnd) {
    DWORD processId = 0;
    ::GetWindowThreadProcessId(hwndOf(hwnd), &processId);
    return processId;
}

std::uint32_t Win32WindowHost::currentProcessId() { return ::GetCurrentProcessId(); }

WindowProcedure Win32WindowHost::setWindowProc(WindowHandle hwnd, WindowProcedure proc) {
    return static_cast<WindowProcedure>(::SetWindowLongPtrW(hwndOf(hwnd), GWLP_WNDPROC, static_cast<LONG_PTR>(proc)));
}

WindowProcedure Win32WindowHost::dispatcher() {
    return reinterpret_cast<WindowProcedure>(static_cast<WNDPROC>(&subclassWindowProc));
}

LResult Win32WindowHost::callWindowProc(WindowProcedure proc, WindowHandle hwnd, Message iMsg, WParam wParam,
                                        LParam lParam) {
    const LPARAM l = static_cast<LPARAM>(lParam);
    if (proc == 0) return static_cast<LResult>(::DefWindowProcW(hwndOf(hwnd), iMsg, wParam, l));
    return static_cast<LResult>(::CallWindowProcW(reinterpret_cast<WNDPROC>(proc), hwndOf(hwnd), iMsg, wParam, l));
}

std::string Win32WindowHost::exeName() {
    std::wstring name = moduleFileName();
    name.erase(0, name.find_last_of(L"\\/") + 1);
    if (const auto dot = name.rfind(L'.'); dot != std::wstring::npos) name.resize(dot);
    return win::toUtf8(name);
}

void useWin32WindowHost() {
    static Win32WindowHost host;
    if (windowHost() != &host) setWindowHost(&host);
}

LRESULT CALLBACK subclassWindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam) {
    try {
        return static_cast<LRESULT>(subclassWindowProc(handleOf(hwnd), iMsg, wParam, static_cast<LParam>(lParam)));
    } catch (...) {
        return ::DefWindowProcW(hwnd, iMsg, wParam, lParam);
    }
}

void subclassAttach(ISubclass* iwp, HWND hwnd, UINT iMsg) {
    useWin32WindowHost();
    subclassAttach(iwp, handleOf(hwnd), iMsg);
}

void subclassDetach(ISubclass* iwp, HWND hwnd, UINT iMsg) {
    useWin32WindowHost();
    subclassDetach(iwp, handleOf(hwnd), iMsg);
}

LRESULT CallOldWindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam) {
    useWin32WindowHost();
    return static_cast<LRESULT>(CallOldWindowProc(handleOf(hwnd), iMsg, wParam, static_cast<LParam>(lParam)));
}

}  // namespace ql::subclass
