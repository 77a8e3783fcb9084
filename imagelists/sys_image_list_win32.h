#pragma once
// cKLEMSysImageList: one handle to the shell's system image list (the list of file type and
// folder icons whose indices the shell hands out), with key -> index mapping, drawing and
// conversion to OLE pictures. The list is the shell's: it is never destroyed or changed here.
#include "common/win_handles.h"

#include <commctrl.h>
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <cstdint>
#include <span>
#include <string>
#include <variant>

namespace ql::imagelists {

// An image index, or a file name / path whose type's icon is wanted. Text that reads as a
// number ("7") is an index too.
using ImageKey = std::variant<std::int32_t, std::wstring>;

using PicturePtr = Microsoft::WRL::ComPtr<IPicture>;

// Colours in the system's encoding: an RGB value or a system colour reference (0x80000000 | index).
inline constexpr OLE_COLOR kWindowColour = 0x80000000u | COLOR_WINDOW;

class cKLEMSysImageList {
public:
    cKLEMSysImageList() = default;
    cKLEMSysImageList(const cKLEMSysImageList&) = delete;
    cKLEMSysImageList& operator=(const cKLEMSysImageList&) = delete;
    ~cKLEMSysImageList() { Destroy(); }

    // Bits per pixel of the display; 0 when the display cannot be asked.
    std::int32_t SystemColourDepth() const;

    // Asks the shell for its small (IconSizeX < 32) or large list; false leaves no handle.
    bool Create();
    // Forgets the handle; the shell's list stays intact for every other user.
    void Destroy() { hIml_ = nullptr; }
    // Create again, result ignored.
    void Clear() { Create(); }

    // A cut image is blended with oCutDitherColour (the window colour when that is no colour); a
    // disabled one is drawn embossed from this object's own list even when hExternalIml is given.
    // hExternalIml null draws from this object's list. A negative index draws nothing.
    void DrawImage(const ImageKey& vKey, HDC hdc, std::int16_t xPixels, std::int16_t yPixels, bool bSelected = false,
                   bool bCut = false, bool bDisabled = false, OLE_COLOR oCutDitherColour = kWindowColour,
                   HIMAGELIST hExternalIml = nullptr) const;

    std::int32_t IconSizeX() const { return iconSizeX_; }
    void IconSizeX(std::int32_t lSizeX) { iconSizeX_ = lSizeX; }
    std::int32_t IconSizeY() const { return iconSizeY_; }
    void IconSizeY(std::int32_t lSizeY) { iconSizeY_ = lSizeY; }

    // A numeric key as it is (unchecked); otherwise the shell's index for the name, by its
    // extension alone unless bForceLoadFromDisk; 0 when the shell knows nothing. Numeric text
    // outside the 32-bit range throws std::overflow_error.
    std::int32_t ItemIndex(const ImageKey& vKey, bool bForceLoadFromDisk = false) const;
    // The key's icon as a picture that owns it; null when there is none.
    PicturePtr ItemPicture(const ImageKey& vKey) const;
    // A copy of the key's icon for the caller to keep; empty when there is none.
    win::UniqueIcon ItemCopyOfIcon(const ImageKey& vKey) const;
    std::int32_t ImageCount() const;

    HIMAGELIST hIml() const { return hIml_; }

    // One bitmap with the keys' images side by side, IconSizeX apart, on oBackColor (the window
    // colour when that is no colour). Null with no handle, no keys, or when a GDI step fails;
    // a strip wider than 32 bits throws std::overflow_error.
    PicturePtr ImagePictureStrip(std::span<const ImageKey> vKeys, OLE_COLOR oBackColor = kWindowColour,
                                 bool bForceLoadFromDisk = false) const;

    // The picture takes the handle; when no picture can be made the handle is destroyed.
    static PicturePtr IconToPicture(win::UniqueIcon hIcon);
    static PicturePtr BitmapToPicture(win::UniqueBitmap hBmp);
    // The RGB value of clr; -1 when clr is no colour.
    static std::int32_t TranslateColor(OLE_COLOR clr, HPALETTE hPal = nullptr);

private:
    HIMAGELIST hIml_ = nullptr;
    std::int32_t iconSizeX_ = 16;
    std::int32_t iconSizeY_ = 16;
};

}  // namespace ql::imagelists
