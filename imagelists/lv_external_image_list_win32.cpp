#include "imagelists/lv_external_image_list_win32.h"

#include "subclass/subclass_win32.h"

namespace ql::imagelists {
namespace {

HIMAGELIST imageListOf(HWND listView, int kind) {
    return reinterpret_cast<HIMAGELIST>(::SendMessageW(listView, LVM_GETIMAGELIST, static_cast<WPARAM>(kind), 0));
}

void setImageList(HWND listView, int kind, HIMAGELIST list) {
    ::SendMessageW(listView, LVM_SETIMAGELIST, static_cast<WPARAM>(kind), reinterpret_cast<LPARAM>(list));
}

}  // namespace

void cLVExternalImageList::Initialise(HWND lvwThis, HIMAGELIST hImageListLarge, HIMAGELIST hImageListSmall,
                                      bool bClearOwnImageLists) {
    detachListView();
    if (bClearOwnImageLists) {
        hOwnImageListLarge_.reset(imageListOf(lvwThis, LVSIL_NORMAL));
        hOwnImageListSmall_.reset(imageListOf(lvwThis, LVSIL_SMALL));
    }
    hWndListView_ = lvwThis;
    try {
        subclass::subclassAttach(this, lvwThis, WM_DESTROY);
        try {
            subclass::subclassAttach(this, lvwThis, LVM_SETIMAGELIST);
        } catch (...) {
            subclass::subclassDetach(this, lvwThis, WM_DESTROY);
            throw;
        }
    } catch (...) {
        // Half attached, this object would send item messages to a window it cannot watch.
        hWndListView_ = nullptr;
        hOwnImageListLarge_.release();
        hOwnImageListSmall_.release();
        throw;
    }
    // A list view without this style destroys its image lists with itself, the shell's included.
    const LONG_PTR style = ::GetWindowLongPtrW(lvwThis, GWL_STYLE);
    if (!(style & LVS_SHAREIMAGELISTS)) ::SetWindowLongPtrW(lvwThis, GWL_STYLE, style | LVS_SHAREIMAGELISTS);
    SetImageLists(hImageListLarge, hImageListSmall);
}

void cLVExternalImageList::SetImageLists(HIMAGELIST hImageListLarge, HIMAGELIST hImageListSmall) {
    if (!hWndListView_) return;
    bInSetImageLists_ = true;
    if (hImageListLarge) setImageList(hWndListView_, LVSIL_NORMAL, hImageListLarge);
    if (hImageListSmall) setImageList(hWndListView_, LVSIL_SMALL, hImageListSmall);
    bInSetImageLists_ = false;
    if (hImageListLarge) retire(hOwnImageListLarge_, hImageListLarge, hImageListSmall);
    if (hImageListSmall) retire(hOwnImageListSmall_, hImageListLarge, hImageListSmall);
}

void cLVExternalImageList::retire(win::UniqueImageList& own, HIMAGELIST hImageListLarge, HIMAGELIST hImageListSmall) {
    const HIMAGELIST list = own.get();
    if (!list) return;
    // A recorded list that is still in use, or is one of the lists just given, is only forgotten.
    if (list == hImageListLarge || list == hImageListSmall || listViewHolds(list)) {
        own.release();
        return;
    }
    // The control may have held one list for both kinds: it is destroyed once.
    for (win::UniqueImageList* twin : {&hOwnImageListLarge_, &hOwnImageListSmall_}) {
        if (twin != &own && twin->get() == list) twin->release();
    }
    own.reset();
}

bool cLVExternalImageList::listViewHolds(HIMAGELIST list) const {
    for (const int kind : {LVSIL_NORMAL, LVSIL_SMALL, LVSIL_STATE, LVSIL_GROUPHEADER}) {
        if (imageListOf(hWndListView_, kind) == list) return true;
    }
    return false;
}

void cLVExternalImageList::SetIcon(int itemIndex1Based, std::int32_t lIconIndex) {
    if (!hWndListView_ || itemIndex1Based < 1) return;
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = itemIndex1Based - 1;
    item.iImage = lIconIndex;
    ::SendMessageW(hWndListView_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

std::int32_t cLVExternalImageList::GetIcon(int itemIndex1Based) const {
    if (!hWndListView_ || itemIndex1Based < 1) return 0;
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = itemIndex1Based - 1;
    ::SendMessageW(hWndListView_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

std::int32_t cLVExternalImageList::MsgResponse() {
    return subclass::CurrentMessage() == WM_DESTROY ? subclass::mrPreProcess : subclass::mrConsume;
}

void cLVExternalImageList::MsgResponse(std::int32_t) {}

subclass::LResult cLVExternalImageList::WindowProc(subclass::WindowHandle hwnd, subclass::Message iMsg,
                                                   subclass::WParam wParam, subclass::LParam lParam) {
    switch (iMsg) {
        case WM_DESTROY:
            detachListView();
            return 0;
        case LVM_SETIMAGELIST:
            // Only this object's own sends reach the list view; anyone else is told 0.
            return bInSetImageLists_ ? subclass::CallOldWindowProc(subclass::hwndOf(hwnd), iMsg, wParam, lParam) : 0;
        default:
            return 0;
    }
}

void cLVExternalImageList::detachListView() {
    if (hWndListView_) {
        subclass::subclassDetach(this, hWndListView_, WM_DESTROY);
        subclass::subclassDetach(this, hWndListView_, LVM_SETIMAGELIST);
        hWndListView_ = nullptr;
    }
    hOwnImageListLarge_.release();
    hOwnImageListSmall_.release();
}

}  // namespace ql::imagelists
