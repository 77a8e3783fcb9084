#include "app/place_input.h"
#include "common/texts.h"

#include <gtest/gtest.h>

namespace ql::editor {
namespace {

using Paths = std::vector<std::u16string>;

TEST(PathsFromText, OnePathALineWithBlanksQuotesAndEmptyLinesStripped) {
    EXPECT_EQ(pathsFromText(u"C:\\windows"), Paths{u"C:\\windows"});
    EXPECT_EQ(pathsFromText(u"  \"C:\\Program Files\"\t\r\n\r\n'D:\\My Work'\nE:\\x\r"),
              (Paths{u"C:\\Program Files", u"D:\\My Work", u"E:\\x"}));
    EXPECT_EQ(pathsFromText(u"\" C:\\a \""), Paths{u"C:\\a"});
    EXPECT_EQ(pathsFromText(u"\r\n  \t\n\"\""), Paths{});
    EXPECT_EQ(pathsFromText(u""), Paths{});
}

TEST(PathsFromText, UnmatchedQuotesStay) {
    EXPECT_EQ(pathsFromText(u"\"C:\\a"), Paths{u"\"C:\\a"});
    EXPECT_EQ(pathsFromText(u"\"C:\\a'"), Paths{u"\"C:\\a'"});
}

TEST(PlaceFromPath, AVariableMakesAnExpandablePath) {
    EXPECT_EQ(placeFromPath(u"%USERPROFILE%\\Downloads"), Place::expandablePath(u"%USERPROFILE%\\Downloads"));
    EXPECT_EQ(placeFromPath(u"C:\\%x%"), Place::expandablePath(u"C:\\%x%"));
    EXPECT_EQ(placeFromPath(u"C:\\100%"), Place::folderPath(u"C:\\100%"));
    EXPECT_EQ(placeFromPath(u"C:\\a%%b"), Place::folderPath(u"C:\\a%%b"));
    EXPECT_EQ(placeFromPath(u"C:\\windows"), Place::folderPath(u"C:\\windows"));
}

Offered folder(std::u16string path) { return {Place::folderPath(std::move(path)), true}; }
Offered file(std::u16string path) { return {Place::folderPath(std::move(path)), false}; }

TEST(PlanAdd, FoldersAreAddedInTheirOrderAndFilesLeftOut) {
    const AddPlan plan = planAdd(true, 1, {folder(u"C:\\a"), file(u"C:\\f.txt"), folder(u"C:\\b")});
    EXPECT_EQ(plan.places, (std::vector<Place>{Place::folderPath(u"C:\\a"), Place::folderPath(u"C:\\b")}));
    EXPECT_EQ(plan.message, u"");
}

TEST(PlanAdd, OnlyWhatFitsIntoFiveIsAddedWithoutAMessage) {
    const AddPlan plan = planAdd(true, 3, {folder(u"1"), folder(u"2"), folder(u"3")});
    EXPECT_EQ(plan.places, (std::vector<Place>{Place::folderPath(u"1"), Place::folderPath(u"2")}));
    EXPECT_EQ(plan.message, u"");
}

TEST(PlanAdd, NothingAddedSaysWhy) {
    EXPECT_EQ(planAdd(true, 0, {file(u"a.txt"), file(u"b.txt")}), (AddPlan{{}, text(IDS_ONLY_FOLDERS)}));
    EXPECT_EQ(planAdd(true, 2, {}), (AddPlan{{}, text(IDS_ONLY_FOLDERS)}));
    EXPECT_EQ(planAdd(true, 5, {folder(u"C:\\a")}), (AddPlan{{}, text(IDS_LIST_FULL)}));
    // Folders among files on a full list: the room is what is missing.
    EXPECT_EQ(planAdd(true, 5, {file(u"a.txt"), folder(u"C:\\a")}), (AddPlan{{}, text(IDS_LIST_FULL)}));
    EXPECT_EQ(planAdd(true, 7, {folder(u"C:\\a")}), (AddPlan{{}, text(IDS_LIST_FULL)}));
}

TEST(PlanAdd, TheDefaultsTakeNothingAndSayNothing) {
    EXPECT_EQ(planAdd(false, 0, {folder(u"C:\\a")}), AddPlan{});
}

TEST(TakesDrop, OnlyFilesOnACustomizedList) {
    EXPECT_TRUE(takesDrop(true, true));
    EXPECT_FALSE(takesDrop(true, false));
    EXPECT_FALSE(takesDrop(false, true));
}

}  // namespace
}  // namespace ql::editor
