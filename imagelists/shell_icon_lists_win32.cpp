#include "imagelists/shell_icon_lists_win32.h"

namespace ql::imagelists {

void ShellIconLists::attach(HWND listView, int iconSize) {
    for (auto* list : {&large_, &small_}) {
        if (!*list) *list = std::make_unique<cKLEMSysImageList>();
        (*list)->IconSizeX(iconSize);
        (*list)->IconSizeY(iconSize);
        (*list)->Create();
    }
    if (!icons_) icons_ = std::make_unique<cLVExternalImageList>();
    icons_->Initialise(listView, large_->hIml(), small_->hIml(), true);
}

void ShellIconLists::reset() {
    icons_.reset();
    small_.reset();
    large_.reset();
}

}  // namespace ql::imagelists
