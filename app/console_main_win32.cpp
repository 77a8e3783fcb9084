// quorlane.com, the console companion of quorlane.exe. A shell waits for a console program but not
// for a GUI one, and finds quorlane.com first when the user types "quorlane" (PATHEXT lists .COM
// before .EXE). It starts quorlane.exe beside it with the same arguments and its own standard
// handles, and ends with that program's exit status; without arguments it starts the window and
// returns at once. quorlane.exe writes text to a console as UTF-16 and to a pipe or file as UTF-8.
#include "common/win_handles.h"

#include <string>

namespace {

// The command line after the program's name, as it was given: quorlane.exe splits it itself.
std::wstring argumentsGiven() {
    const wchar_t* line = ::GetCommandLineW();
    bool quoted = false;
    while (*line && (quoted || (*line != L' ' && *line != L'\t'))) {
        if (*line == L'"') quoted = !quoted;
        ++line;
    }
    while (*line == L' ' || *line == L'\t') ++line;
    return line;
}

// quorlane.exe beside this program. The console companion links nothing of the window's, so it
// names its own path itself.
std::wstring windowProgram() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const auto dot = path.find_last_of(L".\\");
    if (dot != std::wstring::npos && path[dot] == L'.') path.resize(dot);
    return path + L".exe";
}

// An inheritable copy of a standard handle, for the child; none where there is none.
ql::win::UniqueHandle inheritable(DWORD which) {
    const HANDLE given = ::GetStdHandle(which);
    HANDLE copy = nullptr;
    if (given && given != INVALID_HANDLE_VALUE) {
        ::DuplicateHandle(::GetCurrentProcess(), given, ::GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS);
    }
    return ql::win::UniqueHandle(copy);
}

}  // namespace

int wmain() {
    const std::wstring program = windowProgram();
    const std::wstring arguments = argumentsGiven();
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;

    const ql::win::UniqueHandle input = inheritable(STD_INPUT_HANDLE);
    const ql::win::UniqueHandle output = inheritable(STD_OUTPUT_HANDLE);
    const ql::win::UniqueHandle error = inheritable(STD_ERROR_HANDLE);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    const bool command = !arguments.empty();
    if (command) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = input.get();
        startup.hStdOutput = output.get();
        startup.hStdError = error.get();
    }
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, command ? TRUE : FALSE, 0, nullptr,
                          nullptr, &startup, &started)) {
        const std::string why = "quorlane: cannot start quorlane.exe beside quorlane.com\r\n";
        DWORD written = 0;
        ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), why.data(), static_cast<DWORD>(why.size()), &written, nullptr);
        return 1;
    }
    const ql::win::UniqueHandle process(started.hProcess);
    const ql::win::UniqueHandle thread(started.hThread);
    if (!command) return 0;
    ::WaitForSingleObject(process.get(), INFINITE);
    DWORD status = 1;
    ::GetExitCodeProcess(process.get(), &status);
    return static_cast<int>(status);
}
