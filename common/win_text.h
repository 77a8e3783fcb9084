#pragma once
// Text at the Windows boundary: the portable code holds UTF-16 as std::u16string,
// Win32 takes wchar_t, which is 16 bits on Windows.
#include <string>
#include <string_view>

namespace ql::win {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 text is UTF-16");

inline std::wstring toWide(std::u16string_view s) { return {s.begin(), s.end()}; }
inline std::u16string toU16(std::wstring_view s) { return {s.begin(), s.end()}; }

// UTF-8 (what the program's exceptions say) as UTF-16.
std::wstring fromUtf8(std::string_view s);
// UTF-16 as UTF-8: what a console or file takes, and what an exception says.
std::string toUtf8(std::wstring_view s);

// The system's text for a Win32 error code, without the trailing line break.
std::wstring errorText(unsigned long error);

// The full path of this program's executable; empty when the system cannot tell.
std::wstring programPath();

}  // namespace ql::win
