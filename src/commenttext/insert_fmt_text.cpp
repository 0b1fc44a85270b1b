#include <algorithm>
#include <limits>
#include <optional>
#include <string_view>

#include "commenttext/commenttext.h"
#include "ports/error_styles.h"

namespace quill::commenttext {

using dialog::RichTextEditor;
using dialog::value_of;

namespace {

// What getcmt makes of one tab.
constexpr std::u16string_view kTabSpaces = u"        ";

// The seven attributes of the editor's selection onto `font`, in the host's
// order, each a step of its own: one that fails leaves the others standing.
void copy_formats(RichTextEditor& ed, const std::shared_ptr<host::Font>& font) {
    skip_on_error([&] { need(font).Name(value_of(ed.SelFontName())); });
    skip_on_error([&] { need(font).Bold(value_of(ed.SelBold())); });
    skip_on_error([&] { need(font).Underline(value_of(ed.SelUnderline())); });
    skip_on_error([&] { need(font).Color(value_of(ed.SelColor())); });
    skip_on_error([&] { need(font).Strikethrough(value_of(ed.SelStrikeThru())); });
    skip_on_error([&] { need(font).Italic(value_of(ed.SelItalic())); });
    skip_on_error([&] { need(font).Size(value_of(ed.SelFontSize())); });
}

}  // namespace

// Both texts are walked in step: comment
// character i (1-based) against editor position j (0-based); where they
// differ (the editor's CR of a CR LF, a lone CR) one editor position is
// skipped. A tab in the editor, which getcmt turned into eight spaces, gives
// its format to all eight and then counts as one editor position, so the
// text after a tab keeps its own formats.
//
// Switching screen updating off is the one step whose failure ends the
// command; every later step is skipped on its own failure, and screen updating
// is switched on again as the last step whatever happened before.
Outcome InsertFmtText(const std::shared_ptr<host::Application>& app, RichTextEditor& ed,
                      const std::shared_ptr<host::Range>& rng, const CodePage& page) {
    try {
        need(app).ScreenUpdating(false);
    } catch (...) {
        return Outcome::Failed(current_error());
    }

    // The comment's text is read once, and each comment character is compared
    // from that copy rather than through Characters(i, 1).Text: the character
    // is the same, and it saves a host round trip per character, which is
    // what a 32,767-character comment spends its time on. For the same reason
    // the text frame is reached once, not per character through the comment
    // and its shape; should reaching it fail, it is tried again at the next
    // character, as a fresh lookup per character would have been.
    std::shared_ptr<host::Comment> comment;
    std::u16string text;
    skip_on_error([&] {
        comment = need(rng).Comment();
        if (comment) text = comment->Text();
    });
    // The host addresses characters with 32-bit positions, and j may run to
    // twice the comment's length.
    const auto n = static_cast<std::int32_t>(
        std::min<std::size_t>(text.size(), std::numeric_limits<std::int32_t>::max() / 2 - 1));

    std::shared_ptr<host::TextFrame> frame;
    std::int32_t j = 0;
    for (std::int32_t i = 1; i <= n; ++i) {
        if (!frame) skip_on_error([&] { frame = need(need(comment).Shape()).TextFrame(); });

        skip_on_error([&] { ed.SelStart(j); });
        skip_on_error([&] { ed.SelLength(1); });
        std::u16string selected;
        skip_on_error([&] { selected = ed.SelText(); });

        std::int32_t span = 1;
        if (selected == u"\t" && std::u16string_view(text).substr(static_cast<std::size_t>(i - 1), kTabSpaces.size()) ==
                                     kTabSpaces) {
            span = static_cast<std::int32_t>(kTabSpaces.size());
        } else {
            // An empty selection (j at or past the end) cannot be compared and
            // counts as a mismatch.
            bool same = false;
            skip_on_error([&] {
                if (selected.empty()) throw err::InvalidProcedureCall();
                same = page.Asc(selected.front()) == page.Asc(text[static_cast<std::size_t>(i - 1)]);
            });
            if (!same) {
                ++j;
                skip_on_error([&] { ed.SelStart(j); });
            }
        }

        std::shared_ptr<host::Font> font;
        skip_on_error([&] { font = need(need(frame).Characters(i, span)).Font(); });
        copy_formats(ed, font);
        ++j;
        i += span - 1;
    }

    skip_on_error([&] { need(app).ScreenUpdating(true); });
    return Outcome::Done({.formatted = n});
}

}  // namespace quill::commenttext
