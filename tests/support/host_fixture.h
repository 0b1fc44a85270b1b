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
    // Ticks Check2 the way a user does, so the editor and the text commands are on.
    void use_comment_text() {
        if (form->Check2.Value() != 1) form->Click(u"Check2");
    }

    std::shared_ptr<memory::Excel> excel = memory::Excel::Create();
};

}  // namespace quill::testing
