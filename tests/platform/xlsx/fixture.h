#pragma once
// A workbook as Excel writes one with notes, pictures, a form button in the
// same drawing, a threaded comment and a part nobody knows, built entry by
// entry so every byte is known.
#include <string>
#include <vector>

#include "xlsx_test_util.h"

namespace quill::xlsx::testing {

std::vector<ZipEntry> excel_like_entries();
// Writes the workbook to `path`.
void write_excel_like(const std::string& path);

}  // namespace quill::xlsx::testing
