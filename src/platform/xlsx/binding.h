#pragma once
// The xlsx document model and the in-memory workbook, each way. A workbook
// loaded from a file keeps its document so that saving copies every part the
// commands did not touch.
#include <memory>
#include <string>
#include <vector>

#include "platform/memory/workbook.h"
#include "platform/xlsx/xlsx.h"

namespace quill::xlsx {

// How much of a sheet to_memory copies: a command on one sheet needs nothing
// of the others, and a listing only the notes. What is not copied is not read
// from the file either.
enum class Reach { Name, Notes, Whole };

// The in-memory workbook for a document: one open workbook named after
// `book_name`, its sheets in order, the first active with A1 selected. Sheet i
// gets what reach[i] says; an empty `reach` copies every sheet whole.
std::shared_ptr<memory::Excel> to_memory(const Workbook& document, const std::u16string& book_name = u"Book1",
                                         const std::vector<Reach>& reach = {});

// Writes the notes (and protection) of the in-memory workbook back into the
// document it came from; sheets are matched by position, and a sheet that
// to_memory gave only its name is left as it was. Notes that did not change
// compare equal to the loaded ones, so their parts are copied as they were.
void update_document(Workbook& document, const memory::Excel& excel, const std::vector<Reach>& reach = {});

}  // namespace quill::xlsx
