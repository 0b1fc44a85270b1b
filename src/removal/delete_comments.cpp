#include "dialog/frm_add_in.h"

namespace quill::dialog {

// Delete Comment.
void frmAddIn::Command2_Click() {}

}  // namespace quill::dialog
