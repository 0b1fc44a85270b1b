#pragma once
// Strict, scriptable stand-ins for the dialog's ports, and a fixture that
// builds a frmAddIn on them with the portable editor, window model and
// scripted choosers. Other test folders include this too ("dialog/fakes.h").
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dialog/frm_add_in.h"
#include "platform/memory/chooser.h"
#include "platform/memory/rich_text.h"
#include "platform/memory/window.h"

namespace quill::testing {

struct ShownBox {
    std::u16string text;
    MsgButtons buttons;
    std::u16string title;
};

// Records every box; answers from `answers` in order, then OK (or Yes).
class ScriptedMessageBox final : public MessageBoxPort {
public:
    MsgAnswer Show(const std::u16string& text, MsgButtons buttons, const std::u16string& title) override {
        shown.push_back({text, buttons, title});
        if (fail) throw HostError(7, u"Out of memory");
        if (!answers.empty()) {
            const MsgAnswer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == MsgButtons::OK ? MsgAnswer::OK : MsgAnswer::Yes;
    }
    std::vector<ShownBox> shown;
    std::deque<MsgAnswer> answers;
    bool fail = false;  // throw after recording
};

class FakePictureLoader final : public dialog::PictureLoader {
public:
    std::shared_ptr<const dialog::Picture> LoadPicture(const std::u16string& path) override {
        loaded.push_back(path);
        if (path.empty()) return nullptr;
        auto it = files.find(path);
        if (it == files.end()) throw HostError(53, u"File not found");
        return std::make_shared<dialog::Picture>(dialog::Picture{it->second.first, it->second.second, path});
    }
    std::map<std::u16string, std::pair<std::int32_t, std::int32_t>> files;  // path -> pixel size
    std::vector<std::u16string> loaded;
};

// A frmAddIn on fakes, with the portable editor; `events` lists the handlers
// that ran, as "control.Event".
struct FormFixture {
    FormFixture() {
        dialog::FormServices s;
        s.messages = messages;
        s.chooser = chooser;
        s.pictures = pictures;
        s.window = window;
        s.make_editor = memory::MakeRichText;
        form = std::make_shared<dialog::frmAddIn>(std::move(s));
        form->on_event = [this](std::u16string_view control, dialog::Event e) {
            static const char* const names[] = {"Load", "Click", "DblClick"};
            events.push_back(to_utf8(std::u16string(control)) + "." + names[static_cast<int>(e)]);
        };
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
