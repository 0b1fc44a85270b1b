#pragma once
// The comment-text commands and the two routines Insert Image shares with
// them. Each command returns what it did; a failure it does not trap itself
// comes back as a Failed outcome at the point where it ended the command.
#include <memory>
#include <string>

#include "ports/code_page.h"
#include "ports/command.h"
#include "ports/editor.h"
#include "ports/excel.h"

namespace quill::commenttext {

// The editor's text as a comment holds it: tabs as eight spaces, CR LF as
// LF, no lone CR. Throws HostError.
std::u16string getcmt(const std::shared_ptr<host::Application>& app, dialog::RichTextEditor& editor);

// The editor's character formats onto the comment of `rng`, whose text the
// caller has set to getcmt(). Fails only when screen updating cannot be
// switched off; Done counts the comment characters walked.
Outcome InsertFmtText(const std::shared_ptr<host::Application>& app, dialog::RichTextEditor& editor,
                      const std::shared_ptr<host::Range>& rng, const CodePage& page = windows_1252());

// Insert Text Only: the editor's text, formats and orientation into the
// comment of the active cell.
Outcome InsertTextOnly(const std::shared_ptr<host::Application>& app, dialog::RichTextEditor& editor,
                       const CommentOptions& options, const CodePage& page = windows_1252());

// Get Text from Active Cell: the cell's displayed text and fonts into the
// editor.
Outcome GetText(const std::shared_ptr<host::Application>& app, dialog::RichTextEditor& editor);

}  // namespace quill::commenttext
