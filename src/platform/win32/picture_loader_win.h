#pragma once
// The picture loader on Windows (LoadPicture behind Image1 and the preview).
// Raster files (PNG, JPEG, GIF, BMP, TIFF, ICO) are decoded by the Windows
// Imaging Component into a 32-bit premultiplied bitmap; what it cannot read
// (EMF, placeable WMF) goes to OleLoadPicture. Sizes are pixels; a metafile's
// size is its HIMETRIC extent at the screen's DPI.
//
// A loaded picture can draw itself: `renderable` finds the drawing data of a
// picture this loader made, and nothing for any other.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <memory>
#include <string>

#include "ports/picture_loader.h"
#include "platform/win32/handles.h"
#include "platform/win32/window_common.h"

namespace quill::win32 {

class RenderablePicture {
public:
    virtual ~RenderablePicture() = default;
    // Stretched to fill `target`.
    virtual void draw(HDC dc, const RECT& target) const = 0;
};

// The drawing data of `picture` when this loader made it and it is alive.
const RenderablePicture* renderable(const dialog::Picture* picture) noexcept;

class Win32PictureLoader final : public dialog::PictureLoader {
public:
    std::shared_ptr<const dialog::Picture> LoadPicture(const std::u16string& path) override;
};

}  // namespace quill::win32
