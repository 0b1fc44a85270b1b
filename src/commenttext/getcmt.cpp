#include "dialog/frm_add_in.h"
#include "host/long_strings.h"

namespace quill::dialog {

// The editor's text as a comment holds it: tabs as eight spaces, CR LF as LF,
// no lone CR. The host's own Substitute does each rule, so that the comment
// text is exactly what the host would have made of it; InsertFmtText relies
// on that relation when it walks both texts in step. No trap: a failure goes
// to the caller.
std::u16string frmAddIn::getcmt() {
    std::u16string s = RichTextBox1->Text();
    const std::shared_ptr<host::WorksheetFunction> wf = need(xlapp).WorksheetFunction();
    s = host::substitute(need(wf), s, u"\t", u"        ");
    s = host::substitute(need(wf), s, u"\r\n", u"\n");  // pairs before lone CRs: CR CR LF becomes one LF
    s = host::substitute(need(wf), s, u"\r", u"");
    return s;
}

}  // namespace quill::dialog
