#pragma once
// A system in memory for the command line's tests and fuzzers: files in a map, folders in a set,
// output collected as text.
#include "cli/commands.h"

#include <map>
#include <set>

namespace ql::cli::testing {

class FakeCliHost final : public CliHost {
public:
    std::u16string out;
    std::u16string error;
    std::set<std::int32_t> specialFolders{0, 5, 6, 8, 13, 14, 17, 18, 38, 39, 40};
    std::vector<KnownFolderPath> known{{u"Downloads", u"C:\\users\\me\\Downloads"}};
    std::set<std::u16string> folders{u"C:\\windows", u"C:\\users\\me\\Downloads", u"C:\\work\\here"};
    std::set<std::u16string> hung;  // paths on a share whose server is gone: no answer
    std::map<std::u16string, std::vector<std::uint8_t>> files;
    std::u16string currentFolder = u"C:\\work";
    WriteAccess access = WriteAccess::Allowed;
    long elevatedAnswer = 0;                    // what the elevated copy ends with
    std::vector<DialogsContent> handedOver;     // what it was given to write

    void writeOut(std::u16string_view text) override { out += text; }
    void writeError(std::u16string_view text) override { error += text; }
    bool specialFolderExists(std::int32_t csidl) override { return specialFolders.contains(csidl); }
    std::vector<KnownFolderPath> knownFolders() override { return known; }
    // Drive paths stay, Unix paths map to Z:, anything else is below the current folder.
    std::u16string absolutePath(std::u16string_view path) override {
        if (path.size() >= 2 && path[1] == u':') return std::u16string(path);
        if (!path.empty() && path[0] == u'/') {
            std::u16string mapped = u"Z:" + std::u16string(path);
            for (char16_t& c : mapped) c = c == u'/' ? u'\\' : c;
            return mapped;
        }
        return currentFolder + u"\\" + std::u16string(path);
    }
    std::optional<bool> folderExists(std::u16string_view path) override {
        std::u16string expanded(path);
        if (const auto at = expanded.find(u"%SystemRoot%"); at != std::u16string::npos) {
            expanded.replace(at, 12, u"C:\\windows");
        }
        if (hung.contains(expanded)) return std::nullopt;
        return folders.contains(expanded);
    }
    std::vector<std::optional<std::u16string>> displayNames(const std::vector<Place>& places) override {
        std::vector<std::optional<std::u16string>> names;
        for (const Place& place : places) {
            if (!place.isPath()) {
                names.emplace_back(place.csidl == 5 ? u"Documents" : u"");
            } else if (hung.contains(place.path)) {
                names.emplace_back();
            } else {
                names.emplace_back(folders.contains(place.path) ? place.path.substr(place.path.rfind(u'\\') + 1) : u"");
            }
        }
        return names;
    }
    std::u16string errorText(long code) override { return u"error " + std::u16string(1, static_cast<char16_t>(u'0' + code % 10)); }
    WriteAccess writeAccess() override { return access; }
    long writeElevated(const DialogsContent& content) override {
        handedOver.push_back(content);
        return elevatedAnswer;
    }
    bool readFile(std::u16string_view path, std::vector<std::uint8_t>& bytes, std::u16string& why) override {
        const auto found = files.find(std::u16string(path));
        if (found == files.end()) {
            why = u"The system cannot find the file specified.";
            return false;
        }
        bytes = found->second;
        return true;
    }
    bool writeFile(std::u16string_view path, const std::vector<std::uint8_t>& bytes, std::u16string& why) override {
        if (path.starts_with(u"Q:")) {
            why = u"The device is not ready.";
            return false;
        }
        files[std::u16string(path)] = bytes;
        return true;
    }
};

}  // namespace ql::cli::testing
