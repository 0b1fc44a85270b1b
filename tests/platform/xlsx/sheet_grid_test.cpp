#include <gtest/gtest.h>

#include <cmath>
#include <regex>

#include "platform/xlsx/vml_drawing.h"

namespace quill::xlsx {
namespace {

// The box's far corner found one line at a time, as the sheet's own
// per-line sizes give it: the slow measure the grid must agree with.
Anchor line_by_line(const Sheet& s, const Note& n) {
    Anchor a = *n.shape.anchor;
    auto walk = [](std::int32_t i, std::int32_t offset, double pt, std::int32_t limit, auto size, std::int32_t& end,
                   std::int32_t& end_offset) {
        std::int64_t remaining = offset + std::llround(pt * 4 / 3);
        for (; i < limit; ++i) {
            if (remaining < size(i) || i == limit - 1) break;
            remaining -= size(i);
        }
        end = i;
        end_offset = static_cast<std::int32_t>(remaining);
    };
    walk(a.left_col, a.left_offset, n.shape.width, 16384, [&](int c) { return s.column_width_px(c); }, a.right_col,
         a.right_offset);
    walk(a.top_row, a.top_offset, n.shape.height, 1048576, [&](int r) { return s.row_height_px(r); }, a.bottom_row,
         a.bottom_offset);
    return a;
}

TEST(SheetGrid, AgreesWithTheSheetLineByLine) {
    Sheet s;
    // Overlapping ranges: the first that names a column gives its width.
    s.columns = {{2, 4, 20, false}, {3, 9, 5, false}, {6, 6, 30, true}, {16380, 20000, 1, false}, {-3, 0, 12, false}};
    s.rows = {{0, 40, false}, {5, 0, false}, {5, 90, false}, {7, 20, true}, {1048575, 300, false}};
    s.default_column_width = 9.5;
    const detail::SheetGrid grid(s);

    std::int64_t left = 0, top = 0;
    for (std::int32_t c = 0; c < detail::SheetGrid::kColumns; ++c) {
        ASSERT_EQ(grid.left_px(c), left) << "column " << c;
        left += s.column_width_px(c);
    }
    for (std::int32_t r = 0; r < 2000; ++r) {
        ASSERT_EQ(grid.top_px(r), top) << "row " << r;
        top += s.row_height_px(r);
    }

    struct Row { Anchor corner; double width, height; };
    const Row rows[] = {
        {{2, 15, 1, 10}, 96, 55.5},       {{0, 0, 0, 0}, 0, 0},          {{3, 200, 4, 30}, 400, 300},
        {{16382, 5, 1048570, 9}, 500, 900}, {{6, 0, 7, 0}, 0.3, 0.3},     {{1, 70, 2, 0}, 2000, 12000},
    };
    for (const auto& r : rows) {
        Note n;
        n.shape.anchor = r.corner;
        n.shape.width = r.width;
        n.shape.height = r.height;
        SCOPED_TRACE(testing::Message() << "corner " << r.corner.left_col << "," << r.corner.top_row);
        EXPECT_EQ(detail::compute_anchor(grid, n), line_by_line(s, n));
    }
}

TEST(SheetGrid, RowsWithoutHeightDoNotStallTheWalk) {
    // A file may give rows no height; the box then runs to the sheet's last row.
    Sheet s;
    s.default_row_height = 0;
    Note n;
    n.shape.anchor = Anchor{1, 0, 3, 0, 0, 0, 0, 0};
    n.shape.height = 50;
    const Anchor a = detail::compute_anchor(s, n);
    EXPECT_EQ(a.bottom_row, 1048575);
    EXPECT_EQ(a.bottom_offset, 67);
}

// Where a new note's box goes, with the default box (96 x 55.5 pt = 128 x 74
// px) on a Calibri 11 sheet (columns 64 px, rows 15 pt = 20 px) unless a row
// says otherwise. A new box starts 15 px into the column right of its cell and
// 10 px into the row above it (2 px into row 1), over hidden lines to the next
// shown one; its far corner is where its size ends; the style's margins are
// the near corner in points (px * 0.75).
TEST(Anchor, NewBoxesLandWhereExcelPutsThem) {
    struct Row {
        const char* what;
        std::int32_t row, col;
        Sheet sheet;
        const char *anchor, *margin_left, *margin_top;
    };
    Sheet hidden_b, tall_row_2, base_10;
    hidden_b.columns = {{1, 1, 8.43, true}};
    tall_row_2.rows = {{1, 60, false}};
    base_10.base_column_width = 10;
    const Row rows[] = {
        // near: column B (64) + 15 = 79 px, row 1 + 2 = 2 px; far: 207 px is
        // 15 into D (192), 76 px is 16 into row 4 (60).
        {"A1", 0, 0, Sheet{}, "1, 15, 0, 2, 3, 15, 3, 16", "59.25pt", "1.5pt"},
        // near: C (128) + 15 = 143 px, row 1 + 10 = 10 px; far: 271 px is 15
        // into E (256), 84 px is 4 into row 5 (80). Excel 2007 wrote exactly
        // this for B2 (xlsxwriter-comment04.xlsx).
        {"B2", 1, 1, Sheet{}, "2, 15, 0, 10, 4, 15, 4, 4", "107.25pt", "7.5pt"},
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
