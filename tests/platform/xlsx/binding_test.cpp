#include <gtest/gtest.h>

#include <filesystem>

#include "platform/xlsx/binding.h"

namespace quill::xlsx {
namespace {

namespace fs = std::filesystem;

// A document with a rich cell, an old note with a picture and a protected
// second sheet, through the in-memory workbook and back.
TEST(Binding, RoundTripKeepsWhatTheCommandsDidNotTouch) {
    Workbook doc = new_workbook();
    doc.sheets[0].name = u"Data";
    Cell cell;
    cell.row = 1;
    cell.col = 1;
    cell.type = CellType::Number;
    cell.number = 0.25;
    cell.format = u"0%";
    Font bold;
    bold.bold = true;
    bold.underline = Underline::Double;
    cell.display = {{u"25", bold}, {u"%", Font{}}};
    doc.sheets[0].cells.push_back(cell);
    Note old;
    old.row = 2;
    old.col = 0;
    old.author = u"Ann";
    old.text = {{u"old\nnote", default_note_font()}};
    old.shape.picture = Picture{std::make_shared<const std::string>("not decoded here"), "png", {}};
    old.shape.picture_title = u"photo";
    old.shape.opacity = 0.5;
    old.shape.orientation = kUpward;
    old.shape.vertical_alignment = VerticalAlignment::Bottom;
    doc.sheets[0].notes.push_back(old);
    Sheet second;
    second.name = u"Locked";
    second.protect_contents = true;
    doc.sheets.push_back(second);

    auto excel = to_memory(doc);
    auto& data = *excel->workbooks[0]->sheets[0];
    EXPECT_EQ(data.name, u"Data");
    EXPECT_TRUE(excel->workbooks[0]->sheets[1]->protect_contents);
    const auto* b2 = data.find(memory::CellRef{2, 2});
    ASSERT_NE(b2, nullptr);
    EXPECT_EQ(b2->text.text(), u"25%");
    EXPECT_EQ(b2->text.font_at(0).underline, host::xlUnderlineStyleDouble);
    EXPECT_FALSE(b2->text.font_at(2).bold);
    auto* a3 = data.comment("A3");
    ASSERT_NE(a3, nullptr);
    EXPECT_FLOAT_EQ(a3->fill.transparency, 0.5f);
    EXPECT_EQ(a3->orientation, host::msoTextOrientationUpward);
    EXPECT_EQ(a3->vertical_alignment, host::xlBottom);

    // Nothing changed: the notes come back equal, so their parts stay as they were.
    Workbook same = doc;
    update_document(same, *excel);
    EXPECT_EQ(same.sheets[0].notes, doc.sheets[0].notes);

    // A new note after the old one, and the old one enlarged.
    data.add_comment("C1", u"new", u"Bob");
    a3->width *= 1.75;
    Workbook changed = doc;
    update_document(changed, *excel);
    ASSERT_EQ(changed.sheets[0].notes.size(), 2u);
    EXPECT_EQ(changed.sheets[0].notes[0].row, 2);  // the file's order first
    EXPECT_DOUBLE_EQ(changed.sheets[0].notes[0].shape.width, 96 * 1.75);
    EXPECT_EQ(changed.sheets[0].notes[0].shape.picture, old.shape.picture);
    EXPECT_EQ(plain_text(changed.sheets[0].notes[1].text), u"new");
    EXPECT_EQ(changed.sheets[0].notes[1].author, u"Bob");

    const fs::path file = fs::temp_directory_path() / "quill-binding-test.xlsx";
    save(changed, file.string());
    const Workbook back = load(file.string());
    fs::remove(file);
    ASSERT_EQ(back.sheets.size(), 2u);
    EXPECT_EQ(back.sheets[0].notes.size(), 2u);
    EXPECT_DOUBLE_EQ(back.sheets[0].find_cell(1, 1)->number, 0.25);  // a new book writes values
}

}  // namespace
}  // namespace quill::xlsx
