// Reading a package into the document model.
#include <map>
#include <unordered_map>

#include "host/host_error.h"
#include "platform/xlsx/comments.h"
#include "platform/xlsx/shared_strings.h"
#include "platform/xlsx/source.h"
#include "platform/xlsx/styles.h"
#include "platform/xlsx/workbook.h"
#include "platform/xlsx/xlsx.h"

namespace quill::xlsx {
namespace detail {

namespace {

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

    void read_sheet(const std::string& part, Sheet& sheet, const CellContext& ctx, const ThemeColors& theme) {
        auto ss = std::make_shared<SheetSource>();
        ss->part = part;
        ss->rels = rels_of(part);
        ss->legacy_rel = parse_worksheet(parse_part(pkg, part), ctx, sheet);

        std::vector<LoadedComment> comments;
        if (const Relationship* r = ss->rels.first(reltype::kComments)) {
            ss->comments_part = target_of(part, *r);
            ss->comments_rel = r->id;
            CommentsPart cp = parse_comments(parse_part(pkg, ss->comments_part), theme);
            comments = std::move(cp.comments);
            ss->comment_root_attributes = std::move(cp.root_attributes);
        }
        std::map<std::pair<int, int>, const LoadedShape*> shapes;
        if (!ss->legacy_rel.empty()) {
            const Relationship* r = ss->rels.find(ss->legacy_rel);
            if (!r) fail("sheet \"" + to_utf8(sheet.name) + "\" has no relationship \"" + ss->legacy_rel + "\"");
            ss->vml_part = target_of(part, *r);
            ss->vml_rels = rels_of(ss->vml_part);
            // The shapes matter only to notes: a drawing of form controls
            // alone is left unread until a note is added beside them.
            if (!ss->comments_part.empty()) {
                try {
                    ss->vml = std::make_shared<const VmlPart>(parse_vml(pkg.shared(ss->vml_part), ss->vml_part));
                    for (const auto& s : ss->vml->notes) shapes.emplace(std::make_pair(s.row, s.col), &s);
                } catch (const Invalid& e) {
                    ss->vml_error = e.what();
                }
            }
        }
        for (auto& c : comments) {
            Note note;
            note.row = c.row;
            note.col = c.col;
            note.author = std::move(c.author);
            note.text = std::move(c.text);
            if (!c.extra.empty()) ss->comment_extras[cell_name(c.row, c.col)] = std::move(c.extra);
            if (auto it = shapes.find({c.row, c.col}); it != shapes.end()) {
                note.shape = it->second->shape;
                if (!it->second->picture_rel.empty())
                    if (const Relationship* pr = ss->vml_rels.find(it->second->picture_rel); pr && !pr->external) {
                        const std::string media = target_of(ss->vml_part, *pr);
                        note.shape.picture = Picture{pkg.shared(media), extension_of(media), media};
                    }
            }
            sheet.notes.push_back(std::move(note));
        }
        ss->notes = sheet.notes;
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
        if (is_xml_part(name) && has_doctype(pkg.parsed_bytes(name)))
            fail("part \"" + name + "\" has a DOCTYPE, which is not allowed");
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

    ThemeColors theme = default_theme_colors();
    if (const Relationship* r = wb_rels.first(reltype::kTheme))
        theme = parse_theme(parse_part(pkg, loader.target_of(wb_part, *r)));
    Styles styles = default_styles();
    if (const Relationship* r = wb_rels.first(reltype::kStyles))
        styles = parse_styles(parse_part(pkg, loader.target_of(wb_part, *r)), theme);
    std::vector<StoredString> strings;
    if (const Relationship* r = wb_rels.first(reltype::kSharedStrings))
        strings = parse_shared_strings(parse_part(pkg, loader.target_of(wb_part, *r)), theme);

    const CellContext ctx{&strings, &styles, &theme, info.date1904};
    for (const auto& entry : info.sheets) {
        const Relationship* r = wb_rels.find(entry.rel_id);
        if (!r) fail("missing sheet part for \"" + to_utf8(entry.name) + "\" (no relationship \"" + entry.rel_id + "\")");
        if (!r->is(reltype::kWorksheet)) continue;  // chart and dialog sheets hold no cells or notes
        Sheet sheet;
        sheet.name = entry.name;
        sheet.digit_px = max_digit_px(styles.fonts.front());
        loader.read_sheet(loader.target_of(wb_part, *r), sheet, ctx, theme);
        sheets.push_back(std::move(sheet));
    }
    if (sheets.empty()) fail("the workbook has no worksheet");
    return src;
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
