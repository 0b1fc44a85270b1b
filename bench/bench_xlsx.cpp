// A workbook with 2,048 notes over four sheets: load, change one note, save.
// bench/run runs the same steps with openpyxl for comparison, on the file
// `bench_xlsx --write-fixture=PATH` writes; `bench_xlsx --peak-memory=PATH`
// does the steps once on that file and prints, as JSON, the peak memory they
// took beside the size of the package's XML uncompressed.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/xlsx/package.h"
#include "platform/xlsx/xlsx.h"

namespace {

using namespace quill::xlsx;

void write_fixture(const std::string& p) {
    Workbook wb = new_workbook();
    wb.sheets.clear();
    for (int s = 0; s < 4; ++s) {
        Sheet& sheet = wb.sheets.emplace_back();
        sheet.name = u"Sheet" + std::u16string(1, static_cast<char16_t>(u'1' + s));
        for (int i = 0; i < 512; ++i) {
            Note n;
            n.row = i;
            n.col = s;
            n.author = u"Bench";
            Font bold = default_note_font();
            bold.bold = true;
            n.text = {{u"Bench:", bold}, {u"\nnote text number " + std::u16string(20, u'x'), default_note_font()}};
            sheet.notes.push_back(std::move(n));
        }
    }
    save(wb, p);
}

const std::string& fixture() {
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() / "bench_xlsx_notes.xlsx").string();
        write_fixture(p);
        return p;
    }();
    return path;
}

void load_change_save(const std::string& in, const std::string& out) {
    Workbook wb = load(in);
    wb.sheets[2].notes[100].text[1].text = u"\nchanged";
    save(wb, out);
}

long peak_rss_kb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

int peak_memory(const std::string& in) {
    const std::string out = (std::filesystem::temp_directory_path() / "bench_xlsx_peak.xlsx").string();
    const long before = peak_rss_kb();
    load_change_save(in, out);
    const long after = peak_rss_kb();
    // Measured after the peak so that its own memory does not count.
    std::uint64_t xml = 0;
    const auto pkg = detail::Package::read(in);
    for (const auto& name : pkg.names()) {
        const std::string low = detail::lower(name);
        if (low.ends_with(".xml") || low.ends_with(".rels") || low.ends_with(".vml")) xml += pkg.bytes(name).size();
    }
    std::filesystem::remove(out);
    std::printf("{\"xml_bytes\": %llu, \"rss_before_kb\": %ld, \"rss_peak_kb\": %ld}\n",
                static_cast<unsigned long long>(xml), before, after);
    return 0;
}

void BM_LoadChangeOneNoteSave(benchmark::State& state) {
    const std::string in = fixture();
    const std::string out = (std::filesystem::temp_directory_path() / "bench_xlsx_out.xlsx").string();
    for (auto _ : state) load_change_save(in, out);
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
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a.starts_with("--write-fixture=")) {
            write_fixture(std::string(a.substr(16)));
            return 0;
        }
        if (a.starts_with("--peak-memory=")) return peak_memory(std::string(a.substr(14)));
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
