#include "dialog/pictures.h"

#include <gtest/gtest.h>

#include <set>

namespace quill::dialog::pictures {
namespace {

std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// The ink of a picture (every pixel not of its top-left colour), cropped to
// its bounding box and turned by a half turn when asked.
std::vector<std::vector<bool>> ink(const Bitmap& b, bool half_turn) {
    const std::uint8_t bg = b.at(0, 0);
    std::int32_t x0 = b.width, y0 = b.height, x1 = -1, y1 = -1;
    for (std::int32_t y = 0; y < b.height; ++y)
        for (std::int32_t x = 0; x < b.width; ++x)
            if (b.at(x, y) != bg) x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    std::vector<std::vector<bool>> out(static_cast<std::size_t>(y1 - y0 + 1));
    for (std::int32_t y = y0; y <= y1; ++y)
        for (std::int32_t x = x0; x <= x1; ++x)
            out[static_cast<std::size_t>(y - y0)].push_back(b.at(half_turn ? x0 + x1 - x : x, half_turn ? y0 + y1 - y : y) != bg);
    return out;
}

// Sixteen colours and more than a speck each; upward and downward text are
// the same word turned opposite ways.
TEST(Pictures, SixteenColoursAndUpwardIsDownwardTurned) {
    for (const Bitmap& b : {TextStacked(), TextUpward(), TextDownward(), Icon16(), Icon32()}) {
        const std::set<std::uint8_t> colours(b.pixels.begin(), b.pixels.end());
        EXPECT_LE(*colours.rbegin(), 15);
        EXPECT_GT(std::count_if(b.pixels.begin(), b.pixels.end(), [&](auto p) { return p != b.at(0, 0); }),
                  b.width * b.height / 20);
    }
    EXPECT_EQ(ink(TextUpward(), false), ink(TextDownward(), true));
    EXPECT_NE(ink(TextUpward(), false), ink(TextDownward(), false));
}

// Rows run bottom up at four bits a pixel, padded to four bytes; an icon
// holds both images back to back.
TEST(Pictures, BmpAndIcoLayout) {
    const Bitmap b = TextUpward();
    const auto bytes = EncodeBmp(b);
    const std::uint32_t offset = u32(bytes, 10), stride = (static_cast<std::uint32_t>(b.width) * 4 + 31) / 32 * 4;
    const auto h = static_cast<std::uint32_t>(b.height);
    ASSERT_EQ(std::tuple(bytes.size(), u32(bytes, 2)), std::tuple(offset + stride * h, offset + stride * h));
    for (std::int32_t y : {0, b.height / 2, b.height - 1})
        for (std::int32_t x : {0, 5, b.width - 1}) {
            const std::uint8_t byte = bytes[offset + stride * (h - 1 - static_cast<std::uint32_t>(y)) + x / 2];
            EXPECT_EQ(x % 2 ? byte & 0xF : byte >> 4, b.at(x, y)) << x << "," << y;
        }
    const Bitmap images[] = {Icon16(), Icon32()};
    const auto ico = EncodeIco(images);
    const std::uint32_t second = u32(ico, 6 + 16 + 12);
    // Back to back, and the second's height counts both its bitmaps.
    EXPECT_EQ(std::tuple(second, ico.size(), u32(ico, second + 8)),
              std::tuple(6 + 32 + u32(ico, 6 + 8), second + u32(ico, 6 + 16 + 8), 64u));
    EXPECT_THROW(EncodeBmp(Bitmap{}), std::invalid_argument);
    EXPECT_THROW(EncodeBmp(Bitmap{1, 1, {16}, std::nullopt}), std::invalid_argument);
}

}  // namespace
}  // namespace quill::dialog::pictures
