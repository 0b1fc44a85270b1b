// The form itself: its controls, load, hide and unload, the handlers of its
// own, and how its buttons turn the commands' outcomes into boxes.
#include "dialog/frm_add_in.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "dialog/fakes.h"

namespace quill::dialog {
namespace {

using quill::testing::FormFixture;
using quill::testing::ShownBox;


// A double click zooms the editor and back only while Check2 is ticked. Hide
// keeps what the user set; Unload returns every control to the layout, with
// a new, wired editor, and the next Show loads the form again.
TEST(Form, ZoomHideAndUnload) {
    FormFixture f;
    auto& form = *f.form;
    const auto geometry = [&] { return std::tuple(form.RichTextBox1->Left(), form.RichTextBox1->Top(), form.RichTextBox1->Width(), form.RichTextBox1->Height()); };
    const auto normal = std::tuple(120.0f, 840.0f, 2340.0f, 2535.0f), zoomed = std::tuple(120.0f, 185.0f, 3650.0f, 3200.0f);
    form.Show();
    form.Raise(u"RichTextBox1", Event::DblClick);
    EXPECT_EQ(geometry(), normal);
    form.Click(u"Check2");
    for (const auto& want : {zoomed, normal, zoomed}) {  // the layout's width again, not 100 twips narrower
        f.editor().FireDblClick();
        EXPECT_EQ(geometry(), want);
    }
    form.Click(u"Check2");  // unticked while zoomed: stays zoomed
    form.Raise(u"RichTextBox1", Event::DblClick);
    EXPECT_EQ(geometry(), zoomed);
    form.Check1.Value(0), form.Orent(3).Value(true), form.Label3.Caption(u"Formatting...");
    form.Image1.Picture(std::make_shared<Picture>(Picture{10, 10, u"/p.png"}));
    form.RichTextBox1->Text(u"kept");
    auto* first_editor = form.RichTextBox1.get();
    form.Hide(), form.Show();
    EXPECT_EQ(std::tuple(std::count(f.events.begin(), f.events.end(), "frmAddIn.Load"), form.RichTextBox1->Text()), std::tuple(1, u"kept"));
    form.Unload(), form.Unload();  // the second finds it not loaded: nothing more to destroy
    EXPECT_EQ(std::tuple(f.window->destroyed, form.Loaded(), form.Visible(), form.RichTextBox1.get() == first_editor),
              std::tuple(1, false, false, false));
    EXPECT_EQ(std::tuple(form.Check1.Value(), form.Orent.Selected(), form.Label3.Caption(), form.Image1.Picture()),
              std::tuple(1, 0, std::u16string(), nullptr));
    EXPECT_EQ(std::tuple(form.RichTextBox1->Text(), form.RichTextBox1->Enabled(), geometry()), std::tuple(u"", false, normal));
    f.editor().FireDblClick();
    EXPECT_EQ(f.events.back(), "RichTextBox1.DblClick");
    form.Show();
    EXPECT_EQ(std::count(f.events.begin(), f.events.end(), "frmAddIn.Load"), 2);
}

// What the buttons make of their commands' outcomes: the boxes, in order,
// with their exact texts, and the status line.
TEST(Adapter, OutcomesBecomeTheBoxesAndCaptionsOfOld) {
    const struct {
        const char* name;
        const char16_t* button;
        const char* selection;  // nullptr: a shape
        std::vector<const char*> comments;
        std::vector<ShownBox> boxes;
        std::vector<std::u16string> captions;
    } rows[] = {
        {"Insert Text Only, comment found", u"Command3", "A1", {"A1"},
         {{u"Below Comment is already present.\r\nTo overwrite tickmark the Overwrite comment checkbox.\r\n\r\nnote",
           MsgButtons::OK, u"Comment found"}}, {}},
        // Insert Image traps its failure under its own title.
        {"Insert Image, a shape selected", u"OKButton", nullptr, {}, {{u"Type mismatch", MsgButtons::OK, u"Quillette"}}, {}},
        {"Insert Image, cancelled", u"OKButton", "A1", {}, {}, {u""}},
        // The status line shows while the editor's text is formatted; the
        // preview shows the last picture.
        {"Insert Image, a picture with text", u"OKButton", "B2", {}, {},
         {u"Please Wait Formating Text... into Comment cell $B$2", u""}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        FormFixture f;
        for (const char* c : r.comments) f.excel->sheet().add_comment(c, u"note");
        f.excel->sheet().select(r.selection ? r.selection : "A1");
        if (!r.selection) f.excel->sheet().select_shape(), f.excel->scripted_files().choose({u"/a.png"});
        const std::u16string picture = u"" QUILL_SOURCE_DIR "/docs/demo.png";
        const bool inserting = r.selection && r.selection == std::string("B2");
        if (inserting) {
            f.excel->scripted_files().choose({picture});
            f.pictures->files[picture] = {2, 2};
            f.form->RichTextBox1->Text(u"Hi"), f.form->RichTextBox1->Enabled(true);
        }
        std::vector<std::u16string> captions;
        f.form->Label3.on_changed = [&](const Control& c) { captions.push_back(c.Caption()); };
        std::vector<Outcome::Kind> outcomes;
        f.form->on_outcome = [&](const Outcome& o) { outcomes.push_back(o.kind); };
        EXPECT_TRUE(f.form->Raise(r.button, Event::Click));
        EXPECT_EQ(f.messages->shown, r.boxes);
        EXPECT_EQ(std::tuple(captions, outcomes.size()), std::tuple(r.captions, 1u));
        EXPECT_EQ(std::tuple(f.form->Image1.ToolTipText(), f.form->Image1.Picture() ? f.form->Image1.Picture()->Path : u""),
                  std::tuple(std::u16string(inserting ? u"Image of last picture inserted." : u""), inserting ? picture : u""));
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
        {"Excel 2002", u"10.0", true, true, true, 1, 1, kHostHwnd},
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
        // The load never speaks.
        EXPECT_EQ(std::tuple(f.form->Check1.Value(), f.form->Check1.Enabled(), f.form->Orent.Selected(), f.form->Visible(), f.messages->shown.size()),
                  std::tuple(r.check1, r.check1 == 1, r.selected, true, 0u));
        using Calls = decltype(f.window->set_parent_calls);
        EXPECT_EQ(f.window->set_parent_calls, (r.parent ? Calls{{f.window->form, *r.parent}} : Calls{}));
    }
}


constexpr std::int32_t kBlue = 0xFF0000;

std::vector<bool> text_controls_enabled(frmAddIn& form) {
    return {form.RichTextBox1->Enabled(), form.Orent(1).Enabled(), form.Orent(2).Enabled(), form.Orent(3).Enabled(),
            form.Orent(4).Enabled(), form.Command3.Enabled(), form.Command4.Enabled(), form.Command5.Enabled(), form.Command6.Enabled()};
}

// The text controls start off. Ticking offers the user's name, selected in blue, only to an empty
// editor; unticking switches the text controls off and changes nothing else.
TEST(Check2, OffersTheUserNameToAnEmptyEditorAndSwitchesTheTextControls) {
    for (const char16_t* kept : {u"", u"hello"}) {
        for (const char16_t* name : {u"Ann Lee", u""}) {
            SCOPED_TRACE(to_utf8(std::u16string(kept) + u"/" + name));
            FormFixture f;
            EXPECT_EQ(text_controls_enabled(*f.form), std::vector<bool>(9, false));  // as the layout has them
            f.excel->user_name = name, f.editor().Text(kept), f.form->Orent(3).Value(true);
            const std::u16string want = *kept ? kept : name;
            for (int round = 0; round < 2; ++round) {
                f.form->Click(u"Check2");
                EXPECT_EQ(std::tuple(text_controls_enabled(*f.form), f.editor().Text(), f.editor().SelLength()),
                          std::tuple(std::vector<bool>(9, true), want, *kept ? 0 : static_cast<std::int32_t>(want.size())));
                if (!want.empty()) f.excel->user_name = u"Someone Else";  // not asked again
                f.form->Click(u"Check2");
                EXPECT_EQ(std::tuple(text_controls_enabled(*f.form), f.form->Orent.Selected()), std::tuple(std::vector<bool>(9, false), 3));
            }
            auto& doc = f.editor();
            doc.SelStart(static_cast<std::int32_t>(doc.Text().size())), doc.TypeText(u"hi");  // an empty name still leaves a blue insertion point
            for (std::int32_t i = 0; i < static_cast<std::int32_t>(doc.Text().size()); ++i)
                EXPECT_EQ(doc.FormatAt(i).color, *kept ? 0 : kBlue) << i;
        }
    }
}

// Ticking the second of Check3 and Check4 warns; nothing else does.
TEST(OverwriteWarning, ShownOnlyWhenTheSecondBoxIsTicked) {
    FormFixture f;
    std::vector<std::size_t> shown;
    for (const char16_t* click : {u"Check3", u"Check4", u"Check4", u"Check3", u"Check4", u"Check3", u"Check3", u"Check4"})
        f.form->Click(click), shown.push_back(f.messages->shown.size());
    EXPECT_EQ(shown, (std::vector<std::size_t>{0, 1, 1, 1, 1, 2, 2, 2}));
    const ShownBox warning{u"When both image & comment overwrite is tickmarked, previous comment will be deleted.",
                           MsgButtons::OK, u"Pixnote"};
    EXPECT_EQ(f.messages->shown, std::vector<ShownBox>(2, warning));
}

}  // namespace
}  // namespace quill::dialog
