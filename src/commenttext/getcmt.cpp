#include "commenttext/commenttext.h"
#include "ports/long_strings.h"

namespace quill::commenttext {

// The host's own Substitute does each rule, so that the comment text is
// exactly what the host would have made of it; InsertFmtText relies on that
// relation when it walks both texts in step. No trap: a failure goes to the
// caller.
std::u16string getcmt(const std::shared_ptr<host::Application>& app, dialog::RichTextEditor& editor) {
    std::u16string s = editor.Text();
    const std::shared_ptr<host::WorksheetFunction> wf = need(app).WorksheetFunction();
    s = host::substitute(need(wf), s, u"\t", u"        ");
    s = host::substitute(need(wf), s, u"\r\n", u"\n");  // pairs before lone CRs: CR CR LF becomes one LF
    s = host::substitute(need(wf), s, u"\r", u"");
    return s;
}

}  // namespace quill::commenttext
