#include <cstdlib>
#include <string>

#include "dialog/frm_add_in.h"
#include "ports/leading_number.h"
#include "ports/error_styles.h"

namespace quill::dialog {

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
