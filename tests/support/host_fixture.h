#pragma once
// What every command test starts from: an in-memory workbook (Book1 with
// Sheet1, A1 active; `excel->log` sees every host call) and the portable
// editor, switched on as "Use Comment Text" leaves it.
#include "dialog/layout.h"
#include "platform/memory/rich_text.h"
#include "platform/memory/workbook.h"

namespace quill::testing {

struct HostFixture {
    HostFixture() { excel->sheet(), ed->Enabled(true); }
    memory::Sheet& sheet() { return excel->sheet(); }
    std::shared_ptr<host::Application> app() { return excel->application(); }

    std::shared_ptr<memory::Excel> excel = memory::Excel::Create();
    std::shared_ptr<memory::RichText> ed = memory::MakeRichText(dialog::layout::Find(u"RichTextBox1"));
};

}  // namespace quill::testing
