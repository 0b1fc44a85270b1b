#include "platform/memory/rich_text.h"

#include <gtest/gtest.h>

#include "dialog/editor_contract.h"
#include "ports/host_error.h"

namespace quill::memory {
namespace {

using quill::testing::EditorContract;
INSTANTIATE_TEST_SUITE_P(Portable, EditorContract,
                         ::testing::Values(quill::testing::EditorCase{
                             "RichText", [] { return std::make_unique<RichText>(); },
                             [](dialog::RichTextEditor& e) { static_cast<RichText&>(e).FireDblClick(); }}),
                         quill::testing::EditorCaseName);

void select(RichText& ed, std::int32_t start, std::int32_t length) {
    ed.SelStart(start);
    ed.SelLength(length);
}

// Where the selection lands for requests around CR LF and past the end.
TEST(RichText, SelectionArithmetic) {
    struct Row { std::int32_t start, length, got_start, got_length; std::u16string text; };
    const Row rows[] = {
        {3, 1, 3, 1, u"\n"},        // between CR and LF: the LF alone
        {2, 1, 2, 1, u"\r"},        // the CR alone
        {3, 5, 3, 3, u"\ncd"},      // length cut back at the end
        {6, 0, 6, 0, u""},          // the end itself
        {7, 2, 6, 0, u""},          // past the end: clamps to the end
        {1000, 1000, 6, 0, u""},
    };
    RichText ed;
    ed.Text(u"ab\r\ncd");
    for (const auto& r : rows) {
        SCOPED_TRACE(r.start);
        select(ed, r.start, r.length);
        EXPECT_EQ(ed.SelStart(), r.got_start);
        EXPECT_EQ(ed.SelLength(), r.got_length);
        EXPECT_EQ(ed.SelText(), r.text);
    }
    ed.SelStart(1);  // setting the start empties the selection
    EXPECT_EQ(ed.SelLength(), 0);
}

TEST(RichText, TypingOverASelectionTakesItsFirstFormat) {
    RichText ed;
    ed.Text(u"abcd");
    select(ed, 1, 1);
    ed.SelColor(7);
    select(ed, 1, 2);
    ed.TypeText(u"XYZ");
    EXPECT_EQ(ed.Text(), u"aXYZd");
    for (std::int32_t p : {1, 2, 3}) EXPECT_EQ(ed.FormatAt(p).color, 7);
    EXPECT_EQ(ed.FormatAt(4).color, 0);
    select(ed, 0, 5);
    ed.SelColor(9);
    ed.TypeText(u"");
    EXPECT_EQ(ed.Text(), u"");
    ed.TypeText(u"n");  // the emptied document keeps the deleted text's format
    EXPECT_EQ(ed.FormatAt(0).color, 9);
}

TEST(RichText, RunsMergeBackWhenFormatsAgree) {
    RichText ed;
    ed.Text(std::u16string(100, u'x'));
    for (std::int32_t p = 0; p < 100; p += 2) {
        select(ed, p, 1);
        ed.SelBold(true);
    }
    EXPECT_EQ(ed.RunCount(), 100u);
    for (std::int32_t p = 1; p < 100; p += 2) {
        select(ed, p, 1);
        ed.SelBold(true);
    }
    EXPECT_EQ(ed.RunCount(), 1u);
}

TEST(RichText, RejectsBadValues) {
    RichText ed;
    ed.Text(u"ab");
    select(ed, 0, 2);
    const std::function<void()> bad[] = {
        [&] { ed.SelFontSize(0); }, [&] { ed.SelFontSize(2000); }, [&] { ed.SelFontName(u""); },
        [&] { ed.Width(-1); }, [&] { ed.Height(-5); },
    };
    for (const auto& f : bad) {
        EXPECT_THROW(f(), HostError);
    }
    EXPECT_EQ(ed.SelFontSize(), 10.0f);
    EXPECT_NO_THROW(ed.FireDblClick());  // no handler installed
}

}  // namespace
}  // namespace quill::memory
