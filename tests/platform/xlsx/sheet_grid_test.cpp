#include <gtest/gtest.h>

#include <cmath>

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

}  // namespace
}  // namespace quill::xlsx
