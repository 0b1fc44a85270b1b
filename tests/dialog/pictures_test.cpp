#include "dialog/pictures.h"

#include <gtest/gtest.h>

#include <set>

namespace quill::dialog::pictures {
namespace {

std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t u16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// The ink of a picture (every pixel not of its background colour, the
// top-left one), cropped to its bounding box and turned by a half turn when asked.
std::vector<std::vector<bool>> ink(const Bitmap& b, bool half_turn) {
    const std::uint8_t bg = b.at(0, 0);
    std::int32_t x0 = b.width, y0 = b.height, x1 = -1, y1 = -1;
    for (std::int32_t y = 0; y < b.height; ++y)
        for (std::int32_t x = 0; x < b.width; ++x)
            if (b.at(x, y) != bg) {
                x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
    std::vector<std::vector<bool>> out;
    for (std::int32_t y = y0; y <= y1; ++y) {
        out.emplace_back();
        for (std::int32_t x = x0; x <= x1; ++x) {
            const std::int32_t sx = half_turn ? x0 + x1 - x : x, sy = half_turn ? y0 + y1 - y : y;
            out.back().push_back(b.at(sx, sy) != bg);
        }
    }
    return out;
}

TEST(Pictures, SizesAndNotBlank) {
    struct Row { const char* name; Bitmap b; std::int32_t w, h; };
    const Row rows[] = {{"stacked", TextStacked(), 27, 75}, {"upward", TextUpward(), 24, 73},
                        {"downward", TextDownward(), 24, 72}, {"icon16", Icon16(), 16, 16},
                        {"icon32", Icon32(), 32, 32}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.b.width, r.w);
        EXPECT_EQ(r.b.height, r.h);
        ASSERT_EQ(r.b.pixels.size(), static_cast<std::size_t>(r.w * r.h));
        std::set<std::uint8_t> colours(r.b.pixels.begin(), r.b.pixels.end());
        EXPECT_GE(colours.size(), 2u);
        EXPECT_LE(*colours.rbegin(), 15) << "16 colours";
        const auto inked = std::count_if(r.b.pixels.begin(), r.b.pixels.end(), [&](auto p) { return p != r.b.at(0, 0); });
        EXPECT_GT(inked, r.w * r.h / 20) << "more than a speck";
    }
}

// Upward and downward text are the same word turned opposite ways: one is
// the other turned by half a turn. Turning both the same way would fail.
TEST(Pictures, UpwardAndDownwardAreHalfATurnApart) {
    EXPECT_EQ(ink(TextUpward(), false), ink(TextDownward(), true));
    EXPECT_NE(ink(TextUpward(), false), ink(TextDownward(), false));
}

TEST(Pictures, BmpHeaderAndPixelsRoundTrip) {
    const Bitmap b = TextUpward();
    const auto bytes = EncodeBmp(b);
    ASSERT_GE(bytes.size(), 118u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(u32(bytes, 2), bytes.size());
    const std::uint32_t offset = u32(bytes, 10);
    EXPECT_EQ(u32(bytes, 18), 24u);
    EXPECT_EQ(u32(bytes, 22), 73u);
    EXPECT_EQ(u16(bytes, 28), 4);
    const std::uint32_t stride = 12;  // 24 pixels of 4 bits, padded to 4 bytes
    ASSERT_EQ(bytes.size(), offset + stride * 73);
    for (std::int32_t y : {0, 36, 72})
        for (std::int32_t x : {0, 5, 23}) {
            const std::uint8_t byte = bytes[offset + stride * static_cast<std::uint32_t>(72 - y) + static_cast<std::uint32_t>(x / 2)];
            EXPECT_EQ(x % 2 ? byte & 0xF : byte >> 4, b.at(x, y)) << x << "," << y;
        }
}

TEST(Pictures, IcoHoldsBothImagesWithMasks) {
    const Bitmap images[] = {Icon16(), Icon32()};
    const auto bytes = EncodeIco(images);
    EXPECT_EQ(u16(bytes, 0), 0);
    EXPECT_EQ(u16(bytes, 2), 1);
    ASSERT_EQ(u16(bytes, 4), 2);
    std::uint32_t end = 6 + 32;
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const std::size_t e = 6 + 16 * i;
        const std::uint32_t side = images[i].width;
        EXPECT_EQ(bytes[e], side);
        EXPECT_EQ(bytes[e + 2], 16) << "colours";
        EXPECT_EQ(u16(bytes, e + 6), 4);
        const std::uint32_t size = u32(bytes, e + 8), at = u32(bytes, e + 12);
        EXPECT_EQ(at, end);
        const std::uint32_t xor_stride = (side * 4 + 31) / 32 * 4, and_stride = (side + 31) / 32 * 4;
        EXPECT_EQ(size, 40 + 64 + (xor_stride + and_stride) * side);
        EXPECT_EQ(u32(bytes, at + 8), 2 * side) << "height counts both bitmaps";
        end = at + size;
    }
    EXPECT_EQ(end, bytes.size());
}

TEST(Pictures, EncodersRejectWhatTheFormatCannotHold) {
    EXPECT_THROW(EncodeBmp(Bitmap{}), std::invalid_argument);
    Bitmap odd{1, 1, {16}, std::nullopt};
    EXPECT_THROW(EncodeBmp(odd), std::invalid_argument);
    EXPECT_THROW(EncodeIco({}), std::invalid_argument);
    EXPECT_EQ(Get(PictureId::None).width, 0);
    EXPECT_EQ(&Get(PictureId::TextStacked), &Get(PictureId::TextStacked));
}

}  // namespace
}  // namespace quill::dialog::pictures
