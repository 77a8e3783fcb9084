#include "common/layout_push.h"

#include <gtest/gtest.h>

namespace ql::layout {
namespace {

// Across one row: [0,10) grows by 5 and pushes [20,30) on; a box [0,40) holding both grows with
// them; [50,60) in another row stays.
TEST(LayoutPush, AGrowingControlPushesItsNeighboursAndItsBoxGrowsAroundThem) {
    std::vector<Span> spans{{0, 10, 0, 5}, {20, 30}, {0, 40}, {50, 60}};
    const auto sameRow = [](std::size_t p, std::size_t c) { return p != 3 && c != 3 && p != 2 && c != 2; };
    const auto holds = [](std::size_t outer, std::size_t inner) { return outer == 2 && inner < 2; };
    const long grown = push(spans, sameRow, holds, [](std::size_t) { return true; });
    EXPECT_EQ(spans[1].shift, 5);
    EXPECT_EQ(spans[2].growth, 5);
    EXPECT_EQ(spans[3].moved(), 0);
    EXPECT_EQ(grown, 0) << "the farthest edge, 60, did not move";
    EXPECT_EQ(push(spans, sameRow, holds, [](std::size_t c) { return c < 3; }), 5);
}

TEST(LayoutPush, AColumnTakesTheWidestWidthOnceOneMustGrow) {
    std::vector<Span> spans{{0, 80, 0, 30}, {0, 100}, {0, 50}};
    shareColumns(spans, {1, 1, 0});
    EXPECT_EQ(spans[0].end - spans[0].start + spans[0].growth, 110);
    EXPECT_EQ(spans[1].growth, 10);
    EXPECT_EQ(spans[2].growth, 0);
    std::vector<Span> none{{0, 80}, {0, 100}};
    shareColumns(none, {1, 1});
    EXPECT_EQ(none[0].growth, 0) << "as they stand while none must grow";
}

}  // namespace
}  // namespace ql::layout
