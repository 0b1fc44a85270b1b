// stb_image_write from Debian's libstb-dev encodes the demo's pictures; its
// implementation is compiled here alone, without our warning flags.
#include "cli/png_writer.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace quill::cli {

namespace {
void append(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}
}  // namespace

std::vector<std::uint8_t> encode_png(const std::vector<std::uint8_t>& rgb, int width, int height) {
    std::vector<std::uint8_t> out;
    if (!stbi_write_png_to_func(append, &out, width, height, 3, rgb.data(), width * 3)) out.clear();
    return out;
}

}  // namespace quill::cli
