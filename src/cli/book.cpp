#include "cli/book.h"

#include <map>

namespace quill::cli {

namespace fs = std::filesystem;

namespace {

std::vector<xlsx::Reach> reach_of(const xlsx::Workbook& doc, const Scope& scope) {
    using xlsx::Reach;
    if (scope.what == Scope::Everything) return {};
    std::vector<Reach> out(doc.sheets.size(), Reach::Name);
    const Reach reach = scope.what == Scope::OneSheet ? Reach::Whole : Reach::Notes;
    for (std::size_t i = 0; i < doc.sheets.size(); ++i)
        if (scope.sheet ? to_utf8(doc.sheets[i].name) == *scope.sheet : scope.what == Scope::Notes || i == 0) out[i] = reach;
    // A name no sheet has leaves every sheet unread; the command then says so.
    return out;
}

template <class Load>
Book load_book(Load load, const std::u16string& title, const Scope& scope) {
    try {
        auto doc = std::make_shared<xlsx::Workbook>(load());
        auto reach = reach_of(*doc, scope);
        auto excel = xlsx::to_memory(*doc, title, reach);
        return {std::move(excel), std::move(doc), std::move(reach)};
    } catch (const xlsx::XlsxError& e) {
        throw BookError(e.what());
    }
}
}  // namespace

Book open_book(const fs::path& file, const Scope& scope) {
    std::error_code ec;
    if (!fs::exists(file, ec)) throw BookError(file.string() + ": no such file");
    if (fs::is_directory(file, ec)) throw BookError(file.string() + ": is a directory, not a workbook");
    return load_book([&] { return xlsx::load(file.string()); }, file.stem().u16string(), scope);
}

Book open_book_bytes(const std::string& bytes, const std::string& name, const Scope& scope) {
    return load_book([&] { return xlsx::load_bytes(bytes, name); }, u"Book1", scope);
}

Book new_book() {
    auto doc = std::make_shared<xlsx::Workbook>(xlsx::new_workbook());
    return {xlsx::to_memory(*doc), doc, {}};
}

std::shared_ptr<const xlsx::Workbook> updated(const Book& book) {
    auto out = std::make_shared<xlsx::Workbook>(*book.document);
    xlsx::update_document(*out, *book.excel, book.reach);
    return out;
}

void save_document(const xlsx::Workbook& doc, const fs::path& file) {
    try {
        xlsx::save(doc, file.string());
    } catch (const xlsx::XlsxError& e) {
        throw BookError(e.what());
    }
}

std::string document_bytes(const xlsx::Workbook& doc) {
    try {
        return xlsx::save_bytes(doc, "standard output");
    } catch (const xlsx::XlsxError& e) {
        throw BookError(e.what());
    }
}

void save_book(const Book& book, const fs::path& file) { save_document(*updated(book), file); }

std::vector<Change> changes(const Book& before, const xlsx::Workbook& after) {
    std::vector<Change> out;
    for (std::size_t s = 0; s < after.sheets.size() && s < before.document->sheets.size(); ++s) {
        if (after.sheets[s].notes.unread()) continue;  // nobody read them, so nobody changed them
        std::map<std::pair<std::int32_t, std::int32_t>, std::pair<const xlsx::Note*, const xlsx::Note*>> notes;
        for (const auto& n : before.document->sheets[s].notes) notes[{n.row, n.col}].first = &n;
        for (const auto& n : after.sheets[s].notes) notes[{n.row, n.col}].second = &n;
        for (const auto& [at, pair] : notes) {
            const auto [was, is] = pair;
            if (was && is && *was == *is) continue;
            out.push_back({!was ? Change::Added : !is ? Change::Removed : Change::Changed, s, at.first, at.second});
        }
    }
    return out;
}

std::string picture_part(const Book& book, std::size_t sheet, std::int32_t row, std::int32_t col) {
    const auto& doc = book.document;
    if (!doc || sheet >= doc->sheets.size()) return {};
    const xlsx::Note* note = doc->sheets[sheet].find_note(row, col);
    return note && note->shape->picture ? note->shape->picture->part : std::string();
}

}  // namespace quill::cli
