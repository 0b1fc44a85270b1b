// getcmt and InsertFmtText against the in-memory workbook and the portable editor.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <tuple>

#include "commenttext/commenttext.h"
#include "commenttext/per_character_walk.h"
#include "commenttext/support.h"

namespace quill::testing {
namespace {

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

// Tabs as eight spaces, CR LF as LF, then no lone CR: three Substitute calls.
TEST_F(Transfer, GetcmtUsesTheHostsSubstituteThreeTimes) {
    const std::pair<const char16_t*, const char16_t*> rows[] = {
        {u"", u""}, {u"a\r\nb", u"a\nb"}, {u"a\rb", u"ab"}, {u"\r\r\n", u"\n"}, {u"a\nb", u"a\nb"},
        {u"\t\r\n\t", u"        \n        "}};
    for (const auto& [editor, note] : rows) {
        ed->Text(editor);
        const auto mark = excel->log.total();
        EXPECT_EQ(commenttext::getcmt(app(), *ed), note);
        EXPECT_EQ(excel->log.calls_since(mark), (std::vector<std::string>{"Application.WorksheetFunction",
                                                                          "WorksheetFunction.Substitute",
                                                                          "WorksheetFunction.Substitute",
                                                                          "WorksheetFunction.Substitute"}));
        EXPECT_EQ(ed->Text(), editor);
    }
}

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
        {u"a\r\nb\r\nc", nullptr, "01346"},
        {u"\tab", nullptr, "00000000" "12"}, {u"a\tb", nullptr, "0" "11111111" "2"},
        {u"a\t\tb", nullptr, "0" "11111111" "22222222" "3"}, {u"a\t\r\nb", nullptr, "0" "11111111" "24"},
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

// No comment, an empty one: screen updating off and on, nothing walked. An
// empty editor gives every character its insertion point's format.
TEST_F(Transfer, NothingToWalkAndAnEmptyEditor) {
    for (const char16_t* note : {static_cast<const char16_t*>(nullptr), u""}) {
        sheet().remove_comment({1, 1});
        if (note) sheet().add_comment("A1", note);
        ed->Text(u"abc");
        excel->log.clear();
        EXPECT_EQ(run().counts.formatted, 0);
        EXPECT_EQ(excel->log.count("Application.ScreenUpdating"), 2u);
        EXPECT_EQ(excel->log.count("TextFrame.Characters"), 0u);
    }
    sheet().remove_comment({1, 1});
    sheet().add_comment("A1", u"xy\nz");
    comment().set_font(0, 4, memory::CharFont{u"Times", 20, true, true, true, host::xlUnderlineStyleDouble, 0xFF});
    ed->Text(u"");
    run();
    const memory::CharFont want{u"Arial", 10, false, false, false, host::xlUnderlineStyleNone, 0};
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(comment().font_at(k), want) << k;
}

}  // namespace
}  // namespace quill::testing
