#include <gtest/gtest.h>

#include "ports/host_error.h"
#include "platform/xlsx/number_format.h"

namespace quill::xlsx {
namespace {

struct Row { double value; const char16_t* code; const char16_t* shown; };

TEST(NumberFormat, DisplaysValuesAsExcelDoes) {
    const Row rows[] = {
        // General: up to ten significant digits, scientific beyond.
        {0, u"General", u"0"},
        {42, u"General", u"42"},
        {-1.5, u"General", u"-1.5"},
        {1.0 / 3, u"General", u"0.333333333"},
        {0.1 + 0.2, u"General", u"0.3"},
        {123456.789, u"General", u"123456.789"},
        {1234567890123.0, u"General", u"1.23457E+12"},
        {0.00001234, u"General", u"1.234E-05"},
        // Integer, decimal and thousands, rounding half away from zero.
        {2.5, u"0", u"3"},
        {-2.5, u"0", u"-3"},
        {0.125, u"0.00", u"0.13"},
        {2.675, u"0.00", u"2.68"},
        {1234567.891, u"#,##0", u"1,234,568"},
        {1234.5, u"#,##0.0", u"1,234.5"},
        {-0.001, u"0.00", u"0.00"},
        {0.5, u"#.00", u".50"},
        {7, u"000", u"007"},
        {1.5, u"0.0#", u"1.5"},
        {1.25, u"0.0#", u"1.25"},
        {1234567, u"#,##0,", u"1,235"},
        {1234567890, u"#,##0,,", u"1,235"},
        {9999, u"#,##0", u"9,999"},
        // Percent and scientific.
        {0.256, u"0%", u"26%"},
        {0.12345, u"0.00%", u"12.35%"},
        {12345, u"0.00E+00", u"1.23E+04"},
        {0.000123, u"0.00E+00", u"1.23E-04"},
        {5, u"0.00E+00", u"5.00E+00"},  // a zero exponent takes the plus sign
        {12345, u"##0.0E+0", u"12.3E+3"},
        // Sections, literals, colours and currency.
        {-1234, u"#,##0 ;(#,##0)", u"(1,234)"},
        {1234, u"#,##0 ;[Red](#,##0)", u"1,234 "},
        {-5, u"0;[Red]-0;\"zero\"", u"-5"},
        {0, u"0;-0;\"zero\"", u"zero"},
        {3, u"0\" items\"", u"3 items"},
        {9.99, u"[$\u20ac-407]#,##0.00", u"\u20ac9.99"},
        {1234.5, u"$#,##0.00_);($#,##0.00)", u"$1,234.50 "},
        // Dates and times in the 1900 system, Lotus's leap day included.
        {45366, u"yyyy-mm-dd", u"2024-03-15"},
        {45366, u"m/d/yyyy", u"3/15/2024"},
        {45366, u"d-mmm-yy", u"15-Mar-24"},
        {45366, u"dddd, mmmm d", u"Friday, March 15"},
        {60, u"yyyy-mm-dd", u"1900-02-29"},
        {61, u"yyyy-mm-dd", u"1900-03-01"},
        {1, u"dd/mm/yy", u"01/01/00"},
        {45366.75, u"dd/mm/yy hh:mm", u"15/03/24 18:00"},
        {0.75, u"h:mm AM/PM", u"6:00 PM"},
        {0.5, u"h A/P", u"12 P"},  // noon is already afternoon
        {0.0001, u"h:mm:ss", u"0:00:09"},
        {0.99999999, u"h:mm:ss", u"0:00:00"},  // rounds up into the next day
        {1.5, u"[h]:mm:ss", u"36:00:00"},
        {1, u"[s]", u"86400"},
        {0, u"ddd d", u"Sat 0"},  // day 0 of the 1900 system
        {0.5 / 1440 + 1.0 / 86400 / 4, u"mm:ss.0", u"00:30.3"},
        {45366.5, u"m/d/yyyy h:mm", u"3/15/2024 12:00"},
        // Outside the families: General.
        {0.5, u"# ?/?", u"0.5"},
        {150, u"[>100]0;0.0", u"150"},
        {7, u"@", u"7"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(to_utf8(r.code) + " " + std::to_string(r.value));
        EXPECT_EQ(to_utf8(format_number(r.value, r.code)), to_utf8(r.shown));
    }
}

TEST(NumberFormat, Date1904CountsFromNineteenOFour) {
    EXPECT_EQ(format_number(0, u"yyyy-mm-dd ddd", true), u"1904-01-01 Fri");
    EXPECT_EQ(format_number(43904, u"yyyy-mm-dd", true), u"2024-03-15");
}

TEST(NumberFormat, TextSectionsWrapStrings) {
    EXPECT_EQ(format_text(u"abc", u"@"), u"abc");
    EXPECT_EQ(format_text(u"abc", u"\"<\"@\">\""), u"<abc>");
    EXPECT_EQ(format_text(u"abc", u"0;-0;0;\"x: \"@"), u"x: abc");
    EXPECT_EQ(format_text(u"abc", u"0.00"), u"abc");
}

TEST(NumberFormat, BuiltInIdsNameTheirCodes) {
    EXPECT_TRUE(builtin_format(23).empty());
    EXPECT_EQ(format_number(45366, builtin_format(14)), u"3/15/2024");
    EXPECT_EQ(format_number(1234.5, builtin_format(4)), u"1,234.50");
}

}  // namespace
}  // namespace quill::xlsx
