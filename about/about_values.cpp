#include "about/about_values.h"

#include "common/text_case.h"
#include "common/texts.h"
#include "common/version.h"

namespace ql::about {
namespace {

std::u16string decimal(std::uint64_t n) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + n % 10));
        n /= 10;
    } while (n != 0);
    return digits;
}

}  // namespace

std::u16string versionLabel() {
    return text(IDS_ABOUT_VERSION, {decimal(QL_VERSION_MAJOR) + u"." + decimal(QL_VERSION_MINOR) + u"." +
                                    decimal(QL_VERSION_REVISION)});
}

std::u16string mailLinkTarget(std::u16string_view mailLabel) {
    return std::u16string(mailLabel) + u"?subject=" + u"" QL_PROGRAM_TITLE;
}

bool valueText(const RawValue& value, std::u16string& keyVal) {
    const std::vector<std::uint8_t>& bytes = value.bytes;
    if (bytes.empty()) {
        keyVal.clear();
        return false;
    }
    if (value.type == kRegSz) {
        std::u16string text;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            const auto unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
            if (unit == 0) break;
            text.push_back(unit);
        }
        keyVal = std::move(text);
    } else if (value.type == kRegDword) {
        std::uint64_t number = 0;
        for (std::size_t i = 0; i < bytes.size() && i < 4; ++i) number |= std::uint64_t{bytes[i]} << (8 * i);
        keyVal = decimal(number);
    }
    return true;
}

bool GetKeyValue(const ValueReader& keyRoot, std::u16string_view keyName, std::u16string_view subKeyRef,
                 std::u16string& keyVal) {
    const std::optional<RawValue> value = keyRoot.read(keyName, subKeyRef);
    if (!value) {
        keyVal.clear();
        return false;
    }
    return valueText(*value, keyVal);
}

std::optional<std::u16string> sysInfoPath(const ValueReader& hklm, const FileProbe& files) {
    std::u16string path;
    if (GetKeyValue(hklm, kMsinfoKey, kMsinfoValue, path)) {
        if (path.empty()) return std::nullopt;
        return path;
    }
    if (GetKeyValue(hklm, kToolsLocationKey, kToolsLocationValue, path) && !path.empty()) {
        path += kMsinfoFile;
        if (files.isOrdinaryFile(path)) return path;
    }
    return std::nullopt;
}

std::u16string sysInfoCommandLine(std::u16string_view path) {
    if (path.size() >= 2 && path.front() == u'"' && path.back() == u'"') return std::u16string(path);
    return u"\"" + std::u16string(path) + u"\"";
}

std::u16string pathPastRedirection(std::u16string_view path, std::u16string_view systemFolder,
                                   std::u16string_view nativeFolder) {
    const bool inside = path.size() > systemFolder.size() && path[systemFolder.size()] == u'\\' &&
                        equalsIgnoringCase(path.substr(0, systemFolder.size()), systemFolder);
    if (!inside || systemFolder.empty()) return std::u16string(path);
    return std::u16string(nativeFolder) + std::u16string(path.substr(systemFolder.size()));
}

}  // namespace ql::about
