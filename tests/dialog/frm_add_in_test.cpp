// The form itself: its controls, load, hide and unload, the handlers of its
// own, and how its buttons turn the commands' outcomes into boxes.
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
        // The status line shows while the editor's text is formatted; the
        // preview shows the last picture.
        {"Insert Image, a picture with text", u"OKButton", "B2", {}, false, {},
         {u"Please Wait Formating Text... into Comment cell $B$2", u""}},
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
        const std::u16string picture = u"" QUILL_SOURCE_DIR "/docs/demo.png";
        const bool inserting = r.selection && r.selection == std::string("B2");
        if (inserting) {
            f.excel->scripted_files().choose({picture});
            f.pictures->files[picture] = {2, 2};
            f.form->RichTextBox1->Text(u"Hi"), f.form->RichTextBox1->Enabled(true);
        }
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
        EXPECT_EQ(f.form->Image1.ToolTipText(), inserting ? u"Image of last picture inserted." : u"");
        EXPECT_EQ(f.form->Image1.Picture() ? f.form->Image1.Picture()->Path : u"", inserting ? picture : u"");
    }
}


constexpr WindowHandle kOurMain = 0x222, kOtherMain = 0x111, kHostHwnd = 0x000A0B2C;

// Excel 2000 has no Application.Hwnd worth trusting: the form goes under the
// first XLMAIN window of our own process, and Check1 is off and disabled.
TEST(FormLoad, VersionDecidesCheck1AndWhereTheFormIsParented) {
    const struct {
        const char* name;
        const char16_t* version;
        bool has_hwnd, other_instance_first, ours_exists;
        std::int32_t check1;  // also whether it is enabled
        std::int32_t selected;
        std::optional<WindowHandle> parent;  // nullopt: SetParent never called
    } rows[] = {
        {"Excel 2000, two instances", u"9.0", true, true, true, 0, 1, kOurMain},
        {"Excel 2000, another's only", u"9.0", true, true, false, 0, 1, kOtherMain},
        {"Excel 2000, no XLMAIN", u"9.0", false, false, false, 0, 1, 0},
        {"Excel 2000 without hWnd", u"9.0a", false, true, true, 0, 1, kOurMain},
        {"Excel 2002", u"10.0", true, true, true, 1, 1, kHostHwnd},
        {"older than 2000", u"8.0", true, true, true, 1, 1, kHostHwnd},
        {"no version", u"", true, false, false, 1, 1, kHostHwnd},
        {"no hWnd", u"16.0", false, true, true, 1, 0, std::nullopt},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        FormFixture f;
        f.excel->version = r.version;
        if (!r.has_hwnd) f.excel->hwnd.reset();
        f.window->add_window("XLDESK", 0x333, f.window->process_id);
        if (r.other_instance_first) f.window->add_window("XLMAIN", kOtherMain, 2000);
        if (r.ours_exists) f.window->add_window("XLMAIN", kOurMain, f.window->process_id);
        f.form->Show();
        EXPECT_EQ(f.form->Check1.Value(), r.check1);
        EXPECT_EQ(f.form->Check1.Enabled(), r.check1 == 1);
        EXPECT_EQ(f.form->Orent.Selected(), r.selected);
        if (r.parent) {
            ASSERT_EQ(f.window->set_parent_calls.size(), 1u);
            EXPECT_EQ(f.window->set_parent_calls[0].first, f.window->form);
            EXPECT_EQ(f.window->parent, *r.parent);
        } else {
            EXPECT_TRUE(f.window->set_parent_calls.empty());
        }
        EXPECT_TRUE(f.messages->shown.empty());  // the load never speaks
        EXPECT_TRUE(f.form->Visible());
    }
}


constexpr std::int32_t kBlue = 0xFF0000;

std::vector<bool> text_controls_enabled(frmAddIn& form) {
    std::vector<bool> on{form.RichTextBox1->Enabled()};
    for (std::int32_t i = 1; i <= 4; ++i) on.push_back(form.Orent(i).Enabled());
    for (CommandButton* b : {&form.Command3, &form.Command4, &form.Command5, &form.Command6})
        on.push_back(b->Enabled());
    return on;
}

// The name and version, then an address and a web page on lines of their
// own, no break at the end, in an OK box titled "Pixnote".
TEST(About, ShowsNameVersionAndAddressesInAnOkBox) {
    FormFixture f;
    f.form->Click(u"Command1");
    ASSERT_EQ(f.messages->shown.size(), 1u);
    const auto& [text, buttons, title] = f.messages->shown[0];
    EXPECT_EQ(buttons, MsgButtons::OK);
    EXPECT_EQ(title, u"Pixnote");
    const std::u16string head = u"Quillette Ver. 2.00 by Toravel \r\nemail: ";
    ASSERT_EQ(text.substr(0, head.size()), head);
    const auto brk = text.find(u"\r\n", head.size());
    EXPECT_TRUE(brk > head.size() && brk != std::u16string::npos && text.size() > brk + 2);
    EXPECT_EQ(text.find_first_of(u"\r\n", brk + 2), std::u16string::npos);
}

// The text controls start off. Ticking offers the user's name, selected in blue, only to an empty
// editor; unticking switches the text controls off and changes nothing else.
TEST(Check2, OffersTheUserNameToAnEmptyEditorAndSwitchesTheTextControls) {
    for (const char16_t* kept : {u"", u"hello"}) {
        for (const char16_t* name : {u"Ann Lee", u""}) {
            SCOPED_TRACE(to_utf8(std::u16string(kept) + u"/" + name));
            FormFixture f;
            EXPECT_EQ(text_controls_enabled(*f.form), std::vector<bool>(9, false));  // as the layout has them
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

// Ticking the second of Check3 and Check4 warns; nothing else does.
TEST(OverwriteWarning, ShownOnlyWhenTheSecondBoxIsTicked) {
    FormFixture f;
    const std::pair<const char16_t*, bool> steps[] = {{u"Check3", false}, {u"Check4", true},  {u"Check4", false},
                                                      {u"Check3", false}, {u"Check4", false}, {u"Check3", true},
                                                      {u"Check3", false}, {u"Check4", false}};
    for (const auto& [click, warns] : steps) {
        f.messages->shown.clear();
        f.form->Click(click);
        ASSERT_EQ(f.messages->shown.size(), warns ? 1u : 0u) << to_utf8(click);
        if (!warns) continue;
        EXPECT_EQ(f.messages->shown[0].text,
                  u"When both image & comment overwrite is tickmarked, previous comment will be deleted.");
        EXPECT_EQ(f.messages->shown[0].title, u"Pixnote");
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

}  // namespace
}  // namespace quill::dialog
