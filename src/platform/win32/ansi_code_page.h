#pragma once
// The system code page for the formatted transfer's character comparison.
#include <memory>

#include "ports/code_page.h"

namespace quill::win32 {
// CP_ACP without best-fit mapping: a character the code page lacks becomes
// '?' as the comparison expects, instead of a look-alike letter.
std::shared_ptr<const CodePage> system_code_page();
}  // namespace quill::win32
