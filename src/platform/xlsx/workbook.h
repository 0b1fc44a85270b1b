#pragma once
// The workbook part (sheet list) and the worksheet parts (protection,
// geometry, cells, the pointer to the sheet's notes drawing).
#include <optional>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "platform/xlsx/model.h"
#include "platform/xlsx/shared_strings.h"
#include "platform/xlsx/styles.h"

namespace quill::xlsx::detail {

inline constexpr const char* kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline constexpr const char* kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

struct SheetEntry {
    std::u16string name;
    std::string rel_id;
};
struct WorkbookInfo {
    std::vector<SheetEntry> sheets;
    bool date1904 = false;
};
WorkbookInfo parse_workbook(const pugi::xml_document& doc);

struct CellContext {
    const std::vector<StoredString>* shared_strings;
    const Styles* styles;
    const ThemeColors* theme;
    bool date1904;
};

// What a worksheet part says around its rows.
struct SheetHead {
    bool protect_contents = false;
    std::vector<ColumnWidths> columns;
    std::optional<double> default_column_width;
    std::int32_t base_column_width = 8;
    double default_row_height = 15;
    std::string legacy_rel;  // id of the <legacyDrawing> relationship, "" for none
};
// The rows are skipped unread when that is safe.
SheetHead parse_worksheet_head(const std::string& xml, std::string_view part);
// The cells (when `cells` is given) and the row heights (when `rows` is) of a
// worksheet part, each sorted.
void parse_sheet_data(const pugi::xml_document& doc, const CellContext& context, std::u16string_view sheet_name,
                      double default_row_height, std::vector<Cell>* cells, std::vector<RowHeight>* rows);

// "B3" -> row 2, column 1; false when malformed.
bool parse_cell_ref(std::string_view ref, std::int32_t& row, std::int32_t& col);

// The sheet's XML with its <legacyDrawing> pointing at `rel_id`, or without
// one when `rel_id` is empty; every other byte stays as it was.
std::string set_legacy_drawing(const std::string& sheet_xml, const std::string& rel_id);

// Parts of a new workbook.
std::string write_workbook(const std::vector<Sheet>& sheets);  // sheet i has relationship rId{i+1}
std::string write_worksheet(const Sheet& sheet, bool selected);
std::string write_root_rels();

}  // namespace quill::xlsx::detail
