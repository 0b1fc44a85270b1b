#include "cli/book.h"

#include "platform/xlsx/binding.h"

namespace quill::cli {

namespace fs = std::filesystem;

Book open_book(const fs::path& file) {
    std::error_code ec;
    if (!fs::exists(file, ec)) throw BookError(file.string() + ": no such file");
    if (fs::is_directory(file, ec)) throw BookError(file.string() + ": is a directory, not a workbook");
    try {
        auto doc = std::make_shared<xlsx::Workbook>(xlsx::load(file.string()));
        auto excel = xlsx::to_memory(*doc, file.stem().u16string());
        return {std::move(excel), std::move(doc)};
    } catch (const xlsx::XlsxError& e) {
        throw BookError(e.what());
    }
}

std::string picture_part(const Book& book, std::size_t sheet, std::int32_t row, std::int32_t col) {
    const auto* doc = static_cast<const xlsx::Workbook*>(book.document.get());
    if (!doc || sheet >= doc->sheets.size()) return {};
    const xlsx::Note* note = doc->sheets[sheet].find_note(row, col);
    return note && note->shape.picture ? note->shape.picture->part : std::string();
}

Book new_book() {
    auto doc = std::make_shared<xlsx::Workbook>(xlsx::new_workbook());
    return {xlsx::to_memory(*doc), doc};
}

void save_book(const Book& book, const fs::path& file) {
    auto* doc = static_cast<xlsx::Workbook*>(book.document.get());
    xlsx::Workbook fresh;
    if (!doc) {
        fresh = xlsx::new_workbook();
        doc = &fresh;
    }
    xlsx::Workbook out = *doc;  // the loaded document stays as it was, should saving fail
    xlsx::update_document(out, *book.excel);
    try {
        xlsx::save(out, file.string());
    } catch (const xlsx::XlsxError& e) {
        throw BookError(e.what());
    }
}

}  // namespace quill::cli
