#pragma once
// Strict, scriptable stand-ins for the dialog's ports, and a fixture that
// builds a frmAddIn on them with the portable editor. Other test folders
// include this too ("dialog/fakes.h").
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dialog/frm_add_in.h"
#include "platform/memory/rich_text.h"

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

class FakeWindow final : public dialog::WindowPort {
public:
    dialog::WindowHandle FindWindowA(const std::optional<std::string>& className,
                                     const std::optional<std::string>& windowName) override {
        finds.emplace_back(className.value_or("<null>"), windowName.value_or("<null>"));
        auto it = top_level.find(className.value_or(""));
        return it == top_level.end() ? 0 : it->second;
    }
    dialog::WindowHandle SetParent(dialog::WindowHandle child, dialog::WindowHandle newParent) override {
        parents.emplace_back(child, newParent);
        return 0;
    }
    dialog::WindowHandle FormHandle() override { return form_handle; }
    void ShowForm(bool visible) override { shown = visible; }
    void DestroyForm() override { ++destroyed; }

    std::map<std::string, dialog::WindowHandle> top_level;  // class name -> first window
    dialog::WindowHandle form_handle = 0x2A0;
    std::vector<std::pair<std::string, std::string>> finds;
    std::vector<std::pair<dialog::WindowHandle, dialog::WindowHandle>> parents;
    bool shown = false;
    int destroyed = 0;
};

// Answers each dialog from `answers` (true OK, false cancel; OK when empty)
// and, on OK, lets `choose` fill in the choice.
class FakeChooser final : public dialog::ChooserPort {
public:
    bool ChooseColor(dialog::ChooserState& s) override { return answer(s, colour_calls); }
    bool ChooseFont(dialog::ChooserState& s) override { return answer(s, font_calls); }
    std::deque<bool> answers;
    std::function<void(dialog::ChooserState&)> choose;
    std::vector<dialog::ChooserState> colour_calls, font_calls;  // the state each dialog was shown with

private:
    bool answer(dialog::ChooserState& s, std::vector<dialog::ChooserState>& log) {
        log.push_back(s);
        bool ok = true;
        if (!answers.empty()) {
            ok = answers.front();
            answers.pop_front();
        }
        if (ok && choose) choose(s);
        return ok;
    }
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
    std::shared_ptr<FakeChooser> chooser = std::make_shared<FakeChooser>();
    std::shared_ptr<FakePictureLoader> pictures = std::make_shared<FakePictureLoader>();
    std::shared_ptr<FakeWindow> window = std::make_shared<FakeWindow>();
    std::shared_ptr<dialog::frmAddIn> form;
    std::vector<std::string> events;
};

}  // namespace quill::testing
