#include "host/connect.h"

#include <gtest/gtest.h>

#include "platform/memory/settings_store.h"
#include "platform/memory/workbook.h"

namespace quill::host {
namespace {

// Records what Connect does to its dialog.
struct FakeForm : DialogForm {
    bool loaded = false, visible = false;
    void set_xlapp(std::shared_ptr<Application>) override {}
    void set_Connect(std::shared_ptr<DialogOwner>) override {}
    void Show() override { loaded = visible = true; }
    void Hide() override { visible = false; }
    void Unload() override { loaded = visible = false; }
    bool Loaded() const override { return loaded; }
    bool Visible() const override { return visible; }
};

struct NoBoxes : MessageBoxPort {
    MsgAnswer Show(const std::u16string&, MsgButtons, const std::u16string&) override { return ADD_FAILURE(), MsgAnswer::OK; }
};

struct Rig {
    explicit Rig(memory::CommandBarOptions bars = {}) : excel(memory::Excel::Create(bars)) {
        excel->add_workbook();
        connect = Connect::Create({std::make_shared<NoBoxes>(), settings, [this] {
                                       forms.push_back(std::make_shared<FakeForm>());
                                       return forms.back();
                                   }});
    }
    std::vector<std::shared_ptr<memory::BarControl>> ours() const {
        std::vector<std::shared_ptr<memory::BarControl>> out;
        for (auto& c : excel->menu(u"Insert")->controls)
            if (!c->deleted && c->caption == kMenuCaption) out.push_back(c);
        return out;
    }
    std::u16string stored() { return settings->GetSetting(kSettingsApp, kSettingsSection, kSettingsKey, u"<absent>"); }

    std::shared_ptr<memory::Excel> excel;
    std::shared_ptr<memory::MemorySettings> settings = std::make_shared<memory::MemorySettings>();
    std::vector<std::shared_ptr<FakeForm>> forms;
    std::shared_ptr<Connect> connect;
};

// Only mode 0 reads the remembered state, and only the single character "1"
// shows the dialog; mode 2 shows it without a button.
TEST(Connection, ModesAndRememberedState) {
    const struct {
        std::int32_t mode;
        std::optional<std::u16string> value;
        bool button, shown;
    } rows[] = {
        {0, u"1", true, true}, {0, std::nullopt, true, false}, {0, u" 1", true, false}, {0, u"01", true, false},
        {1, u"1", true, false}, {2, std::nullopt, false, true}, {3, u"1", true, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << "mode " << r.mode << " value " << (r.value ? to_utf8(*r.value) : "absent"));
        Rig rig;
        if (r.value) rig.settings->SaveSetting(kSettingsApp, kSettingsSection, kSettingsKey, *r.value);
        rig.connect->AddinInstance_OnConnection(rig.excel->object(), r.mode);
        EXPECT_EQ(std::tuple(rig.ours().size(), rig.connect->MenuHandler() != nullptr, rig.connect->FormDisplayed(),
                             !rig.forms.empty() && rig.forms[0]->visible),
                  std::tuple(r.button ? 1u : 0u, r.button, r.shown, r.shown));
        rig.connect->AddinInstance_OnDisconnection(0);  // a shown dialog is remembered
        EXPECT_EQ(rig.stored(), r.shown ? u"1" : u"0");
    }
}

// Office routes a Click to every button of the same Tag: a Tag-less button
// (another add-in's, or a macro's) must not reach this one, while a leftover
// of an earlier run, which has its Tag, does. Without an Insert menu there is
// no button and nothing to delete.
TEST(MenuCommand, OnlyButtonsWithOurTagOpenTheDialog) {
    for (const std::u16string tag : {u"", kMenuTag}) {
        SCOPED_TRACE(to_utf8(tag));
        Rig rig({.insert_menu = true, .earlier_button = std::u16string(kMenuCaption), .earlier_button_tag = tag});
        rig.connect->AddinInstance_OnConnection(rig.excel->object(), 1);
        auto buttons = rig.ours();
        ASSERT_EQ(buttons.size(), 2u);
        // Appended at the end, with our Tag.
        EXPECT_EQ(std::tuple(rig.excel->menu(u"Insert")->controls.back(), buttons[1]->tag), std::tuple(buttons[1], kMenuTag));
        rig.excel->click(buttons[0]);
        EXPECT_EQ(rig.connect->FormDisplayed(), !tag.empty());
        EXPECT_FALSE(rig.excel->click(buttons[1]));  // CancelDefault stays false
        EXPECT_TRUE(rig.connect->FormDisplayed());
        rig.connect->Hide();
        rig.connect->AddinInstance_OnDisconnection(0);
        EXPECT_EQ(std::tuple(rig.ours().size(), rig.stored()), std::tuple(1u, u"0"));  // only the older button is left
    }
    Rig rig({.insert_menu = false, .earlier_button = std::nullopt});
    rig.connect->AddinInstance_OnConnection(rig.excel->object(), 1);
    EXPECT_EQ(rig.connect->MenuControl(), nullptr);
    rig.connect->AddinInstance_OnDisconnection(0);
}

}  // namespace
}  // namespace quill::host
