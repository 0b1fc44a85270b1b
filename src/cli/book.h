#pragma once
// Workbooks on disk for the command line: loaded into the in-memory workbook,
// saved back. The document a workbook came from is kept, so that saving copies
// every part the command did not touch, and so that what a command changed can
// be told by comparing it with the workbook after the command. Failures throw
// BookError, whose message names the file.
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/memory/workbook.h"

namespace quill::xlsx {
struct Workbook;
}

namespace quill::cli {

struct BookError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Book {
    std::shared_ptr<memory::Excel> excel;
    std::shared_ptr<xlsx::Workbook> document;  // what the file held
};

Book open_book(const std::filesystem::path& file);
// A workbook read from a stream; `name` stands for it in messages.
Book open_book_bytes(const std::string& bytes, const std::string& name);
Book new_book();  // one empty sheet "Sheet1"

// The document with the in-memory workbook's notes written into it; the
// loaded document stays as it was.
std::shared_ptr<const xlsx::Workbook> updated(const Book& book);
// Atomic: the target is replaced whole or not at all.
void save_document(const xlsx::Workbook& doc, const std::filesystem::path& file);
std::string document_bytes(const xlsx::Workbook& doc);
void save_book(const Book& book, const std::filesystem::path& file);

// A note added, changed or removed, sheet by sheet and row by row.
struct Change {
    enum Kind { Added, Changed, Removed } kind;
    std::size_t sheet;
    std::int32_t row, col;  // 0-based
};
std::vector<Change> changes(const Book& before, const xlsx::Workbook& after);

// The media part the workbook's file holds the picture of a note in, "" when
// the note has none or it is new.
std::string picture_part(const Book& book, std::size_t sheet, std::int32_t row, std::int32_t col);

}  // namespace quill::cli
