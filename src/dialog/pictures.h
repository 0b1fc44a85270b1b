#pragma once
// The pictures the form carries: the orientation buttons' "Text" images and
// the form's icon. They are drawn here from a tiny bitmap font, as 16-colour
// pixel buffers, and encoded as uncompressed BMP or as ICO bytes for the
// Windows build's resources and window.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "dialog/layout.h"

namespace quill::dialog::pictures {

// The standard 16-colour palette, 0x00BBGGRR, in the order 4-bit bitmaps use.
const std::array<std::int32_t, 16>& Palette();

struct Bitmap {
    std::int32_t width = 0, height = 0;
    std::vector<std::uint8_t> pixels;      // palette indexes, rows top to bottom
    std::optional<std::uint8_t> transparent;  // an index drawn as see-through (icons)
    std::uint8_t at(std::int32_t x, std::int32_t y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

Bitmap TextStacked();   // "Text", letters one above the other: 27 x 75
Bitmap TextUpward();    // "Text" turned anticlockwise, read bottom to top: 24 x 73
Bitmap TextDownward();  // "Text" turned clockwise, read top to bottom: 24 x 72
Bitmap Icon16();        // the form's icon, 16 x 16
Bitmap Icon32();        // and 32 x 32

// The picture a layout row names, drawn once; an empty bitmap for None.
const Bitmap& Get(PictureId id);

// A BMP file: BITMAPFILEHEADER, BITMAPINFOHEADER, the palette and 4-bit rows.
std::vector<std::uint8_t> EncodeBmp(const Bitmap& bitmap);
// An ICO file with one 16-colour image per bitmap (each at most 256 x 256);
// the transparent index, if any, goes into the AND mask.
std::vector<std::uint8_t> EncodeIco(std::span<const Bitmap> images);

}  // namespace quill::dialog::pictures
