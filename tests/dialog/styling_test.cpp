#include <gtest/gtest.h>

#include "support/host_fixture.h"

namespace quill::dialog {
namespace {

using quill::testing::HostFixture;

constexpr std::int32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;

// "abcdef" in the editor; the second half green, bold, Courier New 14 when
// `mixed`; then "bcde", straddling both halves, selected.
template <class Fixture>
void prepare(Fixture& f, bool mixed) {
    f.use_comment_text();
    auto& ed = *f.form->RichTextBox1;
    ed.Text(u"abcdef");
    if (mixed) {
        ed.SelStart(3);
        ed.SelLength(3);
        ed.SelColor(kGreen);
        ed.SelBold(true);
        ed.SelFontName(u"Courier New");
        ed.SelFontSize(14);
    }
    ed.SelStart(1);
    ed.SelLength(4);
}

std::vector<CharFont> formats(memory::RichText& doc) {
    std::vector<CharFont> out;
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(doc.Text().size()); ++i) out.push_back(doc.FormatAt(i));
    return out;
}

TEST(Styling, CancelLeavesEveryAttributeAsItWas) {
    for (const char16_t* command : {u"Command5", u"Command6"})
        for (bool mixed : {false, true}) {
            SCOPED_TRACE(to_utf8(command) + (mixed ? " mixed" : " uniform"));
            HostFixture f;
            prepare(f, mixed);
            const auto before = formats(f.editor());
            f.chooser->cancel();
            f.form->Raise(command, Event::Click);
            EXPECT_EQ(formats(f.editor()), before);
            EXPECT_FALSE(f.form->CommonDialog1.CancelError());
            EXPECT_EQ(f.chooser->color_requests.size() + f.chooser->font_requests.size(), 1u);
            EXPECT_TRUE(f.messages->shown.empty());
        }
}

// The colour dialog opens on the selection's colour, or on the last one
// chosen when the selection mixes; OK colours every selected character.
TEST(FontColor, OkColoursTheWholeSelectionEvenWhenItMixes) {
    for (bool mixed : {false, true}) {
        SCOPED_TRACE(mixed);
        HostFixture f;
        prepare(f, mixed);
        f.form->CommonDialog1.Color(kBlue);
        f.chooser->color(kRed).font({}).color(kGreen);
        f.form->Raise(u"Command5", Event::Click);
        ASSERT_EQ(f.chooser->color_requests.size(), 1u);
        EXPECT_EQ(f.chooser->color_requests[0].Color, mixed ? kBlue : 0);
        EXPECT_EQ(f.chooser->color_requests[0].Flags, 0);
        EXPECT_TRUE(f.chooser->color_requests[0].CancelError);
        for (std::int32_t i = 1; i <= 4; ++i) EXPECT_EQ(f.editor().FormatAt(i).color, kRed) << i;
        EXPECT_EQ(f.editor().FormatAt(0).color, 0);
        EXPECT_EQ(f.editor().FormatAt(5).color, mixed ? kGreen : 0);
        // The component keeps the flags the font dialog left.
        f.form->Raise(u"Command6", Event::Click);
        f.form->Raise(u"Command5", Event::Click);
        EXPECT_EQ(f.chooser->color_requests.at(1).Flags, 0x40103);
    }
}

TEST(FontName, OkWithAUniformSelectionAppliesEveryField) {
    HostFixture f;
    prepare(f, false);
    f.chooser->font({u"Times New Roman", 12.5f, true, true, true, true});
    f.form->Raise(u"Command6", Event::Click);
    ASSERT_EQ(f.chooser->font_requests.size(), 1u);
    const ChooserState& shown = f.chooser->font_requests[0];
    EXPECT_EQ(shown.Flags, 0x40103);
    EXPECT_EQ(shown.FontName, u"Arial");
    EXPECT_EQ(shown.FontSize, 10.0f);
    EXPECT_EQ(shown.FontBlank, FontBlanks{});
    const CharFont want{u"Times New Roman", 12.5, true, true, true, host::xlUnderlineStyleSingle, 0};
    for (std::int32_t i = 1; i <= 4; ++i) EXPECT_EQ(f.editor().FormatAt(i), want) << i;
    EXPECT_EQ(f.editor().FormatAt(0), editor_default_font());
}

TEST(FontName, MixedFieldsOpenBlankAndKeepEachCharactersValueUnlessSet) {
    HostFixture f;
    prepare(f, true);
    f.form->CommonDialog1.FontName(u"Wingdings");        // left from an earlier run
    f.chooser->font({.size = 9.0f, .underline = true});  // name left blank, size and underline set
    f.form->Raise(u"Command6", Event::Click);
    ASSERT_EQ(f.chooser->font_requests.size(), 1u);
    const ChooserState& shown = f.chooser->font_requests[0];
    EXPECT_EQ(shown.Flags, 0x40103);  // blanks are no flag bits
    FontBlanks blank;
    blank.Name = blank.Size = blank.Bold = true;
    EXPECT_EQ(shown.FontBlank, blank);
    auto& doc = f.editor();
    for (std::int32_t i = 1; i <= 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(doc.FormatAt(i).name, i >= 3 ? u"Courier New" : u"Arial");
        EXPECT_EQ(doc.FormatAt(i).bold, i >= 3);
        EXPECT_EQ(doc.FormatAt(i).size, 9.0f);
        EXPECT_EQ(doc.FormatAt(i).underline, host::xlUnderlineStyleSingle);
        EXPECT_FALSE(doc.FormatAt(i).italic);  // uniform: applied as it was
    }
    EXPECT_EQ(doc.FormatAt(5).underline, host::xlUnderlineStyleNone);
    f.chooser->font({.bold = false});  // setting a mixed field gives it to every character
    f.form->Raise(u"Command6", Event::Click);
    for (std::int32_t i = 1; i <= 4; ++i) EXPECT_FALSE(doc.FormatAt(i).bold) << i;
    EXPECT_EQ(doc.FormatAt(4).name, u"Courier New");
}

TEST(Styling, AnEmptySelectionStylesTheTextTypedThere) {
    HostFixture f;
    f.use_comment_text();
    f.editor().Text(u"abcd");
    f.editor().SelStart(2);
    f.chooser->color(kRed).font({.name = u"Courier New", .bold = true});
    f.form->Raise(u"Command5", Event::Click);
    f.form->Raise(u"Command6", Event::Click);
    f.editor().TypeText(u"XY");
    EXPECT_EQ(f.editor().Text(), u"abXYcd");
    const CharFont typed{u"Courier New", 10, true, false, false, host::xlUnderlineStyleNone, kRed};
    const CharFont plain = editor_default_font();
    EXPECT_EQ(formats(f.editor()), (std::vector<CharFont>{plain, plain, typed, typed, plain, plain}));
}

// Only a positive number from the dialog itself discards the result; an
// automation error (negative) of the component does not.
TEST(Styling, WhichDialogErrorsCountAsCancel) {
    const struct {
        std::int32_t number;
        bool applied;
    } rows[] = {{-2147417848, true}, {err::kCancel, false}, {7, false}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.number);
        HostFixture f;
        prepare(f, true);
        f.form->CommonDialog1.Color(kBlue);
        f.chooser->fail(r.number, u"component failed");
        f.form->Raise(u"Command5", Event::Click);
        for (std::int32_t i = 1; i <= 4; ++i)
            EXPECT_EQ(f.editor().FormatAt(i).color, r.applied ? kBlue : (i >= 3 ? kGreen : 0)) << i;
        f.chooser->fail(r.number, u"component failed");
        f.form->Raise(u"Command6", Event::Click);
        EXPECT_EQ(f.form->CommonDialog1.CancelError(), r.applied);
        EXPECT_EQ(f.editor().FormatAt(4).name, u"Courier New");  // blank name never applied
        EXPECT_TRUE(f.messages->shown.empty());
    }
}

}  // namespace
}  // namespace quill::dialog
