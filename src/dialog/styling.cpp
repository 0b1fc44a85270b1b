#include "dialog/frm_add_in.h"

namespace quill::dialog {

// Font Color and Font Name on the editor's selection.
void frmAddIn::Command5_Click() {}
void frmAddIn::Command6_Click() {}

}  // namespace quill::dialog
