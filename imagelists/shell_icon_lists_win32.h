#pragma once
// A list view that shows the shell's icons: the system image list at one size for both its large
// and its small icons, so that every display mode shows the same ones.
#include "imagelists/lv_external_image_list_win32.h"
#include "imagelists/sys_image_list_win32.h"

#include <memory>

namespace ql::imagelists {

class ShellIconLists {
public:
    // Without a system image list the entries show no icons; nothing else depends on them.
    void attach(HWND listView, int iconSize);
    // The attached list's icons; nullptr before attach.
    cLVExternalImageList* icons() const { return icons_.get(); }
    // The icons go before the image lists they show.
    void reset();

private:
    std::unique_ptr<cKLEMSysImageList> large_;
    std::unique_ptr<cKLEMSysImageList> small_;
    std::unique_ptr<cLVExternalImageList> icons_;
};

}  // namespace ql::imagelists
