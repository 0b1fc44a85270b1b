// Insert Image over the in-memory workbook, with real picture files written
// to a scratch folder.
#include "images/insert_image.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include <unistd.h>

#include "platform/memory/memory_picture_loader.h"
#include "platform/memory/picture_writer.h"
#include "support/host_fixture.h"

namespace quill::testing {
namespace {

namespace fs = std::filesystem;

// The progress the command reports, as "Formatting $B$2", "Picture", "Finished".
struct Progress final : ProgressPort {
    void Formatting(const std::u16string& address) override { seen.push_back("Formatting " + to_utf8(address)); }
    void PictureInserted() override { seen.push_back("Picture"); }
    void Finished() override { seen.push_back("Finished"); }
    std::vector<std::string> seen;
};

struct InsertImage : HostFixture, ::testing::Test {
    InsertImage() {
        dir = fs::temp_directory_path() / ("quill_insert_image_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        const auto png = memory::encode_png(std::vector<std::uint8_t>(12, 0x40), 2, 2);
        for (const char* stem : {"a", "b", "c", "d", "e"}) {
            const fs::path p = dir / (std::string(stem) + ".png");
            std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), std::ssize(png));
            paths.push_back(to_u16(p.string()));
        }
    }
    ~InsertImage() override { fs::remove_all(dir); }
    fs::path dir;
    std::vector<std::u16string> paths;
    Progress progress;
};

struct Expect {
    std::optional<int> file;  // index into the files as the dialog returned them; none: no picture
    std::u16string text;
    double width = 0;  // 0: no comment at all
    float transparency = 0;
};

const double kNew = 96.0 * 1.75, kAgain = 96.0 * 1.75 * 1.75;

// The k-th cell visited takes the k-th file once the first file has moved to
// the end; existing comments are skipped, kept or replaced.
TEST_F(InsertImage, PairsCellsWithFilesAndTreatsExistingComments) {
    const struct {
        const char* name;
        const char* selection;
        int files;
        std::int32_t lower_bound;
        std::vector<const char*> existing;  // each "old", grown once and 0.2 transparent
        CommentOptions options;
        const char16_t* editor;  // nullptr: the editor switched off
        std::map<std::string, Expect> expect;
        std::optional<int> preview;
        Counts counts;
    } rows[] = {
        {"the file dialog cancelled", "B2", 0, 1, {}, {}, u"", {{"B2", {}}}, std::nullopt, {}},
        {"two files for three cells", "B2:B4", 2, 1, {}, {}, u"", {{"B2", {1, u"", kNew, 0.5f}}, {"B3", {0, u"", kNew, 0.5f}}, {"B4", {}}},
         0, {.created = 2}},
        {"three files for one cell", "B2", 3, 1, {}, {}, u"", {{"B2", {1, u"", kNew, 0.5f}}}, 1, {.created = 1}},
        {"every visited cell skipped: no preview", "B2", 1, 1, {"B2"}, {}, u"", {{"B2", {std::nullopt, u"old", kNew, 0.2f}}}, std::nullopt, {.skipped = 1}},
        {"array bounds from zero", "B2:C2", 3, 0, {}, {}, u"", {{"B2", {1, u"", kNew, 0.5f}}, {"C2", {2, u"", kNew, 0.5f}}}, 2, {.created = 2}},
        {"a skipped commented cell uses up its file", "B2:B4", 3, 1, {"B3"}, {}, u"",
         {{"B2", {1, u"", kNew, 0.5f}}, {"B3", {std::nullopt, u"old", kNew, 0.2f}}, {"B4", {0, u"", kNew, 0.5f}}}, 0, {.created = 2, .skipped = 1}},
        {"both overwrite boxes: a new comment with the editor's text", "B2", 2, 1, {"B2"}, {.overwrite_text = 1, .overwrite_image = 1}, u"a\tb\r\nc",
         {{"B2", {1, u"a        b\nc", kNew, 0.5f}}}, 1, {.created = 1, .deleted = 1, .formatted = 12}},
        {"one overwrite box: kept comment grows again", "B2", 2, 1, {"B2"}, {.overwrite_image = 1}, u"new",
         {{"B2", {1, u"old", kAgain, 0.5f}}}, 1, {.kept = 1}},
        {"editor off: new comments are empty", "B2", 1, 1, {}, {}, nullptr, {{"B2", {0, u"", kNew, 0.5f}}}, 0, {.created = 1}},
        {"Check1 cleared: transparency left alone", "B2:B3", 2, 1, {"B3"}, {.transparent = 0, .overwrite_text = 1}, u"",
         {{"B2", {1, u"", kNew, 0.0f}}, {"B3", {0, u"old", kAgain, 0.2f}}}, 0, {.created = 1, .kept = 1}},
        {"two areas, each row by row", "C2:D3,B5", 5, 1, {}, {}, u"",
         {{"C2", {1, u"", kNew, 0.5f}}, {"D2", {2, u"", kNew, 0.5f}}, {"C3", {3, u"", kNew, 0.5f}},
          {"D3", {4, u"", kNew, 0.5f}}, {"B5", {0, u"", kNew, 0.5f}}}, 0, {.created = 5}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        sheet().cells.clear();
        const std::vector<std::u16string> files(paths.begin(), paths.begin() + r.files);
        for (const char* cell : r.existing) {
            memory::CommentData& c = sheet().add_comment(cell, u"old");
            c.width = kNew, c.height = 55.5 * 1.75, c.fill.transparency = 0.2f;
        }
        sheet().select(r.selection);
        ed->Text(r.editor ? r.editor : u"text"), ed->Enabled(r.editor != nullptr);
        if (r.files) excel->scripted_files().choose(files, r.lower_bound);

        // Values the closing steps change, so that the test sees whether they ran.
        excel->display_comment_indicator = 0, excel->visible = false, progress.seen.clear();
        const Outcome got = images::InsertImage(app(), *ed, r.options, std::make_shared<memory::MemoryPictureLoader>(), progress);

        EXPECT_EQ(std::tuple(got.kind, got.counts), std::tuple(Outcome::Kind::Done, r.counts));
        for (const auto& [cell, e] : r.expect) {
            SCOPED_TRACE(cell);
            const memory::CommentData* c = sheet().comment(cell);
            ASSERT_EQ(c != nullptr, e.width != 0);
            if (!c) continue;
            EXPECT_EQ(std::tuple(c->fill.picture ? c->fill.picture->path : u"-", c->text.text(), c->fill.transparency),
                      std::tuple(e.file ? files[static_cast<std::size_t>(*e.file)] : u"-", e.text, e.transparency));
            EXPECT_DOUBLE_EQ(c->width, e.width);
            EXPECT_DOUBLE_EQ(c->height, 55.5 * c->width / 96.0);
        }
        EXPECT_EQ(got.preview ? (*got.preview)->Path : u"-", r.preview ? files[static_cast<std::size_t>(*r.preview)] : u"-");
        // Formatting is reported only while editor text goes into a comment.
        std::vector<std::string> want;
        if (r.counts.formatted) want.push_back("Formatting $B$2");
        want.insert(want.end(), static_cast<std::size_t>(r.counts.created + r.counts.kept), "Picture");
        want.push_back("Finished");
        EXPECT_EQ(progress.seen, want);
        EXPECT_TRUE(excel->display_comment_indicator == host::xlCommentIndicatorOnly && excel->visible);
        // The dialog's own texts, several files at once.
        EXPECT_EQ(excel->scripted_files().requests.back(),
                  (memory::FileChoiceRequest{
                      u"Images (*.emf;*.wmf;*.jpg;*.jpeg;*.jfif;*.jpe;*.png;*.bmp;*.dib;*.rle;*.gif;*.bmz;*.gfa;*.emz),"
                      u"*.emf;*.wmf;*.jpg;*.jpeg;*.jfif;*.jpe;*.png;*.bmp;*.dib;*.rle;*.gif;*.bmz;*.gfa;*.emz",
                      std::nullopt, u"Insert Images to selected cell's Comment", u"Load Images", true}));
    }
}

}  // namespace
}  // namespace quill::testing
