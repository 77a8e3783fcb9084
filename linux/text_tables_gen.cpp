// Build tool: writes every string table of app/resources/lang/ as C++ arrays, so that the Linux
// command carries the same texts as quorlane.exe. Arguments: string_ids.h, the output file, the tables.
#include "tests/support/rc_string_table.h"

#include <cstdio>
#include <fstream>
#include <iostream>

namespace {

std::string literal(const std::u16string& text) {
    std::string out = "u\"";
    char buffer[16];
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xd800 && c < 0xdc00 && i + 1 < text.size()) {
            std::snprintf(buffer, sizeof buffer, "\\U%08x", 0x10000u + ((c - 0xd800u) << 10) + (text[++i] - 0xdc00u));
            out += buffer;
        } else if (c >= 0x20 && c < 0x7f && c != u'\\' && c != u'"' && c != u'?') {
            out += static_cast<char>(c);
        } else {
            std::snprintf(buffer, sizeof buffer, c < 0xa0 ? "\\x%02x\" u\"" : "\\u%04x", static_cast<unsigned>(c));
            out += buffer;
        }
    }
    return out + "\"";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: text_tables_gen string_ids.h OUTPUT TABLE.rc...\n";
        return 2;
    }
    const auto ids = ql::test::readStringIds(argv[1]);
    std::ofstream out(argv[2], std::ios::binary);
    out << "// Made by text_tables_gen from app/resources/lang/*.rc.\n#include \"linux/text_tables.h\"\n\nnamespace ql::native {\nnamespace {\n";
    std::string tables;
    for (int i = 3; i < argc; ++i) {
        const ql::test::StringTable table = ql::test::readStringTable(argv[i], ids);
        for (const std::string& problem : table.problems) std::cerr << argv[i] << ": " << problem << "\n";
        if (!table.problems.empty()) return 1;
        out << "constexpr TextEntry kTable" << i << "[] = {\n";
        for (const auto& [id, text] : table.texts) out << "    {" << id << ", " << literal(text) << "},\n";
        out << "};\n";
        tables += "    {" + std::to_string(table.language) + ", kTable" + std::to_string(i) + "},\n";
    }
    out << "}  // namespace\n\nconst std::span<const TextTable> kTextTables = [] {\n    static const TextTable tables[] = {\n" << tables
        << "    };\n    return std::span<const TextTable>(tables);\n}();\n\n}  // namespace ql::native\n";
    return out ? 0 : 1;
}
