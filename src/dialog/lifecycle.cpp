#include "dialog/frm_add_in.h"

namespace quill::dialog {

namespace {
constexpr std::int32_t kBlue = 0xFF0000;  // (0,0,255) as 0x00BBGGRR

// The editor's two sizes, in twips within Frame1. The normal one is the
// layout's, so that zooming out gives back the editor the form was loaded
// with.
constexpr float kZoomedHeight = 3200, kZoomedWidth = 3650, kZoomedTop = 185;
constexpr float kNormalHeight = 2535, kNormalWidth = 2340, kNormalTop = 840;
}  // namespace

// The form stays loaded: ticks, orientation, text and zoom are there again
// at the next Show.
void frmAddIn::CancelButton_Click() {
    xlapp = nullptr;
    need(Connect.lock()).Hide();
}

void frmAddIn::Command1_Click() {
    const std::u16string text = std::u16string(u"Quillette") + u" Ver. 2.00" + u" by Toravel " + u"\r\n" +
                                u"email: " + to_u16(QUILLETTE_CONTACT_EMAIL) + u"\r\n" + to_u16(QUILLETTE_WEB_URL);
    messages().Show(text, MsgButtons::OK, kAppTitle);
}

// "Use Comment Text" switches the editor and the commands that work on its
// text. Unticking keeps the text and the orientation.
void frmAddIn::Check2_Click() {
    if (Check2.Value() == 1) {
        RichTextBox1->Enabled(true);
        if (RichTextBox1->Text().empty()) {
            // Offer the user's name, selected, so that typing replaces it; an
            // empty name still leaves blue at the insertion point.
            RichTextBox1->Text(need(xlapp).UserName());
            RichTextBox1->SelStart(0);
            RichTextBox1->SelLength(static_cast<std::int32_t>(RichTextBox1->Text().size()));
            RichTextBox1->SelColor(kBlue);
        }
        for (std::int32_t i = 1; i <= 4; ++i) Orent(i).Enabled(true);
        Command3.Enabled(true);
        Command4.Enabled(true);
        Command5.Enabled(true);
        Command6.Enabled(true);
    } else {
        RichTextBox1->Enabled(false);
        for (std::int32_t i = 1; i <= 4; ++i) Orent(i).Enabled(false);
        Command3.Enabled(false);
        Command4.Enabled(false);
        Command5.Enabled(false);
        Command6.Enabled(false);
    }
}

namespace {
void overwrite_warning(frmAddIn& form, MessageBoxPort& box) {
    if (form.Check3.Value() == 1 && form.Check4.Value() == 1)
        box.Show(u"When both image & comment overwrite is tickmarked, previous comment will be deleted.", MsgButtons::OK,
                 kAppTitle);
}
}  // namespace

void frmAddIn::Check3_Click() { overwrite_warning(*this, messages()); }
void frmAddIn::Check4_Click() { overwrite_warning(*this, messages()); }

void frmAddIn::RichTextBox1_DblClick() {
    if (Check2.Value() == 0) return;
    if (!zoomed_) {
        RichTextBox1->Height(kZoomedHeight);
        RichTextBox1->Width(kZoomedWidth);
        RichTextBox1->Top(kZoomedTop);
        zoomed_ = true;
    } else {
        RichTextBox1->Height(kNormalHeight);
        RichTextBox1->Width(kNormalWidth);
        RichTextBox1->Top(kNormalTop);
        zoomed_ = false;
    }
}

}  // namespace quill::dialog
