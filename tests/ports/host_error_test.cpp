#include <gtest/gtest.h>

#include <new>

#include "ports/error_styles.h"

namespace quill {
namespace {

TEST(Utf, RoundTripsAcrossPlanesAndRepairsBadInput) {
    const std::u16string s = u"a\u00e9\u20ac\U0001F600";
    EXPECT_EQ(to_u16(to_utf8(s)), s);
    EXPECT_EQ(to_u16("\xff" "a"), u"\ufffda");
    EXPECT_EQ(to_u16("\xe2\x82"), u"\ufffd\ufffd");  // truncated sequence
    EXPECT_EQ(to_u16("\xe0\xa0\x80"), u"\u0800");     // the shortest three-byte character
    EXPECT_EQ(to_u16("\xe0\x9f\xbf"), u"\ufffd");     // overlong: U+07FF in three bytes
    EXPECT_EQ(to_utf8(std::u16string(1, char16_t(0xD800))), "\xef\xbf\xbd");
}

TEST(CurrentError, MapsEveryExceptionKind) {
    struct Row { std::function<void()> raise; std::int32_t number; };
    const Row rows[] = {
        {[] { throw HostError(1004, u"x"); }, 1004},
        {[] { throw std::bad_alloc(); }, err::kOutOfMemory},
        {[] { throw std::runtime_error("boom"); }, err::kInternal},
        {[] { throw 42; }, err::kInternal},
    };
    for (const auto& r : rows) {
        try {
            r.raise();
        } catch (...) {
            EXPECT_EQ(current_error().number(), r.number);
        }
    }
}

TEST(ErrorStyles, SkipRecordsAndContinues) {
    ErrorRecord rec;
    int ran = 0;
    EXPECT_FALSE(skip_on_error(rec, [] { throw HostError(32755, u"Cancel"); }));
    EXPECT_TRUE(skip_on_error(rec, [&] { ++ran; }));
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(rec.number, 32755);  // a later success does not clear the record
    rec.Clear();
    EXPECT_EQ(rec.number, 0);
}

}  // namespace
}  // namespace quill
