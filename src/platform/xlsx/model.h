#pragma once
// The document model of an .xlsx workbook: plain values, no file handles.
//
//   Workbook workbook = load("in.xlsx");     // throws XlsxError
//   workbook.sheets[0].notes.push_back(...); // edit freely
//   save(workbook, "out.xlsx");              // atomic; throws XlsxError
//
// Conventions shared by every type here:
// - Rows and columns are 0-based (A1 is row 0, column 0).
// - Texts are UTF-16, a line break inside a note or cell is one LF.
// - Colours are 0x00BBGGRR and underlines xlUnderlineStyle values, as the core
//   uses them.
// - Sizes of note boxes are points; column widths are the file's character
//   units, row heights points.
//
// A loaded workbook remembers the package it came from (Workbook::source).
// Saving writes only the parts whose content changed and copies every other
// part byte for byte, so the model only has to carry what Quillette reads or
// edits: sheet names, protection, geometry, cell display texts and notes.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ports/char_font.h"

namespace quill::xlsx {

// A run of characters sharing one font. A run list is the formatted text of a cell or note;
// its plain text is the concatenation of the runs' texts.
struct Run {
    std::u16string text;
    CharFont font;
    bool operator==(const Run&) const = default;
};
using RunList = std::vector<Run>;
std::u16string plain_text(const RunList& runs);

enum class CellType { Number, String, Boolean, Error };

// One cell with a value. `display` is what the cell shows (its value put
// through the number format), each character with its font: a rich shared
// string keeps its runs, anything else is one run in the cell's font.
struct Cell {
    std::int32_t row = 0;
    std::int32_t col = 0;
    CellType type = CellType::Number;
    double number = 0;      // Number; Boolean as 0/1
    std::u16string string;  // String; Error as its text ("#N/A")
    std::u16string format = u"General";  // the number format code applied
    RunList display;
    std::u16string text() const { return plain_text(display); }
};

// A picture used as the fill of a note box. The bytes are shared, so copying
// a note is cheap; pictures with equal bytes share one media part on save.
struct Picture {
    std::shared_ptr<const std::string> bytes;
    std::string extension;  // lower case, no dot: "png", "jpeg", "gif", "bmp", "emf", "wmf"
    std::string part;       // the media part it was read from; "" for a new picture
    bool operator==(const Picture& o) const {
        return extension == o.extension && (bytes == o.bytes || (bytes && o.bytes && *bytes == *o.bytes));
    }
};

// Where a note box sits, in the file's own terms: column or row index plus an
// offset in pixels inside it.
struct Anchor {
    std::int32_t left_col = 0, left_offset = 0, top_row = 0, top_offset = 0;
    std::int32_t right_col = 0, right_offset = 0, bottom_row = 0, bottom_offset = 0;
    bool operator==(const Anchor&) const = default;
};

enum class VerticalAlignment { Top, Center, Bottom, Justify, Distributed };

// Text orientation numbers as the host's object model counts them.
inline constexpr std::int32_t kHorizontal = 1;
inline constexpr std::int32_t kUpward = 2;
inline constexpr std::int32_t kDownward = 3;
inline constexpr std::int32_t kVertical = 5;  // letters stacked

// The box of a note.
struct NoteShape {
    double width = 96;   // points (Excel's default note box)
    double height = 55.5;
    bool visible = false;
    std::int32_t fill_color = 0xE1FFFF;  // 0x00BBGGRR of #ffffe1
    std::optional<Picture> picture;      // set: the picture fills the box
    std::u16string picture_title;        // the picture's name (o:title)
    double opacity = 1;                  // 0 transparent .. 1 opaque
    std::int32_t orientation = kHorizontal;
    VerticalAlignment vertical_alignment = VerticalAlignment::Top;
    // Top-left corner of the box. Unset for a new note: it then goes where
    // Excel puts one (one column right of the cell, a row up). The bottom-right
    // corner is always recomputed from the size on save.
    std::optional<Anchor> anchor;
    bool operator==(const NoteShape&) const = default;
};

// One value that a loaded workbook reads from its file on first use, as
// Deferred does for lists. Copies share the reading: two that are both still
// unread from the same place compare equal without reading, so that a save
// can tell an untouched value from a changed one for nothing.
template <class T>
class Later {
public:
    Later() = default;
    Later(T value) : value_(std::move(value)) {}
    // A list written out in place, as for the vector it holds: text = {{u"a", font}}.
    template <class U = T, class Item = typename U::value_type>
    Later(std::initializer_list<Item> items) : value_(items) {}
    explicit Later(std::function<T()> read) : read_(std::make_shared<const std::function<T()>>(std::move(read))) {}
    Later& operator=(T value) {
        value_ = std::move(value);
        read_ = nullptr;
        return *this;
    }
    template <class U = T, class Item = typename U::value_type>
    Later& operator=(std::initializer_list<Item> items) {
        return *this = T(items);
    }
    bool unread() const { return static_cast<bool>(read_); }
    const T& get() const {
        if (read_) {
            value_ = (*read_)();
            read_ = nullptr;
        }
        return value_;
    }
    T& edit() { return const_cast<T&>(get()); }
    operator const T&() const { return get(); }
    const T* operator->() const { return &get(); }
    T* operator->() { return &edit(); }

    friend bool operator==(const Later& a, const Later& b) {
        if (a.read_ && a.read_ == b.read_) return true;
        return a.get() == b.get();
    }
    friend bool operator==(const Later& a, const T& b) { return a.get() == b; }

private:
    mutable T value_{};
    mutable std::shared_ptr<const std::function<T()>> read_;
};

// A note (Excel's legacy comment) of one cell. A loaded note reads its text
// and its box from the sheet's parts when each is first used: a command that
// changes one note's text reads no other text and no box, and a save writes
// only that note's element anew.
struct Note {
    std::int32_t row = 0;
    std::int32_t col = 0;
    std::u16string author;
    Later<RunList> text;
    Later<NoteShape> shape;
    bool operator==(const Note&) const = default;
};

// Widths of a range of columns (the file's <col> element).
struct ColumnWidths {
    std::int32_t first = 0, last = 0;  // 0-based, inclusive
    double width = 0;                   // character units as stored in the file
    bool hidden = false;
    std::int32_t px(std::int32_t digit_px = 7) const;  // as Excel draws it, for the default font's widest digit
};

struct RowHeight {
    std::int32_t row = 0;
    double height = 15;  // points
    bool hidden = false;
};

namespace detail { struct SheetSource; struct PackageSource; }

// A list that a loaded workbook reads from its file on first use, so that the
// cells or notes of a sheet nobody looks at cost neither time nor memory. It
// reads and writes like the vector it holds; reading may throw XlsxError when
// the file's part turns out to be damaged (and throws again on every use).
template <class T>
class Deferred {
public:
    using Read = std::function<std::vector<T>()>;
    Deferred() = default;
    Deferred(std::vector<T> items) : items_(std::move(items)) {}
    Deferred(std::initializer_list<T> items) : items_(items) {}
    explicit Deferred(Read read) : read_(std::move(read)) {}
    Deferred& operator=(std::vector<T> items) {
        items_ = std::move(items);
        read_ = nullptr;
        return *this;
    }
    Deferred& operator=(std::initializer_list<T> items) { return *this = std::vector<T>(items); }
    // Still as in the file, never read: nobody can have changed it.
    bool unread() const { return static_cast<bool>(read_); }

    std::vector<T>& get() { return ensure(); }
    const std::vector<T>& get() const { return ensure(); }
    operator std::vector<T>&() { return ensure(); }
    operator const std::vector<T>&() const { return ensure(); }

    auto begin() { return ensure().begin(); }
    auto end() { return ensure().end(); }
    auto begin() const { return ensure().cbegin(); }
    auto end() const { return ensure().cend(); }
    std::size_t size() const { return ensure().size(); }
    bool empty() const { return ensure().empty(); }
    T& operator[](std::size_t i) { return ensure()[i]; }
    const T& operator[](std::size_t i) const { return ensure()[i]; }
    T& at(std::size_t i) { return ensure().at(i); }
    const T& at(std::size_t i) const { return ensure().at(i); }
    T& front() { return ensure().front(); }
    const T& front() const { return ensure().front(); }
    T& back() { return ensure().back(); }
    const T& back() const { return ensure().back(); }
    void push_back(T item) { ensure().push_back(std::move(item)); }
    template <class... A>
    T& emplace_back(A&&... a) { return ensure().emplace_back(std::forward<A>(a)...); }
    void clear() { *this = std::vector<T>(); }
    template <class... A>
    auto erase(A... a) { return ensure().erase(a...); }
    template <class... A>
    auto insert(A&&... a) { return ensure().insert(std::forward<A>(a)...); }

    friend bool operator==(const Deferred& a, const Deferred& b) { return a.get() == b.get(); }
    friend bool operator==(const Deferred& a, const std::vector<T>& b) { return a.get() == b; }

private:
    std::vector<T>& ensure() const {
        if (read_) {
            items_ = read_();
            read_ = nullptr;
        }
        return items_;
    }
    mutable std::vector<T> items_;
    mutable Read read_;
};

struct Sheet {
    std::u16string name;
    Later<bool> protect_contents = false;  // <sheetProtection sheet="1">
    Deferred<Cell> cells;           // sorted by row, then column
    Deferred<Note> notes;           // in the order the file lists them
    Deferred<ColumnWidths> columns;
    Deferred<RowHeight> rows;       // only rows with a height of their own, sorted
    Later<std::optional<double>> default_column_width;  // character units; unset: from base_column_width
    Later<std::int32_t> base_column_width = 8;          // characters, without padding (<sheetFormatPr baseColWidth>)
    Later<double> default_row_height = 15.0;            // points
    // The widest digit of the workbook's default font in pixels, the unit of
    // every column width: 7 for Calibri 11 and Arial 10.
    std::int32_t digit_px = 7;

    const Cell* find_cell(std::int32_t row, std::int32_t col) const;
    Note* find_note(std::int32_t row, std::int32_t col);
    const Note* find_note(std::int32_t row, std::int32_t col) const;
    std::int32_t column_width_px(std::int32_t col) const;
    std::int32_t row_height_px(std::int32_t row) const;
    std::int32_t default_column_width_px() const;
    std::int32_t default_row_height_px() const;

    // What the sheet was when loaded; null for a sheet made in memory.
    std::shared_ptr<const detail::SheetSource> source;
};

struct Workbook {
    std::vector<Sheet> sheets;
    bool date1904 = false;
    // The package the workbook was loaded from; null for a new workbook.
    std::shared_ptr<const detail::PackageSource> source;
};

// A new workbook as Excel starts one: a single empty sheet "Sheet1".
Workbook new_workbook();

// "B3" for row 2, column 1.
std::string cell_name(std::int32_t row, std::int32_t col);

}  // namespace quill::xlsx
