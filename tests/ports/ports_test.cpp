#include <gtest/gtest.h>

#include <functional>
#include <new>

#include "ports/code_page.h"
#include "ports/error_styles.h"
#include "ports/leading_number.h"

namespace quill {
namespace {

TEST(Utf, RoundTripsAcrossPlanesAndRepairsBadInput) {
    const std::u16string s = u"a\u00e9\u20ac\U0001F600";
    EXPECT_EQ(std::tuple(to_u16(to_utf8(s)), to_utf8(std::u16string(1, char16_t(0xD800)))), std::tuple(s, "\xef\xbf\xbd"));
    // A stray byte, a truncated sequence, four bytes without a lead, the
    // shortest three-byte character, and U+07FF overlong in three bytes.
    EXPECT_EQ(to_u16("\xff" "a" "|\xe2\x82|\x80\x80\x80\x80|\xe0\xa0\x80|\xe0\x9f\xbf"),
              u"\ufffda|\ufffd\ufffd|\ufffd\ufffd\ufffd\ufffd|\u0800|\ufffd");
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
        {u'A', 65}, {0x00E9, 0xE9}, {0x20AC, 0x80}, {0x2019, 0x92}, {0x009D, 0x9D},  // é € ’, an unassigned byte
        {0x0080, '?'}, {0x0100, '?'}, {0xD83D, '?'}, {0xFFFF, '?'},                  // C1, Ā, lone surrogate
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

}  // namespace
}  // namespace quill
