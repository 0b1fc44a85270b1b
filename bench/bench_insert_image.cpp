// Insert Image into a column of N fresh cells with N pictures (one small PNG
// file named N times) and 200 formatted characters of editor text, so each
// cell gets a new comment, its formatted text, styling and its picture. The
// time per cell must not grow with N: compare per_cell at 1,000 and 4,000
// (at most 4.4 times the total, i.e. 1.1 times per cell).
#include <fstream>
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dialog/frm_add_in.h"
#include "platform/memory/memory_picture_loader.h"
#include "platform/memory/rich_text.h"
#include "platform/memory/workbook.h"

#include "platform/memory/picture_writer.h"

namespace {

using namespace quill;
namespace fs = std::filesystem;

class RecordingBox final : public MessageBoxPort {
public:
    MsgAnswer Show(const std::u16string& text, MsgButtons, const std::u16string&) override {
        last = text;
        ++shown;
        return MsgAnswer::OK;
    }
    std::u16string last;
    int shown = 0;
};

std::u16string small_picture() {
    const fs::path p = fs::temp_directory_path() / "quill_bench_insert_image.png";
    const auto png = memory::encode_png(std::vector<std::uint8_t>(8 * 8 * 3, 0x60), 8, 8);
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return to_u16(p.string());
}

// 200 characters in runs of 10, each run with its own formats, two line breaks.
void formatted_text(dialog::RichTextEditor& ed) {
    std::u16string text;
    for (int i = 0; text.size() < 198; ++i) text += static_cast<char16_t>(u'a' + i % 26);
    text.insert(60, u"\r\n");
    ed.Text(text.substr(0, 200));
    for (std::int32_t at = 0; at < 200; at += 10) {
        ed.SelStart(at);
        ed.SelLength(10);
        ed.SelBold(at % 20 == 0);
        ed.SelItalic(at % 30 == 0);
        ed.SelColor(at * 0x010203);
        ed.SelFontSize(static_cast<float>(8 + at % 7));
        ed.SelFontName(at % 40 ? u"Arial" : u"Tahoma");
    }
    ed.SelStart(0);
}

void BM_InsertImage(benchmark::State& state) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    const std::u16string picture = small_picture();
    const std::vector<std::u16string> files(static_cast<std::size_t>(n), picture);

    auto box = std::make_shared<RecordingBox>();
    dialog::FormServices s;
    s.messages = box;
    s.pictures = std::make_shared<memory::MemoryPictureLoader>();
    s.make_editor = memory::MakeRichText;
    dialog::frmAddIn form(std::move(s));
    form.Check2.Value(1);
    form.RichTextBox1->Enabled(true);
    formatted_text(*form.RichTextBox1);
    const std::string range = "B1:B" + std::to_string(n);

    for (auto _ : state) {
        state.PauseTiming();
        auto excel = memory::Excel::Create();
        excel->log.keep_sequence(false);
        excel->sheet().select(range);
        excel->scripted_files().choose(files);
        form.xlapp = excel->application();
        state.ResumeTiming();

        form.OKButton_Click();

        state.PauseTiming();
        if (box->shown || excel->sheet().comments().size() != static_cast<std::size_t>(n)) {
            state.SkipWithError(box->shown ? to_utf8(box->last).c_str() : "not every cell got its comment");
            break;
        }
        form.xlapp.reset();
        excel.reset();  // the workbook's teardown is not the command's time
        state.ResumeTiming();
    }
    state.counters["per_cell"] = benchmark::Counter(
        static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_InsertImage)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
