#pragma once
// Text with a font for every character, as cells and comments of the
// in-memory workbook hold it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ports/char_font.h"

namespace quill::memory {

// The font type and defaults of the ports, under this platform's name too.
using quill::CharFont;
using quill::cell_default_font;
using quill::note_default_font;

struct TextRun {
    std::u16string text;
    CharFont font;
    friend bool operator==(const TextRun&, const TextRun&) = default;
};

// The text is kept whole; each UTF-16 unit carries a small id into a table of
// the distinct fonts in use. Reading or changing the font of one character is
// therefore O(1) amortised and never copies the text, which is what the
// character-by-character formatting of a 32,767-character comment needs.
// Positions are 0-based here; the ports translate the host's 1-based ones.
class FormattedText {
public:
    // base: the font of an empty text, and of characters added without one.
    explicit FormattedText(CharFont base = cell_default_font());
    FormattedText(std::u16string text, const CharFont& font);

    const std::u16string& text() const noexcept { return text_; }
    std::size_t size() const noexcept { return text_.size(); }
    bool empty() const noexcept { return text_.empty(); }

    // Replaces the whole text, in one font; the font also becomes the base.
    void assign(std::u16string text, const CharFont& font);
    void append(std::u16string_view text, const CharFont& font);
    void append(std::u16string_view text) { append(text, base_); }

    // Font of character i; at or past the end, the last character's font (or
    // the base font of an empty text), as the host reports it there.
    const CharFont& font_at(std::size_t i) const noexcept;
    const CharFont& base_font() const noexcept { return base_; }

    // Sets [pos, pos+len) (clipped to the text) to one font.
    void set_font(std::size_t pos, std::size_t len, const CharFont& font);
    // Applies change(CharFont&) to the font of every character of [pos, pos+len).
    template <class Change>
    void update(std::size_t pos, std::size_t len, Change&& change) {
        clip(pos, len);
        for (std::size_t i = pos; i < pos + len; ++i) {
            CharFont f = fonts_[ids_[i]];
            change(f);
            ids_[i] = intern(f);
        }
    }
    // Whether every character of [pos, pos+len) agrees on the attribute
    // proj(CharFont) selects (an empty span agrees).
    template <class Proj>
    bool uniform(std::size_t pos, std::size_t len, Proj&& proj) const {
        clip(pos, len);
        for (std::size_t i = pos + 1; i < pos + len; ++i)
            if (ids_[i] != ids_[pos] && !(proj(fonts_[ids_[i]]) == proj(fonts_[ids_[pos]]))) return false;
        return true;
    }

    // Consecutive characters of equal font merged; empty for an empty text.
    std::vector<TextRun> runs() const;
    friend bool operator==(const FormattedText& a, const FormattedText& b);

private:
    struct FontHash {
        std::size_t operator()(const CharFont& f) const noexcept;
    };
    std::uint32_t intern(const CharFont& f);
    void clip(std::size_t& pos, std::size_t& len) const noexcept;

    std::u16string text_;
    std::vector<std::uint32_t> ids_;
    std::vector<CharFont> fonts_;
    std::unordered_map<CharFont, std::uint32_t, FontHash> index_;
    CharFont base_;
};

}  // namespace quill::memory
