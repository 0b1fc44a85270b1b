#include "commenttext/commenttext.h"
#include "ports/long_strings.h"

namespace quill::commenttext {

// No trap of its own: a failing host call ends the command; what was done
// stays done.
//
// An editor without usable text (off, or empty) changes no comment at all:
// an existing one is neither deleted nor re-formatted, since there is nothing
// to put in its place and the transfer would only overwrite its formats with
// the editor's empty insertion point.
Outcome InsertTextOnly(const std::shared_ptr<host::Application>& app, dialog::RichTextEditor& editor,
                       const CommentOptions& options, const CodePage& page) {
    Counts counts;
    try {
        const std::shared_ptr<host::Range> c = active_cell(need(app));
        if (!c) return Outcome::Done(counts);
        if (sheet_protected(*c)) return Outcome::Refused(Refusal::ProtectedSheet);
        const bool usable = !editor.Text().empty() && editor.Enabled();

        std::shared_ptr<host::Comment> comment = c->Comment();
        if (comment) {
            if (options.overwrite_image == 1 && options.overwrite_text == 1) {
                if (!usable) return Outcome::Done({.skipped = 1});
                comment->Delete();
                comment = nullptr;
                counts.deleted = 1;
            } else if (options.overwrite_text != 1) {
                Outcome refused = Outcome::Refused(Refusal::CommentFound);
                refused.existing = comment->Text();
                return refused;
            }
            // Overwriting the text alone keeps the comment: its box, fill and
            // picture stay.
        }
        if (!usable) return Outcome::Done({.skipped = 1});

        const std::u16string t = getcmt(app, editor);
        if (comment) {
            host::set_comment_text(*comment, t);
            counts.kept = 1;
        } else {
            comment = host::add_comment(*c, t);
            counts.created = 1;
        }
        const std::shared_ptr<host::TextFrame> frame = need(need(comment).Shape()).TextFrame();
        need(frame).Orientation(text_orientation(options.orientation));
        // Upward text reads from the bottom, so it starts at the box's bottom.
        if (options.orientation == 3) frame->VerticalAlignment(host::xlBottom);
        app->DisplayCommentIndicator(host::xlCommentIndicatorOnly);
        app->Visible(true);

        Outcome formatted = InsertFmtText(app, editor, c, page);
        formatted.counts.created = counts.created;
        formatted.counts.kept = counts.kept;
        formatted.counts.deleted = counts.deleted;
        return formatted;
    } catch (...) {
        return Outcome::Failed(current_error(), counts);
    }
}

}  // namespace quill::commenttext
