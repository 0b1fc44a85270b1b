#pragma once
// The preservation check for a notes drawing: read the part before and after
// an edit with the product's reader, drop the note shapes of the cells the
// edit changed, and require that everything left is identical, byte for byte.
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "xlsx_test_util.h"

namespace quill::xlsx::testing {

using Cell = std::pair<std::int32_t, std::int32_t>;

// The root's start tag and every element of the part but the note shapes of
// `changed` cells, each as its bytes.
std::vector<std::string> kept_elements(const std::string& vml, const std::set<Cell>& changed);

// A command's edits on a sheet's notes: the first note's box changes, the
// last note goes, a new note comes below the others. Returns their cells.
std::set<Cell> edit_notes(std::vector<Note>& notes);

// Makes those edits on the notes of a drawing read alone and writes it over
// itself; everything but the edited shapes must stay.
void expect_edits_keep_the_rest(const std::string& vml);

}  // namespace quill::xlsx::testing
