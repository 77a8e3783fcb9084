#include "app/editor_rules.h"

#include <gtest/gtest.h>

namespace ql::editor {
namespace {

TEST(UpdateControls, DefaultsModeLocksTheListAndEveryEditButton) {
    for (int count : {0, 3, 5}) {
        for (bool selected : {false, true}) {
            EXPECT_EQ(controlStates(false, count, selected), (ControlStates{false, false, false}));
        }
    }
}

TEST(UpdateControls, CustomizedListAddsBelowFiveAndRemovesWhileSelected) {
    EXPECT_EQ(controlStates(true, 0, false), (ControlStates{true, true, false}));
    EXPECT_EQ(controlStates(true, 4, true), (ControlStates{true, true, true}));
    EXPECT_EQ(controlStates(true, 5, false), (ControlStates{true, false, false}));
    EXPECT_EQ(controlStates(true, 5, true), (ControlStates{true, false, true}));
    EXPECT_EQ(controlStates(true, 7, true), (ControlStates{true, false, true}));
}

TEST(ConfirmApply, QuestionNamesTheAction) {
    EXPECT_EQ(confirmApplyQuestion(Action::Exiting), u"Apply changes before exiting?");
    EXPECT_EQ(confirmApplyQuestion(Action::Testing), u"Apply changes before testing settings?");
}

TEST(ConfirmApply, OnlyASuccessfulYesOrANoGoesOn) {
    EXPECT_TRUE(confirmApplyGoesOn(Answer::Yes, true));
    EXPECT_FALSE(confirmApplyGoesOn(Answer::Yes, false));
    EXPECT_TRUE(confirmApplyGoesOn(Answer::No, false));
    EXPECT_FALSE(confirmApplyGoesOn(Answer::Cancel, true));
}

TEST(RemovalOrder, VisitsSelectedPositionsFromTheEnd) {
    EXPECT_EQ(removalOrder({false, false, true, false, false}), (std::vector<int>{2}));
    EXPECT_EQ(removalOrder({true, false, true, true, false}), (std::vector<int>{3, 2, 0}));
    EXPECT_TRUE(removalOrder({false, false}).empty());
    EXPECT_TRUE(removalOrder({}).empty());
}

TEST(RemovalOrder, RemovingInThatOrderKeepsTheRestInOrder) {
    std::vector<char> list{'A', 'B', 'C', 'D', 'E'};
    for (int position : removalOrder({false, true, false, true, true})) list.erase(list.begin() + position);
    EXPECT_EQ(list, (std::vector<char>{'A', 'C'}));
}

TEST(Removing, TheEntryThatTookTheFirstRemovedOnesPlaceOrTheLastIsNext) {
    EXPECT_EQ(positionAfterRemoval({false, true, false, true, false}), 1);
    EXPECT_EQ(positionAfterRemoval({false, false, true, true}), 1) << "the last ones went: the one before them";
    EXPECT_EQ(positionAfterRemoval({true, true}), std::nullopt);
    EXPECT_EQ(positionAfterRemoval({false, false}), std::nullopt);
}

TEST(Adding, APlaceInTheListAlreadyIsFoundAsTheSameFolderWhateverItsCase) {
    const std::vector<Place> places{Place::specialFolder(5), Place::folderPath(u"C:\\Work\\"), Place::expandablePath(u"%TEMP%")};
    EXPECT_EQ(positionOf(places, Place::folderPath(u"c:\\work")), 1);
    EXPECT_EQ(positionOf(places, Place::specialFolder(5)), 0);
    EXPECT_EQ(positionOf(places, Place::specialFolder(0)), std::nullopt);
    EXPECT_EQ(positionOf(places, Place::folderPath(u"%TEMP%")), std::nullopt) << "REG_SZ means the text itself";
    EXPECT_EQ(positionOf({Place::folderPath(u"C:\\")}, Place::folderPath(u"C:")), std::nullopt);
}

TEST(SaveFailedMessage, SaysWhatFailedAndWhy) {
    const auto text = saveFailedMessage(u"ComDlg32", u"Access denied.");
    EXPECT_NE(text.find(u"could not be saved"), std::u16string::npos);
    EXPECT_NE(text.find(u"ComDlg32"), std::u16string::npos);
    EXPECT_NE(text.find(u"Access denied."), std::u16string::npos);
}

}  // namespace
}  // namespace ql::editor
