// stb_image_write from Debian's libstb-dev; its implementation is compiled
// here alone, without our warning flags.
#include "platform/memory/picture_writer.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace quill::memory {

namespace {
void append(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}
}  // namespace

std::vector<std::uint8_t> encode_raster(RasterFormat format, const std::vector<std::uint8_t>& rgb, int width,
                                        int height) {
    std::vector<std::uint8_t> out;
    if (width <= 0 || height <= 0 || rgb.size() < static_cast<std::size_t>(width) * height * 3) return out;
    int ok = 0;
    switch (format) {
        case RasterFormat::Png: ok = stbi_write_png_to_func(append, &out, width, height, 3, rgb.data(), width * 3); break;
        case RasterFormat::Bmp: ok = stbi_write_bmp_to_func(append, &out, width, height, 3, rgb.data()); break;
        case RasterFormat::Jpeg: ok = stbi_write_jpg_to_func(append, &out, width, height, 3, rgb.data(), 90); break;
    }
    if (!ok) out.clear();
    return out;
}

}  // namespace quill::memory
