#include <gtest/gtest.h>

#include "host/connect.h"
#include "platform/memory/settings_store.h"
#include "platform/memory/workbook.h"

namespace quill::host {
namespace {

using memory::Excel;

// Records what Connect does to its dialog.
struct FakeForm : DialogForm {
    std::vector<std::string> calls;
    std::shared_ptr<Application> app;
    std::weak_ptr<host::DialogOwner> owner;  // as the real form holds it: no cycle
    bool loaded = false, visible = false;
    int loads = 0;
    std::function<void()> on_show;
    void set_xlapp(std::shared_ptr<Application> a) override { calls.push_back("xlapp"); app = std::move(a); }
    void set_Connect(std::shared_ptr<host::DialogOwner> c) override { calls.push_back("Connect"); owner = std::move(c); }
    void Show() override {
        calls.push_back("Show");
        if (on_show) on_show();
        if (!loaded) ++loads;
        loaded = visible = true;
    }
    void Hide() override {
        calls.push_back("Hide");
        visible = false;
    }
    void Unload() override {
        calls.push_back("Unload");
        loaded = visible = false;
        owner.reset();  // the form's reference to Connect goes with it
    }
    bool Loaded() const override { return loaded; }
    bool Visible() const override { return visible; }
};

struct RecordingBoxes : MessageBoxPort {
    std::vector<std::pair<std::u16string, std::u16string>> shown;  // text, title
    MsgAnswer Show(const std::u16string& text, MsgButtons, const std::u16string& title) override {
        shown.emplace_back(text, title);
        return MsgAnswer::OK;
    }
};

struct Rig {
    explicit Rig(memory::CommandBarOptions bars = {}) : excel(Excel::Create(bars)) {
        excel->add_workbook();
        connect = Connect::Create({boxes, settings, [this] {
                                       forms.push_back(std::make_shared<FakeForm>());
                                       return forms.back();
                                   }});
    }
    std::shared_ptr<Excel> excel;
    std::shared_ptr<RecordingBoxes> boxes = std::make_shared<RecordingBoxes>();
    std::shared_ptr<memory::MemorySettings> settings = std::make_shared<memory::MemorySettings>();
    std::vector<std::shared_ptr<FakeForm>> forms;
    std::shared_ptr<Connect> connect;

    std::vector<std::shared_ptr<memory::BarControl>> ours() const {
        std::vector<std::shared_ptr<memory::BarControl>> out;
        for (auto& c : excel->menu(u"Insert")->controls)
            if (!c->deleted && c->caption == kMenuCaption) out.push_back(c);
        return out;
    }
    std::u16string stored() {
        return settings->GetSetting(kSettingsApp, kSettingsSection, kSettingsKey, u"<absent>");
    }
};

// Connection modes against the remembered state: only mode 0 reads it, and only
// the single character "1" shows the dialog.
TEST(Connection, ModesAndRememberedState) {
    struct Row { std::int32_t mode; std::optional<std::u16string> value; bool button; bool shown; };
    const Row rows[] = {
        {0, u"1", true, true},    {0, std::nullopt, true, false}, {0, u" 1", true, false},
        {0, u"01", true, false},  {0, u"yes", true, false},       {0, u"", true, false},
        {1, u"1", true, false},   {2, u"1", false, true},         {2, std::nullopt, false, true},
        {3, u"1", true, false},   {7, u"1", true, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << "mode " << r.mode << " value "
                                        << (r.value ? to_utf8(*r.value) : std::string("absent")));
        Rig rig;
        if (r.value) rig.settings->SaveSetting(kSettingsApp, kSettingsSection, kSettingsKey, *r.value);
        rig.connect->AddinInstance_OnConnection(rig.excel->object(), r.mode);
        EXPECT_NE(rig.connect->xlapp(), nullptr);
        EXPECT_EQ(rig.ours().size(), r.button ? 1u : 0u);
        EXPECT_EQ(rig.connect->MenuHandler() != nullptr, r.button);
        EXPECT_EQ(rig.connect->FormDisplayed(), r.shown);
        EXPECT_EQ(!rig.forms.empty() && rig.forms[0]->visible, r.shown);
        EXPECT_TRUE(rig.boxes->shown.empty());
    }
}

TEST(Connection, ButtonIsAddedBeforeTheDialogIsShown) {
    Rig rig;
    rig.settings->SaveSetting(kSettingsApp, kSettingsSection, kSettingsKey, u"1");
    rig.excel->log.clear();
    std::uint64_t captions_at_show = 0;
    rig.connect->Hide();  // creates the form so that its Show can be watched
    rig.forms[0]->on_show = [&] { captions_at_show = rig.excel->log.count("CommandBarControl.Caption"); };
    rig.forms[0]->calls.clear();
    rig.connect->AddinInstance_OnConnection(rig.excel->object(), 0);
    EXPECT_EQ(captions_at_show, 1u);
    ASSERT_EQ(rig.forms.size(), 1u);
    EXPECT_EQ(rig.forms[0]->calls, (std::vector<std::string>{"xlapp", "Connect", "Show"}));
    EXPECT_EQ(rig.forms[0]->app, rig.connect->xlapp());
    EXPECT_EQ(rig.forms[0]->owner.lock(), rig.connect);
}

TEST(MenuCommand, MissingInsertMenuGivesNoButtonAndNoMessage) {
    Rig rig({.insert_menu = false, .earlier_button = std::nullopt});
    rig.connect->AddinInstance_OnConnection(rig.excel->object(), 1);
    EXPECT_EQ(rig.connect->MenuControl(), nullptr);
    EXPECT_EQ(rig.connect->MenuHandler(), nullptr);
    EXPECT_TRUE(rig.boxes->shown.empty());
    rig.connect->AddinInstance_OnDisconnection(0);  // deleting nothing is fine
    EXPECT_EQ(rig.stored(), u"0");
}

// Office routes a Click to every button of the same Tag: a Tag-less button
// (another add-in's, or a macro's) must not reach this one, while a leftover
// of an earlier run, which has its Tag, does.
TEST(MenuCommand, OlderButtonWithSameCaptionIsNotReused) {
    for (const std::u16string tag : {u"", kMenuTag}) {
        SCOPED_TRACE(std::string(tag.begin(), tag.end()));
        Rig rig({.insert_menu = true, .earlier_button = std::u16string(kMenuCaption), .earlier_button_tag = tag});
        rig.connect->AddinInstance_OnConnection(rig.excel->object(), 1);
        auto buttons = rig.ours();
        ASSERT_EQ(buttons.size(), 2u);
        EXPECT_EQ(rig.excel->menu(u"Insert")->controls.back(), buttons[1]);  // appended at the end
        EXPECT_EQ(buttons[1]->tag, kMenuTag);
        rig.excel->click(buttons[0]);
        EXPECT_EQ(rig.connect->FormDisplayed(), !tag.empty());
        EXPECT_FALSE(rig.excel->click(buttons[1]));  // CancelDefault stays false
        EXPECT_TRUE(rig.connect->FormDisplayed());
        rig.connect->AddinInstance_OnDisconnection(0);
        EXPECT_EQ(rig.ours().size(), 1u);  // only the older one is left
    }
}

TEST(Lifecycle, ConnectClickDisconnectEndToEnd) {
    Rig rig;
    rig.connect->AddinInstance_OnConnection(rig.excel->object(), 1);
    ASSERT_EQ(rig.ours().size(), 1u);
    rig.excel->click(rig.ours()[0]);
    ASSERT_EQ(rig.forms.size(), 1u);
    EXPECT_TRUE(rig.forms[0]->visible);
    rig.excel->click(rig.ours()[0]);  // a second Show keeps the one dialog
    EXPECT_EQ(rig.forms.size(), 1u);
    EXPECT_EQ(rig.forms[0]->loads, 1);
    rig.connect->AddinInstance_OnDisconnection(1);
    EXPECT_TRUE(rig.ours().empty());
    EXPECT_EQ(rig.stored(), u"1");
    EXPECT_FALSE(rig.connect->FormDisplayed());
    EXPECT_FALSE(rig.forms[0]->loaded);
    EXPECT_EQ(rig.connect->DialogForm(), nullptr);
    EXPECT_EQ(rig.connect->xlapp(), nullptr);
}

TEST(Lifecycle, HiddenIsRememberedClosedAndReleasingLeavesNoCycle) {
    Rig rig;
    rig.connect->AddinInstance_OnConnection(rig.excel->object(), 2);
    rig.connect->Hide();
    rig.connect->AddinInstance_OnDisconnection(0);
    EXPECT_EQ(rig.stored(), u"0");  // hidden: remembered as closed
    std::weak_ptr<Connect> weak = rig.connect;
    rig.connect.reset();
    EXPECT_TRUE(weak.expired());
}

}  // namespace
}  // namespace quill::host
