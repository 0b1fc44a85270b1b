// The adapter between the form and its commands: the controls become the
// options, and what a command did becomes the boxes and the status line the
// user has always seen, in the same order.
#include <string>

#include "commenttext/commenttext.h"
#include "dialog/frm_add_in.h"
#include "images/insert_image.h"
#include "ports/error_styles.h"
#include "removal/delete_comments.h"

namespace quill::dialog {

namespace {
constexpr char16_t kProtected[] = u"Please First Remove Sheet Protection.";
constexpr char16_t kStatus[] = u"Please Wait Formating Text... into Comment cell ";
constexpr char16_t kPreviewTip[] = u"Image of last picture inserted.";
constexpr char16_t kImageErrorTitle[] = u"Quillette";
constexpr char16_t kOneCellPrompt[] = u"Do you want to delete comment in the activecell?";
constexpr char16_t kOneCellTitle[] = u"Delete Comment";
constexpr char16_t kManyCellsTitle[] = u"Delete Comments";

// The status line, and whoever else follows the command's progress.
class StatusLine final : public ProgressPort {
public:
    StatusLine(Label& label, ProgressPort* also) : label_(label), also_(also) {}
    void Formatting(const std::u16string& address) override {
        label_.Caption(kStatus + address);
        if (also_) also_->Formatting(address);
    }
    void PictureInserted() override {
        if (also_) also_->PictureInserted();
    }
    void Finished() override {
        label_.Caption(u"");
        if (also_) also_->Finished();
    }

private:
    Label& label_;
    ProgressPort* also_;
};

class DeletePrompts final : public PromptPort {
public:
    explicit DeletePrompts(MessageBoxPort& box) : box_(box) {}
    bool ConfirmDeleteOne() override {
        return box_.Show(kOneCellPrompt, MsgButtons::YesNo, kOneCellTitle) == MsgAnswer::Yes;
    }
    bool ConfirmDeleteMany(std::int64_t count) override {
        return box_.Show(u"Do you want to delete all the comments (" + to_u16(std::to_string(count)) +
                             u") from the seleceted cells",
                         MsgButtons::YesNo, kManyCellsTitle) == MsgAnswer::Yes;
    }

private:
    MessageBoxPort& box_;
};
}  // namespace

CommentOptions frmAddIn::Options() const {
    std::int32_t orientation = 4;  // Orent(4) is what is left when no other is chosen
    for (std::int32_t k = 3; k >= 1; --k)
        if (Orent(k).Value()) orientation = k;
    return {.transparent = Check1.Value(),
            .overwrite_text = Check3.Value(),
            .overwrite_image = Check4.Value(),
            .orientation = orientation};
}

const CodePage& frmAddIn::code_page() const {
    return services_.code_page ? *services_.code_page : windows_1252();
}

// The commands without a trap of their own hand a failure on to the
// dispatcher, which shows it and reports it.
void frmAddIn::report(const Outcome& outcome) {
    if (outcome.kind == Outcome::Kind::Refused) {
        if (outcome.reason == Refusal::ProtectedSheet) messages().Show(kProtected, MsgButtons::OK, kAppTitle);
        if (outcome.reason == Refusal::CommentFound)
            messages().Show(u"Below Comment is already present.\r\n"
                            u"To overwrite tickmark the Overwrite comment checkbox.\r\n\r\n" +
                                outcome.existing,
                            MsgButtons::OK, u"Comment found");
    }
    if (outcome.error) throw *outcome.error;
    if (on_outcome) on_outcome(outcome);
}

// Insert Image traps its whole run: a failure is shown under its own title
// and goes no further.
void frmAddIn::OKButton_Click() {
    StatusLine status(Label3, services_.progress.get());
    const Outcome outcome = images::InsertImage(xlapp, *RichTextBox1, Options(), services_.pictures, status, code_page());
    if (outcome.preview) {
        Image1.Picture(*outcome.preview);
        Image1.ToolTipText(kPreviewTip);
    }
    if (outcome.error) {
        trap_and_show(messages(), kImageErrorTitle, [&] { throw *outcome.error; });
        if (on_outcome) on_outcome(outcome);
        return;
    }
    report(outcome);
}

void frmAddIn::Command2_Click() {
    DeletePrompts prompts(messages());
    report(removal::DeleteComment(xlapp, prompts));
}

void frmAddIn::Command3_Click() { report(commenttext::InsertTextOnly(xlapp, *RichTextBox1, Options(), code_page())); }

void frmAddIn::Command4_Click() { report(commenttext::GetText(xlapp, *RichTextBox1)); }

}  // namespace quill::dialog
