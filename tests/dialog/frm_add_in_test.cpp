#include "dialog/frm_add_in.h"

#include <gtest/gtest.h>

#include "dialog/fakes.h"

namespace quill::dialog {
namespace {

using quill::testing::FormFixture;
using quill::testing::kInvalidCall;
using quill::testing::kInvalidNumber;

TEST(Controls, OrentIsExclusiveAndCheckBoxesTwoState) {
    FormFixture f;
    auto& orent = f.form->Orent;
    EXPECT_EQ(orent.Selected(), 0);
    for (std::int32_t pick : {1, 3, 4, 2}) {
        orent(pick).Value(true);
        for (std::int32_t i = 1; i <= 4; ++i) EXPECT_EQ(orent(i).Value(), i == pick) << pick;
    }
    orent(2).Value(false);  // clearing selects nothing else
    EXPECT_EQ(orent.Selected(), 0);
    for (std::int32_t bad : {0, 5}) {
        try {
            orent(bad);
            ADD_FAILURE() << bad;
        } catch (const HostError& e) {
            EXPECT_EQ(e.number(), 340);
        }
    }
    EXPECT_THROW(f.form->Check2.Value(2), HostError);
    EXPECT_EQ(f.form->Check2.Value(), 0);
    EXPECT_THROW(frmAddIn(FormServices{}), HostError);  // no editor factory
}

TEST(Form, LoadsOnceHideKeepsStateAndUnloadRestoresTheLayout) {
    FormFixture f;
    auto& form = *f.form;
    EXPECT_FALSE(form.Loaded());
    form.Show();
    form.Check1.Value(0);
    form.Orent(3).Value(true);
    form.Label3.Caption(u"Formatting...");
    form.Image1.Picture(std::make_shared<Picture>(Picture{10, 10, u"/p.png"}));
    form.RichTextBox1->Text(u"kept");
    form.RichTextBox1->Top(185);
    auto* first_editor = form.RichTextBox1.get();
    form.Hide();
    EXPECT_TRUE(form.Loaded());
    EXPECT_FALSE(f.window->shown);
    form.Show();
    EXPECT_TRUE(f.window->shown);
    EXPECT_EQ(f.events, (std::vector<std::string>{"frmAddIn.Load"}));
    EXPECT_EQ(form.Check1.Value(), 0);
    EXPECT_EQ(form.Orent.Selected(), 3);
    EXPECT_EQ(form.RichTextBox1->Text(), u"kept");

    form.Unload();
    form.Unload();  // not loaded: nothing more to destroy
    EXPECT_EQ(f.window->destroyed, 1);
    EXPECT_FALSE(form.Loaded());
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(form.Check1.Value(), 1);
    EXPECT_EQ(form.Orent.Selected(), 0);
    EXPECT_EQ(form.Label3.Caption(), u"");
    EXPECT_EQ(form.Image1.Picture(), nullptr);
    EXPECT_NE(form.RichTextBox1.get(), first_editor);
    EXPECT_EQ(form.RichTextBox1->Text(), u"");
    EXPECT_EQ(form.RichTextBox1->Top(), 840.0f);
    EXPECT_FALSE(form.RichTextBox1->Enabled());
    f.editor().FireDblClick();  // the new editor is wired too
    EXPECT_EQ(f.events.back(), "RichTextBox1.DblClick");
    form.Show();
    EXPECT_EQ(f.events.size(), 3u);
}

// A user's click changes the control before its handler runs, and a
// disabled control takes no click. (The common dialog's cancel is tried
// with both CancelError settings by the styling tests.)
TEST(Dispatcher, UserClicksChangeTheControlFirst) {
    FormFixture f;
    f.form->Click(u"Check3");
    EXPECT_EQ(f.form->Check3.Value(), 1);
    f.form->Click(u"Command3");  // disabled by the layout
    f.form->Click(u"Orent", 2);  // disabled by the layout
    EXPECT_EQ(f.form->Orent.Selected(), 0);
    f.form->Orent(2).Enabled(true);
    f.form->Click(u"Orent", 2);
    EXPECT_EQ(f.form->Orent.Selected(), 2);
    EXPECT_EQ(f.events, (std::vector<std::string>{"Check3.Click"}));
    EXPECT_FALSE(f.form->Raise(u"OKButton", Event::DblClick));
    EXPECT_TRUE(f.messages->shown.empty());
}

}  // namespace
}  // namespace quill::dialog
