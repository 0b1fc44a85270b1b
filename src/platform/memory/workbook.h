#pragma once
// The in-memory workbook: the host of the portable build. It holds workbooks,
// sheets, cells with their displayed text and fonts, comments with their
// boxes and fills, the application's settings and its command bars, and it
// hands out implementations of every port of host/excel.h over that model.
//
// Two faces:
// - the ports (Excel::application(), Excel::object()), which behave as the
//   host does and go through the call log and fault injection (call_log.h);
// - the builder and inspection API below (plain data and snake_case helpers),
//   for tests, the xlsx loader and saver and the command-line tool. It is not
//   logged and never fails by injection.
//
// Host behaviour reproduced, beyond what excel.h states:
// - Positions of Characters(Start, Length) are 1-based UTF-16 units; a span
//   reaching past the end is clipped; Start < 1 or Length < 0 fails (1004).
// - A Font getter over characters whose attribute differs returns the host's
//   Null, which no typed value can hold: it fails with err::InvalidUseOfNull.
//   Over an empty span (Start past the end) it reports the last character's.
// - Font setters check the host's ranges (Size 1..409, Color 0..0xFFFFFF,
//   a non-empty Name) and fail with 1004 otherwise.
// - NewEnum enumerates area by area, in the order the areas were selected,
//   and each area row by row, each row left to right.
// - Count adds up the areas (a cell in two overlapping areas counts twice).
// - SpecialCells(xlCellTypeComments) on a single cell looks at the whole
//   sheet, as the host does; on more cells, at those cells. Its result is
//   made of rectangles (rows merged into blocks) ordered by row, then column.
// - A comment object whose comment was deleted (Delete, ClearComments) fails
//   every call with (1004, "Application-defined or object-defined error");
//   so does AddComment on a cell that already has one.
// - Comment.Text(s) replaces the text and sets it in the default comment font.
// - WorksheetFunction.Substitute fails (1004) when its text or its result
//   exceeds 32,767 characters, the host's limit for a worksheet string.
// - CommandBars.Item matches bar names case-insensitively; Controls.Item
//   matches captions case-insensitively and ignoring the '&' accelerator
//   ("Insert" finds "&Insert"). A missing name fails with error 5.
#include <compare>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "ports/excel.h"
#include "ports/host_error.h"
#include "platform/memory/call_log.h"
#include "platform/memory/file_choice.h"
#include "platform/memory/picture.h"
#include "platform/memory/formatted_text.h"

namespace quill::memory {

inline constexpr std::int32_t kMaxRows = 1048576;
inline constexpr std::int32_t kMaxColumns = 16384;
inline constexpr std::int32_t xlVAlignTop = -4160;
// Excel's default note background, #FFFFE1, as 0x00BBGGRR.
inline constexpr std::int32_t kCommentFillColor = 0xE1FFFF;
// The error the host raises for a failed call on an object.
inline constexpr std::int32_t kAppDefinedError = 1004;

// ---- Cell references -------------------------------------------------------

struct CellRef {
    std::int32_t row = 1;     // 1-based
    std::int32_t column = 1;  // 1-based
    friend auto operator<=>(const CellRef&, const CellRef&) = default;
};

// A rectangle of cells, first <= last in both directions.
struct Area {
    CellRef first;
    CellRef last;
    std::int64_t count() const {
        return std::int64_t{last.row - first.row + 1} * (last.column - first.column + 1);
    }
    bool contains(CellRef c) const {
        return c.row >= first.row && c.row <= last.row && c.column >= first.column && c.column <= last.column;
    }
    friend bool operator==(const Area&, const Area&) = default;
};

// "B3", "$B$3", "B2:C5", "B2:B5,D2" (any case, '$' optional; corners in any
// order). Fails with HostError(1004, "Invalid cell reference: <text>").
std::vector<Area> parse_areas(std::string_view a1);
CellRef parse_cell(std::string_view a1);
// "$B$3", "$B$2:$B$5,$D$2": the host's Address.
std::u16string absolute_address(const std::vector<Area>& areas);
// "B3": the relative name, as xlsx files write it.
std::string cell_name(CellRef c);
std::string column_name(std::int32_t column);

// ---- Sheets, cells, comments -----------------------------------------------

using CellValue = std::variant<std::monostate, double, bool, std::u16string>;

struct FillData {
    float transparency = 0.0f;            // 0 opaque .. 1 clear
    std::int32_t color = kCommentFillColor;  // 0x00BBGGRR
    std::optional<Picture> picture;       // the background picture, path and bytes kept for saving
};

struct CommentData {
    std::u16string author;
    FormattedText text{note_default_font()};  // line breaks are LF
    double width = 96.0;                    // points
    double height = 55.5;
    // How far the box's top-left corner moved from its default place beside the
    // cell, in points (scaling from the middle or the bottom-right moves it).
    double left_shift = 0.0;
    double top_shift = 0.0;
    bool visible = false;
    FillData fill;
    std::int32_t orientation = host::msoTextOrientationHorizontal;
    std::int32_t vertical_alignment = xlVAlignTop;
    // Set when the comment is removed from its cell: port objects still
    // holding it then fail.
    bool deleted = false;
};

struct CellData {
    CellValue value;
    FormattedText text;  // what the cell displays, with a font per character
    std::shared_ptr<CommentData> comment;
};

class Sheet {
public:
    explicit Sheet(std::u16string sheet_name) : name(std::move(sheet_name)) {}

    std::u16string name;
    bool protect_contents = false;
    std::map<std::int32_t, double> column_widths;  // characters; absent: the sheet's default
    std::map<std::int32_t, double> row_heights;    // points
    double default_column_width = 8.43;
    double default_row_height = 15.0;
    std::map<CellRef, CellData> cells;  // row-major order
    // The selection: areas, or std::nullopt when a shape is selected.
    std::optional<std::vector<Area>> selection = std::vector<Area>{Area{}};
    CellRef active_cell;

    CellData& cell(CellRef at) { return cells[at]; }
    CellData& cell(std::string_view a1) { return cell(parse_cell(a1)); }
    CellData* find(CellRef at);
    const CellData* find(CellRef at) const;

    // A text cell: the value and the displayed text are the same, in one font.
    CellData& set_text(std::string_view a1, std::u16string text, const CharFont& font = cell_default_font());
    // A cell whose displayed text differs from its value (a number format).
    CellData& set_value(std::string_view a1, CellValue value, std::u16string shown,
                        const CharFont& font = cell_default_font());

    // Adds a comment in the default comment font; fails (1004) when the cell
    // already has one.
    CommentData& add_comment(CellRef at, std::u16string text, std::u16string author = {});
    CommentData& add_comment(std::string_view a1, std::u16string text, std::u16string author = {}) {
        return add_comment(parse_cell(a1), std::move(text), std::move(author));
    }
    CommentData* comment(CellRef at);
    CommentData* comment(std::string_view a1) { return comment(parse_cell(a1)); }
    // Removes and marks deleted; false when the cell had none.
    bool remove_comment(CellRef at);
    // The commented cells, row by row.
    std::vector<std::pair<CellRef, std::shared_ptr<CommentData>>> comments() const;

    // Selects areas ("B2:B5,D2"); the active cell is `active`, or the first
    // cell of the first area.
    void select(std::string_view areas, std::optional<std::string_view> active = std::nullopt);
    // Selects a drawing object: Application.Selection is then no range.
    void select_shape() { selection.reset(); }
};

class Workbook {
public:
    explicit Workbook(std::u16string book_name) : name(std::move(book_name)) {}
    std::u16string name;
    std::vector<std::shared_ptr<Sheet>> sheets;
    std::size_t active_sheet = 0;

    Sheet& add_sheet(std::u16string sheet_name);
    Sheet* sheet(std::u16string_view sheet_name);
};

// ---- Command bars ----------------------------------------------------------

// A bar, a popup menu or a button: one node type for the whole tree.
struct BarControl : std::enable_shared_from_this<BarControl> {
    enum Kind : std::int16_t { kBar = 0, kButton = host::msoControlButton, kPopup = 10 };
    Kind kind = kButton;
    std::u16string caption;  // a bar's name
    std::u16string tag;
    bool built_in = false;  // one of Excel's own controls, routed by its Id rather than its Tag
    std::vector<std::shared_ptr<BarControl>> controls;  // a bar's or popup's children
    std::weak_ptr<BarControl> parent;
    std::map<std::uint32_t, std::shared_ptr<host::CommandBarButtonEvents>> sinks;  // a button's
    bool deleted = false;

    // First child with exactly this caption, or nullptr.
    std::shared_ptr<BarControl> find(std::u16string_view child_caption) const;
    // Appends a child (this node must be owned by a shared_ptr).
    std::shared_ptr<BarControl> add(Kind k, std::u16string child_caption);
};

struct CommandBarOptions {
    // The worksheet menu bar has an "&Insert" popup (beside "&File", "&Edit",
    // "&View", ...); false: it has none, as after a user's customisation.
    bool insert_menu = true;
    // A button already at the end of the Insert menu with this caption, as one
    // kept from an earlier session.
    std::optional<std::u16string> earlier_button;
    std::u16string earlier_button_tag{};  // its Tag
};

// ---- The application -------------------------------------------------------

class Excel : public std::enable_shared_from_this<Excel> {
public:
    static std::shared_ptr<Excel> Create(const CommandBarOptions& bars = {});

    // The ports. Each call hands out a new port object over the same model.
    std::shared_ptr<host::Application> application();
    // The automation object the add-in is given at connection: QueryApplication
    // returns application().
    std::shared_ptr<host::Object> object();
    // An object of another program: QueryApplication fails (TypeMismatch).
    static std::shared_ptr<host::Object> foreign_object();

    // Workbooks. add_workbook makes the new one active, with the named sheets
    // (the first active, A1 selected).
    Workbook& add_workbook(std::u16string book_name = u"Book1", std::vector<std::u16string> sheet_names = {u"Sheet1"});
    // Closes every workbook: then there is no active cell and no selection.
    void close_all() { workbooks.clear(); }
    // The active sheet, or nullptr when no workbook is open.
    Sheet* active_sheet();
    // The active sheet; a workbook with "Sheet1" is opened when none is.
    Sheet& sheet();

    std::vector<std::shared_ptr<Workbook>> workbooks;
    std::size_t active_workbook = 0;

    // Application properties, as the ports read and write them.
    bool screen_updating = true;
    std::int32_t display_comment_indicator = host::xlCommentIndicatorOnly;
    bool visible = true;
    std::u16string user_name = u"Quillette User";
    std::u16string version = u"16.0";
    std::optional<std::int32_t> hwnd = 0x000A0B2C;  // nullopt: the host has no hWnd (438)
    // Excel 2000 takes no string longer than 255 characters in AddComment,
    // Comment.Text or WorksheetFunction.Substitute: it truncates it or fails
    // with 1004 (Microsoft Knowledge Base article 213841). In this mode
    // check_string throws that failure.
    bool short_strings = false;
    void check_string(const std::u16string& s) const;
    // The active window shows a chart sheet: ActiveCell fails (1004) rather
    // than returning nothing, and Selection is no range.
    bool chart_sheet_active = false;

    // GetOpenFilename asks this port; by default the scripted one below.
    std::shared_ptr<FileChoicePort> file_choice;
    ScriptedFileChoice& scripted_files() { return *scripted_files_; }

    // Command bars: the bar by name (case-insensitive), or nullptr.
    std::shared_ptr<BarControl> bar(std::u16string_view bar_name) const;
    // The worksheet menu bar's popup whose caption, without '&', is `caption`
    // (case-insensitive), or nullptr.
    std::shared_ptr<BarControl> menu(std::u16string_view caption) const;
    // The user clicks a button: every sink advised on a button of the same
    // identity receives Click, in the order advised, with the clicked button
    // and one CancelDefault that starts false; returns CancelDefault as the
    // sinks left it. Custom buttons share an identity when their Tags are
    // equal, so all Tag-less ones share one; a built-in button has its own
    // (https://learn.microsoft.com/office/vba/api/office.commandbarcontrol.tag:
    // "define the Tag property unique to the events"). Throws
    // std::invalid_argument for a deleted control or one that is not a button.
    bool click(const std::shared_ptr<BarControl>& button);
    std::vector<std::shared_ptr<BarControl>> bars;

    CallLog log;

    // For the ports.
    std::uint32_t next_cookie() { return ++cookie_; }

private:
    Excel() = default;
    std::shared_ptr<ScriptedFileChoice> scripted_files_;
    std::uint32_t cookie_ = 0;
};

// Case-insensitive caption match that ignores '&', as the host's lookups do.
bool caption_matches(std::u16string_view caption, std::u16string_view wanted);

}  // namespace quill::memory
