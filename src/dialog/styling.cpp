#include <optional>

#include "dialog/frm_add_in.h"
#include "ports/error_styles.h"

namespace quill::dialog {

namespace {
constexpr std::int32_t kFontFlags = 0x40103;  // screen and printer fonts, effects, TrueType only

}  // namespace

// Both commands run in resume-on-error mode: every step on its own, a failing
// one skipped. A run counts as cancelled only when the dialog itself raised a
// positive error number (its cancel, or no dialog at all); a value that could
// not be copied into the dialog just leaves that field as the dialog had it.
// The component's CancelError doubles as the not-cancelled flag of the run.

void frmAddIn::Command5_Click() {
    CommonDialog1.CancelError(true);
    ErrorRecord Err;
    // Mixed colours: the dialog starts from the colour it last had, and OK
    // gives the whole selection the colour chosen.
    skip_on_error(Err, [&] { CommonDialog1.Color(value_of(RichTextBox1->SelColor())); });
    Err.Clear();
    skip_on_error(Err, [&] { CommonDialog1.ShowColor(); });
    if (Err.number > 0) CommonDialog1.CancelError(false);
    Err.Clear();
    if (CommonDialog1.CancelError()) skip_on_error(Err, [&] { RichTextBox1->SelColor(CommonDialog1.Color()); });
}

void frmAddIn::Command6_Click() {
    ErrorRecord Err;
    skip_on_error(Err, [&] { CommonDialog1.Flags(kFontFlags); });
    skip_on_error(Err, [&] { CommonDialog1.CancelError(true); });
    // A field the selection mixes (or that cannot be read) goes into the
    // dialog without a value, so the user sees nothing chosen there.
    FontBlanks blank;
    auto& ed = *RichTextBox1;
    blank.Bold = !skip_on_error(Err, [&] { CommonDialog1.FontBold(value_of(ed.SelBold())); });
    blank.Italic = !skip_on_error(Err, [&] { CommonDialog1.FontItalic(value_of(ed.SelItalic())); });
    blank.Name = !skip_on_error(Err, [&] { CommonDialog1.FontName(value_of(ed.SelFontName())); });
    blank.Size = !skip_on_error(Err, [&] { CommonDialog1.FontSize(value_of(ed.SelFontSize())); });
    blank.Strikethru = !skip_on_error(Err, [&] { CommonDialog1.FontStrikethru(value_of(ed.SelStrikeThru())); });
    blank.Underline = !skip_on_error(Err, [&] { CommonDialog1.FontUnderline(value_of(ed.SelUnderline())); });
    CommonDialog1.FontBlank(blank);
    Err.Clear();
    skip_on_error(Err, [&] { CommonDialog1.ShowFont(); });
    if (Err.number > 0) CommonDialog1.CancelError(false);
    Err.Clear();
    if (!CommonDialog1.CancelError()) return;
    // A field the user left without a value keeps every character's own.
    const FontBlanks left = CommonDialog1.FontBlank();
    if (!left.Name) skip_on_error(Err, [&] { ed.SelFontName(CommonDialog1.FontName()); });
    if (!left.Size) skip_on_error(Err, [&] { ed.SelFontSize(CommonDialog1.FontSize()); });
    if (!left.Italic) skip_on_error(Err, [&] { ed.SelItalic(CommonDialog1.FontItalic()); });
    if (!left.Bold) skip_on_error(Err, [&] { ed.SelBold(CommonDialog1.FontBold()); });
    if (!left.Strikethru) skip_on_error(Err, [&] { ed.SelStrikeThru(CommonDialog1.FontStrikethru()); });
    if (!left.Underline) skip_on_error(Err, [&] { ed.SelUnderline(CommonDialog1.FontUnderline()); });
}

}  // namespace quill::dialog
