#include "ports/leading_number.h"

#include <cstdlib>
#include <string>

namespace quill {

double leading_number(std::u16string_view text) {
    std::size_t i = 0;
    auto skip_blanks = [&] {
        while (i < text.size() && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n')) ++i;
    };
    auto digit = [&] { return i < text.size() && text[i] >= u'0' && text[i] <= u'9'; };

    std::string number;  // the accepted characters, blanks left out, for strtod
    skip_blanks();
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) number += static_cast<char>(text[i++]);
    bool digits = false, point = false;
    for (;; ++i) {
        skip_blanks();
        if (digit()) {
            digits = true;
            number += static_cast<char>(text[i]);
        } else if (i < text.size() && text[i] == u'.' && !point) {
            point = true;
            number += '.';
        } else {
            break;
        }
    }
    if (!digits) return 0;
    if (i < text.size() && (text[i] == u'E' || text[i] == u'e' || text[i] == u'D' || text[i] == u'd')) {
        // The exponent counts only when digits follow it.
        std::string exponent = "e";
        std::size_t at = i;
        ++i;
        skip_blanks();
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) exponent += static_cast<char>(text[i++]);
        bool exp_digits = false;
        for (;; ++i) {
            skip_blanks();
            if (!digit()) break;
            exp_digits = true;
            exponent += static_cast<char>(text[i]);
        }
        if (exp_digits) number += exponent;
        else i = at;
    }
    return std::strtod(number.c_str(), nullptr);
}

}  // namespace quill
