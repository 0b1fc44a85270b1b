#include <gtest/gtest.h>

#include "dialog/fakes.h"
#include "host/connect.h"
#include "platform/memory/settings_store.h"

namespace quill::dialog {
namespace {

using quill::testing::FormFixture;
constexpr std::int32_t kBlue = 0xFF0000;

std::vector<bool> text_controls_enabled(frmAddIn& form) {
    std::vector<bool> on{form.RichTextBox1->Enabled()};
    for (std::int32_t i = 1; i <= 4; ++i) on.push_back(form.Orent(i).Enabled());
    for (CommandButton* b : {&form.Command3, &form.Command4, &form.Command5, &form.Command6})
        on.push_back(b->Enabled());
    return on;
}

TEST(About, ShowsNameVersionAndAddressesInAnOkBox) {
    FormFixture f;
    f.form->Click(u"Command1");
    ASSERT_EQ(f.messages->shown.size(), 1u);
    const auto& box = f.messages->shown[0];
    EXPECT_EQ(box.buttons, MsgButtons::OK);
    EXPECT_EQ(box.title, u"Pixnote");
    // The name and version, then an address and a web page on lines of their own, no break at the end.
    const std::u16string head = u"Quillette Ver. 2.00 by Toravel \r\nemail: ";
    ASSERT_EQ(box.text.substr(0, head.size()), head);
    const auto brk = box.text.find(u"\r\n", head.size());
    EXPECT_TRUE(brk > head.size() && brk != std::u16string::npos && box.text.size() > brk + 2);
    EXPECT_EQ(box.text.find_first_of(u"\r\n", brk + 2), std::u16string::npos);
}

// Ticking offers the user's name, selected in blue, only to an empty
// editor; unticking switches the text controls off and changes nothing else.
TEST(Check2, OffersTheUserNameToAnEmptyEditorAndSwitchesTheTextControls) {
    for (const char16_t* kept : {u"", u"hello"}) {
        for (const char16_t* name : {u"Ann Lee", u""}) {
            SCOPED_TRACE(to_utf8(std::u16string(kept) + u"/" + name));
            FormFixture f;
            f.excel->user_name = name;
            f.editor().Text(kept);
            f.form->Orent(3).Value(true);
            const std::u16string want = *kept ? kept : name;
            for (int round = 0; round < 2; ++round) {
                f.form->Click(u"Check2");
                EXPECT_EQ(text_controls_enabled(*f.form), std::vector<bool>(9, true));
                EXPECT_EQ(f.editor().Text(), want);
                EXPECT_EQ(f.editor().SelLength(), *kept ? 0 : static_cast<std::int32_t>(want.size()));
                if (!want.empty()) f.excel->user_name = u"Someone Else";  // not asked again
                f.form->Click(u"Check2");
                EXPECT_EQ(text_controls_enabled(*f.form), std::vector<bool>(9, false));
                EXPECT_EQ(f.form->Orent.Selected(), 3);
            }
            auto& doc = f.editor();
            doc.SelStart(static_cast<std::int32_t>(doc.Text().size()));
            doc.TypeText(u"hi");  // an empty name still leaves a blue insertion point
            for (std::int32_t i = 0; i < static_cast<std::int32_t>(doc.Text().size()); ++i)
                EXPECT_EQ(doc.FormatAt(i).color, *kept ? 0 : kBlue) << i;
        }
    }
}

TEST(OverwriteWarning, ShownOnlyWhenTheSecondBoxIsTicked) {
    FormFixture f;
    const struct {
        const char16_t* click;
        bool warns;
    } steps[] = {{u"Check3", false}, {u"Check4", true}, {u"Check4", false}, {u"Check3", false},
                 {u"Check4", false}, {u"Check3", true}, {u"Check3", false}, {u"Check4", false}};
    for (const auto& s : steps) {
        SCOPED_TRACE(to_utf8(s.click) + " after " + std::to_string(f.form->Check3.Value()) +
                     std::to_string(f.form->Check4.Value()));
        f.messages->shown.clear();
        f.form->Click(s.click);
        ASSERT_EQ(f.messages->shown.size(), s.warns ? 1u : 0u);
        if (s.warns) {
            EXPECT_EQ(f.messages->shown[0].text,
                      u"When both image & comment overwrite is tickmarked, previous comment will be deleted.");
            EXPECT_EQ(f.messages->shown[0].title, u"Pixnote");
        }
    }
}

struct Geometry {
    float left, top, width, height;
    bool operator==(const Geometry&) const = default;
};
Geometry geometry(RichTextEditor& e) { return {e.Left(), e.Top(), e.Width(), e.Height()}; }
constexpr Geometry kNormal{120, 840, 2340, 2535}, kZoomed{120, 185, 3650, 3200};

TEST(Zoom, DoubleClickTogglesOnlyWhileCheck2IsTicked) {
    FormFixture f;
    auto& ed = *f.form->RichTextBox1;
    f.form->Raise(u"RichTextBox1", Event::DblClick);
    EXPECT_EQ(geometry(ed), kNormal);
    f.form->Click(u"Check2");
    f.editor().FireDblClick();
    EXPECT_EQ(geometry(ed), kZoomed);
    f.editor().FireDblClick();
    EXPECT_EQ(geometry(ed), kNormal);  // the layout's width again, not 100 twips narrower
    f.editor().FireDblClick();
    f.form->Click(u"Check2");  // unticked while zoomed: stays zoomed, disabled
    f.form->Raise(u"RichTextBox1", Event::DblClick);
    EXPECT_EQ(geometry(ed), kZoomed);
}

// Close and show again through a real connection: the form stays loaded
// with everything the user set; only a new connection starts afresh.
TEST(CloseAndShow, KeepTheFormAsTheUserLeftIt) {
    auto excel = memory::Excel::Create();
    excel->add_workbook();
    auto boxes = std::make_shared<quill::testing::ScriptedMessageBox>();
    std::vector<std::shared_ptr<FormFixture>> made;
    auto connect = host::Connect::Create({boxes, std::make_shared<memory::MemorySettings>(), [&] {
                                              made.push_back(std::make_shared<FormFixture>());
                                              return made.back()->form;
                                          }});
    connect->AddinInstance_OnConnection(excel->object(), 0);
    connect->Show();
    ASSERT_EQ(made.size(), 1u);
    auto& f = *made[0];
    auto& form = *f.form;
    form.Click(u"Check2");
    form.Click(u"Check3");
    form.Click(u"Check1");
    form.Orent(4).Value(true);
    f.editor().FireDblClick();
    const std::u16string text = f.editor().Text();

    form.Click(u"CancelButton");
    EXPECT_FALSE(form.Visible());
    EXPECT_TRUE(form.Loaded());
    EXPECT_EQ(form.xlapp, nullptr);
    EXPECT_FALSE(connect->FormDisplayed());
    connect->Show();
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(form.xlapp, connect->xlapp());
    EXPECT_EQ(f.events, (std::vector<std::string>{"frmAddIn.Load", "Check2.Click", "Check3.Click",
                                                  "RichTextBox1.DblClick", "CancelButton.Click"}));
    EXPECT_EQ(form.Check3.Value(), 1);
    EXPECT_EQ(form.Check1.Value(), 0);
    EXPECT_EQ(form.Orent.Selected(), 4);
    EXPECT_EQ(f.editor().Text(), text);
    EXPECT_EQ(geometry(*form.RichTextBox1), kZoomed);
    EXPECT_TRUE(boxes->shown.empty() && f.messages->shown.empty());

    connect->AddinInstance_OnDisconnection(1);
    connect->AddinInstance_OnConnection(excel->object(), 0);
    connect->Show();
    ASSERT_EQ(made.size(), 2u);
    EXPECT_EQ(made[1]->form->Check1.Value(), 1);
    EXPECT_EQ(made[1]->form->Orent.Selected(), 1);
    EXPECT_EQ(made[1]->editor().Text(), u"");
}

}  // namespace
}  // namespace quill::dialog
