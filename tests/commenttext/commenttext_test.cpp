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
    for (std::int32_t p = 0; p < static_cast<std::int32_t>(ed.Text().size()); ++p) ed.SelStart(p), ed.SelLength(1), ed.SelColor(p + 1);
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
    // holds getcmt() of it.
    void prepare(const std::u16string& editor) {
        ed->Text(editor), colour_positions(*ed);
        sheet().add_comment("A1", commenttext::getcmt(app(), *ed));
    }
    Outcome run() { return commenttext::InsertFmtText(app(), *ed, a1, windows_1252()); }
    memory::FormattedText& comment() { return sheet().comment("A1")->text; }
    std::shared_ptr<host::Range> a1 = app()->ActiveCell();
};

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
// walk leaves it; also when a host step fails every time. That walk takes
// each character's format from the matching editor position: the editor
// reports, for an empty selection, the format of the character before it, so
// a comment LF met by the editor's CR (skipped to the LF) reports the CR's
// format, and a lone CR's format goes to the character after it; a tab's
// eight spaces take the tab's format; characters compare by their code-page
// codes. Each case: editor text over an alphabet of letters, CR, LF, tabs,
// the euro sign and a character outside the code page; formats set on random
// spans, so runs of every length; a comment that is getcmt() of the editor,
// longer than it, beside an empty editor, or with those two characters
// swapped for others ('?' again, and a different code); and the walk
// starting from a random, often mixed, selection.
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
        bool swap = false;     // the comment has \u03A9 for \u0100 and \u0160 for \u20AC
    };
    std::vector<Case> cases = {{u"", u"xy\nz", 0, nullptr, 3}, {u"ab", u"cdefgh", 1, nullptr, 4}};
    std::mt19937 rng(20261207);
    const std::u16string alphabet = u"aab c\t\r\n\u0100\u20AC";
    for (unsigned k = 0; k < 150; ++k) {
        Case c{u"", rng() % 5 ? u"" : u"tail", rng() % 6, kFaults[rng() % std::size(kFaults)], static_cast<unsigned>(rng()), rng() % 3 == 0};
        for (std::size_t p = 0, length = rng() % 40; p < length; ++p) {
            const char16_t ch = alphabet[rng() % alphabet.size()];
            c.editor += ch == u'\n' ? std::u16string(u"\r\n") : std::u16string(1, ch);
        }
        cases.push_back(c);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(to_utf8(c.editor) + " + " + to_utf8(c.extra) + (c.swap ? " swapped" : "") + (c.fault ? std::string(" failing ") + c.fault : ""));
        ed->Text(c.editor);
        std::mt19937 spans(c.seed);
        const auto n = static_cast<std::int32_t>(c.editor.size()) + 1;
        const auto pick = [&](std::int32_t m) { return static_cast<std::int32_t>(spans() % static_cast<unsigned>(m)); };
        for (std::size_t s = 0; s < c.spans; ++s)
            ed->SelStart(pick(n)), ed->SelLength(pick(n)), ed->SelBold(pick(2)), ed->SelColor(pick(3)), ed->SelFontSize(8.0f + pick(3));
        const auto start = pick(n), sel = pick(n);
        std::u16string text = commenttext::getcmt(app(), *ed) + c.extra;
        for (char16_t& ch : text) ch = !c.swap ? ch : ch == u'\u0100' ? u'\u03A9' : ch == u'\u20AC' ? u'\u0160' : ch;
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
            return std::tuple(fonts, ed->SelStart(), ed->SelLength(), ed->Text());
        };
        const auto reference = walk([&] { const auto n = a1->Comment(); per_character_walk(*ed, n, n->Text(), windows_1252()); });
        const auto mark = excel->log.total();
        Outcome got;
        const auto runs = walk([&] { got = run(); });
        EXPECT_EQ(runs, reference);
        EXPECT_EQ(std::get<3>(runs), c.editor);
        EXPECT_TRUE(excel->screen_updating);
        if (c.fault) continue;
        EXPECT_EQ(got.counts.formatted, static_cast<std::int64_t>(text.size()));
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
    EXPECT_EQ(std::tuple(sources(comment()), excel->log.count("TextFrame.Characters"), excel->log.calls_since(mark).size()),
              std::tuple("666", 4u, 6 + 9 * 4u));
    EXPECT_EQ(std::tuple(comment().font_at(0).size, comment().font_at(1).size, comment().font_at(2).size), std::tuple(10.f, 10.f, 10.f));
}


using Kind = Outcome::Kind;
constexpr const char16_t* kText = u"Hi\r\nyou";

// The editor holds `text` with one colour per position; A1 optionally an
// old comment in Times with a picture.
struct TextOnly : HostFixture {
    TextOnly(const char16_t* text, bool enabled, bool old_comment) {
        ed->Text(text), colour_positions(*ed), ed->Enabled(enabled);
        if (old_comment) {
            memory::CommentData& c = sheet().add_comment("A1", u"old\ntext");
            c.text.set_font(0, 8, memory::CharFont{u"Times", 12, false, false, false, host::xlUnderlineStyleNone, 0});
            c.fill.picture = memory::Picture{u"C:\\pic.png", {}, {}};
        }
        excel->display_comment_indicator = 1, excel->visible = false, excel->log.clear();
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
        {"deleted and made anew", kText, true, true, 1, 1, Kind::Done, {.created = 1, .deleted = 1, .formatted = 6}, u"Hi\nyou", "012456", false},
        {"upward", kText, true, false, 0, 0, Kind::Done, {.created = 1, .formatted = 6}, u"Hi\nyou", "012456", false, 3,
         host::msoTextOrientationUpward, host::xlBottom},
        {"refused", kText, true, true, 0, 0, Kind::Refused, {}, u"old\ntext", "old", true},
        {"refused, Overwrite Image alone", kText, true, true, 0, 1, Kind::Refused, {}, u"old\ntext", "old", true},
        {"refused, empty editor", u"", true, true, 0, 0, Kind::Refused, {}, u"old\ntext", "old", true},
        // An editor without usable text changes no comment at all.
        {"empty editor, no comment", u"", true, false, 0, 0, Kind::Done, {.skipped = 1}, nullptr, "", false},
        {"disabled editor, no comment", kText, false, false, 1, 1, Kind::Done, {.skipped = 1}, nullptr, "", false},
        {"disabled editor, both ticked", kText, false, true, 1, 1, Kind::Done, {.skipped = 1}, u"old\ntext", "old", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TextOnly f(row.editor, row.enabled, row.old_comment);
        const Outcome got = f.run({.overwrite_text = row.check3, .overwrite_image = row.check4, .orientation = row.option});
        const bool refused = row.kind == Kind::Refused, written = row.counts.formatted > 0;
        EXPECT_EQ(std::tuple(got.kind, got.counts, got.reason, got.existing),
                  std::tuple(row.kind, row.counts, refused ? Refusal::CommentFound : Refusal::Cancelled,
                             std::u16string(refused ? u"old\ntext" : u"")));
        EXPECT_EQ(std::tuple(f.excel->display_comment_indicator, f.excel->visible,
                             f.excel->log.count("Application.ScreenUpdating"), f.excel->screen_updating),
                  std::tuple(written ? host::xlCommentIndicatorOnly : 1, written, written ? 2u : 0u, true));
        memory::CommentData* c = f.sheet().comment("A1");
        ASSERT_EQ(c != nullptr, row.text != nullptr);
        if (!c) continue;
        const bool old = std::string(row.formats) == "old";
        EXPECT_EQ(std::tuple(c->text.text(), c->fill.picture.has_value(), old ? to_utf8(c->text.font_at(5).name) : sources(c->text)),
                  std::tuple(std::u16string(row.text), row.picture, std::string(old ? "Times" : row.formats)));
        if (written) {
            EXPECT_EQ(std::tuple(c->orientation, c->vertical_alignment), std::tuple(row.orientation, row.alignment));
        }
    }
}

// Excel 2000 refuses strings over 255 characters: the whole note still
// arrives, written and cleaned in pieces, none parting a CR LF pair.
TEST(InsertTextOnly, LongTextReachesExcel2000InPieces) {
    const std::u16string x(254, u'x'), z(300, u'z');
    const std::u16string editor = x + u"\r\n\ty" + z + u"\r\nend";  // a pair across the first 255 boundary
    const std::u16string note = x + u"\n        y" + z + u"\nend";
    for (const bool old_comment : {false, true}) {
        SCOPED_TRACE(::testing::Message() << "existing comment: " << old_comment);
        TextOnly f(editor.c_str(), true, old_comment);
        f.excel->short_strings = true;
        EXPECT_TRUE(f.run({.overwrite_text = 1}).done());
        EXPECT_EQ(f.sheet().comment("A1") ? f.sheet().comment("A1")->text.text() : u"-", note);
    }
}

// Every cell character's font reaches its editor position; only the single
// underline reads as underlined. The cell's comment is never read.
TEST(GetText, EveryCharacterKeepsItsFont) {
    using memory::CharFont;
    const CharFont fonts[] = {  // a, b, the line break, f
        {u"Times New Roman", 14, true, false, false, host::xlUnderlineStyleNone, 0x0000FF},
        {u"Courier New", 8.5f, false, true, false, host::xlUnderlineStyleSingle, 0x00FF00},
        {u"Georgia", 11, true, true, true, host::xlUnderlineStyleSingleAccounting, 0x123456},
        {u"Verdana", 20, false, false, true, host::xlUnderlineStyleDouble, 0xFF0000},
    };
    HostFixture f;
    memory::CellData& cell = f.sheet().set_text("A1", u"ab\nf");
    for (std::size_t k = 0; k < 4; ++k) cell.text.set_font(k, 1, fonts[k]);
    f.sheet().add_comment("A1", u"note");
    const Outcome got = commenttext::GetText(f.app(), *f.ed);
    // This editor keeps the LF as one position; RichEdit, which widens it to
    // CR LF, has its own test among the window tests.
    EXPECT_EQ(std::tuple(got.kind, got.counts.formatted, f.excel->log.count("Range.Comment"), f.ed->Text()),
              std::tuple(Kind::Done, 4, 0u, std::u16string(u"ab\nf")));
    for (std::int32_t p = 0; p < 4; ++p) {
        CharFont shown = fonts[p];  // the editor knows only single underlining
        if (shown.underline != host::xlUnderlineStyleSingle) shown.underline = host::xlUnderlineStyleNone;
        EXPECT_EQ(f.ed->FormatAt(p), shown) << p;
    }
    EXPECT_EQ(std::tuple(f.ed->HideSelection(), f.ed->SelStart(), f.ed->SelLength()), std::tuple(true, 3, 1));
}

}  // namespace
}  // namespace quill::testing
