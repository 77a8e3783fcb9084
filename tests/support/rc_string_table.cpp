#include "tests/support/rc_string_table.h"

#include "common/utf8.h"

#include <fstream>
#include <regex>
#include <sstream>

namespace ql::test {
namespace {


// The text between the quotes with the resource compiler's escapes: "" is a quote, \n a line break.
std::string unquote(const std::string& quoted) {
    std::string out;
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
        if (quoted[i] == '"' && quoted[i + 1] == '"') {
            out += '"';
            ++i;
        } else if (quoted[i] == '\\' && i + 2 < quoted.size()) {
            const char e = quoted[++i];
            out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
        } else {
            out += quoted[i];
        }
    }
    return out;
}

std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

}  // namespace

std::map<std::string, unsigned> readStringIds(const std::filesystem::path& header) {
    std::map<std::string, unsigned> ids;
    std::istringstream lines(readAll(header));
    const std::regex define(R"(^#define (IDS_\w+) (\d+)\s*$)");
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (std::regex_match(line, m, define)) ids[m[1]] = static_cast<unsigned>(std::stoul(m[2]));
    }
    return ids;
}

StringTable readStringTable(const std::filesystem::path& rcFile, const std::map<std::string, unsigned>& ids) {
    StringTable table;
    std::istringstream lines(readAll(rcFile));
    const std::regex entry(R"(^\s*(IDS_\w+)\s+("(?:[^"]|"")*")\s*$)");
    const std::regex language(R"(^LANGUAGE\s+(0x[0-9a-fA-F]+|\d+)\s*,\s*(0x[0-9a-fA-F]+|\d+)\b.*)");
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::smatch m;
        if (std::regex_match(line, m, language)) {
            table.language = (static_cast<unsigned>(std::stoul(m[2], nullptr, 0)) << 10) | static_cast<unsigned>(std::stoul(m[1], nullptr, 0));
        } else if (std::regex_match(line, m, entry)) {
            const auto id = ids.find(m[1]);
            if (id == ids.end()) {
                table.problems.push_back(rcFile.filename().string() + ":" + std::to_string(number) + ": unknown id " + m[1].str());
            } else if (!table.texts.emplace(id->second, fromUtf8(unquote(m[2]))).second) {
                table.problems.push_back(rcFile.filename().string() + ":" + std::to_string(number) + ": " + m[1].str() + " twice");
            }
        } else if (line.find("IDS_") != std::string::npos && line.find("#include") == std::string::npos) {
            table.problems.push_back(rcFile.filename().string() + ":" + std::to_string(number) + ": cannot be read: " + line);
        }
    }
    return table;
}

std::filesystem::path stringTablesFolder() { return std::filesystem::path(QL_SOURCE_DIR) / "app" / "resources" / "lang"; }

}  // namespace ql::test
