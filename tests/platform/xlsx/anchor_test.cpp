#include <gtest/gtest.h>

#include <regex>

#include "platform/xlsx/vml_drawing.h"

namespace quill::xlsx {
namespace {

TEST(SheetGrid, RowsWithoutHeightDoNotStallTheWalk) {
    // A file may give rows no height; the box then runs to the sheet's last row.
    Sheet s;
    s.default_row_height = 0;
    Note n;
    n.shape->anchor = Anchor{1, 0, 3, 0, 0, 0, 0, 0};
    n.shape->height = 50;
    EXPECT_EQ(detail::compute_anchor(s, n), (Anchor{1, 0, 3, 0, 3, 0, 1048575, 67}));
}

// Where a new note's box goes, with the default box (96 x 55.5 pt = 128 x 74
// px) on a Calibri 11 sheet (columns 64 px, rows 15 pt = 20 px) unless a row
// says otherwise. A new box starts 15 px into the column right of its cell and
// 10 px into the row above it (2 px into row 1), over hidden lines to the next
// shown one; its far corner is where its size ends; the style's margins are
// the near corner in points (px * 0.75).
// The goldens hold a box at A1.
TEST(Anchor, NewBoxesLandWhereExcelPutsThem) {
    struct Row { const char* what; std::int32_t row, col; Sheet sheet; const char *anchor, *margin_left, *margin_top; };
    Sheet hidden_b, tall_row_2, base_10;
    hidden_b.columns = {{1, 1, 8.43, true}};
    tall_row_2.rows = {{1, 60, false}};
    base_10.base_column_width = 10;
    const Row rows[] = {
        // B is hidden, so the box starts in C: 64 + 0 + 15 = 79 px; far: 207
        // px is 15 into E (C 64..128, D ..192, E ..256).
        {"A1 beside hidden B", 0, 0, hidden_b, "2, 15, 0, 2, 4, 15, 3, 16", "59.25pt", "1.5pt"},
        // Row 2 is 60 pt = 80 px: near 20 + 10 = 30 px into it; far: 104 px is
        // 4 into row 3 (100..120).
        {"B3 below a tall row", 2, 1, tall_row_2, "2, 15, 1, 10, 4, 15, 2, 4", "107.25pt", "22.5pt"},
        // baseColWidth 10: 10 * 7 + 5 = 75 px, widened to 80. Near: C (160) +
        // 15 = 175 px; far: 303 px is 63 into D (240..320).
        {"B2, baseColWidth 10", 1, 1, base_10, "2, 15, 0, 10, 3, 63, 4, 4", "131.25pt", "7.5pt"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        Sheet s = r.sheet;
        Note n;
        n.row = r.row;
        n.col = r.col;
        s.notes = {n};
        const std::string vml = detail::write_vml(nullptr, {}, {1}, s, {{&s.notes[0], 1025, ""}}).text;
        std::smatch m;
        ASSERT_TRUE(std::regex_search(vml, m, std::regex("margin-left:([^;]+);margin-top:([^;]+);width:96pt;height:55.5pt")));
        EXPECT_EQ(m[1], r.margin_left);
        EXPECT_EQ(m[2], r.margin_top);
        ASSERT_TRUE(std::regex_search(vml, m, std::regex("<x:Anchor>([^<]+)</x:Anchor>")));
        EXPECT_EQ(m[1], r.anchor);
    }
}

}  // namespace
}  // namespace quill::xlsx
