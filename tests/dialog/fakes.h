#pragma once
// A frmAddIn on the shared stand-ins, with the portable editor, window model,
// scripted choosers and an in-memory workbook as its xlapp: for the tests of
// the form itself. Other test folders include this too ("dialog/fakes.h").
#include <gtest/gtest.h>

#include "platform/memory/chooser.h"
#include "platform/memory/window.h"
#include "platform/memory/workbook.h"
#include "support/host_fixture.h"
#include "support/stand_ins.h"

namespace quill::testing {

// `events` lists the handlers that ran, as "control.Event".
struct FormFixture : HostFixture {
    FormFixture() {
        form = std::make_shared<dialog::frmAddIn>(dialog::FormServices{
            .messages = messages, .make_editor = memory::MakeRichText, .chooser = chooser, .pictures = pictures,
            .window = window, .code_page = nullptr, .progress = nullptr});
        form->on_event = [this](std::u16string_view control, dialog::Event e) {
            static const char* const names[] = {"Load", "Click", "DblClick"};
            events.push_back(to_utf8(std::u16string(control)) + "." + names[static_cast<int>(e)]);
        };
        form->xlapp = app();
    }
    memory::RichText& editor() { return static_cast<memory::RichText&>(*form->RichTextBox1); }

    std::shared_ptr<ScriptedMessageBox> messages = std::make_shared<ScriptedMessageBox>();
    std::shared_ptr<memory::ScriptedChooser> chooser = std::make_shared<memory::ScriptedChooser>();
    std::shared_ptr<FakePictureLoader> pictures = std::make_shared<FakePictureLoader>();
    std::shared_ptr<memory::MemoryWindow> window = std::make_shared<memory::MemoryWindow>();
    std::shared_ptr<dialog::frmAddIn> form;
    std::vector<std::string> events;
};

}  // namespace quill::testing
