// Walks a long, finely formatted editor text position by position, selecting
// each one and reading its seven attributes, as the formatted transfer does.
// Run lookup is logarithmic, so the cost per position should stay nearly
// flat from N to 4N (the budget is a 4N/N ratio of at most 4.4).
#include <benchmark/benchmark.h>

#include "platform/memory/rich_text.h"

namespace {

// Text of `n` characters with a line break every 40 and a format change
// every three characters, cycling through colour, bold, italic and size.
void fill(quill::memory::RichText& ed, std::int32_t n) {
    std::u16string text;
    text.reserve(static_cast<std::size_t>(n));
    while (static_cast<std::int32_t>(text.size()) < n) {
        if (text.size() % 40 == 38 && static_cast<std::int32_t>(text.size()) + 2 <= n) {
            text += u"\r\n";
        } else {
            text += static_cast<char16_t>(u'a' + text.size() % 26);
        }
    }
    ed.Text(text);
    for (std::int32_t p = 0, k = 0; p < n; p += 3, ++k) {
        ed.SelStart(p);
        ed.SelLength(3);
        switch (k % 4) {
        case 0: ed.SelColor(0x0000FF * (k % 3)); break;
        case 1: ed.SelBold(true); break;
        case 2: ed.SelItalic(true); break;
        default: ed.SelFontSize(8.0f + static_cast<float>(k % 5)); break;
        }
    }
}

void BM_SelectAndReadEachPosition(benchmark::State& state) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    quill::memory::RichText ed;
    fill(ed, n);
    for (auto _ : state) {
        for (std::int32_t p = 0; p < n; ++p) {
            ed.SelStart(p);
            ed.SelLength(1);
            benchmark::DoNotOptimize(ed.SelFontName());
            benchmark::DoNotOptimize(ed.SelBold());
            benchmark::DoNotOptimize(ed.SelUnderline());
            benchmark::DoNotOptimize(ed.SelColor());
            benchmark::DoNotOptimize(ed.SelStrikeThru());
            benchmark::DoNotOptimize(ed.SelItalic());
            benchmark::DoNotOptimize(ed.SelFontSize());
        }
    }
    state.counters["runs"] = static_cast<double>(ed.RunCount());
    state.counters["ns_per_position"] = benchmark::Counter(
        static_cast<double>(n) * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SelectAndReadEachPosition)->Arg(32767)->Arg(4 * 32767)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
