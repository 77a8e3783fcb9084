#pragma once
// A pseudo-language for layout tests: each English text about 40% longer, accented, keeping access
// keys ("&x", "&&") and %1..%9, so that what longer languages and wider fonts need shows in English.
#include <algorithm>
#include <string>
#include <string_view>

namespace ql::test {

inline std::wstring pseudoLocalize(std::wstring_view english) {
    static constexpr std::wstring_view kPlain = L"aceinorstuyACEINORSTUY", kAccented = L"åçéîñöŕšţûýÅÇÉÎÑÖŔŠŢÛÝ";
    std::wstring out;
    for (std::size_t i = 0; i < english.size(); ++i) {
        const std::size_t at = kPlain.find(english[i]);
        if ((english[i] == L'&' || english[i] == L'%') && i + 1 < english.size()) {
            out += english.substr(i++, 2);
        } else {
            out += at == std::wstring_view::npos ? english[i] : kAccented[at];
        }
    }
    // In words of up to four, so that a long text still wraps as a real one does.
    for (std::size_t pad = (english.size() * 2 + 4) / 5, n = 0; pad > 0; pad -= n) out += L' ' + std::wstring(n = std::min<std::size_t>(pad, 4), L'~');
    return out;
}

}  // namespace ql::test
