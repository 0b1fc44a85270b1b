#pragma once
// Workbooks on disk for the command line: loaded into the in-memory workbook,
// saved back. The document a workbook came from is kept, so that saving copies
// every part the command did not touch. Failures throw BookError, whose
// message names the file.
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "platform/memory/workbook.h"

namespace quill::cli {

struct BookError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Book {
    std::shared_ptr<memory::Excel> excel;
    std::shared_ptr<void> document;  // what the file held; null for a new workbook
};

Book open_book(const std::filesystem::path& file);
// The media part the workbook's file holds the picture of a note in, "" when
// the note has none or it is new.
std::string picture_part(const Book& book, std::size_t sheet, std::int32_t row, std::int32_t col);
Book new_book();  // one empty sheet "Sheet1"
// Atomic: the target is replaced whole or not at all.
void save_book(const Book& book, const std::filesystem::path& file);

}  // namespace quill::cli
