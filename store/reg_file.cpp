#include "store/reg_file.h"

#include "common/text_case.h"
#include "common/texts.h"
#include "common/utf16_bytes.h"
#include "common/utf8.h"
#include "store/places_bar.h"
#include "store/places_codec.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace ql {
namespace {

std::u16string fromAscii(const std::string& text) { return {text.begin(), text.end()}; }

constexpr std::u16string_view kHeader5 = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kHeader4 = u"REGEDIT4";
constexpr std::u16string_view kShortRoot = u"HKCU\\";
constexpr std::u16string_view kNewLine = u"\r\n";

// ---- Writing ----

std::u16string quoted(std::u16string_view text) {
    std::u16string out = u"\"";
    for (char16_t c : text) {
        if (c == u'\\' || c == u'"') out += u'\\';
        out += c;
    }
    return out + u'"';
}

std::u16string hexByte(std::uint8_t byte) {
    constexpr std::u16string_view kDigits = u"0123456789abcdef";
    return {kDigits[byte >> 4], kDigits[byte & 0xF]};
}

// hex(2): bytes wrapped as the registry editor wraps them: lines of at most 80 characters, each
// but the last ending in a backslash, the next one indented by two spaces.
std::u16string hexValue(std::u16string line, const std::vector<std::uint8_t>& bytes) {
    std::u16string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::u16string item = hexByte(bytes[i]) + (i + 1 < bytes.size() ? u"," : u"");
        if (line.size() + item.size() + 1 > 80) {
            out += line + u"\\" + std::u16string(kNewLine);
            line = u"  ";
        }
        line += item;
    }
    return out + line;
}

std::u16string dwordValue(std::int32_t number) {
    const auto bits = static_cast<std::uint32_t>(number);
    std::u16string digits = u"dword:";
    for (int shift = 24; shift >= 0; shift -= 8) digits += hexByte(static_cast<std::uint8_t>(bits >> shift));
    return digits;
}

// ---- Reading: bytes to lines ----

// Strict UTF-8, or nothing: a REGEDIT4 file in an 8-bit code page is then read as Latin-1.
std::optional<std::u16string> fromUtf8(std::span<const std::uint8_t> bytes) {
    std::u16string text;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::uint8_t lead = bytes[i];
        int extra = 0;
        std::uint32_t code = lead;
        if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            code = lead & 0x07;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            code = lead & 0x0F;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            code = lead & 0x1F;
        } else if (lead >= 0x80) {
            return std::nullopt;
        }
        if (i + static_cast<std::size_t>(extra) >= bytes.size() && extra > 0) return std::nullopt;
        for (int k = 1; k <= extra; ++k) {
            const std::uint8_t next = bytes[i + static_cast<std::size_t>(k)];
            if ((next & 0xC0) != 0x80) return std::nullopt;
            code = code << 6 | (next & 0x3F);
        }
        const bool overlong = (extra == 2 && code < 0x800) || (extra == 3 && code < 0x10000);
        if (overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
        appendUtf16(text, code);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return text;
}

std::u16string from8Bit(std::span<const std::uint8_t> bytes) {
    if (auto text = fromUtf8(bytes)) return std::move(*text);
    return {bytes.begin(), bytes.end()};
}

std::optional<std::u16string> decodeText(std::span<const std::uint8_t> bytes) {
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        std::u16string text;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) text += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
        return text;
    }
    if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) return std::nullopt;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) bytes = bytes.subspan(3);
    return from8Bit(bytes);
}

std::vector<std::u16string_view> splitLines(std::u16string_view text) {
    std::vector<std::u16string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

bool isSpace(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view trimmed(std::u16string_view text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

bool startsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

int hexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// ---- Reading: one value line ----

// A quoted text at the start of `text` with \\ and \" escapes; `text` is left after its closing quote.
std::optional<std::u16string> takeQuoted(std::u16string_view& text) {
    if (text.empty() || text.front() != u'"') return std::nullopt;
    std::u16string out;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'"') {
            text.remove_prefix(i + 1);
            return out;
        }
        if (c == u'\\') {
            if (i + 1 == text.size() || (text[i + 1] != u'\\' && text[i + 1] != u'"')) return std::nullopt;
            ++i;
        }
        out += text[i];
    }
    return std::nullopt;
}

std::optional<std::int32_t> dwordData(std::u16string_view digits) {
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    std::uint32_t bits = 0;
    for (char16_t c : digits) {
        const int digit = hexDigit(c);
        if (digit < 0) return std::nullopt;
        bits = bits << 4 | static_cast<std::uint32_t>(digit);
    }
    return static_cast<std::int32_t>(bits);
}

std::optional<std::vector<std::uint8_t>> hexData(std::u16string_view list) {
    std::vector<std::uint8_t> bytes;
    list = trimmed(list);
    if (list.empty()) return bytes;
    while (true) {
        const std::size_t comma = list.find(u',');
        const std::u16string_view item = trimmed(list.substr(0, comma));
        if (item.empty() || item.size() > 2) return std::nullopt;
        int byte = 0;
        for (char16_t c : item) {
            const int digit = hexDigit(c);
            if (digit < 0) return std::nullopt;
            byte = byte << 4 | digit;
        }
        bytes.push_back(static_cast<std::uint8_t>(byte));
        if (comma == std::u16string_view::npos) return bytes;
        list.remove_prefix(comma + 1);
        // The registry editor ends a list with a comma when the data ends a wrapped line.
        if (trimmed(list).empty()) return bytes;
    }
}

std::optional<int> placeIndexOf(std::u16string_view name) {
    for (int index = 0; index < kMaxPlaces; ++index) {
        if (equalsIgnoringCase(name, placeValueName(index))) return index;
    }
    return std::nullopt;
}

class Reader {
public:
    explicit Reader(std::vector<std::u16string_view> lines) : lines_(std::move(lines)) {}

    RegFileReading read() {
        if (lines_.empty() || (!headerIs(kHeader5) && !headerIs(kHeader4))) {
            return fail(1, text(IDS_REG_NOT_A_REGISTRY_FILE, {kHeader5, kHeader4}));
        }
        unicode_ = headerIs(kHeader5);
        for (next_ = 1; next_ < lines_.size();) {
            const int lineNumber = static_cast<int>(next_) + 1;
            const std::u16string_view line = trimmed(lines_[next_++]);
            if (line.empty() || line.front() == u';') continue;
            if (line.front() == u'[') {
                if (!keyLine(lineNumber, line)) return {std::nullopt, error_};
            } else if (line.front() == u'"' || line.front() == u'@') {
                if (!valueLine(lineNumber, line)) return {std::nullopt, error_};
            } else {
                return fail(lineNumber, text(IDS_REG_NOT_A_LINE));
            }
        }
        const bool anySetting = std::ranges::any_of(settings_, [](const auto& setting) { return setting.has_value(); });
        if (!said_ && !anySetting) return fail(0, text(IDS_REG_SAYS_NOTHING));
        DialogsContent content;
        content.settings = settings_;
        if (said_) {
            content.placesBar.emplace();
            content.placesBar->customized = customized_;
            for (auto& place : places_) {
                if (place) content.placesBar->places.push_back(std::move(*place));
            }
        }
        return {content, {}};
    }

private:
    bool headerIs(std::u16string_view header) const { return trimmed(lines_[0]) == header; }

    RegFileReading fail(int line, std::u16string message) {
        refuse(line, std::move(message));
        return {std::nullopt, error_};
    }

    bool refuse(int line, std::u16string message) {
        error_ = {line, std::move(message)};
        return false;
    }

    std::nullopt_t refusedValue(int line, std::u16string message) {
        refuse(line, std::move(message));
        return std::nullopt;
    }

    bool keyLine(int lineNumber, std::u16string_view line) {
        if (line.back() != u']') return refuse(lineNumber, text(IDS_REG_NOT_A_LINE));
        std::u16string_view key = line.substr(1, line.size() - 2);
        const bool deletion = !key.empty() && key.front() == u'-';
        if (deletion) key.remove_prefix(1);
        inSettings_ = !deletion && isKey(key, comDlg32Path());
        if (inSettings_) {
            inKey_ = false;
            return true;
        }
        if (!isKey(key, placesBarPath())) {
            return refuse(lineNumber, text(IDS_REG_OTHER_KEY, {key}));
        }
        said_ = true;
        inKey_ = !deletion;
        if (deletion) places_ = {};
        customized_ = !deletion;
        return true;
    }

    static bool isKey(std::u16string_view key, const std::u16string& belowRoot) {
        const std::u16string longRoot = std::u16string(kCurrentUserName) + u'\\';
        if (startsWithIgnoringCase(key, longRoot)) return equalsIgnoringCase(key.substr(longRoot.size()), belowRoot);
        if (startsWithIgnoringCase(key, kShortRoot)) return equalsIgnoringCase(key.substr(kShortRoot.size()), belowRoot);
        return false;
    }

    bool valueLine(int lineNumber, std::u16string_view line) {
        std::u16string name;
        if (line.front() == u'@') {
            line.remove_prefix(1);
        } else {
            auto quotedName = takeQuoted(line);
            if (!quotedName) return refuse(lineNumber, text(IDS_REG_NOT_A_LINE));
            name = std::move(*quotedName);
        }
        line = trimmed(line);
        if (line.empty() || line.front() != u'=') return refuse(lineNumber, text(IDS_REG_NOT_A_LINE));
        line = trimmed(line.substr(1));

        if (inSettings_) return settingLine(lineNumber, name, line);
        if (!inKey_) {
            return refuse(lineNumber, name.empty() ? text(IDS_REG_DEFAULT_OUTSIDE) : text(IDS_REG_VALUE_OUTSIDE, {name}));
        }
        const auto index = placeIndexOf(name);
        if (!index) return refuse(lineNumber, name.empty() ? text(IDS_REG_DEFAULT_NO_PLACE) : text(IDS_REG_VALUE_NO_PLACE, {name}));

        auto place = placeData(lineNumber, line);
        if (!error_.message.empty()) return false;
        places_[static_cast<std::size_t>(*index)] = std::move(place);
        return true;
    }

    // Under ComDlg32 only the three settings, each hidden by dword:00000001 or shown by a deletion.
    bool settingLine(int lineNumber, const std::u16string& name, std::u16string_view data) {
        const auto setting = std::ranges::find_if(kDialogSettings, [&](DialogSetting candidate) {
            return equalsIgnoringCase(name, namesOf(candidate).valueName);
        });
        if (setting == kDialogSettings.end()) {
            return refuse(lineNumber, name.empty() ? ql::text(IDS_REG_DEFAULT_NO_SETTING) : ql::text(IDS_REG_VALUE_NO_SETTING, {name}));
        }
        auto& slot = settings_[static_cast<std::size_t>(*setting)];
        if (data == u"-") {
            slot = SettingValue::shown();
            return true;
        }
        const auto number = startsWithIgnoringCase(data, u"dword:") ? dwordData(data.substr(6)) : std::nullopt;
        if (!number) return refuse(lineNumber, ql::text(IDS_REG_SETTING_FORM, {name}));
        const auto bits = static_cast<std::uint32_t>(*number);
        const std::array<std::uint8_t, 4> bytes{static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                                                static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
        slot = decodeSetting(kRegDword, bytes);
        return true;
    }

    // The place a value's data makes; none for a deletion ("Place0"=-) and on error.
    std::optional<Place> placeData(int lineNumber, std::u16string_view data) {
        const std::u16string unreadable = text(IDS_REG_UNREADABLE_DATA);
        if (data == u"-") return std::nullopt;
        if (!data.empty() && data.front() == u'"') {
            auto text = takeQuoted(data);
            if (!text || !trimmed(data).empty()) return refusedValue(lineNumber, unreadable);
            return Place::folderPath(std::move(*text));
        }
        if (startsWithIgnoringCase(data, u"dword:")) {
            const auto number = dwordData(data.substr(6));
            if (!number) return refusedValue(lineNumber, unreadable);
            return Place::specialFolder(*number);
        }
        if (startsWithIgnoringCase(data, u"hex(2):")) {
            std::u16string list(data.substr(7));
            while (!list.empty() && list.back() == u'\\') {
                list.pop_back();
                if (next_ == lines_.size()) return refusedValue(lineNumber, text(IDS_REG_ENDS_IN_VALUE));
                list += trimmed(lines_[next_++]);
            }
            const auto bytes = hexData(list);
            if (!bytes) return refusedValue(lineNumber, unreadable);
            // REGEDIT4 holds the text in 8 bits, version 5 in UTF-16LE.
            if (unicode_) return decodePlaceValue(kRegExpandSz, *bytes);
            std::span<const std::uint8_t> text(*bytes);
            for (std::size_t i = 0; i < text.size(); ++i) {
                if (text[i] == 0) text = text.first(i);
            }
            return Place::expandablePath(from8Bit(text));
        }
        return refusedValue(lineNumber, text(IDS_REG_TYPE_NO_PLACE));
    }

    std::vector<std::u16string_view> lines_;
    std::size_t next_ = 0;
    bool unicode_ = true;
    bool said_ = false;
    bool inKey_ = false;
    bool inSettings_ = false;
    SettingChanges settings_{};
    bool customized_ = false;
    std::array<std::optional<Place>, kMaxPlaces> places_;
    RegFileError error_;
};

// A setting as the registry editor restores it: hidden dword:00000001, shown a deletion, any other
// form as it is stored.
std::u16string settingLine(DialogSetting setting, const SettingValue& value) {
    const std::u16string name = quoted(namesOf(setting).valueName) + u"=";
    switch (value.state) {
    case SettingValue::State::Shown: return name + u"-";
    case SettingValue::State::Hidden: return name + dwordValue(1);
    case SettingValue::State::Other: break;
    }
    if (value.type == kRegDword && value.data.size() == 4) {
        const auto& d = value.data;
        const std::uint32_t bits = std::uint32_t{d[0]} | std::uint32_t{d[1]} << 8 | std::uint32_t{d[2]} << 16 | std::uint32_t{d[3]} << 24;
        return name + dwordValue(static_cast<std::int32_t>(bits));
    }
    std::u16string hex = u"hex(";
    for (int shift = 28; shift >= 0; shift -= 4) {
        if ((value.type >> shift) != 0 || shift == 0) hex += u"0123456789abcdef"[(value.type >> shift) & 0xF];
    }
    return hexValue(name + hex + u"):", value.data);
}

// `customized` empty: a file that leaves the places bar alone.
std::vector<std::uint8_t> writeRegFile(std::optional<bool> customized, const std::vector<StoredPlace>& places,
                                       const SettingChanges& settings) {
    std::u16string text = std::u16string(kHeader5) + std::u16string(kNewLine) + std::u16string(kNewLine);
    if (customized) {
        text += u"[-" + placesBarKeyName() + u"]" + std::u16string(kNewLine);
        text += kNewLine;
    }
    if (customized.value_or(false)) {
        text += u"[" + placesBarKeyName() + u"]" + std::u16string(kNewLine);
        for (const auto& [index, place] : places) {
            const std::u16string name = quoted(placeValueName(index)) + u"=";
            if (!place.isPath()) {
                text += name + dwordValue(place.csidl);
            } else if (place.expandable) {
                text += hexValue(name + u"hex(2):", encodePlace(place).data);
            } else {
                text += name + quoted(place.path);
            }
            text += kNewLine;
        }
        text += kNewLine;
    }
    if (std::ranges::any_of(settings, [](const auto& setting) { return setting.has_value(); })) {
        text += u"[" + comDlg32KeyName() + u"]" + std::u16string(kNewLine);
        for (DialogSetting setting : kDialogSettings) {
            if (const auto& value = settings[static_cast<std::size_t>(setting)]) text += settingLine(setting, *value) + std::u16string(kNewLine);
        }
        text += kNewLine;
    }
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    const std::vector<std::uint8_t> body = utf16leBytes(text, false);
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

}  // namespace

std::vector<StoredPlace> storedPlaces(const PlacesBarSnapshot& snapshot) {
    std::vector<StoredPlace> places;
    for (const StoredValue& value : snapshot.values) {
        const auto index = placeIndexOf(value.name);
        if (!index) continue;
        if (auto place = decodePlaceValue(value.type, value.data)) places.push_back({*index, std::move(*place)});
    }
    std::ranges::sort(places, {}, &StoredPlace::index);
    return places;
}

namespace {

std::vector<StoredPlace> numbered(const std::vector<Place>& places) {
    std::vector<StoredPlace> stored;
    for (std::size_t i = 0; i < places.size(); ++i) stored.push_back({static_cast<int>(i), places[i]});
    return stored;
}

}  // namespace

std::vector<std::uint8_t> writeRegFile(const PlacesBarContent& content, const SettingChanges& settings) {
    return writeRegFile(content.customized, numbered(content.places), settings);
}

std::vector<std::uint8_t> writeRegFile(const DialogsContent& content) {
    if (!content.placesBar) return writeRegFile(std::nullopt, {}, content.settings);
    return writeRegFile(content.placesBar->customized, numbered(content.placesBar->places), content.settings);
}

std::vector<std::uint8_t> writeRegFile(const PlacesBarSnapshot& snapshot) {
    return writeRegFile(snapshot.state == PlacesBarSnapshot::State::Present, storedPlaces(snapshot),
                        allSettings(snapshot.settings));
}

std::u16string refusedFileMessage(std::u16string_view path, const RegFileError& error) {
    if (error.line > 0) return text(IDS_REG_REFUSED_AT_LINE, {path, fromAscii(std::to_string(error.line)), error.message});
    return text(IDS_REG_REFUSED, {path, error.message});
}

RegFileReading readRegFile(std::span<const std::uint8_t> bytes) {
    const auto text = decodeText(bytes);
    if (!text) return {std::nullopt, {0, ql::text(IDS_REG_BIG_ENDIAN)}};
    return Reader(splitLines(*text)).read();
}

}  // namespace ql
