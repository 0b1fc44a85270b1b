#pragma once
// Pictures small enough to write byte by byte, in the formats only a header
// tells apart: what the picture reader and the CLI are given.
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

namespace quill::memory::samples {

using Bytes = std::vector<std::uint8_t>;

// Little-endian values of `size` bytes at offsets.
inline void put(Bytes& b, std::size_t size, std::initializer_list<std::pair<std::size_t, std::uint32_t>> values) {
    for (const auto& [at, v] : values)
        for (std::size_t k = 0; k < size; ++k) b[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
}

// A 1 x 1 GIF89a: header, logical screen, two-colour table, image, trailer.
inline Bytes gif() {
    return {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00,
            0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
}

// An EMF header record with bounds 0,0..99,49 and an end-of-file record;
// the header may claim more bytes than there are.
inline Bytes emf(std::uint32_t declared_extra = 0) {
    Bytes b(108, 0);
    put(b, 4, {{0, 1}, {4, 88}, {16, 99}, {20, 49}, {40, 0x464D4520u}, {44, 0x10000}, {48, 108 + declared_extra}, {52, 2}, {88, 14}, {92, 20}});
    return b;
}

// A WMF: standard header (9 words) and an end record (3 words), with or
// without a placeable header of 1440 x 720 twips at 1440 per inch.
inline Bytes wmf(bool placeable) {
    Bytes b(placeable ? 46 : 24, 0);
    const std::size_t at = placeable ? 22 : 0;
    if (placeable) put(b, 4, {{0, 0x9AC6CDD7u}}), put(b, 2, {{10, 1440}, {12, 720}, {14, 1440}});
    put(b, 2, {{at, 1}, {at + 2, 9}, {at + 4, 0x0300}});
    put(b, 4, {{at + 6, 12}, {at + 18, 3}});
    return b;
}

}  // namespace quill::memory::samples
