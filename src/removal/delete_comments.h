#pragma once
// Delete Comment: the comments of the selected cells, once the user agrees.
#include <memory>

#include "ports/command.h"
#include "ports/excel.h"

namespace quill::removal {

// Refused for a protected sheet and when the user says no. A selection that
// is not a range, or cells without comments, end it as Done with nothing
// deleted.
Outcome DeleteComment(const std::shared_ptr<host::Application>& app, PromptPort& prompts);

}  // namespace quill::removal
