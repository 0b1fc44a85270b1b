#include "platform/memory/workbook.h"

#include <gtest/gtest.h>

#include <functional>

#include "ports/host_error.h"

namespace quill::memory {
namespace {

using host::Range;

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

TEST(Comment, LifecycleFollowsTheHost) {
    Sheet* sh;
    auto xl = with_sheet(sh);
    xl->user_name = u"Ann";
    sh->select("B3");
    auto cell = xl->application()->ActiveCell();
    EXPECT_EQ(cell->Comment(), nullptr);

    auto c = cell->AddComment(u"one\ntwo");
    EXPECT_THROW(cell->AddComment(u"again"), HostError);
    CommentData* data = sh->comment("B3");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->author, u"Ann");
    EXPECT_EQ(data->text.text(), u"one\ntwo");
    EXPECT_EQ(data->width, 96.0);
    EXPECT_EQ(data->height, 55.5);
    EXPECT_FALSE(data->visible);
    EXPECT_EQ(data->text.font_at(0), note_default_font());

    auto shape = c->Shape();
    shape->ScaleWidth(1.75f, host::msoFalse, host::msoScaleFromTopLeft);
    shape->ScaleHeight(1.75f, host::msoFalse, host::msoScaleFromTopLeft);
    shape->ScaleWidth(2.0f, host::msoFalse, host::msoScaleFromTopLeft);
    EXPECT_DOUBLE_EQ(data->width, 96.0 * 1.75 * 2.0);
    EXPECT_DOUBLE_EQ(data->height, 97.125);
    EXPECT_EQ(data->left_shift, 0.0);
    EXPECT_THROW(shape->ScaleWidth(0.0f, host::msoFalse, 0), HostError);
    EXPECT_THROW(shape->ScaleWidth(2.0f, -1, 0), HostError);

    auto fill = shape->Fill();
    fill->Transparency(0.5f);
    EXPECT_EQ(fill->Transparency(), 0.5f);
    EXPECT_THROW(fill->Transparency(1.5f), HostError);
    auto frame = shape->TextFrame();
    EXPECT_EQ(frame->Orientation(), host::msoTextOrientationHorizontal);
    EXPECT_EQ(frame->VerticalAlignment(), xlVAlignTop);
    frame->Orientation(host::msoTextOrientationUpward);
    frame->VerticalAlignment(host::xlBottom);
    EXPECT_EQ(frame->Orientation(), host::msoTextOrientationUpward);
    EXPECT_EQ(frame->VerticalAlignment(), host::xlBottom);

    c->Text(u"new");
    EXPECT_EQ(cell->Comment()->Text(), u"new");

    c->Delete();
    EXPECT_EQ(cell->Comment(), nullptr);
    for (auto call : std::vector<std::function<void()>>{
             [&] { c->Text(); }, [&] { c->Delete(); }, [&] { c->Shape(); }, [&] { fill->Transparency(0.1f); },
             [&] { frame->Characters(1, 1)->Text(); }}) {
        try {
            call();
            ADD_FAILURE() << "a deleted comment answered";
        } catch (const HostError& e) {
            EXPECT_EQ(e.number(), 1004);
        }
    }
    EXPECT_NO_THROW(cell->AddComment(u""));
}

}  // namespace
}  // namespace quill::memory
