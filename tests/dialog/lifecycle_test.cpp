#include <gtest/gtest.h>

#include <tuple>

#include "dialog/fakes.h"

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
