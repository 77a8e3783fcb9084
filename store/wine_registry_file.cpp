#include "store/wine_registry_file.h"

#include "common/registry_types.h"
#include "common/utf8.h"
#include "common/text_case.h"
#include "store/places_bar.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace ql {
namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
constexpr std::uint64_t kTicks1601To1970 = 116444736000000000ull;
constexpr RegKey kPoliciesKey = 0x51;
constexpr RegKey kComDlg32Key = 0x52;  // keys_[0]
constexpr RegKey kPlacesBarKey = 0x53;  // keys_[1]

std::string_view withoutLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

std::string_view trimmedFront(std::string_view line) {
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    return line;
}

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int hexValue(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

std::vector<std::u16string_view> components(std::u16string_view path) {
    std::vector<std::u16string_view> parts;
    while (true) {
        const std::size_t cut = path.find(u'\\');
        parts.push_back(path.substr(0, cut));
        if (cut == std::u16string_view::npos) return parts;
        path.remove_prefix(cut + 1);
    }
}

// Wine's order of keys in the file: each key before its subkeys, subkeys by name regardless of case.
bool keyPathLess(std::u16string_view a, std::u16string_view b) {
    const auto left = components(a);
    const auto right = components(b);
    return std::ranges::lexicographical_compare(left, right, [](std::u16string_view x, std::u16string_view y) {
        return lessIgnoringCase(x, y);
    });
}

// Whether `path` lies strictly below `ancestor`.
bool below(std::u16string_view path, std::u16string_view ancestor) {
    return path.size() > ancestor.size() && path[ancestor.size()] == u'\\' &&
           equalsIgnoringCase(path.substr(0, ancestor.size()), ancestor);
}

// The quoted text starting at `text[0] == open`, up to the unescaped `close`; its end is set past it.
std::optional<std::u16string> quoted(std::string_view text, char close, std::size_t& end) {
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
        } else if (text[i] == close) {
            end = i + 1;
            return wineUnescape(text.substr(1, i - 1));
        }
    }
    return std::nullopt;
}

std::vector<std::uint8_t> utf16Bytes(std::u16string_view text, bool terminated) {
    std::vector<std::uint8_t> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xff));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    if (terminated) bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

std::optional<std::uint32_t> hexNumber(std::string_view text, std::size_t& used) {
    std::uint64_t value = 0;
    used = 0;
    while (used < text.size() && isHexDigit(text[used]) && used < 8) value = value * 16 + static_cast<std::uint64_t>(hexValue(text[used++]));
    if (used == 0) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::string lowerHex(std::uint64_t value) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%llx", static_cast<unsigned long long>(value));
    return buffer;
}

// Calls `take(raw, joined)` for each line of a section's body: the line as read (continuation lines
// included) and its text without them and without leading blanks.
template <typename Take>
void forEachLine(std::string_view body, Take take) {
    while (!body.empty()) {
        std::size_t end = body.find('\n');
        end = end == std::string_view::npos ? body.size() : end + 1;
        // Continuation lines end in a backslash.
        while (end < body.size() && withoutLineEnd(body.substr(0, end)).ends_with('\\')) {
            const std::size_t next = body.find('\n', end);
            end = next == std::string_view::npos ? body.size() : next + 1;
        }
        const std::string_view raw = body.substr(0, end);
        body.remove_prefix(end);
        std::string joined;
        for (std::string_view part = trimmedFront(raw);;) {
            const std::size_t cut = part.find('\n');
            std::string_view piece = withoutLineEnd(part.substr(0, cut == std::string_view::npos ? part.size() : cut + 1));
            if (cut == std::string_view::npos || cut + 1 == part.size()) {
                joined += piece;
                break;
            }
            piece.remove_suffix(1);  // the continuation's backslash
            joined += piece;
            part = trimmedFront(part.substr(cut + 1));
        }
        take(raw, joined);
    }
}

}  // namespace

std::string wineEscape(std::u16string_view text, std::string_view quotes) {
    static constexpr char kEscapes[] = ".......abtnvfr.............e....";
    std::string out;
    char buffer[16];
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool more = i + 1 < text.size();
        if (c > 127) {
            // A hex digit right after would be read as part of the number: then four digits.
            const bool padded = more && text[i + 1] < 128 && isHexDigit(static_cast<char>(text[i + 1]));
            std::snprintf(buffer, sizeof buffer, padded ? "\\x%04x" : "\\x%x", static_cast<unsigned>(c));
            out += buffer;
        } else if (c < 32) {
            if (kEscapes[c] != '.') {
                out += '\\';
                out += kEscapes[c];
            } else {
                const bool padded = more && text[i + 1] >= u'0' && text[i + 1] <= u'7';
                std::snprintf(buffer, sizeof buffer, padded ? "\\%03o" : "\\%o", static_cast<unsigned>(c));
                out += buffer;
            }
        } else {
            const char ascii = static_cast<char>(c);
            if (ascii == '\\' || quotes.find(ascii) != std::string_view::npos) out += '\\';
            out += ascii;
        }
    }
    return out;
}

std::u16string wineUnescape(std::string_view text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\\' && i + 1 < text.size()) {
            const char e = text[i + 1];
            i += 2;
            switch (e) {
            case 'a': out += u'\a'; break;
            case 'b': out += u'\b'; break;
            case 'e': out += u'\x1b'; break;
            case 'f': out += u'\f'; break;
            case 'n': out += u'\n'; break;
            case 'r': out += u'\r'; break;
            case 't': out += u'\t'; break;
            case 'v': out += u'\v'; break;
            case 'x': {
                unsigned value = 0;
                for (int n = 0; n < 4 && i < text.size() && isHexDigit(text[i]); ++n) value = value * 16 + static_cast<unsigned>(hexValue(text[i++]));
                out += static_cast<char16_t>(value);
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    unsigned value = static_cast<unsigned>(e - '0');
                    for (int n = 1; n < 3 && i < text.size() && text[i] >= '0' && text[i] <= '7'; ++n) value = value * 8 + static_cast<unsigned>(text[i++] - '0');
                    out += static_cast<char16_t>(value);
                } else {
                    out += static_cast<char16_t>(static_cast<unsigned char>(e));
                }
            }
            continue;
        }
        // Wine writes ASCII alone; a hand-edited file may hold UTF-8, read as such where it is valid.
        int extra = byte >= 0xf0 ? 3 : byte >= 0xe0 ? 2 : byte >= 0xc0 ? 1 : 0;
        std::uint32_t code = extra == 3 ? byte & 7u : extra == 2 ? byte & 15u : extra == 1 ? byte & 31u : byte;
        bool valid = byte < 0x80 || extra > 0;
        for (int n = 1; valid && n <= extra; ++n) {
            if (i + static_cast<std::size_t>(n) >= text.size()) { valid = false; break; }
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(n)]);
            if ((next & 0xc0) != 0x80) valid = false;
            code = code << 6 | (next & 0x3fu);
        }
        if (!valid) {
            out += static_cast<char16_t>(byte);
            ++i;
            continue;
        }
        i += static_cast<std::size_t>(extra) + 1;
        appendUtf16(out, code);
    }
    return out;
}

std::string wineValueLine(std::u16string_view name, std::uint32_t type, const std::vector<std::uint8_t>& data) {
    std::string line;
    if (name.empty()) {
        line = "@=";
    } else {
        line = "\"" + wineEscape(name, "\"\"") + "\"=";
    }
    std::size_t count = line.size();
    const bool stringType = type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
    if (stringType && data.size() >= 2 && data.size() % 2 == 0 && data[data.size() - 2] == 0 && data.back() == 0) {
        std::u16string text;
        for (std::size_t i = 0; i + 2 < data.size(); i += 2) text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
        if (type != kRegSz) line += "str(" + lowerHex(type) + "):";
        return line + "\"" + wineEscape(text, "\"\"") + "\"\n";
    }
    if (type == kRegDword && data.size() == 4) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "dword:%08x", static_cast<unsigned>(data[0]) | static_cast<unsigned>(data[1]) << 8 | static_cast<unsigned>(data[2]) << 16 | static_cast<unsigned>(data[3]) << 24);
        return line + buffer + "\n";
    }
    const std::string prefix = type == kRegBinary ? "hex:" : "hex(" + lowerHex(type) + "):";
    line += prefix;
    count += prefix.size();
    static constexpr char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < data.size(); ++i) {
        line += kDigits[data[i] >> 4];
        line += kDigits[data[i] & 15];
        count += 2;
        if (i + 1 < data.size()) {
            line += ',';
            // Wine breaks a long line after the comma that takes it past 76 characters.
            if (++count > 76) {
                line += "\\\n  ";
                count = 2;
            }
        }
    }
    return line + "\n";
}

std::optional<WineValue> parseWineValueLine(std::string_view line) {
    WineValue value;
    std::size_t at = 0;
    if (line.starts_with("@=")) {
        at = 2;
    } else if (line.starts_with('"')) {
        std::size_t end = 0;
        auto name = quoted(line, '"', end);
        if (!name || end >= line.size() || line[end] != '=') return std::nullopt;
        value.name = std::move(*name);
        at = end + 1;
    } else {
        return std::nullopt;
    }
    std::string_view data = line.substr(at);
    std::size_t used = 0;
    if (data.starts_with('"') || data.starts_with("str(")) {
        value.type = kRegSz;
        if (data.starts_with("str(")) {
            const auto type = hexNumber(data.substr(4), used);
            if (!type || data.substr(4 + used, 3) != "):\"") return std::nullopt;
            value.type = *type;
            data.remove_prefix(4 + used + 2);
        }
        std::size_t end = 0;
        const auto text = quoted(data, '"', end);
        if (!text) return std::nullopt;
        value.data = utf16Bytes(*text, true);
        return value;
    }
    if (data.starts_with("dword:")) {
        const auto number = hexNumber(data.substr(6), used);
        if (!number) return std::nullopt;
        value.type = kRegDword;
        value.data = {static_cast<std::uint8_t>(*number), static_cast<std::uint8_t>(*number >> 8),
                      static_cast<std::uint8_t>(*number >> 16), static_cast<std::uint8_t>(*number >> 24)};
        return value;
    }
    if (data.starts_with("hex:")) {
        value.type = kRegBinary;
        data.remove_prefix(4);
    } else if (data.starts_with("hex(")) {
        const auto type = hexNumber(data.substr(4), used);
        if (!type || data.substr(4 + used, 2) != "):") return std::nullopt;
        value.type = *type;
        data.remove_prefix(4 + used + 2);
    } else {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < data.size();) {
        if (data[i] == ',' || data[i] == ' ' || data[i] == '\t') {
            ++i;
            continue;
        }
        if (i + 1 >= data.size() || !isHexDigit(data[i]) || !isHexDigit(data[i + 1])) return std::nullopt;
        value.data.push_back(static_cast<std::uint8_t>(hexValue(data[i]) * 16 + hexValue(data[i + 1])));
        i += 2;
    }
    return value;
}

std::optional<WineRegistryFile> WineRegistryFile::parse(std::string bytes, std::uint64_t now) {
    const std::size_t firstEnd = bytes.find('\n');
    if (withoutLineEnd(std::string_view(bytes).substr(0, firstEnd)) != kHeader) return std::nullopt;
    WineRegistryFile file;
    file.now_ = now;
    file.keys_[0].path = comDlg32Path();
    file.keys_[1].path = placesBarPath();
    file.sections_.push_back({});
    std::string_view rest = bytes;
    while (!rest.empty()) {
        const std::size_t cut = rest.find('\n');
        const std::string_view line = rest.substr(0, cut == std::string_view::npos ? rest.size() : cut + 1);
        rest.remove_prefix(line.size());
        const std::string_view content = trimmedFront(line);
        if (content.starts_with('[')) {
            std::size_t end = 0;
            // A "[" line Wine cannot read stays in the section above, as Wine skips it there.
            if (auto path = quoted(content, ']', end)) {
                file.sections_.push_back({std::string(line), std::move(*path)});
                continue;
            }
        }
        file.sections_.back().text += line;
    }

    for (EditableKey& key : file.keys_) {
        const Section* own = nullptr;
        for (const Section& section : file.sections_) {
            if (section.path.empty() || !equalsIgnoringCase(section.path, key.path)) continue;
            if (own) file.writable_ = false;
            own = &section;
        }
        key.exists = own || file.hasSectionBelow(key.path);
        if (!own) continue;
        std::string_view body = own->text;
        body.remove_prefix(std::min(body.size(), body.find('\n') + 1));
        forEachLine(body, [&](std::string_view raw, const std::string& text) {
            if (text.empty() || text.starts_with("#time=")) return;
            if (text.starts_with('#')) {
                key.meta += raw;
                return;
            }
            key.entries.push_back({parseWineValueLine(text), std::string(raw)});
        });
    }
    return file;
}

bool WineRegistryFile::hasSectionBelow(std::u16string_view path) const {
    return std::ranges::any_of(sections_, [&](const Section& section) { return below(section.path, path); });
}

bool WineRegistryFile::keyWritten(const EditableKey& key) const {
    if (!key.exists) return false;
    const bool hasSubkeys = &key == &keys_[0] ? keys_[1].exists || hasSectionBelow(key.path) : hasSectionBelow(key.path);
    // Wine leaves out a key that has subkeys and nothing of its own.
    return !key.entries.empty() || !key.meta.empty() || !hasSubkeys;
}

std::string WineRegistryFile::headerPath(std::u16string_view path) const {
    // Each level takes the case an existing key above or beside it already has.
    std::vector<std::u16string> parts;
    for (auto part : components(path)) parts.emplace_back(part);
    for (const Section& section : sections_) {
        if (section.path.empty()) continue;
        const auto existing = components(section.path);
        for (std::size_t i = 0; i < parts.size() && i < existing.size() && equalsIgnoringCase(parts[i], existing[i]); ++i) {
            parts[i] = existing[i];
        }
    }
    std::string out;
    for (const std::u16string& part : parts) {
        if (!out.empty()) out += "\\\\";
        out += wineEscape(part, "[]");
    }
    return out;
}

std::string WineRegistryFile::renderKey(const EditableKey& key, const Section* old) const {
    std::string header;
    std::string separator;
    if (old) {
        const std::string_view text = old->text;
        std::size_t end = text.find(']');
        // The key's name as the file spells it.
        std::size_t open = text.find('[');
        for (std::size_t i = open + 1; i < text.size(); ++i) {
            if (text[i] == '\\') {
                ++i;
            } else if (text[i] == ']') {
                end = i;
                break;
            }
        }
        header = std::string(text.substr(open + 1, end - open - 1));
        std::size_t contentEnd = text.size();
        while (contentEnd > 0 && (text[contentEnd - 1] == '\n' || text[contentEnd - 1] == '\r')) --contentEnd;
        const std::size_t lineEnd = text.find('\n', contentEnd);
        separator = lineEnd == std::string_view::npos ? "" : std::string(text.substr(lineEnd + 1));
    } else {
        header = headerPath(key.path);
    }
    std::string out = "[" + header + "] " + std::to_string((now_ - kTicks1601To1970) / 10000000) + "\n";
    out += "#time=" + lowerHex(now_) + "\n";
    out += key.meta;
    for (const Entry& entry : key.entries) {
        out += !entry.line.empty() ? entry.line : wineValueLine(entry.value->name, entry.value->type, entry.value->data);
    }
    return out + separator;
}

bool WineRegistryFile::changed() const {
    for (const EditableKey& key : keys_) {
        if (key.dirty) return true;
    }
    return false;
}

std::string WineRegistryFile::render() const {
    std::vector<Section> out = sections_;
    for (const EditableKey& key : keys_) {
        const auto found = std::ranges::find_if(out, [&](const Section& s) { return !s.path.empty() && equalsIgnoringCase(s.path, key.path); });
        const bool written = keyWritten(key);
        if (found != out.end()) {
            if (!written) {
                // The blank line before a section belongs to the one above: the last one ends without.
                if (found + 1 == out.end() && found != out.begin()) {
                    std::string& above = (found - 1)->text;
                    if (above.ends_with("\n\n")) above.pop_back();
                }
                out.erase(found);
            } else if (key.dirty) {
                found->text = renderKey(key, &*found);
            }
        } else if (written) {
            const auto before = std::ranges::find_if(out, [&](const Section& s) { return !s.path.empty() && keyPathLess(key.path, s.path); });
            std::string text = renderKey(key, nullptr);
            if (before == out.end()) {
                std::string& last = out.back().text;
                if (!last.empty() && !last.ends_with('\n')) last += '\n';
                if (!last.ends_with("\n\n")) text.insert(0, "\n");
            } else {
                text += "\n";
            }
            out.insert(before, {std::move(text), key.path});
        }
    }
    std::string bytes;
    for (const Section& section : out) bytes += section.text;
    return bytes;
}

WineRegistryFile::EditableKey* WineRegistryFile::keyOf(RegKey key) {
    if (key == kComDlg32Key) return &keys_[0];
    if (key == kPlacesBarKey) return &keys_[1];
    return nullptr;
}

RegKey WineRegistryFile::handleOf(std::u16string_view path) const {
    if (equalsIgnoringCase(path, kPoliciesPath)) return kPoliciesKey;
    if (equalsIgnoringCase(path, keys_[0].path)) return kComDlg32Key;
    if (equalsIgnoringCase(path, keys_[1].path)) return kPlacesBarKey;
    return 0;
}

namespace {
std::u16string joined(RegKey parent, std::u16string_view subKey) {
    switch (parent) {
    case kCurrentUserRoot: return std::u16string(subKey);
    case kPoliciesKey: return std::u16string(kPoliciesPath) + u'\\' + std::u16string(subKey);
    case kComDlg32Key: return comDlg32Path() + u'\\' + std::u16string(subKey);
    case kPlacesBarKey: return placesBarPath() + u'\\' + std::u16string(subKey);
    default: return {};
    }
}
}  // namespace

long WineRegistryFile::openKey(RegKey parent, std::u16string_view subKey, RegKey& out) {
    const std::u16string path = joined(parent, subKey);
    const RegKey handle = handleOf(path);
    if (handle == kPoliciesKey) {
        if (!hasSectionBelow(path) && std::ranges::none_of(sections_, [&](const Section& s) { return equalsIgnoringCase(s.path, path); })) return kRegFileNotFound;
    } else if (handle != 0) {
        if (!keyOf(handle)->exists) return kRegFileNotFound;
    } else {
        return kRegAccessDenied;
    }
    out = handle;
    return kRegOk;
}

// The keys above Policies stand in every prefix, and are not the file's to edit: they exist.
long WineRegistryFile::probeKey(RegKey parent, std::u16string_view subKey, unsigned /*rights*/) {
    RegKey key = 0;
    const long status = openKey(parent, subKey, key);
    return status == kRegAccessDenied ? kRegOk : status;
}

long WineRegistryFile::createKey(RegKey parent, std::u16string_view subKey, unsigned /*rights*/, RegKey& out) {
    const RegKey handle = handleOf(joined(parent, subKey));
    if (handle == 0) return kRegAccessDenied;
    if (EditableKey* key = keyOf(handle); key && !key->exists) {
        key->exists = true;
        key->dirty = true;
    }
    // A key made below ComDlg32 makes it too, as a key with only subkeys.
    if (handle == kPlacesBarKey) keys_[0].exists = true;
    out = handle;
    return kRegOk;
}

long WineRegistryFile::deleteKey(RegKey parent, std::u16string_view subKey) {
    EditableKey* key = keyOf(handleOf(joined(parent, subKey)));
    if (!key || key == &keys_[0]) return kRegAccessDenied;
    if (!key->exists) return kRegFileNotFound;
    if (hasSectionBelow(key->path)) return kRegAccessDenied;
    key->exists = false;
    key->entries.clear();
    key->meta.clear();
    key->dirty = true;
    return kRegOk;
}

long WineRegistryFile::queryValue(RegKey key, std::u16string_view name, std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) {
    const EditableKey* own = keyOf(key);
    if (!own) return kRegFileNotFound;
    for (const Entry& entry : own->entries) {
        if (!entry.value || !equalsIgnoringCase(entry.value->name, name)) continue;
        const auto needed = static_cast<std::uint32_t>(entry.value->data.size());
        type = entry.value->type;
        if (data && size < needed) {
            size = needed;
            return kRegMoreData;
        }
        if (data) std::memcpy(data, entry.value->data.data(), needed);
        size = needed;
        return kRegOk;
    }
    return kRegFileNotFound;
}

long WineRegistryFile::setValue(RegKey key, std::u16string_view name, std::uint32_t type, const std::uint8_t* data, std::uint32_t size) {
    EditableKey* own = keyOf(key);
    if (!own || !own->exists) return kRegInvalidHandle;
    WineValue value{std::u16string(name), type, std::vector<std::uint8_t>(data, data + size)};
    auto at = own->entries.begin();
    for (; at != own->entries.end(); ++at) {
        if (!at->value) continue;
        if (equalsIgnoringCase(at->value->name, name)) {
            if (at->value->type == type && at->value->data == value.data) return kRegOk;
            value.name = at->value->name;  // the registry keeps the name's first spelling
            *at = {std::move(value), {}};
            own->dirty = true;
            return kRegOk;
        }
        if (lessIgnoringCase(name, at->value->name)) break;
    }
    own->entries.insert(at, {std::move(value), {}});
    own->dirty = true;
    return kRegOk;
}

long WineRegistryFile::deleteValue(RegKey key, std::u16string_view name) {
    EditableKey* own = keyOf(key);
    if (!own) return kRegFileNotFound;
    const auto found = std::ranges::find_if(own->entries, [&](const Entry& e) { return e.value && equalsIgnoringCase(e.value->name, name); });
    if (found == own->entries.end()) return kRegFileNotFound;
    own->entries.erase(found);
    own->dirty = true;
    return kRegOk;
}

long WineRegistryFile::closeKey(RegKey) { return kRegOk; }

long WineRegistryFile::enumValue(RegKey key, std::uint32_t index, std::u16string& name, std::uint32_t& type, std::vector<std::uint8_t>& data) {
    const EditableKey* own = keyOf(key);
    if (!own) return kRegNoMoreItems;
    for (const Entry& entry : own->entries) {
        if (!entry.value) continue;
        if (index-- == 0) {
            name = entry.value->name;
            type = entry.value->type;
            data = entry.value->data;
            return kRegOk;
        }
    }
    return kRegNoMoreItems;
}

std::vector<WineValue> WineRegistryFile::valuesOf(std::u16string_view path) const {
    std::vector<WineValue> values;
    for (const Section& section : sections_) {
        if (section.path.empty() || !equalsIgnoringCase(section.path, path)) continue;
        forEachLine(section.text, [&](std::string_view, const std::string& text) {
            if (auto value = parseWineValueLine(text)) values.push_back(std::move(*value));
        });
    }
    return values;
}

}  // namespace ql
