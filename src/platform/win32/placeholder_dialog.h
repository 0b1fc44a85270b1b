#pragma once
// Stand-in for frmAddIn until the Win32 dialog window exists: it keeps the
// form's public variables and its loaded/visible state, and shows nothing.
#include <memory>

#include "host/dialog_form.h"

namespace quill::win32 {

host::DialogFactory placeholder_dialog_factory();

}  // namespace quill::win32
