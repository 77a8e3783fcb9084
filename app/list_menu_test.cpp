#include "app/list_menu.h"

#include <gtest/gtest.h>

namespace ql::editor {
namespace {

ListMenuStates onEntry(bool customized, int count, int position, bool onlySelected = true, bool hasPath = true) {
    return listMenuStates(controlStates(customized, count, true), count,
                          MenuEntry{position, onlySelected, true, hasPath}, true);
}

TEST(ListMenuStates, EntryCommandsFollowThePositionAndTheSelection) {
    const ListMenuStates middle = onEntry(true, 3, 1);
    EXPECT_TRUE(middle.open && middle.copyPath && middle.moveUp && middle.moveDown && middle.remove);
    EXPECT_FALSE(onEntry(true, 3, 0).moveUp);
    EXPECT_TRUE(onEntry(true, 3, 0).moveDown);
    EXPECT_TRUE(onEntry(true, 3, 2).moveUp);
    EXPECT_FALSE(onEntry(true, 3, 2).moveDown);
    EXPECT_FALSE(onEntry(true, 1, 0).moveUp || onEntry(true, 1, 0).moveDown);
    // Several selected: Remove takes them all, moving takes one.
    const ListMenuStates several = onEntry(true, 3, 1, false);
    EXPECT_TRUE(several.remove);
    EXPECT_FALSE(several.moveUp || several.moveDown);
    // A special folder without a path on disk, as My Computer.
    EXPECT_FALSE(onEntry(true, 3, 1, true, false).copyPath);
}

TEST(ListMenuStates, TheDefaultsOfferOnlyWhatChangesNothing) {
    const ListMenuStates states = onEntry(false, 3, 1);
    EXPECT_EQ(states, (ListMenuStates{.open = true, .copyPath = true}));
}

TEST(ListMenuStates, EmptySpaceAddsWhileThereIsRoom) {
    const auto empty = [](bool customized, int count, bool clipboard) {
        return listMenuStates(controlStates(customized, count, false), count, std::nullopt, clipboard);
    };
    EXPECT_EQ(empty(true, 4, true), (ListMenuStates{.paste = true, .addFolder = true, .addSpecial = true}));
    EXPECT_EQ(empty(true, 4, false), (ListMenuStates{.addFolder = true, .addSpecial = true}));
    EXPECT_EQ(empty(true, 5, true), ListMenuStates{});
    EXPECT_EQ(empty(false, 0, true), ListMenuStates{});
}

TEST(InfoTip, TypeDataAndWhereItLeadsOrWhyNot) {
    EXPECT_EQ(infoTip(Place::specialFolder(5), u"C:\\users\\me\\Documents", Resolution::Folder),
              u"Special folder 5 - C:\\users\\me\\Documents");
    EXPECT_EQ(infoTip(Place::specialFolder(17), u"", Resolution::Folder), u"Special folder 17");
    EXPECT_EQ(infoTip(Place::specialFolder(-7), u"", Resolution::NotFound), u"Special folder -7 - not found");
    EXPECT_EQ(infoTip(Place::folderPath(u"C:\\windows"), u"C:\\windows", Resolution::Folder), u"REG_SZ C:\\windows");
    EXPECT_EQ(infoTip(Place::expandablePath(u"%USERPROFILE%\\Downloads"), u"C:\\users\\me\\Downloads", Resolution::Folder),
              u"REG_EXPAND_SZ %USERPROFILE%\\Downloads - C:\\users\\me\\Downloads");
    EXPECT_EQ(infoTip(Place::expandablePath(u"%NOSUCH%\\x"), u"", Resolution::NotFound), u"REG_EXPAND_SZ %NOSUCH%\\x - not found");
    EXPECT_EQ(infoTip(Place::folderPath(u"C:\\windows\\win.ini"), u"", Resolution::NotAFolder),
              u"REG_SZ C:\\windows\\win.ini - not a folder");
    EXPECT_EQ(infoTip(Place::folderPath(u""), u"", Resolution::Empty), u"REG_SZ (empty)");
}

}  // namespace
}  // namespace ql::editor
