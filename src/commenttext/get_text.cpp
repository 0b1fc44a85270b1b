#include "commenttext/commenttext.h"

namespace quill::commenttext {

// Cell character i is editor position i - 1, one to one, line breaks
// included. It reads the cell, never its comment. No trap: a failure ends
// the command; the text and the formats copied so far stay.
Outcome GetText(const std::shared_ptr<host::Application>& app, dialog::RichTextEditor& ed) {
    try {
        const std::shared_ptr<host::Range> c = need(app).ActiveCell();
        if (!c) return Outcome::Done({});
        ed.Text(c->Text());
        // The walk below selects every character in turn and leaves the last
        // one selected. The user clicked a button, so the editor has no
        // focus; with HideSelection on, none of those selections is drawn,
        // and the editor shows its new text without a stray highlight until
        // the user returns.
        ed.HideSelection(true);

        const auto n = static_cast<std::int32_t>(c->Text().size());
        for (std::int32_t i = 1; i <= n; ++i) {
            ed.SelStart(i - 1);
            ed.SelLength(1);
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
        return Outcome::Done({.formatted = n});
    } catch (...) {
        return Outcome::Failed(current_error());
    }
}

}  // namespace quill::commenttext
