#include "platform/memory/workbook.h"

#include <algorithm>
#include <cctype>

#include "ports/host_error.h"

namespace quill::memory {

// ---- Cell references -------------------------------------------------------

namespace {

HostError bad_reference(std::string_view a1) {
    return HostError(kAppDefinedError, u"Invalid cell reference: " + to_u16(std::string(a1)));
}

char16_t fold(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

// One "$B$3" corner; advances pos.
std::optional<CellRef> parse_corner(std::string_view s, std::size_t& pos) {
    auto skip_dollar = [&] {
        if (pos < s.size() && s[pos] == '$') ++pos;
    };
    skip_dollar();
    std::int64_t col = 0;
    std::size_t letters = 0;
    while (pos < s.size() && std::isalpha(static_cast<unsigned char>(s[pos])) && letters < 4) {
        col = col * 26 + (std::toupper(static_cast<unsigned char>(s[pos])) - 'A' + 1);
        ++pos;
        ++letters;
    }
    skip_dollar();
    std::int64_t row = 0;
    std::size_t digits = 0;
    while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos])) && digits < 8) {
        row = row * 10 + (s[pos] - '0');
        ++pos;
        ++digits;
    }
    if (letters == 0 || digits == 0 || col > kMaxColumns || row < 1 || row > kMaxRows) return std::nullopt;
    return CellRef{static_cast<std::int32_t>(row), static_cast<std::int32_t>(col)};
}

}  // namespace

std::vector<Area> parse_areas(std::string_view a1) {
    std::vector<Area> out;
    std::size_t pos = 0;
    for (;;) {
        const auto first = parse_corner(a1, pos);
        if (!first) throw bad_reference(a1);
        CellRef last = *first;
        if (pos < a1.size() && a1[pos] == ':') {
            ++pos;
            const auto second = parse_corner(a1, pos);
            if (!second) throw bad_reference(a1);
            last = *second;
        }
        out.push_back(Area{{std::min(first->row, last.row), std::min(first->column, last.column)},
                           {std::max(first->row, last.row), std::max(first->column, last.column)}});
        if (pos == a1.size()) return out;
        if (a1[pos] != ',') throw bad_reference(a1);
        ++pos;
    }
}

CellRef parse_cell(std::string_view a1) {
    const auto areas = parse_areas(a1);
    if (areas.size() != 1 || areas[0].count() != 1) throw bad_reference(a1);
    return areas[0].first;
}

std::string column_name(std::int32_t column) {
    std::string out;
    for (std::int32_t c = column; c > 0; c = (c - 1) / 26) out.insert(out.begin(), static_cast<char>('A' + (c - 1) % 26));
    return out;
}

std::string cell_name(CellRef c) { return column_name(c.column) + std::to_string(c.row); }

std::u16string absolute_address(const std::vector<Area>& areas) {
    std::string out;
    auto corner = [&](CellRef c) {
        out += '$';
        out += column_name(c.column);
        out += '$';
        out += std::to_string(c.row);
    };
    for (std::size_t i = 0; i < areas.size(); ++i) {
        if (i) out += ',';
        corner(areas[i].first);
        if (areas[i].first != areas[i].last) {
            out += ':';
            corner(areas[i].last);
        }
    }
    return to_u16(out);
}

// ---- Sheets ----------------------------------------------------------------

CellData* Sheet::find(CellRef at) {
    auto it = cells.find(at);
    return it == cells.end() ? nullptr : &it->second;
}

const CellData* Sheet::find(CellRef at) const {
    auto it = cells.find(at);
    return it == cells.end() ? nullptr : &it->second;
}

CellData& Sheet::set_text(std::string_view a1, std::u16string text, const CharFont& font) {
    CellData& c = cell(a1);
    c.value = text;
    c.text.assign(std::move(text), font);
    return c;
}

CellData& Sheet::set_value(std::string_view a1, CellValue value, std::u16string shown, const CharFont& font) {
    CellData& c = cell(a1);
    c.value = std::move(value);
    c.text.assign(std::move(shown), font);
    return c;
}

CommentData& Sheet::add_comment(CellRef at, std::u16string text, std::u16string author) {
    CellData& c = cell(at);
    if (c.comment) throw HostError(kAppDefinedError, u"Application-defined or object-defined error");
    c.comment = std::make_shared<CommentData>();
    c.comment->author = std::move(author);
    c.comment->text.assign(std::move(text), note_default_font());
    return *c.comment;
}

CommentData* Sheet::comment(CellRef at) {
    CellData* c = find(at);
    return c ? c->comment.get() : nullptr;
}

bool Sheet::remove_comment(CellRef at) {
    CellData* c = find(at);
    if (!c || !c->comment) return false;
    c->comment->deleted = true;
    c->comment.reset();
    return true;
}

std::vector<std::pair<CellRef, std::shared_ptr<CommentData>>> Sheet::comments() const {
    std::vector<std::pair<CellRef, std::shared_ptr<CommentData>>> out;
    for (const auto& [at, c] : cells)
        if (c.comment) out.emplace_back(at, c.comment);
    return out;
}

void Sheet::select(std::string_view areas, std::optional<std::string_view> active) {
    auto parsed = parse_areas(areas);
    active_cell = active ? parse_cell(*active) : parsed.front().first;
    selection = std::move(parsed);
}

Sheet& Workbook::add_sheet(std::u16string sheet_name) {
    sheets.push_back(std::make_shared<Sheet>(std::move(sheet_name)));
    return *sheets.back();
}

Sheet* Workbook::sheet(std::u16string_view sheet_name) {
    for (auto& s : sheets)
        if (s->name == sheet_name) return s.get();
    return nullptr;
}

// ---- Command bars ----------------------------------------------------------

bool caption_matches(std::u16string_view caption, std::u16string_view wanted) {
    std::size_t i = 0, j = 0;
    for (;;) {
        while (i < caption.size() && caption[i] == u'&') ++i;
        while (j < wanted.size() && wanted[j] == u'&') ++j;
        if (i == caption.size() || j == wanted.size()) return i == caption.size() && j == wanted.size();
        if (fold(caption[i]) != fold(wanted[j])) return false;
        ++i;
        ++j;
    }
}

std::shared_ptr<BarControl> BarControl::find(std::u16string_view child_caption) const {
    for (const auto& c : controls)
        if (c->caption == child_caption) return c;
    return nullptr;
}

std::shared_ptr<BarControl> BarControl::add(Kind k, std::u16string child_caption) {
    auto c = std::make_shared<BarControl>();
    c->kind = k;
    c->caption = std::move(child_caption);
    c->parent = weak_from_this();
    controls.push_back(c);
    return c;
}

std::shared_ptr<Excel> Excel::Create(const CommandBarOptions& options) {
    std::shared_ptr<Excel> xl(new Excel());
    xl->scripted_files_ = std::make_shared<ScriptedFileChoice>();
    xl->file_choice = xl->scripted_files_;

    auto menu_bar = std::make_shared<BarControl>();
    menu_bar->kind = BarControl::kBar;
    menu_bar->caption = u"Worksheet Menu Bar";
    for (const char16_t* caption : {u"&File", u"&Edit", u"&View", u"&Insert", u"F&ormat", u"&Tools", u"&Data",
                                    u"&Window", u"&Help"}) {
        if (!options.insert_menu && std::u16string_view(caption) == u"&Insert") continue;
        menu_bar->add(BarControl::kPopup, caption);
    }
    if (auto insert = menu_bar->find(u"&Insert")) {
        for (const char16_t* caption : {u"Cu&t Cells...", u"&Rows", u"&Columns", u"&Worksheet", u"C&hart...",
                                        u"&Function...", u"Co&mment", u"&Picture"})
            insert->add(BarControl::kButton, caption)->built_in = true;
        if (options.earlier_button) insert->add(BarControl::kButton, *options.earlier_button)->tag = options.earlier_button_tag;
    }
    xl->bars.push_back(menu_bar);
    for (const char16_t* name : {u"Chart Menu Bar", u"Standard", u"Formatting", u"Cell"}) {
        auto b = std::make_shared<BarControl>();
        b->kind = BarControl::kBar;
        b->caption = name;
        xl->bars.push_back(b);
    }
    return xl;
}

Workbook& Excel::add_workbook(std::u16string book_name, std::vector<std::u16string> sheet_names) {
    auto wb = std::make_shared<Workbook>(std::move(book_name));
    for (auto& n : sheet_names) wb->add_sheet(std::move(n));
    workbooks.push_back(wb);
    active_workbook = workbooks.size() - 1;
    return *wb;
}

Sheet* Excel::active_sheet() {
    if (active_workbook >= workbooks.size()) return nullptr;
    Workbook& wb = *workbooks[active_workbook];
    if (wb.active_sheet >= wb.sheets.size()) return nullptr;
    return wb.sheets[wb.active_sheet].get();
}

Sheet& Excel::sheet() {
    if (Sheet* s = active_sheet()) return *s;
    return *add_workbook().sheets.front();
}

void Excel::check_string(const std::u16string& s) const {
    if (short_strings && s.size() > 255) throw HostError(1004, u"Application-defined or object-defined error");
}

std::shared_ptr<BarControl> Excel::bar(std::u16string_view bar_name) const {
    for (const auto& b : bars)
        if (caption_matches(b->caption, bar_name)) return b;
    return nullptr;
}

std::shared_ptr<BarControl> Excel::menu(std::u16string_view caption) const {
    auto b = bar(u"Worksheet Menu Bar");
    if (!b) return nullptr;
    for (const auto& c : b->controls)
        if (c->kind == BarControl::kPopup && caption_matches(c->caption, caption)) return c;
    return nullptr;
}

}  // namespace quill::memory
