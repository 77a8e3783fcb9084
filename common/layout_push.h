#pragma once
// The arithmetic of the dialogs' text-sized layout, along one axis at a time: where a control's
// box starts and ends, how far what stands before it pushed it and how much its text grew it.
#include <algorithm>
#include <cstddef>
#include <vector>

namespace ql::layout {

struct Span {
    long start, end;
    long shift = 0, growth = 0;
    long moved() const { return shift + growth; }  // of its far edge
};

// Controls of one column (the same non-zero number) grow as wide as the widest of them needs,
// once one of them must grow.
inline void shareColumns(std::vector<Span>& spans, const std::vector<int>& columns) {
    for (std::size_t i = 0; i < spans.size(); ++i) {
        if (!columns[i] || !spans[i].growth) continue;
        long widest = 0;
        for (std::size_t j = 0; j < spans.size(); ++j) {
            if (columns[j] == columns[i]) widest = std::max(widest, spans[j].end - spans[j].start + spans[j].growth);
        }
        for (std::size_t j = 0; j < spans.size(); ++j) {
            if (columns[j] == columns[i]) spans[j].growth = widest - (spans[j].end - spans[j].start);
        }
    }
}

// Pushes along one axis: a control moves by as much as the far edge of any control before it in
// its band (`sideBySide(p, c)`) moved, and a box that holds others (`holds(outer, inner)`) grows
// to keep holding them. Returns how far the farthest far edge of those that `count` moved beyond
// where the farthest stood.
template <typename Beside, typename Holds, typename Counts>
long push(std::vector<Span>& spans, Beside sideBySide, Holds holds, Counts count) {
    for (bool changed = true; changed;) {
        changed = false;
        for (std::size_t c = 0; c < spans.size(); ++c) {
            long shift = 0, reach = spans[c].moved();
            for (std::size_t p = 0; p < spans.size(); ++p) {
                if (p == c) continue;
                if (spans[p].end <= spans[c].start && sideBySide(p, c)) shift = std::max(shift, spans[p].moved());
                if (holds(c, p)) reach = std::max(reach, spans[p].moved());
            }
            const long growth = std::max(spans[c].growth, reach - shift);
            if (shift > spans[c].shift || growth > spans[c].growth) {
                spans[c].shift = std::max(shift, spans[c].shift);
                spans[c].growth = growth;
                changed = true;
            }
        }
    }
    long before = 0, after = 0;
    for (std::size_t c = 0; c < spans.size(); ++c) {
        if (!count(c)) continue;
        before = std::max(before, spans[c].end);
        after = std::max(after, spans[c].end + spans[c].moved());
    }
    return std::max(0L, after - before);
}

}  // namespace ql::layout
