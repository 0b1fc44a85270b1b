// The comment-text commands and the two routines they share with Insert
// Image, over the in-memory workbook and the portable editor.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <tuple>

#include "commenttext/commenttext.h"
#include "commenttext/per_character_walk.h"
#include "support/host_fixture.h"

namespace quill::testing {
namespace {

// Editor position p gets colour p + 1, so the colour a comment character
// ends up with names the editor position its format was taken from.
inline void colour_positions(memory::RichText& ed) {
    for (std::int32_t p = 0; p < static_cast<std::int32_t>(ed.Text().size()); ++p) {
        ed.SelStart(p);
        ed.SelLength(1);
        ed.SelColor(p + 1);
    }
}

// The source position of every character of the text, one symbol each
// ("0".."9", then "a"...), from the colours colour_positions gave.
inline std::string sources(const memory::FormattedText& text) {
    static const char kSymbols[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string out;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const std::int32_t p = text.font_at(k).color - 1;
        out += p >= 0 && p < 36 ? kSymbols[p] : '#';
    }
    return out;
}


struct Transfer : ::testing::Test, HostFixture {
    // The editor holds `editor` with one colour per position; A1's comment
    // holds getcmt() of it, or `comment` when given.
    void prepare(const std::u16string& editor, const char16_t* comment = nullptr) {
        sheet().remove_comment({1, 1});
        ed->Text(editor);
        colour_positions(*ed);
        sheet().add_comment("A1", comment ? comment : commenttext::getcmt(app(), *ed));
    }
    Outcome run(const CodePage& page = windows_1252()) {
        return commenttext::InsertFmtText(app(), *ed, a1, page);
    }
    memory::FormattedText& comment() { return sheet().comment("A1")->text; }
    std::shared_ptr<host::Range> a1 = app()->ActiveCell();
};

// Which editor position each comment character takes its format from. The
// editor reports, for an empty selection, the format of the character before
// it: so a comment LF met by the editor's CR (skipped to the LF) reports the
// CR's format, and a lone CR's format goes to the character after it. A
// tab's eight spaces take the tab's format. Characters compare by their
// code-page codes.
TEST_F(Transfer, WalkTakesFormatsFromTheMatchingEditorPosition) {
    struct OneCode final : CodePage {
        std::int32_t Asc(char16_t) const override { return 1; }
    } one_code;
    const struct {
        const char16_t* editor;
        const char16_t* comment;  // nullptr: getcmt() of the editor
        const char* expected;
        const CodePage& page = windows_1252();
    } rows[] = {
        {u"Ab\r\nc", nullptr, "0124"}, {u"a\rb", nullptr, "01"},
        {u"a\r\r\nb", nullptr, "013"},  // one skip per character: b takes the LF's format
        {u"\tab", nullptr, "00000000" "12"}, {u"a\tb", nullptr, "0" "11111111" "2"},
        {u"a\t\r\nb", nullptr, "0" "11111111" "24"},
        {u"a\r\n\tb", nullptr, "01" "33333333" "4"},
        {u"a\u0100b", u"a\u03A9b", "012"},     // both outside Windows-1252: '?' and '?'
        {u"a\u20ACbc", u"a\u20ACbc", "0123"},  // the euro sign is in it
        {u"a\u20ACbc", u"a\u0160bc", "0133"},  // 0x80 against 0x8A: a mismatch
        {u"a\r\nb", u"xyz", "012", one_code},  // every pair compares equal: no skip
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(to_utf8(row.editor));
        prepare(row.editor, row.comment);
        const Outcome got = run(row.page);
        EXPECT_EQ(sources(comment()), row.expected);
        EXPECT_EQ(got.counts.formatted, static_cast<std::int64_t>(comment().size()));
        EXPECT_TRUE(excel->screen_updating);
        EXPECT_EQ(ed->Text(), row.editor);
    }
}

TEST_F(Transfer, CopiesTheSevenAttributesUnchangedInTheirOrder) {
    prepare(u"x");
    ed->SelStart(0), ed->SelLength(1), ed->SelFontName(u"Courier New"), ed->SelFontSize(13.5f), ed->SelColor(0x123456);
    ed->SelBold(true), ed->SelItalic(true), ed->SelUnderline(true), ed->SelStrikeThru(true);
    const auto mark = excel->log.total();
    run();
    EXPECT_EQ(excel->log.calls_since(mark),
              (std::vector<std::string>{"Application.ScreenUpdating", "Range.Comment", "Comment.Text", "Comment.Shape",
                                        "Shape.TextFrame", "TextFrame.Characters", "Characters.Font", "Font.Name",
                                        "Font.Bold", "Font.Underline", "Font.Color", "Font.Strikethrough",
                                        "Font.Italic", "Font.Size", "Application.ScreenUpdating"}));
    EXPECT_EQ(comment().font_at(0),
              (memory::CharFont{u"Courier New", 13.5f, true, true, true, host::xlUnderlineStyleSingle, 0x123456}));
}

// The run-by-run walk gives every comment character what the walk of one
// character at a time gives it, and leaves the editor's selection where that
// walk leaves it; also when a host step fails every time. Each case: editor
// text over an alphabet of letters, CR, LF, tabs and a character outside the
// code page; formats set on random spans, so runs of every length; a comment
// that is getcmt() of the editor, longer than it, or beside an empty editor;
// and the walk starting from a random, often mixed, selection.
TEST_F(Transfer, RunsGiveWhatTheCharacterWalkGives) {
    static constexpr const char* kFaults[] = {nullptr,       "Font.Name",       "Font.Bold",           "Font.Color",
                                              "Font.Size",   "Characters.Font", "TextFrame.Characters", "Shape.TextFrame",
                                              "Font.Italic"};
    struct Case {
        std::u16string editor;
        std::u16string extra;  // appended to getcmt() for the comment
        std::size_t spans;     // formatted spans, from `seed`
        const char* fault;     // a host member that fails every time
        unsigned seed;
    };
    std::vector<Case> cases = {{u"", u"xy\nz", 0, nullptr, 3}, {u"ab", u"cdefgh", 1, nullptr, 4}};
    std::mt19937 rng(20261207);
    const std::u16string alphabet = u"aab c\t\r\n\u0100";
    for (unsigned k = 0; k < 150; ++k) {
        Case c{u"", rng() % 5 ? u"" : u"tail", rng() % 6, kFaults[rng() % std::size(kFaults)], static_cast<unsigned>(rng())};
        for (std::size_t p = 0, length = rng() % 40; p < length; ++p) {
            const char16_t ch = alphabet[rng() % alphabet.size()];
            c.editor += ch == u'\n' ? std::u16string(u"\r\n") : std::u16string(1, ch);
        }
        cases.push_back(c);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(to_utf8(c.editor) + " + " + to_utf8(c.extra) + (c.fault ? std::string(" failing ") + c.fault : ""));
        ed->Text(c.editor);
        std::mt19937 spans(c.seed);
        const auto n = static_cast<std::int32_t>(c.editor.size()) + 1;
        const auto pick = [&](std::int32_t m) { return static_cast<std::int32_t>(spans() % static_cast<unsigned>(m)); };
        for (std::size_t s = 0; s < c.spans; ++s)
            ed->SelStart(pick(n)), ed->SelLength(pick(n)), ed->SelBold(pick(2)), ed->SelColor(pick(3)), ed->SelFontSize(8.0f + pick(3));
        const auto start = pick(n), sel = pick(n);
        const std::u16string text = commenttext::getcmt(app(), *ed) + c.extra;
        // One walk on a fresh comment from the same selection: its fonts, and
        // where the editor's selection ended.
        const auto walk = [&](const std::function<void()>& body) {
            sheet().remove_comment({1, 1});
            sheet().add_comment("A1", text);
            ed->SelStart(start), ed->SelLength(sel);
            if (c.fault) excel->log.fail_every(c.fault, 1004, u"injected");
            body();
            excel->log.clear_faults();
            std::vector<memory::CharFont> fonts;
            for (std::size_t p = 0; p < text.size(); ++p) fonts.push_back(comment().font_at(p));
            return std::tuple(fonts, ed->SelStart(), ed->SelLength());
        };
        const auto reference = walk([&] {
            const auto note = a1->Comment();
            per_character_walk(*ed, note, note->Text(), windows_1252());
        });
        const auto mark = excel->log.total();
        const auto runs = walk([&] { run(); });
        EXPECT_EQ(runs, reference);
        if (c.fault) continue;
        // A host call or nine per run of equal formats, not per character.
        const auto& fonts = std::get<0>(runs);
        std::uint64_t changes = 0;
        for (std::size_t p = 0; p < fonts.size(); ++p) changes += p == 0 || fonts[p] != fonts[p - 1];
        EXPECT_LE(excel->log.total() - mark, 9 * changes + 8);
    }
}

// A run whose write fails once is written again character by character.
TEST_F(Transfer, FailedRunIsRewrittenByCharacter) {
    prepare(u"abc");
    ed->SelStart(0), ed->SelLength(3), ed->SelColor(7);
    excel->log.fail_nth("Font.Size", 1, 1004, u"injected");
    const auto mark = excel->log.total();
    run();
    EXPECT_EQ(sources(comment()), "666");
    EXPECT_EQ(excel->log.count("TextFrame.Characters"), 4u);
    EXPECT_EQ(excel->log.calls_since(mark).size(), 6 + 9 * 4u);
    for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(comment().font_at(k).size, 10.0f);
}

// An empty editor gives every character its insertion point's format.
TEST_F(Transfer, AnEmptyEditorGivesTheInsertionPointsFormat) {
    sheet().remove_comment({1, 1});
    sheet().add_comment("A1", u"xy\nz");
    comment().set_font(0, 4, memory::CharFont{u"Times", 20, true, true, true, host::xlUnderlineStyleDouble, 0xFF});
    ed->Text(u"");
    run();
    const memory::CharFont want{u"Arial", 10, false, false, false, host::xlUnderlineStyleNone, 0};
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(comment().font_at(k), want) << k;
}


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
        {"refused", kText, true, true, 0, 0, Kind::Refused, {}, u"old\ntext", "old", true},
        {"refused, Overwrite Image alone", kText, true, true, 0, 1, Kind::Refused, {}, u"old\ntext", "old", true},
        {"refused, empty editor", u"", true, true, 0, 0, Kind::Refused, {}, u"old\ntext", "old", true},
        // An editor without usable text changes no comment at all.
        {"empty editor, no comment", u"", true, false, 0, 0, Kind::Done, {.skipped = 1}, nullptr, "", false},
        {"disabled editor, no comment", kText, false, false, 1, 1, Kind::Done, {.skipped = 1}, nullptr, "", false},
        {"empty editor, kept comment", u"", true, true, 1, 0, Kind::Done, {.skipped = 1}, u"old\ntext", "old", true},
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
// arrives, written and cleaned in pieces, none parting a CR LF pair.
TEST(InsertTextOnly, LongTextReachesExcel2000InPieces) {
    std::u16string editor(254, u'x');
    editor += u"\r\n\ty" + std::u16string(300, u'z') + u"\r\nend";  // a pair across the first 255 boundary
    std::u16string note(254, u'x');
    note += u"\n        y" + std::u16string(300, u'z') + u"\nend";
    for (const bool old_comment : {false, true}) {
        SCOPED_TRACE(::testing::Message() << "existing comment: " << old_comment);
        TextOnly f(editor.c_str(), true, old_comment);
        f.excel->short_strings = true;
        EXPECT_TRUE(f.run({.overwrite_text = 1}).done());
        ASSERT_NE(f.sheet().comment("A1"), nullptr);
        EXPECT_EQ(f.sheet().comment("A1")->text.text(), note);
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
        CharFont shown = fonts[p];  // the editor knows only single underlining
        if (shown.underline != host::xlUnderlineStyleSingle) shown.underline = host::xlUnderlineStyleNone;
        EXPECT_EQ(f.ed->FormatAt(p), shown) << p;
    }
    EXPECT_TRUE(f.ed->HideSelection());
    EXPECT_EQ(f.ed->SelStart(), 5);
    EXPECT_EQ(f.ed->SelLength(), 1);
}

}  // namespace
}  // namespace quill::testing
