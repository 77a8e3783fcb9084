#include "common/text_languages.h"
#include "common/texts.h"

#include <gtest/gtest.h>

#include <array>

namespace ql {
namespace {

TEST(Texts, PlaceholdersTakeTheirArgumentsInAnyOrder) {
    EXPECT_EQ(formatText(u"%2 before %1", {u"a", u"b"}), u"b before a");
    EXPECT_EQ(formatText(u"%1%1", {u"x"}), u"xx");
    // Only %1..%9 are placeholders: a variable, a lone % and a missing argument stay as they are.
    EXPECT_EQ(formatText(u"%USERPROFILE%\\x 100% %3 %", {u"a"}), u"%USERPROFILE%\\x 100% %3 %");
    EXPECT_EQ(formatText(u"%1", {u"%2"}), u"%2");  // an argument is not read again
}

TEST(Texts, TheTableOfTheLanguageElseOfItsPrimaryLanguageElseEnglish) {
    constexpr std::array<LanguageId, 3> tables{0x0409, 0x0407, 0x0804};
    EXPECT_EQ(chooseTextTable(0x0407, tables), 0x0407);
    EXPECT_EQ(chooseTextTable(0x0c07, tables), 0x0407);  // German in Austria
    EXPECT_EQ(chooseTextTable(0x0404, tables), 0x0804);  // Chinese in Taiwan
    EXPECT_EQ(chooseTextTable(0x0411, tables), kEnglishTable);
    EXPECT_EQ(chooseTextTable(0x0809, tables), 0x0409);
}

}  // namespace
}  // namespace ql
