#pragma once
#include <cstdint>
#include <vector>

namespace quill::cli {
// RGB pixels, row by row, to PNG bytes; empty on failure.
std::vector<std::uint8_t> encode_png(const std::vector<std::uint8_t>& rgb, int width, int height);
}  // namespace quill::cli
