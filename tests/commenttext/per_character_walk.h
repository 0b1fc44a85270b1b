#pragma once
// The formatted transfer's walk as it was first written, one character at a
// time: Characters(i, 1), Font and seven puts per comment character. It is
// the reference the run-by-run walk must match, and the "before" of the
// Windows benchmark.
#include <algorithm>
#include <limits>
#include <optional>
#include <string_view>

#include "ports/code_page.h"
#include "ports/editor.h"
#include "ports/error_styles.h"
#include "ports/excel.h"

namespace quill::testing {

inline void per_character_walk(dialog::RichTextEditor& ed, const std::shared_ptr<host::Comment>& comment,
                               std::u16string_view text, const CodePage& page) {
    constexpr std::u16string_view kTabSpaces = u"        ";
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
        if (selected == u"\t" && text.substr(static_cast<std::size_t>(i - 1), kTabSpaces.size()) == kTabSpaces) {
            span = static_cast<std::int32_t>(kTabSpaces.size());
        } else {
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
        skip_on_error([&] { need(font).Name(dialog::value_of(ed.SelFontName())); });
        skip_on_error([&] { need(font).Bold(dialog::value_of(ed.SelBold())); });
        skip_on_error([&] { need(font).Underline(dialog::value_of(ed.SelUnderline())); });
        skip_on_error([&] { need(font).Color(dialog::value_of(ed.SelColor())); });
        skip_on_error([&] { need(font).Strikethrough(dialog::value_of(ed.SelStrikeThru())); });
        skip_on_error([&] { need(font).Italic(dialog::value_of(ed.SelItalic())); });
        skip_on_error([&] { need(font).Size(dialog::value_of(ed.SelFontSize())); });
        ++j;
        i += span - 1;
    }
}

}  // namespace quill::testing
