#include "commenttext/format_runs.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "ports/code_page.h"
#include "ports/editor.h"
#include "ports/error_styles.h"
#include "ports/excel.h"

namespace quill::commenttext {

namespace {

// What getcmt makes of one tab.
constexpr std::u16string_view kTabSpaces = u"        ";

// The seven attributes of the editor's selection, in the host's writing
// order. One whose read failed, or which reads as no value (which the runtime
// would refuse as "Invalid use of Null"), is absent and is not written.
struct Formats {
    std::optional<std::u16string> name;
    std::optional<bool> bold;
    std::optional<bool> underline;
    std::optional<std::int32_t> color;
    std::optional<bool> strike;
    std::optional<bool> italic;
    std::optional<float> size;

    bool operator==(const Formats&) const = default;
    bool any() const { return name || bold || underline || color || strike || italic || size; }
};

Formats read_formats(dialog::RichTextEditor& ed) {
    Formats f;
    skip_on_error([&] { f.name = ed.SelFontName(); });
    skip_on_error([&] { f.bold = ed.SelBold(); });
    skip_on_error([&] { f.underline = ed.SelUnderline(); });
    skip_on_error([&] { f.color = ed.SelColor(); });
    skip_on_error([&] { f.strike = ed.SelStrikeThru(); });
    skip_on_error([&] { f.italic = ed.SelItalic(); });
    skip_on_error([&] { f.size = ed.SelFontSize(); });
    return f;
}

// Collects consecutive comment characters of equal formats and writes them
// together. The text frame is reached once, not per run through the comment
// and its shape; should reaching it fail, it is tried again at the next
// write, as a fresh lookup each time would have been.
class Runs {
public:
    explicit Runs(const std::shared_ptr<host::Comment>& comment) : comment_(comment) {}

    // Comment characters start .. start + length - 1 take `f`.
    void add(std::int32_t start, std::int32_t length, Formats f) {
        if (length_ > 0 && start_ + length_ == start && f == formats_) {
            length_ += length;
            return;
        }
        flush();
        start_ = start;
        length_ = length;
        formats_ = std::move(f);
    }

    void flush() {
        if (length_ == 0 || !formats_.any()) {
            length_ = 0;
            return;
        }
        if (!write(start_, length_) && length_ > 1)
            for (std::int32_t k = 0; k < length_; ++k) write(start_ + k, 1);
        length_ = 0;
    }

private:
    // Whether every step succeeded; a failed step does not stop the others.
    bool write(std::int32_t start, std::int32_t length) {
        if (!frame_) skip_on_error([&] { frame_ = need(need(comment_).Shape()).TextFrame(); });
        std::shared_ptr<host::Font> font;
        bool ok = skip_on_error([&] { font = need(need(frame_).Characters(start, length)).Font(); });
        const Formats& f = formats_;
        const auto put = [&](const auto& value, auto&& setter) {
            if (value) ok = skip_on_error([&] { setter(need(font), *value); }) && ok;
        };
        put(f.name, [](host::Font& t, const std::u16string& v) { t.Name(v); });
        put(f.bold, [](host::Font& t, bool v) { t.Bold(v); });
        put(f.underline, [](host::Font& t, bool v) { t.Underline(v); });
        put(f.color, [](host::Font& t, std::int32_t v) { t.Color(v); });
        put(f.strike, [](host::Font& t, bool v) { t.Strikethrough(v); });
        put(f.italic, [](host::Font& t, bool v) { t.Italic(v); });
        put(f.size, [](host::Font& t, float v) { t.Size(v); });
        return ok;
    }

    const std::shared_ptr<host::Comment>& comment_;
    std::shared_ptr<host::TextFrame> frame_;
    std::int32_t start_ = 0;
    std::int32_t length_ = 0;
    Formats formats_;
};

}  // namespace

// Comment character i (1-based) is walked against editor position j
// (0-based); where they differ (the editor's CR of a CR LF, a lone CR) one
// editor position is skipped. A tab in the editor, which getcmt turned into
// eight spaces, gives its format to all eight and then counts as one editor
// position, so the text after a tab keeps its own formats.
void write_formats(dialog::RichTextEditor& ed, const std::shared_ptr<host::Comment>& comment, std::u16string_view text,
                   const CodePage& page) noexcept {
    // The host addresses characters with 32-bit positions, and j may run to
    // twice the comment's length.
    const auto n = static_cast<std::int32_t>(
        std::min<std::size_t>(text.size(), std::numeric_limits<std::int32_t>::max() / 2 - 1));
    Runs runs(comment);
    std::int32_t j = 0;
    for (std::int32_t i = 1; i <= n; ++i) {
        skip_on_error([&] { ed.SelStart(j); });
        skip_on_error([&] { ed.SelLength(1); });
        std::u16string selected;
        skip_on_error([&] { selected = ed.SelText(); });

        std::int32_t span = 1;
        if (selected == u"\t" && text.substr(static_cast<std::size_t>(i - 1), kTabSpaces.size()) == kTabSpaces) {
            span = static_cast<std::int32_t>(kTabSpaces.size());
        } else {
            // An empty selection (j at or past the end) cannot be compared and
            // counts as a mismatch.
            const bool same =
                !selected.empty() && page.Asc(selected.front()) == page.Asc(text[static_cast<std::size_t>(i - 1)]);
            if (!same) {
                ++j;
                skip_on_error([&] { ed.SelStart(j); });
            }
        }
        // The comment's text is read once by the caller and each comment
        // character compared from that copy rather than through
        // Characters(i, 1).Text: the character is the same, and it saves a
        // host round trip per character.
        runs.add(i, span, read_formats(ed));
        ++j;
        i += span - 1;
    }
    runs.flush();
}

}  // namespace quill::commenttext
