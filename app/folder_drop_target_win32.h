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

// The drop target registered on `window` while it lives; OLE must be initialised on the window's
// thread. Revoked before the window is destroyed.
class FolderDropRegistration {
public:
    // None when the registration failed (the caller may try again later).
    static std::unique_ptr<FolderDropRegistration> tryRegister(HWND window, FolderDropHandlers handlers);
    FolderDropRegistration(const FolderDropRegistration&) = delete;
    FolderDropRegistration& operator=(const FolderDropRegistration&) = delete;
    ~FolderDropRegistration();

private:
    class Target;
    FolderDropRegistration(HWND window, Target* target) : window_(window), target_(target) {}

    HWND window_;
    Target* target_;  // one COM reference held
};

}  // namespace ql
