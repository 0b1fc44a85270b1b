#include "dialog/frm_add_in.h"

namespace quill::dialog {

// Insert Text Only.
void frmAddIn::Command3_Click() {}

}  // namespace quill::dialog
