#include "platform/win32/dispatch_bridge.h"

#include <oleauto.h>

#include "platform/win32/button_events.h"
#include "platform/win32/dispatch_call.h"
#include "platform/win32/errors.h"

namespace quill::win32 {

namespace {

std::shared_ptr<host::Range> range_of(ComPtr<IDispatch> d);
std::shared_ptr<host::CommandBarControls> controls_of(ComPtr<IDispatch> d);
std::shared_ptr<host::CommandBarControl> control_of(ComPtr<IDispatch> d);
std::shared_ptr<host::Font> font_of(ComPtr<IDispatch> d);
std::shared_ptr<host::Characters> characters_of(ComPtr<IDispatch> d);

template <class Port, class Bridge>
std::shared_ptr<Port> bridged(ComPtr<IDispatch> d) {
    if (!d) return nullptr;
    return std::make_shared<Bridge>(std::move(d));
}

// The IDispatch and the call helpers every bridged object shares. `Names` is
// the object type's table of members: one MemberName each, shared by all
// objects of the type, so that each name is looked up once.
template <class Names>
class Bridged : public DispatchHolder {
public:
    explicit Bridged(ComPtr<IDispatch> d) : d_(std::move(d)) {}
    IDispatch* dispatch() const noexcept override { return d_.get(); }

protected:
    static Names& names() {
        static Names table;
        return table;
    }
    Invocation call(MemberName Names::*member) const { return Invocation(d_.get(), names().*member); }
    UniqueVariant get(MemberName Names::*member) const { return call(member).get(); }
    void put(MemberName Names::*member, UniqueVariant value) const { call(member).put(std::move(value)); }

    ComPtr<IDispatch> d_;
};

// ---- Font, Characters ---------------------------------------------------

struct FontNames {
    MemberName Name{L"Name"}, Size{L"Size"}, Bold{L"Bold"}, Italic{L"Italic"}, Underline{L"Underline"},
        Strikethrough{L"Strikethrough"}, Color{L"Color"};
};

class DispatchFont final : public host::Font, public Bridged<FontNames> {
public:
    using Bridged::Bridged;
    std::u16string Name() override { return as_string(get(&FontNames::Name)); }
    void Name(const std::u16string& v) override { put(&FontNames::Name, var_bstr(v)); }
    float Size() override { return as_float(get(&FontNames::Size)); }
    void Size(float v) override { put(&FontNames::Size, var_r4(v)); }
    bool Bold() override { return as_bool(get(&FontNames::Bold)); }
    void Bold(bool v) override { put(&FontNames::Bold, var_bool(v)); }
    bool Italic() override { return as_bool(get(&FontNames::Italic)); }
    void Italic(bool v) override { put(&FontNames::Italic, var_bool(v)); }
    bool Strikethrough() override { return as_bool(get(&FontNames::Strikethrough)); }
    void Strikethrough(bool v) override { put(&FontNames::Strikethrough, var_bool(v)); }
    std::int32_t Underline() override { return as_i32(get(&FontNames::Underline)); }
    void Underline(bool v) override { put(&FontNames::Underline, var_bool(v)); }
    std::int32_t Color() override { return as_i32(get(&FontNames::Color)); }
    void Color(std::int32_t v) override { put(&FontNames::Color, var_i4(v)); }
};

struct CharactersNames {
    MemberName Text{L"Text"}, Font{L"Font"};
};

class DispatchCharacters final : public host::Characters, public Bridged<CharactersNames> {
public:
    using Bridged::Bridged;
    std::u16string Text() override { return as_string(get(&CharactersNames::Text)); }
    std::shared_ptr<host::Font> Font() override { return font_of(as_object(get(&CharactersNames::Font))); }
};

// Characters(Start:=, Length:=), as Range and TextFrame both take it.
MemberName characters_member() { return MemberName(L"Characters", {L"Start", L"Length"}); }
std::shared_ptr<host::Characters> characters(Invocation call, std::int32_t Start, std::int32_t Length) {
    return characters_of(as_object(call.named(0, var_i4(Start)).named(1, var_i4(Length)).get()));
}

// ---- Comment and its shape --------------------------------------------------

struct FillNames {
    MemberName Transparency{L"Transparency"}, UserPicture{L"UserPicture"};
};

class DispatchFill final : public host::FillFormat, public Bridged<FillNames> {
public:
    using Bridged::Bridged;
    float Transparency() override { return as_float(get(&FillNames::Transparency)); }
    void Transparency(float v) override { put(&FillNames::Transparency, var_r4(v)); }
    void UserPicture(const std::u16string& PictureFile) override {
        call(&FillNames::UserPicture).arg(var_bstr(PictureFile)).method();
    }
};

struct TextFrameNames {
    MemberName Orientation{L"Orientation"}, VerticalAlignment{L"VerticalAlignment"},
        Characters = characters_member();
};

class DispatchTextFrame final : public host::TextFrame, public Bridged<TextFrameNames> {
public:
    using Bridged::Bridged;
    std::int32_t Orientation() override { return as_i32(get(&TextFrameNames::Orientation)); }
    void Orientation(std::int32_t v) override { put(&TextFrameNames::Orientation, var_i4(v)); }
    std::int32_t VerticalAlignment() override { return as_i32(get(&TextFrameNames::VerticalAlignment)); }
    void VerticalAlignment(std::int32_t v) override { put(&TextFrameNames::VerticalAlignment, var_i4(v)); }
    std::shared_ptr<host::Characters> Characters(std::int32_t Start, std::int32_t Length) override {
        return characters(call(&TextFrameNames::Characters), Start, Length);
    }
};

struct ShapeNames {
    MemberName Fill{L"Fill"}, TextFrame{L"TextFrame"}, ScaleWidth{L"ScaleWidth"}, ScaleHeight{L"ScaleHeight"};
};

class DispatchShape final : public host::Shape, public Bridged<ShapeNames> {
public:
    using Bridged::Bridged;
    std::shared_ptr<host::FillFormat> Fill() override {
        return bridged<host::FillFormat, DispatchFill>(as_object(get(&ShapeNames::Fill)));
    }
    std::shared_ptr<host::TextFrame> TextFrame() override {
        return bridged<host::TextFrame, DispatchTextFrame>(as_object(get(&ShapeNames::TextFrame)));
    }
    void ScaleWidth(float Factor, std::int32_t RelativeToOriginalSize, std::int32_t Scale) override {
        call(&ShapeNames::ScaleWidth).arg(var_r4(Factor)).arg(var_i4(RelativeToOriginalSize)).arg(var_i4(Scale)).method();
    }
    void ScaleHeight(float Factor, std::int32_t RelativeToOriginalSize, std::int32_t Scale) override {
        call(&ShapeNames::ScaleHeight).arg(var_r4(Factor)).arg(var_i4(RelativeToOriginalSize)).arg(var_i4(Scale)).method();
    }
};

struct CommentNames {
    MemberName Text{L"Text"}, Delete{L"Delete"}, Shape{L"Shape"};
};

class DispatchComment final : public host::Comment, public Bridged<CommentNames> {
public:
    using Bridged::Bridged;
    std::u16string Text() override { return as_string(call(&CommentNames::Text).method()); }
    void Text(const std::u16string& text) override { call(&CommentNames::Text).arg(var_bstr(text)).method(); }
    void Text(const std::u16string& text, std::int32_t start, bool overwrite) override {
        call(&CommentNames::Text).arg(var_bstr(text)).arg(var_i4(start)).arg(var_bool(overwrite)).method();
    }
    void Delete() override { call(&CommentNames::Delete).method(); }
    std::shared_ptr<host::Shape> Shape() override {
        return bridged<host::Shape, DispatchShape>(as_object(get(&CommentNames::Shape)));
    }
};

// ---- Worksheet, Range -----------------------------------------------------------

struct WorksheetNames {
    MemberName ProtectContents{L"ProtectContents"};
};

class DispatchWorksheet final : public host::Worksheet, public Bridged<WorksheetNames> {
public:
    using Bridged::Bridged;
    bool ProtectContents() override { return as_bool(get(&WorksheetNames::ProtectContents)); }
};

class DispatchCellEnumerator final : public host::CellEnumerator {
public:
    explicit DispatchCellEnumerator(ComPtr<IEnumVARIANT> e) : e_(std::move(e)) {}
    std::shared_ptr<host::Range> Next() override {
        UniqueVariant item;
        ULONG fetched = 0;
        const HRESULT hr = e_->Next(1, item.put(), &fetched);
        if (FAILED(hr)) throw invoke_error(hr, nullptr);
        if (hr == S_FALSE || fetched == 0) return nullptr;
        auto cell = range_of(as_object(item));
        if (!cell) throw err::ObjectRequired();
        return cell;
    }

private:
    ComPtr<IEnumVARIANT> e_;
};

struct RangeNames {
    MemberName Parent{L"Parent"}, Comment{L"Comment"}, AddComment{L"AddComment"},
        ClearComments{L"ClearComments"}, SpecialCells{L"SpecialCells"}, Cells{L"Cells"}, Count{L"Count"}, CountLarge{L"CountLarge"},
        Address{L"Address"}, Text{L"Text"}, Characters = characters_member();
};

class DispatchRange final : public host::Range, public Bridged<RangeNames> {
public:
    using Bridged::Bridged;
    std::shared_ptr<host::Worksheet> Parent() override {
        return bridged<host::Worksheet, DispatchWorksheet>(as_object(get(&RangeNames::Parent)));
    }
    std::shared_ptr<host::Comment> Comment() override {
        return bridged<host::Comment, DispatchComment>(as_object(get(&RangeNames::Comment)));
    }
    std::shared_ptr<host::Comment> AddComment(const std::u16string& Text) override {
        return bridged<host::Comment, DispatchComment>(
            as_object(call(&RangeNames::AddComment).arg(var_bstr(Text)).method()));
    }
    void ClearComments() override { call(&RangeNames::ClearComments).method(); }
    std::shared_ptr<host::Range> SpecialCells(std::int32_t Type) override {
        return range_of(as_object(call(&RangeNames::SpecialCells).arg(var_i4(Type)).method()));
    }
    std::shared_ptr<host::Range> Cells() override { return range_of(as_object(get(&RangeNames::Cells))); }
    std::int64_t Count() override { return as_i64(get(&RangeNames::Count)); }
    std::int64_t CountLarge() override { return as_i64(get(&RangeNames::CountLarge)); }
    std::u16string Address() override { return as_string(get(&RangeNames::Address)); }
    std::u16string Text() override { return as_string(get(&RangeNames::Text)); }
    std::shared_ptr<host::Characters> Characters(std::int32_t Start, std::int32_t Length) override {
        return characters(call(&RangeNames::Characters), Start, Length);
    }
    // For Each over a range: its _NewEnum, which needs no name.
    std::unique_ptr<host::CellEnumerator> NewEnum() override {
        UniqueVariant v = Invocation(d_.get(), DISPID_NEWENUM).get();
        const VARIANT* p = v.get();
        IUnknown* unknown = p->vt == VT_UNKNOWN ? p->punkVal : p->vt == VT_DISPATCH ? p->pdispVal : nullptr;
        if (!unknown) throw err::TypeMismatch();
        ComPtr<IEnumVARIANT> e;
        if (FAILED(unknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(e.put()))) || !e) {
            throw err::TypeMismatch();
        }
        return std::make_unique<DispatchCellEnumerator>(std::move(e));
    }
};

std::shared_ptr<host::Range> range_of(ComPtr<IDispatch> d) { return bridged<host::Range, DispatchRange>(std::move(d)); }

// ---- Command bars ---------------------------------------------------------------

struct ControlNames {
    MemberName Caption{L"Caption"}, Tag{L"Tag"}, Delete{L"Delete"}, Controls{L"Controls"};
};

class DispatchControl final : public host::CommandBarControl, public Bridged<ControlNames> {
public:
    using Bridged::Bridged;
    std::u16string Caption() override { return as_string(get(&ControlNames::Caption)); }
    void Caption(const std::u16string& v) override { put(&ControlNames::Caption, var_bstr(v)); }
    void Tag(const std::u16string& v) override { put(&ControlNames::Tag, var_bstr(v)); }
    void Delete() override { call(&ControlNames::Delete).method(); }
    std::shared_ptr<host::CommandBarControls> Controls() override {
        return controls_of(as_object(get(&ControlNames::Controls)));
    }
    std::uint32_t Advise(std::shared_ptr<host::CommandBarButtonEvents> sink) override {
        return advise_button(d_.get(), std::move(sink));
    }
    void Unadvise(std::uint32_t cookie) override { unadvise_button(d_.get(), cookie); }
};

std::shared_ptr<host::CommandBarControl> control_of(ComPtr<IDispatch> d) {
    return bridged<host::CommandBarControl, DispatchControl>(std::move(d));
}

struct ControlsNames {
    MemberName Item{L"Item"}, Add{L"Add"}, Count{L"Count"};
};

class DispatchControls final : public host::CommandBarControls, public Bridged<ControlsNames> {
public:
    using Bridged::Bridged;
    std::shared_ptr<host::CommandBarControl> Item(const std::u16string& caption) override {
        return control_of(as_object(call(&ControlsNames::Item).arg(var_bstr(caption)).get()));
    }
    // Exactly one argument, the 16-bit control type: no Id, Parameter,
    // Before or Temporary, so the control goes to the end and stays.
    std::shared_ptr<host::CommandBarControl> Add(std::int16_t Type) override {
        return control_of(as_object(call(&ControlsNames::Add).arg(var_i2(Type)).method()));
    }
    std::int32_t Count() override { return as_i32(get(&ControlsNames::Count)); }
};

std::shared_ptr<host::CommandBarControls> controls_of(ComPtr<IDispatch> d) {
    return bridged<host::CommandBarControls, DispatchControls>(std::move(d));
}

struct CommandBarNames {
    MemberName Controls{L"Controls"};
};

class DispatchCommandBar final : public host::CommandBar, public Bridged<CommandBarNames> {
public:
    using Bridged::Bridged;
    std::shared_ptr<host::CommandBarControls> Controls() override {
        return controls_of(as_object(get(&CommandBarNames::Controls)));
    }
};

struct CommandBarsNames {
    MemberName Item{L"Item"};
};

class DispatchCommandBars final : public host::CommandBars, public Bridged<CommandBarsNames> {
public:
    using Bridged::Bridged;
    std::shared_ptr<host::CommandBar> Item(const std::u16string& name) override {
        return bridged<host::CommandBar, DispatchCommandBar>(
            as_object(call(&CommandBarsNames::Item).arg(var_bstr(name)).get()));
    }
};

std::shared_ptr<host::Font> font_of(ComPtr<IDispatch> d) { return bridged<host::Font, DispatchFont>(std::move(d)); }
std::shared_ptr<host::Characters> characters_of(ComPtr<IDispatch> d) {
    return bridged<host::Characters, DispatchCharacters>(std::move(d));
}

// ---- Application ----------------------------------------------------------------

struct WorksheetFunctionNames {
    MemberName Substitute{L"Substitute"};
};

class DispatchWorksheetFunction final : public host::WorksheetFunction, public Bridged<WorksheetFunctionNames> {
public:
    using Bridged::Bridged;
    std::u16string Substitute(const std::u16string& text, const std::u16string& old_text,
                              const std::u16string& new_text) override {
        return as_string(call(&WorksheetFunctionNames::Substitute)
                             .arg(var_bstr(text))
                             .arg(var_bstr(old_text))
                             .arg(var_bstr(new_text))
                             .method());
    }
};

// GetOpenFilename's answer: False on cancel, a path, or an array of paths
// with the bounds the host chose.
std::optional<host::FileList> file_list(const UniqueVariant& result) {
    const VARIANT* v = result.get();
    if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal) v = v->pvarVal;
    if (v->vt == VT_BOOL) {
        if (v->boolVal == VARIANT_FALSE) return std::nullopt;
        throw err::TypeMismatch();
    }
    if (v->vt == VT_BSTR) return host::FileList{1, {as_string(result)}};
    if (!(v->vt & VT_ARRAY)) throw err::TypeMismatch();
    SAFEARRAY* a = (v->vt & VT_BYREF) ? (v->pparray ? *v->pparray : nullptr) : v->parray;
    if (!a || SafeArrayGetDim(a) != 1) throw err::TypeMismatch();
    LONG lower = 0, upper = -1;
    check(SafeArrayGetLBound(a, 1, &lower), u"Automation error");
    check(SafeArrayGetUBound(a, 1, &upper), u"Automation error");
    VARTYPE element = VT_EMPTY;
    check(SafeArrayGetVartype(a, &element), u"Automation error");
    host::FileList files{lower, {}};
    for (LONG i = lower; i <= upper; ++i) {
        UniqueVariant item;
        if (element == VT_VARIANT) {
            check(SafeArrayGetElement(a, &i, item.put()), u"Automation error");
        } else if (element == VT_BSTR) {
            BSTR s = nullptr;
            check(SafeArrayGetElement(a, &i, &s), u"Automation error");
            item.get()->vt = VT_BSTR;
            item.get()->bstrVal = s;
        } else {
            throw err::TypeMismatch();
        }
        files.paths.push_back(as_string(item));
    }
    return files;
}

struct ApplicationNames {
    MemberName ActiveCell{L"ActiveCell"}, Selection{L"Selection"}, CommandBars{L"CommandBars"},
        GetOpenFilename{L"GetOpenFilename", {L"FileFilter", L"FilterIndex", L"Title", L"ButtonText", L"MultiSelect"}},
        WorksheetFunction{L"WorksheetFunction"}, ScreenUpdating{L"ScreenUpdating"},
        DisplayCommentIndicator{L"DisplayCommentIndicator"}, Visible{L"Visible"}, UserName{L"UserName"},
        Version{L"Version"}, hWnd{L"hWnd"};
};

class DispatchApplication final : public host::Application, public Bridged<ApplicationNames> {
public:
    using Bridged::Bridged;
    std::shared_ptr<host::Range> ActiveCell() override { return range_of(as_object(get(&ApplicationNames::ActiveCell))); }
    // A selected shape or chart is no Range: it does not answer Range's interface.
    std::shared_ptr<host::Range> Selection() override {
        ComPtr<IDispatch> selected = as_object(get(&ApplicationNames::Selection));
        if (!selected) return nullptr;
        ComPtr<IUnknown> range;
        if (FAILED(selected->QueryInterface(IID_ExcelRange, reinterpret_cast<void**>(range.put()))) || !range) {
            return nullptr;
        }
        return range_of(std::move(selected));
    }
    std::shared_ptr<host::CommandBars> CommandBars() override {
        return bridged<host::CommandBars, DispatchCommandBars>(as_object(get(&ApplicationNames::CommandBars)));
    }
    std::optional<host::FileList> GetOpenFilename(const std::u16string& FileFilter,
                                                  std::optional<std::int32_t> FilterIndex, const std::u16string& Title,
                                                  const std::u16string& ButtonText, bool MultiSelect) override {
        Invocation c = call(&ApplicationNames::GetOpenFilename);
        c.named(0, var_bstr(FileFilter));
        if (FilterIndex) c.named(1, var_i4(*FilterIndex));
        c.named(2, var_bstr(Title)).named(3, var_bstr(ButtonText)).named(4, var_bool(MultiSelect));
        return file_list(c.method());
    }
    std::shared_ptr<host::WorksheetFunction> WorksheetFunction() override {
        return bridged<host::WorksheetFunction, DispatchWorksheetFunction>(
            as_object(get(&ApplicationNames::WorksheetFunction)));
    }
    bool ScreenUpdating() override { return as_bool(get(&ApplicationNames::ScreenUpdating)); }
    void ScreenUpdating(bool on) override { put(&ApplicationNames::ScreenUpdating, var_bool(on)); }
    std::int32_t DisplayCommentIndicator() override { return as_i32(get(&ApplicationNames::DisplayCommentIndicator)); }
    void DisplayCommentIndicator(std::int32_t mode) override {
        put(&ApplicationNames::DisplayCommentIndicator, var_i4(mode));
    }
    bool Visible() override { return as_bool(get(&ApplicationNames::Visible)); }
    void Visible(bool on) override { put(&ApplicationNames::Visible, var_bool(on)); }
    std::u16string UserName() override { return as_string(get(&ApplicationNames::UserName)); }
    std::u16string Version() override { return as_string(get(&ApplicationNames::Version)); }
    std::int32_t hWnd() override { return as_i32(get(&ApplicationNames::hWnd)); }
};

class DispatchObject final : public host::Object, public DispatchHolder {
public:
    explicit DispatchObject(ComPtr<IDispatch> d) : d_(std::move(d)) {}
    IDispatch* dispatch() const noexcept override { return d_.get(); }
    std::shared_ptr<host::Application> QueryApplication() override { return wrap_application(d_.get()); }

private:
    ComPtr<IDispatch> d_;
};

}  // namespace

std::shared_ptr<host::Object> wrap_object(IDispatch* object) {
    if (!object) return nullptr;
    return std::make_shared<DispatchObject>(ComPtr<IDispatch>::copy(object));
}

std::shared_ptr<host::Application> wrap_application(IDispatch* object) {
    if (!object) return nullptr;
    ComPtr<IDispatch> app;
    if (FAILED(object->QueryInterface(IID_ExcelApplication, reinterpret_cast<void**>(app.put()))) || !app) {
        throw err::TypeMismatch();
    }
    return std::make_shared<DispatchApplication>(std::move(app));
}

std::shared_ptr<host::CommandBarControl> wrap_control(IDispatch* object) {
    return control_of(ComPtr<IDispatch>::copy(object));
}

}  // namespace quill::win32
