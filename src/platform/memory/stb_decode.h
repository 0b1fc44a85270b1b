#pragma once
// The one door to stb_image, kept in its own translation unit (stb_decode.cpp)
// so that the library's code is compiled apart from ours.
#include <cstddef>
#include <cstdint>

namespace quill::memory::detail {
// Decodes a whole PNG, JPEG, GIF (first frame) or BMP held in memory; false
// when stb refuses it. The pixels are thrown away: only the size is kept.
bool stb_decodes(const std::uint8_t* data, std::size_t size, int& width, int& height);
}  // namespace quill::memory::detail
