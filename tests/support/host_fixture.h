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

// A HostFixture whose editor logs its calls in `log`, which can fail them.
struct RecordingFixture : HostFixture {
    RecordingFixture() {
        dialog::FormServices s = form->Services();
        s.make_editor = [this](const dialog::LayoutRow& row) {
            recorder = std::make_shared<RecordingEditor>(memory::MakeRichText(row), log);
            return recorder;
        };
        auto on_event = form->on_event;
        form = std::make_shared<dialog::frmAddIn>(std::move(s));
        form->on_event = on_event;
        form->xlapp = excel->application();
    }
    std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
    std::shared_ptr<RecordingEditor> recorder;
};

}  // namespace quill::testing
