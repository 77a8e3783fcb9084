#include "app/drag_reorder.h"

namespace ql::drag {

void DragReorder::folderList_MouseDown(MouseButtons button, int x, int y) {
    if (button == kLeftButton) {
        dragItem_ = list_.hitTest(x, y);
    } else if (dragItem_) {
        resetDrag();
    }
}

void DragReorder::folderList_MouseMove(MouseButtons buttons, int x, int y) {
    if (buttons != kLeftButton || !dragItem_) return;
    const EntryId dragged = *dragItem_;
    const std::optional<EntryId> hit = list_.hitTest(x, y);
    if (hit && *hit != dragged) {
        // The indicator marks where the entry will land: above a target that lies above it,
        // below one that lies below.
        const int boundary = list_.position(*hit) < list_.position(dragged)
                                 ? list_.entryTop(*hit)
                                 : list_.entryTop(*hit) + list_.entryHeight(*hit);
        dropZone_.showAt(list_.listTop() + boundary);
        list_.setDropHighlight(hit);
        list_.setGhosted(dragged, true);
    } else {
        dropZone_.hide();
        list_.setDropHighlight(std::nullopt);
        list_.setGhosted(dragged, false);
    }
}

bool DragReorder::folderList_MouseUp(MouseButtons button) {
    if (button != kLeftButton) return false;
    bool moved = false;
    const std::optional<EntryId> target = list_.dropHighlighted();
    if (target && dragItem_ && *target != *dragItem_) moved = move(*dragItem_, *target).has_value();
    resetDrag();
    return moved;
}

void DragReorder::resetDrag() {
    if (dragItem_) list_.setGhosted(*dragItem_, false);
    dragItem_.reset();
    list_.setDropHighlight(std::nullopt);
    dropZone_.hide();
}

bool DragReorder::moveSelectedBy(int delta) {
    if (dragItem_) return false;
    const std::optional<EntryId> selected = list_.selectedEntry();
    if (!selected) return false;
    const int position = list_.position(*selected);
    if (position < 1) return false;
    const std::optional<EntryId> neighbour = list_.entryAt(position + delta);
    if (!neighbour || *neighbour == *selected) return false;
    const std::optional<EntryId> moved = move(*selected, *neighbour);
    if (!moved) return false;
    list_.select(*moved);
    return true;
}

DragState DragReorder::state() const {
    if (!dragItem_) return DragState::Idle;
    return list_.dropHighlighted() ? DragState::Targeting : DragState::Dragging;
}

std::optional<EntryId> DragReorder::move(EntryId dragged, EntryId target) {
    const int from = list_.position(dragged);
    const int to = list_.position(target);
    // Either may have left the list while the button was held (a key can remove entries): then
    // there is nothing sound to move.
    if (from < 1 || to < 1 || from == to) return std::nullopt;
    const bool after = to > from;
    const EntryData data = list_.entryData(dragged);  // the icon is read while the entry is still there
    list_.removeAt(from);
    return list_.insertAt(list_.position(target) + (after ? 1 : 0), data);
}

}  // namespace ql::drag
