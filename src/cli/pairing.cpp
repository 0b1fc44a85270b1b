#include "cli/pairing.h"

#include <algorithm>
#include <fstream>
#include <map>

#include "cli/session.h"

namespace quill::cli {

namespace fs = std::filesystem;

std::vector<memory::CellRef> cells_in_order(const std::vector<memory::Area>& areas) {
    std::vector<memory::CellRef> out;
    for (const auto& a : areas)
        for (std::int32_t r = a.first.row; r <= a.last.row; ++r)
            for (std::int32_t c = a.first.column; c <= a.last.column; ++c) out.push_back({r, c});
    return out;
}

namespace {

std::u16string folded(std::u16string s) {
    for (auto& c : s)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return s;
}

bool accepted_extension(const fs::path& p) {
    static const char16_t* const kinds[] = {u".png", u".jpg", u".jpeg", u".gif", u".bmp", u".emf", u".wmf"};
    const std::u16string ext = folded(p.extension().u16string());
    return std::any_of(std::begin(kinds), std::end(kinds), [&](const char16_t* k) { return ext == k; });
}

}  // namespace

std::vector<Pairing> pair_by_name(const memory::Sheet& sheet, const std::vector<memory::CellRef>& cells,
                                  const fs::path& folder, std::vector<std::string>& problems) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) throw UsageError("--by-name wants a folder, not \"" + folder.string() + "\"");
    std::multimap<std::u16string, fs::path> by_stem;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.is_regular_file(ec) && accepted_extension(entry.path()))
            by_stem.emplace(folded(entry.path().stem().u16string()), entry.path());
    if (ec) throw UsageError("cannot read the folder \"" + folder.string() + "\" (" + ec.message() + ")");

    std::vector<Pairing> out;
    for (const auto& at : cells) {
        const memory::CellData* cell = sheet.find(at);
        const std::u16string shown = cell ? cell->text.text() : std::u16string();
        const std::string name = memory::cell_name(at);
        const auto [from, to] = by_stem.equal_range(folded(shown));
        const auto found = std::distance(from, to);
        if (shown.empty())
            problems.push_back(name + " is empty, so no picture is named for it");
        else if (found == 0)
            problems.push_back(name + " (\"" + to_utf8(shown) + "\"): no picture of that name in " + folder.string());
        else if (found > 1)
            problems.push_back(name + " (\"" + to_utf8(shown) + "\"): " + std::to_string(found) +
                               " pictures of that name in " + folder.string() + ", so none was taken");
        else
            out.push_back({name, from->second.string(), std::nullopt});
    }
    return out;
}

std::vector<std::vector<std::string>> parse_csv(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false, was_quoted = false;
    std::size_t line = 1;
    auto end_field = [&] {
        row.push_back(std::move(field));
        field.clear();
        was_quoted = false;
    };
    auto end_row = [&] {
        end_field();
        if (!(row.size() == 1 && row[0].empty())) rows.push_back(std::move(row));
        row.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                if (c == '\n') ++line;
                field += c;
            }
        } else if (c == '"') {
            if (!field.empty() || was_quoted) throw UsageError("line " + std::to_string(line) + " of the map: a quote inside an unquoted field");
            quoted = was_quoted = true;
        } else if (c == ',') {
            end_field();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        } else if (c == '\n') {
            end_row();
            ++line;
        } else {
            if (was_quoted) throw UsageError("line " + std::to_string(line) + " of the map: text after a closing quote");
            field += c;
        }
    }
    if (quoted) throw UsageError("the map ends inside a quoted field");
    if (!field.empty() || !row.empty() || was_quoted) end_row();
    return rows;
}

std::vector<Pairing> read_map(const fs::path& csv) {
    std::error_code ec;
    if (!fs::is_regular_file(csv, ec)) throw UsageError("the map \"" + csv.string() + "\" is not a regular file");
    std::ifstream in(csv, std::ios::binary);
    std::string text(static_cast<std::size_t>(std::min<std::uintmax_t>(fs::file_size(csv, ec), 16u << 20)), '\0');
    if (!in.read(text.data(), static_cast<std::streamsize>(text.size())))
        throw UsageError("cannot read the map \"" + csv.string() + "\"");
    if (fs::file_size(csv, ec) > text.size()) throw UsageError("the map \"" + csv.string() + "\" is larger than 16 MiB");
    std::vector<Pairing> out;
    std::size_t n = 0;
    auto rows = parse_csv(text);
    // A header row names the columns.
    auto lower = [](std::string v) {
        for (auto& c : v) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return v;
    };
    if (!rows.empty() && rows[0].size() >= 2 && lower(rows[0][0]) == "cell" && lower(rows[0][1]) == "picture")
        rows.erase(rows.begin());
    for (auto& row : rows) {
        ++n;
        if (row.size() < 2 || row.size() > 3 || row[0].empty() || row[1].empty())
            throw UsageError("record " + std::to_string(n) + " of the map: want cell,picture[,text]");
        fs::path picture = row[1];
        if (picture.is_relative()) picture = csv.parent_path() / picture;
        out.push_back({row[0], picture.string(), row.size() == 3 ? std::optional(row[2]) : std::nullopt});
    }
    return out;
}

}  // namespace quill::cli
