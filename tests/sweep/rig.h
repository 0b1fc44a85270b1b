#pragma once
// The whole add-in as a platform assembles it: Connect with the real frmAddIn
// over the in-memory workbook, the portable editor and window model, and a
// fault channel on every port. A channel logs its calls by name and fails
// the n-th one; the host's channel is the workbook's own call log.
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dialog/fakes.h"
#include "host/connect.h"
#include "platform/memory/settings_store.h"
#include "platform/memory/workbook.h"

namespace quill::sweep {

enum class Channel { Host, Editor, Box, Window, Settings, Chooser };
const char* name_of(Channel c);

// Calls of one non-host port, in order; the armed one throws instead of
// reaching the port.
struct NthFault {
    std::vector<std::string> calls;
    std::uint64_t fail_at = 0;  // 1-based among `calls`; 0: none
    bool fail_all = false;      // every call fails
    std::uint64_t thrown = 0;
    std::int32_t number = 0;
    std::u16string description;

    void enter(const char* member) {
        calls.emplace_back(member);
        if (fail_all || calls.size() == fail_at) {
            ++thrown;
            throw HostError(number, description);
        }
    }
};
using FaultPtr = std::shared_ptr<NthFault>;

class FaultyEditor final : public dialog::RichTextEditor {
public:
    FaultyEditor(std::shared_ptr<memory::RichText> doc, FaultPtr fault) : doc_(std::move(doc)), fault_(std::move(fault)) {}
    memory::RichText& doc() { return *doc_; }

#define QUILL_GET(T, M)       \
    T M() override {          \
        fault_->enter(#M);    \
        return doc_->M();     \
    }
#define QUILL_SET(T, M)       \
    void M(T v) override {    \
        fault_->enter(#M "="); \
        doc_->M(v);           \
    }
    QUILL_GET(std::u16string, Text)
    QUILL_SET(const std::u16string&, Text)
    QUILL_GET(std::int32_t, SelStart)
    QUILL_SET(std::int32_t, SelStart)
    QUILL_GET(std::int32_t, SelLength)
    QUILL_SET(std::int32_t, SelLength)
    QUILL_GET(std::u16string, SelText)
    QUILL_GET(std::optional<std::u16string>, SelFontName)
    QUILL_SET(const std::u16string&, SelFontName)
    QUILL_GET(std::optional<float>, SelFontSize)
    QUILL_SET(float, SelFontSize)
    QUILL_GET(std::optional<std::int32_t>, SelColor)
    QUILL_SET(std::int32_t, SelColor)
    QUILL_GET(std::optional<bool>, SelBold)
    QUILL_SET(bool, SelBold)
    QUILL_GET(std::optional<bool>, SelItalic)
    QUILL_SET(bool, SelItalic)
    QUILL_GET(std::optional<bool>, SelUnderline)
    QUILL_SET(bool, SelUnderline)
    QUILL_GET(std::optional<bool>, SelStrikeThru)
    QUILL_SET(bool, SelStrikeThru)
    QUILL_SET(const std::u16string&, TypeText)
    QUILL_GET(bool, Enabled)
    QUILL_SET(bool, Enabled)
    QUILL_GET(float, Left)
    QUILL_GET(float, Top)
    QUILL_SET(float, Top)
    QUILL_GET(float, Width)
    QUILL_SET(float, Width)
    QUILL_GET(float, Height)
    QUILL_SET(float, Height)
    QUILL_GET(bool, HideSelection)
    QUILL_SET(bool, HideSelection)
#undef QUILL_GET
#undef QUILL_SET
    // Wiring, not a call of the control's.
    void OnDblClick(std::function<void()> handler) override { doc_->OnDblClick(std::move(handler)); }

private:
    std::shared_ptr<memory::RichText> doc_;
    FaultPtr fault_;
};

struct Box {
    std::u16string text;
    MsgButtons buttons;
    std::u16string title;
};

// Records the boxes that were shown; answers OK or Yes unless `answers` says
// otherwise. A box whose call fails was never on screen and is not recorded.
class FaultyBoxes final : public MessageBoxPort {
public:
    explicit FaultyBoxes(FaultPtr fault) : fault_(std::move(fault)) {}
    MsgAnswer Show(const std::u16string& text, MsgButtons buttons, const std::u16string& title) override {
        attempted.push_back({text, buttons, title});
        fault_->enter("MsgBox");
        shown.push_back({text, buttons, title});
        if (!answers.empty()) {
            const MsgAnswer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == MsgButtons::OK ? MsgAnswer::OK : MsgAnswer::Yes;
    }
    std::vector<Box> shown;
    std::vector<Box> attempted;  // shown or failed
    std::deque<MsgAnswer> answers;

private:
    FaultPtr fault_;
};

class FaultyWindow final : public dialog::WindowPort {
public:
    FaultyWindow(std::shared_ptr<memory::MemoryWindow> model, FaultPtr fault)
        : model(std::move(model)), fault_(std::move(fault)) {}
    std::vector<dialog::TopLevelWindow> TopLevelWindows(const std::string& className) override {
        fault_->enter("TopLevelWindows");
        return model->TopLevelWindows(className);
    }
    std::uint32_t CurrentProcessId() override {
        fault_->enter("CurrentProcessId");
        return model->CurrentProcessId();
    }
    dialog::WindowHandle SetParent(dialog::WindowHandle child, dialog::WindowHandle parent) override {
        fault_->enter("SetParent");
        return model->SetParent(child, parent);
    }
    dialog::WindowHandle FormHandle() override {
        fault_->enter("FormHandle");
        return model->FormHandle();
    }
    void ShowForm(bool visible) override {
        fault_->enter(visible ? "ShowForm(true)" : "ShowForm(false)");
        model->ShowForm(visible);
    }
    void DestroyForm() override {
        fault_->enter("DestroyForm");
        model->DestroyForm();
    }
    std::shared_ptr<memory::MemoryWindow> model;

private:
    FaultPtr fault_;
};

class FaultySettings final : public SettingsPort {
public:
    explicit FaultySettings(FaultPtr fault) : fault_(std::move(fault)) {}
    std::u16string GetSetting(const std::u16string& app, const std::u16string& section, const std::u16string& key,
                              const std::u16string& fallback) override {
        fault_->enter("GetSetting");
        return store.GetSetting(app, section, key, fallback);
    }
    void SaveSetting(const std::u16string& app, const std::u16string& section, const std::u16string& key,
                     const std::u16string& value) override {
        fault_->enter("SaveSetting");
        store.SaveSetting(app, section, key, value);
    }
    std::u16string stored() { return store.GetSetting(host::kSettingsApp, host::kSettingsSection, host::kSettingsKey, u"<absent>"); }
    memory::MemorySettings store;

private:
    FaultPtr fault_;
};

class FaultyChooser final : public dialog::ChooserPort {
public:
    explicit FaultyChooser(FaultPtr fault) : fault_(std::move(fault)) {}
    bool ChooseColor(dialog::ChooserState& state) override {
        fault_->enter("ChooseColor");
        return script.ChooseColor(state);
    }
    bool ChooseFont(dialog::ChooserState& state) override {
        fault_->enter("ChooseFont");
        return script.ChooseFont(state);
    }
    memory::ScriptedChooser script;

private:
    FaultPtr fault_;
};

struct Rig {
    explicit Rig(memory::CommandBarOptions bars = {});
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    // Forgets every channel's calls so far and arms `c` to fail its k-th call
    // from now on (k = 0: nothing fails).
    void start(Channel c, std::uint64_t k, std::int32_t number, const std::u16string& description);
    std::vector<std::string> calls(Channel c) const;
    std::uint64_t thrown(Channel c) const;

    // Scenario steps the rows share.
    void connect(std::int32_t mode) { connection->AddinInstance_OnConnection(excel->object(), mode); }
    // Connected at the host's start and the dialog opened from the menu.
    void open_dialog();
    dialog::frmAddIn& form();
    memory::RichText& doc() { return need(editor).doc(); }
    memory::Sheet& sheet() { return excel->sheet(); }
    // Our buttons in the Insert menu, and every button that is still there.
    std::vector<std::shared_ptr<memory::BarControl>> ours() const;
    std::size_t live_buttons() const;
    // "Use Comment Text" ticked through its handler, as the user does it.
    void use_comment_text();

    std::shared_ptr<memory::Excel> excel;
    FaultPtr editor_fault = std::make_shared<NthFault>(), box_fault = std::make_shared<NthFault>(),
             window_fault = std::make_shared<NthFault>(), settings_fault = std::make_shared<NthFault>(),
             chooser_fault = std::make_shared<NthFault>();
    std::shared_ptr<FaultyBoxes> boxes = std::make_shared<FaultyBoxes>(box_fault);
    std::shared_ptr<FaultySettings> settings = std::make_shared<FaultySettings>(settings_fault);
    std::shared_ptr<memory::MemoryWindow> window_model = std::make_shared<memory::MemoryWindow>();
    std::shared_ptr<FaultyWindow> window = std::make_shared<FaultyWindow>(window_model, window_fault);
    std::shared_ptr<FaultyChooser> chooser = std::make_shared<FaultyChooser>(chooser_fault);
    std::shared_ptr<quill::testing::FakePictureLoader> pictures = std::make_shared<quill::testing::FakePictureLoader>();
    std::shared_ptr<FaultyEditor> editor;  // the current form's; a new one after every Unload
    std::vector<std::shared_ptr<dialog::frmAddIn>> forms;  // every form Connect made
    std::shared_ptr<host::Connect> connection;
    std::size_t base_buttons = 0;  // buttons in the Insert menu before the add-in came

    // What a run left behind.
    std::optional<HostError> escaped;
    std::shared_ptr<host::CommandBarControl> returned;  // AddToAddInCommandBar's result
    std::u16string text;                                 // getcmt's result
    std::shared_ptr<host::Range> cell;                   // InsertFmtText's argument
    bool cancel_default = true;                          // as the menu click left it

private:
    std::uint64_t host_thrown_at_start_ = 0;
};

}  // namespace quill::sweep
