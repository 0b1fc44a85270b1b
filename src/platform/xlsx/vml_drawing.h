#pragma once
// The VML drawing part: the box of every note (size, visibility, fill,
// opacity, text direction, anchor). Shapes that are not notes (form controls
// and the like) are kept as they were.
#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "platform/xlsx/model.h"
#include "platform/xlsx/package.h"
#include "platform/xlsx/vml_markup.h"

namespace quill::xlsx::detail {

inline constexpr const char* kVmlNs = "urn:schemas-microsoft-com:vml";
inline constexpr const char* kOfficeNs = "urn:schemas-microsoft-com:office:office";
inline constexpr const char* kExcelNs = "urn:schemas-microsoft-com:office:excel";

struct LoadedShape {
    std::int32_t row = 0, col = 0;
    NoteShape shape;          // picture still unresolved
    std::string picture_rel;  // relationship id of the picture fill, "" for none
    std::size_t element = 0;  // which of the root's child elements it is
};

// A VML part as read: its bytes, where each element lies in them, and what
// the notes' shapes say. Saving copies every element it does not change.
struct VmlPart {
    Bytes bytes;
    VmlMarkup markup;  // where the elements lie; its repaired copy is not kept
    std::vector<LoadedShape> notes;  // the first shape of each cell
    std::map<std::pair<std::int32_t, std::int32_t>, std::size_t> by_cell;  // index into notes
    std::vector<std::pair<std::string, std::string>> root_attributes;  // xmlns declarations
    std::vector<int> idmap;
    std::set<long> shape_ids;      // of every shape in the part
    std::int64_t max_z = 0;        // the highest z-index any shape has
    bool note_shapetype = false;   // a <v:shapetype id="_x0000_t202">
    bool other_shapes = false;     // shapes that are not notes (form controls and the like)

    const LoadedShape* find(std::int32_t row, std::int32_t col) const;
};

// Reads a part leniently (see vml_markup.h); throws Invalid naming `name`
// when even that fails.
VmlPart parse_vml(Bytes bytes, std::string_view name);
// The shape id blocks a part takes: its idmap and the blocks of its shapes'
// ids, found by a plain scan when the part cannot be read.
std::set<int> vml_blocks(const std::string& bytes);
std::vector<int> parse_idmap_list(std::string_view data);
long shape_number(std::string_view id);  // "_x0000_s1025" -> 1025; -1 when not of that form

// "0.5", "50%", "32768f" (16.16 fixed point) -> 0..1; 1 for anything else.
double parse_opacity(std::string_view text);
// "#ffffe1", "#fe1", "black", "infoBackground [80]" -> 0x00BBGGRR.
std::int32_t parse_vml_color(std::string_view text, std::int32_t fallback);
std::string vml_color(std::int32_t bgr);  // "#rrggbb"

// A sheet's column and row edges in pixels, measured once for all of its
// notes: a note far down a sheet, or a file that lists many columns or gives
// rows no height, must not cost a walk over every row above it.
class SheetGrid {
public:
    static constexpr std::int32_t kColumns = 16384, kRows = 1048576;
    explicit SheetGrid(const Sheet& sheet);
    std::int64_t left_px(std::int32_t col) const;  // from the sheet's left edge to that column's
    std::int64_t top_px(std::int32_t row) const;
    std::int32_t column_px(std::int32_t col) const { return static_cast<std::int32_t>(left_px(col + 1) - left_px(col)); }
    std::int32_t row_px(std::int32_t row) const { return static_cast<std::int32_t>(top_px(row + 1) - top_px(row)); }

private:
    std::vector<std::int64_t> col_edges_;  // kColumns + 1 edges
    std::int32_t default_row_px_ = 0;
    std::vector<std::int32_t> listed_rows_;       // rows with a height of their own, ascending
    std::vector<std::int64_t> listed_delta_sum_;  // their departures from the default, summed
};

// Where a note's box goes: its top-left corner from the shape (or Excel's
// default place beside the cell), its bottom-right from its size measured in
// the sheet's column widths and row heights.
Anchor compute_anchor(const SheetGrid& grid, const Note& note);
inline Anchor compute_anchor(const Sheet& sheet, const Note& note) { return compute_anchor(SheetGrid(sheet), note); }

struct ShapeToWrite {
    const Note* note;
    long id;                  // numeric shape id of a shape written anew
    std::string picture_rel;  // "" for a colour fill
};

using Cells = std::set<std::pair<std::int32_t, std::int32_t>>;
Cells cells_of(const std::vector<Note>& notes);

// The shape of `base` that note `n` keeps: the shape of its cell, when the
// cell had a note when loaded (`loaded`). Null when the note needs a new one.
const LoadedShape* kept_shape(const VmlPart* base, const Cells& loaded, const Note& n);

struct WrittenVml {
    std::string text;
    std::set<std::string> values;  // attribute values in the part, relationship ids among them
};

// The part holding `shapes` (one per note of `sheet`). Over a part read from
// the file, a note whose shape did not change since loading keeps its element
// byte for byte, a changed one gets only what changed, a deleted note's shape
// goes, and every other element, comment and declaration stays as it was.
WrittenVml write_vml(const VmlPart* base, const std::vector<Note>& loaded, const std::vector<int>& idmap,
                     const Sheet& sheet, const std::vector<ShapeToWrite>& shapes);

}  // namespace quill::xlsx::detail
