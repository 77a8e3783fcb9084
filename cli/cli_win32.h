#pragma once
// quorlane.exe's command line on Windows: the commands against the registry, the shell and the
// file system, with their output on the standard handles or the console of the command that
// started the program.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ql::cli {

// The arguments after the program's name, split as the C runtime splits them.
std::vector<std::wstring> commandLineArguments();

// Runs the command line (at least one argument); the exit status.
int runCommandLine(const std::vector<std::wstring>& args);

// The path made absolute: under Wine a Unix path (starting with /) becomes the Windows path Wine
// maps it to, Z:\tmp for /tmp; a trailing backslash goes unless the path is a root. Empty when
// that cannot be done.
std::wstring absolutePath(std::wstring_view path);

// Whole files, for the commands and for the window's import and export: false with the system's
// reason. A file larger than any places bar file could be is refused unread.
bool readFileBytes(const std::wstring& path, std::vector<std::uint8_t>& bytes, std::wstring& error);
bool writeFileBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes, std::wstring& error);

}  // namespace ql::cli
