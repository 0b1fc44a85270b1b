// Numbers a damaged or hostile file may hold where the loader expects sheet
// positions and sizes (found by fuzz/): out-of-range values are refused or
// bounded, never cast blindly.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ports/host_error.h"
#include "platform/xlsx/package.h"
#include "platform/xlsx/vml_drawing.h"
#include "platform/xlsx/xml_writer.h"

namespace quill::xlsx {
namespace {

std::string vml_with(const std::string& idmap, const std::string& anchor) {
    return R"(<xml xmlns:v="urn:schemas-microsoft-com:vml" xmlns:o="urn:schemas-microsoft-com:office:office" xmlns:x="urn:schemas-microsoft-com:office:excel">)"
           R"(<o:shapelayout v:ext="edit"><o:idmap v:ext="edit" data=")" + idmap + R"("/></o:shapelayout>)"
           R"(<v:shape id="_x0000_s1025" style="width:100pt;height:50pt"><x:ClientData ObjectType="Note"><x:Anchor>)" +
           anchor + "</x:Anchor><x:Row>2</x:Row><x:Column>1</x:Column></x:ClientData></v:shape></xml>";
}

TEST(HostileValues, VmlAnchorsAndIdmapsOffTheSheetAreDropped) {
    struct Case { const char* what; std::string idmap, anchor; bool anchored; std::vector<int> blocks; };
    const Case cases[] = {
        {"ordinary", "1", "2, 15, 1, 10, 5, 15, 8, 4", true, {1}},
        {"column far beyond int", "1", "4.7e32, 15, 1, 10, 5, 15, 8, 4", false, {1}},
        {"row beyond the sheet", "1", "2, 15, 1048576, 10, 5, 15, 8, 4", false, {1}},
        {"negative offset", "1", "2, -15, 1, 10, 5, 15, 8, 4", false, {1}},
        {"not a number", "1", "2, nan, 1, 10, 5, 15, 8, 4", false, {1}},
        {"idmap blocks too large", "1e300,3,4294967296", "2, 15, 1, 10, 5, 15, 8, 4", true, {3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto part = detail::parse_vml(std::make_shared<const std::string>(vml_with(c.idmap, c.anchor)), "vml");
        ASSERT_EQ(part.notes.size(), 1u);
        EXPECT_EQ(part.notes[0].shape.anchor.has_value(), c.anchored);
        EXPECT_EQ(part.idmap, c.blocks);
    }
}

TEST(HostileValues, ColumnWidthsAndRowHeightsAreBounded) {
    Sheet s;
    s.columns = {{0, 0, 1e300}, {1, 1, -5}, {2, 2, std::nan("")}};
    s.rows = {{0, 1e300}, {1, -3}};
    s.default_row_height = std::numeric_limits<double>::infinity();
    // 255 characters at most, and 409.5 pt.
    EXPECT_EQ((std::vector{s.column_width_px(0), s.column_width_px(1), s.column_width_px(2)}), (std::vector{1785, 0, 0}));
    EXPECT_EQ((std::vector{s.row_height_px(0), s.row_height_px(1), s.row_height_px(2)}), (std::vector{546, 0, 546}));
}

TEST(HostileValues, NoteTextWithEscapeLookalikesReadsBackAsWritten) {
    const std::u16string texts[] = {
        u"_x0041_",         // a literal escape
        u"_x0057\x1f",      // the control character's own escape would complete "_x0057"
        u"_x0057_x001F_",
        u"_x12_ a\x01b _x",
        u"\uFFFE_xFFFF",
        u"l\xD80Dines",    // lone surrogates have no UTF-8 form and must travel escaped
        u"\xDC00" u"a\xD800",
        u"\xD83D\xDE00",    // a pair stays as it is
    };
    for (const auto& t : texts) {
        SCOPED_TRACE(to_utf8(t));
        const std::u16string escaped = detail::xstring_escape(t);
        EXPECT_EQ(to_u16(to_utf8(escaped)), escaped);  // what the file can hold
        EXPECT_EQ(detail::xstring_unescape(escaped), t);
    }
}

}  // namespace
}  // namespace quill::xlsx
