#include "cli/listing.h"

#include <array>
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

std::string hex_escape(char32_t c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, c < 0x100 ? "\\x%02x" : "\\u%04x", static_cast<unsigned>(c));
    return buf;
}

// Text from a workbook goes to a terminal: control characters (ESC above all)
// are shown as escapes, never sent.
std::string printable(const std::u16string& s) {
    std::u16string keep;
    std::string out;
    for (char16_t c : s) {
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            out += to_utf8(keep);
            keep.clear();
            out += c == u'\t' ? std::string("\\t") : c == u'\r' ? std::string("\\r") : c == u'\n' ? std::string("\\n") : hex_escape(c);
        } else {
            keep += c;
        }
    }
    return out + to_utf8(keep);
}

// Columns a code point takes on a terminal: 0 for combining marks and
// zero-width characters, 2 for East Asian wide and fullwidth ones (Unicode
// UAX #11), 1 otherwise.
int columns_of(char32_t c) {
    struct Range {
        char32_t from, to;
    };
    static const Range zero[] = {{0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A},
                                 {0x064B, 0x065F}, {0x0E31, 0x0E31}, {0x0E34, 0x0E3A}, {0x1AB0, 0x1AFF},
                                 {0x1DC0, 0x1DFF}, {0x200B, 0x200F}, {0x202A, 0x202E}, {0x2060, 0x2064},
                                 {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF},
                                 {0xE0100, 0xE01EF}};
    static const Range wide[] = {{0x1100, 0x115F}, {0x2E80, 0x303E}, {0x3041, 0x33FF}, {0x3400, 0x4DBF},
                                 {0x4E00, 0x9FFF}, {0xA000, 0xA4CF}, {0xAC00, 0xD7A3}, {0xF900, 0xFAFF},
                                 {0xFE30, 0xFE4F}, {0xFF00, 0xFF60}, {0xFFE0, 0xFFE6}, {0x1F300, 0x1F64F},
                                 {0x1F900, 0x1F9FF}, {0x20000, 0x3FFFD}};
    for (const auto& r : zero)
        if (c >= r.from && c <= r.to) return 0;
    for (const auto& r : wide)
        if (c >= r.from && c <= r.to) return 2;
    return 1;
}

std::size_t columns(const std::string& utf8) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char b = static_cast<unsigned char>(utf8[i]);
        const int len = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        char32_t c = len == 1 ? b : b & (0x7F >> len);
        for (int k = 1; k < len && i + k < utf8.size(); ++k) c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        n += static_cast<std::size_t>(columns_of(c));
        i += static_cast<std::size_t>(len);
    }
    return n;
}

template <class Visit>
void each_note(const memory::Excel& excel, Visit visit) {
    for (const auto& book : excel.workbooks)
        for (std::size_t s = 0; s < book->sheets.size(); ++s)
            for (const auto& [at, c] : book->sheets[s]->comments()) visit(s, *book->sheets[s], at, *c);
}

std::vector<Row> rows_of(const memory::Excel& excel) {
    std::vector<Row> rows;
    each_note(excel, [&](std::size_t, const memory::Sheet& sheet, const memory::CellRef& at, const memory::CommentData& c) {
        Row r;
        r.sheet = printable(sheet.name);
        r.cell = memory::cell_name(at);
        r.size = number(c.width, 1) + "x" + number(c.height, 1);
        r.picture = c.fill.picture ? printable(std::filesystem::path(c.fill.picture->path).filename().u16string())
                                   : std::string("-");
        r.opacity = number(1.0 - c.fill.transparency, 2);
        r.orientation = orientation_name(c.orientation);
        const std::u16string& t = c.text.text();
        r.text = printable(t.substr(0, t.find(u'\n')));
        rows.push_back(std::move(r));
    });
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
                if (ch < 0x20 || ch == 0x7F) {
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

std::string json_string(const std::u16string& s) { return json_string(to_utf8(s)); }

std::string colour(std::int32_t bgr) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    return buf;
}

std::string json_font(const memory::CharFont& f) {
    return "{\"name\": " + json_string(f.name) + ", \"size\": " + number(f.size, 1) +
           ", \"bold\": " + (f.bold ? "true" : "false") + ", \"italic\": " + (f.italic ? "true" : "false") +
           ", \"underline\": " + (f.underline != host::xlUnderlineStyleNone ? "true" : "false") +
           ", \"strike\": " + (f.strikethrough ? "true" : "false") + ", \"color\": \"" + colour(f.color) + "\"}";
}

}  // namespace

void write_table(const memory::Excel& excel, std::ostream& out) {
    const auto rows = rows_of(excel);
    const Row head{"SHEET", "CELL", "SIZE(pt)", "PICTURE", "OPACITY", "ORIENTATION", "TEXT"};
    std::size_t w[6] = {};
    auto fields = [](const Row& r) {
        return std::array<const std::string*, 6>{&r.sheet, &r.cell, &r.size, &r.picture, &r.opacity, &r.orientation};
    };
    auto widen = [&](const Row& r) {
        for (int i = 0; i < 6; ++i) w[i] = std::max(w[i], columns(*fields(r)[i]));
    };
    widen(head);
    for (const auto& r : rows) widen(r);
    auto print = [&](const Row& r) {
        const auto f = fields(r);
        for (int i = 0; i < 6; ++i) out << *f[i] << std::string(w[i] - columns(*f[i]) + 2, ' ');
        out << r.text << '\n';
    };
    print(head);
    for (const auto& r : rows) print(r);
    out << rows.size() << (rows.size() == 1 ? " note\n" : " notes\n");
}

void write_json(const memory::Excel& excel, const PartNames& part_of, std::ostream& out) {
    out << "[";
    bool first = true;
    each_note(excel, [&](std::size_t s, const memory::Sheet& sheet, const memory::CellRef& at, const memory::CommentData& c) {
        out << (first ? "\n " : ",\n ") << "{\"sheet\": " << json_string(sheet.name)
            << ", \"cell\": " << json_string(memory::cell_name(at)) << ", \"author\": " << json_string(c.author)
            << ", \"text\": " << json_string(c.text.text()) << ", \"runs\": [";
        const auto runs = c.text.runs();
        for (std::size_t i = 0; i < runs.size(); ++i)
            out << (i ? ", " : "") << "{\"text\": " << json_string(runs[i].text) << ", \"font\": " << json_font(runs[i].font) << "}";
        out << "], \"picture\": ";
        if (const auto& p = c.fill.picture) {
            const std::string part = part_of ? part_of(s, at.row - 1, at.column - 1) : std::string();
            out << "{\"part\": " << (part.empty() ? std::string("null") : json_string(part))
                << ", \"file\": " << json_string(std::filesystem::path(p->path).filename().u16string())
                << ", \"format\": \"" << memory::extension_of(p->info.format) << "\", \"width\": " << p->info.width
                << ", \"height\": " << p->info.height << "}";
        } else {
            out << "null";
        }
        out << ", \"box\": {\"width\": " << number(c.width, 2) << ", \"height\": " << number(c.height, 2)
            << "}, \"opacity\": " << number(1.0 - c.fill.transparency, 2) << ", \"orientation\": \""
            << orientation_name(c.orientation) << "\", \"visible\": " << (c.visible ? "true" : "false") << "}";
        first = false;
    });
    out << (first ? "]\n" : "\n]\n");
}

}  // namespace quill::cli
