#include <algorithm>
#include <limits>

#include "commenttext/commenttext.h"
#include "commenttext/format_runs.h"
#include "ports/error_styles.h"

namespace quill::commenttext {

using dialog::RichTextEditor;

// Copies the editor's character formats onto the comment of `rng`, whose text
// the caller has set to getcmt(); write_formats does the walk.
//
// Switching screen updating off is the one step whose failure ends the
// command; every later step is skipped on its own failure, and screen updating
// is switched on again as the last step whatever happened before.
Outcome InsertFmtText(const std::shared_ptr<host::Application>& app, RichTextEditor& ed,
                      const std::shared_ptr<host::Range>& rng, const CodePage& page) {
    try {
        need(app).ScreenUpdating(false);
    } catch (...) {
        return Outcome::Failed(current_error());
    }

    // The comment's text is read once and the walk compares against that
    // copy.
    std::shared_ptr<host::Comment> comment;
    std::u16string text;
    skip_on_error([&] {
        comment = need(rng).Comment();
        if (comment) text = comment->Text();
    });
    write_formats(ed, comment, text, page);
    // The host addresses characters with 32-bit positions.
    const auto n = static_cast<std::int32_t>(
        std::min<std::size_t>(text.size(), std::numeric_limits<std::int32_t>::max() / 2 - 1));

    skip_on_error([&] { need(app).ScreenUpdating(true); });
    return Outcome::Done({.formatted = n});
}

}  // namespace quill::commenttext
