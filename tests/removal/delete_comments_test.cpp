// Delete Comment over the in-memory workbook.
#include "removal/delete_comments.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/host_fixture.h"

namespace quill::testing {
namespace {

using Kind = Outcome::Kind;

// Answers from a script and remembers what it was asked ("one", or the count).
struct Prompts final : PromptPort {
    bool ConfirmDeleteOne() override { return asked.push_back("one"), yes; }
    bool ConfirmDeleteMany(std::int64_t count) override { return asked.push_back(std::to_string(count)), yes; }
    bool yes = true;
    std::vector<std::string> asked;
};

TEST(DeleteComment, AsksThenDeletesOnlyOnYes) {
    const struct {
        const char* name;
        const char* selection;  // nullptr: a shape is selected (B2 stays active)
        std::vector<const char*> comments;
        bool protect, yes;
        std::vector<std::string> asked;
        std::vector<const char*> remaining;
        Kind kind;
        Refusal reason = Refusal::Cancelled;
        const char16_t* version = u"16.0";
    } rows[] = {
        // Several cells: the commented ones among them, counted in the prompt.
        {"five cells, two commented, Yes", "B2:B6", {"B3", "B5", "D1"}, false, true, {"2"}, {"D1"}, Kind::Done},
        {"five cells, two commented, No", "B2:B6", {"B3", "B5", "D1"}, false, false, {"2"}, {"B3", "B5", "D1"},
         Kind::Refused, Refusal::NotConfirmed},
        {"two single-cell areas", "B3,D5", {"B3", "D5", "E9"}, false, true, {"2"}, {"E9"}, Kind::Done},
        {"several cells, none commented", "B2:B4", {"D1"}, false, true, {}, {"D1"}, Kind::Done},
        // One cell: only the active cell's comment.
        {"one cell, Yes", "B2", {"B2", "C3"}, false, true, {"one"}, {"C3"}, Kind::Done},
        {"one cell, No", "B2", {"B2", "C3"}, false, false, {"one"}, {"B2", "C3"}, Kind::Refused, Refusal::NotConfirmed},
        {"one cell without a comment", "B2", {"C3"}, false, true, {}, {"C3"}, Kind::Done},
        {"a shape selected", nullptr, {"B2"}, false, true, {}, {"B2"}, Kind::Done},
        // Protection wins whatever is selected.
        {"protected, one cell", "B2", {"B2"}, true, true, {}, {"B2"}, Kind::Refused, Refusal::ProtectedSheet},
        // Ctrl+A: more cells than Range.Count can count from Excel 2007 on, so
        // CountLarge counts them there; Excel 2000 has only Count, and fewer cells.
        {"whole sheet, Excel 2000", "A1:IV65536", {"B3", "IV65536"}, false, true, {"2"}, {}, Kind::Done, Refusal::Cancelled, u"9.0"},
        {"whole sheet, Excel 2007", "A1:XFD1048576", {"B3", "IV65536"}, false, true, {"2"}, {}, Kind::Done, Refusal::Cancelled, u"12.0"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        HostFixture f;
        f.excel->version = r.version;
        for (const char* c : r.comments) f.sheet().add_comment(c, u"note");
        f.sheet().protect_contents = r.protect;
        f.sheet().select(r.selection ? r.selection : "B2");
        if (!r.selection) f.sheet().select_shape();
        Prompts prompts;
        prompts.yes = r.yes;
        const auto before = f.sheet().comments().size();
        const Outcome got = removal::DeleteComment(f.app(), prompts);
        EXPECT_EQ(std::tuple(got.kind, got.reason, prompts.asked, got.counts.deleted),
                  std::tuple(r.kind, r.reason, r.asked, static_cast<std::int64_t>(before - r.remaining.size())));
        for (const char* c : r.remaining) EXPECT_NE(f.sheet().comment(c), nullptr) << c;
        EXPECT_EQ(f.sheet().comments().size(), r.remaining.size());
    }
}

TEST(DeleteComment, NoActiveCell) {
    HostFixture f;
    f.excel->close_all();  // no active cell: the command ends before it looks at the selection
    Prompts prompts;
    EXPECT_EQ(removal::DeleteComment(f.app(), prompts).kind, Kind::Done);
    EXPECT_TRUE(prompts.asked.empty() && f.excel->log.count("Application.Selection") == 0);
}

}  // namespace
}  // namespace quill::testing
