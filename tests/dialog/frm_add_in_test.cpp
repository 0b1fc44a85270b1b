#include "dialog/frm_add_in.h"

#include <gtest/gtest.h>

#include <tuple>

#include "dialog/fakes.h"

namespace quill::dialog {
namespace {

using quill::testing::FormFixture;
using quill::testing::ShownBox;

// Orent is exclusive and indexed 1..4; a check box takes only 0 and 1; a
// form needs an editor factory.
TEST(Controls, OrentIsExclusiveAndCheckBoxesTwoState) {
    FormFixture f;
    for (std::int32_t pick : {1, 3, 4, 2}) {
        f.form->Orent(pick).Value(true);
        EXPECT_EQ(f.form->Orent.Selected(), pick);
        for (std::int32_t i = 1; i <= 4; ++i) EXPECT_EQ(f.form->Orent(i).Value(), i == pick) << pick;
    }
    f.form->Orent(2).Value(false);  // clearing selects nothing else
    EXPECT_EQ(f.form->Orent.Selected(), 0);
    for (std::int32_t bad : {0, 5}) {
        try {
            f.form->Orent(bad);
            ADD_FAILURE() << bad;
        } catch (const HostError& e) {
            EXPECT_EQ(e.number(), 340);  // "Control array element does not exist"
        }
    }
    EXPECT_THROW(f.form->Check2.Value(2), HostError);
    EXPECT_THROW(frmAddIn(FormServices{}), HostError);
}

// Hide keeps what the user set; Unload returns every control to the layout,
// with a new, wired editor, and the next Show loads the form again.
TEST(Form, LoadsOnceHideKeepsStateAndUnloadRestoresTheLayout) {
    FormFixture f;
    auto& form = *f.form;
    form.Show();
    form.Check1.Value(0), form.Orent(3).Value(true), form.Label3.Caption(u"Formatting...");
    form.Image1.Picture(std::make_shared<Picture>(Picture{10, 10, u"/p.png"}));
    form.RichTextBox1->Text(u"kept"), form.RichTextBox1->Top(185);
    auto* first_editor = form.RichTextBox1.get();
    form.Hide();
    EXPECT_TRUE(form.Loaded() && !f.window->shown);
    form.Show();
    EXPECT_TRUE(f.window->shown);
    EXPECT_EQ(f.events, (std::vector<std::string>{"frmAddIn.Load"}));
    EXPECT_EQ(form.RichTextBox1->Text(), u"kept");
    form.Unload();
    form.Unload();  // not loaded: nothing more to destroy
    EXPECT_EQ(f.window->destroyed, 1);
    EXPECT_FALSE(form.Loaded() || form.Visible());
    EXPECT_EQ(std::tuple(form.Check1.Value(), form.Orent.Selected(), form.Label3.Caption(), form.Image1.Picture()),
              std::tuple(1, 0, std::u16string(), nullptr));
    EXPECT_NE(form.RichTextBox1.get(), first_editor);
    EXPECT_EQ(form.RichTextBox1->Text(), u"");
    EXPECT_EQ(form.RichTextBox1->Top(), 840.0f);
    EXPECT_FALSE(form.RichTextBox1->Enabled());
    f.editor().FireDblClick();
    EXPECT_EQ(f.events.back(), "RichTextBox1.DblClick");
    form.Show();
    EXPECT_EQ(f.events.size(), 3u);
}

// A user's click changes the control before its handler runs, and a
// disabled control takes no click.
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

// What the buttons make of their commands' outcomes: the boxes, in order,
// with their exact texts, and the status line.
TEST(Adapter, OutcomesBecomeTheBoxesAndCaptionsOfOld) {
    const ShownBox locked{u"Please First Remove Sheet Protection.", MsgButtons::OK, u"Pixnote"};
    const struct {
        const char* name;
        const char16_t* button;
        const char* selection;  // nullptr: a shape
        std::vector<const char*> comments;
        bool protect;
        std::vector<ShownBox> boxes;
        std::vector<std::u16string> captions;
    } rows[] = {
        {"Insert Image, protected", u"OKButton", "A1", {}, true, {locked}, {}},
        {"Insert Text Only, protected", u"Command3", "A1", {}, true, {locked}, {}},
        {"Delete Comment, protected", u"Command2", "A1", {"A1"}, true, {locked}, {}},
        {"Insert Text Only, comment found", u"Command3", "A1", {"A1"}, false,
         {{u"Below Comment is already present.\r\nTo overwrite tickmark the Overwrite comment checkbox.\r\n\r\nnote",
           MsgButtons::OK, u"Comment found"}}, {}},
        {"Delete Comment, one cell", u"Command2", "A1", {"A1"}, false,
         {{u"Do you want to delete comment in the activecell?", MsgButtons::YesNo, u"Delete Comment"}}, {}},
        {"Delete Comment, several cells", u"Command2", "A1:B2", {"A1", "B2"}, false,
         {{u"Do you want to delete all the comments (2) from the seleceted cells", MsgButtons::YesNo,
           u"Delete Comments"}}, {}},
        // Insert Image traps its failure under its own title.
        {"Insert Image, a shape selected", u"OKButton", nullptr, {}, false, {{u"Type mismatch", MsgButtons::OK, u"Quillette"}}, {}},
        {"Insert Image, cancelled", u"OKButton", "A1", {}, false, {}, {u""}},
        // A command without a trap fails to the dispatcher's box.
        {"Get Text, failing", u"Command4", "A1", {}, false, {{u"sheet gone", MsgButtons::OK, u"Pixnote"}}, {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        FormFixture f;
        for (const char* c : r.comments) f.excel->sheet().add_comment(c, u"note");
        f.excel->sheet().protect_contents = r.protect;
        f.excel->sheet().select(r.selection ? r.selection : "A1");
        if (!r.selection) f.excel->sheet().select_shape(), f.excel->scripted_files().choose({u"/a.png"});
        if (r.button == std::u16string(u"Command4")) f.excel->log.fail_nth("Range.Text", 1, 1004, u"sheet gone");
        f.messages->answers = {MsgAnswer::No};
        std::vector<std::u16string> captions;
        f.form->Label3.on_changed = [&](const Control& c) { captions.push_back(c.Caption()); };
        std::vector<Outcome::Kind> outcomes;
        f.form->on_outcome = [&](const Outcome& o) { outcomes.push_back(o.kind); };
        EXPECT_TRUE(f.form->Raise(r.button, Event::Click));
        ASSERT_EQ(f.messages->shown.size(), r.boxes.size());
        for (std::size_t k = 0; k < r.boxes.size(); ++k) {
            const auto& [text, buttons, title] = f.messages->shown[k];
            EXPECT_EQ(std::tie(text, buttons, title), std::tie(r.boxes[k].text, r.boxes[k].buttons, r.boxes[k].title));
        }
        EXPECT_EQ(captions, r.captions);
        EXPECT_EQ(outcomes.size(), 1u);
    }
}

}  // namespace
}  // namespace quill::dialog
