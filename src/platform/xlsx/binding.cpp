#include "platform/xlsx/binding.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace quill::xlsx {

namespace {

constexpr std::int32_t xlVAlignCenter = -4108, xlVAlignBottom = -4107, xlVAlignJustify = -4130,
                       xlVAlignDistributed = -4117;

memory::FormattedText to_formatted(const RunList& runs, const memory::CharFont& base) {
    memory::FormattedText t(base);
    for (const auto& r : runs) t.append(r.text, r.font);
    return t;
}

RunList to_rich(const memory::FormattedText& t) {
    RunList out;
    for (const auto& r : t.runs()) out.push_back({r.text, r.font});
    return out;
}

std::int32_t to_host_alignment(VerticalAlignment v) {
    switch (v) {
        case VerticalAlignment::Top: return memory::xlVAlignTop;
        case VerticalAlignment::Center: return xlVAlignCenter;
        case VerticalAlignment::Bottom: return xlVAlignBottom;
        case VerticalAlignment::Justify: return xlVAlignJustify;
        case VerticalAlignment::Distributed: return xlVAlignDistributed;
    }
    return memory::xlVAlignTop;
}

VerticalAlignment to_file_alignment(std::int32_t v) {
    switch (v) {
        case xlVAlignCenter: return VerticalAlignment::Center;
        case xlVAlignBottom: return VerticalAlignment::Bottom;
        case xlVAlignJustify: return VerticalAlignment::Justify;
        case xlVAlignDistributed: return VerticalAlignment::Distributed;
        default: return VerticalAlignment::Top;
    }
}

std::string picture_extension(const memory::Picture& p) { return memory::extension_of(p.info.format); }

// The file's name is all a package keeps of the picture's path.
std::u16string picture_path(const NoteShape& shape) {
    return shape.picture_title + u"." + to_u16(shape.picture ? shape.picture->extension : std::string());
}

void copy_notes(const Sheet& src, memory::Sheet& dst) {
    for (const auto& n : src.notes) {
        auto data = std::make_shared<memory::CommentData>();
        data->author = n.author;
        data->text = to_formatted(n.text, memory::note_default_font());
        data->width = n.shape->width;
        data->height = n.shape->height;
        data->visible = n.shape->visible;
        data->fill.color = n.shape->fill_color;
        data->fill.transparency = static_cast<float>(1.0 - n.shape->opacity);
        if (n.shape->picture && n.shape->picture->bytes) {
            memory::Picture p;
            p.path = picture_path(n.shape);
            p.bytes.assign(n.shape->picture->bytes->begin(), n.shape->picture->bytes->end());
            if (auto info = memory::decode_picture(p.bytes).info) p.info = *info;
            data->fill.picture = std::move(p);
        }
        data->orientation = n.shape->orientation;
        data->vertical_alignment = to_host_alignment(n.shape->vertical_alignment);
        dst.cell(memory::CellRef{n.row + 1, n.col + 1}).comment = std::move(data);
    }
}

Reach reach_of(const std::vector<Reach>& reach, std::size_t sheet) {
    return reach.empty() ? Reach::Whole : sheet < reach.size() ? reach[sheet] : Reach::Name;
}
}  // namespace

std::shared_ptr<memory::Excel> to_memory(const Workbook& document, const std::u16string& book_name,
                                         const std::vector<Reach>& reach) {
    auto excel = memory::Excel::Create();
    std::vector<std::u16string> names;
    for (const auto& s : document.sheets) names.push_back(s.name);
    if (names.empty()) names.push_back(u"Sheet1");
    auto& book = excel->add_workbook(book_name, names);
    for (std::size_t i = 0; i < document.sheets.size(); ++i) {
        const Sheet& src = document.sheets[i];
        memory::Sheet& dst = *book.sheets[i];
        const Reach what = reach_of(reach, i);
        if (what == Reach::Name) continue;
        if (what == Reach::Notes) {
            copy_notes(src, dst);
            continue;
        }
        dst.protect_contents = src.protect_contents;
        if (const auto& width = src.default_column_width.get()) dst.default_column_width = *width;
        dst.default_row_height = src.default_row_height;
        for (const auto& c : src.columns)
            for (std::int32_t col = c.first; col <= c.last && col < memory::kMaxColumns; ++col)
                dst.column_widths[col + 1] = c.width;
        for (const auto& cell : src.cells) {
            memory::CellData& d = dst.cell(memory::CellRef{cell.row + 1, cell.col + 1});
            switch (cell.type) {
                case CellType::Number: d.value = cell.number; break;
                case CellType::Boolean: d.value = cell.number != 0; break;
                case CellType::String:
                case CellType::Error: d.value = cell.string; break;
            }
            d.text = to_formatted(cell.display, memory::cell_default_font());
        }
        // After the cells, whose reading gives the heights too.
        for (const auto& r : src.rows) dst.row_heights[r.row + 1] = r.height;
        copy_notes(src, dst);
    }
    return excel;
}

void update_document(Workbook& document, const memory::Excel& excel, const std::vector<Reach>& reach) {
    if (excel.workbooks.empty()) return;
    const memory::Workbook& book = *excel.workbooks.front();
    for (std::size_t i = 0; i < book.sheets.size(); ++i) {
        if (i < document.sheets.size() && reach_of(reach, i) == Reach::Name) continue;
        if (i == document.sheets.size()) {
            Sheet added;
            added.name = book.sheets[i]->name;
            document.sheets.push_back(std::move(added));
        }
        Sheet& dst = document.sheets[i];
        const memory::Sheet& src = *book.sheets[i];
        std::map<std::pair<std::int32_t, std::int32_t>, const Note*> old;
        for (const auto& n : dst.notes) old[{n.row, n.col}] = &n;
        std::vector<Note> notes;
        // Keep the file's order for the notes it had; new ones follow, row by row.
        std::map<std::pair<std::int32_t, std::int32_t>, Note> now;
        for (const auto& [at, c] : src.comments()) {
            Note n;
            n.row = at.row - 1;
            n.col = at.column - 1;
            const auto before = old.find({n.row, n.col});
            if (before != old.end()) n = *before->second;
            n.author = c->author;
            n.text = to_rich(c->text);
            n.shape->width = c->width;
            n.shape->height = c->height;
            n.shape->visible = c->visible;
            n.shape->fill_color = c->fill.color;
            n.shape->opacity = 1.0 - c->fill.transparency;
            if (std::abs(n.shape->opacity - std::round(n.shape->opacity * 1e6) / 1e6) < 1e-9)
                n.shape->opacity = std::round(n.shape->opacity * 1e6) / 1e6;
            if (c->fill.picture) {
                const auto& p = *c->fill.picture;
                const std::string bytes(p.bytes.begin(), p.bytes.end());
                const bool same = n.shape->picture && n.shape->picture->bytes && *n.shape->picture->bytes == bytes;
                if (!same) n.shape->picture = Picture{std::make_shared<const std::string>(bytes), picture_extension(p), {}};
                // The path to_memory made up keeps the title it came from,
                // even one the name cannot give back (none at all: ".png").
                if (!(same && p.path == picture_path(n.shape))) {
                    std::u16string title = p.path;
                    const auto slash = title.find_last_of(u"/\\");
                    if (slash != std::u16string::npos) title.erase(0, slash + 1);
                    const auto dot = title.find_last_of(u'.');
                    if (dot != std::u16string::npos && dot > 0) title.erase(dot);
                    n.shape->picture_title = title;
                }
            } else {
                n.shape->picture.reset();
                n.shape->picture_title.clear();
            }
            n.shape->orientation = c->orientation;
            n.shape->vertical_alignment = to_file_alignment(c->vertical_alignment);
            now[{n.row, n.col}] = std::move(n);
        }
        for (const auto& n : dst.notes) {
            auto it = now.find({n.row, n.col});
            if (it != now.end()) {
                notes.push_back(std::move(it->second));
                now.erase(it);
            }
        }
        for (auto& [key, n] : now) notes.push_back(std::move(n));
        dst.notes = std::move(notes);
        // A sheet made here has no file behind it: its cells are ours to write.
        if (!dst.source && reach_of(reach, i) == Reach::Whole) {
            dst.protect_contents = src.protect_contents;
            dst.cells.clear();
            for (const auto& [at, cell] : src.cells) {
                if (cell.text.empty() && std::holds_alternative<std::monostate>(cell.value)) continue;
                Cell c;
                c.row = at.row - 1;
                c.col = at.column - 1;
                if (const double* d = std::get_if<double>(&cell.value)) {
                    c.type = CellType::Number;
                    c.number = *d;
                } else if (const bool* b = std::get_if<bool>(&cell.value)) {
                    c.type = CellType::Boolean;
                    c.number = *b ? 1 : 0;
                } else if (const auto* str = std::get_if<std::u16string>(&cell.value)) {
                    c.type = CellType::String;
                    c.string = *str;
                } else {
                    c.type = CellType::String;
                    c.string = cell.text.text();
                }
                c.display = to_rich(cell.text);
                dst.cells.push_back(std::move(c));
            }
        }
    }
}

}  // namespace quill::xlsx
