#pragma once
// The place list as an OLE drop target for files dragged from a file manager. It tells the cursor
// whether the list takes the drop and hands the dropped items to the window.
#include "app/place_input.h"
#include "common/win_handles.h"

#include <functional>
#include <memory>
#include <vector>

namespace ql {

struct FolderDropHandlers {
    // Whether the list takes drops now (the customized list is chosen).
    std::function<bool()> takesDrops;
    // The dropped items; true when the list takes them.
    std::function<bool(std::vector<Place> items)> dropped;
};

// Registers the drop target on `window` while it lives; OLE must be initialised on the window's
// thread. Revoked before the window is destroyed.
class FolderDropRegistration {
public:
    FolderDropRegistration(HWND window, FolderDropHandlers handlers);
    FolderDropRegistration(const FolderDropRegistration&) = delete;
    FolderDropRegistration& operator=(const FolderDropRegistration&) = delete;
    ~FolderDropRegistration();

private:
    class Target;
    HWND window_;
    Target* target_;  // one COM reference held
    bool registered_;
};

}  // namespace ql
