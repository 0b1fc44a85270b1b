#include "dialog/frm_add_in.h"

namespace quill::dialog {

// Get Text from Active Cell.
void frmAddIn::Command4_Click() {}

}  // namespace quill::dialog
