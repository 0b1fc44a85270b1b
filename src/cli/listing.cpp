#include "cli/listing.h"

#include <cstdio>
#include <filesystem>
#include <ostream>

namespace quill::cli {

namespace {

struct Row {
    std::string sheet, cell, size, picture, opacity, orientation, text;
};

const char* orientation_name(std::int32_t o) {
    switch (o) {
        case host::msoTextOrientationHorizontal: return "horizontal";
        case host::msoTextOrientationVertical: return "vertical";
        case host::msoTextOrientationUpward: return "upward";
        case host::msoTextOrientationDownward: return "downward";
        default: return "other";
    }
}

std::string number(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::vector<Row> rows_of(const memory::Excel& excel) {
    std::vector<Row> rows;
    for (const auto& book : excel.workbooks)
        for (const auto& sheet : book->sheets)
            for (const auto& [at, c] : sheet->comments()) {
                Row r;
                r.sheet = to_utf8(sheet->name);
                r.cell = memory::cell_name(at);
                r.size = number(c->width, 1) + "x" + number(c->height, 1);
                r.picture = c->fill.picture ? std::filesystem::path(to_utf8(c->fill.picture->path)).filename().string()
                                            : std::string("-");
                r.opacity = number(1.0 - c->fill.transparency, 2);
                r.orientation = orientation_name(c->orientation);
                const std::u16string& t = c->text.text();
                r.text = to_utf8(t.substr(0, t.find(u'\n')));
                rows.push_back(std::move(r));
            }
    return rows;
}

std::string json_string(const std::string& s) {
    std::string out = "\"";
    for (unsigned char ch : s) {
        switch (ch) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (ch < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", ch);
                    out += buf;
                } else {
                    out += static_cast<char>(ch);
                }
        }
    }
    return out + "\"";
}

}  // namespace

void write_table(const memory::Excel& excel, std::ostream& out) {
    const auto rows = rows_of(excel);
    const Row head{"SHEET", "CELL", "SIZE(pt)", "PICTURE", "OPACITY", "ORIENTATION", "TEXT"};
    std::size_t w[6] = {};
    auto widen = [&](const Row& r) {
        const std::string* f[6] = {&r.sheet, &r.cell, &r.size, &r.picture, &r.opacity, &r.orientation};
        for (int i = 0; i < 6; ++i) w[i] = std::max(w[i], f[i]->size());
    };
    widen(head);
    for (const auto& r : rows) widen(r);
    auto print = [&](const Row& r) {
        const std::string* f[6] = {&r.sheet, &r.cell, &r.size, &r.picture, &r.opacity, &r.orientation};
        for (int i = 0; i < 6; ++i) out << *f[i] << std::string(w[i] - f[i]->size() + 2, ' ');
        out << r.text << '\n';
    };
    print(head);
    for (const auto& r : rows) print(r);
    out << rows.size() << (rows.size() == 1 ? " note\n" : " notes\n");
}

void write_json(const memory::Excel& excel, std::ostream& out) {
    const auto rows = rows_of(excel);
    out << "[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        out << (i ? ",\n " : "\n ") << "{\"sheet\": " << json_string(r.sheet) << ", \"cell\": " << json_string(r.cell)
            << ", \"size\": " << json_string(r.size) << ", \"picture\": "
            << (r.picture == "-" ? std::string("null") : json_string(r.picture)) << ", \"opacity\": " << r.opacity
            << ", \"orientation\": " << json_string(r.orientation) << ", \"text\": " << json_string(r.text) << "}";
    }
    out << (rows.empty() ? "]\n" : "\n]\n");
}

}  // namespace quill::cli
