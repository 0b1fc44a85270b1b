// A workbook with 2,048 notes over four sheets: load, change one note, save.
// A later script runs the same steps with openpyxl for comparison.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "platform/xlsx/xlsx.h"

namespace {

using namespace quill::xlsx;

const std::string& fixture() {
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() / "bench_xlsx_notes.xlsx").string();
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
        return p;
    }();
    return path;
}

void BM_LoadChangeOneNoteSave(benchmark::State& state) {
    const std::string in = fixture();
    const std::string out = (std::filesystem::temp_directory_path() / "bench_xlsx_out.xlsx").string();
    for (auto _ : state) {
        Workbook wb = load(in);
        wb.sheets[2].notes[100].text[1].text = u"\nchanged";
        save(wb, out);
    }
    state.SetLabel("2048 notes, 4 sheets");
}
BENCHMARK(BM_LoadChangeOneNoteSave)->Unit(benchmark::kMillisecond);

void BM_Load(benchmark::State& state) {
    const std::string in = fixture();
    for (auto _ : state) benchmark::DoNotOptimize(load(in));
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
