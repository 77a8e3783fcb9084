#pragma once
// quorlane.exe's command line on Windows: the commands against the registry, the shell and the
// file system, with their output on the standard handles or the console of the command that
// started the program.
#include <cstdint>
#include <string>
#include <vector>

namespace ql::cli {

// The arguments after the program's name, split as the C runtime splits them.
std::vector<std::wstring> commandLineArguments();

// Runs the command line (at least one argument); the exit status.
int runCommandLine(const std::vector<std::wstring>& args);

// Whole files, for the commands and for the window's import and export: false with the system's
// reason. A file larger than any places bar file could be is refused unread.
bool readFileBytes(const std::wstring& path, std::vector<std::uint8_t>& bytes, std::wstring& error);
bool writeFileBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes, std::wstring& error);

}  // namespace ql::cli
