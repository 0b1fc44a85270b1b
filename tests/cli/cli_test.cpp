#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "cli/app.h"
#include "platform/memory/picture_writer.h"
#include "platform/memory/picture_samples.h"
#include "platform/xlsx/binding.h"
#include "platform/xlsx/xlsx_test_util.h"

namespace quill::cli {
namespace {

namespace fs = std::filesystem;

struct Result { int code; std::string out, err; };

// The tool in-process, from an argument vector, with stdin not a terminal.
Result quillette(std::vector<std::string> args, const std::string& input = "", bool terminal = false) {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int code = run(args, Io{in, out, err, terminal, false});
    return {code, out.str(), err.str()};
}

using xlsx::load;
using xlsx::testing::read_file;

struct Workdir : xlsx::testing::ScratchDir {
    std::string dir = path("");

    // A small grey picture of w x h pixels.
    std::string picture(const std::string& name, int w = 8, int h = 6, memory::RasterFormat f = memory::RasterFormat::Png) const {
        const auto bytes = memory::encode_raster(f, std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h * 3, 0x80), w, h);
        xlsx::testing::write_file(path(name), std::string(bytes.begin(), bytes.end()));
        return path(name);
    }
    // A workbook on disk, built through the document model.
    std::string book(const std::string& name, bool protect = false, bool with_note = false) const {
        xlsx::Workbook doc = xlsx::new_workbook();
        doc.sheets[0].protect_contents = protect;
        if (with_note) doc.sheets[0].notes.push_back({1, 1, u"", xlsx::testing::text(u"kept"), {}});
        xlsx::save(doc, path(name));
        return path(name);
    }
};

TEST(Cli, UsageAndRefusalsHaveTheirExitCodes) {
    Workdir w;
    const std::string book = w.book("in.xlsx");
    const std::string pic = w.picture("a.png");
    const std::string readonly = w.book("ro.xlsx");
    fs::permissions(readonly, fs::perms::owner_read | fs::perms::group_read);
    struct Row { std::vector<std::string> args; int code; std::string err_has; };
    const Row rows[] = {
        {{}, kUsage, "subcommand"},
        {{"insert-image", book, "--cells", "B2", pic}, kUsage, "refusing to overwrite"},
        {{"insert-image", book, "--cells", "B2", pic, "-o", w.path("o.xlsx"), "--in-place"}, kUsage, "not both"},
        {{"insert-image", book, "--cells", "ZZZZ99", pic, "-o", w.path("o.xlsx")}, kUsage, "Invalid cell reference"},
        {{"insert-text", book, "--cell", "B2", "--text", "x", "--color", "red", "-o", w.path("o.xlsx")}, kUsage, "#RRGGBB"},
        {{"insert-image", book, "--cells", "B2", w.path("missing.png"), "-o", w.path("o.xlsx")}, kUnreadable, "missing.png"},
        {{"insert-image", book, "--cells", "B2", w.dir, "-o", w.path("o.xlsx")}, kUnreadable, "folder"},
        {{"insert-image", book, "--cells", "B2", "/dev/zero", "-o", w.path("o.xlsx")}, kUnreadable, "not a regular file"},
        {{"insert-image", book, "--cells", "B2", pic, "-o", "/dev/null"}, kUnreadable, "not a regular file"},
        {{"insert-image", book, "--cells", "B2", pic, "-o", book}, kUsage, "--in-place"},
        {{"insert-image", readonly, "--cells", "B2", pic, "--in-place"}, kUnreadable, "read-only"},
        {{"insert-text", book, "--cell", "B2", "--text-file", "/dev/zero", "-o", w.path("o.xlsx")}, kUsage, "32767"},
        {{"insert-text", book, "--cell", "B2", "--text-file", w.dir, "-o", w.path("o.xlsx")}, kUsage, "directory"},
        {{"insert-text", book, "--cell", "B2", "--text", std::string(32768, 'x'), "-o", w.path("o.xlsx")}, kUsage, "32767"},
        {{"insert-text", book, "--cell", "B2", "--text", "x", "--size", "410", "-o", w.path("o.xlsx")}, kUsage, "--size"},
        {{"insert-text", book, "--cell", "B2", "--text", "x", "--size", "0", "-o", w.path("o.xlsx")}, kUsage, "--size"},
        {{"insert-text", book, "--cell", "B2", "--text", "x", "--font", "", "-o", w.path("o.xlsx")}, kUsage, "--font"},
        {{"insert-text", book, "--cell", "B2", "--text", "x", "--font", std::string(32, 'F'), "-o", w.path("o.xlsx")}, kUsage, "--font"},
        {{"insert-image", book, "--sheet", "Nope", "--cells", "B2", pic, "-o", w.path("o.xlsx")}, kUsage, "Nope"},
        {{"list", w.path("absent.xlsx")}, kUnreadable, "absent.xlsx"},
        {{"delete-comments", book, "--cells", "B2", "--in-place"}, kRefused, "--yes"},
        {{"insert-image", book, "--cells", "B2", pic, "-o", "/nonexistent-dir/o.xlsx"}, kUnreadable, "o.xlsx"},
    };
    const std::string before = read_file(book);
    for (const auto& r : rows) {
        std::string joined;
        for (const auto& a : r.args) joined += a.substr(0, 80) + " ";
        SCOPED_TRACE(joined);
        const Result got = quillette(r.args);
        EXPECT_EQ(got.code, r.code) << got.err;
        EXPECT_NE(got.err.find(r.err_has), std::string::npos) << got.err;
        EXPECT_FALSE(fs::exists(w.path("o.xlsx")));
    }
    EXPECT_EQ(read_file(book), before);
    EXPECT_EQ(quillette({"--help"}).code, kDone);
    const Result v = quillette({"--version"});
    EXPECT_EQ(v.code, kDone);
    EXPECT_NE(v.out.find("quillette"), std::string::npos);
}

TEST(Cli, InsertImagePairsPicturesWithCellsInTheOrderGiven) {
    Workdir w;
    const std::string book = w.book("in.xlsx");
    const std::string a = w.picture("a.png", 8, 6), b = w.picture("b.png", 5, 5);
    const Result r = quillette({"insert-image", book, "--cells", "B2:B3", a, b, "--text", "Hi\tthere", "--bold",
                             "--color", "#0000FF", "--orientation", "upward", "--opaque", "-o", w.path("out.xlsx")});
    ASSERT_EQ(r.code, kDone) << r.err;
    const auto doc = load(w.path("out.xlsx"));
    const auto* b2 = doc.sheets[0].find_note(1, 1);
    const auto* b3 = doc.sheets[0].find_note(2, 1);
    ASSERT_TRUE(b2 && b3);
    EXPECT_EQ(b2->shape->picture_title + b3->shape->picture_title, u"ab");
    EXPECT_EQ(b2->text->back().font.color, 0xFF0000);  // #0000FF as 0x00BBGGRR; the rest as listed

    const Result listed = quillette({"list", w.path("out.xlsx"), "--json"});
    EXPECT_EQ(listed.code, kDone);
    for (const char* has : {"\"cell\": \"B3\"", "\"file\": \"b.png\"", "\"part\": \"xl/media/image", "\"width\": 5, \"height\": 5",
                            "\"text\": \"Hi        there\"", "\"bold\": true", "\"color\": \"#0000FF\"",
                            "\"box\": {\"width\": 168.00", "\"opacity\": 1.00", "\"orientation\": \"upward\"", "\"visible\": false"})
        EXPECT_NE(listed.out.find(has), std::string::npos) << has << " in " << listed.out;
}

// Names and texts from a file never reach the terminal as control
// characters, and columns line up whatever the characters' widths.
TEST(Cli, ListIsSafeToPrint) {
    Workdir w;
    xlsx::Workbook doc = xlsx::new_workbook();
    doc.sheets[0].name = u"\u8868\u8868";  // two wide characters: four columns
    doc.sheets.emplace_back();
    doc.sheets[1].name = u"e\u0301e";  // a combining accent: two columns
    for (auto& sheet : doc.sheets) sheet.notes.push_back({1, 1, u"", xlsx::testing::text(u"\x1b[31mred\a"), {}});
    xlsx::save(doc, w.path("in.xlsx"));
    const Result table = quillette({"list", w.path("in.xlsx")});
    EXPECT_EQ(table.out.find('\x1b'), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("\xE8\xA1\xA8\xE8\xA1\xA8   B2  "), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("e\xCC\x81" "e     B2  "), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("\\x1b[31mred\\x07"), std::string::npos) << table.out;
    const Result json = quillette({"list", w.path("in.xlsx"), "--json"});
    EXPECT_EQ(json.out.find('\x1b'), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\\u001b[31mred\\u0007"), std::string::npos) << json.out;
}

// A refusal writes nothing, shows the add-in's own box text and tells the
// way past it; given that way, the command goes through.
TEST(Cli, RefusalsWriteNothingAndNameTheWayPast) {
    Workdir w;
    const std::string noted = w.book("noted.xlsx", false, true), locked = w.book("locked.xlsx", true);
    const std::string a = w.picture("a.png");
    // way_past empty: there is none.
    struct Row { std::vector<std::string> args; bool terminal; std::vector<std::string> err_has; std::string way_past, done_has; };
    const Row rows[] = {
        {{"insert-text", noted, "--cell", "B2", "--text", "new"}, false,
         {"Below Comment is already present.", "kept", "give --overwrite-text"}, "--overwrite-text", ""},
        {{"insert-text", locked, "--cell", "A1", "--text", "x"}, false, {"Please First Remove Sheet Protection.\n"}, "", ""},
        {{"insert-image", locked, "--cells", "B2", a}, false, {"Please First Remove Sheet Protection.\n", "unprotect it"}, "", ""},
        {{"delete-comments", noted, "--cells", "B2"}, true,
         {"Do you want to delete comment in the activecell?", "nothing was written"}, "", ""},
        {{"delete-comments", noted, "--cells", "A1:C3"}, true,
         {"Do you want to delete all the comments (1) from the seleceted cells"}, "--yes", "(1) from the seleceted cells"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.args[0] + " " + r.args[1]);
        const std::string before = read_file(r.args[1]);
        auto args = r.args;
        args.push_back("--in-place");
        Result got = quillette(args, "n\n", r.terminal);
        EXPECT_EQ(got.code, kRefused);
        for (const auto& has : r.err_has) EXPECT_NE(got.err.find(has), std::string::npos) << has << " in " << got.err;
        EXPECT_EQ(read_file(r.args[1]), before);
        if (r.way_past.empty()) continue;
        args.push_back(r.way_past);
        got = quillette(args);
        EXPECT_EQ(got.code, kDone) << got.err;
        EXPECT_NE(got.err.find(r.done_has), std::string::npos) << got.err;
        if (r.args[0] == "insert-text") {
            EXPECT_EQ(xlsx::plain_text(load(noted).sheets[0].find_note(1, 1)->text), u"new");
        }
    }
    EXPECT_TRUE(load(noted).sheets[0].notes.empty());
}

// Work left undone is told on stderr, and --strict makes it a refusal that
// writes nothing; a refusal tells the way past it.
TEST(Cli, WarningsAndStrict) {
    Workdir w;
    const std::string plain = w.book("plain.xlsx"), noted = w.book("noted.xlsx", false, true);
    const std::string a = w.picture("a.png"), b = w.picture("b.png");
    struct Row { std::vector<std::string> args; std::string err_has; };
    const Row rows[] = {
        {{"insert-image", noted, "--cells", "B2", a}, "B2 already has a note and kept it: --overwrite-image"},
        {{"insert-image", plain, "--cells", "B2:B4", a}, "1 picture for 3 cells: 2 cells get none"},
        {{"insert-image", plain, "--cells", "B2", a, b}, "2 pictures for 1 cell: the last 1 picture is not used"},
        {{"insert-image", plain, "--cells", "B2,B2", a, b}, "B2 is given more than once"},
        {{"insert-text", plain, "--cell", "B2"}, "no text given"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.args[0] + " " + r.args[3]);
        auto args = r.args;
        args.insert(args.end(), {"-o", w.path("o.xlsx")});
        Result got = quillette(args);
        EXPECT_EQ(got.code, kDone) << got.err;
        EXPECT_NE(got.err.find("warning: " + r.err_has), std::string::npos) << got.err;
        fs::remove(w.path("o.xlsx"));
        args.push_back("--strict");
        got = quillette(args);
        EXPECT_EQ(got.code, kRefused) << got.err;
        EXPECT_FALSE(fs::exists(w.path("o.xlsx")));
    }
    const Result clean = quillette({"insert-image", plain, "--cells", "B2", a, "--strict", "-o", w.path("o.xlsx")});
    EXPECT_EQ(clean.code, kDone) << clean.err;
    EXPECT_EQ(clean.err, "");
}

// Pictures found by the cells' text, or named in a CSV map, each go through
// the command one cell at a time; a note's text can come from a cell.
TEST(Cli, PicturesByNameByMapAndTextFromACell) {
    Workdir w;
    xlsx::Workbook doc = xlsx::new_workbook();
    for (const char16_t* t : {u"Apple", u"pear", u"plum", u"fig"}) {
        xlsx::Cell& c = doc.sheets[0].cells.emplace_back();
        c.row = static_cast<std::int32_t>(doc.sheets[0].cells.size()), c.col = 1;
        c.type = xlsx::CellType::String, c.string = t, c.display = xlsx::testing::text(t);
    }
    const std::string book = w.path("in.xlsx");
    xlsx::save(doc, book);
    fs::create_directories(w.path("pics"));
    w.picture("pics/APPLE.png", 4, 4);
    w.picture("pics/Pear.PNG", 5, 5);
    w.picture("pics/plum.png", 6, 6);
    w.picture("pics/plum.bmp", 7, 7);
    std::ofstream(w.path("pics/notes.txt")) << "x";
    Result r = quillette({"insert-image", book, "--cells", "B2:B5", "--by-name", w.path("pics"), "--text", "hi", "-o", w.path("o.xlsx")});
    ASSERT_EQ(r.code, kDone) << r.err;
    EXPECT_NE(r.err.find("B4 (\"plum\"): 2 pictures"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("B5 (\"fig\"): no picture"), std::string::npos) << r.err;
    doc = load(w.path("o.xlsx"));
    ASSERT_EQ(doc.sheets[0].notes.size(), 2u);
    EXPECT_EQ(doc.sheets[0].find_note(1, 1)->shape->picture_title, u"APPLE");
    EXPECT_EQ(doc.sheets[0].find_note(2, 1)->shape->picture_title, u"Pear");
    EXPECT_EQ(xlsx::plain_text(doc.sheets[0].find_note(2, 1)->text), u"hi");

    std::ofstream(w.path("pics/map.csv")) << "cell,picture,text\r\nC2,plum.png,\"one, \"\"two\"\"\nthree\"\r\nC3,APPLE.png\n";
    r = quillette({"insert-image", book, "--map", w.path("pics/map.csv"), "--text", "common", "-o", w.path("m.xlsx")});
    ASSERT_EQ(r.code, kDone) << r.err;
    doc = load(w.path("m.xlsx"));
    EXPECT_EQ(xlsx::plain_text(doc.sheets[0].find_note(1, 2)->text), u"one, \"two\"\nthree");
    EXPECT_EQ(doc.sheets[0].find_note(1, 2)->shape->picture_title, u"plum");
    EXPECT_EQ(xlsx::plain_text(doc.sheets[0].find_note(2, 2)->text), u"common");
    ASSERT_EQ(quillette({"insert-text", book, "--cell", "D9", "--text-from", "B3", "-o", w.path("t.xlsx")}).code, kDone);
    EXPECT_EQ(xlsx::plain_text(load(w.path("t.xlsx")).sheets[0].find_note(8, 3)->text), u"pear");

    const std::pair<std::string, std::string> bad_maps[] = {
        {"C2\n", "want cell,picture"}, {"C2,a.png,\"open\n", "inside a quoted field"}, {"C2,a\"b.png\n", "quote inside"}};
    for (const auto& [csv, why] : bad_maps) {
        std::ofstream(w.path("bad.csv")) << csv;
        r = quillette({"insert-image", book, "--map", w.path("bad.csv"), "-o", w.path("x.xlsx")});
        EXPECT_EQ(r.code, kUsage) << csv;
        EXPECT_NE(r.err.find(why), std::string::npos) << r.err;
    }
}

// extract-images, --author, --dry-run, and no workbook written to a terminal.
TEST(Cli, ExtractAuthorDryRunAndStreams) {
    Workdir w;
    const std::string book = w.book("in.xlsx");
    const std::string a = w.picture("a.png", 3, 2);
    Result r = quillette({"insert-image", book, "--cells", "B2", a, "--author", "Ann", "-o", w.path("o.xlsx")});
    ASSERT_EQ(r.code, kDone) << r.err;
    EXPECT_EQ(load(w.path("o.xlsx")).sheets[0].find_note(1, 1)->author, u"Ann");
    r = quillette({"insert-text", book, "--cell", "C3", "--text", "x", "-o", w.path("d.xlsx")});
    EXPECT_EQ(load(w.path("d.xlsx")).sheets[0].find_note(2, 2)->author, u"Quillette User");

    r = quillette({"extract-images", w.path("o.xlsx"), "--out", w.path("out")});
    EXPECT_EQ(r.code, kDone) << r.err;
    EXPECT_EQ(read_file(w.path("out/Sheet1_B2.png")), read_file(a));
    r = quillette({"extract-images", w.path("o.xlsx"), "--out", w.path("dry"), "--dry-run"});
    EXPECT_NE(r.out.find("would write " + w.path("dry/Sheet1_B2.png")), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(w.path("dry")));

    const std::string before = read_file(w.path("o.xlsx"));
    r = quillette({"delete-comments", w.path("o.xlsx"), "--cells", "A1:C3", "--yes", "--in-place", "--dry-run"});
    EXPECT_EQ(r.code, kDone) << r.err;
    EXPECT_NE(r.out.find("would delete the note of Sheet1!B2"), std::string::npos) << r.out;
    EXPECT_EQ(read_file(w.path("o.xlsx")), before);

    std::istringstream in;
    std::ostringstream out, err;
    EXPECT_EQ(run({"insert-text", book, "--cell", "D4", "--text", "x", "-o", "-"}, Io{in, out, err, false, false, true}), kUsage);
    EXPECT_NE(err.str().find("terminal"), std::string::npos);
}

// A command reads only the sheet it works on, and a listing only the notes: a
// damaged sheet elsewhere neither stops it nor is rewritten.
TEST(Cli, CommandsReadOnlyWhatTheyUse) {
    Workdir w;
    auto entries = xlsx::testing::excel_like_entries();
    const std::string damaged = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData><row";
    for (auto& e : entries) {
        if (e.name == "xl/worksheets/sheet2.xml") e.data = damaged;
        if (e.name == "xl/worksheets/sheet1.xml") e.data = std::regex_replace(e.data, std::regex("<sheetProtection[^>]*>"), "");
    }
    xlsx::testing::write_file(w.path("in.xlsx"), xlsx::testing::stored_zip(entries));
    struct Row { std::vector<std::string> args; int code; std::string out_has, err_has; };
    const Row rows[] = {
        {{"insert-text", w.path("in.xlsx"), "--cell", "B9", "--text", "x", "-o", w.path("a.xlsx")}, kDone, "1 note changed", ""},
        {{"list", w.path("in.xlsx")}, kDone, "Notes", ""},
        {{"insert-text", w.path("in.xlsx"), "--sheet", "Plain", "--cell", "A1", "--text", "x", "-o", w.path("b.xlsx")},
         kUnreadable, "", "xl/worksheets/sheet2.xml"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args[0]);
        const Result r = quillette(row.args);
        EXPECT_EQ(r.code, row.code) << r.err;
        EXPECT_NE(r.out.find(row.out_has), std::string::npos) << r.out;
        EXPECT_NE(r.err.find(row.err_has), std::string::npos) << r.err;
    }
    EXPECT_EQ(xlsx::testing::part_of(w.path("a.xlsx"), "xl/worksheets/sheet2.xml"), damaged);
    EXPECT_FALSE(fs::exists(w.path("b.xlsx")));
}

// Whatever insert-image accepts, the tool reads back: flat pictures that
// deflate a thousandfold, a large one, every format.
TEST(Cli, AcceptedPicturesRoundTrip) {
    Workdir w;
    const std::string book = w.book("in.xlsx");
    const auto gif = memory::samples::gif(), emf = memory::samples::emf();
    xlsx::testing::write_file(w.path("a.gif"), std::string(gif.begin(), gif.end()));
    xlsx::testing::write_file(w.path("a.emf"), std::string(emf.begin(), emf.end()));
    const std::string pictures[] = {w.picture("flat.bmp", 800, 600, memory::RasterFormat::Bmp), w.picture("flat.png", 2000, 1500),
                                    w.picture("flat.jpg", 800, 600, memory::RasterFormat::Jpeg), w.path("a.gif"), w.path("a.emf")};
    for (const auto& pic : pictures) {
        SCOPED_TRACE(pic);
        Result r = quillette({"insert-image", book, "--cells", "B2", pic, "-o", w.path("one.xlsx")});
        ASSERT_EQ(r.code, kDone) << r.err;
        r = quillette({"insert-text", w.path("one.xlsx"), "--cell", "C3", "--text", "x", "--in-place"});
        EXPECT_EQ(r.code, kDone) << r.err;
        EXPECT_TRUE(load(w.path("one.xlsx")).sheets[0].find_note(1, 1)->shape->picture);
    }
}

// In place through a symbolic link: the link stays, the file it names gets the
// note and keeps its permissions.
TEST(Cli, InPlaceWritesThroughALinkAndKeepsTheMode) {
    Workdir w;
    const std::string real = w.book("real.xlsx");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(real, w.path("link.xlsx"));
    const Result r = quillette({"insert-text", w.path("link.xlsx"), "--cell", "B2", "--text", "x", "--in-place"});
    ASSERT_EQ(r.code, kDone) << r.err;
    EXPECT_TRUE(fs::is_symlink(w.path("link.xlsx")));
    EXPECT_NE(load(real).sheets[0].find_note(1, 1), nullptr);
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// End to end: the real program builds the demo, a pipe carries it through
// a command and a listing, and a device given as a picture ends at once
// instead of reading for ever.
TEST(CliEndToEnd, DemoPipesAndDevices) {
    Workdir w;
    const std::string exe = std::string(QUILL_BINARY_DIR) + "/src/cli/quillette", demo = w.path("demo.xlsx");
    ASSERT_EQ(xlsx::testing::run(exe + " demo -o " + demo + " > " + w.path("log.txt") + " 2>&1"), 0) << read_file(w.path("log.txt"));
    EXPECT_NE(read_file(w.path("log.txt")).find("5 notes"), std::string::npos) << read_file(w.path("log.txt"));
    ASSERT_EQ(xlsx::testing::run("cat " + demo + " | " + exe + " insert-text - --cell Z9 --text piped -o - 2>" + w.path("err.txt") +
                                 " | " + exe + " list - > " + w.path("list.txt")), 0)
        << read_file(w.path("err.txt"));
    const std::string listed = read_file(w.path("list.txt"));
    for (const char* t : {"piped", "Horizontal", "Stacked", "Upward text", "Downward text", "Rich cell"})
        EXPECT_NE(listed.find(t), std::string::npos) << t << " in " << listed;
    EXPECT_EQ(xlsx::testing::run("timeout 20 " + exe + " insert-image " + demo + " --cells Z9 /dev/zero -o " + w.path("o.xlsx") +
                                 " 2>" + w.path("err.txt")), kUnreadable);
    EXPECT_NE(read_file(w.path("err.txt")).find("not a regular file"), std::string::npos);
}

}  // namespace
}  // namespace quill::cli
