// Delete Comment over the in-memory workbook.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "support/host_fixture.h"

namespace quill::testing {
namespace {

struct DeleteComments : HostFixture, ::testing::Test {
    std::vector<std::string> commented() {
        std::vector<std::string> out;
        for (const auto& [at, c] : sheet().comments()) out.push_back(memory::cell_name(at));
        return out;
    }
};

const std::u16string kMany = u"Do you want to delete all the comments (2) from the seleceted cells";
const std::u16string kOne = u"Do you want to delete comment in the activecell?";
const std::u16string kProtected = u"Please First Remove Sheet Protection.";

struct Row {
    const char* name;
    const char* selection;  // nullptr: a shape is selected (B2 stays active)
    std::vector<const char*> comments;
    bool protect;
    MsgAnswer answer;
    std::optional<ShownBox> box;  // the one box expected, if any
    std::vector<std::string> remaining;
};

TEST_F(DeleteComments, AsksThenDeletesOnlyOnYes) {
    const ShownBox many{kMany, MsgButtons::YesNo, u"Delete Comments"};
    const ShownBox one{kOne, MsgButtons::YesNo, u"Delete Comment"};
    const ShownBox locked{kProtected, MsgButtons::OK, u"Pixnote"};
    const Row rows[] = {
        // Several cells: the commented ones among them, counted in the prompt.
        {"five cells, two commented, Yes", "B2:B6", {"B3", "B5", "D1"}, false, MsgAnswer::Yes, many, {"D1"}},
        {"five cells, two commented, No", "B2:B6", {"B3", "B5", "D1"}, false, MsgAnswer::No, many,
         {"D1", "B3", "B5"}},
        {"two single-cell areas, both commented", "B3,D5", {"B3", "D5", "E9"}, false, MsgAnswer::Yes, many, {"E9"}},
        {"several cells, none commented", "B2:B4", {"D1"}, false, MsgAnswer::Yes, std::nullopt, {"D1"}},
        // One cell: only the active cell's comment.
        {"one cell with a comment, Yes", "B2", {"B2", "C3"}, false, MsgAnswer::Yes, one, {"C3"}},
        {"one cell with a comment, No", "B2", {"B2", "C3"}, false, MsgAnswer::No, one, {"B2", "C3"}},
        {"one cell without a comment", "B2", {"C3"}, false, MsgAnswer::Yes, std::nullopt, {"C3"}},
        // Not a range: nothing to ask about.
        {"a shape selected", nullptr, {"B2"}, false, MsgAnswer::Yes, std::nullopt, {"B2"}},
        // Protection wins whatever is selected.
        {"protected, one cell", "B2", {"B2"}, true, MsgAnswer::Yes, locked, {"B2"}},
        {"protected, several cells", "B2:B6", {"B3", "B5"}, true, MsgAnswer::Yes, locked, {"B3", "B5"}},
        {"protected, a shape", nullptr, {"B2"}, true, MsgAnswer::Yes, locked, {"B2"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        sheet().cells.clear();
        messages->shown.clear();
        messages->answers = {r.answer};
        for (const char* c : r.comments) sheet().add_comment(c, u"note");
        sheet().protect_contents = r.protect;
        sheet().select(r.selection ? r.selection : "B2");
        if (!r.selection) sheet().select_shape();

        form->Click(u"Command2");

        if (r.box) {
            ASSERT_EQ(messages->shown.size(), 1u);
            EXPECT_EQ(messages->shown[0].text, r.box->text);
            EXPECT_EQ(messages->shown[0].buttons, r.box->buttons);
            EXPECT_EQ(messages->shown[0].title, r.box->title);
        } else {
            EXPECT_TRUE(messages->shown.empty());
        }
        std::vector<std::string> want = r.remaining;
        std::sort(want.begin(), want.end(), [](const std::string& a, const std::string& b) {
            const auto pa = memory::parse_cell(a), pb = memory::parse_cell(b);
            return pa < pb;
        });
        EXPECT_EQ(commented(), want);
    }
}

// Ctrl+A: more cells than Range.Count can count from Excel 2007 on, so
// CountLarge counts them there; Excel 2000 has only Count, and fewer cells.
TEST_F(DeleteComments, WholeSheetSelectionOnEveryVersion) {
    for (const auto& [version, all] : {std::pair{u"9.0", "A1:IV65536"}, std::pair{u"12.0", "A1:XFD1048576"}}) {
        SCOPED_TRACE(all);
        excel->version = version;
        messages->shown.clear();
        messages->answers = {MsgAnswer::Yes};
        for (const char* c : {"B3", "IV65536"}) sheet().add_comment(c, u"note");
        sheet().select(all, "A1");
        form->Click(u"Command2");
        ASSERT_EQ(messages->shown.size(), 1u);
        EXPECT_EQ(messages->shown[0].text, kMany);
        EXPECT_TRUE(commented().empty());
    }
}

TEST_F(DeleteComments, OneCellBranchIgnoresHostFailures) {
    sheet().add_comment("A1", u"keep");
    excel->log.fail_nth("Comment.Delete", 1, 1004, u"cannot delete");
    form->Click(u"Command2");
    ASSERT_EQ(messages->shown.size(), 1u);  // the question, no error report
    EXPECT_EQ(messages->shown[0].text, kOne);
    EXPECT_EQ(commented(), std::vector<std::string>{"A1"});

    // A comment that cannot be read is taken as none: nothing is asked.
    messages->shown.clear();
    excel->log.fail_nth("Range.Comment", 1, 1004, u"cannot read");
    form->Click(u"Command2");
    EXPECT_TRUE(messages->shown.empty());
    EXPECT_EQ(commented(), std::vector<std::string>{"A1"});
}

TEST_F(DeleteComments, NoActiveCellEndsSilently) {
    sheet().add_comment("A1", u"keep");
    excel->chart_sheet_active = true;  // ActiveCell fails
    form->Click(u"Command2");
    excel->chart_sheet_active = false;
    excel->close_all();  // ActiveCell gives nothing
    form->Click(u"Command2");
    EXPECT_TRUE(messages->shown.empty());
    EXPECT_EQ(excel->log.count("Application.Selection"), 0u);
}

}  // namespace
}  // namespace quill::testing
