#pragma once
// Workbooks on disk for the command line: loaded into the in-memory workbook,
// saved back. The document a workbook came from is kept, so that saving copies
// every part the command did not touch, and so that what a command changed can
// be told by comparing it with the workbook after the command. Failures throw
// BookError, whose message names the file.
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/memory/workbook.h"
#include "platform/xlsx/binding.h"

namespace quill::xlsx {
struct Workbook;
}

namespace quill::cli {

struct BookError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What a command reads of a workbook: a command on one sheet reads nothing of
// the others, a listing reads the notes and no cell.
struct Scope {
    enum What { Everything, OneSheet, Notes } what = Everything;
    // OneSheet: this sheet (none: the first); Notes: only this sheet's (none: every sheet's).
    std::optional<std::string> sheet;
};

struct Book {
    std::shared_ptr<memory::Excel> excel;
    std::shared_ptr<xlsx::Workbook> document;  // what the file held
    std::vector<xlsx::Reach> reach;            // what of each sheet `excel` holds; empty: all
};

Book open_book(const std::filesystem::path& file, const Scope& scope = {});
// A workbook read from a stream; `name` stands for it in messages.
Book open_book_bytes(const std::string& bytes, const std::string& name, const Scope& scope = {});
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
