#include "platform/memory/workbook.h"

#include <gtest/gtest.h>

#include <functional>

#include "ports/host_error.h"

namespace quill::memory {
namespace {

std::shared_ptr<Excel> with_sheet(Sheet*& sheet) {
    auto xl = Excel::Create();
    sheet = &xl->sheet();
    return xl;
}

TEST(Address, ParsesAndWritesA1References) {
    struct Row {
        const char* in;
        const char16_t* address;
        std::int64_t count;
    } rows[] = {
        {"B3", u"$B$3", 1},
        {"$b$3", u"$B$3", 1},
        {"C5:B2", u"$B$2:$C$5", 8},
        {"B2:B5,D2", u"$B$2:$B$5,$D$2", 5},
        {"A1:A2,A2", u"$A$1:$A$2,$A$2", 3},  // overlapping areas count twice, as the host counts
        {"XFD1048576", u"$XFD$1048576", 1},
        {"AA10", u"$AA$10", 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.in);
        const auto areas = parse_areas(r.in);
        EXPECT_EQ(absolute_address(areas), r.address);
        std::int64_t n = 0;
        for (const Area& a : areas) n += a.count();
        EXPECT_EQ(n, r.count);
    }
    for (const char* bad : {"", "B", "3", "B0", "XFE1", "A1048577", "B2:", "B2,,C3", "B2 C3", "B2;C3"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(parse_areas(bad), HostError);
    }
    EXPECT_THROW(parse_cell("B2:B3"), HostError);
    EXPECT_EQ(cell_name(CellRef{3, 28}), "AB3");
}

TEST(Range, SpecialCellsAndClearCommentsOnMultiAreaSelections) {
    Sheet* sh;
    auto xl = with_sheet(sh);
    for (const char* at : {"B2", "B3", "C2", "C3", "D9", "F1"}) sh->add_comment(at, u"x");
    auto app = xl->application();

    struct Row {
        const char* selection;
        const char16_t* found;  // nullptr: "No cells were found."
    } rows[] = {
        {"B2:C3", u"$B$2:$C$3"},          // one block
        {"A1:B3,D9", u"$B$2:$B$3,$D$9"},  // multi-area aware
        {"B3:D3,D9", u"$B$3:$C$3,$D$9"},
        {"A5:C8,E1", nullptr},
        {"B2:B2,D9:D9", u"$B$2,$D$9"},
        {"A1", u"$F$1,$B$2:$C$3,$D$9"},  // one cell: the whole sheet, as the host does
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.selection);
        sh->select(r.selection);
        auto sel = app->Selection();
        if (!r.found) {
            try {
                sel->SpecialCells(host::xlCellTypeComments);
                ADD_FAILURE() << "no failure";
            } catch (const HostError& e) {
                EXPECT_EQ(e.number(), 1004);
                EXPECT_EQ(e.description(), u"No cells were found.");
            }
            continue;
        }
        EXPECT_EQ(sel->SpecialCells(host::xlCellTypeComments)->Address(), r.found);
    }

    sh->select("A1:B2,C3:D9");
    app->Selection()->SpecialCells(host::xlCellTypeComments)->ClearComments();
    std::vector<std::string> left;
    for (const auto& [at, c] : sh->comments()) left.push_back(cell_name(at));
    EXPECT_EQ(left, (std::vector<std::string>{"F1", "C2", "B3"}));
}

// Font writes land on their characters only, as runs; the cell's Characters
// over differing fonts answer Null.
TEST(Text, FontsStayOnTheirCharacters) {
    Sheet* sh;
    auto xl = with_sheet(sh);
    CellData& c = sh->set_value("A1", 1234.5, u"");  // Text shows the display, not the value
    c.text.append(u"$1", CharFont{u"Arial", 10, true});
    c.text.append(u"23", CharFont{u"Calibri", 8, false, false, false, host::xlUnderlineStyleDouble});
    auto cell = xl->application()->ActiveCell();
    EXPECT_EQ(cell->Text(), u"$123");
    EXPECT_EQ(cell->Characters(3, 1)->Font()->Underline(), host::xlUnderlineStyleDouble);
    EXPECT_THROW(cell->Characters(2, 2)->Font()->Name(), HostError);
    EXPECT_EQ(cell->Characters(3, 2)->Font()->Size(), 8.0f);

    auto note = cell->AddComment(u"abc\ndef");
    auto frame = note->Shape()->TextFrame();
    auto f = frame->Characters(2, 2)->Font();
    f->Name(u"Courier New");
    f->Underline(true);
    f->Size(20.5f);
    EXPECT_EQ(f->Underline(), host::xlUnderlineStyleSingle);
    const auto runs = sh->comment("A1")->text.runs();
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].font, note_default_font());
    EXPECT_EQ(runs[1].text, u"bc");
    EXPECT_EQ(runs[1].font, (CharFont{u"Courier New", 20.5, false, false, false, host::xlUnderlineStyleSingle}));
    // Spans past the end are clipped; new text takes the default font.
    EXPECT_EQ(frame->Characters(6, 10)->Text(), u"ef");
    EXPECT_NO_THROW(frame->Characters(9, 1)->Font()->Bold(true));
    note->Text(u"xyz");
    EXPECT_EQ(sh->comment("A1")->text.runs().size(), 1u);
}

// What the host refuses, and what a deleted comment answers (1004).
TEST(Comment, RefusesWhatTheHostRefuses) {
    Sheet* sh;
    auto xl = with_sheet(sh);
    auto cell = xl->application()->ActiveCell();
    auto c = cell->AddComment(u"one");
    auto shape = c->Shape();
    auto fill = shape->Fill();
    auto frame = shape->TextFrame();
    auto font = frame->Characters(1, 1)->Font();
    const std::pair<const char*, std::function<void()>> refused[] = {
        {"second note", [&] { cell->AddComment(u"again"); }},
        {"scale 0", [&] { shape->ScaleWidth(0.0f, host::msoFalse, 0); }},
        {"scale relative to the original", [&] { shape->ScaleWidth(2.0f, -1, 0); }},
        {"transparency 1.5", [&] { fill->Transparency(1.5f); }},
        {"characters from 0", [&] { frame->Characters(0, 1); }},
        {"size 0.5", [&] { font->Size(0.5f); }},
        {"size 410", [&] { font->Size(410.0f); }},
        {"colour", [&] { font->Color(0x01000000); }},
        {"negative colour", [&] { font->Color(-1); }},
        {"empty name", [&] { font->Name(u""); }},
    };
    for (const auto& [what, call] : refused) {
        SCOPED_TRACE(what);
        EXPECT_THROW(call(), HostError);
    }
    c->Delete();
    EXPECT_EQ(cell->Comment(), nullptr);
    for (auto call : std::vector<std::function<void()>>{[&] { c->Text(); }, [&] { c->Delete(); },
                                                         [&] { fill->Transparency(0.1f); },
                                                         [&] { frame->Characters(1, 1)->Text(); }}) {
        try {
            call();
            ADD_FAILURE() << "a deleted comment answered";
        } catch (const HostError& e) {
            EXPECT_EQ(e.number(), 1004);
        }
    }
}

}  // namespace
}  // namespace quill::memory
