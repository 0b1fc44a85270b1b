#include "dialog/frm_add_in.h"
#include "host/long_strings.h"

namespace quill::dialog {

namespace {

// The text frame's orientation from the first selected of Orent(1) to
// Orent(3); downward when none of them is.
void orient(const frmAddIn& frm, host::TextFrame& frame) {
    if (frm.Orent(1).Value()) {
        frame.Orientation(host::msoTextOrientationHorizontal);
    } else if (frm.Orent(2).Value()) {
        frame.Orientation(host::msoTextOrientationVertical);
    } else if (frm.Orent(3).Value()) {
        // Upward text reads from the bottom, so it starts at the box's bottom.
        frame.Orientation(host::msoTextOrientationUpward);
        frame.VerticalAlignment(host::xlBottom);
    } else {
        frame.Orientation(host::msoTextOrientationDownward);
    }
}

}  // namespace

// Insert Text Only: the editor's text, formats and orientation into the
// comment of the active cell. No trap of its own: a failing host call ends
// the command and reaches the dialog's dispatcher; what was done stays done.
//
// An editor without usable text (off, or empty) changes no comment at all:
// an existing one is neither deleted nor re-formatted, since there is nothing
// to put in its place and the transfer would only overwrite its formats with
// the editor's empty insertion point.
void frmAddIn::Command3_Click() {
    const std::shared_ptr<host::Range> c = active_cell();
    if (!c) return;
    if (need(c->Parent()).ProtectContents()) {
        messages().Show(u"Please First Remove Sheet Protection.", MsgButtons::OK, kAppTitle);
        return;
    }
    const bool usable = !RichTextBox1->Text().empty() && RichTextBox1->Enabled();

    std::shared_ptr<host::Comment> comment = c->Comment();
    if (comment) {
        if (Check4.Value() == 1 && Check3.Value() == 1) {
            if (!usable) return;
            comment->Delete();
            comment = nullptr;
        } else if (Check3.Value() != 1) {
            messages().Show(u"Below Comment is already present.\r\n"
                            u"To overwrite tickmark the Overwrite comment checkbox.\r\n\r\n" +
                                comment->Text(),
                            MsgButtons::OK, u"Comment found");
            return;
        }
        // Check3 alone keeps the comment: its box, fill and picture stay.
    }
    if (!usable) return;

    const std::u16string t = getcmt();
    if (comment) {
        host::set_comment_text(*comment, t);
    } else {
        comment = host::add_comment(*c, t);
    }
    orient(*this, need(need(need(comment).Shape()).TextFrame()));
    xlapp->DisplayCommentIndicator(host::xlCommentIndicatorOnly);
    xlapp->Visible(true);

    InsertFmtText(c);
}

}  // namespace quill::dialog
