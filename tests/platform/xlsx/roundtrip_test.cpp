#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>

#include "ports/host_error.h"
#include "platform/xlsx/package.h"
#include "platform/xlsx/vml_drawing.h"
#include "platform/xlsx/workbook.h"
#include "xlsx_test_util.h"

namespace quill::xlsx {
namespace {

using testing::ScratchDir;

std::map<std::string, std::string> parts(const std::string& path) {
    std::map<std::string, std::string> out;
    const auto pkg = detail::Package::read(path);
    for (const auto& n : pkg.names()) out[n] = pkg.bytes(n);
    return out;
}

std::set<std::string> changed_parts(const std::string& a, const std::string& b) {
    std::set<std::string> out;
    auto pa = parts(a), pb = parts(b);
    for (const auto& [k, v] : pb)
        if (!pa.count(k) || pa[k] != v) out.insert(k);
    for (const auto& [k, v] : pa) out.insert(pb.count(k) ? "" : k);
    out.erase("");
    return out;
}

class Loaded : public ::testing::Test {
protected:
    void SetUp() override {
        testing::write_excel_like(in);
        wb = load(in);
    }
    ScratchDir dir;
    std::string in = dir.path("in.xlsx"), out = dir.path("out.xlsx");
    Workbook wb;
};

TEST_F(Loaded, ReadsSheetsCellsAndTheirFonts) {
    ASSERT_EQ(wb.sheets.size(), 2u);
    const Sheet& s = wb.sheets[0];
    EXPECT_EQ(s.name, u"Notes");
    EXPECT_TRUE(s.protect_contents);
    EXPECT_FALSE(wb.sheets[1].protect_contents);
    EXPECT_EQ((std::vector{s.column_width_px(0), s.column_width_px(1), s.row_height_px(1), s.row_height_px(2)}),
              (std::vector{64, 145, 40, 20}));

    struct Row { std::int32_t row, col; const char16_t* text; };
    const Row rows[] = {{0, 0, u"plain"},  {0, 1, u"Red struck\r"}, {0, 2, u"15/03/24 18:00"}, {1, 0, u"12.34%"},
                        {1, 1, u"TRUE"},   {1, 2, u"inline"},        {1, 3, u"#N/A"},           {1, 4, u"12"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(cell_name(r.row, r.col));
        const Cell* c = s.find_cell(r.row, r.col);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(to_utf8(c->text()), to_utf8(r.text));
    }
    // A rich string: the first run takes the cell's font (FF0000FF: blue), the second its own properties over it.
    EXPECT_EQ(s.find_cell(0, 1)->display,
              (RunList{{u"Red", {u"Arial", 14, true, true, false, host::xlUnderlineStyleDouble, 0xFF0000}},
                       {u" struck\r", {u"Courier New", 12, true, false, true, host::xlUnderlineStyleDouble, 0x0000FF}}}));
}

TEST_F(Loaded, ReadsNotesWithTheirBoxes) {
    const Sheet& s = wb.sheets[0];
    ASSERT_EQ(s.notes.size(), 3u);
    const Note* threaded = s.find_note(0, 0);
    ASSERT_NE(threaded, nullptr);
    EXPECT_EQ(threaded->shape->fill_color, 0xE1FFFF);  // infoBackground
    EXPECT_FALSE(threaded->shape->visible);

    const Note& pic = *s.find_note(2, 1);
    EXPECT_EQ(pic.author, u"Ann");
    // Indexed colour 81 is the note's black.
    EXPECT_EQ(pic.text, (RunList{{u"Ann:", CharFont{u"Tahoma", 9, true}},
                                 {u"\npicture note", CharFont{u"Segoe UI", 10, false, true, false, host::xlUnderlineStyleSingle, 0x00FF00}}}));
    EXPECT_EQ(pic.shape, (NoteShape{168, 97.125, true, 0xE1FFFF, testing::png_picture(10), u"photo", 0.5, kUpward, VerticalAlignment::Center,
                                    Anchor{2, 15, 1, 10, 5, 15, 8, 4}}));
    // r:id accepted beside o:relid; 2in and 100px.
    EXPECT_EQ(s.find_note(4, 3)->shape, (NoteShape{144, 75, false, 0x0000FF, testing::png_picture(20), u"", 0.5, kDownward, VerticalAlignment::Bottom,
                                                   Anchor{4, 15, 3, 10, 6, 15, 8, 4}}));
}

TEST_F(Loaded, ChangingOneNotesTextRewritesOnlyTheTexts) {
    wb.sheets[0].find_note(2, 1)->text.edit()[1].text = u" edited";
    save(wb, out);
    // The boxes live in the drawing, which keeps every byte.
    EXPECT_EQ(changed_parts(in, out), (std::set<std::string>{"xl/comments1.xml"}));
    const Workbook again = load(out);
    EXPECT_EQ(again.sheets[0].notes, wb.sheets[0].notes);
    // Unchanged parts are copied as they were stored, not recompressed.
    EXPECT_NE(testing::read_file(out).find("<sheets><sheet name=\"Notes\""), std::string::npos);
    EXPECT_NE(testing::part_of(out, "xl/comments1.xml").find("xr:uid=\"{11111111-2222-3333-4444-555555555555}\""), std::string::npos);
    EXPECT_NE(testing::part_of(out, "xl/worksheets/_rels/sheet1.xml.rels").find("threadedComment"), std::string::npos);
}

// A save writes anew only the <comment> elements of notes whose text or author
// changed and keeps every other byte of the part; where that cannot be done
// safely it writes the part whole. Either way the file reads back as edited.
TEST(RoundTrip, OnlyTheChangedNotesElementsAreWrittenAnew) {
    auto element = [](const std::string& part, const std::string& ref) {
        std::smatch m;
        return std::regex_search(part, m, std::regex("<comment ref=\"" + ref + "\"[\\s\\S]*?</comment>")) ? m.str() : "";
    };
    struct Case {
        const char* what;
        void (*edit)(std::vector<Note>&);
        bool patched;
        std::string (*prepare)(const std::string&) = nullptr;  // the part as the file holds it
    };
    // Parsed from ISO-8859-1, the parser's offsets run ahead of the file's bytes.
    auto latin1 = [](const std::string& xml) {
        std::string out = std::regex_replace(xml, std::regex("UTF-8"), "ISO-8859-1");
        return std::regex_replace(out, std::regex("Ann:"), "Ann:" + std::string(400, '\xE9'));
    };
    const Case cases[] = {
        {"a text", [](std::vector<Note>& n) { n[2].text = testing::text(u"new"); }, true},
        {"an author the part lists", [](std::vector<Note>& n) { n[2].author = n[0].author; }, true},
        {"an author it does not", [](std::vector<Note>& n) { n[1].author = u"Zoe"; }, false},
        {"a note added", [](std::vector<Note>& n) { n.push_back({7, 7, u"Ann", testing::text(u"x"), {}}); }, false},
        {"a text holding a CDATA section", [](std::vector<Note>& n) { n[2].text = testing::text(u"new"); }, false,
         [](const std::string& xml) { return std::regex_replace(xml, std::regex("second picture"), "<![CDATA[</comment>]]>"); }},
        {"a part in ISO-8859-1", [](std::vector<Note>& n) { n[2].text = testing::text(u"new"); }, false, latin1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        auto entries = testing::excel_like_entries();
        if (c.prepare)
            for (auto& e : entries)
                if (e.name == "xl/comments1.xml") e.data = c.prepare(e.data);
        testing::write_file(dir.path("in.xlsx"), testing::stored_zip(entries));
        Workbook wb = load(dir.path("in.xlsx"));
        c.edit(wb.sheets[0].notes);
        save(wb, dir.path("out.xlsx"));
        const std::string before = testing::part_of(dir.path("in.xlsx"), "xl/comments1.xml");
        const std::string after = testing::part_of(dir.path("out.xlsx"), "xl/comments1.xml");
        for (const char* kept : {"A1", "B3"}) {
            if (c.patched) {
                EXPECT_EQ(element(after, kept), element(before, kept)) << kept;
            }
        }
        EXPECT_EQ(after.find("indexed=\"81\"") != std::string::npos, c.patched) << after;
        const Workbook again = load(dir.path("out.xlsx"));
        ASSERT_EQ(again.sheets[0].notes.size(), wb.sheets[0].notes.size());
        for (std::size_t i = 0; i < wb.sheets[0].notes.size(); ++i) {
            const Note &is = again.sheets[0].notes[i], &want = wb.sheets[0].notes[i];
            EXPECT_EQ(is.author, want.author);
            EXPECT_EQ(plain_text(is.text), plain_text(want.text));
        }
    }
}

TEST_F(Loaded, NewNotesGetTheirOwnPartsAndUniqueShapeIds) {
    wb.sheets[1].notes.push_back(Note{9, 2, u"Bob", testing::text(u"fresh"), {}});
    wb.sheets[0].notes[0].text = testing::text(u"also changed");
    save(wb, out);
    const auto names = testing::part_names(out);
    EXPECT_TRUE(names.count("xl/comments2.xml") && names.count("xl/drawings/vmlDrawing2.vml"));
    EXPECT_NE(testing::part_of(out, "xl/worksheets/sheet2.xml").find("<legacyDrawing r:id=\"rId2\"/><tableParts"),
              std::string::npos)
        << testing::part_of(out, "xl/worksheets/sheet2.xml");
    EXPECT_NE(testing::part_of(out, "[Content_Types].xml").find("/xl/comments2.xml"), std::string::npos);

    std::set<std::string> ids, idmaps;
    for (const char* part : {"xl/drawings/vmlDrawing1.vml", "xl/drawings/vmlDrawing2.vml"}) {
        const std::string vml = testing::part_of(out, part);
        const std::regex id("id=\"(_x0000_s\\d+)\""), map("data=\"([0-9,]+)\"");
        for (auto it = std::sregex_iterator(vml.begin(), vml.end(), id); it != std::sregex_iterator(); ++it)
            EXPECT_TRUE(ids.insert((*it)[1]).second) << (*it)[1];
        std::smatch m;
        ASSERT_TRUE(std::regex_search(vml, m, map));
        EXPECT_TRUE(idmaps.insert(m[1]).second) << m[1];
    }
    EXPECT_EQ(ids.size(), 5u);
    const Workbook again = load(out);
    ASSERT_EQ(again.sheets[1].notes.size(), 1u);
    EXPECT_FALSE(again.sheets[1].notes[0].shape->visible) << "new notes are saved hidden";
    EXPECT_TRUE(again.sheets[0].find_note(2, 1)->shape->visible) << "existing notes keep their visibility";
}

TEST_F(Loaded, RemovingNotesKeepsTheButtonAndDropsUnusedPictures) {
    wb.sheets[0].notes.clear();
    save(wb, out);
    const auto names = testing::part_names(out);
    for (const char* gone : {"xl/comments1.xml", "xl/media/image1.png", "xl/media/image2.png",
                             "xl/drawings/_rels/vmlDrawing1.vml.rels"})
        EXPECT_FALSE(names.count(gone)) << gone;
    for (const char* kept : {"xl/drawings/vmlDrawing1.vml", "xl/threadedComments/threadedComment1.xml", "xl/unknown/thing.bin"})
        EXPECT_TRUE(names.count(kept)) << kept;
    EXPECT_NE(testing::part_of(out, "xl/worksheets/sheet1.xml").find("legacyDrawing"), std::string::npos);
    EXPECT_EQ(testing::part_of(out, "[Content_Types].xml").find("comments1.xml"), std::string::npos);
    EXPECT_TRUE(load(out).sheets[0].notes.empty());
}

TEST_F(Loaded, RemovingTheOnlyDrawingRemovesItsPointer) {
    // Without the button the drawing only held notes: it goes, and so does <legacyDrawing>.
    auto entries = testing::excel_like_entries();
    for (auto& e : entries)
        if (e.name == "xl/drawings/vmlDrawing1.vml") e.data = std::regex_replace(e.data, std::regex("<v:shape id=\"_x0000_s1028\"[\\s\\S]*?</v:shape>"), "");
    testing::write_file(in, testing::stored_zip(entries));
    wb = load(in);
    wb.sheets[0].notes.clear();
    save(wb, out);
    const std::string sheet = testing::part_of(out, "xl/worksheets/sheet1.xml");
    EXPECT_EQ(sheet.find("legacyDrawing"), std::string::npos);
    EXPECT_NE(sheet.find("<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/></worksheet>"),
              std::string::npos);
    EXPECT_EQ(testing::part_of(out, "xl/drawings/vmlDrawing1.vml"), "");
    EXPECT_EQ(testing::part_of(out, "xl/worksheets/_rels/sheet1.xml.rels").find("vmlDrawing"), std::string::npos);
}

TEST_F(Loaded, PicturesAreSharedNeverDroppedWhileUsed) {
    Sheet& s = wb.sheets[0];
    // The second note now shows the first picture; the second picture has no user left.
    s.find_note(4, 3)->shape->picture = s.find_note(2, 1)->shape->picture;
    // A new note on the other sheet shows a brand-new picture, twice over.
    Note n{1, 0, u"", testing::text(u"new pic"), {}};
    n.shape->picture = testing::png_picture(99);
    wb.sheets[1].notes.push_back(n);
    n.row = 2;
    wb.sheets[1].notes.push_back(n);
    save(wb, out);
    const auto names = testing::part_names(out);
    EXPECT_TRUE(names.count("xl/media/image1.png"));
    EXPECT_FALSE(names.count("xl/media/image2.png"));
    EXPECT_EQ(testing::part_of(out, "xl/media/image3.png"), testing::tiny_png(99));
    EXPECT_EQ(std::count_if(names.begin(), names.end(), [](auto& p) { return p.starts_with("xl/media/"); }), 2);
    const Workbook again = load(out);
    EXPECT_EQ(*again.sheets[0].find_note(4, 3)->shape->picture->bytes, testing::tiny_png(10));
    EXPECT_EQ(*again.sheets[1].notes[1].shape->picture->bytes, testing::tiny_png(99));
}

TEST_F(Loaded, TooLongNoteIsRefusedAndNothingIsWritten) {
    testing::write_file(out, "previous content");
    wb.sheets[0].find_note(4, 3)->text = testing::text(std::u16string(kMaxNoteLength + 1, u'x'));
    const std::string what = testing::refusal([&] { save(wb, out); });
    EXPECT_NE(what.find("Notes!D5"), std::string::npos) << what;
    EXPECT_NE(what.find("32,768"), std::string::npos) << what;
    EXPECT_EQ(testing::read_file(out), "previous content");
    wb.sheets[0].find_note(4, 3)->text = testing::text(std::u16string(kMaxNoteLength, u'x'));
    EXPECT_NO_THROW(save(wb, out));
}

}  // namespace
}  // namespace quill::xlsx
