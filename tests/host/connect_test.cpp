#include <gtest/gtest.h>

#include "host/connect.h"
#include "platform/memory/settings_store.h"
#include "platform/memory/workbook.h"

namespace quill::host {
namespace {

using memory::Excel;

// Records what Connect does to its dialog; fault switches make each of its
// members fail on demand.
struct FakeForm : DialogForm {
    std::vector<std::string> calls;
    std::shared_ptr<Application> app;
    std::weak_ptr<host::Connect> owner;  // as the real form holds it: no cycle
    bool loaded = false, visible = false, fail_show = false, fail_hide = false, fail_unload = false;
    int loads = 0;
    std::function<void()> on_show;
    void set_xlapp(std::shared_ptr<Application> a) override { calls.push_back("xlapp"); app = std::move(a); }
    void set_Connect(std::shared_ptr<host::Connect> c) override { calls.push_back("Connect"); owner = std::move(c); }
    void Show() override {
        calls.push_back("Show");
        if (fail_show) throw HostError(5, u"show failed");
        if (on_show) on_show();
        if (!loaded) ++loads;
        loaded = visible = true;
    }
    void Hide() override {
        calls.push_back("Hide");
        if (fail_hide) throw HostError(5, u"hide failed");
        visible = false;
    }
    void Unload() override {
        calls.push_back("Unload");
        if (fail_unload) throw HostError(5, u"unload failed");
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

struct FlakySettings : memory::MemorySettings {
    bool fail_save = false;
    void SaveSetting(const std::u16string& a, const std::u16string& s, const std::u16string& k,
                     const std::u16string& v) override {
        if (fail_save) throw HostError(75, u"no store");
        MemorySettings::SaveSetting(a, s, k, v);
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
    std::shared_ptr<FlakySettings> settings = std::make_shared<FlakySettings>();
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

TEST(Connection, ForeignApplicationIsReportedAndConnectionGoesOn) {
    Rig rig;
    rig.connect->AddinInstance_OnConnection(Excel::foreign_object(), 1);
    ASSERT_EQ(rig.boxes->shown.size(), 1u);
    EXPECT_EQ(rig.boxes->shown[0].first, u"Type mismatch");
    EXPECT_EQ(rig.boxes->shown[0].second, u"Pixnote");
    EXPECT_EQ(rig.connect->xlapp(), nullptr);
    EXPECT_TRUE(rig.ours().empty());
    EXPECT_EQ(rig.connect->MenuHandler(), nullptr);
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

TEST(MenuCommand, CaptionOrTagFailureTakesTheNewButtonAwayAgain) {
    for (const char* member : {"CommandBarControl.Caption", "CommandBarControl.Tag"}) {
        SCOPED_TRACE(member);
        Rig rig;
        rig.excel->log.fail_nth(member, 1, 1004, u"refused");
        const auto before = rig.excel->menu(u"Insert")->controls.size();
        rig.connect->AddinInstance_OnConnection(rig.excel->object(), 1);
        EXPECT_EQ(rig.connect->MenuControl(), nullptr);
        EXPECT_EQ(rig.connect->MenuHandler(), nullptr);
        std::size_t alive = 0;
        for (auto& c : rig.excel->menu(u"Insert")->controls) alive += c->deleted ? 0 : 1;
        EXPECT_EQ(alive, before);
        EXPECT_TRUE(rig.boxes->shown.empty());
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

TEST(Lifecycle, HideThenDisconnectRemembersClosed) {
    Rig rig;
    rig.connect->AddinInstance_OnConnection(rig.excel->object(), 2);
    rig.connect->Hide();
    EXPECT_FALSE(rig.connect->FormDisplayed());
    EXPECT_TRUE(rig.forms[0]->loaded);
    rig.connect->AddinInstance_OnDisconnection(0);
    EXPECT_EQ(rig.stored(), u"0");
}

TEST(Lifecycle, ReleasingConnectAfterDisconnectionLeavesNoCycle) {
    Rig rig;
    rig.connect->AddinInstance_OnConnection(rig.excel->object(), 2);
    rig.connect->AddinInstance_OnDisconnection(0);
    std::weak_ptr<Connect> weak = rig.connect;
    rig.connect.reset();
    EXPECT_TRUE(weak.expired());
}

// Disconnection, Show and Hide skip each failing step and run the rest.
TEST(Lifecycle, FailingStepsAreSkipped) {
    {
        SCOPED_TRACE("disconnection: delete, save and unload fail");
        Rig rig;
        rig.connect->AddinInstance_OnConnection(rig.excel->object(), 1);
        rig.connect->Show();
        rig.excel->log.fail_every("CommandBarControl.Delete", 1004, u"gone");
        rig.settings->fail_save = true;
        rig.forms[0]->fail_unload = true;
        rig.connect->AddinInstance_OnDisconnection(0);
        EXPECT_FALSE(rig.connect->FormDisplayed());
        EXPECT_EQ(rig.connect->DialogForm(), nullptr);
        EXPECT_EQ(rig.connect->xlapp(), nullptr);
        EXPECT_EQ(rig.ours().size(), 1u);  // the delete failed, the button stays
        EXPECT_EQ(rig.stored(), u"<absent>");
    }
    {
        SCOPED_TRACE("Show: the form fails to show");
        Rig rig;
        rig.connect->AddinInstance_OnConnection(rig.excel->object(), 1);
        rig.connect->Hide();  // creates the form
        rig.forms[0]->fail_show = true;
        rig.connect->Show();
        EXPECT_TRUE(rig.connect->FormDisplayed());
        EXPECT_EQ(rig.forms[0]->owner.lock(), rig.connect);
    }
    {
        SCOPED_TRACE("Hide: the form fails to hide");
        Rig rig;
        rig.connect->AddinInstance_OnConnection(rig.excel->object(), 2);
        rig.forms[0]->fail_hide = true;
        rig.connect->Hide();
        EXPECT_FALSE(rig.connect->FormDisplayed());
    }
}

}  // namespace
}  // namespace quill::host
