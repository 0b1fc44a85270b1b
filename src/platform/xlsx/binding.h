#pragma once
// The xlsx document model and the in-memory workbook, each way. A workbook
// loaded from a file keeps its document so that saving copies every part the
// commands did not touch.
#include <memory>
#include <string>

#include "platform/memory/workbook.h"
#include "platform/xlsx/xlsx.h"

namespace quill::xlsx {

// The in-memory workbook for a document: one open workbook named after
// `book_name`, its sheets in order, the first active with A1 selected.
std::shared_ptr<memory::Excel> to_memory(const Workbook& document, const std::u16string& book_name = u"Book1");

// Writes the notes (and protection) of the in-memory workbook back into the
// document it came from; sheets are matched by position. Notes that did not
// change compare equal to the loaded ones, so their parts are copied as they were.
void update_document(Workbook& document, const memory::Excel& excel);

}  // namespace quill::xlsx
