#pragma once
// Windows fills fixed-size text buffers and leaves the rest NUL: keep what stands before the first NUL.
#include <string>
#include <string_view>

namespace ql {

template <typename CharT>
std::basic_string<CharT> trimAtNul(std::basic_string_view<CharT> text) {
    const auto nul = text.find(CharT{});
    return std::basic_string<CharT>(nul == std::basic_string_view<CharT>::npos ? text : text.substr(0, nul));
}

inline std::wstring trimAtNul(const std::wstring& text) { return trimAtNul(std::wstring_view(text)); }
inline std::u16string trimAtNul(const std::u16string& text) { return trimAtNul(std::u16string_view(text)); }

}  // namespace ql
