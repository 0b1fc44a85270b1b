// The formatted transfer over a long comment: an editor text with many format
// runs, line breaks and tabs, its normalised text in the comment of B2, and
// InsertFmtText walking both. The time per comment character must not grow
// with the length: compare ns/char at N and 4N (4N being the host's longest
// comment, 32,767 characters); the 4N figure should stay within 1.1 times
// the N figure (a ratio of total times of at most 4.4). host_calls/char
// counts every host round trip of a run, divided by the comment's length.
#include <benchmark/benchmark.h>

#include "commenttext/commenttext.h"
#include "dialog/frm_add_in.h"
#include "platform/memory/rich_text.h"
#include "platform/memory/workbook.h"

namespace {

using namespace quill;

class SilentBox final : public MessageBoxPort {
public:
    MsgAnswer Show(const std::u16string&, MsgButtons, const std::u16string&) override { return MsgAnswer::OK; }
};

struct Fixture {
    std::shared_ptr<memory::Excel> xl = memory::Excel::Create();
    std::shared_ptr<dialog::frmAddIn> form;
    std::shared_ptr<host::Range> cell;
    std::size_t length = 0;  // of the comment

    explicit Fixture(std::size_t n) {
        dialog::FormServices s;
        s.messages = std::make_shared<SilentBox>();
        s.make_editor = memory::MakeRichText;
        form = std::make_shared<dialog::frmAddIn>(std::move(s));
        form->xlapp = xl->application();
        xl->log.keep_sequence(false);

        // Words, line breaks and tabs until what getcmt() makes of them is n
        // characters. The comment is written directly: the host's Substitute
        // refuses a 32,767-character result with line breaks still in it.
        std::u16string text, comment;
        for (std::size_t k = 0; comment.size() < n; ++k) {
            const std::u16string piece = k % 11 == 10 ? u"\r\n" : k % 17 == 16 ? u"\t" : u"word ";
            const std::u16string made = piece == u"\r\n" ? u"\n" : piece == u"\t" ? u"        " : piece;
            if (comment.size() + made.size() > n) {
                text.append(n - comment.size(), u'x');
                comment.append(n - comment.size(), u'x');
                break;
            }
            text += piece;
            comment += made;
        }
        auto& ed = *form->RichTextBox1;
        ed.Text(text);
        // A format run every 3 to 9 positions.
        const auto total = static_cast<std::int32_t>(text.size());
        for (std::int32_t p = 0, r = 0; p < total; ++r) {
            const std::int32_t len = 3 + r % 7;
            ed.SelStart(p);
            ed.SelLength(len);
            ed.SelBold(r % 2 == 0);
            ed.SelItalic(r % 3 == 0);
            ed.SelColor((r % 16) * 0x0F0F0F);
            ed.SelFontSize(static_cast<float>(8 + r % 5));
            if (r % 4 == 0) ed.SelFontName(u"Times New Roman");
            p += len;
        }
        xl->sheet().select("B2");
        cell = xl->application()->ActiveCell();
        xl->sheet().add_comment("B2", comment);
        length = comment.size();
    }
};

void BM_InsertFmtText(benchmark::State& state) {
    Fixture fx(static_cast<std::size_t>(state.range(0)));
    const auto before = fx.xl->log.total();
    for (auto _ : state) quill::commenttext::InsertFmtText(fx.form->xlapp, *fx.form->RichTextBox1, fx.cell);
    const auto calls = static_cast<double>(fx.xl->log.total() - before);
    const auto chars = static_cast<double>(fx.length);
    state.counters["per_char"] = benchmark::Counter(
        chars, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["host_calls/char"] = calls / (chars * static_cast<double>(state.iterations()));
}

constexpr std::int64_t kN = 32767 / 4;
BENCHMARK(BM_InsertFmtText)->Arg(kN)->Arg(32767)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
