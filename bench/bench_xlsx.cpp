// A workbook with 2,048 notes over four sheets: load, change one note, save.
// bench/run runs the same steps with the peers and the floor program on the
// files this program writes:
//   --write-fixture=PATH   the 2,048-note workbook
//   --write-large=PATH     the same notes, 100 of them with pictures, and
//                          200,000 cells of shared and rich strings
//   --write-book=PATH --sheets=S --notes=N --length=L --cells=C --pictures=P
//                          any mix of those, for the growth table
//   --write-pictures=DIR --count=N   N distinct PNG files
//   --edit=PATH [--runs=R] [--out=OUT]   the steps R times in this process;
//                          prints, as JSON, the first and the fastest later
//                          run, the peak memory the first took, and the size
//                          of the package's XML uncompressed
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "platform/memory/picture_writer.h"

#include "platform/xlsx/package.h"
#include "platform/xlsx/xlsx.h"

namespace {

using namespace quill::xlsx;
using quill::CharFont;
using quill::note_default_font;

struct BookShape {
    int sheets = 4;
    int notes = 512;   // per sheet
    int length = 20;   // of the note's second run
    int cells = 0;     // on the first sheet, 20 to a row
    int pictures = 0;  // notes with a picture, the first ones of the first sheet
};

std::string png(int seed, int side = 48) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(side * side * 3));
    for (std::size_t k = 0; k < rgb.size(); ++k) rgb[k] = static_cast<std::uint8_t>((k * 7 + static_cast<std::size_t>(seed) * 131) % 251);
    const auto bytes = quill::memory::encode_png(rgb, side, side);
    return std::string(bytes.begin(), bytes.end());
}


// Our writer stores cell texts inline; a workbook from Excel keeps them in the
// shared-string table, some of them rich. So the cells go in afterwards, as
// Excel writes them.
void add_shared_string_cells(const std::string& path, int cells) {
    auto pkg = detail::Package::read(path);
    constexpr int kColumns = 20;
    constexpr int kStrings = 5000;
    std::string sst = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                      "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"" +
                      std::to_string(cells) + "\" uniqueCount=\"" + std::to_string(kStrings) + "\">";
    for (int k = 0; k < kStrings; ++k) {
        const std::string n = std::to_string(k);
        if (k % 10 == 0)
            sst += "<si><r><rPr><b/><sz val=\"11\"/><color rgb=\"FFFF0000\"/><rFont val=\"Calibri\"/></rPr><t>Rich " + n +
                   "</t></r><r><rPr><sz val=\"11\"/><rFont val=\"Calibri\"/></rPr><t xml:space=\"preserve\"> tail " + n +
                   "</t></r></si>";
        else
            sst += "<si><t>Shared string " + n + "</t></si>";
    }
    sst += "</sst>";
    std::string data = "<sheetData>";
    for (int row = 0; row * kColumns < cells; ++row) {
        data += "<row r=\"" + std::to_string(row + 1) + "\">";
        for (int col = 0; col < kColumns && row * kColumns + col < cells; ++col) {
            const std::string ref = std::string(1, static_cast<char>('A' + col)) + std::to_string(row + 1);
            if (col % 4 == 3)
                data += "<c r=\"" + ref + "\"><v>" + std::to_string(row * 0.5 + col) + "</v></c>";
            else
                data += "<c r=\"" + ref + "\" t=\"s\"><v>" + std::to_string((row * kColumns + col) % kStrings) + "</v></c>";
        }
        data += "</row>";
    }
    data += "</sheetData>";
    std::string sheet = pkg.bytes("xl/worksheets/sheet1.xml");
    const auto at = sheet.find("<sheetData");
    const auto end = sheet.find("</sheetData>");
    const auto stop = end == std::string::npos ? sheet.find("/>", at) + 2 : end + 12;
    sheet.replace(at, stop - at, data);
    pkg.put("xl/worksheets/sheet1.xml", sheet);
    pkg.put("xl/sharedStrings.xml", sst);
    std::string types = pkg.bytes("[Content_Types].xml");
    types.insert(types.rfind("</Types>"),
                 "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"application/"
                 "vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>");
    pkg.put("[Content_Types].xml", types);
    std::string rels = pkg.bytes("xl/_rels/workbook.xml.rels");
    rels.insert(rels.rfind("</Relationships>"),
                "<Relationship Id=\"rIdBenchStrings\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                "relationships/sharedStrings\" Target=\"sharedStrings.xml\"/>");
    pkg.put("xl/_rels/workbook.xml.rels", rels);
    detail::write_file_atomically(path, pkg.write());
}

// Text that compresses about as well as prose: a long run of one letter would
// trip the loader's limit on how far an entry may expand.
std::u16string filler(std::size_t length, int seed) {
    std::u16string out;
    std::uint32_t x = 2463534242u + static_cast<std::uint32_t>(seed);
    while (out.size() < length) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        out += (x % 6 == 0) ? u' ' : static_cast<char16_t>(u'a' + x % 26);
    }
    return out;
}

void write_book(const std::string& p, const BookShape& shape) {
    Workbook wb = new_workbook();
    wb.sheets.clear();
    int pictures = shape.pictures;
    for (int s = 0; s < shape.sheets; ++s) {
        Sheet& sheet = wb.sheets.emplace_back();
        sheet.name = u"Sheet" + std::u16string(1, static_cast<char16_t>(u'1' + s));
        for (int i = 0; i < shape.notes; ++i) {
            Note n;
            n.row = i;
            n.col = s;
            n.author = u"Bench";
            CharFont bold = note_default_font();
            bold.bold = true;
            n.text = {{u"Bench:", bold},
                      {u"\nnote text number " + filler(static_cast<std::size_t>(shape.length), s * shape.notes + i),
                       note_default_font()}};
            if (pictures > 0) {
                --pictures;
                n.shape->picture = Picture{std::make_shared<const std::string>(png(pictures)), "png", ""};
            }
            sheet.notes.push_back(std::move(n));
        }
    }
    save(wb, p);
    if (shape.cells > 0) add_shared_string_cells(p, shape.cells);
}

void write_fixture(const std::string& p) { write_book(p, {}); }

const std::string& fixture() {
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() / "bench_xlsx_notes.xlsx").string();
        write_fixture(p);
        return p;
    }();
    return path;
}

long peak_rss_kb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

std::uint64_t xml_bytes(const std::string& in) {
    std::uint64_t xml = 0;
    const auto pkg = detail::Package::read(in);
    for (const auto& name : pkg.names()) {
        const std::string low = detail::lower(name);
        if (low.ends_with(".xml") || low.ends_with(".rels") || low.ends_with(".vml")) xml += pkg.bytes(name).size();
    }
    return xml;
}

// The note the peers change too, Sheet3!C101; in a smaller book the middle
// note of the last sheet.
void edit(const std::string& in, const std::string& out) {
    Workbook wb = load(in);
    Note* n = wb.sheets.size() > 2 ? wb.sheets[2].find_note(100, 2) : nullptr;
    if (!n && !wb.sheets.back().notes.empty()) n = &wb.sheets.back().notes[wb.sheets.back().notes.size() / 2];
    if (n) n->text = {{u"Bench:", n->text->at(0).font}, {u"\nchanged", note_default_font()}};
    save(wb, out);
}

int edit_mode(const std::string& in, std::string out, int runs) {
    const bool keep = !out.empty();
    if (!keep) out = (std::filesystem::temp_directory_path() / "bench_xlsx_edit.xlsx").string();
    const long before = peak_rss_kb();
    double first = 0, warm = 0;
    for (int r = 0; r < runs; ++r) {
        const auto t0 = std::chrono::steady_clock::now();
        edit(in, out);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        if (r == 0) first = ms;
        if (r >= 3 && (warm == 0 || ms < warm)) warm = ms;
        if (r == 0) std::printf("{\"rss_before_kb\": %ld, \"rss_peak_kb\": %ld, ", before, peak_rss_kb());
    }
    if (!keep) std::filesystem::remove(out);
    // Measured after the peak so that its own memory does not count.
    std::printf("\"first_ms\": %.3f, \"warm_ms\": %.3f, \"xml_bytes\": %llu}\n", first, warm,
                static_cast<unsigned long long>(xml_bytes(in)));
    return 0;
}

int write_pictures(const std::string& dir, int count) {
    std::filesystem::create_directories(dir);
    for (int k = 0; k < count; ++k) {
        std::ofstream f(dir + "/p" + std::to_string(10000 + k) + ".png", std::ios::binary);
        f << png(k, 64);
    }
    return 0;
}

void BM_LoadChangeOneNoteSave(benchmark::State& state) {
    const std::string in = fixture();
    const std::string out = (std::filesystem::temp_directory_path() / "bench_xlsx_out.xlsx").string();
    for (auto _ : state) edit(in, out);
    state.SetLabel("2048 notes, 4 sheets");
}
BENCHMARK(BM_LoadChangeOneNoteSave)->Unit(benchmark::kMillisecond);

void BM_Load(benchmark::State& state) {
    const std::string in = fixture();
    for (auto _ : state) benchmark::DoNotOptimize(load(in));
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> opt;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto eq = a.find('=');
        if (a.starts_with("--") && eq != std::string::npos) opt[a.substr(2, eq - 2)] = a.substr(eq + 1);
    }
    const auto num = [&](const char* k, int fallback) { return opt.count(k) ? std::stoi(opt[k]) : fallback; };
    if (opt.count("write-fixture")) return write_fixture(opt["write-fixture"]), 0;
    if (opt.count("write-large")) return write_book(opt["write-large"], {.cells = 200000, .pictures = 100}), 0;
    if (opt.count("write-book"))
        return write_book(opt["write-book"], {num("sheets", 1), num("notes", 512), num("length", 20), num("cells", 0),
                                              num("pictures", 0)}),
               0;
    if (opt.count("write-pictures")) return write_pictures(opt["write-pictures"], num("count", 1000));
    if (opt.count("edit")) return edit_mode(opt["edit"], opt.count("out") ? opt["out"] : "", num("runs", 1));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
