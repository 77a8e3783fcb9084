#pragma once
// The program's texts from its string tables, in the language chosen for the user.
#include "common/text_languages.h"
#include "common/texts.h"

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace ql::win {

std::wstring loadText(UINT id);
std::wstring loadText(UINT id, std::initializer_list<std::u16string_view> args);

// The language whose table the texts come from: chosen at first use from the thread's UI language
// (the user's on Windows; under Wine the one LANG names), or set here.
LANGID textLanguage();
// Takes the table that speaks `language` (or its nearest, see chooseTextTable) from now on, and
// asks the system's own texts (message box buttons) in it where the system allows that.
void useTextLanguage(LANGID language);

// Passes every text loaded from now on through `change` (none: the tables' own again). A table that
// no build carries, such as the longer pseudo-language the layout tests run in, goes through the
// windows' own code this way.
using TextChange = std::function<std::wstring(UINT id, std::wstring text)>;
void useTextChange(TextChange change);

}  // namespace ql::win
