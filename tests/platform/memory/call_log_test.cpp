#include "platform/memory/call_log.h"

#include <gtest/gtest.h>

#include "ports/host_error.h"
#include "platform/memory/workbook.h"

namespace quill::memory {
namespace {

// One small scenario through several ports: the calls it makes, in order.
void scenario(host::Application& app) {
    app.ScreenUpdating(false);
    auto cell = app.ActiveCell();
    auto c = cell->AddComment(u"ab");
    auto f = c->Shape()->TextFrame()->Characters(1, 1)->Font();
    f->Bold(true);
    f->Bold(true);
    app.ScreenUpdating(true);
}
const std::vector<std::string> kScenarioCalls = {
    "Application.ScreenUpdating", "Application.ActiveCell", "Range.AddComment",   "Comment.Shape",
    "Shape.TextFrame",            "TextFrame.Characters",   "Characters.Font",    "Font.Bold",
    "Font.Bold",                  "Application.ScreenUpdating"};

std::shared_ptr<Excel> fresh() {
    auto xl = Excel::Create();
    xl->sheet();
    return xl;
}

TEST(CallLog, LogsEveryPortCallInOrderWithCounts) {
    auto xl = fresh();
    scenario(*xl->application());
    EXPECT_EQ(xl->log.calls(), kScenarioCalls);
    EXPECT_EQ(xl->log.count("Font.Bold"), 2u);
    EXPECT_EQ(xl->log.count("Application.ScreenUpdating"), 2u);
    EXPECT_EQ(xl->log.count("Range.ClearComments"), 0u);
    EXPECT_EQ(xl->log.calls_since(8), (std::vector<std::string>{"Font.Bold", "Application.ScreenUpdating"}));
    xl->log.clear();
    EXPECT_EQ(xl->log.total(), 0u);
}

TEST(CallLog, RulesFailTheChosenCallsWithoutEffect) {
    struct Row {
        const char* what;
        void (*arm)(CallLog&);
        std::size_t fails_at;  // index into kScenarioCalls of the first failing call
    } rows[] = {
        {"second Font.Bold", [](CallLog& l) { l.fail_nth("Font.Bold", 2, 1004, u"boom"); }, 8},
        {"every AddComment", [](CallLog& l) { l.fail_every("Range.AddComment", 1004, u"boom"); }, 2},
        {"fourth call of any", [](CallLog& l) { l.fail_any_nth(4, 1004, u"boom"); }, 3},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto xl = fresh();
        r.arm(xl->log);
        try {
            scenario(*xl->application());
            ADD_FAILURE() << "no fault";
        } catch (const HostError& e) {
            EXPECT_EQ(e.number(), 1004);
            EXPECT_EQ(e.description(), u"boom");
        }
        EXPECT_EQ(xl->log.total(), r.fails_at + 1);  // the failing call is logged too
        EXPECT_EQ(xl->log.faults_thrown(), 1u);
    }

    // A failing call has no effect; a spent rule lets later calls through; an
    // "every" rule keeps failing.
    auto xl = fresh();
    auto app = xl->application();
    xl->log.fail_nth("Application.Visible", 1, 5, u"once");
    EXPECT_THROW(app->Visible(false), HostError);
    EXPECT_TRUE(xl->visible);
    app->Visible(false);
    EXPECT_FALSE(xl->visible);
    xl->log.fail_every("Application.UserName", 438, u"always");
    EXPECT_THROW(app->UserName(), HostError);
    EXPECT_THROW(app->UserName(), HostError);
    xl->log.clear_faults();
    EXPECT_EQ(app->UserName(), xl->user_name);
}

TEST(CallLog, ExhaustiveSweepFailsEachCallOnce) {
    for (std::size_t n = 1; n <= kScenarioCalls.size(); ++n) {
        SCOPED_TRACE(n);
        auto xl = fresh();
        xl->log.fail_any_nth(n, 1004, u"sweep");
        EXPECT_THROW(scenario(*xl->application()), HostError);
        EXPECT_EQ(xl->log.calls().back(), kScenarioCalls[n - 1]);
    }
}

}  // namespace
}  // namespace quill::memory
