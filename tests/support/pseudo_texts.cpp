#include "tests/support/pseudo_texts.h"

#include <algorithm>

namespace ql::test {

std::wstring pseudoLocalize(std::wstring_view english) {
    static constexpr std::wstring_view kPlain = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    static constexpr std::wstring_view kAccented = L"\u00e0\u0180\u00e7\u00f0\u00e9\u0192\u011d\u0125\u00ee\u0135\u0137"
                                                   L"\u013c\u0271\u00f1\u00f6\u00fe\u01eb\u0155\u0161\u0163\u00fb\u1e7d"
                                                   L"\u0175\u1e8b\u00fd\u017e\u00c5\u0181\u00c7\u00d0\u00c9\u0191\u011c"
                                                   L"\u0124\u00ce\u0134\u0136\u013b\u1e40\u00d1\u00d6\u00de\u01ea\u0154"
                                                   L"\u0160\u0162\u00db\u1e7c\u0174\u1e8a\u00dd\u017d";
    std::wstring out;
    for (std::size_t i = 0; i < english.size(); ++i) {
        const wchar_t c = english[i];
        const bool marks = (c == L'&' || c == L'%') && i + 1 < english.size();
        if (marks && (c == L'&' || (english[i + 1] >= L'1' && english[i + 1] <= L'9'))) {
            out += english.substr(i, 2);
            ++i;
            continue;
        }
        const std::size_t at = kPlain.find(c);
        out += at == std::wstring_view::npos ? c : kAccented[at];
    }
    // As words of up to four, so that a long text still wraps as a real one does.
    for (std::size_t pad = (english.size() * 2 + 4) / 5; pad > 0 && !english.empty(); pad -= std::min<std::size_t>(pad, 4)) {
        out += L' ' + std::wstring(std::min<std::size_t>(pad, 4), L'~');
    }
    return out;
}

}  // namespace ql::test
