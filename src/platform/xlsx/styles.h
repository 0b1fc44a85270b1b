#pragma once
// The styles part (fonts, number formats, cell formats) and the theme colours
// fonts refer to.
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include <pugixml.hpp>

#include "platform/xlsx/model.h"

namespace quill::xlsx::detail {

// The twelve theme colours in the order colour references count them
// (lt1, dk1, lt2, dk2, accent1..6, hlink, folHlink), 0x00BBGGRR.
using ThemeColors = std::vector<std::int32_t>;
ThemeColors default_theme_colors();
ThemeColors parse_theme(const pugi::xml_document& doc);

// A <color> element (rgb, indexed, theme with tint) as 0x00BBGGRR; `fallback`
// for "automatic" and anything unreadable.
std::int32_t parse_color(pugi::xml_node color, const ThemeColors& theme, std::int32_t fallback);
// "FF0000FF" (AARRGGBB) or "0000FF" -> 0x00BBGGRR; fallback when malformed.
std::int32_t parse_argb(std::string_view hex, std::int32_t fallback);
std::string to_argb(std::int32_t bgr);  // 0x00BBGGRR -> "FFRRGGBB"

// The properties present in a <font> or <rPr>; the others stay unset, so a
// run's properties can be applied over the font of its cell.
struct FontPatch {
    std::optional<std::u16string> name;
    std::optional<double> size;
    std::optional<bool> bold, italic, strike;
    std::optional<std::int32_t> underline;  // xlUnderlineStyle
    std::optional<std::int32_t> color;
    CharFont over(CharFont base) const;
};
FontPatch parse_font_patch(pugi::xml_node props, const ThemeColors& theme);
inline CharFont parse_font(pugi::xml_node props, CharFont base, const ThemeColors& theme) {
    return parse_font_patch(props, theme).over(std::move(base));
}

struct Styles {
    std::vector<CharFont> fonts;  // at least one
    struct Format {
        std::size_t font = 0;
        int num_fmt = 0;
    };
    std::vector<Format> cell_formats;  // cellXfs
    std::unordered_map<int, std::u16string> custom_formats;

    const CharFont& cell_font(std::size_t style) const;
    std::u16string format_code(std::size_t style) const;  // "General" for unknown ids
};

// The widest digit of `font` in pixels at 96 dpi: the unit of column widths
// when `font` is the workbook's default (its first) font.
std::int32_t max_digit_px(const CharFont& font);

Styles default_styles();
Styles parse_styles(const pugi::xml_document& doc, const ThemeColors& theme);

// The styles part of a new workbook: one font (Calibri 11), one cell format.
std::string write_minimal_styles();

}  // namespace quill::xlsx::detail
