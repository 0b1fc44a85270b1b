// Our output read by independent readers (openpyxl, LibreOffice), and files
// those tools made read and re-saved by us.
#include <gtest/gtest.h>

#include <algorithm>

#include "ports/host_error.h"
#include "xlsx_test_util.h"

namespace quill::xlsx {
namespace {

using testing::ScratchDir;

// "cell|text" lines for every note openpyxl finds, text with LF as "\n".
std::string openpyxl_notes(const std::string& path) {
    std::string out;
    const int rc = testing::run_python(
        "import openpyxl\n"
        "wb = openpyxl.load_workbook('" + path + "')\n"
        "for ws in wb:\n"
        "    for row in ws.iter_rows():\n"
        "        for c in row:\n"
        "            if c.comment: print(ws.title + '!' + c.coordinate + '|' + c.comment.text.replace('\\n', '\\\\n'))\n",
        out);
    EXPECT_EQ(rc, 0) << out;
    return out;
}

void expect_parts_kept(const std::string& before, const std::string& after) {
    const auto names = testing::part_names(after);
    for (const auto& p : testing::part_names(before)) EXPECT_TRUE(names.count(p)) << p << " was dropped";
}

Workbook notes_workbook(std::size_t count) {
    Workbook wb = new_workbook();
    for (std::size_t i = 0; i < count; ++i) {
        Note n{static_cast<std::int32_t>(i), 1, u"Ann",
               {{u"Note " + to_u16(std::to_string(i)), {u"Tahoma", 9, true}}, {u"\nsecond line", note_default_font()}}, {}};
        if (i % 2) n.shape->picture = testing::png_picture(static_cast<std::uint8_t>(i));
        wb.sheets[0].notes.push_back(std::move(n));
    }
    return wb;
}

TEST(Readers, OpenpyxlAndWeReadEachOthersNotes) {
    if (testing::run("/usr/bin/python3 -c 'import openpyxl' >/dev/null 2>&1")) GTEST_SKIP() << "/usr/bin/python3 cannot import openpyxl";
    ScratchDir dir;
    save(notes_workbook(3), dir.path("n.xlsx"));
    EXPECT_EQ(openpyxl_notes(dir.path("n.xlsx")),
              "Sheet1!B1|Note 0\\nsecond line\nSheet1!B2|Note 1\\nsecond line\nSheet1!B3|Note 2\\nsecond line\n");
    // And after a change to a file with form controls and threaded comments.
    testing::write_excel_like(dir.path("x.xlsx"));
    Workbook wb = load(dir.path("x.xlsx"));
    wb.sheets[0].find_note(4, 3)->text = testing::text(u"changed");
    save(wb, dir.path("x2.xlsx"));
    const std::string notes = openpyxl_notes(dir.path("x2.xlsx"));
    EXPECT_NE(notes.find("Notes!B3|Ann:\\npicture note\n"), std::string::npos) << notes;
    EXPECT_NE(notes.find("Notes!D5|changed\n"), std::string::npos) << notes;

    // A workbook openpyxl wrote, edited by us: every part it had stays.
    std::string out;
    ASSERT_EQ(testing::run_python(
                  "import openpyxl, datetime\n"
                  "from openpyxl.comments import Comment\n"
                  "from openpyxl.styles import Font\n"
                  "wb = openpyxl.Workbook(); ws = wb.active; ws.title = 'Data'\n"
                  "ws['A1'] = 0.25; ws['A1'].number_format = '0%'\n"
                  "ws['A2'] = datetime.date(2024, 3, 15)\n"
                  "ws['B1'] = 'ab'; ws['B1'].font = Font(name='Georgia', italic=True, color='FF0000FF')\n"
                  "ws['A1'].comment = Comment('first', 'Ann')\n"
                  "ws2 = wb.create_sheet('Two'); ws2['C3'] = 'x'; ws2['C3'].comment = Comment('other sheet', 'Bob')\n"
                  "wb.save('" + dir.path("o.xlsx") + "')\n",
                  out),
              0)
        << out;
    wb = load(dir.path("o.xlsx"));
    ASSERT_EQ(wb.sheets.size(), 2u);
    EXPECT_EQ(wb.sheets[0].find_cell(0, 0)->text(), u"25%");
    EXPECT_EQ(wb.sheets[0].find_cell(1, 0)->text(), u"2024-03-15");
    const CharFont georgia{u"Georgia", 11, false, true, false, host::xlUnderlineStyleNone, 0xFF0000};
    EXPECT_EQ(wb.sheets[0].find_cell(0, 1)->display, (RunList{{u"ab", georgia}}));
    ASSERT_EQ(wb.sheets[1].notes.size(), 1u);
    EXPECT_EQ(wb.sheets[1].notes[0].author, u"Bob");
    wb.sheets[0].notes[0].text = testing::text(u"first, edited");
    wb.sheets[0].notes[0].shape->picture = testing::png_picture(5);
    save(wb, dir.path("o2.xlsx"));
    EXPECT_EQ(openpyxl_notes(dir.path("o2.xlsx")), "Data!A1|first, edited\nTwo!C3|other sheet\n");
    expect_parts_kept(dir.path("o.xlsx"), dir.path("o2.xlsx"));
}

// LibreOffice shows our notes with their picture fills, and a workbook its
// own writer re-saved keeps its notes, media and unknown parts through us.
TEST(Readers, LibreOfficeAndWeReadEachOthersNotes) {
    if (testing::run("command -v soffice >/dev/null 2>&1")) GTEST_SKIP() << "soffice is not installed";
    ScratchDir dir;
    save(notes_workbook(2), dir.path("n.xlsx"));
    for (const char* to : {"ods", "xlsx --outdir lo"})
        ASSERT_EQ(testing::run("cd " + dir.path("") + " && mkdir -p lo && HOME=" + dir.path("home") + " soffice --headless --convert-to " +
                               to + " n.xlsx >/dev/null 2>&1"),
                  0);
    ASSERT_EQ(testing::run("cd " + dir.path("") + " && unzip -o -q n.ods content.xml"), 0);
    const std::string content = testing::read_file(dir.path("content.xml"));
    for (const char* shown : {"Note 0", "Note 1", "second line", "draw:fill=\"bitmap\""})
        EXPECT_NE(content.find(shown), std::string::npos) << shown;

    const std::string lo = dir.path("lo/n.xlsx");
    Workbook wb = load(lo);
    ASSERT_EQ(wb.sheets[0].notes.size(), 2u);
    EXPECT_EQ(plain_text(wb.sheets[0].notes[0].text), u"Note 0\nsecond line");
    wb.sheets[0].notes[0].text = testing::text(u"changed by us");
    save(wb, dir.path("out.xlsx"));
    expect_parts_kept(lo, dir.path("out.xlsx"));
    const Workbook again = load(dir.path("out.xlsx"));
    EXPECT_EQ(plain_text(again.sheets[0].notes[0].text), u"changed by us");
    EXPECT_EQ(plain_text(again.sheets[0].notes[1].text), u"Note 1\nsecond line");
    EXPECT_EQ(again.sheets[0].notes[1].shape->picture.has_value(), wb.sheets[0].notes[1].shape->picture.has_value());
}

}  // namespace
}  // namespace quill::xlsx
