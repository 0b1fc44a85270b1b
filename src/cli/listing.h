#pragma once
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

#include "platform/memory/workbook.h"

namespace quill::cli {
// One row per note: sheet, cell, box size, picture, opacity, orientation and
// the first line of the text; control characters escaped, columns aligned
// for wide and combining characters.
void write_table(const memory::Excel& excel, std::ostream& out);
// The package part of the picture of the note at (sheet index, 0-based row,
// 0-based column), "" when unknown.
using PartNames = std::function<std::string(std::size_t, std::int32_t, std::int32_t)>;
// Every note whole: text, runs with their fonts, picture (part, pixel size),
// box size, opacity, orientation and visibility.
void write_json(const memory::Excel& excel, const PartNames& part_of, std::ostream& out);
}  // namespace quill::cli
