// Every string table has every text of the English one, no other, and each with the same
// placeholders: what a translator runs to find what is missing.
#include "tests/support/rc_string_table.h"

#include <gtest/gtest.h>

#include <set>

namespace ql::test {
namespace {

std::multiset<char16_t> placeholders(const std::u16string& text) {
    std::multiset<char16_t> found;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == u'%' && text[i + 1] >= u'1' && text[i + 1] <= u'9') found.insert(text[i + 1]);
    }
    return found;
}

std::string nameOf(const std::map<std::string, unsigned>& ids, unsigned id) {
    for (const auto& [name, value] : ids) {
        if (value == id) return name;
    }
    return std::to_string(id);
}

TEST(Translations, EveryTableHasEveryTextWithItsPlaceholders) {
    const auto ids = readStringIds(stringTablesFolder().parent_path().parent_path().parent_path() / "common" / "string_ids.h");
    const StringTable english = readStringTable(stringTablesFolder() / "en.rc", ids);
    EXPECT_EQ(english.problems, std::vector<std::string>{});
    for (const auto& [name, id] : ids) EXPECT_TRUE(english.texts.contains(id)) << "en.rc lacks " << name;

    std::set<unsigned> languages{english.language};
    int tables = 0;
    for (const auto& file : std::filesystem::directory_iterator(stringTablesFolder())) {
        if (file.path().extension() != ".rc" || file.path().filename() == "en.rc") continue;
        const std::string table = file.path().filename().string();
        const StringTable translation = readStringTable(file.path(), ids);
        ++tables;
        EXPECT_EQ(translation.problems, std::vector<std::string>{});
        EXPECT_TRUE(languages.insert(translation.language).second) << table << " has the LANGUAGE of another table";
        for (const auto& [id, text] : english.texts) {
            const auto found = translation.texts.find(id);
            if (found == translation.texts.end()) {
                ADD_FAILURE() << table << " lacks " << nameOf(ids, id);
            } else if (placeholders(found->second) != placeholders(text)) {
                ADD_FAILURE() << table << ": " << nameOf(ids, id) << " has other placeholders than the English text";
            }
        }
    }
    EXPECT_GE(tables, 6) << "German, French, Spanish, Brazilian Portuguese, Russian and Simplified Chinese each have a table";
}

}  // namespace
}  // namespace ql::test
