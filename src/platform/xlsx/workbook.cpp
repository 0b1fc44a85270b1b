#include "platform/xlsx/workbook.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "ports/host_error.h"
#include "platform/xlsx/number_format.h"
#include "platform/xlsx/package.h"
#include "platform/xlsx/relationships.h"
#include "platform/xlsx/xml_writer.h"

#include "platform/xlsx/xml_names.h"

namespace quill::xlsx::detail {

namespace {
// The r:id of an element, whatever prefix the file bound to the namespace.
std::string rel_id_of(pugi::xml_node n) {
    for (auto a : n.attributes()) {
        const std::string_view name = a.name();
        if (name.size() > 3 && name.ends_with(":id")) return a.value();
    }
    return {};
}
bool truthy(pugi::xml_attribute a) {
    const std::string_view v = a.value();
    return v == "1" || v == "true";
}
}  // namespace

WorkbookInfo parse_workbook(const pugi::xml_document& doc) {
    WorkbookInfo info;
    const auto root = doc.document_element();
    info.date1904 = truthy(child(root, "workbookPr").attribute("date1904"));
    for (auto s : child(root, "sheets").children())
        if (local(s.name()) == "sheet") info.sheets.push_back({to_u16(s.attribute("name").value()), rel_id_of(s)});
    return info;
}

bool parse_cell_ref(std::string_view ref, std::int32_t& row, std::int32_t& col) {
    std::size_t i = 0;
    std::int64_t c = 0, r = 0;
    while (i < ref.size() && std::isalpha(static_cast<unsigned char>(ref[i]))) {
        c = c * 26 + (std::toupper(static_cast<unsigned char>(ref[i])) - 'A' + 1);
        if (c > 16384) return false;
        ++i;
    }
    const std::size_t digits = i;
    while (i < ref.size() && std::isdigit(static_cast<unsigned char>(ref[i]))) {
        r = r * 10 + (ref[i] - '0');
        if (r > 1048576) return false;
        ++i;
    }
    if (digits == 0 || i == digits || i != ref.size() || r == 0) return false;
    row = static_cast<std::int32_t>(r - 1);
    col = static_cast<std::int32_t>(c - 1);
    return true;
}

namespace {

void parse_cell(pugi::xml_node c, std::int32_t row, std::int32_t col, const CellContext& ctx, std::vector<Cell>& cells) {
    const std::string_view t = c.attribute("t").value();
    const auto v = child(c, "v");
    const std::size_t style = c.attribute("s").as_uint(0);
    const CharFont& font = ctx.styles->cell_font(style);
    Cell cell;
    cell.row = row;
    cell.col = col;
    cell.format = ctx.styles->format_code(style);
    const std::string ref = cell_name(row, col);
    auto string_cell = [&](const StoredString& s) {
        cell.type = CellType::String;
        cell.string = plain(s);
        const std::u16string shown = format_text(cell.string, cell.format);
        cell.display = shown == cell.string ? apply_fonts(s, font) : RunList{{shown, font}};
    };
    if (t == "s") {
        if (!v) return;
        const auto index = static_cast<std::size_t>(v.text().as_ullong(~0ULL));
        if (!ctx.shared_strings || index >= ctx.shared_strings->size())
            fail("cell " + ref + " refers to a shared string that does not exist");
        string_cell((*ctx.shared_strings)[index]);
    } else if (t == "inlineStr") {
        string_cell(parse_string_item(child(c, "is"), *ctx.theme));
    } else if (t == "str" || t == "d") {
        if (!v) return;
        string_cell({{element_text(v), std::nullopt}});
    } else if (t == "b") {
        if (!v) return;
        cell.type = CellType::Boolean;
        cell.number = v.text().as_int() ? 1 : 0;
        cell.display = {{cell.number ? u"TRUE" : u"FALSE", font}};
    } else if (t == "e") {
        if (!v) return;
        cell.type = CellType::Error;
        cell.string = to_u16(v.text().get());
        cell.display = {{cell.string, font}};
    } else {
        if (!v) return;
        cell.type = CellType::Number;
        cell.number = v.text().as_double();
        cell.display = {{quill::xlsx::format_number(cell.number, cell.format, ctx.date1904), font}};
    }
    if (cell.display.size() == 1 && cell.display[0].text.empty()) cell.display.clear();
    cells.push_back(std::move(cell));
}

// The worksheet with its <sheetData> emptied, or "" when its rows cannot be
// cut out by their text alone: comments, CDATA sections and processing
// instructions may hide markup, the name may stand elsewhere too, and a cut
// that leaves no well-formed rest falls back to reading the whole part.
// Only rare characters and the whole name are searched for, so that a large
// sheet costs little more than its expansion.
std::string without_sheet_data(std::string_view xml) {
    std::size_t decl = xml.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    if (xml.substr(decl).starts_with("<?")) decl = xml.find("?>", decl);
    if (decl == std::string_view::npos) return {};
    for (const char c : {'!', '?'})
        for (std::size_t i = xml.find(c, decl + 1); i != std::string_view::npos; i = xml.find(c, i + 1))
            if (xml[i - 1] == '<') return {};
    const std::size_t root = xml.find('<', decl);
    if (root == std::string_view::npos) return {};
    const std::size_t name_end = xml.find_first_of(" \t\r\n/>", root);
    if (name_end == std::string_view::npos) return {};
    const std::string_view root_name = xml.substr(root + 1, name_end - root - 1);
    const std::size_t colon = root_name.find(':');
    const std::string tag = std::string(colon == std::string_view::npos ? "" : root_name.substr(0, colon + 1)) + "sheetData";
    const std::boyer_moore_horspool_searcher search(tag.begin(), tag.end());
    std::size_t open = std::string_view::npos, close = std::string_view::npos;
    for (auto it = xml.begin();;) {
        const auto hit = std::search(it, xml.end(), search);
        if (hit == xml.end()) break;
        const auto at = static_cast<std::size_t>(hit - xml.begin());
        const std::size_t after = at + tag.size();
        if (at < 2 || after >= xml.size() || std::string_view(" \t\r\n/>").find(xml[after]) == std::string_view::npos) return {};
        if (xml[at - 1] == '<' && open == std::string_view::npos) open = at - 1;
        else if (xml[at - 1] == '/' && xml[at - 2] == '<' && close == std::string_view::npos) close = at - 2;
        else return {};
        it = hit + 1;
    }
    if (open == std::string_view::npos) return {};
    // The start tag ends at the first '>' outside quotes.
    char quote = 0;
    std::size_t end = open + 1 + tag.size();
    for (; end < xml.size(); ++end) {
        if (quote) quote = xml[end] == quote ? 0 : quote;
        else if (xml[end] == '"' || xml[end] == '\'') quote = xml[end];
        else if (xml[end] == '>') break;
    }
    if (end == xml.size()) return {};
    if ((xml[end - 1] == '/') != (close == std::string_view::npos)) return {};
    if (close != std::string_view::npos) {
        if (close < end) return {};
        end = xml.find('>', close);
        if (end == std::string_view::npos) return {};
    }
    std::string out;
    out.reserve(open + xml.size() - end + tag.size() + 3);
    out.append(xml.substr(0, open)).append("<").append(tag).append("/>").append(xml.substr(end + 1));
    return out;
}

}  // namespace

SheetHead parse_worksheet_head(const std::string& xml, std::string_view part) {
    SheetHead sheet;
    pugi::xml_document doc;
    if (const std::string cut = without_sheet_data(xml);
        cut.empty() || !doc.load_buffer(cut.data(), cut.size(), pugi::parse_default | pugi::parse_ws_pcdata_single, pugi::encoding_auto))
        doc = parse_xml(xml, part);
    const auto root = doc.document_element();
    for (auto n : root.children()) {
        const std::string_view name = local(n.name());
        if (name == "sheetProtection") {
            sheet.protect_contents = truthy(n.attribute("sheet"));
        } else if (name == "sheetFormatPr") {
            if (auto w = n.attribute("defaultColWidth")) sheet.default_column_width = w.as_double();
            if (auto w = n.attribute("baseColWidth")) sheet.base_column_width = std::clamp(w.as_int(8), 0, 255);
            sheet.default_row_height = n.attribute("defaultRowHeight").as_double(15);
        } else if (name == "cols") {
            for (auto col : n.children()) {
                if (local(col.name()) != "col") continue;
                const int first = col.attribute("min").as_int(1), last = col.attribute("max").as_int(first);
                if (first < 1 || last < first) continue;
                sheet.columns.push_back({first - 1, std::min(last, 16384) - 1, col.attribute("width").as_double(0),
                                         truthy(col.attribute("hidden"))});
            }
        } else if (name == "legacyDrawing") {
            sheet.legacy_rel = rel_id_of(n);
        }
    }
    return sheet;
}

void parse_sheet_data(const pugi::xml_document& doc, const CellContext& ctx, std::u16string_view sheet_name,
                      double default_row_height, std::vector<Cell>* cells, std::vector<RowHeight>* rows) {
    for (auto n : doc.document_element().children()) {
        if (local(n.name()) != "sheetData") continue;
        std::int32_t row = -1;
        for (auto r : n.children()) {
            if (local(r.name()) != "row") continue;
            row = r.attribute("r") ? r.attribute("r").as_int() - 1 : row + 1;
            if (row < 0 || row >= 1048576)
                fail("row number out of range in sheet \"" + to_utf8(std::u16string(sheet_name)) + "\"");
            const bool hidden = truthy(r.attribute("hidden"));
            if (rows && (r.attribute("ht") || hidden))
                rows->push_back({row, r.attribute("ht").as_double(default_row_height), hidden});
            std::int32_t col = -1;
            for (auto c : r.children()) {
                if (local(c.name()) != "c") continue;
                std::int32_t cr = row, cc = col + 1;
                if (auto ref = c.attribute("r"); ref && !parse_cell_ref(ref.value(), cr, cc))
                    fail(std::string("bad cell reference \"") + ref.value() + "\"");
                col = cc;
                if (cells) parse_cell(c, cr, cc, ctx, *cells);
            }
        }
    }
    auto by_position = [](const auto& a, const auto& b) { return std::tie(a.row, a.col) < std::tie(b.row, b.col); };
    if (cells && !std::is_sorted(cells->begin(), cells->end(), by_position))
        std::stable_sort(cells->begin(), cells->end(), by_position);
    if (rows) std::stable_sort(rows->begin(), rows->end(), [](auto& a, auto& b) { return a.row < b.row; });
}

std::string set_legacy_drawing(const std::string& xml, const std::string& rel_id) {
    pugi::xml_document doc;
    if (!doc.load_buffer(xml.data(), xml.size())) fail("worksheet is not well-formed XML");
    const auto root = doc.document_element();
    const std::string root_name = root.name();
    const auto colon = root_name.find(':');
    const std::string prefix = colon == std::string::npos ? "" : root_name.substr(0, colon + 1);

    std::string out = xml;
    if (auto old = child(root, "legacyDrawing")) {
        const auto start = static_cast<std::size_t>(old.offset_debug() - 1);
        auto end = out.find('>', start);
        if (out[end - 1] != '/') end = out.find('>', out.find("</" + std::string(old.name()), end));
        out.erase(start, end + 1 - start);
        if (rel_id.empty()) return out;
        return set_legacy_drawing(out, rel_id);
    }
    if (rel_id.empty()) return out;

    std::string r_prefix;
    for (auto a : root.attributes()) {
        const std::string_view name = a.name();
        if (name.starts_with("xmlns:") && std::string_view(a.value()) == kRelNs) r_prefix = name.substr(6);
    }
    std::string element = "<" + prefix + "legacyDrawing ";
    if (r_prefix.empty()) {
        element += "xmlns:r=\"" + std::string(kRelNs) + "\" ";
        r_prefix = "r";
    }
    element += r_prefix + ":id=\"" + escape_xml(rel_id, true) + "\"/>";

    // Schema order: legacyDrawing comes after drawing and before these.
    static const char* const later[] = {"legacyDrawingHF", "drawingHF", "picture",   "oleObjects",
                                        "controls",        "webPublishItems", "tableParts", "extLst"};
    std::size_t at = std::string::npos;
    for (auto n : root.children()) {
        const auto ln = local(n.name());
        if (std::find(std::begin(later), std::end(later), ln) != std::end(later)) {
            at = static_cast<std::size_t>(n.offset_debug() - 1);
            break;
        }
    }
    if (at == std::string::npos) at = out.rfind("</");
    out.insert(at, element);
    return out;
}

namespace {

void write_sheet_entry(XmlWriter& w, const Sheet& s, std::size_t i) {
    w.open("sheet").attr("name", to_utf8(s.name)).attr("sheetId", static_cast<long long>(i + 1));
    w.attr("r:id", "rId" + std::to_string(i + 1)).close();
}

void write_col(XmlWriter& w, const ColumnWidths& c) {
    w.open("col").attr("min", c.first + 1).attr("max", c.last + 1).attr("width", number_text(c.width));
    w.attr("customWidth", "1");
    if (c.hidden) w.attr("hidden", "1");
    w.close();
}

void write_cell(XmlWriter& w, const Cell& c) {
    w.open("c").attr("r", cell_name(c.row, c.col));
    switch (c.type) {
    case CellType::Number: w.open("v").text(number_text(c.number)).close(); break;
    case CellType::Boolean: w.attr("t", "b").open("v").text(c.number ? "1" : "0").close(); break;
    case CellType::Error: w.attr("t", "e").open("v").text(to_utf8(c.string)).close(); break;
    case CellType::String:
        w.attr("t", "inlineStr").open("is").open("t");
        if (needs_preserve(c.string)) w.attr("xml:space", "preserve");
        w.text(to_utf8(xstring_escape(c.string))).close().close();
        break;
    }
    w.close();
}

void write_row(XmlWriter& w, std::int32_t row, const RowHeight* height, const Cell* begin, const Cell* end) {
    w.open("row").attr("r", row + 1);
    if (height) {
        w.attr("ht", number_text(height->height)).attr("customHeight", "1");
        if (height->hidden) w.attr("hidden", "1");
    }
    for (const Cell* c = begin; c != end; ++c) write_cell(w, *c);
    w.close();
}

void write_sheet_data(XmlWriter& w, const Sheet& s) {
    w.open("sheetData");
    std::size_t ci = 0, ri = 0;
    const std::vector<Cell>& cells = s.cells.get();
    while (ci < cells.size() || ri < s.rows.size()) {
        const std::int32_t row = std::min(ci < cells.size() ? cells[ci].row : INT32_MAX,
                                          ri < s.rows.size() ? s.rows[ri].row : INT32_MAX);
        const RowHeight* height = ri < s.rows.size() && s.rows[ri].row == row ? &s.rows[ri++] : nullptr;
        const std::size_t from = ci;
        while (ci < cells.size() && cells[ci].row == row) ++ci;
        write_row(w, row, height, cells.data() + from, cells.data() + ci);
    }
    w.close();
}

}  // namespace

std::string write_workbook(const std::vector<Sheet>& sheets) {
    XmlWriter w;
    w.open("workbook").attr("xmlns", kMainNs).attr("xmlns:r", kRelNs);
    w.open("bookViews").open("workbookView").close().close();
    w.open("sheets");
    for (std::size_t i = 0; i < sheets.size(); ++i) write_sheet_entry(w, sheets[i], i);
    w.close();
    return w.take();
}

std::string write_worksheet(const Sheet& s, bool selected) {
    XmlWriter w;
    w.open("worksheet").attr("xmlns", kMainNs).attr("xmlns:r", kRelNs);
    w.open("sheetViews").open("sheetView");
    if (selected) w.attr("tabSelected", "1");
    w.attr("workbookViewId", "0").close().close();
    w.open("sheetFormatPr");
    if (const auto& width = s.default_column_width.get()) w.attr("defaultColWidth", number_text(*width));
    w.attr("defaultRowHeight", number_text(s.default_row_height.get())).close();
    if (!s.columns.empty()) {
        w.open("cols");
        for (const auto& c : s.columns) write_col(w, c);
        w.close();
    }
    write_sheet_data(w, s);
    if (s.protect_contents) w.open("sheetProtection").attr("sheet", "1").close();
    w.open("pageMargins").attr("left", "0.7").attr("right", "0.7").attr("top", "0.75").attr("bottom", "0.75");
    w.attr("header", "0.3").attr("footer", "0.3").close();
    return w.take();
}

std::string write_root_rels() {
    Relationships rels;
    rels.add(reltype::kOfficeDocument, "xl/workbook.xml");
    return write_relationships(rels);
}

}  // namespace quill::xlsx::detail
