#include "common/utf8.h"

namespace ql {

void appendUtf16(std::u16string& out, char32_t code) {
    if (code >= 0x10000) {
        code -= 0x10000;
        out += static_cast<char16_t>(0xd800 + (code >> 10));
        out += static_cast<char16_t>(0xdc00 + (code & 0x3ff));
    } else {
        out += static_cast<char16_t>(code);
    }
}

std::u16string fromUtf8(std::string_view text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const int extra = byte >= 0xf0 ? 3 : byte >= 0xe0 ? 2 : byte >= 0xc0 ? 1 : 0;
        char32_t code = extra == 3 ? byte & 7u : extra == 2 ? byte & 15u : extra == 1 ? byte & 31u : byte;
        bool valid = byte < 0x80 || extra > 0;
        for (int n = 1; valid && n <= extra; ++n) {
            const std::size_t at = i + static_cast<std::size_t>(n);
            if (at >= text.size() || (static_cast<unsigned char>(text[at]) & 0xc0) != 0x80) {
                valid = false;
            } else {
                code = code << 6 | (static_cast<unsigned char>(text[at]) & 0x3fu);
            }
        }
        if (!valid) {
            out += static_cast<char16_t>(byte);
            ++i;
            continue;
        }
        appendUtf16(out, code);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::string toUtf8(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xd800 && c < 0xdc00 && i + 1 < text.size() && text[i + 1] >= 0xdc00 && text[i + 1] < 0xe000) {
            c = 0x10000 + ((c - 0xd800) << 10) + (text[++i] - 0xdc00);
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xc0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3f));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xe0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (c & 0x3f));
        } else {
            out += static_cast<char>(0xf0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (c & 0x3f));
        }
    }
    return out;
}

}  // namespace ql
