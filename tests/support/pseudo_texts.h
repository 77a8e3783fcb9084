#pragma once
// A pseudo-language for layout tests: each English text about 40% longer, its letters accented, so
// that whatever a longer language or wider font needs shows up in English builds as well.
#include <string>
#include <string_view>

namespace ql::test {

// Keeps %1..%9, the letter an & marks as the access key, "&&", tabs and line ends as they are.
std::wstring pseudoLocalize(std::wstring_view english);

}  // namespace ql::test
