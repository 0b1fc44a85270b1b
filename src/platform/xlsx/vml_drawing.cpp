#include "platform/xlsx/vml_drawing.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <initializer_list>
#include <sstream>
#include <tuple>
#include <utility>

#include "ports/host_error.h"
#include "platform/xlsx/package.h"
#include "platform/xlsx/styles.h"
#include "platform/xlsx/xml_writer.h"

#include "platform/xlsx/xml_names.h"

namespace quill::xlsx::detail {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}
double to_double(std::string_view s, double fallback) {
    s = trim(s);
    double v = fallback;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() ? v : fallback;
}

// "a:b;c:d" -> {a: b, c: d}, names lower case.
std::map<std::string, std::string> parse_style(std::string_view style) {
    std::map<std::string, std::string> out;
    while (!style.empty()) {
        const auto semi = style.find(';');
        const std::string_view item = style.substr(0, semi);
        if (const auto colon = item.find(':'); colon != std::string_view::npos)
            out[lower(trim(item.substr(0, colon)))] = std::string(trim(item.substr(colon + 1)));
        if (semi == std::string_view::npos) break;
        style.remove_prefix(semi + 1);
    }
    return out;
}

// A CSS length in points.
double points(const std::string& s, double fallback) {
    const double v = to_double(s, std::nan(""));
    if (std::isnan(v)) return fallback;
    if (s.ends_with("px")) return v * 0.75;
    if (s.ends_with("in")) return v * 72;
    if (s.ends_with("cm")) return v * 72 / 2.54;
    if (s.ends_with("mm")) return v * 72 / 25.4;
    if (s.ends_with("pt")) return v;
    return v * 0.75;  // VML's bare numbers are pixels
}

std::string attr_local(pugi::xml_node n, std::string_view name) {
    for (auto a : n.attributes())
        if (local(a.name()) == name) return a.value();
    return {};
}

bool is_note(pugi::xml_node shape) {
    const auto data = child(shape, "ClientData");
    return data && std::string_view(data.attribute("ObjectType").value()) == "Note";
}

LoadedShape parse_note_shape(pugi::xml_node shape) {
    LoadedShape out;
    NoteShape& s = out.shape;
    const auto style = parse_style(shape.attribute("style").value());
    if (auto it = style.find("width"); it != style.end()) s.width = points(it->second, s.width);
    if (auto it = style.find("height"); it != style.end()) s.height = points(it->second, s.height);
    const auto data = child(shape, "ClientData");
    if (auto it = style.find("visibility"); it != style.end()) s.visible = lower(it->second) == "visible";
    if (child(data, "Visible")) s.visible = true;
    s.fill_color = parse_vml_color(attr_local(shape, "fillcolor"), s.fill_color);
    if (const auto fill = child(shape, "fill")) {
        for (auto a : fill.attributes()) {
            const std::string_view n = a.name();
            if (n == "r:id" || local(a.name()) == "relid") out.picture_rel = a.value();
        }
        s.picture_title = to_u16(attr_local(fill, "title"));
        if (fill.attribute("opacity")) s.opacity = parse_opacity(fill.attribute("opacity").value());
    }
    if (const auto box = child(shape, "textbox")) {
        const auto ts = parse_style(box.attribute("style").value());
        const auto flow = ts.count("layout-flow") ? lower(ts.at("layout-flow")) : "";
        const auto alt = ts.count("mso-layout-flow-alt") ? lower(ts.at("mso-layout-flow-alt")) : "";
        if (flow.starts_with("vertical") || !alt.empty())
            s.orientation = alt == "bottom-to-top" ? kUpward : alt == "top-to-bottom" ? kVertical : kDownward;
    }
    const std::string valign = lower(trim(child(data, "TextVAlign").text().get()));
    if (valign == "center") s.vertical_alignment = VerticalAlignment::Center;
    else if (valign == "bottom") s.vertical_alignment = VerticalAlignment::Bottom;
    else if (valign == "justify") s.vertical_alignment = VerticalAlignment::Justify;
    else if (valign == "distributed") s.vertical_alignment = VerticalAlignment::Distributed;
    if (const auto anchor = child(data, "Anchor")) {
        // Columns, rows and pixel offsets inside a cell; an anchor with a value
        // off the sheet is dropped, so the box goes to its default place.
        constexpr double kLimit[8] = {16383, 1 << 20, 1048575, 1 << 20, 16383, 1 << 20, 1048575, 1 << 20};
        int v[8];
        std::string_view text = anchor.text().get();
        int n = 0;
        while (n < 8 && !text.empty()) {
            const auto comma = text.find(',');
            const double d = to_double(text.substr(0, comma), 0);
            if (!(d >= 0 && d <= kLimit[n])) break;
            v[n++] = static_cast<int>(d);
            if (comma == std::string_view::npos) break;
            text.remove_prefix(comma + 1);
        }
        if (n == 8) s.anchor = Anchor{v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]};
    }
    out.row = child(data, "Row").text().as_int(0);
    out.col = child(data, "Column").text().as_int(0);
    return out;
}

}  // namespace

long shape_number(std::string_view id) {
    const auto pos = id.rfind("_s");
    if (!id.starts_with("_x0000_") || pos == std::string_view::npos) return -1;
    long v = -1;
    auto r = std::from_chars(id.data() + pos + 2, id.data() + id.size(), v);
    return r.ec == std::errc() && r.ptr == id.data() + id.size() ? v : -1;
}

std::vector<int> parse_idmap_list(std::string_view data) {
    std::vector<int> out;
    while (!data.empty()) {
        const auto comma = data.find(',');
        // Shape ids are 1024 * block + n in a long: larger blocks cannot be ours.
        const double v = to_double(data.substr(0, comma), -1);
        if (v >= 0 && v < (1 << 20)) out.push_back(static_cast<int>(v));
        if (comma == std::string_view::npos) break;
        data.remove_prefix(comma + 1);
    }
    return out;
}

namespace {

std::int64_t z_index(pugi::xml_node n) {
    const auto style = parse_style(n.attribute("style").value());
    const auto it = style.find("z-index");
    const double z = it == style.end() ? 0 : to_double(it->second, 0);
    return z > 0 && z < 1e15 ? static_cast<std::int64_t>(z) : 0;
}

pugi::xml_document parse_repaired(const VmlMarkup& markup, std::string_view name) {
    pugi::xml_document doc;
    const auto r = doc.load_buffer(markup.xml.data(), markup.xml.size(), pugi::parse_default | pugi::parse_ws_pcdata,
                                   pugi::encoding_utf8);
    if (!r) fail("part \"" + std::string(name) + "\" cannot be read as VML (" + r.description() + ")");
    return doc;
}

std::vector<pugi::xml_node> root_elements(const pugi::xml_document& doc) {
    std::vector<pugi::xml_node> out;
    for (auto n : doc.document_element().children())
        if (n.type() == pugi::node_element) out.push_back(n);
    return out;
}

}  // namespace

const LoadedShape* VmlPart::find(std::int32_t row, std::int32_t col) const {
    const auto it = by_cell.find({row, col});
    return it == by_cell.end() ? nullptr : &notes[it->second];
}

VmlPart parse_vml(Bytes bytes, std::string_view name) {
    VmlPart part;
    try {
        part.markup = read_vml_markup(*bytes);
    } catch (const Invalid& e) {
        fail("part \"" + std::string(name) + "\" cannot be read as VML (" + e.what() + ")");
    }
    part.bytes = std::move(bytes);
    const pugi::xml_document doc = parse_repaired(part.markup, name);
    const auto root = doc.document_element();
    for (auto a : root.attributes())
        if (std::string_view(a.name()).starts_with("xmlns:")) part.root_attributes.emplace_back(a.name(), a.value());
    const auto elements = root_elements(doc);
    if (elements.size() != part.markup.children.size()) fail("part \"" + std::string(name) + "\" cannot be read as VML");
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const auto n = elements[i];
        const std::string_view local_name = local(n.name());
        if (local_name == "shapelayout") {
            part.idmap = parse_idmap_list(child(n, "idmap").attribute("data").value());
            continue;
        }
        for (const char* attr : {"id", "o:spid"}) {
            const long id = shape_number(n.attribute(attr).value());
            if (id >= 0) part.shape_ids.insert(id);
        }
        part.max_z = std::max(part.max_z, z_index(n));
        if (local_name == "shape" && is_note(n)) {
            LoadedShape s = parse_note_shape(n);
            s.element = i;
            if (part.by_cell.emplace(std::make_pair(s.row, s.col), part.notes.size()).second)
                part.notes.push_back(std::move(s));
        } else if (local_name == "shapetype") {
            if (std::string_view(n.attribute("id").value()) == "_x0000_t202") part.note_shapetype = true;
        } else {
            part.other_shapes = true;
        }
    }
    // The repaired copy is made again when the part is written: a loaded
    // workbook holds each part's bytes once.
    std::string().swap(part.markup.xml);
    return part;
}

std::set<int> vml_blocks(const std::string& bytes) {
    std::set<int> blocks;
    try {
        const VmlPart part = parse_vml(std::make_shared<const std::string>(bytes), "");
        blocks.insert(part.idmap.begin(), part.idmap.end());
        for (long id : part.shape_ids) blocks.insert(static_cast<int>(id / 1024));
    } catch (const Invalid&) {
        // Whatever the markup, an id still names its block.
        for (auto at = bytes.find("_x0000_s"); at != std::string::npos; at = bytes.find("_x0000_s", at + 1)) {
            long id = -1;
            std::from_chars(bytes.data() + at + 8, bytes.data() + bytes.size(), id);
            if (id >= 0 && id < (1L << 30)) blocks.insert(static_cast<int>(id / 1024));
        }
    }
    return blocks;
}

double parse_opacity(std::string_view text) {
    text = trim(text);
    if (text.empty()) return 1;
    double v = 1;
    if (text.back() == '%') v = to_double(text.substr(0, text.size() - 1), 100) / 100;
    else if (text.back() == 'f' || text.back() == 'F') v = to_double(text.substr(0, text.size() - 1), 65536) / 65536;
    else v = to_double(text, 1);
    return std::clamp(v, 0.0, 1.0);
}

std::int32_t parse_vml_color(std::string_view text, std::int32_t fallback) {
    text = trim(text);
    if (const auto bracket = text.find(" ["); bracket != std::string_view::npos) text = trim(text.substr(0, bracket));
    if (text.empty()) return fallback;
    if (text.front() == '#') {
        std::string hex(text.substr(1));
        if (hex.size() == 3) hex = {hex[0], hex[0], hex[1], hex[1], hex[2], hex[2]};
        return parse_argb(hex, fallback);
    }
    static const std::map<std::string, std::uint32_t> named = {
        {"black", 0x000000},  {"white", 0xFFFFFF},  {"red", 0xFF0000},    {"lime", 0x00FF00},
        {"green", 0x008000},  {"blue", 0x0000FF},   {"yellow", 0xFFFF00}, {"fuchsia", 0xFF00FF},
        {"aqua", 0x00FFFF},   {"silver", 0xC0C0C0}, {"gray", 0x808080},   {"maroon", 0x800000},
        {"olive", 0x808000},  {"navy", 0x000080},   {"purple", 0x800080}, {"teal", 0x008080},
        {"infobackground", 0xFFFFE1}, {"infotext", 0x000000}, {"window", 0xFFFFFF}, {"windowtext", 0x000000}};
    if (auto it = named.find(lower(text)); it != named.end()) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%06X", it->second);
        return parse_argb(hex, fallback);
    }
    return fallback;
}

std::string vml_color(std::int32_t bgr) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    return buf;
}

SheetGrid::SheetGrid(const Sheet& sheet) : col_edges_(kColumns + 1, 0) {
    // Each column takes the first range that names it, as Sheet::column_width_px
    // does; `next` skips columns already given a width, so overlapping ranges
    // cost no more than disjoint ones.
    std::vector<std::int32_t> width(kColumns, -1), next(kColumns + 1);
    for (std::int32_t c = 0; c <= kColumns; ++c) next[c] = c;
    auto unset = [&](std::int32_t c) {
        std::int32_t root = c;
        while (next[root] != root) root = next[root];
        while (next[c] != root) c = std::exchange(next[c], root);
        return root;
    };
    for (const auto& range : sheet.columns) {
        if (range.last < 0 || range.first >= kColumns || range.first > range.last) continue;
        const std::int32_t px = range.px(sheet.digit_px);
        for (std::int32_t c = unset(std::max(range.first, 0)); c <= std::min(range.last, kColumns - 1); c = unset(c)) {
            width[c] = px;
            next[c] = c + 1;
        }
    }
    const std::int32_t default_px = sheet.default_column_width_px();
    for (std::int32_t c = 0; c < kColumns; ++c) col_edges_[c + 1] = col_edges_[c] + (width[c] < 0 ? default_px : width[c]);

    default_row_px_ = sheet.default_row_height_px();
    std::int64_t sum = 0;
    for (const auto& r : sheet.rows) {
        if (r.row < 0 || r.row >= kRows || (!listed_rows_.empty() && r.row <= listed_rows_.back())) continue;
        listed_rows_.push_back(r.row);
        sum += sheet.row_height_px(r.row) - default_row_px_;  // the first of equal rows, as there
        listed_delta_sum_.push_back(sum);
    }
}

std::int64_t SheetGrid::left_px(std::int32_t col) const { return col_edges_[std::clamp(col, 0, kColumns)]; }

std::int64_t SheetGrid::top_px(std::int32_t row) const {
    row = std::clamp(row, 0, kRows);
    const auto above = std::lower_bound(listed_rows_.begin(), listed_rows_.end(), row) - listed_rows_.begin();
    return std::int64_t{default_row_px_} * row + (above ? listed_delta_sum_[above - 1] : 0);
}

Anchor compute_anchor(const SheetGrid& grid, const Note& note) {
    Anchor a;
    if (note.shape->anchor) {
        a = *note.shape->anchor;
    } else {
        // Excel puts a new note one column right of its cell, reaching a row
        // above it, and passes over hidden columns and rows to the next shown
        // one (as the Excel-made sheetjs-comments_stress_test.xlsx shows).
        // Edges only grow, so the first shown line is found by bisection.
        auto first_shown = [](std::int32_t start, std::int32_t limit, auto edge) {
            std::int32_t lo = start, hi = limit - 1;
            while (lo < hi) {
                const std::int32_t mid = lo + (hi - lo) / 2;
                if (edge(mid + 1) > edge(start)) hi = mid;
                else lo = mid + 1;
            }
            return edge(lo + 1) > edge(start) ? lo : start;
        };
        // A drawing read from a file may name any cell: keep the start on the sheet.
        const auto on_sheet = [](std::int64_t line, std::int32_t lines) {
            return static_cast<std::int32_t>(std::clamp<std::int64_t>(line, 0, lines - 1));
        };
        a.left_col = first_shown(on_sheet(std::int64_t{note.col} + 1, SheetGrid::kColumns), SheetGrid::kColumns,
                                 [&](std::int32_t c) { return grid.left_px(c); });
        a.left_offset = 15;
        a.top_row = first_shown(on_sheet(std::int64_t{note.row} - 1, SheetGrid::kRows), SheetGrid::kRows,
                                [&](std::int32_t r) { return grid.top_px(r); });
        a.top_offset = note.row > 0 ? 10 : 2;
    }
    // The box ends in the first line past `start` whose far edge lies beyond
    // offset + length, or in the sheet's last line; edges only grow, so that
    // line is found by bisection.
    auto walk = [](std::int32_t start, std::int32_t offset, double length_pt, std::int32_t limit, auto edge,
                   std::int32_t& end, std::int32_t& end_offset) {
        const std::int64_t reach = offset + std::llround(length_pt * 4 / 3);
        if (start >= limit) {
            end = start;
            end_offset = static_cast<std::int32_t>(reach);
            return;
        }
        const std::int64_t target = edge(start) + reach;
        std::int32_t lo = start, hi = limit - 1;
        while (lo < hi) {
            const std::int32_t mid = lo + (hi - lo) / 2;
            if (edge(mid + 1) > target) hi = mid;
            else lo = mid + 1;
        }
        end = lo;
        end_offset = static_cast<std::int32_t>(target - edge(lo));
    };
    walk(a.left_col, a.left_offset, note.shape->width, SheetGrid::kColumns,
         [&](std::int32_t c) { return grid.left_px(c); }, a.right_col, a.right_offset);
    walk(a.top_row, a.top_offset, note.shape->height, SheetGrid::kRows, [&](std::int32_t r) { return grid.top_px(r); },
         a.bottom_row, a.bottom_offset);
    return a;
}

namespace {

// Sizes keep what a scaled box needs (39.75pt * 1.75 = 69.5625pt) and no float noise.
std::string pt(double v) { return number_text(std::round(v * 1e6) / 1e6) + "pt"; }

// The box's top-left corner in points from the sheet's corner, as the
// anchor's first four values give it.
std::string margin_left(const SheetGrid& grid, const Anchor& a) {
    return pt(static_cast<double>(a.left_offset + grid.left_px(a.left_col)) * 0.75);
}
std::string margin_top(const SheetGrid& grid, const Anchor& a) {
    return pt(static_cast<double>(a.top_offset + grid.top_px(a.top_row)) * 0.75);
}

std::string shape_style(const SheetGrid& grid, const Note& n, const Anchor& a, std::int64_t z) {
    return "position:absolute;margin-left:" + margin_left(grid, a) + ";margin-top:" + margin_top(grid, a) + ";width:" + pt(n.shape->width) +
           ";height:" + pt(n.shape->height) + ";z-index:" + std::to_string(z) +
           ";visibility:" + (n.shape->visible ? "visible" : "hidden");
}

void write_shapelayout(XmlWriter& w, const std::vector<int>& idmap) {
    std::string data;
    for (int id : idmap) data += (data.empty() ? "" : ",") + std::to_string(id);
    w.open("o:shapelayout").attr("v:ext", "edit");
    w.open("o:idmap").attr("v:ext", "edit").attr("data", data).close();
    w.close();
}

void write_shapetype(XmlWriter& w) {
    w.open("v:shapetype").attr("id", "_x0000_t202").attr("coordsize", "21600,21600").attr("o:spt", "202");
    w.attr("path", "m,l,21600r21600,l21600,xe");
    w.open("v:stroke").attr("joinstyle", "miter").close();
    w.open("v:path").attr("gradientshapeok", "t").attr("o:connecttype", "rect").close();
    w.close();
}

void write_fill(XmlWriter& w, const NoteShape& s, const std::string& picture_rel) {
    w.open("v:fill");
    if (!picture_rel.empty()) {
        w.attr("o:relid", picture_rel);
        if (!s.picture_title.empty()) w.attr("o:title", to_utf8(s.picture_title));
        w.attr("recolor", "t").attr("rotate", "t").attr("type", "frame");
    }
    w.attr("color2", vml_color(s.fill_color));
    if (s.opacity < 1) w.attr("opacity", number_text(std::round(std::max(0.0, s.opacity) * 1e6) / 1e6));
    w.close();
}

// layout-flow and mso-layout-flow-alt of the textbox style ("" for none).
// Excel reads top-to-bottom as stacked letters ([MS-OI29500] 2.1.1811).
std::pair<const char*, const char*> text_flow(std::int32_t orientation) {
    switch (orientation) {
    case kUpward: return {"vertical", "bottom-to-top"};
    case kDownward: return {"vertical", ""};
    case kVertical: return {"vertical", "top-to-bottom"};
    default: return {"", ""};
    }
}

void write_textbox(XmlWriter& w, const NoteShape& s) {
    const auto [flow, alt] = text_flow(s.orientation);
    std::string style = "mso-direction-alt:auto";
    if (*flow) style += std::string(";layout-flow:") + flow;
    if (*alt) style += std::string(";mso-layout-flow-alt:") + alt;
    w.open("v:textbox").attr("style", style);
    w.open("div").attr("style", "text-align:left").text("").close();
    w.close();
}

const char* valign_name(VerticalAlignment v) {
    switch (v) {
    case VerticalAlignment::Center: return "Center";
    case VerticalAlignment::Bottom: return "Bottom";
    case VerticalAlignment::Justify: return "Justify";
    case VerticalAlignment::Distributed: return "Distributed";
    default: return nullptr;
    }
}

std::string anchor_text(const Anchor& a) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%d, %d, %d, %d, %d, %d, %d, %d", a.left_col, a.left_offset, a.top_row,
                  a.top_offset, a.right_col, a.right_offset, a.bottom_row, a.bottom_offset);
    return buf;
}

void write_client_data(XmlWriter& w, const Note& n, const Anchor& a) {
    w.open("x:ClientData").attr("ObjectType", "Note");
    w.leaf("x:MoveWithCells").leaf("x:SizeWithCells");
    w.open("x:Anchor").text(anchor_text(a)).close();
    w.open("x:AutoFill").text("False").close();
    if (const char* v = valign_name(n.shape->vertical_alignment)) w.open("x:TextVAlign").text(v).close();
    w.open("x:Row").text(std::to_string(n.row)).close();
    w.open("x:Column").text(std::to_string(n.col)).close();
    if (n.shape->visible) w.leaf("x:Visible");
    w.close();
}

void write_shape(XmlWriter& w, const SheetGrid& grid, const ShapeToWrite& s, std::int64_t z) {
    const Note& n = *s.note;
    const Anchor a = compute_anchor(grid, n);
    w.open("v:shape").attr("id", "_x0000_s" + std::to_string(s.id)).attr("type", "#_x0000_t202");
    w.attr("style", shape_style(grid, n, a, z)).attr("fillcolor", vml_color(n.shape->fill_color));
    w.attr("o:insetmode", "auto");
    write_fill(w, n.shape, s.picture_rel);
    w.open("v:shadow").attr("on", "t").attr("color", "black").attr("obscured", "t").close();
    w.open("v:path").attr("o:connecttype", "none").close();
    write_textbox(w, n.shape);
    write_client_data(w, n, a);
    w.close();
}

std::string without_declaration(std::string text) {
    const auto end = text.find("?>");
    if (end == std::string::npos) return text;
    auto from = end + 2;
    while (from < text.size() && (text[from] == '\r' || text[from] == '\n')) ++from;
    return text.substr(from);
}

// `style` with property `name` set to `value`, or without it when `value` is
// empty; every other property keeps its text, line breaks included.
std::string with_style(std::string_view style, std::string_view name, std::string_view value) {
    std::string out;
    bool found = false, first = true;
    for (;;) {
        const auto semi = style.find(';');
        const std::string_view item = style.substr(0, semi);
        const auto colon = item.find(':');
        const std::string_view key = colon == std::string_view::npos ? std::string_view() : trim(item.substr(0, colon));
        if (!key.empty() && lower(key) == name) {
            if (!found && !value.empty()) {
                out += first ? "" : ";";
                out.append(item.substr(0, item.find(key))).append(name).append(":").append(value);
                first = false;
            }
            found = true;
        } else {
            out.append(first ? "" : ";").append(item);
            first = false;
        }
        if (semi == std::string_view::npos) break;
        style.remove_prefix(semi + 1);
    }
    if (!found && !value.empty()) {
        if (!trim(out).empty() && trim(out).back() != ';') out += ';';
        out.append(name).append(":").append(value);
    }
    return out;
}

std::string prefix_of(pugi::xml_node n) {
    const std::string_view name = n.name();
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? std::string() : std::string(name.substr(0, colon + 1));
}

pugi::xml_attribute attribute(pugi::xml_node n, std::string_view local_name) {
    for (auto a : n.attributes())
        if (local(a.name()) == local_name && !std::string_view(a.name()).starts_with("xmlns")) return a;
    return {};
}

void set_attribute(pugi::xml_node n, std::string_view local_name, const std::string& name, const std::string& value) {
    auto a = attribute(n, local_name);
    if (!a) a = n.append_attribute(name.c_str());
    a.set_value(value.c_str());
}

void remove_attribute(pugi::xml_node n, std::string_view local_name) {
    while (auto a = attribute(n, local_name)) n.remove_attribute(a);
}

void remove_children(pugi::xml_node n, std::string_view local_name) {
    while (auto c = child(n, local_name)) n.remove_child(c);
}

// The child `local_name` of `parent`; a new one goes before the first child
// named in `before`, as Excel orders them, or last.
pugi::xml_node child_or_new(pugi::xml_node parent, std::string_view local_name, const std::string& prefix,
                            std::initializer_list<std::string_view> before) {
    if (auto c = child(parent, local_name)) return c;
    const std::string name = prefix + std::string(local_name);
    for (auto c : parent.children())
        if (c.type() == pugi::node_element && std::find(before.begin(), before.end(), local(c.name())) != before.end())
            return parent.insert_child_before(name.c_str(), c);
    return parent.append_child(name.c_str());
}

std::string opacity_text(double opacity) { return number_text(std::round(std::max(0.0, opacity) * 1e6) / 1e6); }

// Writes into an existing note shape what differs between the shape as loaded
// (`was`) and the note's shape now; everything else in it stays.
void patch_shape(pugi::xml_node shape, const SheetGrid& grid, const NoteShape& was, const ShapeToWrite& s) {
    const Note& n = *s.note;
    const NoteShape& now = n.shape;
    const auto data = child(shape, "ClientData");
    const std::string xp = prefix_of(data), vp = prefix_of(shape);
    auto style_attr = shape.attribute("style");
    if (!style_attr) style_attr = shape.append_attribute("style");
    std::string style = style_attr.value();
    if (now.width != was.width || now.height != was.height || now.anchor != was.anchor) {
        const Anchor a = compute_anchor(grid, n);
        if (now.width != was.width) style = with_style(style, "width", pt(now.width));
        if (now.height != was.height) style = with_style(style, "height", pt(now.height));
        const auto corner = [](const Anchor& x) { return std::tie(x.left_col, x.left_offset, x.top_row, x.top_offset); };
        if (!was.anchor || corner(*was.anchor) != corner(a)) {
            style = with_style(style, "margin-left", margin_left(grid, a));
            style = with_style(style, "margin-top", margin_top(grid, a));
        }
        if (!was.anchor || *was.anchor != a)
            child_or_new(data, "Anchor", xp, {"AutoFill", "TextVAlign", "Row", "Column"}).text().set(anchor_text(a).c_str());
    }
    if (now.visible != was.visible) {
        style = with_style(style, "visibility", now.visible ? "visible" : "hidden");
        if (now.visible) child_or_new(data, "Visible", xp, {});
        else remove_children(data, "Visible");
    }
    style_attr.set_value(style.c_str());
    if (now.fill_color != was.fill_color) set_attribute(shape, "fillcolor", "fillcolor", vml_color(now.fill_color));
    const bool picture = !(now.picture == was.picture) || now.picture_title != was.picture_title;
    if (picture || now.opacity != was.opacity) {
        auto fill = child_or_new(shape, "fill", vp, {"shadow", "path", "textbox", "ClientData"});
        if (picture) {
            remove_attribute(fill, "relid");
            fill.remove_attribute("r:id");
            remove_attribute(fill, "title");
            if (now.picture) {
                set_attribute(fill, "relid", "o:relid", s.picture_rel);
                if (!now.picture_title.empty()) set_attribute(fill, "title", "o:title", to_utf8(now.picture_title));
                set_attribute(fill, "type", "type", "frame");
                if (!attribute(fill, "recolor")) fill.append_attribute("recolor") = "t";
                if (!attribute(fill, "rotate")) fill.append_attribute("rotate") = "t";
            } else if (std::string_view(attribute(fill, "type").value()) == "frame") {
                remove_attribute(fill, "type");
            }
        }
        if (now.opacity != was.opacity) {
            if (now.opacity < 1) set_attribute(fill, "opacity", "opacity", opacity_text(now.opacity));
            else remove_attribute(fill, "opacity");
        }
    }
    if (now.orientation != was.orientation) {
        auto box = child(shape, "textbox");
        if (!box) {
            box = child_or_new(shape, "textbox", vp, {"ClientData"});
            box.append_child("div").append_attribute("style") = "text-align:left";
        }
        auto box_style = box.attribute("style");
        if (!box_style) box_style = box.append_attribute("style");
        const auto [flow, alt] = text_flow(now.orientation);
        box_style.set_value(with_style(with_style(box_style.value(), "layout-flow", flow), "mso-layout-flow-alt", alt).c_str());
    }
    if (now.vertical_alignment != was.vertical_alignment) {
        if (const char* v = valign_name(now.vertical_alignment))
            child_or_new(data, "TextVAlign", xp, {"Row", "Column"}).text().set(v);
        else
            remove_children(data, "TextVAlign");
    }
}

void collect_values(pugi::xml_node n, std::set<std::string>& values) {
    for (auto a : n.attributes()) values.insert(a.value());
    for (auto c : n.children()) collect_values(c, values);
}

// HTML's elements in a textbox keep their end tags (<div></div>), as Excel
// writes them; VML's own empty elements stay self-closed.
void keep_html_end_tags(pugi::xml_node n) {
    for (auto c : n.children()) {
        if (c.type() != pugi::node_element) continue;
        const std::string_view name = c.name();
        if (!c.first_child() && name.find(':') == std::string_view::npos && name != "br")
            c.append_child(pugi::node_pcdata);
        keep_html_end_tags(c);
    }
}

std::string printed(pugi::xml_node n) {
    keep_html_end_tags(n);
    std::ostringstream out;
    n.print(out, "", pugi::format_raw);
    return out.str();
}

using Cell = std::pair<std::int32_t, std::int32_t>;

WrittenVml write_new_vml(const VmlPart* base, const std::vector<int>& idmap, const Sheet& sheet,
                         const std::vector<ShapeToWrite>& shapes) {
    WrittenVml out;
    XmlWriter body;
    std::vector<std::pair<std::string, std::string>> ns = {{"xmlns:v", kVmlNs}, {"xmlns:o", kOfficeNs}, {"xmlns:x", kExcelNs}};
    if (base)
        for (const auto& a : base->root_attributes)
            if (std::none_of(ns.begin(), ns.end(), [&](auto& n) { return n.first == a.first; })) ns.push_back(a);
    body.open("xml");
    for (const auto& [k, v] : ns) body.attr(k, v);
    write_shapelayout(body, idmap);
    write_shapetype(body);
    const SheetGrid grid(sheet);
    std::int64_t z = 1;
    for (const auto& s : shapes) {
        write_shape(body, grid, s, z++);
        out.values.insert(s.picture_rel);
    }
    // VML parts carry no XML declaration in Excel's files.
    out.text = without_declaration(body.take());
    return out;
}

}  // namespace

Cells cells_of(const std::vector<Note>& notes) {
    Cells out;
    for (const auto& n : notes) out.insert({n.row, n.col});
    return out;
}

const LoadedShape* kept_shape(const VmlPart* base, const Cells& loaded, const Note& n) {
    return base && loaded.count({n.row, n.col}) ? base->find(n.row, n.col) : nullptr;
}

WrittenVml write_vml(const VmlPart* base, const std::vector<Note>& loaded, const std::vector<int>& idmap,
                     const Sheet& sheet, const std::vector<ShapeToWrite>& shapes) {
    if (!base || base->markup.root_empty) return write_new_vml(base, idmap, sheet, shapes);
    const std::string& text = *base->bytes;
    const VmlMarkup markup = read_vml_markup(text);  // read before, so it reads again
    pugi::xml_document doc = parse_repaired(markup, "");
    const auto elements = root_elements(doc);
    enum class Act { Keep, Drop, Replace };
    std::vector<Act> act(elements.size(), Act::Keep);
    std::vector<std::string> replaced(elements.size());

    std::map<Cell, const Note*> before;
    for (const auto& n : loaded) before.emplace(Cell{n.row, n.col}, &n);
    const Cells loaded_cells = cells_of(loaded);
    Cells now;
    for (const auto& s : shapes) now.insert({s.note->row, s.note->col});
    // A deleted note's shape goes; so does a shape without a note when a new
    // note takes its cell, since that note gets a shape of its own.
    for (const auto& ls : base->notes)
        if (before.count({ls.row, ls.col}) != now.count({ls.row, ls.col})) act[ls.element] = Act::Drop;

    const SheetGrid grid(sheet);
    WrittenVml out;
    XmlWriter added;
    bool any_added = false, any_patched = false;
    std::int64_t z = base->max_z;
    if (!base->note_shapetype) write_shapetype(added);
    for (const auto& s : shapes) {
        if (const LoadedShape* ls = kept_shape(base, loaded_cells, *s.note)) {
            const Later<NoteShape>& was = before.at({ls->row, ls->col})->shape;
            if (was == s.note->shape) continue;
            patch_shape(elements[ls->element], grid, was.get(), s);
            act[ls->element] = Act::Replace;
            any_patched = true;
        } else {
            // A new shape goes above every other, as Excel stacks a new one.
            write_shape(added, grid, s, ++z);
            out.values.insert(s.picture_rel);
            any_added = true;
        }
    }
    for (std::size_t i = 0; i < elements.size(); ++i)
        if (act[i] != Act::Drop) {
            collect_values(elements[i], out.values);
            if (act[i] == Act::Replace) replaced[i] = printed(elements[i]);
        }

    std::string declarations;
    if (any_added || any_patched)
        for (const auto& ns : {std::pair{"xmlns:v", kVmlNs}, {"xmlns:o", kOfficeNs}, {"xmlns:x", kExcelNs}})
            if (std::none_of(base->root_attributes.begin(), base->root_attributes.end(),
                             [&](const auto& a) { return a.first == ns.first; }))
                declarations += std::string(" ") + ns.first + "=\"" + ns.second + "\"";
    std::string layout;
    if (std::set<int>(idmap.begin(), idmap.end()) != std::set<int>(base->idmap.begin(), base->idmap.end())) {
        XmlWriter w;
        write_shapelayout(w, idmap);
        layout = without_declaration(w.take());
    }

    std::string& o = out.text;
    o.reserve(text.size() + 1024);
    o.append(text, 0, markup.root_tag_end).append(declarations).append(">");
    std::size_t pos = markup.root_tag_end + 1;
    const bool has_layout =
        std::any_of(elements.begin(), elements.end(), [](pugi::xml_node n) { return local(n.name()) == "shapelayout"; });
    if (!has_layout) o += layout;  // a part without one gets it first of all
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const auto span = markup.children[i];
        o.append(text, pos, span.begin - pos);
        pos = span.end;
        if (!layout.empty() && local(elements[i].name()) == "shapelayout") {
            o += layout;
            layout.clear();
        } else if (act[i] == Act::Keep) {
            o.append(text, span.begin, span.end - span.begin);
        } else if (act[i] == Act::Replace) {
            o += replaced[i];
        }
    }
    if (any_added) o += without_declaration(added.take());
    o.append(text, pos, std::string::npos);
    return out;
}

}  // namespace quill::xlsx::detail
