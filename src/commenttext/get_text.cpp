#include "dialog/frm_add_in.h"

namespace quill::dialog {

// Get Text from Active Cell: the cell's displayed text into the editor, with
// the font of every character. Each cell character's font goes to the editor
// position that holds that character: the editor keeps every line break as
// CR LF, so a cell's lone LF takes two positions there and every later
// character sits one further on. It reads the cell, never its comment.
// No trap: a failure ends the command and reaches the dialog's
// dispatcher; the text and the formats copied so far stay.
void frmAddIn::Command4_Click() {
    const std::shared_ptr<host::Range> c = active_cell();
    if (!c) return;
    RichTextEditor& ed = *RichTextBox1;
    ed.Text(c->Text());
    // The walk below selects every character in turn and leaves the last one
    // selected. The user clicked a button, so the editor has no focus; with
    // HideSelection on, none of those selections is drawn, and the editor
    // shows its new text without a stray highlight until the user returns.
    ed.HideSelection(true);

    const std::u16string cell = c->Text();
    const std::u16string shown = ed.Text();
    const auto n = static_cast<std::int32_t>(cell.size());
    std::size_t at = 0;  // the editor position of cell character i
    for (std::int32_t i = 1; i <= n; ++i) {
        const char16_t ch = cell[static_cast<std::size_t>(i - 1)];
        // A break the editor widened to CR LF: a lone LF, or a CR without
        // its LF (a CR LF pair of the cell is two characters there already).
        const bool lone_break = ch == u'\n' || (ch == u'\r' && !(i < n && cell[static_cast<std::size_t>(i)] == u'\n'));
        const std::size_t width = lone_break && shown.compare(at, 2, u"\r\n") == 0 ? 2 : 1;
        ed.SelStart(static_cast<std::int32_t>(at));
        ed.SelLength(static_cast<std::int32_t>(width));
        at += width;
        const std::shared_ptr<host::Font> font = need(c->Characters(i, 1)).Font();
        host::Font& f = need(font);
        ed.SelFontName(f.Name());
        ed.SelBold(f.Bold());
        ed.SelColor(f.Color());
        ed.SelStrikeThru(f.Strikethrough());
        ed.SelItalic(f.Italic());
        ed.SelFontSize(f.Size());
        // Only the single style reads as underlined: the editor has no double.
        ed.SelUnderline(f.Underline() == host::xlUnderlineStyleSingle);
    }
}

}  // namespace quill::dialog
