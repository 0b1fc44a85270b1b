#include "dialog/pictures.h"

#include <stdexcept>
#include <string_view>

namespace quill::dialog::pictures {

namespace {
constexpr std::uint8_t kBlack = 0, kNavy = 4, kSilver = 7, kGrey = 8, kYellow = 11, kFuchsia = 13, kWhite = 15;

// 5 x 7 glyphs, one string per row, '#' for ink.
using Glyph = std::array<std::string_view, 7>;
constexpr Glyph kT = {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."};
constexpr Glyph kE = {".....", ".....", ".###.", "#...#", "#####", "#....", ".###."};
constexpr Glyph kX = {".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"};
constexpr Glyph kLowT = {".#...", ".#...", "###..", ".#...", ".#...", ".#..#", "..##."};
constexpr Glyph kQ = {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"};
constexpr std::array<const Glyph*, 4> kWord = {&kT, &kE, &kX, &kLowT};
constexpr std::int32_t kGlyphW = 5, kGlyphH = 7;

Bitmap canvas(std::int32_t w, std::int32_t h, std::uint8_t fill) {
    return Bitmap{w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w * h), fill), std::nullopt};
}

void put(Bitmap& b, std::int32_t x, std::int32_t y, std::uint8_t c) {
    if (x >= 0 && y >= 0 && x < b.width && y < b.height)
        b.pixels[static_cast<std::size_t>(y * b.width + x)] = c;
}

void fill_rect(Bitmap& b, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, std::uint8_t c) {
    for (std::int32_t y = y0; y <= y1; ++y)
        for (std::int32_t x = x0; x <= x1; ++x) put(b, x, y, c);
}

void glyph(Bitmap& b, const Glyph& g, std::int32_t x0, std::int32_t y0, std::int32_t scale, std::uint8_t c) {
    for (std::int32_t gy = 0; gy < kGlyphH; ++gy)
        for (std::int32_t gx = 0; gx < kGlyphW; ++gx)
            if (g[static_cast<std::size_t>(gy)][static_cast<std::size_t>(gx)] == '#')
                fill_rect(b, x0 + gx * scale, y0 + gy * scale, x0 + (gx + 1) * scale - 1, y0 + (gy + 1) * scale - 1, c);
}

// The word on one line, scale 3 (69 x 21 pixels), on a canvas of w x 24.
Bitmap word_line(std::int32_t w) {
    constexpr std::int32_t scale = 3, gap = 3, word_w = 4 * kGlyphW * scale + 3 * gap, h = 24;
    Bitmap b = canvas(w, h, kSilver);
    std::int32_t x = (w - word_w) / 2;
    for (const Glyph* g : kWord) {
        glyph(b, *g, x, (h - kGlyphH * scale) / 2, scale, kBlack);
        x += kGlyphW * scale + gap;
    }
    return b;
}

// A quarter turn anticlockwise: the top edge becomes the left edge.
Bitmap turn_anticlockwise(const Bitmap& s) {
    Bitmap d = canvas(s.height, s.width, 0);
    for (std::int32_t y = 0; y < s.height; ++y)
        for (std::int32_t x = 0; x < s.width; ++x) put(d, y, s.width - 1 - x, s.at(x, y));
    return d;
}

// A quarter turn clockwise: the top edge becomes the right edge.
Bitmap turn_clockwise(const Bitmap& s) {
    Bitmap d = canvas(s.height, s.width, 0);
    for (std::int32_t y = 0; y < s.height; ++y)
        for (std::int32_t x = 0; x < s.width; ++x) put(d, s.height - 1 - y, x, s.at(x, y));
    return d;
}

// A comment balloon with its tail at the lower left and a "Q" inside.
Bitmap icon(std::int32_t size) {
    Bitmap b = canvas(size, size, kFuchsia);
    b.transparent = kFuchsia;
    const std::int32_t k = size / 16;  // 1 or 2
    const std::int32_t bottom = 11 * k;
    fill_rect(b, 0, k, size - 1, bottom, kBlack);
    fill_rect(b, 1, k + 1, size - 2, bottom - 1, kYellow);
    for (std::int32_t i = 0; i <= 3 * k; ++i) {  // the tail, a slanted wedge
        fill_rect(b, 3 * k - i / 3, bottom + i, 3 * k - i / 3 + (3 * k - i) / 2, bottom + i, kBlack);
    }
    fill_rect(b, size - 2 * k, 2 * k, size - 2, 3 * k, kWhite);  // a glint on the balloon
    glyph(b, kQ, (size - kGlyphW * k) / 2, (k + bottom - kGlyphH * k) / 2 + 1, k, k == 1 ? kNavy : kGrey);
    if (k > 1) glyph(b, kQ, (size - kGlyphW * k) / 2 - 1, (k + bottom - kGlyphH * k) / 2, k, kNavy);
    return b;
}

void u16le(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void u32le(std::vector<std::uint8_t>& out, std::uint32_t v) {
    u16le(out, v & 0xFFFF);
    u16le(out, v >> 16);
}

std::uint32_t xor_row_bytes(const Bitmap& b) { return ((static_cast<std::uint32_t>(b.width) * 4 + 31) / 32) * 4; }
std::uint32_t and_row_bytes(const Bitmap& b) { return ((static_cast<std::uint32_t>(b.width) + 31) / 32) * 4; }

void check(const Bitmap& b) {
    if (b.width <= 0 || b.height <= 0 || b.pixels.size() != static_cast<std::size_t>(b.width) * static_cast<std::size_t>(b.height))
        throw std::invalid_argument("bitmap without pixels");
    for (std::uint8_t p : b.pixels)
        if (p > 15) throw std::invalid_argument("bitmap index outside the 16-colour palette");
}

// BITMAPINFOHEADER, the palette and the bottom-up 4-bit rows (and, for an
// icon, the AND mask, with the header's height doubled).
void write_dib(std::vector<std::uint8_t>& out, const Bitmap& b, bool with_mask) {
    const std::uint32_t xor_size = xor_row_bytes(b) * static_cast<std::uint32_t>(b.height);
    const std::uint32_t and_size = with_mask ? and_row_bytes(b) * static_cast<std::uint32_t>(b.height) : 0;
    u32le(out, 40);
    u32le(out, static_cast<std::uint32_t>(b.width));
    u32le(out, static_cast<std::uint32_t>(with_mask ? 2 * b.height : b.height));
    u16le(out, 1);  // planes
    u16le(out, 4);  // bits per pixel
    u32le(out, 0);  // BI_RGB
    u32le(out, xor_size + and_size);
    u32le(out, 3780);  // 96 dots per inch
    u32le(out, 3780);
    u32le(out, 16);
    u32le(out, 0);
    for (std::int32_t c : Palette()) {  // RGBQUAD: blue, green, red, 0
        out.push_back(static_cast<std::uint8_t>(c >> 16));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(0);
    }
    auto see_through = [&](std::int32_t x, std::int32_t y) { return with_mask && b.transparent && b.at(x, y) == *b.transparent; };
    for (std::int32_t y = b.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(xor_row_bytes(b), 0);
        for (std::int32_t x = 0; x < b.width; ++x) {
            const std::uint8_t p = see_through(x, y) ? 0 : b.at(x, y);
            row[static_cast<std::size_t>(x / 2)] |= static_cast<std::uint8_t>(x % 2 == 0 ? p << 4 : p);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    if (!with_mask) return;
    for (std::int32_t y = b.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(and_row_bytes(b), 0);
        for (std::int32_t x = 0; x < b.width; ++x)
            if (see_through(x, y)) row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
}
}  // namespace

const std::array<std::int32_t, 16>& Palette() {
    static constexpr std::array<std::int32_t, 16> kPalette = {
        rgb(0, 0, 0),       rgb(128, 0, 0),   rgb(0, 128, 0),   rgb(128, 128, 0),
        rgb(0, 0, 128),     rgb(128, 0, 128), rgb(0, 128, 128), rgb(192, 192, 192),
        rgb(128, 128, 128), rgb(255, 0, 0),   rgb(0, 255, 0),   rgb(255, 255, 0),
        rgb(0, 0, 255),     rgb(255, 0, 255), rgb(0, 255, 255), rgb(255, 255, 255),
    };
    return kPalette;
}

Bitmap TextStacked() {
    constexpr std::int32_t scale = 2, w = 27, h = 75, pitch = kGlyphH * scale + 4;
    Bitmap b = canvas(w, h, kSilver);
    const std::int32_t top = (h - (4 * pitch - 4)) / 2;
    for (std::size_t i = 0; i < kWord.size(); ++i)
        glyph(b, *kWord[i], (w - kGlyphW * scale) / 2, top + static_cast<std::int32_t>(i) * pitch, scale, kBlack);
    return b;
}

Bitmap TextUpward() { return turn_anticlockwise(word_line(73)); }
Bitmap TextDownward() { return turn_clockwise(word_line(72)); }
Bitmap Icon16() { return icon(16); }
Bitmap Icon32() { return icon(32); }

const Bitmap& Get(PictureId id) {
    static const Bitmap none, stacked = TextStacked(), upward = TextUpward(), downward = TextDownward(),
                              small = Icon16(), large = Icon32();
    switch (id) {
    case PictureId::TextStacked: return stacked;
    case PictureId::TextUpward: return upward;
    case PictureId::TextDownward: return downward;
    case PictureId::Icon16: return small;
    case PictureId::Icon32: return large;
    case PictureId::None: break;
    }
    return none;
}

std::vector<std::uint8_t> EncodeBmp(const Bitmap& b) {
    check(b);
    std::vector<std::uint8_t> out;
    const std::uint32_t offset = 14 + 40 + 64;
    const std::uint32_t size = offset + xor_row_bytes(b) * static_cast<std::uint32_t>(b.height);
    out.push_back('B');
    out.push_back('M');
    u32le(out, size);
    u32le(out, 0);
    u32le(out, offset);
    write_dib(out, b, false);
    return out;
}

std::vector<std::uint8_t> EncodeIco(std::span<const Bitmap> images) {
    if (images.empty() || images.size() > 0xFFFF) throw std::invalid_argument("an icon needs one to 65535 images");
    std::vector<std::vector<std::uint8_t>> dibs;
    for (const Bitmap& b : images) {
        check(b);
        if (b.width > 256 || b.height > 256) throw std::invalid_argument("icon image larger than 256 pixels");
        dibs.emplace_back();
        write_dib(dibs.back(), b, true);
    }
    std::vector<std::uint8_t> out;
    u16le(out, 0);
    u16le(out, 1);  // an icon, not a cursor
    u16le(out, static_cast<std::uint32_t>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        out.push_back(static_cast<std::uint8_t>(images[i].width & 0xFF));  // 256 is written as 0
        out.push_back(static_cast<std::uint8_t>(images[i].height & 0xFF));
        out.push_back(16);  // colours
        out.push_back(0);
        u16le(out, 1);
        u16le(out, 4);
        u32le(out, static_cast<std::uint32_t>(dibs[i].size()));
        u32le(out, offset);
        offset += static_cast<std::uint32_t>(dibs[i].size());
    }
    for (const auto& d : dibs) out.insert(out.end(), d.begin(), d.end());
    return out;
}

}  // namespace quill::dialog::pictures
