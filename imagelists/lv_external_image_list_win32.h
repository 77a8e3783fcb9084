#pragma once
// cLVExternalImageList: gives a list view image lists it does not own (the shell's system
// image lists), keeps them in place against anyone else's LVM_SETIMAGELIST, and reads and
// writes single items' image indices. It sees the list view's messages through the
// subclassing service and lets go of the window when the window is destroyed.
#include "common/win_handles.h"
#include "subclass/subclass.h"

#include <commctrl.h>

#include <cstdint>

namespace ql::imagelists {

class cLVExternalImageList final : public subclass::ISubclass {
public:
    cLVExternalImageList() = default;
    cLVExternalImageList(const cLVExternalImageList&) = delete;
    cLVExternalImageList& operator=(const cLVExternalImageList&) = delete;
    ~cLVExternalImageList() override { Class_Terminate(); }

    // Lets go of any earlier list view, attaches to lvwThis and installs the given lists (a
    // null handle leaves that kind alone). With bClearOwnImageLists the lists the control
    // held before are destroyed once replaced. The list view gets LVS_SHAREIMAGELISTS, so it
    // never destroys the lists it was given. An attach failure (subclass::SubclassError)
    // leaves the instance detached, with nothing installed or destroyed.
    void Initialise(HWND lvwThis, HIMAGELIST hImageListLarge, HIMAGELIST hImageListSmall, bool bClearOwnImageLists);
    // Installs the lists on the attached list view; nothing while detached.
    void SetImageLists(HIMAGELIST hImageListLarge, HIMAGELIST hImageListSmall);
    // Items are named by their 1-based position; a position below 1 names no item.
    void SetIcon(int itemIndex1Based, std::int32_t lIconIndex);
    // 0 when detached or when there is no such item.
    std::int32_t GetIcon(int itemIndex1Based) const;

    HWND hWndListView() const { return hWndListView_; }
    // The control's own lists recorded by Initialise and not yet replaced.
    HIMAGELIST hOwnImageListLarge() const { return hOwnImageListLarge_.get(); }
    HIMAGELIST hOwnImageListSmall() const { return hOwnImageListSmall_.get(); }

    // The list view handles WM_DESTROY before this object lets go; every other message is consumed.
    std::int32_t MsgResponse() override;
    void MsgResponse(std::int32_t RHS) override;
    subclass::LResult WindowProc(subclass::WindowHandle hwnd, subclass::Message iMsg, subclass::WParam wParam,
                                 subclass::LParam lParam) override;

private:
    void detachListView();
    void Class_Terminate() { detachListView(); }
    // Destroys a recorded own list after its kind was replaced, unless it is still in use.
    void retire(win::UniqueImageList& own, HIMAGELIST hImageListLarge, HIMAGELIST hImageListSmall);
    bool listViewHolds(HIMAGELIST list) const;

    HWND hWndListView_ = nullptr;
    bool bInSetImageLists_ = false;
    win::UniqueImageList hOwnImageListLarge_;
    win::UniqueImageList hOwnImageListSmall_;
};

}  // namespace ql::imagelists
