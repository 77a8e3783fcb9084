#include "imagelists/sys_image_list_win32.h"

#include "tests/support/dib.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <stdexcept>
#include <vector>

namespace ql::imagelists {
namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);

// What the shell itself answers, asked directly.
HIMAGELIST shellList(bool small) {
    SHFILEINFOW info{};
    const UINT flags = SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES | (small ? SHGFI_SMALLICON : 0u);
    return reinterpret_cast<HIMAGELIST>(::SHGetFileInfoW(L".txt", FILE_ATTRIBUTE_NORMAL, &info, sizeof info, flags));
}

int shellIndex(const wchar_t* name, UINT extraFlags) {
    SHFILEINFOW info{};
    if (!::SHGetFileInfoW(name, FILE_ATTRIBUTE_NORMAL, &info, sizeof info, SHGFI_SYSICONINDEX | extraFlags)) return -1;
    return info.iIcon;
}

int iconWidth(HIMAGELIST list) {
    int cx = 0;
    int cy = 0;
    return ::ImageList_GetIconSize(list, &cx, &cy) ? cx : 0;
}

// A 32-bit bitmap in a memory DC, filled with one colour, whose pixels can be read back.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill)
        : width_(width), height_(height), dc_(::CreateCompatibleDC(nullptr)), bitmap_(makeDib(width, height)),
          selected_(dc_.get(), bitmap_.get()) {
        const win::UniqueBrush brush(::CreateSolidBrush(fill));
        const RECT all{0, 0, width, height};
        ::FillRect(dc_.get(), &all, brush.get());
    }
    HDC dc() const { return dc_.get(); }
    bool ok() const { return dc_ && bitmap_ && selected_.ok(); }
    COLORREF pixel(int x, int y) const { return ::GetPixel(dc_.get(), x, y); }
    // Pixels in [x0, x1) x [0, height) that are not `colour`.
    int countOtherThan(COLORREF colour, int x0, int x1) const {
        int n = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = x0; x < x1; ++x) n += pixel(x, y) != colour;
        return n;
    }
    int countOtherThan(COLORREF colour) const { return countOtherThan(colour, 0, width_); }
    std::vector<COLORREF> pixels() const {
        std::vector<COLORREF> all;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) all.push_back(pixel(x, y));
        return all;
    }

private:
    static win::UniqueBitmap makeDib(int width, int height) {
        void* bits = nullptr;
        return testing::createTopDownDib(width, height, &bits);
    }

    int width_;
    int height_;
    win::UniqueDc dc_;
    win::UniqueBitmap bitmap_;
    win::SelectObjectScope selected_;
};

// GDI handles in a picture are 32 significant bits, sign-extended in a 64-bit process.
template <typename Handle>
Handle pictureHandle(IPicture* picture) {
    OLE_HANDLE handle = 0;
    if (FAILED(picture->get_Handle(&handle))) return nullptr;
    return reinterpret_cast<Handle>(static_cast<LONG_PTR>(static_cast<LONG>(handle)));
}

SHORT pictureType(IPicture* picture) {
    SHORT type = PICTYPE_UNINITIALIZED;
    picture->get_Type(&type);
    return type;
}

class SysImageList : public ::testing::Test {
protected:
    win::ComApartment com;
};

TEST_F(SysImageList, NewObjectIs16By16WithoutHandle) {
    const cKLEMSysImageList list;
    EXPECT_EQ(list.IconSizeX(), 16);
    EXPECT_EQ(list.IconSizeY(), 16);
    EXPECT_EQ(list.hIml(), nullptr);
    EXPECT_EQ(list.ImageCount(), 0);
    EXPECT_FALSE(list.ItemPicture(ImageKey{L"x.txt"}));
    EXPECT_FALSE(list.ItemCopyOfIcon(ImageKey{0}));
    const std::array<ImageKey, 1> keys{0};
    EXPECT_FALSE(list.ImagePictureStrip(keys));
}

TEST_F(SysImageList, WidthAloneChoosesTheShellsSmallOrLargeList) {
    const HIMAGELIST small = shellList(true);
    const HIMAGELIST large = shellList(false);
    ASSERT_TRUE(small);
    ASSERT_TRUE(large);
    ASSERT_NE(small, large);

    cKLEMSysImageList narrow;
    narrow.IconSizeX(31);
    narrow.IconSizeY(48);
    EXPECT_TRUE(narrow.Create());
    EXPECT_EQ(narrow.hIml(), small);
    EXPECT_EQ(iconWidth(narrow.hIml()), ::GetSystemMetrics(SM_CXSMICON));

    cKLEMSysImageList wide;
    wide.IconSizeX(32);
    wide.IconSizeY(16);
    EXPECT_TRUE(wide.Create());
    EXPECT_EQ(wide.hIml(), large);
    EXPECT_EQ(iconWidth(wide.hIml()), ::GetSystemMetrics(SM_CXICON));

    // Sizes set after Create take effect at the next Create; Clear is one.
    wide.IconSizeX(16);
    EXPECT_EQ(wide.hIml(), large);
    wide.Clear();
    EXPECT_EQ(wide.hIml(), small);
}

TEST_F(SysImageList, ObjectsOfOneSizeShareTheShellsListAndNeverDestroyIt) {
    cKLEMSysImageList first;
    cKLEMSysImageList second;
    ASSERT_TRUE(first.Create());
    ASSERT_TRUE(second.Create());
    EXPECT_EQ(first.hIml(), second.hIml());
    const HIMAGELIST shared = first.hIml();
    const int count = ::ImageList_GetImageCount(shared);
    ASSERT_GT(count, 0);

    first.Destroy();
    EXPECT_EQ(first.hIml(), nullptr);
    EXPECT_EQ(first.ImageCount(), 0);
    EXPECT_EQ(second.hIml(), shared);
    EXPECT_EQ(::ImageList_GetImageCount(shared), count);
    EXPECT_EQ(second.ImageCount(), count);
    EXPECT_TRUE(second.ItemCopyOfIcon(ImageKey{L"x.txt"}));

    EXPECT_TRUE(first.Create());
    EXPECT_EQ(first.hIml(), shared);

    {
        cKLEMSysImageList shortLived;
        ASSERT_TRUE(shortLived.Create());
    }
    EXPECT_EQ(::ImageList_GetImageCount(shared), count);
    EXPECT_EQ(shellList(true), shared);
}

TEST_F(SysImageList, NumericKeysAreIndicesThemselvesWithoutAskingTheShell) {
    cKLEMSysImageList list;  // no handle: nothing for the shell to answer with
    EXPECT_EQ(list.ItemIndex(ImageKey{7}), 7);
    EXPECT_EQ(list.ItemIndex(ImageKey{L"7"}), 7);
    EXPECT_EQ(list.ItemIndex(ImageKey{L" 7 "}), 7);
    EXPECT_EQ(list.ItemIndex(ImageKey{L"7.5"}), 8);
    // Far more images than the shell has, and negative: only the key itself can say so.
    EXPECT_EQ(list.ItemIndex(ImageKey{L"2000000"}), 2000000);
    EXPECT_EQ(list.ItemIndex(ImageKey{L"-3"}), -3);
    EXPECT_EQ(list.ItemIndex(ImageKey{-3}, true), -3);
    EXPECT_THROW(list.ItemIndex(ImageKey{L"4294967296"}), std::overflow_error);
}

TEST_F(SysImageList, FileNamesTakeTheirTypesIconWhetherOrNotTheFileExists) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / L"iml-keys";
    std::filesystem::create_directories(folder);
    const std::wstring existing = (folder / L"notes.txt").wstring();
    std::ofstream(folder / L"notes.txt") << "text";
    const std::wstring missing = (folder / L"missing.txt").wstring();
    std::filesystem::remove(missing);

    for (const bool small : {true, false}) {
        cKLEMSysImageList list;
        list.IconSizeX(small ? 16 : 32);
        ASSERT_TRUE(list.Create());
        const int textIcon = shellIndex(L".txt", SHGFI_USEFILEATTRIBUTES | (small ? SHGFI_SMALLICON : 0u));
        ASSERT_GE(textIcon, 0);
        EXPECT_EQ(list.ItemIndex(ImageKey{L"x.txt"}), textIcon);
        EXPECT_EQ(list.ItemIndex(ImageKey{existing}), textIcon);
        EXPECT_EQ(list.ItemIndex(ImageKey{missing}), textIcon);
        // Looking at the disk: a missing file has no icon (0 stands in), an existing one has.
        EXPECT_EQ(list.ItemIndex(ImageKey{missing}, true), 0);
        EXPECT_EQ(list.ItemIndex(ImageKey{existing}, true), shellIndex(existing.c_str(), small ? SHGFI_SMALLICON : 0u));
        // A folder is a plain file to the name alone, and a folder on the disk.
        const std::wstring folderText = folder.wstring();
        EXPECT_NE(list.ItemIndex(ImageKey{folderText}, true), list.ItemIndex(ImageKey{folderText}));
    }
    std::filesystem::remove_all(folder);
}

TEST_F(SysImageList, PicturesAndIconCopiesComeFromTheOwnList) {
    cKLEMSysImageList list;
    list.IconSizeX(32);
    ASSERT_TRUE(list.Create());

    const win::UniqueIcon copy = list.ItemCopyOfIcon(ImageKey{L"x.txt"});
    ASSERT_TRUE(copy);
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(copy.get(), &info));
    const win::UniqueBitmap colour(info.hbmColor);
    const win::UniqueBitmap mask(info.hbmMask);
    BITMAP bitmap{};
    ASSERT_TRUE(::GetObjectW(mask.get(), sizeof bitmap, &bitmap));
    EXPECT_EQ(bitmap.bmWidth, iconWidth(list.hIml()));

    const PicturePtr picture = list.ItemPicture(ImageKey{L"x.txt"});
    ASSERT_TRUE(picture);
    EXPECT_EQ(pictureType(picture.Get()), PICTYPE_ICON);

    EXPECT_FALSE(list.ItemPicture(ImageKey{-1}));
    EXPECT_FALSE(list.ItemCopyOfIcon(ImageKey{L"-1"}));
    EXPECT_FALSE(list.ItemCopyOfIcon(ImageKey{list.ImageCount()}));
}

TEST_F(SysImageList, PicturesOwnTheHandlesTheyAreMadeOf) {
    const HICON icon = ::CopyIcon(::LoadIconW(nullptr, IDI_APPLICATION));
    ASSERT_TRUE(icon);
    {
        const PicturePtr picture = cKLEMSysImageList::IconToPicture(win::UniqueIcon(icon));
        ASSERT_TRUE(picture);
        EXPECT_EQ(pictureType(picture.Get()), PICTYPE_ICON);
        EXPECT_EQ(pictureHandle<HICON>(picture.Get()), icon);
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(icon, &info));
        const win::UniqueBitmap colour(info.hbmColor);
        const win::UniqueBitmap mask(info.hbmMask);
    }
    ICONINFO gone{};
    EXPECT_FALSE(::GetIconInfo(icon, &gone)) << "the picture left its icon behind";

    const HBITMAP bitmap = ::CreateBitmap(4, 4, 1, 32, nullptr);
    ASSERT_TRUE(bitmap);
    {
        const PicturePtr picture = cKLEMSysImageList::BitmapToPicture(win::UniqueBitmap(bitmap));
        ASSERT_TRUE(picture);
        EXPECT_EQ(pictureType(picture.Get()), PICTYPE_BITMAP);
        EXPECT_EQ(pictureHandle<HBITMAP>(picture.Get()), bitmap);
        EXPECT_EQ(::GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
    }
    EXPECT_EQ(::GetObjectType(bitmap), 0u) << "the picture left its bitmap behind";

    EXPECT_FALSE(cKLEMSysImageList::IconToPicture(win::UniqueIcon()));
    EXPECT_FALSE(cKLEMSysImageList::BitmapToPicture(win::UniqueBitmap()));
}

TEST_F(SysImageList, TranslateColorResolvesSystemColoursAndRefusesNonColours) {
    EXPECT_EQ(cKLEMSysImageList::TranslateColor(RGB(1, 2, 3)), static_cast<std::int32_t>(RGB(1, 2, 3)));
    EXPECT_EQ(cKLEMSysImageList::TranslateColor(kWindowColour), static_cast<std::int32_t>(::GetSysColor(COLOR_WINDOW)));
    EXPECT_EQ(cKLEMSysImageList::TranslateColor(0x80000000u | COLOR_BTNTEXT),
              static_cast<std::int32_t>(::GetSysColor(COLOR_BTNTEXT)));
    EXPECT_EQ(cKLEMSysImageList::TranslateColor(0x80000000u | 200), -1);
    EXPECT_EQ(cKLEMSysImageList::TranslateColor(0x05000000u), -1);
}

TEST_F(SysImageList, ColourDepthIsTheDisplays) {
    const cKLEMSysImageList list;
    const win::WindowDc screen(nullptr);
    EXPECT_EQ(list.SystemColourDepth(), ::GetDeviceCaps(screen.get(), BITSPIXEL));
    EXPECT_GE(list.SystemColourDepth(), 8);
}

TEST_F(SysImageList, StripShowsEveryKeyIconSizeXApartOnTheBackColour) {
    cKLEMSysImageList list;
    list.IconSizeX(32);
    list.IconSizeY(32);
    ASSERT_TRUE(list.Create());
    const int textIcon = list.ItemIndex(ImageKey{L"x.txt"});
    // A negative index draws nothing, so its slot shows the background alone.
    const std::array<ImageKey, 3> keys{ImageKey{-1}, ImageKey{L"x.txt"}, ImageKey{textIcon}};
    const PicturePtr strip = list.ImagePictureStrip(keys, kMagenta);
    ASSERT_TRUE(strip);
    ASSERT_EQ(pictureType(strip.Get()), PICTYPE_BITMAP);
    const HBITMAP bitmap = pictureHandle<HBITMAP>(strip.Get());
    BITMAP info{};
    ASSERT_TRUE(::GetObjectW(bitmap, sizeof info, &info));
    EXPECT_EQ(info.bmWidth, 3 * 32);
    EXPECT_EQ(info.bmHeight, 32);

    const win::UniqueDc dc(::CreateCompatibleDC(nullptr));
    const win::SelectObjectScope selected(dc.get(), bitmap);
    ASSERT_TRUE(selected.ok());
    auto others = [&](int x0, int x1) {
        int n = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = x0; x < x1; ++x) n += ::GetPixel(dc.get(), x, y) != kMagenta;
        return n;
    };
    EXPECT_EQ(others(0, 32), 0);
    EXPECT_GT(others(32, 64), 0);
    EXPECT_EQ(others(32, 64), others(64, 96));
}

TEST_F(SysImageList, StripWidthFollowsIconSizeXAndRefusesWhatCannotBeDrawn) {
    cKLEMSysImageList list;
    list.IconSizeX(20);
    list.IconSizeY(12);
    ASSERT_TRUE(list.Create());
    const std::vector<ImageKey> keys(5, ImageKey{L"x.txt"});
    const PicturePtr strip = list.ImagePictureStrip(keys);
    ASSERT_TRUE(strip);
    BITMAP info{};
    ASSERT_TRUE(::GetObjectW(pictureHandle<HBITMAP>(strip.Get()), sizeof info, &info));
    EXPECT_EQ(info.bmWidth, 5 * 20);
    EXPECT_EQ(info.bmHeight, 12);

    EXPECT_FALSE(list.ImagePictureStrip(std::span<const ImageKey>()));
    // 200000 x 40000 pixels: no bitmap that large can be made.
    list.IconSizeY(40000);
    list.IconSizeX(40000);
    EXPECT_FALSE(list.ImagePictureStrip(keys));
    list.IconSizeY(16);
    list.IconSizeX(std::numeric_limits<std::int32_t>::max() / 4);
    EXPECT_THROW(list.ImagePictureStrip(keys), std::overflow_error);
}

TEST_F(SysImageList, DrawImageDrawsFromTheChosenListAndDisabledAlwaysFromItsOwn) {
    cKLEMSysImageList list;
    list.IconSizeX(32);
    list.IconSizeY(32);
    ASSERT_TRUE(list.Create());
    const int textIcon = list.ItemIndex(ImageKey{L"x.txt"});
    ASSERT_GE(textIcon, 0);
    // A list with no images: whatever is drawn from it stays invisible.
    const win::UniqueImageList emptyList(::ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 0, 1));
    ASSERT_TRUE(emptyList);
    const HIMAGELIST empty = emptyList.get();

    auto draw = [&](const std::function<void(HDC)>& paint) {
        Canvas canvas(48, 48, kMagenta);
        EXPECT_TRUE(canvas.ok());
        paint(canvas.dc());
        return canvas.pixels();
    };
    const std::vector<COLORREF> blank = draw([](HDC) {});
    const auto plain = draw([&](HDC dc) { list.DrawImage(ImageKey{textIcon}, dc, 8, 8); });
    const auto plainByName = draw([&](HDC dc) { list.DrawImage(ImageKey{L"x.txt"}, dc, 8, 8); });
    const auto selected = draw([&](HDC dc) { list.DrawImage(ImageKey{textIcon}, dc, 8, 8, true); });
    const auto cut = draw([&](HDC dc) { list.DrawImage(ImageKey{textIcon}, dc, 8, 8, false, true); });
    const auto cutNoColour =
        draw([&](HDC dc) { list.DrawImage(ImageKey{textIcon}, dc, 8, 8, false, true, false, 0x05000000u); });
    const auto cutWindowColour = draw(
        [&](HDC dc) { list.DrawImage(ImageKey{textIcon}, dc, 8, 8, false, true, false, RGB(255, 255, 255)); });
    const auto disabled = draw([&](HDC dc) { list.DrawImage(ImageKey{textIcon}, dc, 8, 8, false, false, true); });
    const auto fromEmpty =
        draw([&](HDC dc) { list.DrawImage(ImageKey{textIcon}, dc, 8, 8, false, false, false, kWindowColour, empty); });
    const auto disabledWithEmpty =
        draw([&](HDC dc) { list.DrawImage(ImageKey{textIcon}, dc, 8, 8, false, false, true, kWindowColour, empty); });
    const auto negative = draw([&](HDC dc) { list.DrawImage(ImageKey{-1}, dc, 8, 8, false, false, true); });

    EXPECT_NE(plain, blank);
    EXPECT_EQ(plainByName, plain);
    EXPECT_NE(selected, plain);
    EXPECT_NE(cut, plain);
    EXPECT_NE(disabled, plain);
    EXPECT_NE(disabled, blank);
    EXPECT_EQ(fromEmpty, blank);
    EXPECT_EQ(disabledWithEmpty, disabled);
    EXPECT_EQ(negative, blank);
    // A dither colour that is no colour falls back to the window colour.
    if (::GetSysColor(COLOR_WINDOW) == RGB(255, 255, 255)) {
        EXPECT_EQ(cutNoColour, cutWindowColour);
    }
    EXPECT_NE(cutNoColour, blank);

    // Without its own list a disabled image has nothing to show, whatever list is offered.
    const cKLEMSysImageList unset;
    EXPECT_EQ(draw([&](HDC dc) {
                  unset.DrawImage(ImageKey{textIcon}, dc, 8, 8, false, false, true, kWindowColour, list.hIml());
              }),
              blank);
}

// GDI objects alive in this process. Wine's GetGuiResources reports nothing, so there the count
// is the table size less what can still be created: the same before and after means no leak.
class GdiObjects {
public:
    static long count() {
        const DWORD reported = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
        if (reported != 0) return static_cast<long>(reported);
        std::vector<win::UniqueBrush> brushes;
        brushes.reserve(70000);
        while (brushes.size() < 200000) {
            win::UniqueBrush brush(::CreateSolidBrush(RGB(1, 2, 3)));
            if (!brush) break;
            brushes.push_back(std::move(brush));
        }
        return -static_cast<long>(brushes.size());
    }
};

TEST_F(SysImageList, EveryOperationReleasesAllItsGdiObjects) {
    cKLEMSysImageList list;
    list.IconSizeX(32);
    list.IconSizeY(32);
    ASSERT_TRUE(list.Create());
    const win::UniqueImageList emptyList(::ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 0, 1));
    ASSERT_TRUE(emptyList);
    const HIMAGELIST empty = emptyList.get();
    Canvas canvas(64, 64, kMagenta);
    const std::vector<ImageKey> keys{ImageKey{L"x.txt"}, ImageKey{0}, ImageKey{-1}, ImageKey{L"a.bmp"}};

    auto everything = [&] {
        EXPECT_GT(list.SystemColourDepth(), 0);
        list.DrawImage(ImageKey{L"x.txt"}, canvas.dc(), 0, 0);
        list.DrawImage(ImageKey{0}, canvas.dc(), 0, 0, true);
        list.DrawImage(ImageKey{0}, canvas.dc(), 0, 0, false, true, false, 0x05000000u);
        list.DrawImage(ImageKey{0}, canvas.dc(), 0, 0, false, false, true, kWindowColour, empty);
        EXPECT_TRUE(list.ItemPicture(ImageKey{L"x.txt"}));
        EXPECT_TRUE(list.ItemCopyOfIcon(ImageKey{1}));
        EXPECT_TRUE(list.ImagePictureStrip(keys, RGB(0, 128, 0)));
        EXPECT_TRUE(list.ImagePictureStrip(keys, 0x05000000u));
        // The failing paths: no bitmap, and a strip too wide to measure.
        list.IconSizeX(40000);
        list.IconSizeY(40000);
        EXPECT_FALSE(list.ImagePictureStrip(keys));
        list.IconSizeY(32);
        list.IconSizeX(std::numeric_limits<std::int32_t>::max());
        EXPECT_THROW(list.ImagePictureStrip(keys), std::overflow_error);
        list.IconSizeX(32);
        EXPECT_TRUE(cKLEMSysImageList::IconToPicture(win::UniqueIcon(::CopyIcon(::LoadIconW(nullptr, IDI_WARNING)))));
        EXPECT_TRUE(cKLEMSysImageList::BitmapToPicture(win::UniqueBitmap(::CreateBitmap(8, 8, 1, 32, nullptr))));
    };
    everything();  // caches the system may keep on first use are not leaks
    const long before = GdiObjects::count();
    ASSERT_NE(before, 0);
    for (int i = 0; i < 200; ++i) everything();
    EXPECT_EQ(GdiObjects::count(), before);
}

}  // namespace
}  // namespace ql::imagelists
