#include "ports/code_page.h"

#include <gtest/gtest.h>

namespace quill::commenttext {
namespace {

TEST(Windows1252, AnsiCodes) {
    const struct {
        char16_t unit;
        std::int32_t code;
    } rows[] = {
        {u'A', 65},      {u'\t', 9},      {u'\n', 10},     {0x00E9, 0xE9},  // é
        {0x00A0, 0xA0},  {0x20AC, 0x80},  {0x0160, 0x8A},  {0x0178, 0x9F},  // € Š Ÿ
        {0x2019, 0x92},  {0x0081, 0x81},  {0x009D, 0x9D},                   // ’, unassigned bytes
        {0x0080, '?'},   {0x0100, '?'},   {0x03A9, '?'},   {0xD83D, '?'},   // C1, Ā, Ω, lone surrogate
        {0xFFFF, '?'},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.unit));
        EXPECT_EQ(windows_1252().Asc(row.unit), row.code);
    }
}

}  // namespace
}  // namespace quill::commenttext
