#pragma once
// Which picture goes to which cell when they are not paired by order: by the
// cells' displayed text against a folder's file names, or by a CSV map.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/memory/workbook.h"

namespace quill::cli {

struct Pairing {
    std::string cell;     // "B2"
    std::string picture;  // a path
    std::optional<std::string> text;
};

// The cells in the order the host visits them: area by area, each row by row.
std::vector<memory::CellRef> cells_in_order(const std::vector<memory::Area>& areas);

// Each cell takes the picture in `folder` whose base name equals the cell's
// displayed text, ignoring case, with an extension the tool accepts. Cells
// with no such picture, or with more than one, are left out and told in
// `problems`.
std::vector<Pairing> pair_by_name(const memory::Sheet& sheet, const std::vector<memory::CellRef>& cells,
                                  const std::filesystem::path& folder, std::vector<std::string>& problems);

// RFC 4180 records: cell,picture[,text]. Relative picture paths are taken
// from the CSV file's folder. Throws UsageError naming the line at fault.
std::vector<Pairing> read_map(const std::filesystem::path& csv);
std::vector<std::vector<std::string>> parse_csv(const std::string& text);  // UsageError when malformed

}  // namespace quill::cli
