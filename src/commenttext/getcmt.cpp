#include "commenttext/commenttext.h"

namespace quill::commenttext {

// The host's own Substitute does each rule, so that the comment text is
// exactly what the host would have made of it; InsertFmtText relies on that
// relation when it walks both texts in step. No trap: a failure goes to the
// caller.
std::u16string getcmt(const std::shared_ptr<host::Application>& app, dialog::RichTextEditor& editor) {
    std::u16string s = editor.Text();
    const std::shared_ptr<host::WorksheetFunction> wf = need(app).WorksheetFunction();
    s = need(wf).Substitute(s, u"\t", u"        ");
    s = need(wf).Substitute(s, u"\r\n", u"\n");  // pairs before lone CRs: CR CR LF becomes one LF
    s = need(wf).Substitute(s, u"\r", u"");
    return s;
}

}  // namespace quill::commenttext
