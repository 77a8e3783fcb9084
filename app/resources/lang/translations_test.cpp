// Every string table has every text of the English one, no other, and each with the same
// placeholders: what a translator runs to find what is missing.
#include "tests/support/rc_string_table.h"

#include <gtest/gtest.h>

#include <cstddef>
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

// The texts that stand together in one window or menu, each holding one access key.
struct Window {
    const char* name;
    std::vector<std::string> texts;
};
const std::vector<Window> kWindows{
    {"the main window",
     {"IDS_CUSTOMIZE_YES", "IDS_CUSTOMIZE_NO", "IDS_PLACES_LABEL", "IDS_ADD_FOLDER", "IDS_ADD_SPECIAL", "IDS_REMOVE",
      "IDS_TEST", "IDS_SHOW_PLACES_BAR", "IDS_SHOW_BACK_BUTTON", "IDS_SHOW_RECENT_FILES", "IDS_ABOUT", "IDS_APPLY",
      "IDS_CLOSE"}},
    {"the system menu", {"IDS_IMPORT_PLACES_BAR", "IDS_EXPORT_PLACES_BAR"}},
    {"the menu of an entry", {"IDS_MENU_OPEN", "IDS_MENU_COPY_PATH", "IDS_MENU_MOVE_UP", "IDS_MENU_MOVE_DOWN", "IDS_MENU_REMOVE"}},
    {"the menu of the list",
     {"IDS_MENU_PASTE", "IDS_MENU_ADD_FOLDER", "IDS_MENU_ADD_SPECIAL", "IDS_IMPORT_PLACES_BAR", "IDS_EXPORT_PLACES_BAR"}},
    {"the picker", {"IDS_PICKER_LABEL", "IDS_OK", "IDS_CANCEL"}},
    {"the About box", {"IDS_OK", "IDS_ABOUT_SYSTEM_INFO", "IDS_ABOUT_MORE_INFO", "IDS_ABOUT_COMMENTS"}},
};

// The letter after the one "&" that is no "&&", in lower case (Latin and Cyrillic); 0 for none or several.
char16_t accessKey(const std::u16string& text) {
    char16_t key = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&') continue;
        if (text[++i] == u'&') continue;
        if (key) return 0;
        key = text[i];
    }
    if ((key >= u'A' && key <= u'Z') || (key >= 0xC0 && key <= 0xDE && key != 0xD7) || (key >= 0x410 && key <= 0x42F)) key += 32;
    if (key >= 0x400 && key <= 0x40F) key += 80;
    return key;
}

TEST(Translations, EveryControlAndMenuItemHasAnAccessKeyNoneAlikeInItsWindow) {
    const auto ids = readStringIds(stringTablesFolder().parent_path().parent_path().parent_path() / "common" / "string_ids.h");
    for (const auto& file : std::filesystem::directory_iterator(stringTablesFolder())) {
        if (file.path().extension() != ".rc") continue;
        const StringTable table = readStringTable(file.path(), ids);
        for (const Window& window : kWindows) {
            std::map<char16_t, std::string> taken;
            for (const std::string& name : window.texts) {
                const auto found = table.texts.find(ids.at(name));
                if (found == table.texts.end()) continue;  // told by the test above
                const char16_t key = accessKey(found->second);
                EXPECT_NE(key, 0) << file.path().filename().string() << ": " << name << " has no one access key";
                if (!key) continue;
                const auto [other, added] = taken.emplace(key, name);
                EXPECT_TRUE(added) << file.path().filename().string() << ": " << name << " and " << other->second
                                   << " have the same access key in " << window.name;
            }
        }
    }
}

}  // namespace
}  // namespace ql::test
