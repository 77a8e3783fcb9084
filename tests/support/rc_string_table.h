#pragma once
// The string tables of app/resources/lang/ read as text, the way the resource compiler reads them:
// for the portable code's tests (English texts without resources) and the check of the translations.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace ql::test {

struct StringTable {
    unsigned language = 0;                   // the LANGUAGE statement's LANGID
    std::map<unsigned, std::u16string> texts;  // by id
    std::vector<std::string> problems;       // lines that could not be read, with their numbers
};

// The ids of common/string_ids.h, by name.
std::map<std::string, unsigned> readStringIds(const std::filesystem::path& header);

StringTable readStringTable(const std::filesystem::path& rcFile, const std::map<std::string, unsigned>& ids);

// The folder of the string tables in this source tree.
std::filesystem::path stringTablesFolder();

}  // namespace ql::test
