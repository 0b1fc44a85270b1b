// pixnote_bench <dll>: measurements of the DLL under Wine against the
// fake Excel, printed as a table (the DLL must be registered). Nothing here
// passes or fails on time; the numbers are for the README.
//   - OnConnection in mode 1 (take the Application, add and wire the button),
//     each time on a new Connect, median of 5;
//   - the per-character work of the formatted text transfer on a comment
//     (Characters(i, 1), Font, seven font puts) through the bridge: lookups
//     and calls per character, and time;
//   - the whole walk of the transfer on a 32,767-character note whose editor
//     text has 1, 10 or 1,000 runs of equal formats, written a character at a
//     time (the first walk, kept by the tests as the reference) and a run at
//     a time: host calls and time.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "../../tests/commenttext/per_character_walk.h"
#include "commenttext/format_runs.h"
#include "fake_excel.h"
#include "platform/memory/rich_text.h"
#include "platform/memory/workbook.h"
#include "platform/win32/dispatch_bridge.h"
#include "platform/win32/dispatch_call.h"
#include "support.h"

using namespace wintest;

namespace {

double now_ms() {
    static const double ticks_per_ms = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / ticks_per_ms;
}

struct Transfer {
    long lookups = 0;
    long invokes = 0;
    double ms = 0;
};

Transfer transfer(std::int32_t length) {
    auto xl = quill::memory::Excel::Create();
    xl->log.keep_sequence(false);
    xl->sheet().add_comment("A1", std::u16string(static_cast<std::size_t>(length), u'x'));
    wintest::FakeExcel excel(xl);
    auto app = quill::win32::wrap_application(excel.application());
    auto frame = wintest::must(wintest::must(wintest::must(wintest::must(app->ActiveCell())->Comment())->Shape())->TextFrame());
    quill::win32::clear_member_names();
    auto& c = wintest::fake_counters();
    const long g0 = c.get_ids_of_names, i0 = c.invoke;
    const double t0 = now_ms();
    wintest::format_characters(*frame, length);
    Transfer r;
    r.ms = now_ms() - t0;
    r.lookups = c.get_ids_of_names - g0;
    r.invokes = c.invoke - i0;
    return r;
}

// InsertFmtText's host calls around the walk `walk`, on a note of `length`
// characters whose editor text has `runs` runs of distinct colours.
template <class Walk>
Transfer note_walk(std::int32_t length, std::int32_t runs, Walk walk) {
    auto xl = quill::memory::Excel::Create();
    xl->log.keep_sequence(false);
    const std::u16string text(static_cast<std::size_t>(length), u'x');
    xl->sheet().add_comment("A1", text);
    quill::memory::RichText ed;
    ed.Text(text);
    for (std::int32_t r = 0; r < runs; ++r) {
        ed.SelStart(r * length / runs);
        ed.SelLength((r + 1) * length / runs - r * length / runs);
        ed.SelColor(r);
    }
    wintest::FakeExcel excel(xl);
    auto app = quill::win32::wrap_application(excel.application());
    auto& c = wintest::fake_counters();
    const long g0 = c.get_ids_of_names, i0 = c.invoke;
    const double t0 = now_ms();
    app->ScreenUpdating(false);
    auto note = wintest::must(app->ActiveCell())->Comment();
    walk(ed, note, wintest::must(note)->Text(), quill::windows_1252());
    app->ScreenUpdating(true);
    Transfer r;
    r.ms = now_ms() - t0;
    r.lookups = c.get_ids_of_names - g0;
    r.invokes = c.invoke - i0;
    return r;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::printf("usage: pixnote_bench <dll>\n");
        return 2;
    }
    if (FAILED(CoInitialize(nullptr))) return 1;
    const std::wstring log = temp_file(L"qbn");
    SetEnvironmentVariableW(L"QUILLETTE_MSGBOX_LOG", log.c_str());
    const std::wstring app_key = L"Software\\VB and VBA Program Settings\\Pixnote";
    const bool had_settings = wintest::reg_key_exists(HKEY_CURRENT_USER, app_key);
    HMODULE dll = LoadLibraryW(args[0].c_str());  // kept loaded: the first sample is not a DLL load
    int rc = 0;

    std::vector<double> samples;
    {
        auto model = quill::memory::Excel::Create();
        model->add_workbook();
        wintest::FakeExcel excel(model);
        CLSID clsid{};
        if (!dll || CLSIDFromProgID(L"Quillpix.Connect", &clsid) != S_OK) rc = 1;
        for (int i = 0; i < 5 && rc == 0; ++i) {
            ComPtr<IDTExtensibility2> ext;
            if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDTExtensibility2,
                                        reinterpret_cast<void**>(ext.put())))) {
                rc = 1;
                break;
            }
            const double t0 = now_ms();
            const HRESULT hr = connect(ext.get(), excel.application(), ext_cm_Startup);
            samples.push_back(now_ms() - t0);
            if (FAILED(hr) || excel.count_buttons(u"Insert Quillette") != 1) rc = 1;
            disconnect(ext.get());
        }
    }
    if (rc != 0) {
        std::printf("bench: OnConnection could not be measured\n");
    } else {
        std::vector<double> sorted = samples;
        std::sort(sorted.begin(), sorted.end());
        const Transfer short_text = transfer(10);
        const Transfer long_text = transfer(1000);
        std::printf("| Measure (x86_64 DLL under Wine, fake Excel) | Value | Goal |\n");
        std::printf("|---|---|---|\n");
        std::printf("| OnConnection, mode 1, median of 5 (min %.2f, max %.2f) | %.2f ms | <= 50 ms |\n", sorted.front(),
                    sorted.back(), sorted[2]);
        std::printf("| GetIDsOfNames calls, formatting a 10-char comment | %ld | O(1) |\n", short_text.lookups);
        std::printf("| GetIDsOfNames calls, formatting a 1,000-char comment | %ld | same as for 10 |\n",
                    long_text.lookups);
        std::printf("| Invoke calls per character (1,000 chars) | %.2f | 9 |\n",
                    static_cast<double>(long_text.invokes) / 1000.0);
        std::printf("| Time per character through the bridge (1,000 chars) | %.1f us | |\n",
                    long_text.ms * 1000.0 / 1000.0);
        for (const std::int32_t runs : {1, 10, 1000}) {
            const Transfer before = note_walk(32767, runs, quill::testing::per_character_walk);
            const Transfer after = note_walk(32767, runs, quill::commenttext::write_formats);
            std::printf("| Transfer of a 32,767-char note, %d run(s): host calls, time, by character | %ld, %.0f ms | |\n",
                        runs, before.invokes, before.ms);
            std::printf("| Transfer of a 32,767-char note, %d run(s): host calls, time, by run | %ld, %.0f ms | <= %d calls%s |\n",
                        runs, after.invokes, after.ms, 9 * runs + 8, after.invokes <= 9 * runs + 8 ? "" : " MISSED");
        }
    }

    if (!had_settings) {
        RegDeleteTreeW(HKEY_CURRENT_USER, app_key.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, app_key.c_str());
    }
    SetEnvironmentVariableW(L"QUILLETTE_MSGBOX_LOG", nullptr);
    DeleteFileW(log.c_str());
    if (dll) FreeLibrary(dll);
    CoUninitialize();
    return rc;
}
