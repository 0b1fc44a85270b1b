// Writing the document model back: changed notes parts are written anew,
// every other part is copied byte for byte.
#include <algorithm>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "ports/host_error.h"
#include "platform/xlsx/comments.h"
#include "platform/xlsx/source.h"
#include "platform/xlsx/styles.h"
#include "platform/xlsx/workbook.h"
#include "platform/xlsx/xlsx.h"

namespace quill::xlsx {
namespace detail {

namespace {

std::string with_commas(std::size_t n) {
    std::string s = std::to_string(n);
    for (int i = static_cast<int>(s.size()) - 3; i > 0; i -= 3) s.insert(static_cast<std::size_t>(i), ",");
    return s;
}

void validate(const Workbook& wb) {
    for (const auto& sheet : wb.sheets) {
        std::set<std::pair<int, int>> seen;
        for (const auto& n : sheet.notes) {
            const std::string where = to_utf8(sheet.name) + "!" + cell_name(n.row, n.col);
            if (n.row < 0 || n.row >= 1048576 || n.col < 0 || n.col >= 16384)
                fail("a note is outside the sheet \"" + to_utf8(sheet.name) + "\"");
            if (!seen.insert({n.row, n.col}).second) fail("cell " + where + " has two notes");
            std::size_t length = 0;
            for (const auto& r : n.text) length += r.text.size();
            if (length > kMaxNoteLength)
                fail("the note of cell " + where + " has " + with_commas(length) + " characters; at most " +
                     with_commas(kMaxNoteLength) + " are allowed");
            if (!(n.shape.width > 0) || !(n.shape.height > 0) || n.shape.width > 1e5 || n.shape.height > 1e5)
                fail("the note of cell " + where + " has an impossible size");
        }
    }
}

std::string first_free(const Package& pkg, const std::string& stem, const std::string& ext) {
    for (int n = 1;; ++n) {
        std::string name = stem + std::to_string(n) + "." + ext;
        if (!pkg.contains(name)) return name;
    }
}

class Saver {
public:
    Saver(const Workbook& wb) : wb_(wb) {}

    std::string build() {
        std::vector<std::shared_ptr<const SheetSource>> states;
        if (wb_.source) {
            pkg_ = wb_.source->package;
            types_ = wb_.source->types;
            original_types_ = types_;
            std::set<const SheetSource*> known;
            for (const auto& s : wb_.source->sheets) known.insert(s.get());
            std::set<const SheetSource*> used;
            for (const auto& sheet : wb_.sheets)
                if (!sheet.source || !known.count(sheet.source.get()) || !used.insert(sheet.source.get()).second)
                    fail("sheets cannot be added to or removed from a loaded workbook");
            if (used.size() != known.size()) fail("sheets cannot be added to or removed from a loaded workbook");
            for (const auto& sheet : wb_.sheets) states.push_back(sheet.source);
        } else {
            states = scaffold();
        }

        std::vector<bool> changed(wb_.sheets.size());
        std::set<std::string> regenerated;
        for (std::size_t i = 0; i < wb_.sheets.size(); ++i) {
            changed[i] = wb_.sheets[i].notes != states[i]->notes;
            if (changed[i] && !states[i]->vml_part.empty()) regenerated.insert(lower(states[i]->vml_part));
        }
        for (const auto& name : pkg_.names())
            if (lower(name).ends_with(".vml") && !regenerated.count(lower(name)))
                for (int b : parse_idmap(parse_part(pkg_, name))) used_blocks_.insert(b);
        index_media();
        for (std::size_t i = 0; i < wb_.sheets.size(); ++i)
            if (changed[i]) write_notes(*states[i], wb_.sheets[i]);
        drop_orphaned_media();
        if (!wb_.source || !(types_ == original_types_))
            pkg_.put("[Content_Types].xml", write_content_types(types_));
        return pkg_.write();
    }

private:
    // The parts of a new workbook, before any note.
    std::vector<std::shared_ptr<const SheetSource>> scaffold() {
        if (wb_.sheets.empty()) fail("a workbook needs at least one sheet");
        types_.add_default("rels", ctype::kRels);
        types_.add_default("xml", ctype::kXml);
        pkg_.put("_rels/.rels", write_root_rels());
        pkg_.put("xl/workbook.xml", write_workbook(wb_.sheets));
        types_.set_override("xl/workbook.xml", ctype::kWorkbook);
        Relationships wb_rels;
        std::vector<std::shared_ptr<const SheetSource>> states;
        std::set<std::u16string> names;
        for (std::size_t i = 0; i < wb_.sheets.size(); ++i) {
            const Sheet& sheet = wb_.sheets[i];
            if (sheet.name.empty() || !names.insert(sheet.name).second)
                fail("sheet names must be present and distinct");
            auto st = std::make_shared<SheetSource>();
            st->part = "xl/worksheets/sheet" + std::to_string(i + 1) + ".xml";
            pkg_.put(st->part, write_worksheet(sheet, i == 0));
            types_.set_override(st->part, ctype::kWorksheet);
            wb_rels.add_with_id("rId" + std::to_string(i + 1), reltype::kWorksheet, "worksheets/sheet" + std::to_string(i + 1) + ".xml");
            states.push_back(std::move(st));
        }
        wb_rels.add(reltype::kStyles, "styles.xml");
        pkg_.put("xl/_rels/workbook.xml.rels", write_relationships(wb_rels));
        pkg_.put("xl/styles.xml", write_minimal_styles());
        types_.set_override("xl/styles.xml", ctype::kStyles);
        return states;
    }

    void index_media() {
        for (const auto& name : pkg_.names())
            if (lower(name).starts_with("xl/media/")) media_.emplace(pkg_.bytes(name), name);
    }

    // The media part holding `picture`, added when no part has its bytes.
    std::string media_for(const Picture& picture) {
        if (!picture.bytes) fail("a note picture has no data");
        if (auto it = media_.find(*picture.bytes); it != media_.end()) return it->second;
        const std::string ext = picture.extension.empty() ? "bin" : lower(picture.extension);
        const std::string name = first_free(pkg_, "xl/media/image", ext);
        pkg_.put(name, picture.bytes);
        media_.emplace(*picture.bytes, name);
        if (!types_.has_default(ext)) types_.add_default(ext, image_type(ext));
        return name;
    }

    // Shape id blocks for a VML part: its own former blocks and those of the
    // shapes it keeps, then fresh ones as the notes need them.
    std::vector<long> allocate_ids(const VmlPart* base, std::size_t count, std::vector<int>& blocks) {
        std::set<int> mine;
        if (base) {
            for (int b : base->idmap)
                if (!used_blocks_.count(b)) mine.insert(b);
            for (long id : base->kept_shape_ids) mine.insert(static_cast<int>(id / 1024));
        }
        std::vector<long> ids;
        auto next_block = [&] {
            int b = 1;
            while (used_blocks_.count(b) || mine.count(b)) ++b;
            mine.insert(b);
            return b;
        };
        auto it = mine.begin();
        int block = it == mine.end() ? next_block() : *it;
        long n = 1;
        std::set<int> touched{block};
        while (ids.size() < count) {
            if (n == 1024) {
                auto nx = mine.upper_bound(block);
                block = nx == mine.end() ? next_block() : *nx;
                touched.insert(block);
                n = 1;
            }
            const long id = 1024L * block + n++;
            if (!base || !base->kept_shape_ids.count(id)) ids.push_back(id);
        }
        if (base)
            for (long id : base->kept_shape_ids) touched.insert(static_cast<int>(id / 1024));
        blocks.assign(touched.begin(), touched.end());
        used_blocks_.insert(touched.begin(), touched.end());
        return ids;
    }

    void remember_media_of(const SheetSource& st) {
        for (const auto& r : st.vml_rels.items)
            if (!r.external && r.is(reltype::kImage))
                maybe_orphaned_.insert(pkg_.actual_name(resolve_target(st.vml_part, r.target)));
    }

    void write_notes(const SheetSource& st, const Sheet& sheet) {
        Relationships rels = st.rels;
        std::string sheet_xml_rel = st.legacy_rel;
        const bool keeps_shapes = st.vml && st.vml->kept_shapes;
        remember_media_of(st);

        if (sheet.notes.empty()) {
            if (!st.comments_part.empty()) {
                pkg_.remove(st.comments_part);
                types_.remove_override(st.comments_part);
                rels.remove(st.comments_rel);
            }
            if (!st.vml_part.empty() && !keeps_shapes) {
                pkg_.remove(st.vml_part);
                pkg_.remove(rels_part_of(st.vml_part));
                types_.remove_override(st.vml_part);
                rels.remove(st.legacy_rel);
                sheet_xml_rel.clear();
            } else if (!st.vml_part.empty()) {
                write_vml_part(st, sheet, st.vml_part);
            }
        } else {
            std::string comments = st.comments_part;
            if (comments.empty()) {
                comments = first_free(pkg_, "xl/comments", "xml");
                rels.add(reltype::kComments, relative_target(st.part, comments));
            }
            pkg_.put(comments, write_comments(sheet.notes, st.comment_extras, st.comment_root_attributes));
            types_.set_override(comments, ctype::kComments);
            std::string vml = st.vml_part;
            if (vml.empty()) {
                vml = first_free(pkg_, "xl/drawings/vmlDrawing", "vml");
                sheet_xml_rel = rels.add(reltype::kVmlDrawing, relative_target(st.part, vml));
            }
            write_vml_part(st, sheet, vml);
        }

        put_relationships(rels_part_of(st.part), rels, st.rels);
        if (sheet_xml_rel != st.legacy_rel) pkg_.put(st.part, set_legacy_drawing(pkg_.bytes(st.part), sheet_xml_rel));
    }

    void write_vml_part(const SheetSource& st, const Sheet& sheet, const std::string& vml) {
        const VmlPart* base = vml == st.vml_part ? st.vml.get() : nullptr;
        Relationships rels;
        for (const auto& r : st.vml_rels.items)
            if (base && (base->kept_values.count(r.id) || !r.is(reltype::kImage))) rels.items.push_back(r);
        std::vector<ShapeToWrite> shapes;
        std::unordered_map<std::string, std::string> rel_of_media;
        for (const auto& r : rels.items)
            if (!r.external) rel_of_media.emplace(lower(resolve_target(vml, r.target)), r.id);
        std::vector<int> blocks;
        const std::vector<long> ids = allocate_ids(base, sheet.notes.size(), blocks);
        for (std::size_t i = 0; i < sheet.notes.size(); ++i) {
            const Note& n = sheet.notes[i];
            ShapeToWrite s{&n, ids[i], {}};
            if (n.shape.picture) {
                const std::string media = media_for(*n.shape.picture);
                auto [it, added] = rel_of_media.emplace(lower(media), std::string());
                if (added) it->second = rels.add(reltype::kImage, relative_target(vml, media));
                s.picture_rel = it->second;
            }
            shapes.push_back(std::move(s));
        }
        pkg_.put(vml, write_vml(base, blocks, sheet, shapes));
        if (!types_.has_default("vml")) types_.add_default("vml", ctype::kVml);
        put_relationships(rels_part_of(vml), rels, base ? st.vml_rels : Relationships{});
    }

    // Relationship parts are rewritten only when their content changed.
    void put_relationships(const std::string& part, const Relationships& rels, const Relationships& before) {
        if (rels == before && (rels.items.empty() || pkg_.contains(part))) return;
        if (rels.items.empty()) pkg_.remove(part);
        else pkg_.put(part, write_relationships(rels));
    }

    // A picture that a rewritten drawing no longer shows goes, unless some
    // other relationship still points at it.
    void drop_orphaned_media() {
        if (maybe_orphaned_.empty()) return;
        std::unordered_set<std::string> referenced;
        for (const auto& name : pkg_.names()) {
            if (!lower(name).ends_with(".rels")) continue;
            const std::string source = source_of_rels(name);
            for (const auto& r : parse_relationships(parse_part(pkg_, name)).items)
                if (!r.external) referenced.insert(lower(resolve_target(source, r.target)));
        }
        for (const auto& part : maybe_orphaned_)
            if (!part.empty() && !referenced.count(lower(part))) {
                pkg_.remove(part);
                types_.remove_override(part);
            }
    }

    const Workbook& wb_;
    Package pkg_;
    ContentTypes types_, original_types_;
    std::set<int> used_blocks_;
    std::unordered_map<std::string_view, std::string> media_;  // bytes (owned by parts) -> part
    std::set<std::string> maybe_orphaned_;
};

}  // namespace

std::string package_bytes(const Workbook& workbook) {
    validate(workbook);
    return Saver(workbook).build();
}

}  // namespace detail

void save(const Workbook& workbook, const std::string& path) {
    try {
        detail::write_file_atomically(path, detail::package_bytes(workbook));
    } catch (const detail::Invalid& e) {
        throw XlsxError(path, e.what());
    }
}

}  // namespace quill::xlsx
