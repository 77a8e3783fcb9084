// The texts of the portable code's tests and fuzzers: the English table, read from its source.
#include "common/texts.h"
#include "tests/support/rc_string_table.h"

namespace ql {

std::u16string text(unsigned id) {
    static const test::StringTable english = [] {
        const auto folder = test::stringTablesFolder();
        return test::readStringTable(folder / "en.rc", test::readStringIds(folder.parent_path().parent_path().parent_path() / "common" / "string_ids.h"));
    }();
    const auto found = english.texts.find(id);
    return found != english.texts.end() ? found->second : std::u16string();
}

}  // namespace ql
