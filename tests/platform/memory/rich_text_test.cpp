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
        {7, 2, 6, 0, u""},          // past the end: clamps to the end
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

}  // namespace
}  // namespace quill::memory
