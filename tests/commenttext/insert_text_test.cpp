// Insert Text Only (Command3_Click).
#include <gtest/gtest.h>

#include "commenttext/support.h"

namespace quill::dialog {
namespace {

using quill::testing::colour_positions;
using quill::testing::sources;

struct Cmd3 : quill::testing::HostFixture {
    // Editor text with one colour per position; A1 optionally holding an old
    // comment in Times with a picture; indicator and visibility moved away
    // from what the command sets.
    Cmd3(const char16_t* editor_text, bool enabled, bool old_comment, std::int32_t check3, std::int32_t check4) {
        use_comment_text();
        form->RichTextBox1->Text(editor_text);
        colour_positions(editor());
        form->RichTextBox1->Enabled(enabled);
        form->Check3.Value(check3);
        form->Check4.Value(check4);
        form->Orent(1).Value(true);
        if (old_comment) {
            memory::CommentData& c = sheet().add_comment("A1", u"old\ntext");
            c.text.set_font(0, 8, memory::CharFont{u"Times", 12, false, false, false, host::xlUnderlineStyleNone, 0});
            c.fill.picture = memory::Picture{u"C:\\pic.png", {}, {}};
        }
        excel->display_comment_indicator = 1;
        excel->visible = false;
        excel->log.clear();
    }
    void click() { ASSERT_TRUE(form->Raise(u"Command3", Event::Click)); }
    memory::CommentData* comment() { return sheet().comment("A1"); }
};

constexpr const char16_t* kText = u"Hi\r\nyou";
constexpr const char* kFormatted = "012456";  // the LF reports the CR's format

TEST(InsertTextOnly, ExistingCommentAndEditorCases) {
    const struct {
        const char* name;
        const char16_t* editor;
        bool enabled, old_comment;
        std::int32_t check3, check4;
        const char16_t* text;  // nullptr: no comment afterwards
        const char* formats;   // "old": the old comment's formats untouched
        bool picture, refused, written;
    } rows[] = {
        {"new comment", kText, true, false, 0, 0, u"Hi\nyou", kFormatted, false, false, true},
        {"kept and refilled", kText, true, true, 1, 0, u"Hi\nyou", kFormatted, true, false, true},
        {"deleted and made anew", kText, true, true, 1, 1, u"Hi\nyou", kFormatted, false, false, true},
        {"refused", kText, true, true, 0, 0, u"old\ntext", "old", true, true, false},
        {"refused, Overwrite Image alone", kText, true, true, 0, 1, u"old\ntext", "old", true, true, false},
        {"refused, empty editor", u"", true, true, 0, 0, u"old\ntext", "old", true, true, false},
        {"empty editor, no comment", u"", true, false, 0, 0, nullptr, "", false, false, false},
        {"disabled editor, no comment", kText, false, false, 1, 1, nullptr, "", false, false, false},
        // An editor without usable text changes no comment at all.
        {"empty editor, kept comment", u"", true, true, 1, 0, u"old\ntext", "old", true, false, false},
        {"empty editor, both ticked", u"", true, true, 1, 1, u"old\ntext", "old", true, false, false},
        {"disabled editor, both ticked", kText, false, true, 1, 1, u"old\ntext", "old", true, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Cmd3 f(row.editor, row.enabled, row.old_comment, row.check3, row.check4);
        f.click();
        memory::CommentData* c = f.comment();
        ASSERT_EQ(c != nullptr, row.text != nullptr);
        EXPECT_EQ(f.messages->shown.size(), row.refused ? 1u : 0u);
        EXPECT_EQ(f.excel->display_comment_indicator, row.written ? host::xlCommentIndicatorOnly : 1);
        EXPECT_EQ(f.excel->visible, row.written);
        EXPECT_EQ(f.excel->log.count("Application.ScreenUpdating"), row.written ? 2u : 0u);
        EXPECT_TRUE(f.excel->screen_updating);
        if (!c) continue;
        EXPECT_EQ(c->text.text(), row.text);
        EXPECT_EQ(c->fill.picture.has_value(), row.picture);
        if (std::string(row.formats) == "old")
            EXPECT_EQ(c->text.font_at(5).name, u"Times");
        else
            EXPECT_EQ(sources(c->text), row.formats);
    }
}

TEST(InsertTextOnly, CommentFoundShowsTheOldTextAfterABlankLine) {
    Cmd3 f(kText, true, true, 0, 1);
    f.click();
    ASSERT_EQ(f.messages->shown.size(), 1u);
    EXPECT_EQ(f.messages->shown[0].text,
              u"Below Comment is already present.\r\nTo overwrite tickmark the Overwrite comment checkbox.\r\n\r\n"
              u"old\ntext");
    EXPECT_EQ(f.messages->shown[0].title, u"Comment found");
    EXPECT_EQ(f.messages->shown[0].buttons, MsgButtons::OK);
}

TEST(InsertTextOnly, OrientationTable) {
    const struct {
        std::int32_t orent;  // 0: none selected
        std::int32_t orientation, alignment;
    } rows[] = {
        {1, host::msoTextOrientationHorizontal, memory::xlVAlignTop},
        {2, host::msoTextOrientationVertical, memory::xlVAlignTop},
        {3, host::msoTextOrientationUpward, host::xlBottom},
        {4, host::msoTextOrientationDownward, memory::xlVAlignTop},
        {0, host::msoTextOrientationDownward, memory::xlVAlignTop},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.orent);
        Cmd3 f(kText, true, false, 0, 0);
        f.form->Orent(1).Value(false);
        if (row.orent) f.form->Orent(row.orent).Value(true);
        f.click();
        ASSERT_NE(f.comment(), nullptr);
        EXPECT_EQ(f.comment()->orientation, row.orientation);
        EXPECT_EQ(f.comment()->vertical_alignment, row.alignment);
    }
}

TEST(InsertTextOnly, ChecksComeFirst) {
    {
        SCOPED_TRACE("protected sheet");
        Cmd3 f(kText, true, true, 1, 1);
        f.sheet().protect_contents = true;
        f.click();
        ASSERT_EQ(f.messages->shown.size(), 1u);
        EXPECT_EQ(f.messages->shown[0].text, u"Please First Remove Sheet Protection.");
        EXPECT_EQ(f.messages->shown[0].title, kAppTitle);
        EXPECT_EQ(f.excel->log.count("Range.Comment"), 0u);
        EXPECT_EQ(f.comment()->text.text(), u"old\ntext");
    }
    for (const bool chart : {false, true}) {
        SCOPED_TRACE(chart ? "a chart sheet active" : "no active cell");
        Cmd3 f(kText, true, false, 0, 0);
        if (chart) f.excel->chart_sheet_active = true;
        else f.excel->close_all();
        f.click();
        EXPECT_TRUE(f.messages->shown.empty());
        EXPECT_EQ(f.excel->log.calls(), std::vector<std::string>{"Application.ActiveCell"});
    }
}

// Excel 2000 refuses strings over 255 characters: the whole note still
// arrives, written and cleaned in pieces, none parting a CR LF pair; a host
// that takes long strings sees one call each, as ever.
TEST(InsertTextOnly, LongTextReachesExcel2000InPieces) {
    std::u16string editor(254, u'x');
    editor += u"\r\n\ty";  // a pair across the first 255 boundary
    editor += std::u16string(300, u'z') + u"\r\nend";
    std::u16string note(254, u'x');
    note += u"\n        y" + std::u16string(300, u'z') + u"\nend";
    for (const bool old_host : {false, true}) {
        for (const bool old_comment : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "Excel 2000: " << old_host << ", existing comment: " << old_comment);
            Cmd3 f(editor.c_str(), true, old_comment, 1, 0);
            f.excel->short_strings = old_host;
            f.click();
            EXPECT_TRUE(f.messages->shown.empty());
            ASSERT_NE(f.comment(), nullptr);
            EXPECT_EQ(f.comment()->text.text(), note);
            if (!old_host) {
                EXPECT_EQ(f.excel->log.count("WorksheetFunction.Substitute"), 3u);
                EXPECT_EQ(f.excel->log.count("Range.AddComment"), old_comment ? 0u : 1u);
            }
        }
    }
}

TEST(InsertTextOnly, FailureEndsTheCommandAtTheDispatcher) {
    Cmd3 f(kText, true, true, 1, 1);
    f.excel->log.fail_nth("Range.AddComment", 1, 1004, u"Cannot add");
    f.click();
    EXPECT_EQ(f.comment(), nullptr);  // the deletion before it stays done
    ASSERT_EQ(f.messages->shown.size(), 1u);
    EXPECT_EQ(f.messages->shown[0].text, u"Cannot add");
    EXPECT_EQ(f.messages->shown[0].title, kAppTitle);
    EXPECT_EQ(f.excel->log.count("Application.ScreenUpdating"), 0u);
}

}  // namespace
}  // namespace quill::dialog
