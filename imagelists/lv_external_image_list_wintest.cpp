#include "imagelists/lv_external_image_list_win32.h"
#include "imagelists/sys_image_list_win32.h"
#include "subclass/subclass_win32.h"

#include <commoncontrols.h>
#include <gtest/gtest.h>
#include <wrl/client.h>

#include <climits>

namespace ql::imagelists {
namespace {

// Counts how often others destroyed an image list (each destruction drops one reference).
// It holds references of its own, so the list's memory outlives even a wrongful destruction
// and can still be asked. With takeOver the list is the test's: it is destroyed at the end
// unless someone else did.
class DestroyCounter {
public:
    DestroyCounter(HIMAGELIST list, bool takeOver) : list_(list), takeOver_(takeOver) {
        // Exported by comctl32 6 and later; not in every import library.
        using QueryFn = HRESULT(WINAPI*)(HIMAGELIST, REFIID, void**);
        const auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleW(L"comctl32.dll"), "HIMAGELIST_QueryInterface")));
        if (!query) return;
        query(list, __uuidof(IImageList), reinterpret_cast<void**>(refs_[0].GetAddressOf()));
        if (!refs_[0]) return;
        refs_[1] = refs_[0];
        refs_[2] = refs_[0];
        baseline_ = references();
    }
    DestroyCounter(const DestroyCounter&) = delete;
    DestroyCounter& operator=(const DestroyCounter&) = delete;
    ~DestroyCounter() {
        if (!ok()) return;
        const int dropped = destroyed();
        if (takeOver_ && dropped == 0) ::ImageList_Destroy(list_);
        // Destroyed too often: our references are all that keeps the list's memory; keep them.
        if (dropped > (takeOver_ ? 1 : 0)) {
            for (auto& ref : refs_) ref.Detach();
        }
    }
    bool ok() const { return refs_[0] != nullptr; }
    int destroyed() const { return baseline_ - references(); }

private:
    int references() const {
        const ULONG count = refs_[0]->AddRef() - 1;
        refs_[0]->Release();
        return static_cast<int>(count);
    }

    HIMAGELIST list_;
    bool takeOver_;
    Microsoft::WRL::ComPtr<IImageList> refs_[3];
    int baseline_ = 0;
};

HIMAGELIST newList(int size) { return ::ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 1, 1); }

HIMAGELIST heldList(HWND listView, int kind) {
    return reinterpret_cast<HIMAGELIST>(::SendMessageW(listView, LVM_GETIMAGELIST, static_cast<WPARAM>(kind), 0));
}

// What anyone but the attachment gets when it sets a list.
LRESULT foreignSet(HWND listView, int kind, HIMAGELIST list) {
    return ::SendMessageW(listView, LVM_SETIMAGELIST, static_cast<WPARAM>(kind), reinterpret_cast<LPARAM>(list));
}

int imageOfItem(HWND listView, int item) {
    LVITEMW record{};
    record.mask = LVIF_IMAGE;
    record.iItem = item;
    record.iImage = -99;
    return ::SendMessageW(listView, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&record)) ? record.iImage : -99;
}

// A list view that holds image lists of its own, large and small, each counted for destruction.
struct ViewWithOwnLists {
    explicit ViewWithOwnLists(win::UniqueWindow listView) : view(std::move(listView)) {
        foreignSet(view.get(), LVSIL_NORMAL, ownLarge);
        foreignSet(view.get(), LVSIL_SMALL, ownSmall);
    }
    win::UniqueWindow view;
    HIMAGELIST ownLarge = newList(32);
    HIMAGELIST ownSmall = newList(16);
    DestroyCounter largeCount{ownLarge, true};
    DestroyCounter smallCount{ownSmall, true};
};

class LVExternalImageList : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&controls);
    }

    void SetUp() override {
        ASSERT_TRUE(parent);
        shellLarge.IconSizeX(32);
        shellLarge.IconSizeY(32);
        ASSERT_TRUE(shellLarge.Create());
        shellSmall.IconSizeX(16);
        shellSmall.IconSizeY(16);
        ASSERT_TRUE(shellSmall.Create());
        ASSERT_NE(shellLarge.hIml(), shellSmall.hIml());
    }

    win::UniqueWindow listView(DWORD style = LVS_SHAREIMAGELISTS, int items = 3) {
        win::UniqueWindow view(::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_LIST | style, 0, 0,
                                                 200, 200, parent.get(), nullptr, ::GetModuleHandleW(nullptr),
                                                 nullptr));
        for (int i = 0; i < items; ++i) {
            wchar_t text[] = L"place";
            LVITEMW item{};
            item.mask = LVIF_TEXT | LVIF_IMAGE;
            item.iItem = i;
            item.pszText = text;
            item.iImage = 0;
            ::SendMessageW(view.get(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        }
        return view;
    }

    win::ComApartment com;
    win::UniqueWindow parent{::CreateWindowExW(0, L"STATIC", L"lists", WS_OVERLAPPEDWINDOW, 0, 0, 300, 300, nullptr,
                                               nullptr, ::GetModuleHandleW(nullptr), nullptr)};
    cKLEMSysImageList shellLarge;
    cKLEMSysImageList shellSmall;
};

TEST_F(LVExternalImageList, InstallsBothListsAndDestroysTheControlsOwnOnceEach) {
    const ViewWithOwnLists own(listView());
    ASSERT_TRUE(own.largeCount.ok() && own.smallCount.ok());

    cLVExternalImageList icons;
    icons.Initialise(own.view.get(), shellLarge.hIml(), shellSmall.hIml(), true);
    EXPECT_EQ(icons.hWndListView(), own.view.get());
    EXPECT_EQ(heldList(own.view.get(), LVSIL_NORMAL), shellLarge.hIml());
    EXPECT_EQ(heldList(own.view.get(), LVSIL_SMALL), shellSmall.hIml());
    EXPECT_EQ(own.largeCount.destroyed(), 1);
    EXPECT_EQ(own.smallCount.destroyed(), 1);
    EXPECT_EQ(icons.hOwnImageListLarge(), nullptr);
    EXPECT_EQ(icons.hOwnImageListSmall(), nullptr);
}

TEST_F(LVExternalImageList, OnlyTheLargeListWhenNoSmallIsGiven) {
    const ViewWithOwnLists own(listView());

    cLVExternalImageList icons;
    icons.Initialise(own.view.get(), shellLarge.hIml(), nullptr, true);
    EXPECT_EQ(heldList(own.view.get(), LVSIL_NORMAL), shellLarge.hIml());
    EXPECT_EQ(heldList(own.view.get(), LVSIL_SMALL), own.ownSmall);
    EXPECT_EQ(own.largeCount.destroyed(), 1);
    EXPECT_EQ(own.smallCount.destroyed(), 0);
    EXPECT_EQ(icons.hOwnImageListSmall(), own.ownSmall);

    // Detaching forgets the recorded small list without destroying it.
    const win::UniqueWindow other = listView();
    icons.Initialise(other.get(), nullptr, nullptr, false);
    EXPECT_EQ(icons.hOwnImageListSmall(), nullptr);
    EXPECT_EQ(own.smallCount.destroyed(), 0);
    EXPECT_EQ(heldList(own.view.get(), LVSIL_SMALL), own.ownSmall);
}

TEST_F(LVExternalImageList, WithoutClearingNothingIsDestroyed) {
    const ViewWithOwnLists own(listView());

    cLVExternalImageList icons;
    icons.Initialise(own.view.get(), shellLarge.hIml(), shellSmall.hIml(), false);
    EXPECT_EQ(heldList(own.view.get(), LVSIL_NORMAL), shellLarge.hIml());
    EXPECT_EQ(heldList(own.view.get(), LVSIL_SMALL), shellSmall.hIml());
    EXPECT_EQ(own.largeCount.destroyed(), 0);
    EXPECT_EQ(own.smallCount.destroyed(), 0);
    EXPECT_EQ(icons.hOwnImageListLarge(), nullptr);
}

TEST_F(LVExternalImageList, AControlWithoutListsRecordsNothing) {
    const win::UniqueWindow view = listView();
    cLVExternalImageList icons;
    icons.Initialise(view.get(), shellLarge.hIml(), shellSmall.hIml(), true);
    EXPECT_EQ(icons.hOwnImageListLarge(), nullptr);
    EXPECT_EQ(icons.hOwnImageListSmall(), nullptr);
    EXPECT_EQ(heldList(view.get(), LVSIL_SMALL), shellSmall.hIml());
}

TEST_F(LVExternalImageList, OneOwnListForBothKindsIsDestroyedOnce) {
    const win::UniqueWindow view = listView();
    const HIMAGELIST own = newList(16);
    DestroyCounter count(own, true);
    foreignSet(view.get(), LVSIL_NORMAL, own);
    foreignSet(view.get(), LVSIL_SMALL, own);

    cLVExternalImageList icons;
    icons.Initialise(view.get(), shellLarge.hIml(), shellSmall.hIml(), true);
    EXPECT_EQ(count.destroyed(), 1);
}

TEST_F(LVExternalImageList, AnOwnListStillInUseIsNotDestroyed) {
    const win::UniqueWindow view = listView();
    const HIMAGELIST own = newList(16);
    DestroyCounter count(own, true);
    foreignSet(view.get(), LVSIL_NORMAL, own);
    foreignSet(view.get(), LVSIL_SMALL, own);

    // Large replaced, small kept: the list the control still shows for small icons stays.
    cLVExternalImageList icons;
    icons.Initialise(view.get(), shellLarge.hIml(), nullptr, true);
    EXPECT_EQ(count.destroyed(), 0);
    EXPECT_EQ(heldList(view.get(), LVSIL_SMALL), own);
    EXPECT_EQ(::ImageList_GetImageCount(own), 0);
}

TEST_F(LVExternalImageList, ReinitialisingWithTheListsAlreadyShownDestroysNone) {
    const win::UniqueWindow view = listView();
    const int images = ::ImageList_GetImageCount(shellSmall.hIml());
    const DestroyCounter largeCount(shellLarge.hIml(), false);
    const DestroyCounter smallCount(shellSmall.hIml(), false);
    ASSERT_TRUE(largeCount.ok() && smallCount.ok());
    cLVExternalImageList icons;
    icons.Initialise(view.get(), shellLarge.hIml(), shellSmall.hIml(), true);
    // Now the control's lists are the shell's: recording them must not lead to their destruction.
    icons.Initialise(view.get(), shellLarge.hIml(), shellSmall.hIml(), true);
    icons.Initialise(view.get(), shellSmall.hIml(), shellLarge.hIml(), true);
    EXPECT_EQ(largeCount.destroyed(), 0);
    EXPECT_EQ(smallCount.destroyed(), 0);
    EXPECT_EQ(::ImageList_GetImageCount(shellSmall.hIml()), images);
    EXPECT_EQ(heldList(view.get(), LVSIL_NORMAL), shellSmall.hIml());
}

TEST_F(LVExternalImageList, ForeignSetImageListIsRefusedAndOwnTakesEffect) {
    const win::UniqueWindow view = listView();
    cLVExternalImageList icons;
    icons.Initialise(view.get(), shellLarge.hIml(), shellSmall.hIml(), true);

    const win::UniqueImageList other(newList(16));
    EXPECT_EQ(foreignSet(view.get(), LVSIL_NORMAL, other.get()), 0);
    EXPECT_EQ(foreignSet(view.get(), LVSIL_SMALL, other.get()), 0);
    EXPECT_EQ(foreignSet(view.get(), LVSIL_SMALL, nullptr), 0);
    EXPECT_EQ(heldList(view.get(), LVSIL_NORMAL), shellLarge.hIml());
    EXPECT_EQ(heldList(view.get(), LVSIL_SMALL), shellSmall.hIml());

    icons.SetImageLists(other.get(), nullptr);
    EXPECT_EQ(heldList(view.get(), LVSIL_NORMAL), other.get());
    EXPECT_EQ(heldList(view.get(), LVSIL_SMALL), shellSmall.hIml());
    icons.SetImageLists(shellLarge.hIml(), nullptr);
    EXPECT_EQ(heldList(view.get(), LVSIL_NORMAL), shellLarge.hIml());
}

TEST_F(LVExternalImageList, OnlyDestroyReachesTheListViewFirst) {
    win::UniqueWindow view = listView();
    cLVExternalImageList icons;
    icons.Initialise(view.get(), shellLarge.hIml(), shellSmall.hIml(), true);
    foreignSet(view.get(), LVSIL_NORMAL, nullptr);
    ASSERT_EQ(subclass::CurrentMessage(), static_cast<subclass::Message>(LVM_SETIMAGELIST));
    EXPECT_EQ(icons.MsgResponse(), subclass::mrConsume);
    view.reset();
    ASSERT_EQ(subclass::CurrentMessage(), static_cast<subclass::Message>(WM_DESTROY));
    EXPECT_EQ(icons.MsgResponse(), subclass::mrPreProcess);
}

TEST_F(LVExternalImageList, ItemsAreNamedFromOne) {
    const win::UniqueWindow view = listView();
    cLVExternalImageList icons;
    icons.Initialise(view.get(), shellLarge.hIml(), shellSmall.hIml(), true);
    const int textIcon = shellSmall.ItemIndex(ImageKey{L"x.txt"});

    icons.SetIcon(1, textIcon);
    icons.SetIcon(3, 7);
    EXPECT_EQ(imageOfItem(view.get(), 0), textIcon);
    EXPECT_EQ(imageOfItem(view.get(), 1), 0);
    EXPECT_EQ(imageOfItem(view.get(), 2), 7);
    EXPECT_EQ(icons.GetIcon(1), textIcon);
    EXPECT_EQ(icons.GetIcon(3), 7);

    // Positions that name no item change nothing and read as 0.
    icons.SetIcon(0, 5);
    icons.SetIcon(4, 5);
    icons.SetIcon(INT_MIN, 5);
    EXPECT_EQ(icons.GetIcon(4), 0);
    EXPECT_EQ(icons.GetIcon(0), 0);
    EXPECT_EQ(icons.GetIcon(INT_MIN), 0);
    EXPECT_EQ(imageOfItem(view.get(), 0), textIcon);
    EXPECT_EQ(imageOfItem(view.get(), 1), 0);
    EXPECT_EQ(imageOfItem(view.get(), 2), 7);
}

TEST_F(LVExternalImageList, DetachedInstanceSendsNothing) {
    cLVExternalImageList icons;
    EXPECT_EQ(icons.hWndListView(), nullptr);
    icons.SetImageLists(shellLarge.hIml(), shellSmall.hIml());
    icons.SetIcon(1, 3);
    EXPECT_EQ(icons.GetIcon(1), 0);
}

TEST_F(LVExternalImageList, DestroyingTheListViewDetachesAndLeavesTheShellsListsIntact) {
    const int smallImages = ::ImageList_GetImageCount(shellSmall.hIml());
    ASSERT_GT(smallImages, 0);
    const DestroyCounter largeCount(shellLarge.hIml(), false);
    const DestroyCounter smallCount(shellSmall.hIml(), false);
    ASSERT_TRUE(largeCount.ok() && smallCount.ok());
    // Also a list view created without LVS_SHAREIMAGELISTS, which would destroy its lists.
    for (const DWORD style : {DWORD{LVS_SHAREIMAGELISTS}, DWORD{0}}) {
        win::UniqueWindow view = listView(style);
        cLVExternalImageList icons;
        icons.Initialise(view.get(), shellLarge.hIml(), shellSmall.hIml(), true);
        icons.SetIcon(1, 4);
        view.reset();
        EXPECT_EQ(icons.hWndListView(), nullptr);
        icons.SetImageLists(shellSmall.hIml(), shellLarge.hIml());
        EXPECT_EQ(icons.GetIcon(1), 0);

        EXPECT_EQ(largeCount.destroyed(), 0) << "style " << style;
        EXPECT_EQ(smallCount.destroyed(), 0) << "style " << style;
        EXPECT_EQ(::ImageList_GetImageCount(shellSmall.hIml()), smallImages);
        const win::UniqueIcon icon(::ImageList_GetIcon(shellSmall.hIml(), 0, ILD_NORMAL));
        EXPECT_TRUE(icon);
    }
    // The shell hands out the same, living lists.
    cKLEMSysImageList again;
    ASSERT_TRUE(again.Create());
    EXPECT_EQ(again.hIml(), shellSmall.hIml());
    EXPECT_EQ(again.ImageCount(), smallImages);
}

TEST_F(LVExternalImageList, SecondInitialiseLetsGoOfTheFirstListView) {
    const win::UniqueWindow first = listView();
    const win::UniqueWindow second = listView();
    const LONG_PTR firstProcedure = ::GetWindowLongPtrW(first.get(), GWLP_WNDPROC);

    cLVExternalImageList icons;
    icons.Initialise(first.get(), shellLarge.hIml(), shellSmall.hIml(), true);
    EXPECT_NE(::GetWindowLongPtrW(first.get(), GWLP_WNDPROC), firstProcedure);
    icons.Initialise(second.get(), shellLarge.hIml(), shellSmall.hIml(), true);
    EXPECT_EQ(icons.hWndListView(), second.get());
    EXPECT_EQ(::GetWindowLongPtrW(first.get(), GWLP_WNDPROC), firstProcedure);

    // The first list view is on its own again: a set goes through and answers the previous list.
    EXPECT_EQ(foreignSet(first.get(), LVSIL_SMALL, nullptr), reinterpret_cast<LRESULT>(shellSmall.hIml()));
    EXPECT_EQ(heldList(first.get(), LVSIL_SMALL), nullptr);
    EXPECT_EQ(foreignSet(second.get(), LVSIL_SMALL, nullptr), 0);
    EXPECT_EQ(heldList(second.get(), LVSIL_SMALL), shellSmall.hIml());

    icons.SetIcon(2, 9);
    EXPECT_EQ(imageOfItem(second.get(), 1), 9);
    EXPECT_EQ(imageOfItem(first.get(), 1), 0);
}

TEST_F(LVExternalImageList, EndingTheInstanceLetsGoOfTheListView) {
    const win::UniqueWindow view = listView();
    const LONG_PTR procedure = ::GetWindowLongPtrW(view.get(), GWLP_WNDPROC);
    {
        cLVExternalImageList icons;
        icons.Initialise(view.get(), shellLarge.hIml(), shellSmall.hIml(), true);
    }
    EXPECT_EQ(::GetWindowLongPtrW(view.get(), GWLP_WNDPROC), procedure);
    EXPECT_EQ(heldList(view.get(), LVSIL_NORMAL), shellLarge.hIml());
    EXPECT_NE(foreignSet(view.get(), LVSIL_NORMAL, nullptr), 0);
}

TEST_F(LVExternalImageList, AttachFailureReachesTheCallerAndLeavesTheInstanceDetached) {
    const win::UniqueWindow view = listView();
    const HIMAGELIST own = newList(16);
    DestroyCounter count(own, true);
    foreignSet(view.get(), LVSIL_SMALL, own);
    cLVExternalImageList icons;
    icons.Initialise(view.get(), nullptr, nullptr, true);
    EXPECT_EQ(icons.hOwnImageListSmall(), own);

    // A window handle that names no window: the service's error, unchanged.
    win::UniqueWindow gone = listView();
    const HWND stale = gone.get();
    gone.reset();
    try {
        icons.Initialise(stale, shellLarge.hIml(), shellSmall.hIml(), true);
        ADD_FAILURE() << "no error";
    } catch (const subclass::SubclassError& error) {
        EXPECT_EQ(static_cast<std::uint32_t>(error.number()), 0x8004331Bu);
        EXPECT_EQ(error.description(), "Invalid window");
    }
    EXPECT_EQ(icons.hWndListView(), nullptr);
    EXPECT_EQ(icons.hOwnImageListSmall(), nullptr);
    EXPECT_EQ(count.destroyed(), 0);
    icons.SetIcon(1, 6);
    EXPECT_EQ(icons.GetIcon(1), 0);
    // The earlier list view was let go before the attempt.
    EXPECT_NE(foreignSet(view.get(), LVSIL_SMALL, nullptr), 0);
}

}  // namespace
}  // namespace ql::imagelists
