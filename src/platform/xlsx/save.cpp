// Writing the document model back: changed notes parts are written anew,
// every other part is copied byte for byte.
#include <algorithm>
#include <map>
#include <optional>
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
        if (sheet.notes.unread()) continue;  // as the file has them
        std::set<std::pair<int, int>> seen;
        for (const auto& n : sheet.notes) {
            const std::string where = to_utf8(sheet.name) + "!" + cell_name(n.row, n.col);
            if (n.row < 0 || n.row >= 1048576 || n.col < 0 || n.col >= 16384)
                fail("a note is outside the sheet \"" + to_utf8(sheet.name) + "\"");
            if (!seen.insert({n.row, n.col}).second) fail("cell " + where + " has two notes");
            std::size_t length = 0;
            if (!n.text.unread())  // else as the file has it
                for (const auto& r : n.text.get()) length += r.text.size();
            if (length > kMaxNoteLength)
                fail("the note of cell " + where + " has " + with_commas(length) + " characters; at most " +
                     with_commas(kMaxNoteLength) + " are allowed");
            if (n.shape.unread()) continue;  // as the file has it
            if (!(n.shape->width > 0) || !(n.shape->height > 0) || n.shape->width > 1e5 || n.shape->height > 1e5)
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

// Whether any note's box (or the set of notes) differs: text alone is not
// drawn in the VML part.
bool boxes_differ(const std::vector<Note>& now, const std::vector<Note>& before) {
    if (now.size() != before.size()) return true;
    std::map<std::pair<int, int>, const Later<NoteShape>*> was;
    for (const auto& n : before) was.emplace(std::make_pair(n.row, n.col), &n.shape);
    return std::any_of(now.begin(), now.end(), [&](const Note& n) {
        const auto it = was.find({n.row, n.col});
        return it == was.end() || !(*it->second == n.shape);
    });
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

        std::vector<bool> changed(wb_.sheets.size()), boxes_changed(wb_.sheets.size());
        for (std::size_t i = 0; i < wb_.sheets.size(); ++i) {
            const Deferred<Note>& notes = wb_.sheets[i].notes;
            if (notes.unread()) continue;
            const std::vector<Note> none;
            const std::vector<Note>& before = wb_.source ? states[i]->loaded().notes : none;
            changed[i] = notes.get() != before;
            boxes_changed[i] = changed[i] && boxes_differ(notes, before);
            if (boxes_changed[i] && !states[i]->head().vml_part.empty()) redrawn_.insert(lower(states[i]->head().vml_part));
        }
        index_media();
        for (std::size_t i = 0; i < wb_.sheets.size(); ++i)
            if (changed[i]) write_notes(*states[i], wb_.sheets[i], boxes_changed[i]);
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

    // Media in memory are indexed by their bytes; the others are only
    // expanded when a new picture has their size, so that copied media stay
    // unexpanded.
    void index_media() {
        for (const auto& name : pkg_.names())
            if (lower(name).starts_with("xl/media/")) {
                if (pkg_.loaded(name))
                    media_.emplace(pkg_.bytes(name), name);
                else
                    unloaded_media_.emplace(pkg_.size(name), name);
            }
    }

    // The media part holding `picture`, added when no part has its bytes.
    std::string media_for(const Picture& picture) {
        if (!picture.bytes) fail("a note picture has no data");
        if (auto it = media_.find(*picture.bytes); it != media_.end()) return it->second;
        for (auto [it, end] = unloaded_media_.equal_range(picture.bytes->size()); it != end; ++it)
            if (pkg_.bytes(it->second) == *picture.bytes) {
                media_.emplace(pkg_.bytes(it->second), it->second);
                return it->second;
            }
        const std::string ext = picture.extension.empty() ? "bin" : lower(picture.extension);
        const std::string name = first_free(pkg_, "xl/media/image", ext);
        pkg_.put(name, picture.bytes);
        media_.emplace(*picture.bytes, name);
        if (!types_.has_default(ext)) types_.add_default(ext, image_type(ext));
        return name;
    }

    // Ids for `count` new shapes of a VML part: free numbers in its own
    // blocks first, then in fresh ones. `blocks` gets the part's idmap: the
    // blocks it listed, those of its shapes and those of the new ids.
    std::vector<long> allocate_ids(const VmlPart* base, std::size_t count, std::vector<int>& blocks) {
        // The blocks of the drawings kept as they are, read only now that ids are needed.
        if (!blocks_read_) {
            blocks_read_ = true;
            for (const auto& name : pkg_.names())
                if (lower(name).ends_with(".vml") && !redrawn_.count(lower(name)))
                    for (int b : vml_blocks(*pkg_.parsed_once(name))) used_blocks_.insert(b);
        }
        std::set<int> mine, listed;
        if (base) {
            for (int b : base->idmap) {
                listed.insert(b);
                if (!used_blocks_.count(b)) mine.insert(b);
            }
            for (long id : base->shape_ids) listed.insert(static_cast<int>(id / 1024));
            mine.insert(listed.begin(), listed.end());
        }
        std::vector<long> ids;
        auto next_block = [&] {
            int b = 1;
            while (used_blocks_.count(b) || mine.count(b)) ++b;
            mine.insert(b);
            return b;
        };
        if (count) {
            int block = mine.empty() ? next_block() : *mine.begin();
            long n = 1;
            listed.insert(block);
            while (ids.size() < count) {
                if (n == 1024) {
                    auto nx = mine.upper_bound(block);
                    block = nx == mine.end() ? next_block() : *nx;
                    listed.insert(block);
                    n = 1;
                }
                const long id = 1024L * block + n++;
                if (!base || !base->shape_ids.count(id)) ids.push_back(id);
            }
        }
        blocks.assign(listed.begin(), listed.end());
        used_blocks_.insert(listed.begin(), listed.end());
        return ids;
    }

    // The drawing of a sheet as loaded, read now if load left it unread.
    std::shared_ptr<const VmlPart> drawing_of(const SheetSource& st) {
        if (st.head().vml_part.empty()) return nullptr;
        if (st.reader && st.loaded().boxes) {
            const NoteBoxes::Drawing& loaded = st.loaded().boxes->drawing();
            if (!loaded.error.empty()) fail(loaded.error + ", so the notes drawn there cannot be changed");
            if (loaded.vml) return loaded.vml;
        }
        try {
            return std::make_shared<const VmlPart>(parse_vml(pkg_.shared(st.head().vml_part), st.head().vml_part));
        } catch (const Invalid& e) {
            fail(std::string(e.what()) + ", so no note can be drawn there");
        }
    }

    void remember_media_of(const SheetSource& st) {
        for (const auto& r : st.head().vml_rels.items)
            if (!r.external && r.is(reltype::kImage))
                maybe_orphaned_.insert(pkg_.actual_name(resolve_target(st.head().vml_part, r.target)));
    }

    void write_notes(const SheetSource& st, const Sheet& sheet, bool boxes_changed) {
        Relationships rels = st.rels;
        std::string sheet_xml_rel = st.head().legacy_rel;
        const auto base = boxes_changed ? drawing_of(st) : nullptr;
        if (boxes_changed) remember_media_of(st);  // a drawing kept as it was orphans nothing

        if (sheet.notes.empty()) {
            if (!st.comments_part.empty()) {
                pkg_.remove(st.comments_part);
                types_.remove_override(st.comments_part);
                rels.remove(st.comments_rel);
            }
            if (base && !base->other_shapes) {
                pkg_.remove(st.head().vml_part);
                pkg_.remove(rels_part_of(st.head().vml_part));
                types_.remove_override(st.head().vml_part);
                rels.remove(st.head().legacy_rel);
                sheet_xml_rel.clear();
            } else if (base) {
                write_vml_part(st, sheet, st.head().vml_part, base.get());
            }
        } else {
            std::string comments = st.comments_part;
            if (comments.empty()) {
                comments = first_free(pkg_, "xl/comments", "xml");
                rels.add(reltype::kComments, relative_target(st.part, comments));
            }
            static const LoadedNotes fresh;
            const LoadedNotes& was = st.reader ? st.loaded() : fresh;
            std::optional<std::string> patched;
            std::vector<std::pair<std::string, std::string>> root_attributes;
            if (was.comments) {
                patched = patch_comments(*was.comments->bytes, was.comments->index, was.notes, sheet.notes, was.comment_extras);
                root_attributes = was.comments->index.root_attributes;
            }
            // A box alone changed: the part stays as the file has it, compressed.
            if (!patched || *patched != *was.comments->bytes) {
                pkg_.put(comments, patched ? std::move(*patched) : write_comments(sheet.notes, was.comment_extras, root_attributes));
                types_.set_override(comments, ctype::kComments);
            }
            std::string vml = st.head().vml_part;
            if (vml.empty()) {
                vml = first_free(pkg_, "xl/drawings/vmlDrawing", "vml");
                sheet_xml_rel = rels.add(reltype::kVmlDrawing, relative_target(st.part, vml));
            }
            // A drawing part made just now must be written even when no box
            // changed, or the new relationship points at nothing.
            if (boxes_changed || st.head().vml_part.empty()) write_vml_part(st, sheet, vml, base.get());
        }

        put_relationships(rels_part_of(st.part), rels, st.rels);
        if (sheet_xml_rel != st.head().legacy_rel) pkg_.put(st.part, set_legacy_drawing(pkg_.bytes(st.part), sheet_xml_rel));
    }

    void write_vml_part(const SheetSource& st, const Sheet& sheet, const std::string& vml, const VmlPart* base) {
        Relationships rels;
        if (base) rels = st.head().vml_rels;
        std::unordered_map<std::string, std::string> rel_of_media;
        for (const auto& r : rels.items)
            if (!r.external && r.is(reltype::kImage)) rel_of_media.emplace(lower(resolve_target(vml, r.target)), r.id);
        static const std::vector<Note> none;
        const std::vector<Note>& before = st.reader ? st.loaded().notes : none;
        const Cells loaded = cells_of(before);
        std::size_t fresh = 0;
        for (const auto& n : sheet.notes) fresh += kept_shape(base, loaded, n) == nullptr;
        std::vector<int> blocks;
        const std::vector<long> ids = allocate_ids(base, fresh, blocks);
        std::vector<ShapeToWrite> shapes;
        std::size_t next = 0;
        for (const auto& n : sheet.notes) {
            ShapeToWrite s{&n, kept_shape(base, loaded, n) ? 0 : ids[next++], {}};
            if (n.shape->picture) {
                const std::string media = media_for(*n.shape->picture);
                auto [it, added] = rel_of_media.emplace(lower(media), std::string());
                if (added) it->second = rels.add(reltype::kImage, relative_target(vml, media));
                s.picture_rel = it->second;
            }
            shapes.push_back(std::move(s));
        }
        const WrittenVml written = write_vml(base, before, blocks, sheet, shapes);
        // A picture relationship stays while some shape names it.
        std::erase_if(rels.items, [&](const Relationship& r) { return r.is(reltype::kImage) && !written.values.count(r.id); });
        pkg_.put(vml, written.text);
        if (!types_.has_default("vml")) types_.add_default("vml", ctype::kVml);
        put_relationships(rels_part_of(vml), rels, base ? st.head().vml_rels : Relationships{});
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
    std::set<std::string> redrawn_;  // lower-case names of the drawings written anew
    bool blocks_read_ = false;
    std::set<int> used_blocks_;
    std::unordered_map<std::string_view, std::string> media_;  // bytes (owned by parts) -> part
    std::multimap<std::uint64_t, std::string> unloaded_media_;  // declared size -> part
    std::set<std::string> maybe_orphaned_;
};

}  // namespace

std::string package_bytes(const Workbook& workbook) {
    validate(workbook);
    return Saver(workbook).build();
}

}  // namespace detail

std::string save_bytes(const Workbook& workbook, const std::string& name) {
    try {
        return detail::package_bytes(workbook);
    } catch (const detail::Invalid& e) {
        throw XlsxError(name, e.what());
    }
}

void save(const Workbook& workbook, const std::string& path) {
    try {
        const std::string type = workbook.source ? workbook.source->workbook_type : std::string(detail::ctype::kWorkbook);
        if (std::string why = detail::extension_mismatch(type, path); !why.empty()) detail::fail(why);
        detail::write_file_atomically(path, detail::package_bytes(workbook));
    } catch (const detail::Invalid& e) {
        throw XlsxError(path, e.what());
    }
}

}  // namespace quill::xlsx
