#include "picker/picker_texts.h"

#include <gtest/gtest.h>

namespace ql::picker {
namespace {

TEST(PickerTexts, SameNamedFoldersSayWhereTheyLeadOrTheirNumber) {
    const std::vector<NamedFolder> folders{{0, u"C:\\users\\me\\Desktop", u"Desktop"},
                                           {5, u"C:\\users\\me\\Documents", u"Documents"},
                                           {16, u"C:\\users\\me\\Desktop", u"Desktop"},
                                           {25, u"C:\\users\\Public\\Desktop", u"Desktop"},
                                           {17, u"", u"My Computer"}};
    EXPECT_EQ(entryTexts(folders), (std::vector<std::u16string>{u"Desktop: Special folder 0", u"Documents",
                                                                u"Desktop: Special folder 16",
                                                                u"Desktop: C:\\users\\Public\\Desktop", u"My Computer"}));
}

}  // namespace
}  // namespace ql::picker
