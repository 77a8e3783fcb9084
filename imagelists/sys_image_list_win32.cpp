#include "imagelists/sys_image_list_win32.h"

#include "common/win_text.h"
#include "imagelists/sys_image_list_keys.h"

#include <shellapi.h>

namespace ql::imagelists {
namespace {

win::UniqueDc displayDc() { return win::UniqueDc(::CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr)); }

// The system's RGB for a colour, or the window colour when it names none.
COLORREF colourOrWindow(OLE_COLOR colour) {
    const std::int32_t rgb = cKLEMSysImageList::TranslateColor(colour);
    return rgb == -1 ? ::GetSysColor(COLOR_WINDOW) : static_cast<COLORREF>(rgb);
}

PicturePtr createPicture(PICTDESC& desc) {
    desc.cbSizeofstruct = sizeof desc;
    PicturePtr picture;
    if (FAILED(::OleCreatePictureIndirect(&desc, IID_IPicture, TRUE,
                                          reinterpret_cast<void**>(picture.ReleaseAndGetAddressOf())))) {
        return nullptr;
    }
    return picture;
}

}  // namespace

std::int32_t cKLEMSysImageList::SystemColourDepth() const {
    const win::UniqueDc dc = displayDc();
    return dc ? ::GetDeviceCaps(dc.get(), BITSPIXEL) : 0;
}

bool cKLEMSysImageList::Create() {
    Destroy();
    SHFILEINFOW info{};
    const DWORD_PTR result =
        ::SHGetFileInfoW(L".txt", FILE_ATTRIBUTE_NORMAL, &info, sizeof info, createFlags(iconSizeX_));
    if (!isImageListResult(result)) return false;
    hIml_ = reinterpret_cast<HIMAGELIST>(result);
    return true;
}

std::int32_t cKLEMSysImageList::ItemIndex(const ImageKey& vKey, bool bForceLoadFromDisk) const {
    if (const auto* number = std::get_if<std::int32_t>(&vKey)) return *number;
    const std::wstring& name = std::get<std::wstring>(vKey);
    if (const auto number = numericKeyValue(win::toU16(name))) return *number;
    SHFILEINFOW info{};
    if (!::SHGetFileInfoW(name.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                          itemIndexFlags(iconSizeX_, bForceLoadFromDisk))) {
        return 0;
    }
    return info.iIcon;
}

void cKLEMSysImageList::DrawImage(const ImageKey& vKey, HDC hdc, std::int16_t xPixels, std::int16_t yPixels,
                                  bool bSelected, bool bCut, bool bDisabled, OLE_COLOR oCutDitherColour,
                                  HIMAGELIST hExternalIml) const {
    const std::int32_t index = ItemIndex(vKey);
    if (index < 0) return;
    const HIMAGELIST list = hExternalIml ? hExternalIml : hIml_;
    const UINT style = drawStyle(bSelected, bCut);
    switch (drawMode(bCut, bDisabled)) {
        case DrawMode::Cut:
            ::ImageList_DrawEx(list, index, hdc, xPixels, yPixels, 0, 0, CLR_NONE, colourOrWindow(oCutDitherColour),
                               style);
            break;
        case DrawMode::Disabled: {
            const win::UniqueIcon icon(::ImageList_GetIcon(hIml_, index, ILD_NORMAL));
            if (!icon) return;
            ::DrawStateW(hdc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon.get()), 0, xPixels, yPixels,
                         iconSizeX_, iconSizeY_, DST_ICON | DSS_DISABLED);
            break;
        }
        case DrawMode::Plain:
            ::ImageList_Draw(list, index, hdc, xPixels, yPixels, style);
            break;
    }
}

PicturePtr cKLEMSysImageList::ItemPicture(const ImageKey& vKey) const {
    win::UniqueIcon icon = ItemCopyOfIcon(vKey);
    if (!icon) return nullptr;
    return IconToPicture(std::move(icon));
}

win::UniqueIcon cKLEMSysImageList::ItemCopyOfIcon(const ImageKey& vKey) const {
    const std::int32_t index = ItemIndex(vKey);
    if (index < 0 || !hIml_) return win::UniqueIcon();
    return win::UniqueIcon(::ImageList_GetIcon(hIml_, index, ILD_TRANSPARENT));
}

std::int32_t cKLEMSysImageList::ImageCount() const { return hIml_ ? ::ImageList_GetImageCount(hIml_) : 0; }

PicturePtr cKLEMSysImageList::ImagePictureStrip(std::span<const ImageKey> vKeys, OLE_COLOR oBackColor,
                                                bool bForceLoadFromDisk) const {
    if (!hIml_ || vKeys.empty()) return nullptr;
    const std::int32_t width = stripWidth(vKeys.size(), iconSizeX_);

    const win::UniqueDc screen = displayDc();
    if (!screen) return nullptr;
    const win::UniqueDc memory(::CreateCompatibleDC(screen.get()));
    if (!memory) return nullptr;
    win::UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.get(), width, iconSizeY_));
    if (!bitmap) return nullptr;
    {
        const win::SelectObjectScope selected(memory.get(), bitmap.get());
        if (!selected.ok()) return nullptr;
        const win::UniqueBrush brush(::CreateSolidBrush(colourOrWindow(oBackColor)));
        const RECT all{0, 0, width, iconSizeY_};
        if (brush) ::FillRect(memory.get(), &all, brush.get());
        for (std::size_t position = 0; position < vKeys.size(); ++position) {
            ::ImageList_Draw(hIml_, ItemIndex(vKeys[position], bForceLoadFromDisk), memory.get(),
                             stripWidth(position, iconSizeX_), 0, ILD_TRANSPARENT);
        }
    }
    return BitmapToPicture(std::move(bitmap));
}

PicturePtr cKLEMSysImageList::IconToPicture(win::UniqueIcon hIcon) {
    if (!hIcon) return nullptr;
    PICTDESC desc{};
    desc.picType = PICTYPE_ICON;
    desc.icon.hicon = hIcon.get();
    PicturePtr picture = createPicture(desc);
    if (picture) hIcon.release();
    return picture;
}

PicturePtr cKLEMSysImageList::BitmapToPicture(win::UniqueBitmap hBmp) {
    if (!hBmp) return nullptr;
    PICTDESC desc{};
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = hBmp.get();
    desc.bmp.hpal = nullptr;
    PicturePtr picture = createPicture(desc);
    if (picture) hBmp.release();
    return picture;
}

std::int32_t cKLEMSysImageList::TranslateColor(OLE_COLOR clr, HPALETTE hPal) {
    COLORREF rgb = 0;
    if (FAILED(::OleTranslateColor(clr, hPal, &rgb))) return -1;
    return static_cast<std::int32_t>(rgb);
}

}  // namespace ql::imagelists
