// Workbooks Excel itself saved (shared/excel-made beside the project, read
// where they lie): edits keep every untouched element of a drawing byte for
// byte, and the boxes land where Excel's own anchors put them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>

#include "platform/xlsx/binding.h"
#include "platform/xlsx/package.h"
#include "platform/xlsx/source.h"
#include "platform/xlsx/vml_drawing.h"
#include "xlsx_test_util.h"

namespace quill::xlsx {
namespace {

namespace fs = std::filesystem;
using testing::Cell;
using testing::edit_notes;
using testing::kept_elements;
using testing::ScratchDir;

// One sample (poi-stress024) is a macro-enabled workbook under an .xlsx
// name, which the loader rightly refuses; it is read through a copy that
// carries the extension Excel would insist on.
std::vector<fs::path> excel_made() {
    static ScratchDir renamed;
    std::vector<fs::path> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(QUILL_EXCEL_MADE_DIR, ec)) {
        if (e.path().extension() != ".xlsx") continue;
        if (testing::part_of(e.path().string(), "[Content_Types].xml").find("macroEnabled") == std::string::npos) {
            out.push_back(e.path());
            continue;
        }
        const fs::path copy = renamed.path(e.path().stem().string() + ".xlsm");
        fs::copy_file(e.path(), copy, fs::copy_options::overwrite_existing);
        out.push_back(copy);
    }
    std::sort(out.begin(), out.end(), [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
    return out;
}

#define REQUIRE_EXCEL_MADE(files) \
    if ((files).empty()) GTEST_SKIP() << "no Excel-made workbooks in " QUILL_EXCEL_MADE_DIR

std::shared_ptr<const detail::VmlPart> drawing(const Sheet& s) {
    return s.source && s.source->loaded().boxes ? s.source->loaded().boxes->drawing().vml : nullptr;
}

// Our own files go through the same check: the fixture, and a workbook we wrote.
TEST(ExcelMade, EditsKeepEveryUntouchedElementOfTheDrawing) {
    ScratchDir own;
    auto files = excel_made();
    testing::write_excel_like(own.path("fixture.xlsx"));
    Workbook ours = new_workbook();
    ours.sheets[0].notes = {Note{0, 0, u"Ann", testing::text(u"one"), {}}, Note{3, 2, u"Ann", testing::text(u"two"), {}}};
    ours.sheets[0].notes[1].shape->picture = testing::png_picture(1);
    save(ours, own.path("ours.xlsx"));
    files.insert(files.end(), {own.path("fixture.xlsx"), own.path("ours.xlsx")});
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        ScratchDir dir;
        const Workbook before = load(file.string());
        Workbook wb = before;
        std::vector<std::set<Cell>> changed;
        for (auto& s : wb.sheets) changed.push_back(edit_notes(s.notes));
        const std::string out = dir.path("out" + file.extension().string());
        save(wb, out);
        const Workbook after = load(out);
        for (std::size_t i = 0; i < wb.sheets.size(); ++i) {
            SCOPED_TRACE(to_utf8(wb.sheets[i].name));
            EXPECT_EQ(after.sheets[i].notes.size(), wb.sheets[i].notes.size());
            for (const auto& n : wb.sheets[i].notes) {
                const Note* again = after.sheets[i].find_note(n.row, n.col);
                ASSERT_NE(again, nullptr) << cell_name(n.row, n.col);
                EXPECT_EQ(again->text, n.text);
                // An edited box reads back as set, its far corner recomputed.
                NoteShape want = n.shape, got = again->shape;
                if (changed[i].count({n.row, n.col})) want.anchor = got.anchor = std::nullopt;
                EXPECT_EQ(got, want) << cell_name(n.row, n.col);
            }
            const auto old_part = drawing(before.sheets[i]);
            if (!old_part) continue;
            const auto new_part = drawing(after.sheets[i]);
            ASSERT_TRUE(new_part);
            EXPECT_EQ(kept_elements(*new_part->bytes, changed[i]), kept_elements(*old_part->bytes, changed[i]));
            // The new note sits above every shape that was there.
            const Note& added = wb.sheets[i].notes.back();
            const std::string vml = *new_part->bytes;
            const auto at = vml.find("<x:Row>" + std::to_string(added.row) + "</x:Row>");
            ASSERT_NE(at, std::string::npos);
            const auto z = vml.rfind("z-index:", at);
            EXPECT_EQ(std::stoll(vml.substr(z + 8)), old_part->max_z + 1);
        }
    }
}

// Through the in-memory workbook, as every command goes: notes nobody
// touched must come back equal, or their boxes would be rewritten.
TEST(ExcelMade, TheInMemoryWorkbookGivesBackWhatItWasGiven) {
    auto gives_back = [](const Workbook& doc) {
        Workbook back = doc;
        update_document(back, *to_memory(doc));
        for (std::size_t i = 0; i < doc.sheets.size(); ++i) EXPECT_EQ(back.sheets[i].notes, doc.sheets[i].notes);
    };
    // Other programs write a picture fill without a title; it must not come back as ".png".
    Workbook untitled = new_workbook();
    Note note{1, 1, u"Ann", testing::text(u"x"), {}};
    note.shape->picture = Picture{std::make_shared<const std::string>(testing::tiny_png(4)), "png", ""};
    untitled.sheets[0].notes = {note};
    gives_back(untitled);
    const auto files = excel_made();
    REQUIRE_EXCEL_MADE(files);
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        gives_back(load(file.string()));
    }
}

// Excel for Windows measures in 96-dpi pixels; Excel for Mac writes points
// as pixels, so only the Windows files can confirm the rule.
TEST(ExcelMade, AnchorsFollowTheSheetsGeometryAsExcelPlacesThem) {
    const auto files = excel_made();
    REQUIRE_EXCEL_MADE(files);
    int checked = 0;
    for (const auto& file : files) {
        if (testing::part_of(file.string(), "docProps/app.xml").find("Macintosh") != std::string::npos) continue;
        SCOPED_TRACE(file.filename().string());
        const Workbook wb = load(file.string());
        for (const auto& sheet : wb.sheets)
            for (const auto& n : sheet.notes) {
                if (!n.shape->anchor) continue;
                SCOPED_TRACE(to_utf8(sheet.name) + "!" + cell_name(n.row, n.col));
                EXPECT_EQ(detail::compute_anchor(sheet, n), *n.shape->anchor);
                ++checked;
            }
    }
    EXPECT_GT(checked, 0);
}

}  // namespace
}  // namespace quill::xlsx
