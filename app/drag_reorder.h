#pragma once
// Reordering the place list by dragging an entry onto another one with the left mouse button,
// and by moving the selected entry one place with the keyboard. The logic knows the list and the
// drop indicator only through the two seams below; the window implements them over its list view
// in pixels, the unit tests over plain structs.
#include <cstdint>
#include <optional>
#include <string>

namespace ql::drag {

// An entry's identity while it is in the list, independent of its position. In the window it is
// the list item's lParam.
using EntryId = std::intptr_t;

// What an entry carries from its old position to its new one.
struct EntryData {
    std::u16string text;
    std::intptr_t payload = 0;  // the window's id of the entry's place
    std::int32_t iconIndex = 0;
    bool operator==(const EntryData&) const = default;
};

// The list as the drag sees it. Coordinates are relative to the list's client area, except
// listTop, which is relative to the window that holds the list and the indicator. An operation
// on an entry that is no longer in the list does nothing, and reads give 0 or none.
class DragList {
public:
    virtual std::optional<EntryId> hitTest(int x, int y) const = 0;
    // 1-based; 0 when the entry is not in the list.
    virtual int position(EntryId entry) const = 0;
    virtual std::optional<EntryId> entryAt(int position) const = 0;
    virtual int entryTop(EntryId entry) const = 0;
    virtual int entryHeight(EntryId entry) const = 0;
    virtual int listTop() const = 0;

    // Highlighting one entry clears the highlight of every other; none clears it everywhere.
    virtual void setDropHighlight(std::optional<EntryId> entry) = 0;
    virtual std::optional<EntryId> dropHighlighted() const = 0;
    virtual void setGhosted(EntryId entry, bool ghosted) = 0;

    // Text, payload and icon index of an entry that is in the list.
    virtual EntryData entryData(EntryId entry) const = 0;
    virtual void removeAt(int position) = 0;
    // A new entry that takes the given 1-based position, with the given text, payload and icon.
    virtual EntryId insertAt(int position, const EntryData& data) = 0;

    // The one selected entry; none when no entry or several are selected.
    virtual std::optional<EntryId> selectedEntry() const = 0;
    // Makes the entry the only selected one, with the focus.
    virtual void select(EntryId entry) = 0;

protected:
    virtual ~DragList() = default;
};

// The drop position indicator beside the list; `top` is relative to the window that holds both.
class DropIndicator {
public:
    virtual void showAt(int top) = 0;
    virtual void hide() = 0;

protected:
    virtual ~DropIndicator() = default;
};

// Mouse buttons: one of them for a press or a release, a set of them for a move.
using MouseButtons = unsigned;
inline constexpr MouseButtons kLeftButton = 1;
inline constexpr MouseButtons kRightButton = 2;
inline constexpr MouseButtons kMiddleButton = 4;
inline constexpr MouseButtons kXButton1 = 8;
inline constexpr MouseButtons kXButton2 = 16;

enum class DragState {
    Idle,       // no drag
    Dragging,   // an entry is dragged, over no target
    Targeting,  // an entry is dragged over a target: highlighted, indicator shown, dragged entry ghosted
};

class DragReorder {
public:
    DragReorder(DragList& list, DropIndicator& dropZone) : list_(list), dropZone_(dropZone) {}

    void folderList_MouseDown(MouseButtons button, int x, int y);
    void folderList_MouseMove(MouseButtons buttons, int x, int y);
    // True when the release moved an entry: the list has changed. The release point is not
    // used: the target is the drop-highlighted entry.
    bool folderList_MouseUp(MouseButtons button);
    // Ends the drag and clears every trace of it; safe at any time, also when the dragged entry
    // has left the list.
    void resetDrag();

    // Moves the selected entry `delta` places (-1 up, +1 down), as a drop onto the entry there
    // would, and keeps it selected. False, with nothing changed, at either end of the list,
    // without a single selected entry, or while a drag is under way.
    bool moveSelectedBy(int delta);

    std::optional<EntryId> dragItem() const { return dragItem_; }
    DragState state() const;

private:
    // Moves `dragged` to the target's position; the new entry, or none when either has left the list.
    std::optional<EntryId> move(EntryId dragged, EntryId target);

    DragList& list_;
    DropIndicator& dropZone_;
    std::optional<EntryId> dragItem_;
};

}  // namespace ql::drag
