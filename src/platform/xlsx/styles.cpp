#include "platform/xlsx/styles.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "ports/host_error.h"
#include "platform/xlsx/number_format.h"
#include "platform/xlsx/xml_writer.h"

#include "platform/xlsx/xml_names.h"

namespace quill::xlsx::detail {

namespace {

// The legacy 64-colour palette that `indexed` colours refer to (RRGGBB).
constexpr std::uint32_t kPalette[64] = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x000000, 0xFFFFFF, 0xFF0000,
    0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080,
    0xC0C0C0, 0x808080, 0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF, 0x000080,
    0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF, 0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99,
    0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99, 0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699,
    0x969696, 0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333};

std::int32_t rgb_to_bgr(std::uint32_t rgb) {
    return static_cast<std::int32_t>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}

// Excel's tint: lighten or darken the luminance in HLS space.
std::int32_t apply_tint(std::int32_t bgr, double tint) {
    if (tint == 0) return bgr;
    double r = (bgr & 0xFF) / 255.0, g = ((bgr >> 8) & 0xFF) / 255.0, b = ((bgr >> 16) & 0xFF) / 255.0;
    const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    double h = 0, s = 0, l = (mx + mn) / 2;
    if (mx != mn) {
        const double d = mx - mn;
        s = l > 0.5 ? d / (2 - mx - mn) : d / (mx + mn);
        h = mx == r ? (g - b) / d + (g < b ? 6 : 0) : mx == g ? (b - r) / d + 2 : (r - g) / d + 4;
        h /= 6;
    }
    l = tint < 0 ? l * (1 + tint) : l * (1 - tint) + tint;
    auto hue = [](double p, double q, double t) {
        if (t < 0) t += 1;
        if (t > 1) t -= 1;
        if (t < 1.0 / 6) return p + (q - p) * 6 * t;
        if (t < 0.5) return q;
        if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
        return p;
    };
    if (s == 0) {
        r = g = b = l;
    } else {
        const double q = l < 0.5 ? l * (1 + s) : l + s - l * s, p = 2 * l - q;
        r = hue(p, q, h + 1.0 / 3);
        g = hue(p, q, h);
        b = hue(p, q, h - 1.0 / 3);
    }
    auto byte = [](double v) { return static_cast<std::int32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
    return byte(r) | (byte(g) << 8) | (byte(b) << 16);
}

bool flag(pugi::xml_node n) {
    auto v = n.attribute("val");
    if (!v) return true;
    const std::string_view s = v.value();
    return !(s == "0" || s == "false" || s == "False");
}

std::int32_t underline_of(pugi::xml_node u) {
    auto v = u.attribute("val");
    if (!v) return host::xlUnderlineStyleSingle;
    const std::string_view s = v.value();
    if (s == "double") return host::xlUnderlineStyleDouble;
    if (s == "singleAccounting") return host::xlUnderlineStyleSingleAccounting;
    if (s == "doubleAccounting") return host::xlUnderlineStyleDoubleAccounting;
    if (s == "none") return host::xlUnderlineStyleNone;
    return host::xlUnderlineStyleSingle;
}

}  // namespace

std::int32_t parse_argb(std::string_view hex, std::int32_t fallback) {
    if (hex.size() != 8 && hex.size() != 6) return fallback;
    std::uint32_t v = 0;
    auto r = std::from_chars(hex.data(), hex.data() + hex.size(), v, 16);
    if (r.ec != std::errc() || r.ptr != hex.data() + hex.size()) return fallback;
    return rgb_to_bgr(v & 0xFFFFFF);
}

std::string to_argb(std::int32_t bgr) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out = "FF";
    for (int shift : {0, 8, 16}) {
        out += hex[(bgr >> (shift + 4)) & 0xF];
        out += hex[(bgr >> shift) & 0xF];
    }
    return out;
}

ThemeColors default_theme_colors() {
    // Office's default theme.
    const std::uint32_t rgb[] = {0xFFFFFF, 0x000000, 0xE7E6E6, 0x44546A, 0x4472C4, 0xED7D31,
                                 0xA5A5A5, 0xFFC000, 0x5B9BD5, 0x70AD47, 0x0563C1, 0x954F72};
    ThemeColors out;
    for (auto c : rgb) out.push_back(rgb_to_bgr(c));
    return out;
}

ThemeColors parse_theme(const pugi::xml_document& doc) {
    ThemeColors colors = default_theme_colors();
    const auto scheme = child(child(doc.document_element(), "themeElements"), "clrScheme");
    if (!scheme) return colors;
    // The scheme lists dk1, lt1, dk2, lt2, ...; references count lt1 first.
    const char* names[] = {"lt1", "dk1", "lt2", "dk2", "accent1", "accent2", "accent3", "accent4", "accent5", "accent6",
                           "hlink", "folHlink"};
    for (std::size_t i = 0; i < 12; ++i) {
        const auto slot = child(scheme, names[i]);
        if (auto srgb = child(slot, "srgbClr")) colors[i] = parse_argb(srgb.attribute("val").value(), colors[i]);
        else if (auto sys = child(slot, "sysClr")) colors[i] = parse_argb(sys.attribute("lastClr").value(), colors[i]);
    }
    return colors;
}

std::int32_t parse_color(pugi::xml_node color, const ThemeColors& theme, std::int32_t fallback) {
    if (!color) return fallback;
    std::int32_t out = fallback;
    if (auto rgb = color.attribute("rgb")) {
        out = parse_argb(rgb.value(), fallback);
    } else if (auto th = color.attribute("theme")) {
        const unsigned i = th.as_uint(99);
        if (i < theme.size()) out = theme[i];
    } else if (auto ix = color.attribute("indexed")) {
        const unsigned i = ix.as_uint(64);
        if (i < 64) out = rgb_to_bgr(kPalette[i]);
    }
    return apply_tint(out, color.attribute("tint").as_double(0));
}

FontPatch parse_font_patch(pugi::xml_node props, const ThemeColors& theme) {
    FontPatch f;
    for (auto p : props.children()) {
        const std::string_view n = local(p.name());
        if (n == "b") f.bold = flag(p);
        else if (n == "i") f.italic = flag(p);
        else if (n == "strike") f.strike = flag(p);
        else if (n == "u") f.underline = underline_of(p);
        else if (n == "sz" && p.attribute("val")) f.size = p.attribute("val").as_double(11);
        else if (n == "color") f.color = parse_color(p, theme, 0);
        else if ((n == "rFont" || n == "name") && p.attribute("val")) f.name = to_u16(p.attribute("val").value());
    }
    return f;
}

CharFont FontPatch::over(CharFont f) const {
    if (name) f.name = *name;
    if (size) f.size = *size;
    if (bold) f.bold = *bold;
    if (italic) f.italic = *italic;
    if (strike) f.strikethrough = *strike;
    if (underline) f.underline = *underline;
    if (color) f.color = *color;
    return f;
}

const CharFont& Styles::cell_font(std::size_t style) const {
    const std::size_t font = style < cell_formats.size() ? cell_formats[style].font : 0;
    return fonts[font < fonts.size() ? font : 0];
}

std::u16string Styles::format_code(std::size_t style) const {
    const int id = style < cell_formats.size() ? cell_formats[style].num_fmt : 0;
    if (auto it = custom_formats.find(id); it != custom_formats.end()) return it->second;
    std::u16string code = builtin_format(id);
    return code.empty() ? u"General" : code;
}

std::int32_t max_digit_px(const CharFont& font) {
    // Digit advance widths in ems, from the fonts' metrics (all digits of
    // these fonts are equally wide); other fonts are taken as half an em.
    static const std::pair<std::u16string_view, double> digits[] = {
        {u"calibri", 1038.0 / 2048}, {u"arial", 1139.0 / 2048}, {u"times new roman", 0.5}, {u"tms rmn", 0.5}};
    std::u16string name = font.name;
    for (auto& c : name)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    double em = 0.5;
    for (const auto& [n, w] : digits)
        if (name == n) em = w;
    const double size = std::clamp(font.size, 1.0, 409.0);
    return std::max<std::int32_t>(1, static_cast<std::int32_t>(std::lround(size * 96 / 72 * em)));
}

Styles default_styles() {
    Styles s;
    s.fonts.push_back(CharFont{});
    s.cell_formats.push_back({});
    return s;
}

Styles parse_styles(const pugi::xml_document& doc, const ThemeColors& theme) {
    Styles s;
    const auto root = doc.document_element();
    for (auto f : child(root, "fonts").children())
        if (local(f.name()) == "font") s.fonts.push_back(parse_font(f, CharFont{}, theme));
    if (s.fonts.empty()) s.fonts.push_back(CharFont{});
    for (auto n : child(root, "numFmts").children())
        if (local(n.name()) == "numFmt")
            s.custom_formats[n.attribute("numFmtId").as_int(-1)] = to_u16(n.attribute("formatCode").value());
    for (auto x : child(root, "cellXfs").children())
        if (local(x.name()) == "xf")
            s.cell_formats.push_back({x.attribute("fontId").as_uint(0), x.attribute("numFmtId").as_int(0)});
    if (s.cell_formats.empty()) s.cell_formats.push_back({});
    return s;
}

namespace {
void write_font(XmlWriter& w) {
    w.open("font");
    w.open("sz").attr("val", "11").close();
    w.open("color").attr("theme", "1").close();
    w.open("name").attr("val", "Calibri").close();
    w.open("family").attr("val", "2").close();
    w.open("scheme").attr("val", "minor").close();
    w.close();
}
void write_fill(XmlWriter& w, const char* pattern) {
    w.open("fill").open("patternFill").attr("patternType", pattern).close().close();
}
void write_border(XmlWriter& w) {
    w.open("border").leaf("left").leaf("right").leaf("top").leaf("bottom").leaf("diagonal").close();
}
void write_xf(XmlWriter& w, bool with_xf_id) {
    w.open("xf").attr("numFmtId", "0").attr("fontId", "0").attr("fillId", "0").attr("borderId", "0");
    if (with_xf_id) w.attr("xfId", "0");
    w.close();
}
}  // namespace

std::string write_minimal_styles() {
    XmlWriter w;
    w.open("styleSheet").attr("xmlns", "http://schemas.openxmlformats.org/spreadsheetml/2006/main");
    w.open("fonts").attr("count", "1");
    write_font(w);
    w.close();
    w.open("fills").attr("count", "2");
    write_fill(w, "none");
    write_fill(w, "gray125");
    w.close();
    w.open("borders").attr("count", "1");
    write_border(w);
    w.close();
    w.open("cellStyleXfs").attr("count", "1");
    write_xf(w, false);
    w.close();
    w.open("cellXfs").attr("count", "1");
    write_xf(w, true);
    w.close();
    w.open("cellStyles").attr("count", "1");
    w.open("cellStyle").attr("name", "Normal").attr("xfId", "0").attr("builtinId", "0").close();
    w.close();
    return w.take();
}

}  // namespace quill::xlsx::detail
