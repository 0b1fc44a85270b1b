#include "dialog/styling.h"

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

Outcome FontColor(RichTextEditor& ed, CommonDialog& dlg) {
    dlg.CancelError(true);
    ErrorRecord Err;
    // Mixed colours: the dialog starts from the colour it last had, and OK
    // gives the whole selection the colour chosen.
    skip_on_error(Err, [&] { dlg.Color(value_of(ed.SelColor())); });
    Err.Clear();
    skip_on_error(Err, [&] { dlg.ShowColor(); });
    if (Err.number > 0) dlg.CancelError(false);
    Err.Clear();
    if (!dlg.CancelError()) return Outcome::Refused(Refusal::Cancelled);
    skip_on_error(Err, [&] { ed.SelColor(dlg.Color()); });
    return Outcome::Done({});
}

Outcome FontName(RichTextEditor& ed, CommonDialog& dlg) {
    ErrorRecord Err;
    skip_on_error(Err, [&] { dlg.Flags(kFontFlags); });
    skip_on_error(Err, [&] { dlg.CancelError(true); });
    // A field the selection mixes (or that cannot be read) goes into the
    // dialog without a value, so the user sees nothing chosen there.
    FontBlanks blank;
    blank.Bold = !skip_on_error(Err, [&] { dlg.FontBold(value_of(ed.SelBold())); });
    blank.Italic = !skip_on_error(Err, [&] { dlg.FontItalic(value_of(ed.SelItalic())); });
    blank.Name = !skip_on_error(Err, [&] { dlg.FontName(value_of(ed.SelFontName())); });
    blank.Size = !skip_on_error(Err, [&] { dlg.FontSize(value_of(ed.SelFontSize())); });
    blank.Strikethru = !skip_on_error(Err, [&] { dlg.FontStrikethru(value_of(ed.SelStrikeThru())); });
    blank.Underline = !skip_on_error(Err, [&] { dlg.FontUnderline(value_of(ed.SelUnderline())); });
    dlg.FontBlank(blank);
    Err.Clear();
    skip_on_error(Err, [&] { dlg.ShowFont(); });
    if (Err.number > 0) dlg.CancelError(false);
    Err.Clear();
    if (!dlg.CancelError()) return Outcome::Refused(Refusal::Cancelled);
    // A field the user left without a value keeps every character's own.
    const FontBlanks left = dlg.FontBlank();
    if (!left.Name) skip_on_error(Err, [&] { ed.SelFontName(dlg.FontName()); });
    if (!left.Size) skip_on_error(Err, [&] { ed.SelFontSize(dlg.FontSize()); });
    if (!left.Italic) skip_on_error(Err, [&] { ed.SelItalic(dlg.FontItalic()); });
    if (!left.Bold) skip_on_error(Err, [&] { ed.SelBold(dlg.FontBold()); });
    if (!left.Strikethru) skip_on_error(Err, [&] { ed.SelStrikeThru(dlg.FontStrikethru()); });
    if (!left.Underline) skip_on_error(Err, [&] { ed.SelUnderline(dlg.FontUnderline()); });
    return Outcome::Done({});
}

// The buttons: what the command did goes to whoever follows the outcomes;
// neither command shows anything.
void frmAddIn::Command5_Click() { report(FontColor(*RichTextBox1, CommonDialog1)); }

void frmAddIn::Command6_Click() { report(FontName(*RichTextBox1, CommonDialog1)); }

}  // namespace quill::dialog
