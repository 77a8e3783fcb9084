#include "app/drag_reorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace ql::drag {
namespace {

constexpr int kRowHeight = 17;
constexpr int kListWidth = 240;
constexpr int kListHeight = 180;
constexpr int kListTop = 104;

struct Point {
    int x, y;
};

// How a new entry's identity relates to the entry it replaces: a fresh one, or the carried
// payload, as in the window, where the list item's lParam is both.
enum class Identity { Fresh, Payload };

// A list of plain structs, one row per entry from the top, counting every call that changes it.
class FakeList final : public DragList {
public:
    struct Entry {
        EntryId id;
        EntryData data;
        bool ghosted = false;
    };

    FakeList(std::u16string names, Identity identity) : identity_(identity) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            const auto n = static_cast<int>(i);
            EntryData data{std::u16string(1, names[i]) + u": C:\\Places\\" + names[i], 100 + n, 3 + 7 * n};
            entries.push_back({identity == Identity::Payload ? data.payload : nextId_++, data});
        }
    }

    std::u16string order() const {
        std::u16string names;
        for (const Entry& e : entries) names += e.data.text.front();
        return names;
    }
    EntryId id(char16_t name) const { return entries.at(row(name)).id; }
    Point over(char16_t name) const { return {30, static_cast<int>(row(name)) * kRowHeight + 8}; }
    Point emptySpace() const { return {30, static_cast<int>(entries.size()) * kRowHeight + 10}; }
    std::vector<EntryId> ghosted() const {
        std::vector<EntryId> ids;
        for (const Entry& e : entries)
            if (e.ghosted) ids.push_back(e.id);
        return ids;
    }

    std::optional<EntryId> hitTest(int x, int y) const override {
        if (x < 0 || x >= kListWidth || y < 0 || y >= kListHeight) return std::nullopt;
        const auto r = static_cast<std::size_t>(y / kRowHeight);
        if (r >= entries.size()) return std::nullopt;
        return entries[r].id;
    }
    int position(EntryId entry) const override {
        const auto found = find(entry);
        return found == entries.end() ? 0 : static_cast<int>(found - entries.begin()) + 1;
    }
    std::optional<EntryId> entryAt(int p) const override {
        if (p < 1 || p > static_cast<int>(entries.size())) return std::nullopt;
        return entries[static_cast<std::size_t>(p - 1)].id;
    }
    int entryTop(EntryId entry) const override {
        const int p = position(entry);
        return p > 0 ? (p - 1) * kRowHeight : 0;
    }
    int entryHeight(EntryId entry) const override { return position(entry) > 0 ? kRowHeight : 0; }
    int listTop() const override { return kListTop; }

    void setDropHighlight(std::optional<EntryId> entry) override {
        ++changes;
        highlight = entry && position(*entry) > 0 ? entry : std::nullopt;
    }
    std::optional<EntryId> dropHighlighted() const override { return highlight; }
    void setGhosted(EntryId entry, bool ghost) override {
        ++changes;
        if (const auto found = find(entry); found != entries.end()) found->ghosted = ghost;
    }

    EntryData entryData(EntryId entry) const override {
        const auto found = find(entry);
        return found == entries.end() ? EntryData{} : found->data;
    }
    void removeAt(int p) override {
        ++changes;
        if (p < 1 || p > static_cast<int>(entries.size())) return;
        const auto at = entries.begin() + (p - 1);
        if (highlight == at->id) highlight.reset();
        if (selection == at->id) selection.reset();
        entries.erase(at);
    }
    EntryId insertAt(int p, const EntryData& data) override {
        ++changes;
        // A position past the end appends, as a list view does.
        const auto at = std::min(static_cast<std::size_t>(std::max(p, 1) - 1), entries.size());
        const EntryId newId = identity_ == Identity::Payload ? data.payload : nextId_++;
        entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(at), Entry{newId, data});
        return newId;
    }

    std::optional<EntryId> selectedEntry() const override { return selection; }
    void select(EntryId entry) override {
        ++changes;
        selection = entry;
    }

    std::vector<Entry> entries;
    std::optional<EntryId> highlight;
    std::optional<EntryId> selection;
    int changes = 0;

private:
    std::size_t row(char16_t name) const {
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (entries[i].data.text.front() == name) return i;
        throw std::out_of_range("no such entry");
    }
    std::vector<Entry>::const_iterator find(EntryId entry) const {
        return std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.id == entry; });
    }
    std::vector<Entry>::iterator find(EntryId entry) {
        return std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.id == entry; });
    }

    Identity identity_;
    EntryId nextId_ = 1;
};

class FakeIndicator final : public DropIndicator {
public:
    void showAt(int t) override {
        ++changes;
        top = t;
    }
    void hide() override {
        ++changes;
        top.reset();
    }
    std::optional<int> top;  // none while hidden
    int changes = 0;
};

// Everything a user can see of a drag, and where the drag stands.
struct Snapshot {
    std::u16string order;
    std::optional<EntryId> highlight;
    std::vector<EntryId> ghosted;
    std::optional<int> indicatorTop;
    std::optional<EntryId> dragItem;
    DragState state;
    bool operator==(const Snapshot&) const = default;
};

class Drag : public ::testing::TestWithParam<Identity> {
protected:
    Drag() : list(u"ABCDE", GetParam()) {}

    void press(MouseButtons button, Point p) { drag.folderList_MouseDown(button, p.x, p.y); }
    void pressOn(char16_t name) { press(kLeftButton, list.over(name)); }
    void moveTo(Point p, MouseButtons buttons = kLeftButton) { drag.folderList_MouseMove(buttons, p.x, p.y); }
    void moveOver(char16_t name) { moveTo(list.over(name)); }
    bool release(MouseButtons button = kLeftButton) { return drag.folderList_MouseUp(button); }

    // A whole drag of one entry onto another, with a few moves on the way.
    bool dragOnto(char16_t from, char16_t onto) {
        pressOn(from);
        moveTo({list.over(from).x + 4, list.over(from).y + 2});
        moveOver(onto);
        return release();
    }

    Snapshot snapshot() const {
        return {list.order(), list.highlight, list.ghosted(), dropZone.top, drag.dragItem(), drag.state()};
    }
    int changes() const { return list.changes + dropZone.changes; }

    // Asserts that `event` neither changed anything visible nor touched the list or the indicator.
    template <typename Event>
    void expectNoEffect(Event event, const char* what) {
        const Snapshot before = snapshot();
        const int touched = changes();
        event();
        EXPECT_EQ(snapshot(), before) << what;
        EXPECT_EQ(changes(), touched) << what;
    }

    void expectIdleAndClear() {
        EXPECT_EQ(drag.state(), DragState::Idle);
        EXPECT_FALSE(drag.dragItem());
        EXPECT_FALSE(list.highlight);
        EXPECT_TRUE(list.ghosted().empty());
        EXPECT_FALSE(dropZone.top);
    }

    FakeList list;
    FakeIndicator dropZone;
    DragReorder drag{list, dropZone};
};

INSTANTIATE_TEST_SUITE_P(Identities, Drag, ::testing::Values(Identity::Fresh, Identity::Payload),
                         [](const ::testing::TestParamInfo<Identity>& param) {
                             return param.param == Identity::Fresh ? "FreshIdentity" : "PayloadIdentity";
                         });

// ---- The event table, state by state ----

TEST_P(Drag, IdleLeftPressOnAnEntryStartsDraggingItWithoutShowingAnything) {
    pressOn(u'B');
    EXPECT_EQ(drag.state(), DragState::Dragging);
    EXPECT_EQ(drag.dragItem(), list.id(u'B'));
    EXPECT_FALSE(list.highlight);
    EXPECT_TRUE(list.ghosted().empty());
    EXPECT_FALSE(dropZone.top);
}

TEST_P(Drag, IdleLeftPressOnEmptySpaceOrOutsideStaysIdle) {
    for (Point p : {list.emptySpace(), Point{-5, 10}, Point{30, -1}}) {
        press(kLeftButton, p);
        expectIdleAndClear();
        moveOver(u'C');
        expectIdleAndClear();
        EXPECT_FALSE(release());
        expectIdleAndClear();
        EXPECT_EQ(list.order(), u"ABCDE");
    }
}

TEST_P(Drag, IdleIgnoresOtherPressesEveryMoveAndOtherReleases) {
    for (MouseButtons other : {kRightButton, kMiddleButton, kXButton1, kXButton2}) {
        expectNoEffect([&] { press(other, list.over(u'B')); }, "press of another button");
        expectNoEffect([&] { release(other); }, "release of another button");
    }
    expectNoEffect([&] { moveOver(u'D'); }, "left move over an entry");
    expectNoEffect([&] { moveTo(list.emptySpace()); }, "left move over empty space");
    expectNoEffect([&] { moveTo(list.over(u'D'), kRightButton); }, "move with another button");
    expectNoEffect([&] { moveTo(list.over(u'D'), 0); }, "move with no button");
}

TEST_P(Drag, IdleLeftReleaseChangesNothing) {
    EXPECT_FALSE(release());
    expectIdleAndClear();
    EXPECT_EQ(list.order(), u"ABCDE");
}

TEST_P(Drag, DraggingOverAnotherEntryTargetsIt) {
    pressOn(u'B');
    moveOver(u'D');
    EXPECT_EQ(drag.state(), DragState::Targeting);
    EXPECT_EQ(list.highlight, list.id(u'D'));
    EXPECT_EQ(list.ghosted(), std::vector<EntryId>{list.id(u'B')});
    EXPECT_TRUE(dropZone.top);
}

TEST_P(Drag, DraggingOverEmptySpaceOutsideOrItselfStaysDragging) {
    pressOn(u'B');
    const Point beside = list.over(u'B');
    for (Point p : {list.emptySpace(), Point{kListWidth + 20, 20}, Point{30, -40}, Point{beside.x + 50, beside.y}}) {
        moveTo(p);
        EXPECT_EQ(drag.state(), DragState::Dragging);
        EXPECT_FALSE(list.highlight);
        EXPECT_TRUE(list.ghosted().empty());
        EXPECT_FALSE(dropZone.top);
    }
}

TEST_P(Drag, DraggingIgnoresMovesWithOtherButtonsAndOtherReleases) {
    pressOn(u'B');
    for (MouseButtons held : {0u, kRightButton, kLeftButton | kRightButton, kLeftButton | kMiddleButton,
                              kLeftButton | kXButton1, kMiddleButton}) {
        expectNoEffect([&] { moveTo(list.over(u'D'), held); }, "move with another set of buttons");
    }
    for (MouseButtons other : {kRightButton, kMiddleButton, kXButton2}) {
        expectNoEffect([&] { release(other); }, "release of another button");
    }
    EXPECT_EQ(drag.state(), DragState::Dragging);
}

TEST_P(Drag, DraggingCancelledByAnotherPress) {
    for (MouseButtons other : {kRightButton, kMiddleButton, kXButton1}) {
        pressOn(u'B');
        press(other, list.over(u'D'));
        expectIdleAndClear();
        // The left release that follows finds no drag.
        moveOver(u'D');
        EXPECT_FALSE(release());
        EXPECT_EQ(list.order(), u"ABCDE");
    }
}

TEST_P(Drag, PressAndReleaseWithoutMovingChangesNothing) {
    pressOn(u'C');
    EXPECT_FALSE(release());
    expectIdleAndClear();
    EXPECT_EQ(list.order(), u"ABCDE");
}

TEST_P(Drag, TargetingFollowsTheNewTarget) {
    pressOn(u'B');
    moveOver(u'C');
    moveOver(u'E');
    EXPECT_EQ(drag.state(), DragState::Targeting);
    EXPECT_EQ(list.highlight, list.id(u'E'));
    EXPECT_EQ(list.ghosted(), std::vector<EntryId>{list.id(u'B')});
    EXPECT_EQ(dropZone.top, kListTop + 5 * kRowHeight);
    moveOver(u'A');
    EXPECT_EQ(list.highlight, list.id(u'A'));
    EXPECT_EQ(dropZone.top, kListTop + 0);
    EXPECT_TRUE(release());
    EXPECT_EQ(list.order(), u"BACDE");
}

TEST_P(Drag, TargetingBackOntoTheDraggedEntryClearsEverythingAndReleaseThereChangesNothing) {
    pressOn(u'B');
    moveOver(u'D');
    moveOver(u'B');
    EXPECT_EQ(drag.state(), DragState::Dragging);
    EXPECT_FALSE(list.highlight);
    EXPECT_TRUE(list.ghosted().empty());
    EXPECT_FALSE(dropZone.top);
    EXPECT_FALSE(release());
    expectIdleAndClear();
    EXPECT_EQ(list.order(), u"ABCDE");
}

TEST_P(Drag, TargetingThenReleaseOnEmptySpaceOrOutsideChangesNothing) {
    for (Point away : {list.emptySpace(), Point{-30, 20}, Point{30, kListHeight + 50}}) {
        pressOn(u'B');
        moveOver(u'E');
        moveTo(away);
        EXPECT_EQ(drag.state(), DragState::Dragging);
        EXPECT_FALSE(list.highlight);
        EXPECT_TRUE(list.ghosted().empty());
        EXPECT_FALSE(dropZone.top);
        EXPECT_FALSE(release());
        expectIdleAndClear();
        EXPECT_EQ(list.order(), u"ABCDE");
    }
}

TEST_P(Drag, TargetingIgnoresMovesWithOtherButtonsAndOtherReleases) {
    pressOn(u'B');
    moveOver(u'D');
    for (MouseButtons held : {0u, kRightButton, kLeftButton | kRightButton, kLeftButton | kXButton2}) {
        expectNoEffect([&] { moveTo(list.over(u'A'), held); }, "move with another set of buttons");
        expectNoEffect([&] { moveTo(list.emptySpace(), held); }, "move with another set of buttons");
    }
    for (MouseButtons other : {kRightButton, kMiddleButton, kXButton1}) {
        expectNoEffect([&] { release(other); }, "release of another button");
    }
    EXPECT_EQ(drag.state(), DragState::Targeting);
    EXPECT_TRUE(release());
    EXPECT_EQ(list.order(), u"ACDBE");
}

TEST_P(Drag, TargetingCancelledByAnotherPressClearsAtOnceAndMovesNothing) {
    pressOn(u'B');
    moveOver(u'D');
    press(kRightButton, list.over(u'D'));
    expectIdleAndClear();
    EXPECT_FALSE(release());
    EXPECT_EQ(list.order(), u"ABCDE");
}

TEST_P(Drag, TargetingLeftReleaseMovesAndClearsEveryTrace) {
    pressOn(u'B');
    moveOver(u'D');
    EXPECT_TRUE(release());
    expectIdleAndClear();
    EXPECT_EQ(list.order(), u"ACDBE");
}

// ---- The move ----

TEST_P(Drag, MovesLandAtTheTargetsPosition) {
    struct Case {
        char16_t from, onto;
        const char16_t* expected;
    };
    for (const Case& c : {Case{u'B', u'D', u"ACDBE"}, Case{u'D', u'B', u"ADBCE"}, Case{u'E', u'A', u"EABCD"},
                          Case{u'A', u'E', u"BCDEA"}}) {
        list = FakeList(u"ABCDE", GetParam());
        EXPECT_TRUE(dragOnto(c.from, c.onto));
        EXPECT_EQ(list.order(), c.expected) << static_cast<char>(c.from) << " onto " << static_cast<char>(c.onto);
        expectIdleAndClear();
    }
}

TEST_P(Drag, DropOntoANeighbourSwapsTheTwo) {
    EXPECT_TRUE(dragOnto(u'B', u'C'));
    EXPECT_EQ(list.order(), u"ACBDE");
    EXPECT_TRUE(dragOnto(u'B', u'C'));
    EXPECT_EQ(list.order(), u"ABCDE");
    EXPECT_TRUE(dragOnto(u'E', u'D'));
    EXPECT_EQ(list.order(), u"ABCED");
}

TEST_P(Drag, MovedEntryKeepsTextPayloadAndIconAndTheOthersAreUntouched) {
    std::vector<EntryData> before;
    for (const auto& e : list.entries) before.push_back(e.data);
    EXPECT_TRUE(dragOnto(u'B', u'D'));
    EXPECT_TRUE(dragOnto(u'E', u'A'));
    // A C D B E, then E A C D B.
    const std::vector<EntryData> expected{before[4], before[0], before[2], before[3], before[1]};
    std::vector<EntryData> after;
    for (const auto& e : list.entries) after.push_back(e.data);
    EXPECT_EQ(after, expected);
}

TEST_P(Drag, MoveLeavesTheSelectionAlone) {
    list.selection = list.id(u'A');
    EXPECT_TRUE(dragOnto(u'C', u'E'));
    EXPECT_EQ(list.order(), u"ABDEC");
    EXPECT_EQ(list.selection, list.id(u'A'));
}

TEST_P(Drag, IndicatorMarksTheTargetsFarEdgeBelowAndNearEdgeAbove) {
    pressOn(u'B');
    moveOver(u'D');
    EXPECT_EQ(dropZone.top, kListTop + list.entryTop(list.id(u'D')) + kRowHeight);  // D's bottom
    EXPECT_TRUE(release());

    list = FakeList(u"ABCDE", GetParam());
    pressOn(u'D');
    moveOver(u'B');
    EXPECT_EQ(dropZone.top, kListTop + list.entryTop(list.id(u'B')));  // B's top
}

TEST_P(Drag, EntriesRemovedDuringTheDragAreNotMoved) {
    // The dragged entry goes (a key removed it while the button was held).
    pressOn(u'B');
    moveOver(u'D');
    list.removeAt(2);
    EXPECT_FALSE(release());
    expectIdleAndClear();
    EXPECT_EQ(list.order(), u"ACDE");

    // The target goes.
    pressOn(u'A');
    moveOver(u'D');
    list.removeAt(3);
    EXPECT_FALSE(release());
    expectIdleAndClear();
    EXPECT_EQ(list.order(), u"ACE");
}

TEST_P(Drag, SingleEntryCannotMove) {
    list = FakeList(u"A", GetParam());
    pressOn(u'A');
    moveTo(list.emptySpace());
    moveOver(u'A');
    EXPECT_FALSE(release());
    EXPECT_EQ(list.order(), u"A");
}

// ---- The keyboard ----

TEST_P(Drag, KeyboardMovesTheSelectedEntryOnePlaceAndKeepsItSelected) {
    const EntryData c = list.entries[2].data;
    list.selection = list.id(u'C');
    EXPECT_TRUE(drag.moveSelectedBy(-1));
    EXPECT_EQ(list.order(), u"ACBDE");
    ASSERT_TRUE(list.selection);
    EXPECT_EQ(list.entryData(*list.selection), c);
    EXPECT_TRUE(drag.moveSelectedBy(+1));
    EXPECT_TRUE(drag.moveSelectedBy(+1));
    EXPECT_EQ(list.order(), u"ABDCE");
    EXPECT_EQ(list.entryData(*list.selection), c);
    EXPECT_TRUE(list.ghosted().empty());
    EXPECT_FALSE(list.highlight);
    EXPECT_FALSE(dropZone.top);
}

TEST_P(Drag, KeyboardMovesNothingPastEitherEnd) {
    list.selection = list.id(u'A');
    expectNoEffect([&] { EXPECT_FALSE(drag.moveSelectedBy(-1)); }, "first entry up");
    list.selection = list.id(u'E');
    expectNoEffect([&] { EXPECT_FALSE(drag.moveSelectedBy(+1)); }, "last entry down");
    EXPECT_TRUE(drag.moveSelectedBy(-1));
    EXPECT_EQ(list.order(), u"ABCED");
}

TEST_P(Drag, KeyboardMovesNothingWithoutASelectionOrDuringADrag) {
    expectNoEffect([&] { EXPECT_FALSE(drag.moveSelectedBy(+1)); }, "no selection");
    list.selection = list.id(u'B');
    pressOn(u'B');
    moveOver(u'D');
    expectNoEffect([&] { EXPECT_FALSE(drag.moveSelectedBy(+1)); }, "during a drag");
    EXPECT_TRUE(release());
    EXPECT_EQ(list.order(), u"ACDBE");
}

}  // namespace
}  // namespace ql::drag
