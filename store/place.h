#pragma once
// One place of the places bar: a special folder (CSIDL) or a file-system path.
// A place is data; the text an entry shows is made from it, never the other way round.
// A path keeps the type it was stored with: REG_EXPAND_SZ text keeps its %VARIABLES% unexpanded,
// so that it is written back as it was.
#include <cstdint>
#include <string>
#include <string_view>

namespace ql {

struct Place {
    enum class Kind { SpecialFolder, Path };

    Kind kind = Kind::Path;
    std::int32_t csidl = -1;  // meaningful for SpecialFolder only; any 32-bit value, negative ones too
    std::u16string path;      // meaningful for Path only; may be empty
    bool expandable = false;  // Path only: stored as REG_EXPAND_SZ

    static Place specialFolder(std::int32_t csidl) { return {Kind::SpecialFolder, csidl, {}, false}; }
    static Place folderPath(std::u16string path) { return {Kind::Path, -1, std::move(path), false}; }
    static Place expandablePath(std::u16string path) { return {Kind::Path, -1, std::move(path), true}; }

    bool isPath() const { return kind == Kind::Path; }
    bool operator==(const Place&) const = default;
};

// True when the path holds a %VARIABLE% (at least one character between the signs), which the
// registry keeps unexpanded as REG_EXPAND_SZ.
inline bool holdsVariable(std::u16string_view path) {
    const std::size_t open = path.find(u'%');
    if (open == std::u16string_view::npos) return false;
    const std::size_t close = path.find(u'%', open + 1);
    return close != std::u16string_view::npos && close > open + 1;
}

}  // namespace ql
