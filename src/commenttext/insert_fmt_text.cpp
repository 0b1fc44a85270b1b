#include "commenttext/code_page.h"
#include "commenttext/format_runs.h"
#include "dialog/frm_add_in.h"
#include "host/error_styles.h"

namespace quill::dialog {

// Copies the editor's character formats onto the comment of `rng`, whose text
// the caller has set to getcmt(); write_formats does the walk.
//
// Switching screen updating off is the one step whose failure reaches the
// caller; every later step is skipped on its own failure, and screen updating
// is switched on again as the last step whatever happened before.
void frmAddIn::InsertFmtText(const std::shared_ptr<host::Range>& rng) {
    need(xlapp).ScreenUpdating(false);

    const commenttext::CodePage& page = services_.code_page ? *services_.code_page : commenttext::windows_1252();
    RichTextEditor& ed = *RichTextBox1;

    // The comment's text is read once and the walk compares against that
    // copy.
    std::shared_ptr<host::Comment> comment;
    std::u16string text;
    skip_on_error([&] {
        comment = need(rng).Comment();
        if (comment) text = comment->Text();
    });
    commenttext::write_formats(ed, comment, text, page);

    skip_on_error([&] { need(xlapp).ScreenUpdating(true); });
}

}  // namespace quill::dialog
