// The host ports over the in-memory model. Every member starts with CALL(),
// which logs it and lets an injected fault fail it before it has any effect.
#include <algorithm>
#include <limits>
#include <set>
#include <stdexcept>
#include <type_traits>

#include "ports/host_error.h"
#include "platform/memory/workbook.h"

namespace quill::memory {

namespace {

#define CALL(member)                                                             \
    do {                                                                         \
        static const CallLog::MemberId call_id_ = CallLog::id_of(member);        \
        xl_->log.enter(call_id_);                                                \
    } while (0)

using XlPtr = std::shared_ptr<Excel>;
using SheetPtr = std::shared_ptr<Sheet>;
using CommentPtr = std::shared_ptr<CommentData>;

HostError app_error() { return HostError(kAppDefinedError, u"Application-defined or object-defined error"); }
HostError out_of_range() { return HostError(-2147024809, u"The specified value is out of range."); }
HostError cannot_set(const char16_t* property, const char16_t* cls) {
    return HostError(kAppDefinedError, std::u16string(u"Unable to set the ") + property + u" property of the " + cls +
                                           u" class");
}

std::shared_ptr<Sheet> sheet_ptr(Excel& xl) {
    if (xl.active_workbook >= xl.workbooks.size()) return nullptr;
    Workbook& wb = *xl.workbooks[xl.active_workbook];
    if (wb.active_sheet >= wb.sheets.size()) return nullptr;
    return wb.sheets[wb.active_sheet];
}

// The text that Characters and Font work on: a comment's or a cell's.
struct TextTarget {
    CommentPtr comment;
    SheetPtr sheet;
    CellRef cell;
    FormattedText& get() const {
        if (comment) {
            if (comment->deleted) throw app_error();
            return comment->text;
        }
        return sheet->cell(cell).text;
    }
};

// A 1-based span as the host takes it, turned into 0-based clipped bounds.
struct Span {
    std::size_t pos;
    std::size_t len;
};
Span span_of(std::int32_t start, std::int32_t length) {
    return Span{static_cast<std::size_t>(start - 1), static_cast<std::size_t>(length)};
}
void check_span(std::int32_t start, std::int32_t length, const char16_t* cls) {
    if (start < 1 || length < 0)
        throw HostError(kAppDefinedError, std::u16string(u"Unable to get the Characters property of the ") + cls +
                                              u" class");
}

class FontPort final : public host::Font {
public:
    FontPort(XlPtr xl, TextTarget t, Span s) : xl_(std::move(xl)), t_(std::move(t)), s_(s) {}

    std::u16string Name() override {
        CALL("Font.Name");
        return read([](const CharFont& f) { return f.name; });
    }
    void Name(const std::u16string& v) override {
        CALL("Font.Name");
        if (v.empty()) throw cannot_set(u"Name", u"Font");
        write([&](CharFont& f) { f.name = v; });
    }
    float Size() override {
        CALL("Font.Size");
        return read([](const CharFont& f) { return f.size; });
    }
    void Size(float v) override {
        CALL("Font.Size");
        if (!(v >= 1.0f && v <= 409.0f)) throw cannot_set(u"Size", u"Font");
        write([&](CharFont& f) { f.size = v; });
    }
    bool Bold() override {
        CALL("Font.Bold");
        return read([](const CharFont& f) { return f.bold; });
    }
    void Bold(bool v) override {
        CALL("Font.Bold");
        write([&](CharFont& f) { f.bold = v; });
    }
    bool Italic() override {
        CALL("Font.Italic");
        return read([](const CharFont& f) { return f.italic; });
    }
    void Italic(bool v) override {
        CALL("Font.Italic");
        write([&](CharFont& f) { f.italic = v; });
    }
    bool Strikethrough() override {
        CALL("Font.Strikethrough");
        return read([](const CharFont& f) { return f.strikethrough; });
    }
    void Strikethrough(bool v) override {
        CALL("Font.Strikethrough");
        write([&](CharFont& f) { f.strikethrough = v; });
    }
    std::int32_t Underline() override {
        CALL("Font.Underline");
        return read([](const CharFont& f) { return f.underline; });
    }
    void Underline(bool v) override {
        CALL("Font.Underline");
        write([&](CharFont& f) { f.underline = v ? host::xlUnderlineStyleSingle : host::xlUnderlineStyleNone; });
    }
    std::int32_t Color() override {
        CALL("Font.Color");
        return read([](const CharFont& f) { return f.color; });
    }
    void Color(std::int32_t v) override {
        CALL("Font.Color");
        if (v < 0 || v > 0xFFFFFF) throw cannot_set(u"Color", u"Font");
        write([&](CharFont& f) { f.color = v; });
    }

private:
    template <class Proj>
    std::invoke_result_t<Proj, const CharFont&> read(Proj proj) {
        const FormattedText& text = t_.get();
        if (!text.uniform(s_.pos, s_.len, proj)) throw err::InvalidUseOfNull();
        return proj(text.font_at(s_.pos));
    }
    template <class Change>
    void write(Change change) {
        t_.get().update(s_.pos, s_.len, change);
    }
    XlPtr xl_;
    TextTarget t_;
    Span s_;
};

class CharactersPort final : public host::Characters {
public:
    CharactersPort(XlPtr xl, TextTarget t, Span s) : xl_(std::move(xl)), t_(std::move(t)), s_(s) {}
    std::u16string Text() override {
        CALL("Characters.Text");
        const std::u16string& all = t_.get().text();
        if (s_.pos >= all.size()) return {};
        return all.substr(s_.pos, s_.len);
    }
    std::shared_ptr<host::Font> Font() override {
        CALL("Characters.Font");
        t_.get();
        return std::make_shared<FontPort>(xl_, t_, s_);
    }

private:
    XlPtr xl_;
    TextTarget t_;
    Span s_;
};

CommentData& alive(const CommentPtr& c) {
    if (c->deleted) throw app_error();
    return *c;
}

class FillPort final : public host::FillFormat {
public:
    FillPort(XlPtr xl, CommentPtr c) : xl_(std::move(xl)), c_(std::move(c)) {}
    float Transparency() override {
        CALL("FillFormat.Transparency");
        return alive(c_).fill.transparency;
    }
    void Transparency(float v) override {
        CALL("FillFormat.Transparency");
        CommentData& c = alive(c_);
        if (!(v >= 0.0f && v <= 1.0f)) throw out_of_range();
        c.fill.transparency = v;
    }
    void UserPicture(const std::u16string& file) override {
        CALL("FillFormat.UserPicture");
        CommentData& c = alive(c_);
        c.fill.picture = load_picture(file);
    }

private:
    XlPtr xl_;
    CommentPtr c_;
};

class TextFramePort final : public host::TextFrame {
public:
    TextFramePort(XlPtr xl, CommentPtr c) : xl_(std::move(xl)), c_(std::move(c)) {}
    std::int32_t Orientation() override {
        CALL("TextFrame.Orientation");
        return alive(c_).orientation;
    }
    void Orientation(std::int32_t v) override {
        CALL("TextFrame.Orientation");
        CommentData& c = alive(c_);
        if (v < 1 || v > 6) throw out_of_range();  // msoTextOrientationHorizontal .. HorizontalRotatedFarEast
        c.orientation = v;
    }
    std::int32_t VerticalAlignment() override {
        CALL("TextFrame.VerticalAlignment");
        return alive(c_).vertical_alignment;
    }
    void VerticalAlignment(std::int32_t v) override {
        CALL("TextFrame.VerticalAlignment");
        CommentData& c = alive(c_);
        // xlTop, xlCenter, xlBottom, xlJustify, xlDistributed
        if (v != -4160 && v != -4108 && v != -4107 && v != -4130 && v != -4117)
            throw cannot_set(u"VerticalAlignment", u"TextFrame");
        c.vertical_alignment = v;
    }
    std::shared_ptr<host::Characters> Characters(std::int32_t start, std::int32_t length) override {
        CALL("TextFrame.Characters");
        alive(c_);
        check_span(start, length, u"TextFrame");
        return std::make_shared<CharactersPort>(xl_, TextTarget{c_, nullptr, {}}, span_of(start, length));
    }

private:
    XlPtr xl_;
    CommentPtr c_;
};

class ShapePort final : public host::Shape {
public:
    ShapePort(XlPtr xl, CommentPtr c) : xl_(std::move(xl)), c_(std::move(c)) {}
    std::shared_ptr<host::FillFormat> Fill() override {
        CALL("Shape.Fill");
        alive(c_);
        return std::make_shared<FillPort>(xl_, c_);
    }
    std::shared_ptr<host::TextFrame> TextFrame() override {
        CALL("Shape.TextFrame");
        alive(c_);
        return std::make_shared<TextFramePort>(xl_, c_);
    }
    void ScaleWidth(float factor, std::int32_t relative, std::int32_t scale) override {
        CALL("Shape.ScaleWidth");
        CommentData& c = alive(c_);
        const double old = c.width;
        c.width = scaled(old, factor, relative, scale);
        c.left_shift -= shift(c.width - old, scale);
    }
    void ScaleHeight(float factor, std::int32_t relative, std::int32_t scale) override {
        CALL("Shape.ScaleHeight");
        CommentData& c = alive(c_);
        const double old = c.height;
        c.height = scaled(old, factor, relative, scale);
        c.top_shift -= shift(c.height - old, scale);
    }

private:
    // A comment box has no original size to scale against: only relative
    // scaling is accepted, as the host accepts it for a comment.
    static double scaled(double size, float factor, std::int32_t relative, std::int32_t scale) {
        if (relative != host::msoFalse || !(factor > 0.0f) || scale < 0 || scale > 2) throw out_of_range();
        return size * static_cast<double>(factor);
    }
    // msoScaleFromTopLeft 0, msoScaleFromMiddle 1, msoScaleFromBottomRight 2.
    static double shift(double grown, std::int32_t scale) { return scale == 0 ? 0.0 : scale == 1 ? grown / 2 : grown; }
    XlPtr xl_;
    CommentPtr c_;
};

class CommentPort final : public host::Comment {
public:
    CommentPort(XlPtr xl, SheetPtr sheet, CellRef at, CommentPtr c)
        : xl_(std::move(xl)), sheet_(std::move(sheet)), at_(at), c_(std::move(c)) {}
    std::u16string Text() override {
        CALL("Comment.Text");
        return alive(c_).text.text();
    }
    void Text(const std::u16string& text) override {
        CALL("Comment.Text");
        xl_->check_string(text);
        alive(c_).text.assign(text, note_default_font());
    }
    void Text(const std::u16string& text, std::int32_t start, bool overwrite) override {
        CALL("Comment.Text");
        xl_->check_string(text);
        FormattedText& old = alive(c_).text;
        const std::size_t at = std::min(static_cast<std::size_t>(std::max(start, 1) - 1), old.size());
        const std::size_t resume = overwrite ? std::min(at + text.size(), old.size()) : at;
        // The old characters keep their fonts; the new ones take the font of
        // the character before them, as typing does.
        FormattedText out(old.base_font());
        for (std::size_t i = 0; i < at; ++i) out.append(std::u16string_view(old.text()).substr(i, 1), old.font_at(i));
        out.append(text, at ? old.font_at(at - 1) : old.font_at(0));
        for (std::size_t i = resume; i < old.size(); ++i)
            out.append(std::u16string_view(old.text()).substr(i, 1), old.font_at(i));
        old = std::move(out);
    }
    void Delete() override {
        CALL("Comment.Delete");
        alive(c_);
        sheet_->remove_comment(at_);
    }
    std::shared_ptr<host::Shape> Shape() override {
        CALL("Comment.Shape");
        alive(c_);
        return std::make_shared<ShapePort>(xl_, c_);
    }

private:
    XlPtr xl_;
    SheetPtr sheet_;
    CellRef at_;
    CommentPtr c_;
};

class WorksheetPort final : public host::Worksheet {
public:
    WorksheetPort(XlPtr xl, SheetPtr s) : xl_(std::move(xl)), s_(std::move(s)) {}
    bool ProtectContents() override {
        CALL("Worksheet.ProtectContents");
        return s_->protect_contents;
    }

private:
    XlPtr xl_;
    SheetPtr s_;
};

// Calls fn(CellRef, CellData&) for the cells of the area that exist in the
// model, without walking the empty ones.
template <class Fn>
void for_each_existing(Sheet& sheet, const Area& a, Fn fn) {
    for (auto it = sheet.cells.lower_bound(a.first); it != sheet.cells.end() && it->first.row <= a.last.row;) {
        if (it->first.column < a.first.column) {
            it = sheet.cells.lower_bound(CellRef{it->first.row, a.first.column});
        } else if (it->first.column > a.last.column) {
            it = sheet.cells.lower_bound(CellRef{it->first.row + 1, a.first.column});
        } else {
            fn(it->first, it->second);
            ++it;
        }
    }
}

// Cells merged into rectangles: runs along each row, then runs of equal
// columns on consecutive rows into blocks.
std::vector<Area> to_areas(const std::set<CellRef>& cells) {
    std::vector<Area> rows;
    for (const CellRef& c : cells) {
        if (!rows.empty() && rows.back().last.row == c.row && rows.back().last.column + 1 == c.column)
            ++rows.back().last.column;
        else
            rows.push_back(Area{c, c});
    }
    std::vector<Area> blocks;
    std::vector<bool> used(rows.size(), false);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (used[i]) continue;
        Area block = rows[i];
        for (std::size_t j = i + 1; j < rows.size() && rows[j].first.row <= block.last.row + 1; ++j) {
            if (!used[j] && rows[j].first.row == block.last.row + 1 && rows[j].first.column == block.first.column &&
                rows[j].last.column == block.last.column) {
                block.last.row = rows[j].first.row;
                used[j] = true;
            }
        }
        blocks.push_back(block);
    }
    return blocks;
}

class RangePort;

class EnumPort final : public host::CellEnumerator {
public:
    EnumPort(XlPtr xl, SheetPtr s, std::vector<Area> areas) : xl_(std::move(xl)), s_(std::move(s)), areas_(std::move(areas)) {
        if (!areas_.empty()) at_ = areas_[0].first;
    }
    std::shared_ptr<host::Range> Next() override;

private:
    XlPtr xl_;
    SheetPtr s_;
    std::vector<Area> areas_;
    std::size_t area_ = 0;
    CellRef at_;
};

class RangePort final : public host::Range {
public:
    RangePort(XlPtr xl, SheetPtr s, std::vector<Area> areas)
        : xl_(std::move(xl)), s_(std::move(s)), areas_(std::move(areas)) {}

    std::shared_ptr<host::Worksheet> Parent() override {
        CALL("Range.Parent");
        return std::make_shared<WorksheetPort>(xl_, s_);
    }
    std::shared_ptr<host::Comment> Comment() override {
        CALL("Range.Comment");
        CellData* c = s_->find(first());
        if (!c || !c->comment) return nullptr;
        return std::make_shared<CommentPort>(xl_, s_, first(), c->comment);
    }
    std::shared_ptr<host::Comment> AddComment(const std::u16string& text) override {
        CALL("Range.AddComment");
        xl_->check_string(text);
        s_->add_comment(first(), text, xl_->user_name);
        return std::make_shared<CommentPort>(xl_, s_, first(), s_->cell(first()).comment);
    }
    void ClearComments() override {
        CALL("Range.ClearComments");
        for (const Area& a : areas_)
            for_each_existing(*s_, a, [](CellRef, CellData& c) {
                if (c.comment) {
                    c.comment->deleted = true;
                    c.comment.reset();
                }
            });
    }
    std::shared_ptr<host::Range> SpecialCells(std::int32_t type) override {
        CALL("Range.SpecialCells");
        if (type != host::xlCellTypeComments)
            throw HostError(kAppDefinedError, u"Unable to get the SpecialCells property of the Range class");
        std::set<CellRef> found;
        auto collect = [&found](CellRef at, CellData& c) {
            if (c.comment) found.insert(at);
        };
        if (areas_.size() == 1 && areas_[0].count() == 1)
            for_each_existing(*s_, Area{{1, 1}, {kMaxRows, kMaxColumns}}, collect);
        else
            for (const Area& a : areas_) for_each_existing(*s_, a, collect);
        if (found.empty()) throw HostError(kAppDefinedError, u"No cells were found.");
        return std::make_shared<RangePort>(xl_, s_, to_areas(found));
    }
    std::shared_ptr<host::Range> Cells() override {
        CALL("Range.Cells");
        return std::make_shared<RangePort>(xl_, s_, areas_);
    }
    // https://learn.microsoft.com/office/vba/api/excel.range.count: Count
    // "will generate an overflow error if the specified range has more than
    // 2,147,483,647 cells"; CountLarge came with Excel 2007.
    std::int64_t Count() override {
        CALL("Range.Count");
        const std::int64_t n = cells();
        if (n > std::numeric_limits<std::int32_t>::max()) throw HostError(6, u"Overflow");
        return n;
    }
    std::int64_t CountLarge() override {
        CALL("Range.CountLarge");
        if (xl_->version.starts_with(u"9.")) throw HostError(err::kNotSupported, u"Object doesn't support this property or method");
        return cells();
    }
    std::u16string Address() override {
        CALL("Range.Address");
        return absolute_address(areas_);
    }
    std::u16string Text() override {
        CALL("Range.Text");
        const CellData* c = s_->find(first());
        return c ? c->text.text() : std::u16string();
    }
    std::shared_ptr<host::Characters> Characters(std::int32_t start, std::int32_t length) override {
        CALL("Range.Characters");
        check_span(start, length, u"Range");
        return std::make_shared<CharactersPort>(xl_, TextTarget{nullptr, s_, first()}, span_of(start, length));
    }
    std::unique_ptr<host::CellEnumerator> NewEnum() override {
        CALL("Range.NewEnum");
        return std::make_unique<EnumPort>(xl_, s_, areas_);
    }

private:
    std::int64_t cells() const {
        std::int64_t n = 0;
        for (const Area& a : areas_) n += a.count();
        return n;
    }
    CellRef first() const { return areas_.front().first; }
    XlPtr xl_;
    SheetPtr s_;
    std::vector<Area> areas_;
};

std::shared_ptr<host::Range> EnumPort::Next() {
    CALL("CellEnumerator.Next");
    if (area_ >= areas_.size()) return nullptr;
    const CellRef cell = at_;
    const Area& a = areas_[area_];
    if (at_.column < a.last.column) {
        ++at_.column;
    } else if (at_.row < a.last.row) {
        at_ = CellRef{at_.row + 1, a.first.column};
    } else if (++area_ < areas_.size()) {
        at_ = areas_[area_].first;
    }
    return std::make_shared<RangePort>(xl_, s_, std::vector<Area>{Area{cell, cell}});
}

class WorksheetFunctionPort final : public host::WorksheetFunction {
public:
    explicit WorksheetFunctionPort(XlPtr xl) : xl_(std::move(xl)) {}
    std::u16string Substitute(const std::u16string& text, const std::u16string& old_text,
                              const std::u16string& new_text) override {
        CALL("WorksheetFunction.Substitute");
        for (const auto* s : {&text, &old_text, &new_text}) xl_->check_string(*s);
        constexpr std::size_t kLimit = 32767;
        const HostError too_long(kAppDefinedError, u"Unable to get the Substitute property of the WorksheetFunction class");
        if (text.size() > kLimit || old_text.size() > kLimit || new_text.size() > kLimit) throw too_long;
        if (old_text.empty()) return text;
        std::u16string out;
        std::size_t from = 0;
        for (std::size_t at; (at = text.find(old_text, from)) != std::u16string::npos; from = at + old_text.size()) {
            out.append(text, from, at - from);
            out += new_text;
            if (out.size() > kLimit) throw too_long;
        }
        out.append(text, from);
        if (out.size() > kLimit) throw too_long;
        return out;
    }

private:
    XlPtr xl_;
};

// ---- Command bars ----------------------------------------------------------

using ControlPtr = std::shared_ptr<BarControl>;

HostError control_failed(const char16_t* member) {
    return HostError(-2147467259, std::u16string(u"Method '") + member + u"' of object 'CommandBarControl' failed");
}

class ControlsPort;

class ControlPort final : public host::CommandBarControl {
public:
    ControlPort(XlPtr xl, ControlPtr c) : xl_(std::move(xl)), c_(std::move(c)) {}
    std::u16string Caption() override {
        CALL("CommandBarControl.Caption");
        return alive(u"Caption").caption;
    }
    void Caption(const std::u16string& v) override {
        CALL("CommandBarControl.Caption");
        alive(u"Caption").caption = v;
    }
    void Tag(const std::u16string& v) override {
        CALL("CommandBarControl.Tag");
        alive(u"Tag").tag = v;
    }
    void Delete() override {
        CALL("CommandBarControl.Delete");
        BarControl& c = alive(u"Delete");
        if (auto parent = c.parent.lock()) std::erase(parent->controls, c_);
        c.deleted = true;
        c.sinks.clear();
    }
    std::shared_ptr<host::CommandBarControls> Controls() override;
    std::uint32_t Advise(std::shared_ptr<host::CommandBarButtonEvents> sink) override {
        CALL("CommandBarButton.Advise");
        BarControl& c = alive(u"Advise");
        if (c.kind != BarControl::kButton) throw err::TypeMismatch();
        if (!sink) throw err::ObjectRequired();
        const std::uint32_t cookie = xl_->next_cookie();
        c.sinks.emplace(cookie, std::move(sink));
        return cookie;
    }
    void Unadvise(std::uint32_t cookie) override {
        CALL("CommandBarButton.Unadvise");
        c_->sinks.erase(cookie);
    }

private:
    BarControl& alive(const char16_t* member) {
        if (c_->deleted) throw control_failed(member);
        return *c_;
    }
    XlPtr xl_;
    ControlPtr c_;
};

class ControlsPort final : public host::CommandBarControls {
public:
    ControlsPort(XlPtr xl, ControlPtr owner) : xl_(std::move(xl)), owner_(std::move(owner)) {}
    std::shared_ptr<host::CommandBarControl> Item(const std::u16string& caption) override {
        CALL("CommandBarControls.Item");
        for (const auto& c : owner_->controls)
            if (caption_matches(c->caption, caption)) return std::make_shared<ControlPort>(xl_, c);
        throw err::InvalidProcedureCall();
    }
    std::shared_ptr<host::CommandBarControl> Add(std::int16_t type) override {
        CALL("CommandBarControls.Add");
        if (owner_->deleted) throw control_failed(u"Add");
        if (type != BarControl::kButton && type != BarControl::kPopup) throw err::InvalidProcedureCall();
        return std::make_shared<ControlPort>(xl_, owner_->add(static_cast<BarControl::Kind>(type), u""));
    }
    std::int32_t Count() override {
        CALL("CommandBarControls.Count");
        return static_cast<std::int32_t>(owner_->controls.size());
    }

private:
    XlPtr xl_;
    ControlPtr owner_;
};

std::shared_ptr<host::CommandBarControls> ControlPort::Controls() {
    CALL("CommandBarControl.Controls");
    BarControl& c = alive(u"Controls");
    if (c.kind != BarControl::kPopup) throw HostError(err::kNotSupported, u"Object doesn't support this property or method");
    return std::make_shared<ControlsPort>(xl_, c_);
}

class CommandBarPort final : public host::CommandBar {
public:
    CommandBarPort(XlPtr xl, ControlPtr bar) : xl_(std::move(xl)), bar_(std::move(bar)) {}
    std::shared_ptr<host::CommandBarControls> Controls() override {
        CALL("CommandBar.Controls");
        return std::make_shared<ControlsPort>(xl_, bar_);
    }

private:
    XlPtr xl_;
    ControlPtr bar_;
};

class CommandBarsPort final : public host::CommandBars {
public:
    explicit CommandBarsPort(XlPtr xl) : xl_(std::move(xl)) {}
    std::shared_ptr<host::CommandBar> Item(const std::u16string& name) override {
        CALL("CommandBars.Item");
        if (auto b = xl_->bar(name)) return std::make_shared<CommandBarPort>(xl_, b);
        throw err::InvalidProcedureCall();
    }

private:
    XlPtr xl_;
};

// ---- Application -----------------------------------------------------------

class AppPort final : public host::Application {
public:
    explicit AppPort(XlPtr xl) : xl_(std::move(xl)) {}

    std::shared_ptr<host::Range> ActiveCell() override {
        CALL("Application.ActiveCell");
        // https://learn.microsoft.com/office/vba/api/excel.application.activecell:
        // "If the window isn't displaying a worksheet, this property fails."
        if (xl_->chart_sheet_active)
            throw HostError(1004, u"Method 'ActiveCell' of object '_Application' failed");
        auto s = sheet_ptr(*xl_);
        if (!s) return nullptr;
        return std::make_shared<RangePort>(xl_, s, std::vector<Area>{Area{s->active_cell, s->active_cell}});
    }
    std::shared_ptr<host::Range> Selection() override {
        CALL("Application.Selection");
        auto s = sheet_ptr(*xl_);
        if (xl_->chart_sheet_active || !s || !s->selection || s->selection->empty()) return nullptr;
        return std::make_shared<RangePort>(xl_, s, *s->selection);
    }
    std::shared_ptr<host::CommandBars> CommandBars() override {
        CALL("Application.CommandBars");
        return std::make_shared<CommandBarsPort>(xl_);
    }
    std::optional<host::FileList> GetOpenFilename(const std::u16string& filter, std::optional<std::int32_t> index,
                                                  const std::u16string& title, const std::u16string& button,
                                                  bool multi) override {
        CALL("Application.GetOpenFilename");
        if (!xl_->file_choice) return std::nullopt;
        return xl_->file_choice->Choose(FileChoiceRequest{filter, index, title, button, multi});
    }
    std::shared_ptr<host::WorksheetFunction> WorksheetFunction() override {
        CALL("Application.WorksheetFunction");
        return std::make_shared<WorksheetFunctionPort>(xl_);
    }
    bool ScreenUpdating() override {
        CALL("Application.ScreenUpdating");
        return xl_->screen_updating;
    }
    void ScreenUpdating(bool on) override {
        CALL("Application.ScreenUpdating");
        xl_->screen_updating = on;
    }
    std::int32_t DisplayCommentIndicator() override {
        CALL("Application.DisplayCommentIndicator");
        return xl_->display_comment_indicator;
    }
    void DisplayCommentIndicator(std::int32_t mode) override {
        CALL("Application.DisplayCommentIndicator");
        // xlCommentIndicatorOnly, xlNoIndicator, xlCommentAndIndicator
        if (mode < -1 || mode > 1) throw cannot_set(u"DisplayCommentIndicator", u"Application");
        xl_->display_comment_indicator = mode;
    }
    bool Visible() override {
        CALL("Application.Visible");
        return xl_->visible;
    }
    void Visible(bool on) override {
        CALL("Application.Visible");
        xl_->visible = on;
    }
    std::u16string UserName() override {
        CALL("Application.UserName");
        return xl_->user_name;
    }
    std::u16string Version() override {
        CALL("Application.Version");
        return xl_->version;
    }
    std::int32_t hWnd() override {
        CALL("Application.hWnd");
        if (!xl_->hwnd) throw HostError(err::kNotSupported, u"Object doesn't support this property or method");
        return *xl_->hwnd;
    }

private:
    XlPtr xl_;
};

class AppObject final : public host::Object {
public:
    explicit AppObject(XlPtr xl) : xl_(std::move(xl)) {}
    std::shared_ptr<host::Application> QueryApplication() override {
        CALL("Object.QueryApplication");
        return xl_->application();
    }

private:
    XlPtr xl_;
};

class ForeignObject final : public host::Object {
public:
    std::shared_ptr<host::Application> QueryApplication() override { throw err::TypeMismatch(); }
};

#undef CALL

}  // namespace

std::shared_ptr<host::Application> Excel::application() { return std::make_shared<AppPort>(shared_from_this()); }

std::shared_ptr<host::Object> Excel::object() { return std::make_shared<AppObject>(shared_from_this()); }

std::shared_ptr<host::Object> Excel::foreign_object() { return std::make_shared<ForeignObject>(); }

bool Excel::click(const std::shared_ptr<BarControl>& button) {
    if (!button || button->deleted || button->kind != BarControl::kButton)
        throw std::invalid_argument("only a button in a menu can be clicked");
    const auto same_identity = [&](const BarControl& other) {
        if (other.kind != BarControl::kButton || other.deleted) return false;
        if (button->built_in || other.built_in) return &other == button.get();
        return other.tag == button->tag;
    };
    // Cookies count up, so ordering by them is the order advised.
    std::map<std::uint32_t, std::pair<std::shared_ptr<BarControl>, std::shared_ptr<host::CommandBarButtonEvents>>> sinks;
    const auto collect = [&](const auto& self, const std::shared_ptr<BarControl>& node) -> void {
        if (same_identity(*node))
            for (const auto& [cookie, sink] : node->sinks) sinks.emplace(cookie, std::pair{node, sink});
        for (const auto& child : node->controls) self(self, child);
    };
    for (const auto& b : bars) collect(collect, b);
    std::shared_ptr<host::CommandBarControl> ctrl = std::make_shared<ControlPort>(shared_from_this(), button);
    bool cancel_default = false;
    // A sink may unadvise itself, or others, while handling the click.
    for (const auto& [cookie, target] : sinks)
        if (target.first->sinks.count(cookie)) target.second->Click(ctrl, cancel_default);
    return cancel_default;
}

}  // namespace quill::memory
