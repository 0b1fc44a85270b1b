#pragma once
// What every loader target does with a workbook that loaded: through the
// in-memory workbook and back, one note changed so that its parts are written
// anew, saved to bytes, and read again. Anything saved must load.
#include <cstdio>
#include <cstdlib>

#include "platform/xlsx/binding.h"
#include "platform/xlsx/source.h"
#include "platform/xlsx/xlsx.h"

namespace quill::fuzz {

[[noreturn]] inline void finding(const char* what, const char* detail) {
    std::fprintf(stderr, "FINDING: %s: %s\n", what, detail);
    std::abort();
}

inline void exercise(xlsx::Workbook wb) {
    std::shared_ptr<memory::Excel> excel;
    try {
        excel = xlsx::to_memory(wb);  // reads every sheet's cells and notes
    } catch (const xlsx::XlsxError&) {
        return;  // a damaged part, refused with a reason
    }
    xlsx::update_document(wb, *excel);
    for (auto& sheet : wb.sheets)
        if (!sheet.notes.empty()) sheet.notes.front().text->push_back({u"!", note_default_font()});
    std::string saved;
    try {
        saved = xlsx::detail::package_bytes(wb);
    } catch (const xlsx::detail::Invalid&) {
        return;  // refused with a reason, as save would
    }
    try {
        // The load reads a sheet's parts when they are first used: use what a
        // save can have written, the notes with their boxes and the sheet
        // around its rows.
        for (const auto& sheet : xlsx::load_bytes(saved, "saved.xlsx").sheets) {
            for (const auto& n : sheet.notes) (void)n.shape->width;
            (void)sheet.protect_contents.get();
        }
    } catch (const xlsx::XlsxError& e) {
        finding("a saved workbook does not load", e.what());
    }
}

}  // namespace quill::fuzz
