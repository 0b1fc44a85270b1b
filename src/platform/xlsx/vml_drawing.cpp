#include "platform/xlsx/vml_drawing.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
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

void collect_values(pugi::xml_node n, std::set<std::string>& values) {
    for (auto a : n.attributes()) values.insert(a.value());
    for (auto c : n.children()) collect_values(c, values);
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

std::vector<int> parse_idmap(const pugi::xml_document& doc) {
    return parse_idmap_list(child(child(doc.document_element(), "shapelayout"), "idmap").attribute("data").value());
}

VmlPart parse_vml(const pugi::xml_document& doc) {
    VmlPart part;
    const auto root = doc.document_element();
    for (auto a : root.attributes())
        if (std::string_view(a.name()).starts_with("xmlns:")) part.root_attributes.emplace_back(a.name(), a.value());
    part.idmap = parse_idmap(doc);
    for (auto n : root.children()) {
        if (n.type() != pugi::node_element) continue;
        const std::string_view name = local(n.name());
        if (name == "shapelayout") continue;
        if (name == "shape" && is_note(n)) {
            part.notes.push_back(parse_note_shape(n));
            continue;
        }
        if (name == "shapetype") {
            if (std::string_view(n.attribute("id").value()) == "_x0000_t202") part.kept_note_shapetype = true;
        } else {
            part.kept_shapes = true;
        }
        for (const char* attr : {"id", "o:spid"}) {
            const long id = shape_number(n.attribute(attr).value());
            if (id >= 0) part.kept_shape_ids.insert(id);
        }
        collect_values(n, part.kept_values);
        std::ostringstream out;
        n.print(out, "", pugi::format_raw);
        part.kept.push_back(out.str());
    }
    return part;
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
        const std::int32_t px = range.px();
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
    if (note.shape.anchor) {
        a = *note.shape.anchor;
    } else {
        // Excel puts a new note one column right of its cell, reaching a row above it.
        a.left_col = std::min(note.col + 1, 16383);
        a.left_offset = 15;
        a.top_row = note.row > 0 ? note.row - 1 : 0;
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
    walk(a.left_col, a.left_offset, note.shape.width, SheetGrid::kColumns,
         [&](std::int32_t c) { return grid.left_px(c); }, a.right_col, a.right_offset);
    walk(a.top_row, a.top_offset, note.shape.height, SheetGrid::kRows, [&](std::int32_t r) { return grid.top_px(r); },
         a.bottom_row, a.bottom_offset);
    return a;
}

namespace {

std::string pt(double v) { return number_text(std::round(v * 1000) / 1000) + "pt"; }

std::string shape_style(const SheetGrid& grid, const Note& n, const Anchor& a, std::size_t z) {
    const std::int64_t left = a.left_offset + grid.left_px(a.left_col), top = a.top_offset + grid.top_px(a.top_row);
    return "position:absolute;margin-left:" + pt(static_cast<double>(left) * 0.75) +
           ";margin-top:" + pt(static_cast<double>(top) * 0.75) + ";width:" + pt(n.shape.width) +
           ";height:" + pt(n.shape.height) + ";z-index:" + std::to_string(z) +
           ";visibility:" + (n.shape.visible ? "visible" : "hidden");
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

const char* text_flow(std::int32_t orientation) {
    switch (orientation) {
    case kUpward: return ";layout-flow:vertical;mso-layout-flow-alt:bottom-to-top";
    case kDownward: return ";layout-flow:vertical";
    case kVertical: return ";layout-flow:vertical;mso-layout-flow-alt:top-to-bottom";
    default: return "";
    }
}

void write_textbox(XmlWriter& w, const NoteShape& s) {
    w.open("v:textbox").attr("style", std::string("mso-direction-alt:auto") + text_flow(s.orientation));
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

void write_anchor(XmlWriter& w, const Anchor& a) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%d, %d, %d, %d, %d, %d, %d, %d", a.left_col, a.left_offset, a.top_row,
                  a.top_offset, a.right_col, a.right_offset, a.bottom_row, a.bottom_offset);
    w.open("x:Anchor").text(buf).close();
}

void write_client_data(XmlWriter& w, const Note& n, const Anchor& a) {
    w.open("x:ClientData").attr("ObjectType", "Note");
    w.leaf("x:MoveWithCells").leaf("x:SizeWithCells");
    write_anchor(w, a);
    w.open("x:AutoFill").text("False").close();
    if (const char* v = valign_name(n.shape.vertical_alignment)) w.open("x:TextVAlign").text(v).close();
    w.open("x:Row").text(std::to_string(n.row)).close();
    w.open("x:Column").text(std::to_string(n.col)).close();
    if (n.shape.visible) w.leaf("x:Visible");
    w.close();
}

void write_shape(XmlWriter& w, const SheetGrid& grid, const ShapeToWrite& s, std::size_t z) {
    const Note& n = *s.note;
    const Anchor a = compute_anchor(grid, n);
    w.open("v:shape").attr("id", "_x0000_s" + std::to_string(s.id)).attr("type", "#_x0000_t202");
    w.attr("style", shape_style(grid, n, a, z)).attr("fillcolor", vml_color(n.shape.fill_color));
    w.attr("o:insetmode", "auto");
    write_fill(w, n.shape, s.picture_rel);
    w.open("v:shadow").attr("on", "t").attr("color", "black").attr("obscured", "t").close();
    w.open("v:path").attr("o:connecttype", "none").close();
    write_textbox(w, n.shape);
    write_client_data(w, n, a);
    w.close();
}

}  // namespace

std::string write_vml(const VmlPart* base, const std::vector<int>& idmap, const Sheet& sheet,
                      const std::vector<ShapeToWrite>& shapes) {
    XmlWriter body;
    std::vector<std::pair<std::string, std::string>> ns = {{"xmlns:v", kVmlNs}, {"xmlns:o", kOfficeNs}, {"xmlns:x", kExcelNs}};
    if (base)
        for (const auto& a : base->root_attributes)
            if (std::none_of(ns.begin(), ns.end(), [&](auto& n) { return n.first == a.first; })) ns.push_back(a);
    body.open("xml");
    for (const auto& [k, v] : ns) body.attr(k, v);
    write_shapelayout(body, idmap);
    if (base)
        for (const auto& k : base->kept) body.raw(k);
    if (!base || !base->kept_note_shapetype) write_shapetype(body);
    const SheetGrid grid(sheet);
    std::size_t z = 1;
    for (const auto& s : shapes) write_shape(body, grid, s, z++);
    // VML parts carry no XML declaration in Excel's files.
    std::string text = body.take();
    return text.substr(text.find("<xml"));
}

}  // namespace quill::xlsx::detail
