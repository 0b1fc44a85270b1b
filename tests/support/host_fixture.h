#pragma once
// A frmAddIn whose xlapp is an in-memory workbook: what every command test
// starts from. `excel->log` sees every host call the command makes.
#include "dialog/fakes.h"
#include "platform/memory/workbook.h"

namespace quill::testing {

struct HostFixture : FormFixture {
    HostFixture() {
        excel->sheet();  // Book1 with Sheet1, A1 active
        form->xlapp = excel->application();
    }
    memory::Sheet& sheet() { return excel->sheet(); }
    // "Use Comment Text" ticked and the editor on, without going through the
    // Check2 handler, so command tests do not depend on it.
    void use_comment_text() {
        form->Check2.Value(1);
        form->RichTextBox1->Enabled(true);
    }

    std::shared_ptr<memory::Excel> excel = memory::Excel::Create();
};

}  // namespace quill::testing
