#include "dialog/frm_add_in.h"

namespace quill::dialog {

// Version-dependent option defaults and re-parenting into the host's window.
void frmAddIn::Form_Load() {}

}  // namespace quill::dialog
