#pragma once
#include <iosfwd>

#include "platform/memory/workbook.h"

namespace quill::cli {
// One row per note: sheet, cell, box size, picture, opacity, orientation and
// the first line of the text.
void write_table(const memory::Excel& excel, std::ostream& out);
void write_json(const memory::Excel& excel, std::ostream& out);
}  // namespace quill::cli
