#include "platform/memory/stb_decode.h"

#include <climits>

// Only memory input: files are read through the C++ library, which handles
// wide paths on Windows. Internal linkage, so another module may hold its own
// copy of stb_image.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_GIF
#define STBI_ONLY_BMP
#include <stb_image.h>

namespace quill::memory::detail {

bool stb_decodes(const std::uint8_t* data, std::size_t size, int& width, int& height) {
    if (size > static_cast<std::size_t>(INT_MAX)) return false;
    int channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &channels, 0);
    if (!pixels) return false;
    stbi_image_free(pixels);
    return true;
}

}  // namespace quill::memory::detail
