#pragma once
// Helpers shared by the comment-text tests.
#include <string>

#include "support/host_fixture.h"

namespace quill::testing {

// Editor position p gets colour p + 1, so the colour a comment character
// ends up with names the editor position its format was taken from.
inline void colour_positions(memory::RichText& ed) {
    for (std::int32_t p = 0; p < static_cast<std::int32_t>(ed.Text().size()); ++p) {
        ed.SelStart(p);
        ed.SelLength(1);
        ed.SelColor(p + 1);
    }
}

// The source position of every character of the text, one symbol each
// ("0".."9", then "a"...), from the colours colour_positions gave.
inline std::string sources(const memory::FormattedText& text) {
    static const char kSymbols[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string out;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const std::int32_t p = text.font_at(k).color - 1;
        out += p >= 0 && p < 36 ? kSymbols[p] : '#';
    }
    return out;
}

}  // namespace quill::testing
