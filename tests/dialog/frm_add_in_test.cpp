#include "dialog/frm_add_in.h"

#include <gtest/gtest.h>

#include "dialog/fakes.h"

namespace quill::dialog {
namespace {

using quill::testing::FormFixture;

TEST(OptionGroup, SelectingOneDeselectsTheOthers) {
    FormFixture f;
    auto& orent = f.form->Orent;
    EXPECT_EQ(orent.Selected(), 0);
    for (std::int32_t pick : {1, 3, 4, 2}) {
        SCOPED_TRACE(pick);
        orent(pick).Value(true);
        for (std::int32_t i = 1; i <= 4; ++i) EXPECT_EQ(orent(i).Value(), i == pick);
        EXPECT_EQ(orent.Selected(), pick);
    }
    orent(2).Value(false);  // clearing leaves none selected, selects nothing else
    EXPECT_EQ(orent.Selected(), 0);
    for (std::int32_t bad : {0, 5, -1}) {
        try {
            orent(bad);
            ADD_FAILURE() << bad;
        } catch (const HostError& e) {
            EXPECT_EQ(e.number(), 340);
        }
    }
}

TEST(Controls, CheckBoxesAreTwoState) {
    FormFixture f;
    EXPECT_EQ(f.form->Check1.Value(), 1);
    EXPECT_EQ(f.form->Check2.Value(), 0);
    EXPECT_THROW(f.form->Check2.Value(2), HostError);
    EXPECT_EQ(f.form->Check2.Value(), 0);
    EXPECT_NE(f.form->Orent(2).Picture(), nullptr);
    EXPECT_EQ(f.form->Orent(1).Picture(), nullptr);
    EXPECT_FALSE(f.form->CommonDialog1.Visible());
}

TEST(Form, LoadsOnFirstShowOnlyAndAgainAfterUnload) {
    FormFixture f;
    auto& form = *f.form;
    EXPECT_FALSE(form.Loaded());
    form.Show();
    EXPECT_TRUE(form.Loaded());
    EXPECT_TRUE(form.Visible());
    EXPECT_TRUE(f.window->shown);
    form.Hide();
    EXPECT_TRUE(form.Loaded());
    EXPECT_FALSE(form.Visible());
    EXPECT_FALSE(f.window->shown);
    form.Show();
    EXPECT_EQ(f.events, (std::vector<std::string>{"frmAddIn.Load"}));
    form.Unload();
    EXPECT_FALSE(form.Loaded());
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(f.window->destroyed, 1);
    form.Unload();  // not loaded: nothing to destroy
    EXPECT_EQ(f.window->destroyed, 1);
    form.Show();
    EXPECT_EQ(f.events.size(), 2u);
}

TEST(Form, HideKeepsStateAndUnloadRestoresTheLayout) {
    FormFixture f;
    auto& form = *f.form;
    form.Show();
    form.Check1.Value(0);
    form.Check1.Enabled(false);
    form.Orent(3).Value(true);
    form.Label3.Caption(u"Formatting...");
    form.Image1.Picture(std::make_shared<Picture>(Picture{10, 10, u"/p.png"}));
    form.RichTextBox1->Text(u"kept");
    form.RichTextBox1->Top(185);
    auto* first_editor = form.RichTextBox1.get();

    form.Hide();
    form.Show();
    EXPECT_EQ(form.Check1.Value(), 0);
    EXPECT_EQ(form.Orent.Selected(), 3);
    EXPECT_EQ(form.RichTextBox1->Text(), u"kept");

    form.Unload();
    EXPECT_EQ(form.Check1.Value(), 1);
    EXPECT_TRUE(form.Check1.Enabled());
    EXPECT_EQ(form.Orent.Selected(), 0);
    EXPECT_EQ(form.Label3.Caption(), u"");
    EXPECT_EQ(form.Image1.Picture(), nullptr);
    EXPECT_NE(form.RichTextBox1.get(), first_editor);
    EXPECT_EQ(form.RichTextBox1->Text(), u"");
    EXPECT_EQ(form.RichTextBox1->Top(), 840.0f);
    EXPECT_FALSE(form.RichTextBox1->Enabled());
    // The new editor is wired too.
    f.editor().FireDblClick();
    EXPECT_EQ(f.events.back(), "RichTextBox1.DblClick");
}

TEST(Dispatcher, ShowsAnEscapedErrorInAPixnoteBox) {
    FormFixture f;
    struct Row { std::function<void()> fail; std::u16string text; };
    const Row rows[] = {
        {[] { throw HostError(1004, u"Application-defined or object-defined error"); },
         u"Application-defined or object-defined error"},
        {[] { throw std::runtime_error("boom"); }, u"Internal error: boom"},
    };
    for (const auto& r : rows) {
        f.form->Dispatch(r.fail);
        ASSERT_FALSE(f.messages->shown.empty());
        EXPECT_EQ(f.messages->shown.back().text, r.text);
        EXPECT_EQ(f.messages->shown.back().title, u"Pixnote");
        EXPECT_EQ(f.messages->shown.back().buttons, MsgButtons::OK);
    }
    f.messages->fail = true;  // even a box that cannot be shown lets nothing out
    EXPECT_NO_THROW(f.form->Dispatch([] { throw HostError(5, u"x"); }));
}

TEST(Dispatcher, EveryHandlerIsWiredToItsControl) {
    FormFixture f;
    const std::pair<std::u16string, Event> wired[] = {
        {u"frmAddIn", Event::Load},  {u"OKButton", Event::Click}, {u"CancelButton", Event::Click},
        {u"Command1", Event::Click}, {u"Command2", Event::Click}, {u"Command3", Event::Click},
        {u"Command4", Event::Click}, {u"Command5", Event::Click}, {u"Command6", Event::Click},
        {u"Check2", Event::Click},   {u"Check3", Event::Click},   {u"Check4", Event::Click},
        {u"RichTextBox1", Event::DblClick}};
    for (const auto& [name, event] : wired) EXPECT_TRUE(f.form->Raise(name, event)) << to_utf8(name);
    EXPECT_EQ(f.events.size(), std::size(wired));
    // Handlers without a host may report that; an unwired event shows nothing.
    const auto boxes = f.messages->shown.size();
    for (auto name : {u"Check1", u"Orent", u"Label3", u"Image1", u"Frame1", u"nosuch"})
        EXPECT_FALSE(f.form->Raise(name, Event::Click, name == std::u16string_view(u"Orent") ? 2 : 0));
    EXPECT_FALSE(f.form->Raise(u"OKButton", Event::DblClick));
    EXPECT_EQ(f.messages->shown.size(), boxes);
}

TEST(Dispatcher, UserClicksChangeTheControlThenRaise) {
    FormFixture f;
    auto& form = *f.form;
    form.Click(u"Check3");
    EXPECT_EQ(form.Check3.Value(), 1);
    form.Click(u"Check3");
    EXPECT_EQ(form.Check3.Value(), 0);
    form.Click(u"Command3");  // disabled by the layout
    form.Click(u"Orent", 2);  // disabled by the layout
    EXPECT_EQ(form.Orent.Selected(), 0);
    form.Orent(2).Enabled(true);
    form.Click(u"Orent", 2);
    EXPECT_EQ(form.Orent.Selected(), 2);
    EXPECT_EQ(f.events, (std::vector<std::string>{"Check3.Click", "Check3.Click"}));
}

TEST(Form, NeedsAnEditorFactory) {
    EXPECT_THROW(frmAddIn(FormServices{}), HostError);
    FormServices s;
    s.make_editor = [](const LayoutRow&) { return std::shared_ptr<RichTextEditor>(); };
    EXPECT_THROW(frmAddIn{s}, HostError);
}

TEST(CommonDialog, CancelRaisesOnlyWhenAskedTo) {
    FormFixture f;
    auto& cd = f.form->CommonDialog1;
    f.chooser->cancel().cancel().color(0x123456);
    cd.ShowColor();  // CancelError false: a cancel returns quietly
    cd.CancelError(true);
    try {
        cd.ShowColor();
        ADD_FAILURE();
    } catch (const HostError& e) {
        EXPECT_EQ(e.number(), err::kCancel);
    }
    cd.ShowColor();
    EXPECT_EQ(cd.Color(), 0x123456);
}

}  // namespace
}  // namespace quill::dialog
