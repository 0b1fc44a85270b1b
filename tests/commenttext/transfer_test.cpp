// getcmt and InsertFmtText against the in-memory workbook and the portable editor.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <tuple>

#include "commenttext/commenttext.h"
#include "commenttext/per_character_walk.h"
#include "ports/code_page.h"
#include "commenttext/support.h"

namespace quill::dialog {
namespace {

using quill::testing::colour_positions;
using quill::testing::HostFixture;
using quill::testing::sources;

struct Transfer : ::testing::Test, HostFixture {
    // The editor holds `editor` with one colour per position; A1's comment
    // holds getcmt() of it, or `comment` when given.
    void prepare(const std::u16string& editor, const std::u16string* comment = nullptr) {
        editor_text(editor);
        sheet().add_comment("A1", comment ? *comment : commenttext::getcmt(form->xlapp, *form->RichTextBox1));
    }
    void editor_text(const std::u16string& text) {
        form->RichTextBox1->Text(text);
        colour_positions(this->editor());
    }
    Outcome run(std::shared_ptr<host::Range> cell = nullptr, const CodePage& page = windows_1252()) {
        return commenttext::InsertFmtText(form->xlapp, *form->RichTextBox1,
                                          cell ? cell : excel->application()->ActiveCell(), page);
    }
    memory::FormattedText& comment() { return sheet().comment("A1")->text; }
};

TEST_F(Transfer, GetcmtUsesTheHostsSubstituteThreeTimes) {
    const struct {
        const char16_t* editor;
        const char16_t* comment;
    } rows[] = {
        {u"", u""},
        {u"a\r\nb", u"a\nb"},
        {u"a\rb", u"ab"},
        {u"a\tb", u"a        b"},
        {u"\r\r\n", u"\n"},  // the pair goes first, then the CR left over
        {u"a\nb", u"a\nb"},
        {u"\t\r\n\t", u"        \n        "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(to_utf8(row.editor));
        form->RichTextBox1->Text(row.editor);
        const auto mark = excel->log.total();
        EXPECT_EQ(commenttext::getcmt(form->xlapp, *form->RichTextBox1), row.comment);
        EXPECT_EQ(excel->log.calls_since(mark),
                  (std::vector<std::string>{"Application.WorksheetFunction", "WorksheetFunction.Substitute",
                                            "WorksheetFunction.Substitute", "WorksheetFunction.Substitute"}));
        EXPECT_EQ(form->RichTextBox1->Text(), row.editor);
    }
    excel->log.fail_nth("WorksheetFunction.Substitute", 2, 1004, u"Substitute failed");
    EXPECT_THROW(commenttext::getcmt(form->xlapp, *form->RichTextBox1), HostError);
}

// Which editor position each comment character takes its format from. The
// editor reports, for an empty selection, the format of the character before
// it: so a comment LF met by the editor's CR (skipped to the LF) reports the
// CR's format, and a lone CR's format goes to the character after it.
TEST_F(Transfer, WalkTakesFormatsFromTheMatchingEditorPosition) {
    const struct {
        const char16_t* editor;
        const char* expected;
    } rows[] = {
        {u"Ab\r\nc", "0124"},  // the worked example
        {u"abc", "012"},
        {u"a\rb", "01"},
        {u"a\r\r\nb", "013"},  // one skip per character: b takes the LF's format
        {u"a\r\nb\r\nc", "01346"},
        // A tab's eight spaces take the tab's format; the text after it its own.
        {u"\tab", "00000000" "12"},
        {u"a\tb", "0" "11111111" "2"},
        {u"ab\t", "01" "22222222"},
        {u"a\t\tb", "0" "11111111" "22222222" "3"},
        {u"a\t\r\nb", "0" "11111111" "24"},
        {u"a\r\n\tb", "01" "33333333" "4"},
        {u"\t", "00000000"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(to_utf8(row.editor));
        excel->sheet().remove_comment({1, 1});
        prepare(row.editor);
        run();
        EXPECT_EQ(sources(comment()), row.expected);
        EXPECT_TRUE(excel->screen_updating);
        EXPECT_EQ(form->RichTextBox1->Text(), row.editor);
    }
}

TEST_F(Transfer, ComparesByCodePage) {
    const struct {
        const char16_t* editor;
        const char16_t* comment;
        const char* expected;
    } rows[] = {
        {u"a\u0100b", u"a\u03A9b", "012"},  // both outside Windows-1252: '?' and '?'
        {u"a\u20ACbc", u"a\u20ACbc", "0123"},  // the euro sign is in it
        {u"a\u20ACbc", u"a\u0160bc", "0133"},  // 0x80 against 0x8A: a mismatch
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(to_utf8(row.comment));
        excel->sheet().remove_comment({1, 1});
        const std::u16string comment_text = row.comment;
        prepare(row.editor, &comment_text);
        run();
        EXPECT_EQ(sources(comment()), row.expected);
    }
}

TEST_F(Transfer, ComparesThroughTheCodePageGiven) {
    struct OneCode final : CodePage {
        std::int32_t Asc(char16_t) const override { return 1; }
    };
    const std::u16string text = u"xyz";
    prepare(u"a\r\nb", &text);  // every pair compares equal: no skip
    run(nullptr, OneCode());
    EXPECT_EQ(sources(comment()), "012");
}

TEST_F(Transfer, CopiesTheSevenAttributesUnchangedInTheirOrder) {
    form->RichTextBox1->Text(u"x");
    auto& ed = *form->RichTextBox1;
    ed.SelStart(0);
    ed.SelLength(1);
    ed.SelFontName(u"Courier New");
    ed.SelFontSize(13.5f);
    ed.SelColor(0x123456);
    ed.SelBold(true);
    ed.SelItalic(true);
    ed.SelUnderline(true);
    ed.SelStrikeThru(true);
    sheet().add_comment("A1", u"x");
    const auto a1 = excel->application()->ActiveCell();
    const auto mark = excel->log.total();
    run(a1);
    EXPECT_EQ(excel->log.calls_since(mark),
              (std::vector<std::string>{"Application.ScreenUpdating", "Range.Comment", "Comment.Text", "Comment.Shape",
                                        "Shape.TextFrame", "TextFrame.Characters", "Characters.Font", "Font.Name",
                                        "Font.Bold", "Font.Underline", "Font.Color", "Font.Strikethrough",
                                        "Font.Italic", "Font.Size", "Application.ScreenUpdating"}));
    const memory::CharFont want{u"Courier New", 13.5f, true, true, true, host::xlUnderlineStyleSingle, 0x123456};
    EXPECT_EQ(comment().font_at(0), want);
}

// The run-by-run walk gives every comment character what the walk of one
// character at a time gives it, and leaves the editor's selection where that
// walk leaves it; also when a host step fails every time. Each case: editor
// text over an alphabet of letters, CR, LF, tabs and a character outside the
// code page; formats set on random spans, so runs of every length; a comment
// that is getcmt() of the editor, longer than it, or beside an empty editor;
// and the walk starting from a random, often mixed, selection.
TEST_F(Transfer, RunsGiveWhatTheCharacterWalkGives) {
    static constexpr const char* kFaults[] = {nullptr,      "Font.Name",          "Font.Bold",
                                              "Font.Color", "Font.Size",          "Characters.Font",
                                              "Font.Italic", "TextFrame.Characters", "Shape.TextFrame"};
    struct Case {
        std::u16string editor;
        std::u16string extra;  // appended to getcmt() for the comment
        std::size_t spans;     // formatted spans, from `seed`
        const char* fault;     // a host member that fails every time
        unsigned seed;
    };
    std::vector<Case> cases = {
        {u"Ab\r\nc", u"", 0, nullptr, 1},  {u"a\tb\r\n\tc", u"", 2, nullptr, 2},
        {u"", u"xy\nz", 0, nullptr, 3},     {u"ab", u"cdefgh", 1, nullptr, 4},
        {u"a\rb\r\r\nc", u"", 3, nullptr, 5}, {u"\t\t", u"", 1, "Font.Bold", 6},
    };
    std::mt19937 rng(20261207);
    const std::u16string alphabet = u"aab c\t\r\n\u0100";
    for (unsigned k = 0; k < 150; ++k) {
        Case c{u"", u"", rng() % 6, kFaults[rng() % std::size(kFaults)], static_cast<unsigned>(rng())};
        const std::size_t length = rng() % 40;
        for (std::size_t p = 0; p < length; ++p) {
            const char16_t ch = alphabet[rng() % alphabet.size()];
            c.editor += ch == u'\n' ? std::u16string(u"\r\n") : std::u16string(1, ch);
        }
        if (rng() % 5 == 0) c.extra = u"tail";
        cases.push_back(c);
    }
    const auto a1 = excel->application()->ActiveCell();
    for (const Case& c : cases) {
        SCOPED_TRACE(to_utf8(c.editor) + " + " + to_utf8(c.extra) + (c.fault ? std::string(" failing ") + c.fault : ""));
        form->RichTextBox1->Text(c.editor);
        auto& ed = editor();
        std::mt19937 spans(c.seed);
        const auto n = static_cast<std::int32_t>(c.editor.size()) + 1;
        for (std::size_t s = 0; s < c.spans; ++s) {
            ed.SelStart(static_cast<std::int32_t>(spans() % n));
            ed.SelLength(static_cast<std::int32_t>(spans() % n));
            ed.SelBold(spans() % 2 == 0);
            ed.SelColor(static_cast<std::int32_t>(spans() % 3));
            ed.SelFontSize(8.0f + static_cast<float>(spans() % 3));
        }
        const auto start = static_cast<std::int32_t>(spans() % n), sel = static_cast<std::int32_t>(spans() % n);
        const std::u16string text = commenttext::getcmt(form->xlapp, *form->RichTextBox1) + c.extra;
        // One walk on a fresh comment from the same selection: its fonts, and
        // where the editor's selection ended.
        const auto walk = [&](const std::function<void()>& body) {
            excel->sheet().remove_comment({1, 1});
            sheet().add_comment("A1", text);
            ed.SelStart(start);
            ed.SelLength(sel);
            if (c.fault) excel->log.fail_every(c.fault, 1004, u"injected");
            body();
            excel->log.clear_faults();
            std::vector<memory::CharFont> fonts;
            for (std::size_t p = 0; p < text.size(); ++p) fonts.push_back(comment().font_at(p));
            return std::tuple(fonts, ed.SelStart(), ed.SelLength());
        };
        const auto reference = walk([&] {
            const auto note = a1->Comment();
            quill::testing::per_character_walk(ed, note, note->Text(), windows_1252());
        });
        const auto mark = excel->log.total();
        const auto runs = walk([&] { run(a1); });
        EXPECT_EQ(runs, reference);
        if (c.fault) continue;
        const auto& fonts = std::get<0>(runs);
        std::uint64_t changes = 0;
        for (std::size_t p = 0; p < fonts.size(); ++p) changes += p == 0 || fonts[p] != fonts[p - 1];
        EXPECT_LE(excel->log.total() - mark, 9 * changes + 8);
    }
}

// A run whose write fails once is written again character by character.
TEST_F(Transfer, FailedRunIsRewrittenByCharacter) {
    prepare(u"abc");
    form->RichTextBox1->SelStart(0);
    form->RichTextBox1->SelLength(3);
    form->RichTextBox1->SelColor(7);
    const float size = form->RichTextBox1->SelFontSize().value();
    excel->log.fail_nth("Font.Size", 1, 1004, u"injected");
    const auto a1 = excel->application()->ActiveCell();
    const auto mark = excel->log.total();
    run(a1);
    EXPECT_EQ(sources(comment()), "666");
    EXPECT_EQ(excel->log.count("TextFrame.Characters"), 4u);
    EXPECT_EQ(excel->log.calls_since(mark).size(), 6 + 9 * 4u);
    for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(comment().font_at(k).size, size);
}

TEST_F(Transfer, NothingToWalk) {
    // No comment; an empty one.
    for (bool with_comment : {false, true}) {
        SCOPED_TRACE(with_comment);
        if (with_comment) sheet().add_comment("A1", u"");
        form->RichTextBox1->Text(u"abc");
        excel->log.clear();
        run();
        EXPECT_EQ(excel->log.count("Application.ScreenUpdating"), 2u);
        EXPECT_EQ(excel->log.count("TextFrame.Characters"), 0u);
        EXPECT_TRUE(excel->screen_updating);
    }
}

TEST_F(Transfer, EmptyEditorGivesEveryCharacterTheInsertionPointsFormat) {
    sheet().add_comment("A1", u"xy\nz");
    comment().set_font(0, 4, memory::CharFont{u"Times", 20, true, true, true, host::xlUnderlineStyleDouble, 0xFF});
    form->RichTextBox1->Text(u"");
    run();
    const memory::CharFont want{u"Arial", 10, false, false, false, host::xlUnderlineStyleNone, 0};
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(comment().font_at(k), want) << k;
}

}  // namespace
}  // namespace quill::dialog
