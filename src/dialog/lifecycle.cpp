#include "dialog/frm_add_in.h"

namespace quill::dialog {

// Closing, About, the Check2 interlock, the overwrite warning and the zoom.
void frmAddIn::CancelButton_Click() {}
void frmAddIn::Command1_Click() {}
void frmAddIn::Check2_Click() {}
void frmAddIn::Check3_Click() {}
void frmAddIn::Check4_Click() {}
void frmAddIn::RichTextBox1_DblClick() {}

}  // namespace quill::dialog
