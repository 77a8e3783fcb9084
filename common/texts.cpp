#include "common/texts.h"

namespace ql {

std::u16string formatText(std::u16string_view pattern, std::initializer_list<std::u16string_view> args) {
    std::u16string out;
    out.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char16_t next = i + 1 < pattern.size() ? pattern[i + 1] : u'\0';
        if (pattern[i] == u'%' && next >= u'1' && next <= u'9') {
            // A placeholder without an argument stays as it is: a table is checked, never trusted.
            const auto n = static_cast<std::size_t>(next - u'1');
            if (n < args.size()) {
                out += *(args.begin() + n);
            } else {
                out += pattern.substr(i, 2);
            }
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

}  // namespace ql
