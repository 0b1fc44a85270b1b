#include "platform/xlsx/model.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

namespace quill::xlsx {

std::u16string plain_text(const RunList& runs) {
    std::u16string out;
    for (const auto& r : runs) out += r.text;
    return out;
}

std::string cell_name(std::int32_t row, std::int32_t col) {
    std::string letters;
    for (std::int64_t c = static_cast<std::int64_t>(col) + 1; c > 0; c = (c - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
    return letters + std::to_string(static_cast<std::int64_t>(row) + 1);
}

const Cell* Sheet::find_cell(std::int32_t row, std::int32_t col) const {
    auto it = std::lower_bound(cells.begin(), cells.end(), std::make_pair(row, col),
                               [](const Cell& c, const auto& key) { return std::tie(c.row, c.col) < std::tie(key.first, key.second); });
    return it != cells.end() && it->row == row && it->col == col ? &*it : nullptr;
}

const Note* Sheet::find_note(std::int32_t row, std::int32_t col) const {
    auto it = std::find_if(notes.begin(), notes.end(), [&](const Note& n) { return n.row == row && n.col == col; });
    return it == notes.end() ? nullptr : &*it;
}

Note* Sheet::find_note(std::int32_t row, std::int32_t col) {
    return const_cast<Note*>(std::as_const(*this).find_note(row, col));
}

namespace {
// Excel's conversion of a stored column width (characters of the default
// font's widest digit, padding included) to pixels (ECMA-376 Part 1, 18.3.1.13).
std::int32_t width_px(double width, std::int32_t digit) {
    if (!(width > 0)) return 0;
    width = std::min(width, 255.0);  // Excel's widest column; a file may say anything
    return static_cast<std::int32_t>(std::trunc((256 * width + std::trunc(128.0 / digit)) / 256 * digit));
}

// Excel's rows are at most 409.5 points high; a file may say anything.
std::int32_t height_px(double pt) { return pt > 0 ? static_cast<std::int32_t>(std::lround(std::min(pt, 409.5) * 4 / 3)) : 0; }

std::int32_t digit_of(std::int32_t digit_px) { return std::clamp(digit_px, 1, 255); }
}  // namespace

std::int32_t ColumnWidths::px(std::int32_t digit_px) const { return hidden ? 0 : width_px(width, digit_of(digit_px)); }

std::int32_t Sheet::default_column_width_px() const {
    const std::int32_t digit = digit_of(digit_px);
    if (const auto& width = default_column_width.get()) return width_px(*width, digit);
    // The base width in digits plus 5 pixels of margins and gridline (ECMA-376
    // Part 1, 18.3.1.81), which Excel widens to a multiple of 8 pixels: 8
    // digits of 7 pixels give its familiar 64-pixel column.
    const std::int64_t px = std::int64_t{std::clamp(base_column_width.get(), 0, 255)} * digit + 5;
    return static_cast<std::int32_t>((px + 7) / 8 * 8);
}

std::int32_t Sheet::default_row_height_px() const { return height_px(default_row_height); }

std::int32_t Sheet::column_width_px(std::int32_t col) const {
    for (const auto& c : columns)
        if (col >= c.first && col <= c.last) return c.px(digit_px);
    return default_column_width_px();
}

std::int32_t Sheet::row_height_px(std::int32_t row) const {
    auto it = std::lower_bound(rows.begin(), rows.end(), row, [](const RowHeight& r, std::int32_t v) { return r.row < v; });
    if (it != rows.end() && it->row == row) return it->hidden ? 0 : height_px(it->height);
    return default_row_height_px();
}

Workbook new_workbook() {
    Workbook wb;
    wb.sheets.emplace_back();
    wb.sheets.back().name = u"Sheet1";
    return wb;
}

}  // namespace quill::xlsx
