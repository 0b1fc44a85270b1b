// Insert Text Only and Get Text from Active Cell over the in-memory workbook
// and the portable editor.
#include <gtest/gtest.h>

#include "commenttext/commenttext.h"
#include "commenttext/support.h"

namespace quill::testing {
namespace {

using Kind = Outcome::Kind;
constexpr const char16_t* kText = u"Hi\r\nyou";

// The editor holds `text` with one colour per position; A1 optionally an
// old comment in Times with a picture.
struct TextOnly : HostFixture {
    TextOnly(const char16_t* text, bool enabled, bool old_comment) {
        ed->Text(text);
        colour_positions(*ed);
        ed->Enabled(enabled);
        if (old_comment) {
            memory::CommentData& c = sheet().add_comment("A1", u"old\ntext");
            c.text.set_font(0, 8, memory::CharFont{u"Times", 12, false, false, false, host::xlUnderlineStyleNone, 0});
            c.fill.picture = memory::Picture{u"C:\\pic.png", {}, {}};
        }
        excel->display_comment_indicator = 1;
        excel->visible = false;
        excel->log.clear();
    }
    Outcome run(CommentOptions o) { return commenttext::InsertTextOnly(app(), *ed, o); }
};

TEST(InsertTextOnly, ExistingCommentAndEditorCases) {
    const struct {
        const char* name;
        const char16_t* editor;
        bool enabled, old_comment;
        std::int32_t check3, check4;
        Kind kind;
        Counts counts;
        const char16_t* text;  // nullptr: no comment afterwards
        const char* formats;   // "old": the old comment's formats untouched
        bool picture;
        std::int32_t option = 1;  // Orent(1) to Orent(4); upward text alone starts at the box's bottom
        std::int32_t orientation = host::msoTextOrientationHorizontal, alignment = memory::xlVAlignTop;
    } rows[] = {
        // The LF reports the CR's format.
        {"new comment", kText, true, false, 0, 0, Kind::Done, {.created = 1, .formatted = 6}, u"Hi\nyou", "012456", false},
        {"kept and refilled", kText, true, true, 1, 0, Kind::Done, {.kept = 1, .formatted = 6}, u"Hi\nyou", "012456", true},
        {"deleted and made anew", kText, true, true, 1, 1, Kind::Done, {.created = 1, .deleted = 1, .formatted = 6}, u"Hi\nyou", "012456", false},
        {"upward", kText, true, false, 0, 0, Kind::Done, {.created = 1, .formatted = 6}, u"Hi\nyou", "012456", false, 3,
         host::msoTextOrientationUpward, host::xlBottom},
        {"vertical", kText, true, true, 1, 0, Kind::Done, {.kept = 1, .formatted = 6}, u"Hi\nyou", "012456", true, 2,
         host::msoTextOrientationVertical},
        {"downward", kText, true, false, 0, 0, Kind::Done, {.created = 1, .formatted = 6}, u"Hi\nyou", "012456", false, 4,
         host::msoTextOrientationDownward},
        {"refused", kText, true, true, 0, 0, Kind::Refused, {}, u"old\ntext", "old", true},
        {"refused, Overwrite Image alone", kText, true, true, 0, 1, Kind::Refused, {}, u"old\ntext", "old", true},
        {"refused, empty editor", u"", true, true, 0, 0, Kind::Refused, {}, u"old\ntext", "old", true},
        // An editor without usable text changes no comment at all.
        {"empty editor, no comment", u"", true, false, 0, 0, Kind::Done, {.skipped = 1}, nullptr, "", false},
        {"disabled editor, no comment", kText, false, false, 1, 1, Kind::Done, {.skipped = 1}, nullptr, "", false},
        {"empty editor, kept comment", u"", true, true, 1, 0, Kind::Done, {.skipped = 1}, u"old\ntext", "old", true},
        {"empty editor, both ticked", u"", true, true, 1, 1, Kind::Done, {.skipped = 1}, u"old\ntext", "old", true},
        {"disabled editor, both ticked", kText, false, true, 1, 1, Kind::Done, {.skipped = 1}, u"old\ntext", "old", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TextOnly f(row.editor, row.enabled, row.old_comment);
        const Outcome got = f.run({.overwrite_text = row.check3, .overwrite_image = row.check4, .orientation = row.option});
        EXPECT_EQ(got.kind, row.kind);
        EXPECT_EQ(got.counts, row.counts);
        if (row.kind == Kind::Refused) {
            EXPECT_EQ(got.reason, Refusal::CommentFound);
            EXPECT_EQ(got.existing, u"old\ntext");
        }
        const bool written = row.counts.formatted > 0;
        EXPECT_EQ(f.excel->display_comment_indicator, written ? host::xlCommentIndicatorOnly : 1);
        EXPECT_EQ(f.excel->visible, written);
        EXPECT_EQ(f.excel->log.count("Application.ScreenUpdating"), written ? 2u : 0u);
        EXPECT_TRUE(f.excel->screen_updating);
        memory::CommentData* c = f.sheet().comment("A1");
        ASSERT_EQ(c != nullptr, row.text != nullptr);
        if (!c) continue;
        EXPECT_EQ(c->text.text(), row.text);
        EXPECT_EQ(c->fill.picture.has_value(), row.picture);
        EXPECT_EQ(std::string(row.formats) == "old" ? to_utf8(c->text.font_at(5).name) : sources(c->text),
                  std::string(row.formats) == "old" ? "Times" : row.formats);
        if (!written) continue;
        EXPECT_EQ(c->orientation, row.orientation);
        EXPECT_EQ(c->vertical_alignment, row.alignment);
    }
}

// Excel 2000 refuses strings over 255 characters: the whole note still
// arrives, written and cleaned in pieces, none parting a CR LF pair; a host
// that takes long strings sees one call each.
TEST(InsertTextOnly, LongTextReachesExcel2000InPieces) {
    std::u16string editor(254, u'x');
    editor += u"\r\n\ty" + std::u16string(300, u'z') + u"\r\nend";  // a pair across the first 255 boundary
    std::u16string note(254, u'x');
    note += u"\n        y" + std::u16string(300, u'z') + u"\nend";
    for (const bool old_host : {false, true}) {
        for (const bool old_comment : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "Excel 2000: " << old_host << ", existing comment: " << old_comment);
            TextOnly f(editor.c_str(), true, old_comment);
            f.excel->short_strings = old_host;
            EXPECT_TRUE(f.run({.overwrite_text = 1}).done());
            ASSERT_NE(f.sheet().comment("A1"), nullptr);
            EXPECT_EQ(f.sheet().comment("A1")->text.text(), note);
            if (old_host) continue;
            EXPECT_EQ(f.excel->log.count("WorksheetFunction.Substitute"), 3u);
            EXPECT_EQ(f.excel->log.count("Range.AddComment"), old_comment ? 0u : 1u);
        }
    }
}

// Every cell character's font reaches its editor position; only the single
// underline reads as underlined. The cell's comment is never read.
TEST(GetText, EveryCharacterKeepsItsFont) {
    using memory::CharFont;
    const CharFont fonts[] = {  // a b c d, the line break, f
        {u"Arial", 10, false, false, false, host::xlUnderlineStyleNone, 0},
        {u"Times New Roman", 14, true, false, false, host::xlUnderlineStyleNone, 0x0000FF},
        {u"Courier New", 8.5f, false, true, false, host::xlUnderlineStyleSingle, 0x00FF00},
        {u"Verdana", 20, false, false, true, host::xlUnderlineStyleDouble, 0xFF0000},
        {u"Georgia", 11, true, true, true, host::xlUnderlineStyleSingleAccounting, 0x123456},
        {u"Tahoma", 9, false, false, false, host::xlUnderlineStyleSingle, 0xABCDEF},
    };
    HostFixture f;
    memory::CellData& cell = f.sheet().set_text("A1", u"abcd\nf");
    for (std::size_t k = 0; k < 6; ++k) cell.text.set_font(k, 1, fonts[k]);
    f.sheet().add_comment("A1", u"note");
    const Outcome got = commenttext::GetText(f.app(), *f.ed);
    EXPECT_EQ(got.kind, Kind::Done);
    EXPECT_EQ(got.counts.formatted, 6);
    EXPECT_EQ(f.excel->log.count("Range.Comment"), 0u);
    // This editor keeps the LF as one position; RichEdit, which widens it to
    // CR LF, has its own test among the window tests.
    EXPECT_EQ(f.ed->Text(), u"abcd\nf");
    for (std::int32_t p = 0; p < 6; ++p) {
        const CharFont& c = fonts[p];
        EXPECT_EQ(f.ed->FormatAt(p), (memory::CharFormat{c.name, c.size, c.color, c.bold, c.italic,
                                                         c.underline == host::xlUnderlineStyleSingle, c.strikethrough}))
            << p;
    }
    EXPECT_TRUE(f.ed->HideSelection());
    EXPECT_EQ(f.ed->SelStart(), 5);
    EXPECT_EQ(f.ed->SelLength(), 1);
}

// The displayed text, whatever the cell holds; no active cell leaves the
// editor as it was.
TEST(GetText, ShownTextOrNothing) {
    for (const bool workbook : {true, false}) {
        HostFixture f;
        f.ed->Text(u"kept");
        f.sheet().set_value("A1", 1234.5, u"1,234.50");
        if (!workbook) f.excel->close_all();
        EXPECT_TRUE(commenttext::GetText(f.app(), *f.ed).done());
        EXPECT_EQ(f.ed->Text(), workbook ? u"1,234.50" : u"kept");
    }
}

}  // namespace
}  // namespace quill::testing
