#pragma once
// Picture files from RGB pixels, for the command line's demo and for tests and
// benchmarks that need real picture files.
#include <cstdint>
#include <vector>

namespace quill::memory {

enum class RasterFormat { Png, Bmp, Jpeg };

// `rgb` holds width * height * 3 bytes, row by row. Empty on failure.
std::vector<std::uint8_t> encode_raster(RasterFormat format, const std::vector<std::uint8_t>& rgb, int width,
                                        int height);
inline std::vector<std::uint8_t> encode_png(const std::vector<std::uint8_t>& rgb, int width, int height) {
    return encode_raster(RasterFormat::Png, rgb, width, height);
}

}  // namespace quill::memory
