// Formatting a long comment character by character through the host ports,
// as the formatted transfer does: per character the comment is reached from
// the cell, one character is taken with Characters(i, 1), its text read, and
// seven font attributes read or written. The time per character must not
// grow with the length (compare ns/char at N and 4N).
#include <benchmark/benchmark.h>

#include "platform/memory/workbook.h"

namespace {

using namespace quill;

struct Fixture {
    std::shared_ptr<memory::Excel> xl = memory::Excel::Create();
    std::shared_ptr<host::Range> cell;
    explicit Fixture(std::int32_t n) {
        // As the other benchmarks and the command line run it: the call
        // sequence is a test's record, and at 4N it alone outgrows the cache.
        xl->log.keep_sequence(false);
        xl->sheet().add_comment("B2", std::u16string(static_cast<std::size_t>(n), u'x'));
        xl->sheet().select("B2");
        cell = xl->application()->ActiveCell();
    }
    std::shared_ptr<host::Characters> select(std::int32_t i) {
        return cell->Comment()->Shape()->TextFrame()->Characters(i, 1);
    }
};

void BM_WriteSevenAttributes(benchmark::State& state) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    Fixture fx(n);
    for (auto _ : state) {
        for (std::int32_t i = 1; i <= n; ++i) {
            auto ch = fx.select(i);
            benchmark::DoNotOptimize(ch->Text());
            auto f = ch->Font();
            f->Name(i % 2 ? u"Arial" : u"Times New Roman");
            f->Bold(i % 3 == 0);
            f->Underline(i % 5 == 0);
            f->Color((i % 16) * 0x111111);
            f->Strikethrough(i % 7 == 0);
            f->Italic(i % 2 == 0);
            f->Size(static_cast<float>(8 + i % 5));
        }
        fx.xl->log.clear();
    }
    state.counters["per_char"] = benchmark::Counter(static_cast<double>(n),
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

void BM_ReadSevenAttributes(benchmark::State& state) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    Fixture fx(n);
    for (auto _ : state) {
        for (std::int32_t i = 1; i <= n; ++i) {
            auto ch = fx.select(i);
            benchmark::DoNotOptimize(ch->Text());
            auto f = ch->Font();
            benchmark::DoNotOptimize(f->Name());
            benchmark::DoNotOptimize(f->Bold());
            benchmark::DoNotOptimize(f->Underline());
            benchmark::DoNotOptimize(f->Color());
            benchmark::DoNotOptimize(f->Strikethrough());
            benchmark::DoNotOptimize(f->Italic());
            benchmark::DoNotOptimize(f->Size());
        }
        fx.xl->log.clear();
    }
    state.counters["per_char"] = benchmark::Counter(static_cast<double>(n),
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

// N and 4N, 4N being the host's longest comment (32,767 characters, rounded down).
constexpr std::int64_t kN = 32767 / 4;
BENCHMARK(BM_WriteSevenAttributes)->Arg(kN)->Arg(4 * kN)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSevenAttributes)->Arg(kN)->Arg(4 * kN)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
