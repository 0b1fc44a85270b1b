// Produced parts, XML-normalised, against expected parts reviewed by hand in
// golden/. QUILL_UPDATE_GOLDEN=1 rewrites them (then review the diff).
#include <gtest/gtest.h>

#include <cstdlib>

#include "xlsx_test_util.h"

namespace quill::xlsx {
namespace {

using testing::ScratchDir;

void expect_golden(const std::string& produced_xml, const std::string& golden) {
    SCOPED_TRACE(golden);
    const std::string path = std::string(QUILL_SOURCE_DIR) + "/tests/platform/xlsx/golden/" + golden;
    const std::string actual = testing::normalise_xml(produced_xml);
    if (std::getenv("QUILL_UPDATE_GOLDEN")) testing::write_file(path, actual);
    EXPECT_EQ(actual, testing::read_file(path));
}

// One note of each kind: plain, every font property, picture with the box options.
Workbook golden_workbook() {
    Workbook wb = new_workbook();
    Sheet& s = wb.sheets[0];
    s.columns.push_back({1, 1, 20.7109375, false});
    const CharFont f{u"Segoe UI", 12.5, true, true, true, host::xlUnderlineStyleDoubleAccounting, 0x563412};  // #123456
    const CharFont u{u"Tahoma", 9, false, false, false, host::xlUnderlineStyleSingle};
    const NoteShape box{168, 97.125, true, 0xE1FFFF, testing::png_picture(1), u"photo", 0.5, kVertical, VerticalAlignment::Bottom, {}};
    s.notes = {Note{0, 0, u"Ann", testing::text(u"plain note"), {}},
               Note{2, 1, u"Bob & Co", {{u"Bold <all>", f}, {u" \u00e9t\u00e9\nline 2 ", u}}, {}},
               Note{9, 3, u"Ann", testing::text(u"picture"), box}};
    return wb;
}

TEST(Golden, NewWorkbookNotesParts) {
    ScratchDir dir;
    save(golden_workbook(), dir.path("g.xlsx"));
    const std::string out = dir.path("g.xlsx");
    expect_golden(testing::part_of(out, "xl/comments1.xml"), "new-comments1.xml");
    expect_golden(testing::part_of(out, "xl/drawings/vmlDrawing1.vml"), "new-vmlDrawing1.vml");
    expect_golden(testing::part_of(out, "xl/drawings/_rels/vmlDrawing1.vml.rels"), "new-vmlDrawing1.vml.rels");
    expect_golden(testing::part_of(out, "xl/worksheets/_rels/sheet1.xml.rels"), "new-sheet1.xml.rels");
    expect_golden(testing::part_of(out, "[Content_Types].xml"), "new-content-types.xml");
    EXPECT_EQ(testing::part_of(out, "xl/media/image1.png"), testing::tiny_png(1));
}

TEST(Golden, RewrittenDrawingKeepsTheButton) {
    ScratchDir dir;
    testing::write_excel_like(dir.path("in.xlsx"));
    Workbook wb = load(dir.path("in.xlsx"));
    wb.sheets[0].find_note(2, 1)->shape->orientation = kHorizontal;
    wb.sheets[0].find_note(2, 1)->shape->width = 200;
    save(wb, dir.path("out.xlsx"));
    expect_golden(testing::part_of(dir.path("out.xlsx"), "xl/drawings/vmlDrawing1.vml"), "kept-vmlDrawing1.vml");
    EXPECT_EQ(testing::part_of(dir.path("out.xlsx"), "xl/comments1.xml"), testing::part_of(dir.path("in.xlsx"), "xl/comments1.xml"))
        << "no text changed: the comments part is the file's own";
}

}  // namespace
}  // namespace quill::xlsx
