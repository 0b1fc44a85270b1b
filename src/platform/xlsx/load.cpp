// Reading a package into the document model.
#include <map>
#include <unordered_map>

#include "ports/host_error.h"
#include "platform/xlsx/comments.h"
#include "platform/xlsx/shared_strings.h"
#include "platform/xlsx/source.h"
#include "platform/xlsx/styles.h"
#include "platform/xlsx/workbook.h"
#include "platform/xlsx/xlsx.h"

namespace quill::xlsx {
namespace detail {

namespace {

// What is read after the load fails as the load would have: an XlsxError
// naming the file.
template <class Read>
auto failing_as(std::string file, Read read) {
    return [file = std::move(file), read = std::move(read)] {
        try {
            return read();
        } catch (const Invalid& e) {
            throw XlsxError(file, e.what());
        }
    };
}

bool is_xml_part(const std::string& name) {
    const std::string low = lower(name);
    return low.ends_with(".xml") || low.ends_with(".rels") || low.ends_with(".vml");
}

std::string extension_of(const std::string& part) {
    const auto dot = part.rfind('.');
    return dot == std::string::npos ? std::string() : lower(part.substr(dot + 1));
}

struct Loader {
    PackageSource& src;
    Package& pkg;
    std::unordered_map<std::string, Relationships> rels;  // by lower-case source part

    const Relationships& rels_of(const std::string& part) {
        static const Relationships none;
        auto it = rels.find(lower(part));
        return it == rels.end() ? none : it->second;
    }

    // Every relationship of every .rels part must point at a part that exists.
    void read_relationships() {
        for (const auto& name : pkg.names()) {
            if (!lower(name).ends_with(".rels")) continue;
            Relationships r = parse_relationships(parse_part(pkg, name));
            const std::string source = source_of_rels(name);
            for (const auto& rel : r.items) {
                if (rel.external) continue;
                const std::string target = resolve_target(source, rel.target);
                if (target.empty())
                    fail("relationship \"" + rel.id + "\" in \"" + name + "\" points outside the package");
                if (!pkg.contains(target))
                    fail("relationship \"" + rel.id + "\" in \"" + name + "\" points at missing part \"" + target + "\"");
            }
            rels.emplace(lower(source), std::move(r));
        }
    }

    std::string target_of(const std::string& source, const Relationship& rel) {
        return pkg.actual_name(resolve_target(source, rel.target));
    }

    void read_sheet(const std::string& part, Sheet& sheet, const std::shared_ptr<const Reader>& reader) {
        if (!pkg.contains(part)) fail("missing part \"" + part + "\"");
        auto ss = std::make_shared<SheetSource>();
        ss->part = part;
        ss->name = sheet.name;
        ss->rels = rels_of(part);
        ss->reader = reader;
        if (const Relationship* r = ss->rels.first(reltype::kComments)) {
            ss->comments_part = target_of(part, *r);
            ss->comments_rel = r->id;
        }
        // The rest waits until somebody looks: a command that changes one
        // note reads no cell, and nothing of another sheet.
        auto later = [ss, file = reader->file](auto what) { return failing_as(file, [ss, what] { return what(*ss); }); };
        sheet.protect_contents = Later<bool>(later([](const SheetSource& s) { return s.head().protect_contents; }));
        sheet.columns = Deferred<ColumnWidths>(later([](const SheetSource& s) { return s.head().columns; }));
        sheet.default_column_width =
            Later<std::optional<double>>(later([](const SheetSource& s) { return s.head().default_column_width; }));
        sheet.base_column_width = Later<std::int32_t>(later([](const SheetSource& s) { return s.head().base_column_width; }));
        sheet.default_row_height = Later<double>(later([](const SheetSource& s) { return s.head().default_row_height; }));
        sheet.cells = Deferred<Cell>(later([](const SheetSource& s) { return s.cells(); }));
        sheet.rows = Deferred<RowHeight>(later([](const SheetSource& s) { return s.rows(); }));
        sheet.notes = Deferred<Note>(later([](const SheetSource& s) { return s.loaded().notes; }));
        sheet.source = ss;
        src.sheets.push_back(ss);
    }
};

}  // namespace

PackageSource read_package(Package package, std::vector<Sheet>& sheets, bool& date1904, std::string_view file) {
    PackageSource src;
    src.package = std::move(package);
    Package& pkg = src.package;
    for (const auto& name : pkg.names())
        if (is_xml_part(name) && pkg.doctype(name)) fail("part \"" + name + "\" has a DOCTYPE, which is not allowed");
    if (!pkg.contains("[Content_Types].xml")) fail("missing part \"[Content_Types].xml\"");
    src.types = parse_content_types(parse_part(pkg, "[Content_Types].xml"));
    if (!pkg.contains("_rels/.rels")) fail("missing part \"_rels/.rels\"");

    Loader loader{src, pkg, {}};
    loader.read_relationships();
    const Relationship* office = loader.rels_of("").first(reltype::kOfficeDocument);
    if (!office) fail("missing workbook part (no officeDocument relationship)");
    const std::string wb_part = loader.target_of("", *office);
    src.workbook_type = src.types.type_of(wb_part);
    if (src.workbook_type == kBinaryWorkbook || lower(wb_part).ends_with(".bin"))
        fail("a binary workbook (.xlsb), which cannot be read: save it as .xlsx in Excel first");
    if (std::string why = extension_mismatch(src.workbook_type, file); !why.empty()) fail(why);
    const WorkbookInfo info = parse_workbook(parse_part(pkg, wb_part));
    date1904 = info.date1904;
    const Relationships& wb_rels = loader.rels_of(wb_part);

    auto reader = std::make_shared<Reader>();
    reader->file = std::string(file);
    reader->date1904 = info.date1904;
    reader->theme = default_theme_colors();
    if (const Relationship* r = wb_rels.first(reltype::kTheme))
        reader->theme = parse_theme(parse_part(pkg, loader.target_of(wb_part, *r)));
    reader->styles = default_styles();
    if (const Relationship* r = wb_rels.first(reltype::kStyles))
        reader->styles = parse_styles(parse_part(pkg, loader.target_of(wb_part, *r)), reader->theme);
    if (const Relationship* r = wb_rels.first(reltype::kSharedStrings))
        reader->strings_part = loader.target_of(wb_part, *r);
    reader->package = pkg;
    reader->rels = loader.rels;

    for (const auto& entry : info.sheets) {
        const Relationship* r = wb_rels.find(entry.rel_id);
        if (!r) fail("missing sheet part for \"" + to_utf8(entry.name) + "\" (no relationship \"" + entry.rel_id + "\")");
        if (!r->is(reltype::kWorksheet)) continue;  // chart and dialog sheets hold no cells or notes
        Sheet sheet;
        sheet.name = entry.name;
        sheet.digit_px = max_digit_px(reader->styles.fonts.front());
        loader.read_sheet(loader.target_of(wb_part, *r), sheet, reader);
        sheets.push_back(std::move(sheet));
    }
    if (sheets.empty()) fail("the workbook has no worksheet");
    return src;
}

const SheetDrawing& SheetSource::head() const {
    static const SheetDrawing none;
    if (!reader) return none;
    if (head_) return *head_;
    auto out = std::make_shared<SheetDrawing>();
    static_cast<SheetHead&>(*out) = parse_worksheet_head(*reader->package.parsed_once(part), part);
    if (!out->legacy_rel.empty()) {
        const Relationship* r = rels.find(out->legacy_rel);
        if (!r) fail("sheet \"" + to_utf8(name) + "\" has no relationship \"" + out->legacy_rel + "\"");
        out->vml_part = reader->package.actual_name(resolve_target(part, r->target));
        if (auto it = reader->rels.find(lower(out->vml_part)); it != reader->rels.end()) out->vml_rels = it->second;
    }
    head_ = std::move(out);
    return *head_;
}

const std::vector<StoredString>& Reader::strings() const {
    if (!strings_)
        strings_ = std::make_shared<const std::vector<StoredString>>(
            strings_part.empty() ? std::vector<StoredString>{} : parse_shared_strings(parse_xml(*package.parsed_once(strings_part), strings_part), theme));
    return *strings_;
}

std::vector<Cell> SheetSource::cells() const {
    std::vector<Cell> out;
    std::vector<RowHeight> rows;
    const CellContext ctx{&reader->strings(), &reader->styles, &reader->theme, reader->date1904};
    parse_sheet_data(parse_xml(*reader->package.parsed_once(part), part), ctx, name, head().default_row_height, &out, &rows);
    rows_ = std::make_shared<const std::vector<RowHeight>>(std::move(rows));
    return out;
}

std::vector<RowHeight> SheetSource::rows() const {
    if (!rows_) {
        std::vector<RowHeight> out;
        const CellContext ctx{nullptr, &reader->styles, &reader->theme, reader->date1904};
        parse_sheet_data(parse_xml(*reader->package.parsed_once(part), part), ctx, name, head().default_row_height, nullptr, &out);
        rows_ = std::make_shared<const std::vector<RowHeight>>(std::move(out));
    }
    return *rows_;
}

const NoteBoxes::Drawing& NoteBoxes::drawing() const {
    if (drawing_) return *drawing_;
    auto out = std::make_shared<Drawing>();
    if (!vml_part_.empty()) {
        try {
            out->vml = std::make_shared<const VmlPart>(parse_vml(reader_->package.parsed_once(vml_part_), vml_part_));
        } catch (const Invalid& e) {
            out->error = e.what();
        }
    }
    drawing_ = std::move(out);
    return *drawing_;
}

NoteShape NoteBoxes::box(std::int32_t row, std::int32_t col) const {
    const LoadedShape* s = drawing().vml ? drawing().vml->find(row, col) : nullptr;
    if (!s) return {};
    NoteShape out = s->shape;
    if (!s->picture_rel.empty())
        if (const Relationship* pr = vml_rels_.find(s->picture_rel); pr && !pr->external) {
            const Package& pkg = reader_->package;
            const std::string media = pkg.actual_name(resolve_target(vml_part_, pr->target));
            out.picture = Picture{pkg.shared(media), extension_of(media), media};
        }
    return out;
}

const LoadedNotes& SheetSource::loaded() const {
    if (loaded_) return *loaded_;
    auto out = std::make_shared<LoadedNotes>();
    if (!comments_part.empty()) {
        auto comments = std::make_shared<CommentsSource>();
        comments->bytes = reader->package.parsed_once(comments_part);
        comments->doc = parse_xml(*comments->bytes, comments_part);
        comments->index = index_comments(comments->doc);
        out->comments = comments;
        // The shapes matter only to notes: a drawing of form controls alone is
        // left unread until a note is added beside them.
        const SheetDrawing& drawing = head();
        out->boxes = std::make_shared<const NoteBoxes>(reader, drawing.vml_part, drawing.vml_rels);
        const auto& authors = comments->index.authors;
        for (const auto& c : comments->index.comments) {
            Note note;
            note.row = c.row;
            note.col = c.col;
            if (c.author < authors.size()) note.author = authors[c.author];
            if (!c.extra.empty()) out->comment_extras[cell_name(c.row, c.col)] = c.extra;
            note.text = Later<RunList>(
                failing_as(reader->file, [comments, reader = reader, node = c.text] { return comment_text(node, reader->theme); }));
            note.shape = Later<NoteShape>(
                failing_as(reader->file, [boxes = out->boxes, row = c.row, col = c.col] { return boxes->box(row, col); }));
            out->notes.push_back(std::move(note));
        }
    }
    loaded_ = std::move(out);
    return *loaded_;
}

}  // namespace detail

namespace {
template <class Read>
Workbook load_with(const std::string& name, Read read) {
    try {
        Workbook wb;
        wb.source = std::make_shared<const detail::PackageSource>(detail::read_package(read(), wb.sheets, wb.date1904, name));
        return wb;
    } catch (const detail::Invalid& e) {
        throw XlsxError(name, e.what());
    }
}
}  // namespace

Workbook load(const std::string& path) {
    return load_with(path, [&] { return detail::Package::read(path); });
}

Workbook load_bytes(std::string_view bytes, const std::string& name) {
    return load_with(name, [&] { return detail::Package::from_bytes(bytes); });
}

}  // namespace quill::xlsx
