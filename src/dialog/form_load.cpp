#include <cstdlib>
#include <string>

#include "dialog/frm_add_in.h"
#include "dialog/leading_number.h"
#include "ports/error_styles.h"

namespace quill::dialog {

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

// Version-dependent option defaults and re-parenting into the host's main
// window. Any failure ends the load where it happened, without a word: the
// form still works as a top-level window.
void frmAddIn::Form_Load() {
    trap_silently([&] {
        WindowHandle main_window = 0;
        if (leading_number(need(xlapp).Version()) == 9) {
            // Excel 2000: pictures go in opaque, and the option cannot be ticked.
            Check1.Value(0);
            Check1.Enabled(false);
            // Its Application has no hWnd: look for its main window by class.
            if (services_.window) main_window = services_.window->FindHostMainWindow("XLMAIN");
        } else {
            main_window = need(xlapp).hWnd();
        }
        Orent(1).Value(true);
        if (services_.window) services_.window->SetParent(services_.window->FormHandle(), main_window);
    });
}

}  // namespace quill::dialog
