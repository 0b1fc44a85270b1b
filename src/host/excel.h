#pragma once
// Host ports: one interface per object of the host's object model, with the
// members the add-in uses, named as the host names them. Every call may throw
// HostError. Object references are shared pointers; "nothing" is nullptr.
// Getters and setters of a property share the property's name.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quill::host {

class Application;
class Range;
class Worksheet;
class Comment;
class Shape;
class FillFormat;
class TextFrame;
class Characters;
class Font;
class WorksheetFunction;
class CommandBars;
class CommandBar;
class CommandBarControls;
class CommandBarControl;

// Host constants the core passes or compares.
inline constexpr std::int32_t xlCellTypeComments = -4144;
inline constexpr std::int32_t xlCommentIndicatorOnly = -1;
inline constexpr std::int32_t xlBottom = -4107;
inline constexpr std::int32_t msoTextOrientationHorizontal = 1;
inline constexpr std::int32_t msoTextOrientationUpward = 2;
inline constexpr std::int32_t msoTextOrientationDownward = 3;
inline constexpr std::int32_t msoTextOrientationVertical = 5;
inline constexpr std::int32_t msoScaleFromTopLeft = 0;
inline constexpr std::int32_t msoFalse = 0;
inline constexpr std::int16_t msoControlButton = 1;
// Underline styles (XlUnderlineStyle).
inline constexpr std::int32_t xlUnderlineStyleNone = -4142;
inline constexpr std::int32_t xlUnderlineStyleSingle = 2;
inline constexpr std::int32_t xlUnderlineStyleDouble = -4119;
inline constexpr std::int32_t xlUnderlineStyleSingleAccounting = 4;
inline constexpr std::int32_t xlUnderlineStyleDoubleAccounting = 5;

// Any automation object handed to the add-in (the connection's Application
// argument). QueryApplication is "taken through the host's Application
// interface": it fails (TypeMismatch) for an object that is not the host's.
class Object {
public:
    virtual ~Object() = default;
    virtual std::shared_ptr<Application> QueryApplication() = 0;
};

// What GetOpenFilename returns when the user chose files: full paths with the
// array bounds the host gave them. A cancel is std::nullopt (the host's False).
struct FileList {
    std::int32_t lowerBound = 1;
    std::vector<std::u16string> paths;
    std::int32_t upperBound() const { return lowerBound + static_cast<std::int32_t>(paths.size()) - 1; }
};

class Application {
public:
    virtual ~Application() = default;
    virtual std::shared_ptr<Range> ActiveCell() = 0;  // nullptr: no active cell (no workbook open)
    // The selection as a range; nullptr when the selection is not a range of
    // cells (a shape, a chart).
    virtual std::shared_ptr<Range> Selection() = 0;
    virtual std::shared_ptr<host::CommandBars> CommandBars() = 0;
    // FilterIndex not given: std::nullopt. Returns std::nullopt on cancel.
    virtual std::optional<FileList> GetOpenFilename(const std::u16string& FileFilter,
                                                    std::optional<std::int32_t> FilterIndex,
                                                    const std::u16string& Title,
                                                    const std::u16string& ButtonText, bool MultiSelect) = 0;
    virtual std::shared_ptr<host::WorksheetFunction> WorksheetFunction() = 0;
    virtual bool ScreenUpdating() = 0;
    virtual void ScreenUpdating(bool on) = 0;
    virtual std::int32_t DisplayCommentIndicator() = 0;
    virtual void DisplayCommentIndicator(std::int32_t mode) = 0;
    virtual bool Visible() = 0;
    virtual void Visible(bool on) = 0;
    virtual std::u16string UserName() = 0;
    virtual std::u16string Version() = 0;  // starts with the major version number, e.g. "16.0"
    // The main window's handle, looked up by name; a host without it throws
    // (438, "Object doesn't support this property or method").
    virtual std::int32_t hWnd() = 0;
};

class WorksheetFunction {
public:
    virtual ~WorksheetFunction() = default;
    // Every occurrence of old_text replaced, left to right, non-overlapping.
    // An empty old_text leaves the text unchanged.
    virtual std::u16string Substitute(const std::u16string& text, const std::u16string& old_text,
                                      const std::u16string& new_text) = 0;
};

// Enumerates the cells of a range, one single-cell Range each, in the host's
// order; returns nullptr after the last.
class CellEnumerator {
public:
    virtual ~CellEnumerator() = default;
    virtual std::shared_ptr<Range> Next() = 0;
};

class Range {
public:
    virtual ~Range() = default;
    virtual std::shared_ptr<Worksheet> Parent() = 0;
    virtual std::shared_ptr<host::Comment> Comment() = 0;  // nullptr: the (first) cell has no comment
    // Creates the comment of the range's first cell and returns it; fails when
    // the cell already has one.
    virtual std::shared_ptr<host::Comment> AddComment(const std::u16string& Text) = 0;
    virtual void ClearComments() = 0;
    // The matching cells within the range; fails (1004, "No cells were found.")
    // when none matches.
    virtual std::shared_ptr<Range> SpecialCells(std::int32_t Type) = 0;
    virtual std::shared_ptr<Range> Cells() = 0;
    // Count fails with error 6 (Overflow) beyond 2,147,483,647 cells, as a
    // whole sheet of Excel 2007 and later has; CountLarge, which Excel 2000
    // lacks, counts any range.
    virtual std::int64_t Count() = 0;
    virtual std::int64_t CountLarge() = 0;
    virtual std::u16string Address() = 0;  // absolute A1 reference, e.g. "$B$3" or "$A$1:$B$2,$D$4"
    virtual std::u16string Text() = 0;     // what the (first) cell displays, not its value
    virtual std::shared_ptr<host::Characters> Characters(std::int32_t Start, std::int32_t Length) = 0;  // 1-based
    // Cells one by one, area by area, each area row by row.
    virtual std::unique_ptr<CellEnumerator> NewEnum() = 0;
};

class Worksheet {
public:
    virtual ~Worksheet() = default;
    virtual bool ProtectContents() = 0;
};

class Comment {
public:
    virtual ~Comment() = default;
    virtual std::u16string Text() = 0;               // the whole text; line breaks are LF
    virtual void Text(const std::u16string& text) = 0;  // replaces the whole text
    // Inserts `text` at character `Start` (from 1), or writes over the text
    // from there when `Overwrite`.
    virtual void Text(const std::u16string& text, std::int32_t Start, bool Overwrite) = 0;
    virtual void Delete() = 0;
    virtual std::shared_ptr<host::Shape> Shape() = 0;
};

class Shape {
public:
    virtual ~Shape() = default;
    virtual std::shared_ptr<FillFormat> Fill() = 0;
    virtual std::shared_ptr<host::TextFrame> TextFrame() = 0;
    // Factor relative to the current size when RelativeToOriginalSize is
    // msoFalse; Scale msoScaleFromTopLeft keeps the top-left corner.
    virtual void ScaleWidth(float Factor, std::int32_t RelativeToOriginalSize, std::int32_t Scale) = 0;
    virtual void ScaleHeight(float Factor, std::int32_t RelativeToOriginalSize, std::int32_t Scale) = 0;
};

class FillFormat {
public:
    virtual ~FillFormat() = default;
    virtual float Transparency() = 0;
    virtual void Transparency(float value) = 0;
    // The picture file (full path) becomes the background; fails with a
    // description naming the file when it cannot be used.
    virtual void UserPicture(const std::u16string& PictureFile) = 0;
};

class TextFrame {
public:
    virtual ~TextFrame() = default;
    virtual std::int32_t Orientation() = 0;
    virtual void Orientation(std::int32_t value) = 0;
    virtual std::int32_t VerticalAlignment() = 0;
    virtual void VerticalAlignment(std::int32_t value) = 0;
    virtual std::shared_ptr<host::Characters> Characters(std::int32_t Start, std::int32_t Length) = 0;  // 1-based
};

class Characters {
public:
    virtual ~Characters() = default;
    virtual std::u16string Text() = 0;
    virtual std::shared_ptr<host::Font> Font() = 0;
};

class Font {
public:
    virtual ~Font() = default;
    virtual std::u16string Name() = 0;
    virtual void Name(const std::u16string& value) = 0;
    virtual float Size() = 0;
    virtual void Size(float points) = 0;
    virtual bool Bold() = 0;
    virtual void Bold(bool value) = 0;
    virtual bool Italic() = 0;
    virtual void Italic(bool value) = 0;
    virtual bool Strikethrough() = 0;
    virtual void Strikethrough(bool value) = 0;
    virtual std::int32_t Underline() = 0;  // an xlUnderlineStyle* value
    // Written as a Boolean, as the host takes one: true single, false none.
    virtual void Underline(bool value) = 0;
    virtual std::int32_t Color() = 0;  // 0x00BBGGRR
    virtual void Color(std::int32_t value) = 0;
};

// Receives the Click event of a command-bar button.
class CommandBarButtonEvents {
public:
    virtual ~CommandBarButtonEvents() = default;
    virtual void Click(const std::shared_ptr<CommandBarControl>& Ctrl, bool& CancelDefault) = 0;
};

class CommandBars {
public:
    virtual ~CommandBars() = default;
    virtual std::shared_ptr<CommandBar> Item(const std::u16string& name) = 0;  // fails when not found
};

class CommandBar {
public:
    virtual ~CommandBar() = default;
    virtual std::shared_ptr<CommandBarControls> Controls() = 0;
};

class CommandBarControls {
public:
    virtual ~CommandBarControls() = default;
    virtual std::shared_ptr<CommandBarControl> Item(const std::u16string& caption) = 0;  // fails when not found
    virtual std::shared_ptr<CommandBarControl> Add(std::int16_t Type) = 0;  // appended at the end
    virtual std::int32_t Count() = 0;
};

class CommandBarControl {
public:
    virtual ~CommandBarControl() = default;
    virtual std::u16string Caption() = 0;
    virtual void Caption(const std::u16string& value) = 0;
    // Office raises a button's Click on every connected button that shares
    // its Tag, and all Tag-less custom buttons share one.
    virtual void Tag(const std::u16string& value) = 0;
    virtual void Delete() = 0;
    // Called by name on a popup control; fails on a control without children.
    virtual std::shared_ptr<CommandBarControls> Controls() = 0;
    // The control taken as a button: attach an event sink to its Click event.
    // Fails (TypeMismatch) on a control that is not a button. The returned
    // cookie detaches it again; Unadvise ignores unknown cookies.
    virtual std::uint32_t Advise(std::shared_ptr<CommandBarButtonEvents> sink) = 0;
    virtual void Unadvise(std::uint32_t cookie) = 0;
};

}  // namespace quill::host
