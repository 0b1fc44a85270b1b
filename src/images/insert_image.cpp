#include "dialog/frm_add_in.h"

namespace quill::dialog {

// Insert Image: pictures into the comments of the selected cells.
void frmAddIn::OKButton_Click() {}

}  // namespace quill::dialog
