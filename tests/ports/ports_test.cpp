#include <gtest/gtest.h>

#include <functional>
#include <new>

#include "ports/code_page.h"
#include "ports/command.h"
#include "ports/error_styles.h"
#include "ports/leading_number.h"

namespace quill {
namespace {

TEST(Utf, RoundTripsAcrossPlanesAndRepairsBadInput) {
    const std::u16string s = u"a\u00e9\u20ac\U0001F600";
    EXPECT_EQ(to_u16(to_utf8(s)), s);
    EXPECT_EQ(to_u16("\xff" "a"), u"\ufffda");
    EXPECT_EQ(to_u16("\xe2\x82"), u"\ufffd\ufffd");  // truncated sequence
    EXPECT_EQ(to_u16("\x80\x80\x80\x80"), u"\ufffd\ufffd\ufffd\ufffd");  // no lead byte: four strays
    EXPECT_EQ(to_u16("\xe0\xa0\x80"), u"\u0800");     // the shortest three-byte character
    EXPECT_EQ(to_u16("\xe0\x9f\xbf"), u"\ufffd");     // overlong: U+07FF in three bytes
    EXPECT_EQ(to_utf8(std::u16string(1, char16_t(0xD800))), "\xef\xbf\xbd");
}

// Every exception becomes an error number; a skipped step's error stays
// recorded through later successes.
TEST(CurrentError, MapsEveryExceptionKind) {
    const std::pair<std::function<void()>, std::int32_t> rows[] = {
        {[] { throw HostError(1004, u"x"); }, 1004},
        {[] { throw std::bad_alloc(); }, err::kOutOfMemory},
        {[] { throw std::runtime_error("boom"); }, err::kInternal},
        {[] { throw 42; }, err::kInternal},
    };
    for (const auto& [raise, number] : rows) {
        ErrorRecord rec;
        EXPECT_FALSE(skip_on_error(rec, raise));
        EXPECT_TRUE(skip_on_error(rec, [] {}));
        EXPECT_EQ(rec.number, number);
    }
}

TEST(Windows1252, AnsiCodes) {
    const struct {
        char16_t unit;
        std::int32_t code;
    } rows[] = {
        {u'A', 65},      {u'\t', 9},      {0x00E9, 0xE9},  {0x20AC, 0x80},  {0x0160, 0x8A},  // é € Š
        {0x0178, 0x9F},  {0x2019, 0x92},  {0x0081, 0x81},  {0x009D, 0x9D},                   // Ÿ ’, unassigned bytes
        {0x0080, '?'},   {0x0100, '?'},   {0xD83D, '?'},   {0xFFFF, '?'},                    // C1, Ā, lone surrogate
    };
    for (const auto& row : rows) EXPECT_EQ(windows_1252().Asc(row.unit), row.code) << static_cast<int>(row.unit);
}

TEST(LeadingNumber, ReadsLikeTheRuntimesVal) {
    const struct {
        const char16_t* text;
        double expected;
    } rows[] = {
        {u"9.0", 9},     {u"10.0", 10},   {u"9.0a", 9},    {u"", 0},    {u"a9", 0},      {u"-", 0},   {u"\t16.0", 16},
        {u"1 0.0", 10}, {u"-9.0", -9}, {u".5", 0.5},    {u"1.2.3", 1.2}, {u"9,0", 9}, {u"2D2", 200}, {u"1e+", 1},
        {u"5E-1x", 0.5},
    };
    for (const auto& r : rows) EXPECT_DOUBLE_EQ(leading_number(r.text), r.expected) << to_utf8(r.text);
}

// Orent(1) to Orent(4) as the host's orientations; anything else downward.
TEST(TextOrientation, OneTableForBothInsertCommands) {
    const std::int32_t want[] = {host::msoTextOrientationDownward, host::msoTextOrientationHorizontal,
                                 host::msoTextOrientationVertical, host::msoTextOrientationUpward,
                                 host::msoTextOrientationDownward, host::msoTextOrientationDownward};
    for (std::int32_t option = 0; option <= 5; ++option)
        EXPECT_EQ(text_orientation(option), want[option]) << option;
}

}  // namespace
}  // namespace quill
