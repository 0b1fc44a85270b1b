#pragma once
// The walk of the formatted transfer: the editor's character formats onto the
// characters of a comment, written a run at a time.
#include <memory>
#include <string_view>

namespace quill {
class CodePage;
}
namespace quill::host {
class Comment;
}
namespace quill::dialog {
class RichTextEditor;
}

namespace quill::commenttext {

// Walks the editor and `text` (the comment's text, read by the caller) in
// step, as InsertFmtText describes, and gives each comment character the
// seven attributes of the editor position it is matched with. Consecutive
// characters whose attributes are equal form a run, written with one
// Characters(start, length), one Font and at most seven puts: inside the host
// each of those is a round trip, and a note rarely has more than a few runs.
// A run whose write fails in any step is written again character by
// character, so that a failure costs what it would have cost writing one
// character at a time. Every step is skipped on its own failure; nothing
// reaches the caller.
void write_formats(dialog::RichTextEditor& ed, const std::shared_ptr<host::Comment>& comment, std::u16string_view text,
                   const CodePage& page) noexcept;

}  // namespace quill::commenttext
