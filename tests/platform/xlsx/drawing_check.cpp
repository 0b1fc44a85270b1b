#include "drawing_check.h"

#include <gtest/gtest.h>

#include "platform/xlsx/vml_drawing.h"

namespace quill::xlsx::testing {

std::vector<std::string> kept_elements(const std::string& vml, const std::set<Cell>& changed) {
    const auto part = detail::parse_vml(std::make_shared<const std::string>(vml), "vml");
    std::set<std::size_t> dropped;
    for (const auto& s : part.notes)
        if (changed.count({s.row, s.col})) dropped.insert(s.element);
    std::vector<std::string> out{vml.substr(0, part.markup.root_tag_end + 1)};
    for (std::size_t i = 0; i < part.markup.children.size(); ++i)
        if (!dropped.count(i)) {
            const auto span = part.markup.children[i];
            out.push_back(vml.substr(span.begin, span.end - span.begin));
        }
    return out;
}

std::set<Cell> edit_notes(std::vector<Note>& notes) {
    std::set<Cell> changed;
    if (notes.empty()) return changed;
    NoteShape& box = notes.front().shape;
    box.width *= 1.75;
    box.height *= 1.75;
    box.orientation = kUpward;
    box.opacity = 0.5;
    box.visible = !box.visible;
    changed.insert({notes.front().row, notes.front().col});
    if (notes.size() > 1) {
        changed.insert({notes.back().row, notes.back().col});
        notes.pop_back();
    }
    Note added;
    for (const auto& n : notes) added.row = std::max(added.row, n.row + 2);
    added.author = u"Quillette";
    added.text = text(u"added");
    notes.push_back(added);
    changed.insert({added.row, added.col});
    return changed;
}

void expect_edits_keep_the_rest(const std::string& vml) {
    const auto part = detail::parse_vml(std::make_shared<const std::string>(vml), "vml");
    Sheet sheet;
    for (const auto& s : part.notes) sheet.notes.push_back(Note{s.row, s.col, {}, {}, s.shape});
    const std::vector<Note> loaded = sheet.notes;
    const auto changed = edit_notes(sheet.notes);
    std::vector<detail::ShapeToWrite> shapes;
    const long fresh = part.shape_ids.empty() ? 1025 : *part.shape_ids.rbegin() + 1;
    for (const auto& n : sheet.notes) shapes.push_back({&n, fresh, ""});
    const std::string after = detail::write_vml(&part, loaded, part.idmap, sheet, shapes).text;
    EXPECT_EQ(kept_elements(after, changed), kept_elements(vml, changed));
    EXPECT_EQ(detail::parse_vml(std::make_shared<const std::string>(after), "after").notes.size(), sheet.notes.size());
}

}  // namespace quill::xlsx::testing
