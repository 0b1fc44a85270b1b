#include "fake_excel.h"

#include <ocidl.h>
#include <olectl.h>
#include <oleauto.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <type_traits>
#include <vector>

#include "ports/host_error.h"
#include "platform/win32/dispatch_bridge.h"
#include "support.h"

namespace wintest {

using quill::HostError;
using quill::win32::ComPtr;
using quill::win32::UniqueVariant;
namespace host = quill::host;

FakeCounters& fake_counters() {
    static FakeCounters c;
    return c;
}

namespace {

quill::memory::Excel* g_model = nullptr;  // the FakeExcel's model, for what no port tells

// A refusal by the dispatch layer itself (not a host error).
struct DispFailure {
    HRESULT hr;
    UINT arg = 0;
};

// The arguments of one call, by parameter position (a property put's value is
// argument 0), converted as Excel converts them, with US English rules.
struct Args {
    std::vector<const VARIANT*> given;
    const VARIANT* opt(std::size_t i) const { return i < given.size() ? given[i] : nullptr; }
    const VARIANT& need(std::size_t i) const {
        if (!opt(i)) throw DispFailure{DISP_E_PARAMNOTOPTIONAL, static_cast<UINT>(i)};
        return *opt(i);
    }
    UniqueVariant as(std::size_t i, VARTYPE t) const {
        UniqueVariant out;
        if (SUCCEEDED(VariantChangeTypeEx(out.put(), const_cast<VARIANT*>(&need(i)), 0x0409, 0, t))) return out;
        throw DispFailure{DISP_E_TYPEMISMATCH, static_cast<UINT>(i)};
    }
    std::u16string str(std::size_t i) const {
        UniqueVariant s = as(i, VT_BSTR);  // a null BSTR is the empty string
        return std::u16string(reinterpret_cast<const char16_t*>(s.get()->bstrVal), SysStringLen(s.get()->bstrVal));
    }
    std::int32_t i4(std::size_t i) const { return as(i, VT_I4).get()->lVal; }
    // A Boolean must be an automation Boolean: VARIANT_TRUE (-1) or VARIANT_FALSE.
    bool boolean(std::size_t i) const {
        const VARIANT& v = need(i);
        if (v.vt == VT_BOOL && v.boolVal != VARIANT_TRUE && v.boolVal != VARIANT_FALSE) {
            throw DispFailure{DISP_E_TYPEMISMATCH, static_cast<UINT>(i)};
        }
        return as(i, VT_BOOL).get()->boolVal != VARIANT_FALSE;
    }
    template <class T>
    T value(std::size_t i) const {
        if constexpr (std::is_same_v<T, bool>) return boolean(i);
        else if constexpr (std::is_same_v<T, float>) return as(i, VT_R4).get()->fltVal;
        else if constexpr (std::is_same_v<T, std::int32_t>) return i4(i);
        else return str(i);
    }
};

template <class P>
UniqueVariant object(std::shared_ptr<P> port);

UniqueVariant ret(VARTYPE t, const std::function<void(VARIANT&)>& fill) {
    UniqueVariant v;
    v.get()->vt = t;
    fill(*v.get());
    return v;
}
BSTR bstr(const std::u16string& s) {
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(s.data()), static_cast<UINT>(s.size()));
}
UniqueVariant ret(const std::u16string& s) { return ret(VT_BSTR, [&](VARIANT& v) { v.bstrVal = bstr(s); }); }
UniqueVariant ret(bool b) { return ret(VT_BOOL, [&](VARIANT& v) { v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE; }); }
UniqueVariant ret(std::int32_t i) { return ret(VT_I4, [&](VARIANT& v) { v.lVal = i; }); }
// Excel hands out Font.Size, Font.Color and other measures as Doubles.
UniqueVariant ret(double d) { return ret(VT_R8, [&](VARIANT& v) { v.dblVal = d; }); }
template <class P>
UniqueVariant ret(std::shared_ptr<P> p) { return object(std::move(p)); }

template <class P>
using Getter = std::function<UniqueVariant(P&, const Args&)>;
template <class P>
struct Member {
    const wchar_t* name;
    DISPID id;
    Getter<P> get;                             // method or property get
    std::function<void(P&, const Args&)> put;  // property put
    std::vector<const wchar_t*> params;  // named parameters, by position
};
template <class P>
using Table = std::vector<Member<P>>;

// A property read, answered as the port answers it or as the type `As`.
template <class As = void, class P, class R>
Getter<P> get(R (P::*f)()) {
    return [f](P& p, const Args&) {
        if constexpr (std::is_void_v<As>) return ret((p.*f)());
        else return ret(static_cast<As>((p.*f)()));
    };
}
template <class P, class T>
std::function<void(P&, const Args&)> put(void (P::*f)(T)) {
    return [f](P& p, const Args& x) { (p.*f)(x.value<std::decay_t<T>>(0)); };
}
// A method without a result.
template <class P>
Getter<P> call(std::function<void(P&, const Args&)> f) {
    return [f](P& p, const Args& x) { return f(p, x), UniqueVariant(); };
}

// The interface pointer `as`, when the caller asked for one this object has.
HRESULT answer(IUnknown* as, void** out) {
    if (!out) return E_POINTER;
    *out = as;
    if (as) as->AddRef();
    return as ? S_OK : E_NOINTERFACE;
}
// What the add-in never asks for: nothing, and the out parameter cleared.
template <class T>
HRESULT nothing(T** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

// Reference counting every fake COM object shares.
template <class... Ifaces>
class Counted : public Ifaces... {
public:
    Counted() { ++fake_counters().objects; }
    virtual ~Counted() { --fake_counters().objects; }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = --refs_;
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

private:
    LONG refs_ = 1;
};

// For Each over a range.
class FakeCellEnum final : public Counted<IEnumVARIANT> {
public:
    explicit FakeCellEnum(std::unique_ptr<host::CellEnumerator> e) : e_(std::move(e)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        return answer(riid == IID_IUnknown || riid == IID_IEnumVARIANT ? this : nullptr, out);
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG n, VARIANT* out, ULONG* fetched) override {
        if (!out) return E_POINTER;
        ULONG got = 0;
        try {
            for (std::shared_ptr<host::Range> cell; got < n && (cell = e_->Next()); ++got) {
                UniqueVariant v = object(std::move(cell));
                out[got] = *v.get();
                VariantInit(v.get());
            }
        } catch (...) {
            for (ULONG i = 0; i < got; ++i) VariantClear(&out[i]);
            return E_FAIL;
        }
        if (fetched) *fetched = got;
        return got == n ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override { return nothing(out); }

private:
    std::unique_ptr<host::CellEnumerator> e_;
};

// ---- The tables ------------------------------------------------------------------
// The failures modelled here follow Microsoft's pages:
//   a failed member as DISP_E_EXCEPTION with its EXCEPINFO:
//     https://learn.microsoft.com/en-us/windows/win32/api/oaidl/nf-oaidl-idispatch-invoke
//   Range.SpecialCells failing when no cell matches ("No cells were found."):
//     https://learn.microsoft.com/en-us/office/vba/api/excel.range.specialcells
//   Application.ActiveCell failing when the active sheet is no worksheet:
//     https://learn.microsoft.com/en-us/office/vba/api/excel.application.activecell
//   Application.hWnd, absent before Excel 2002 (Excel 2000 answers 438):
//     https://learn.microsoft.com/en-us/office/vba/api/excel.application.hwnd
//   GetOpenFilename answering False on cancel, an array with MultiSelect:
//     https://learn.microsoft.com/en-us/office/vba/api/excel.application.getopenfilename
//   Range.CountLarge beside Count, which overflows on large ranges:
//     https://learn.microsoft.com/en-us/office/vba/api/excel.range.countlarge
//   CommandBarControls.Add, whose Type is an MsoControlType:
//     https://learn.microsoft.com/en-us/office/vba/api/office.commandbarcontrols.add
//   Font properties answering Null when the characters differ:
//     https://learn.microsoft.com/en-us/office/vba/api/excel.font(object)
// DISPIDs are arbitrary but fixed, as a type library's are. A type without a
// table of its own (a selected drawing object) answers no member.
// Rows leave out what the member has not: a put, parameters.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
template <class P>
const Table<P> members = {};

using App = host::Application;
// A selected drawing object: an automation object that is no Range.
struct Drawing {};

UniqueVariant file_answer(const std::optional<host::FileList>& files, bool multi) {
    if (!files) return ret(false);
    if (!multi) return ret(files->paths.empty() ? std::u16string() : files->paths.front());
    SAFEARRAYBOUND bound = {static_cast<ULONG>(files->paths.size()), files->lowerBound};
    SAFEARRAY* a = SafeArrayCreate(VT_VARIANT, 1, &bound);
    for (std::size_t i = 0; i < files->paths.size(); ++i) {
        LONG at = files->lowerBound + static_cast<LONG>(i);
        SafeArrayPutElement(a, &at, ret(files->paths[i]).get());
    }
    return ret(VT_ARRAY | VT_VARIANT, [&](VARIANT& v) { v.parray = a; });
}

template <>
const Table<App> members<App> = {
    {L"ActiveCell", 0x131, get(&App::ActiveCell)},
    {L"Selection", 0x93,
     [](App& a, const Args&) {
         auto range = a.Selection();
         quill::memory::Sheet* sheet = g_model ? g_model->active_sheet() : nullptr;
         if (!range && sheet && !sheet->selection) return object(std::make_shared<Drawing>());
         return object(std::move(range));
     }},
    {L"CommandBars", 0x59f, get(&App::CommandBars)},
    {L"GetOpenFilename", 0x433,
     [](App& a, const Args& x) {
         std::optional<std::int32_t> index;
         if (x.opt(1)) index = x.i4(1);
         const bool multi = x.opt(4) && x.boolean(4);
         auto text = [&](std::size_t i) { return x.opt(i) ? x.str(i) : u""; };
         return file_answer(a.GetOpenFilename(text(0), index, text(2), text(3), multi), multi);
     },
     nullptr, {L"FileFilter", L"FilterIndex", L"Title", L"ButtonText", L"MultiSelect"}},
    {L"ScreenUpdating", 0x17e, get(&App::ScreenUpdating), put(&App::ScreenUpdating)},
    {L"UserName", 0x187, get(&App::UserName)},
    {L"Version", 0x188, get(&App::Version)},
    {L"hWnd", 0x7f1, get(&App::hWnd)},
};

using Rng = host::Range;
template <>
const Table<Rng> members<Rng> = {
    {L"Comment", 0x38e, get(&Rng::Comment)},
    {L"AddComment", 0x56d, [](Rng& r, const Args& x) { return ret(r.AddComment(x.str(0))); }, nullptr, {L"Text"}},
    {L"ClearComments", 0x56e, call<Rng>([](Rng& r, const Args&) { r.ClearComments(); })},
    {L"SpecialCells", 0x19a, [](Rng& r, const Args& x) { return ret(r.SpecialCells(x.i4(0))); }, nullptr,
     {L"Type", L"Value"}},
    {L"CountLarge", 0xa8e, get<double>(&Rng::CountLarge)},  // a Double: 32-bit Excel has no LongLong
    {L"Address", 0xec, get(&Rng::Address), nullptr,
     {L"RowAbsolute", L"ColumnAbsolute", L"ReferenceStyle", L"External", L"RelativeTo"}},
    {L"Characters", 0x25b, [](Rng& r, const Args& x) { return ret(r.Characters(x.i4(0), x.i4(1))); }, nullptr,
     {L"Start", L"Length"}},
    {L"_NewEnum", DISPID_NEWENUM,
     [](Rng& r, const Args&) {
         return ret(VT_UNKNOWN, [&](VARIANT& v) { v.punkVal = new FakeCellEnum(r.NewEnum()); });
     }},
};

using Cmt = host::Comment;
template <>
const Table<Cmt> members<Cmt> = {
    // Text([Text], [Start], [Overwrite]) returns the text, after replacing it when given one.
    {L"Text", 0x8a,
     [](Cmt& c, const Args& x) {
         if (x.opt(1)) c.Text(x.str(0), x.i4(1), x.opt(2) && x.boolean(2));
         else if (x.opt(2)) throw DispFailure{DISP_E_BADPARAMCOUNT, 2};
         else if (x.opt(0)) c.Text(x.str(0));
         return ret(c.Text());
     },
     nullptr, {L"Text", L"Start", L"Overwrite"}},
    {L"Delete", 0x75, call<Cmt>([](Cmt& c, const Args&) { c.Delete(); })},
    {L"Shape", 0x62e, get(&Cmt::Shape)},
};

template <>
const Table<host::Shape> members<host::Shape> = {{L"TextFrame", 0x692, get(&host::Shape::TextFrame)}};

using Frame = host::TextFrame;
template <>
const Table<Frame> members<Frame> = {
    {L"Orientation", 0x86, get(&Frame::Orientation), put(&Frame::Orientation)},
    {L"Characters", 0x25b, [](Frame& f, const Args& x) { return ret(f.Characters(x.i4(0), x.i4(1))); }, nullptr,
     {L"Start", L"Length"}},
};

template <>
const Table<host::Characters> members<host::Characters> = {{L"Text", 0x8a, get(&host::Characters::Text)},
                                                            {L"Font", 0x92, get(&host::Characters::Font)}};

using Fnt = host::Font;
template <>
const Table<Fnt> members<Fnt> = {
    {L"Name", 0x6e, get(&Fnt::Name), put(&Fnt::Name)},
    {L"Size", 0x68, get(&Fnt::Size), put(&Fnt::Size)},
    {L"Bold", 0x60, get(&Fnt::Bold), put(&Fnt::Bold)},
    {L"Italic", 0x65, get(&Fnt::Italic), put(&Fnt::Italic)},
    {L"Underline", 0x6a, get(&Fnt::Underline), put(&Fnt::Underline)},
    {L"Strikethrough", 0x69, get(&Fnt::Strikethrough), put(&Fnt::Strikethrough)},
    {L"Color", 0x63, get<double>(&Fnt::Color), put(&Fnt::Color)},
};

template <>
const Table<host::CommandBars> members<host::CommandBars> = {
    {L"Item", DISPID_VALUE, [](host::CommandBars& b, const Args& x) { return ret(b.Item(x.str(0))); }, nullptr,
     {L"Index"}}};

template <>
const Table<host::CommandBar> members<host::CommandBar> = {
    {L"Controls", 0x60030007, get(&host::CommandBar::Controls)}};

using Controls = host::CommandBarControls;
template <>
const Table<Controls> members<Controls> = {
    {L"Item", DISPID_VALUE, [](Controls& c, const Args& x) { return ret(c.Item(x.str(0))); }, nullptr, {L"Index"}},
    {L"Add", 0x60030000,
     [](Controls& c, const Args& x) {
         for (std::size_t i = 1; i < 5; ++i) {
             if (x.opt(i)) throw DispFailure{DISP_E_BADPARAMCOUNT, static_cast<UINT>(i)};
         }
         if (x.need(0).vt != VT_I2) throw DispFailure{DISP_E_TYPEMISMATCH, 0};
         return ret(c.Add(x.need(0).iVal));
     },
     nullptr, {L"Type", L"Id", L"Parameter", L"Before", L"Temporary"}},
    {L"Count", 0x60030003, get(&Controls::Count)},
};

using Control = host::CommandBarControl;
template <>
const Table<Control> members<Control> = {
    {L"Caption", 0x60030011, get(&Control::Caption), put(&Control::Caption)},
    {L"Tag", 0x60030023, nullptr, put(&Control::Tag)},
    {L"Delete", 0x6003001a,
     call<Control>([](Control& c, const Args& x) {
         if (x.opt(0)) throw DispFailure{DISP_E_BADPARAMCOUNT, 0};
         c.Delete();
     }),
     nullptr, {L"Temporary"}},
    {L"Controls", 0x60040000, get(&Control::Controls)},
};

// The button's Click as Office raises it: Invoke(1) on the sink with
// (Ctrl, CancelDefault by reference), arguments in reverse order.
class ClickForwarder final : public host::CommandBarButtonEvents {
public:
    explicit ClickForwarder(ComPtr<IDispatch> sink) : sink_(std::move(sink)) {}
    void Click(const std::shared_ptr<host::CommandBarControl>& Ctrl, bool& CancelDefault) override {
        UniqueVariant ctrl = object(Ctrl);
        VARIANT_BOOL cancel = CancelDefault ? VARIANT_TRUE : VARIANT_FALSE;
        VARIANT args[2];
        VariantInit(&args[0]);
        args[0].vt = VT_BOOL | VT_BYREF;
        args[0].pboolVal = &cancel;
        args[1] = *ctrl.get();
        DISPPARAMS params = {args, nullptr, 2, 0};
        if (FAILED(sink_->Invoke(quill::win32::kDispidClick, IID_NULL, 0x0409, DISPATCH_METHOD, &params, nullptr,
                                 nullptr, nullptr))) {
            ++fake_counters().event_failures;
        }
        CancelDefault = cancel != VARIANT_FALSE;
    }

private:
    ComPtr<IDispatch> sink_;
};

template <class P>
class FakeObject final : public Counted<IDispatch, IConnectionPointContainer, IConnectionPoint> {
    static constexpr bool kControl = std::is_same_v<P, host::CommandBarControl>;

public:
    explicit FakeObject(std::shared_ptr<P> port) : port_(std::move(port)) {}

    // Command-bar controls alone are connection-point containers, with the
    // one connection point of a button's events, themselves.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        IUnknown* as = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == extra_iid()) {
            as = static_cast<IDispatch*>(this);
        } else if (kControl && riid == IID_IConnectionPointContainer) {
            as = static_cast<IConnectionPointContainer*>(this);
        } else if (kControl && riid == IID_IConnectionPoint) {
            as = static_cast<IConnectionPoint*>(this);
        }
        return answer(as, out);
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return n ? (*n = 0, S_OK) : E_POINTER; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override { return nothing(out); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        ++fake_counters().get_ids_of_names;
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        if (!names || !ids || count == 0) return E_INVALIDARG;
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        const Member<P>* m = find([&](const Member<P>& c) { return lstrcmpiW(names[0], c.name) == 0; });
        if (!m) return DISP_E_UNKNOWNNAME;
        ids[0] = m->id;
        HRESULT hr = S_OK;
        for (UINT i = 1; i < count; ++i) {
            for (std::size_t p = 0; p < m->params.size(); ++p) {
                if (lstrcmpiW(names[i], m->params[p]) == 0) ids[i] = static_cast<DISPID>(p);
            }
            if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* dp, VARIANT* result,
                                     EXCEPINFO* excep, UINT* arg_err) override {
        ++fake_counters().invoke;
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        if (!dp) return E_INVALIDARG;
        const Member<P>* m = find([&](const Member<P>& c) { return c.id == id; });
        const bool is_put = (flags & DISPATCH_PROPERTYPUT) != 0;
        if (!m || (is_put ? !m->put : !(m->get && (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))))) {
            return DISP_E_MEMBERNOTFOUND;
        }
        const UINT named = dp->cNamedArgs;
        std::vector<const VARIANT*> given(m->params.size(), nullptr);
        UINT first_named = 0;
        if (is_put) {
            if (named == 0 || dp->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) return DISP_E_PARAMNOTFOUND;
            first_named = 1;
        }
        for (UINT i = first_named; i < named; ++i) {
            const DISPID p = dp->rgdispidNamedArgs[i];
            if (p < 0 || static_cast<std::size_t>(p) >= given.size()) return DISP_E_PARAMNOTFOUND;
            given[p] = &dp->rgvarg[i];
        }
        const UINT positional = dp->cArgs - named;
        if (positional > given.size()) return DISP_E_BADPARAMCOUNT;
        for (UINT i = 0; i < positional; ++i) {
            if (given[i]) return DISP_E_BADPARAMCOUNT;  // given twice
            given[i] = &dp->rgvarg[dp->cArgs - 1 - i];
        }
        if (result) VariantInit(result);
        try {
            if (is_put) {
                m->put(*port_, Args{{&dp->rgvarg[0]}});
            } else {
                UniqueVariant r = m->get(*port_, Args{std::move(given)});
                if (result) {
                    *result = *r.get();
                    VariantInit(r.get());
                }
            }
            return S_OK;
        } catch (const DispFailure& f) {
            if (arg_err) *arg_err = f.arg;
            return f.hr;
        } catch (const HostError& e) {
            // Excel's Null for an attribute that differs within the span.
            if (!is_put && e.number() == quill::err::kInvalidUseOfNull) {
                if (result) result->vt = VT_NULL;
                return S_OK;
            }
            const HRESULT scode = e.number() > 0 ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, e.number())
                                                 : static_cast<HRESULT>(e.number());
            if (!excep) return scode;
            *excep = EXCEPINFO{};
            excep->scode = scode;
            excep->bstrSource = SysAllocString(L"Microsoft Excel");
            excep->bstrDescription = bstr(e.description());
            return DISP_E_EXCEPTION;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }

    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override { return nothing(out); }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** out) override {
        if (out) *out = nullptr;
        if (!kControl || riid != quill::win32::DIID_CommandBarButtonEvents) return CONNECT_E_NOCONNECTION;
        return answer(static_cast<IConnectionPoint*>(this), reinterpret_cast<void**>(out));
    }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
        return iid ? (*iid = quill::win32::DIID_CommandBarButtonEvents, S_OK) : E_POINTER;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override {
        return QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(out));
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
        if (!sink || !cookie) return E_POINTER;
        *cookie = 0;
        ComPtr<IDispatch> events;
        if (FAILED(sink->QueryInterface(quill::win32::DIID_CommandBarButtonEvents,
                                        reinterpret_cast<void**>(events.put())))) {
            return CONNECT_E_CANNOTCONNECT;
        }
        try {
            if constexpr (kControl) *cookie = port_->Advise(std::make_shared<ClickForwarder>(std::move(events)));
            return kControl ? S_OK : CONNECT_E_CANNOTCONNECT;
        } catch (...) {
            return CONNECT_E_CANNOTCONNECT;  // not a button, or deleted
        }
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
        try {
            if constexpr (kControl) port_->Unadvise(cookie);
            return S_OK;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override { return nothing(out); }


private:
    template <class Pred>
    static const Member<P>* find(Pred pred) {
        const auto m = std::find_if(members<P>.begin(), members<P>.end(), pred);
        return m == members<P>.end() ? nullptr : &*m;
    }
    static GUID extra_iid() {
        if constexpr (std::is_same_v<P, host::Application>) return quill::win32::IID_ExcelApplication;
        if constexpr (std::is_same_v<P, host::Range>) return quill::win32::IID_ExcelRange;
        return IID_IUnknown;
    }
    std::shared_ptr<P> port_;
};

template <class P>
UniqueVariant object(std::shared_ptr<P> port) {
    return ret(VT_DISPATCH, [&](VARIANT& v) {
        v.pdispVal = port ? static_cast<IDispatch*>(new FakeObject<P>(std::move(port))) : nullptr;
    });
}


// The buttons with this caption in the worksheet menu bar's Insert menu.
std::vector<std::shared_ptr<quill::memory::BarControl>> buttons(const quill::memory::Excel& xl,
                                                                 std::u16string_view caption) {
    std::vector<std::shared_ptr<quill::memory::BarControl>> found;
    if (auto insert = xl.menu(u"Insert")) {
        for (const auto& c : insert->controls) {
            if (c->kind == quill::memory::BarControl::kButton && c->caption == caption) found.push_back(c);
        }
    }
    return found;
}

}  // namespace

FakeExcel::FakeExcel(std::shared_ptr<quill::memory::Excel> model) : model_(std::move(model)) {
    if (g_model) throw std::logic_error("one FakeExcel at a time");
    g_model = model_.get();
    main_ = create_xlmain(L"Microsoft Excel");
    // Window handles are 32-bit values on 64-bit Windows too, as hWnd is a Long.
    if (main_ && model_->hwnd) model_->hwnd = static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(main_));
    UniqueVariant app = object(model_->application());
    app_ = ComPtr<IDispatch>::attach(app.get()->pdispVal);
    VariantInit(app.get());
}

FakeExcel::~FakeExcel() {
    if (IsWindow(main_)) DestroyWindow(main_);
    app_.reset();
    g_model = nullptr;
}

ComPtr<IDispatch> FakeExcel::stranger() {
    UniqueVariant v = object(std::make_shared<Drawing>());
    auto p = ComPtr<IDispatch>::attach(v.get()->pdispVal);
    VariantInit(v.get());
    return p;
}

bool FakeExcel::click(std::u16string_view caption) {
    const auto found = buttons(*model_, caption);
    return !found.empty() && model_->click(found.back());
}

int FakeExcel::count_buttons(std::u16string_view caption) const {
    return static_cast<int>(buttons(*model_, caption).size());
}

}  // namespace wintest
