// Insert Image over the in-memory workbook, with real picture files written
// to a scratch folder. The preview goes through the fixture's picture loader,
// which knows the files registered by picture() (and fails for others).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "dialog/pictures.h"
#include "platform/memory/memory_picture_loader.h"
#include "support/host_fixture.h"

#include "platform/memory/picture_writer.h"

namespace quill::testing {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const std::u16string kStatus = u"Please Wait Formating Text... into Comment cell ";

Bytes png(int w, int h) {
    return memory::encode_png(std::vector<std::uint8_t>(static_cast<std::size_t>(w * h * 3), 0x40), w, h);
}

Bytes bmp(int w, int h) {
    dialog::pictures::Bitmap b{w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w * h), 9), std::nullopt};
    return dialog::pictures::EncodeBmp(b);
}

struct InsertImage : HostFixture, ::testing::Test {
    InsertImage() {
        dir = fs::temp_directory_path() /
              ("quill_insert_image_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        // Values the closing steps change, so a test sees whether they ran.
        excel->display_comment_indicator = 0;
        excel->visible = false;
        form->Label3.on_changed = [this](const dialog::Control& c) { captions.push_back(c.Caption()); };
    }
    ~InsertImage() override { fs::remove_all(dir); }

    std::u16string write(const std::string& name, const Bytes& bytes, bool previewable = true) {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        const std::u16string path = to_u16(p.string());
        if (previewable) pictures->files[path] = {2, 2};
        return path;
    }
    // Pictures "a", "b", "c", ...: PNG and BMP taking turns.
    std::vector<std::u16string> files(int n) {
        std::vector<std::u16string> out;
        for (int i = 0; i < n; ++i) {
            const std::string stem(1, static_cast<char>('a' + i));
            out.push_back(i % 2 ? write(stem + ".bmp", bmp(2, 2)) : write(stem + ".png", png(2, 2)));
        }
        return out;
    }
    void click() { form->Click(u"OKButton"); }
    bool closing_ran() const {
        return excel->display_comment_indicator == host::xlCommentIndicatorOnly && excel->visible &&
               form->Label3.Caption().empty();
    }
    std::optional<std::u16string> picture_of(std::string_view cell) {
        const memory::CommentData* c = sheet().comment(cell);
        if (!c || !c->fill.picture) return std::nullopt;
        return c->fill.picture->path;
    }

    fs::path dir;
    std::vector<std::u16string> captions;  // Label3, every time code set it
};

// ---- Pairing of cells and files ---------------------------------------------

struct Existing {
    std::u16string text;
    double width = 96.0 * 1.75;  // as one earlier insertion left it
    float transparency = 0.2f;
};

struct Expect {
    std::optional<int> file;  // index into the files as the dialog returned them; none: no picture
    std::u16string text;
    double width = 0;  // 0: no comment at all
    float transparency = 0;
};

struct PairingRow {
    const char* name;
    const char* selection;
    int files;
    std::int32_t lower_bound;
    std::map<std::string, Existing> existing;
    std::int32_t check3, check4, check1;
    std::u16string editor;  // empty: editor left empty
    bool editor_enabled;
    std::map<std::string, Expect> expect;
    std::optional<int> preview;  // file index; none: preview untouched
};

const double kNew = 96.0 * 1.75;
const double kAgain = 96.0 * 1.75 * 1.75;

TEST_F(InsertImage, PairsTheKthVisitedCellWithTheKthFileAfterTheFirstMovesToTheEnd) {
    const PairingRow rows[] = {
        {"two files for three cells", "B2:B4", 2, 1, {}, 0, 0, 1, u"", false,
         {{"B2", {1, u"", kNew, 0.5f}}, {"B3", {0, u"", kNew, 0.5f}}, {"B4", {}}}, 0},
        {"three files for one cell", "B2", 3, 1, {}, 0, 0, 1, u"", false, {{"B2", {1, u"", kNew, 0.5f}}}, 1},
        {"array bounds from zero", "B2:C2", 3, 0, {}, 0, 0, 1, u"", false,
         {{"B2", {1, u"", kNew, 0.5f}}, {"C2", {2, u"", kNew, 0.5f}}}, 2},
        {"a skipped commented cell uses up its file", "B2:B4", 3, 1, {{"B3", {u"old"}}}, 0, 0, 1, u"", false,
         {{"B2", {1, u"", kNew, 0.5f}}, {"B3", {std::nullopt, u"old", kNew, 0.2f}}, {"B4", {0, u"", kNew, 0.5f}}}, 0},
        {"both overwrite boxes: a new comment with the editor's text", "B2", 2, 1, {{"B2", {u"old"}}}, 1, 1, 1,
         u"a\tb\r\nc", true, {{"B2", {1, u"a        b\nc", kNew, 0.5f}}}, 1},
        {"only Overwrite Cmt Text: kept comment grows again", "B2", 2, 1, {{"B2", {u"old"}}}, 1, 0, 1, u"new", true,
         {{"B2", {1, u"old", kAgain, 0.5f}}}, 1},
        {"only Overwrite Image: kept comment grows again", "B2", 2, 1, {{"B2", {u"old"}}}, 0, 1, 1, u"new", true,
         {{"B2", {1, u"old", kAgain, 0.5f}}}, 1},
        {"editor disabled: new comments are empty", "B2", 1, 1, {}, 0, 0, 1, u"text", false,
         {{"B2", {0, u"", kNew, 0.5f}}}, 0},
        {"editor empty: new comments are empty", "B2", 1, 1, {}, 0, 0, 1, u"", true, {{"B2", {0, u"", kNew, 0.5f}}}, 0},
        {"Check1 cleared: transparency left alone", "B2:B3", 2, 1, {{"B3", {u"old"}}}, 1, 0, 0, u"", false,
         {{"B2", {1, u"", kNew, 0.0f}}, {"B3", {0, u"old", kAgain, 0.2f}}}, 0},
        {"every visited cell skipped", "B2:B3", 2, 1, {{"B2", {u"x"}}, {"B3", {u"y"}}}, 0, 0, 1, u"", false,
         {{"B2", {std::nullopt, u"x", kNew, 0.2f}}, {"B3", {std::nullopt, u"y", kNew, 0.2f}}}, std::nullopt},
        {"two areas, each row by row", "C2:D3,B5", 5, 1, {}, 0, 0, 1, u"", false,
         {{"C2", {1, u"", kNew, 0.5f}}, {"D2", {2, u"", kNew, 0.5f}}, {"C3", {3, u"", kNew, 0.5f}},
          {"D3", {4, u"", kNew, 0.5f}}, {"B5", {0, u"", kNew, 0.5f}}}, 0},
    };
    for (const PairingRow& r : rows) {
        SCOPED_TRACE(r.name);
        sheet().cells.clear();
        pictures->loaded.clear();
        form->Image1.Picture(nullptr);
        excel->display_comment_indicator = 0;
        excel->visible = false;
        form->Label3.Caption(u"before");
        captions.clear();

        const std::vector<std::u16string> paths = files(r.files);
        for (const auto& [cell, e] : r.existing) {
            memory::CommentData& c = sheet().add_comment(cell, e.text);
            c.width = e.width;
            c.height = 55.5 * e.width / 96.0;
            c.fill.transparency = e.transparency;
        }
        sheet().select(r.selection);
        form->Check3.Value(r.check3);
        form->Check4.Value(r.check4);
        form->Check1.Value(r.check1);
        form->RichTextBox1->Text(r.editor);
        form->RichTextBox1->Enabled(r.editor_enabled);
        excel->scripted_files().choose(paths, r.lower_bound);

        click();

        EXPECT_TRUE(messages->shown.empty());
        for (const auto& [cell, e] : r.expect) {
            SCOPED_TRACE(cell);
            const memory::CommentData* c = sheet().comment(cell);
            if (e.width == 0) {
                EXPECT_EQ(c, nullptr);
                continue;
            }
            ASSERT_NE(c, nullptr);
            EXPECT_EQ(picture_of(cell), e.file ? std::optional(paths[static_cast<std::size_t>(*e.file)]) : std::optional<std::u16string>{});
            EXPECT_EQ(c->text.text(), e.text);
            EXPECT_DOUBLE_EQ(c->width, e.width);
            EXPECT_DOUBLE_EQ(c->height, 55.5 * c->width / 96.0);
            EXPECT_FLOAT_EQ(c->fill.transparency, e.transparency);
        }
        if (r.preview) {
            ASSERT_NE(form->Image1.Picture(), nullptr);
            EXPECT_EQ(form->Image1.Picture()->Path, paths[static_cast<std::size_t>(*r.preview)]);
            EXPECT_EQ(form->Image1.ToolTipText(), u"Image of last picture inserted.");
        } else {
            EXPECT_TRUE(pictures->loaded.empty());
            EXPECT_EQ(form->Image1.Picture(), nullptr);
        }
        // The status line shows only while editor text is being formatted.
        const bool formatted = !r.editor.empty() && r.editor_enabled && r.check3 + r.check4 != 1;
        std::vector<std::u16string> want_captions;
        if (formatted) want_captions.push_back(kStatus + u"$B$2");
        want_captions.push_back(u"");
        EXPECT_EQ(captions, want_captions);
        EXPECT_TRUE(closing_ran());
    }
}

TEST_F(InsertImage, AsksForPicturesWithTheFixedDialogArguments) {
    excel->scripted_files().cancel();
    click();
    ASSERT_EQ(excel->scripted_files().requests.size(), 1u);
    const memory::FileChoiceRequest want{
        u"Images (*.emf;*.wmf;*.jpg;*.jpeg;*.jfif;*.jpe;*.png;*.bmp;*.dib;*.rle;*.gif;*.bmz;*.gfa;*.emz),"
        u"*.emf;*.wmf;*.jpg;*.jpeg;*.jfif;*.jpe;*.png;*.bmp;*.dib;*.rle;*.gif;*.bmz;*.gfa;*.emz",
        std::nullopt, u"Insert Images to selected cell's Comment", u"Load Images", true};
    EXPECT_EQ(excel->scripted_files().requests[0], want);
    // A cancel runs only the closing steps.
    EXPECT_TRUE(closing_ran());
    EXPECT_TRUE(sheet().comments().empty());
    EXPECT_EQ(excel->log.count("Application.Selection"), 0u);
}

TEST_F(InsertImage, StylesInOrderAfterTheTextIsFormatted) {
    use_comment_text();
    form->RichTextBox1->Text(u"Hi");
    excel->scripted_files().choose(files(1));
    std::uint64_t screen_updates_at_status = 99, comments_at_status = 99;
    form->Label3.on_changed = [&](const dialog::Control& c) {
        if (c.Caption().empty()) return;
        screen_updates_at_status = excel->log.count("Application.ScreenUpdating");
        comments_at_status = excel->log.count("Range.AddComment");
    };
    excel->log.clear();
    click();

    // The comment exists when the status line appears, the transfer after.
    EXPECT_EQ(comments_at_status, 1u);
    EXPECT_EQ(screen_updates_at_status, 0u);
    EXPECT_EQ(excel->log.count("Application.ScreenUpdating"), 2u);
    std::vector<std::string> styling;
    for (const std::string& call : excel->log.calls())
        if (call == "FillFormat.Transparency" || call == "TextFrame.Orientation" || call == "Shape.ScaleWidth" ||
            call == "Shape.ScaleHeight" || call == "FillFormat.UserPicture")
            styling.push_back(call);
    EXPECT_EQ(styling, (std::vector<std::string>{"FillFormat.Transparency", "TextFrame.Orientation",
                                                 "Shape.ScaleWidth", "Shape.ScaleHeight", "FillFormat.UserPicture"}));
}

TEST_F(InsertImage, OrientationFollowsTheFirstChosenOption) {
    const struct {
        std::int32_t chosen;  // 0: none
        std::int32_t orientation;
    } rows[] = {{1, 1}, {2, 5}, {3, 2}, {4, 3}, {0, 3}};
    const std::vector<std::u16string> one = files(1);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.chosen);
        sheet().cells.clear();
        form->Orent.Reset();
        if (r.chosen) form->Orent(r.chosen).Value(true);
        excel->scripted_files().choose(one);
        click();
        ASSERT_NE(sheet().comment("A1"), nullptr);
        EXPECT_EQ(sheet().comment("A1")->orientation, r.orientation);
    }
}

// ---- Checks before the file dialog -------------------------------------------

TEST_F(InsertImage, ProtectedSheetOrNoActiveCellEndsBeforeTheFileDialog) {
    sheet().protect_contents = true;
    click();
    ASSERT_EQ(messages->shown.size(), 1u);
    EXPECT_EQ(messages->shown[0].text, u"Please First Remove Sheet Protection.");
    EXPECT_EQ(messages->shown[0].buttons, MsgButtons::OK);
    EXPECT_EQ(messages->shown[0].title, u"Pixnote");

    for (const bool chart : {false, true}) {
        SCOPED_TRACE(chart ? "a chart sheet active" : "no workbook");
        if (chart) excel->chart_sheet_active = true;
        else excel->close_all();
        click();
        EXPECT_EQ(messages->shown.size(), 1u);
        EXPECT_TRUE(excel->scripted_files().requests.empty());
        EXPECT_FALSE(closing_ran());
    }
}

TEST_F(InsertImage, AFailingFileDialogIsClearedAndTheCommandGoesOnWithNoFiles) {
    excel->log.fail_nth("Application.GetOpenFilename", 1, 1004, u"dialog broke");
    sheet().select("B2:B3");
    click();
    EXPECT_TRUE(messages->shown.empty());
    EXPECT_TRUE(sheet().comments().empty());
    EXPECT_TRUE(pictures->loaded.empty());
    EXPECT_TRUE(closing_ran());
}

// ---- The error path: a box titled "Quillette", then nothing more -------------

TEST_F(InsertImage, BadPictureAtTheSecondCellKeepsThePartialState) {
    use_comment_text();
    form->RichTextBox1->Text(u"note");
    const std::u16string good = write("good.png", png(2, 2));
    const std::u16string bad = write("bad.png", Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'});
    sheet().select("B2:B3");
    excel->scripted_files().choose({bad, good});  // reordered: good, bad
    click();

    ASSERT_EQ(messages->shown.size(), 1u);
    EXPECT_EQ(messages->shown[0].title, u"Quillette");
    EXPECT_EQ(messages->shown[0].buttons, MsgButtons::OK);
    EXPECT_NE(messages->shown[0].text.find(bad), std::u16string::npos);
    EXPECT_EQ(picture_of("B2"), good);
    const memory::CommentData* second = sheet().comment("B3");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->text.text(), u"note");
    EXPECT_DOUBLE_EQ(second->width, kNew);
    EXPECT_FALSE(second->fill.picture);
    EXPECT_EQ(form->Label3.Caption(), kStatus + u"$B$3");
    EXPECT_TRUE(pictures->loaded.empty());
    EXPECT_EQ(excel->display_comment_indicator, 0);
    EXPECT_FALSE(excel->visible);
}

TEST_F(InsertImage, SelectionThatIsNotARangeIsATypeMismatch) {
    sheet().select_shape();
    excel->scripted_files().choose(files(1));
    click();
    ASSERT_EQ(messages->shown.size(), 1u);
    EXPECT_EQ(messages->shown[0].text, u"Type mismatch");
    EXPECT_EQ(messages->shown[0].title, u"Quillette");
    EXPECT_FALSE(closing_ran());
}

TEST_F(InsertImage, PreviewThatCannotBeLoadedLeavesTheCommentAndSkipsTheClosingSteps) {
    const std::u16string unknown_to_preview = write("a.png", png(2, 2), false);
    excel->scripted_files().choose({unknown_to_preview});
    click();
    ASSERT_EQ(messages->shown.size(), 1u);
    EXPECT_EQ(messages->shown[0].text, u"File not found");
    EXPECT_EQ(messages->shown[0].title, u"Quillette");
    EXPECT_EQ(picture_of("A1"), unknown_to_preview);
    EXPECT_EQ(form->Image1.Picture(), nullptr);
    EXPECT_TRUE(form->Image1.ToolTipText().empty());
    EXPECT_FALSE(closing_ran());
}

// The portable build's own loader behind the preview: the decoded size.
TEST_F(InsertImage, PortableLoaderPreviewsTheDecodedPicture) {
    dialog::FormServices s;
    s.messages = messages;
    s.pictures = std::make_shared<memory::MemoryPictureLoader>();
    s.make_editor = memory::MakeRichText;
    dialog::frmAddIn real(std::move(s));
    real.xlapp = excel->application();
    const std::u16string path = write("wide.bmp", bmp(5, 3));
    excel->scripted_files().choose({path});
    real.Click(u"OKButton");
    EXPECT_TRUE(messages->shown.empty());
    ASSERT_NE(real.Image1.Picture(), nullptr);
    EXPECT_EQ(real.Image1.Picture()->Width, 5);
    EXPECT_EQ(real.Image1.Picture()->Height, 3);
    EXPECT_EQ(real.Image1.Picture()->Path, path);
}

}  // namespace
}  // namespace quill::testing
