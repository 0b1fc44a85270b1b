#include "fake_excel.h"

#include <ocidl.h>
#include <olectl.h>
#include <oleauto.h>

#include <functional>
#include <stdexcept>
#include <vector>

#include "host/host_error.h"
#include "platform/win32/dispatch_bridge.h"

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

// The arguments of one call, by parameter position.
class Args {
public:
    explicit Args(std::vector<const VARIANT*> given) : given_(std::move(given)) {}
    const VARIANT* opt(std::size_t i) const { return i < given_.size() ? given_[i] : nullptr; }
    const VARIANT& need(std::size_t i) const {
        const VARIANT* v = opt(i);
        if (!v) throw DispFailure{DISP_E_PARAMNOTOPTIONAL, static_cast<UINT>(i)};
        return *v;
    }
    static UniqueVariant as(const VARIANT& v, VARTYPE t, UINT i) {
        UniqueVariant out;
        if (FAILED(VariantChangeTypeEx(out.put(), const_cast<VARIANT*>(&v), 0x0409, 0, t))) {
            throw DispFailure{DISP_E_TYPEMISMATCH, i};
        }
        return out;
    }
    std::u16string str(std::size_t i) const { return text(need(i), static_cast<UINT>(i)); }
    std::int32_t i4(std::size_t i) const { return as(need(i), VT_I4, static_cast<UINT>(i)).get()->lVal; }
    float r4(std::size_t i) const { return as(need(i), VT_R4, static_cast<UINT>(i)).get()->fltVal; }
    // A Boolean must be an automation Boolean: VARIANT_TRUE (-1) or VARIANT_FALSE.
    bool boolean(std::size_t i) const {
        const VARIANT& v = need(i);
        if (v.vt == VT_BOOL && v.boolVal != VARIANT_TRUE && v.boolVal != VARIANT_FALSE) {
            throw DispFailure{DISP_E_TYPEMISMATCH, static_cast<UINT>(i)};
        }
        return as(v, VT_BOOL, static_cast<UINT>(i)).get()->boolVal != VARIANT_FALSE;
    }
    static std::u16string text(const VARIANT& v, UINT i) {
        UniqueVariant s = as(v, VT_BSTR, i);
        BSTR b = s.get()->bstrVal;
        return b ? std::u16string(reinterpret_cast<const char16_t*>(b), SysStringLen(b)) : std::u16string();
    }

private:
    std::vector<const VARIANT*> given_;
};

UniqueVariant ret_str(const std::u16string& s) {
    UniqueVariant v;
    v.get()->vt = VT_BSTR;
    v.get()->bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(s.data()), static_cast<UINT>(s.size()));
    return v;
}
UniqueVariant ret_bool(bool b) {
    UniqueVariant v;
    v.get()->vt = VT_BOOL;
    v.get()->boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}
UniqueVariant ret_i4(std::int32_t i) {
    UniqueVariant v;
    v.get()->vt = VT_I4;
    v.get()->lVal = i;
    return v;
}
// Excel hands out Font.Size, Font.Color and other measures as Doubles.
UniqueVariant ret_r8(double d) {
    UniqueVariant v;
    v.get()->vt = VT_R8;
    v.get()->dblVal = d;
    return v;
}
UniqueVariant ret_none() { return UniqueVariant(); }

template <class P>
struct Member {
    const wchar_t* name;
    DISPID id;
    std::vector<const wchar_t*> params;
    std::function<UniqueVariant(P&, const Args&)> get;         // method or property get
    std::function<void(P&, const Args&, const VARIANT&)> put;  // property put
};
template <class P>
using Table = std::vector<Member<P>>;

// A selected drawing object: an automation object that is no Range.
struct Drawing {};

// One table per object type, defined below.
const Table<host::Application>& members(host::Application*);
const Table<host::WorksheetFunction>& members(host::WorksheetFunction*);
const Table<host::Range>& members(host::Range*);
const Table<host::Worksheet>& members(host::Worksheet*);
const Table<host::Comment>& members(host::Comment*);
const Table<host::Shape>& members(host::Shape*);
const Table<host::FillFormat>& members(host::FillFormat*);
const Table<host::TextFrame>& members(host::TextFrame*);
const Table<host::Characters>& members(host::Characters*);
const Table<host::Font>& members(host::Font*);
const Table<host::CommandBars>& members(host::CommandBars*);
const Table<host::CommandBar>& members(host::CommandBar*);
const Table<host::CommandBarControls>& members(host::CommandBarControls*);
const Table<host::CommandBarControl>& members(host::CommandBarControl*);
const Table<Drawing>& members(Drawing*);

// Reference counting every fake COM object shares.
template <class... Ifaces>
class Counted : public Ifaces... {
public:
    Counted() { ++fake_counters().objects; }
    virtual ~Counted() { --fake_counters().objects; }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = --refs_;
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    LONG refs() const { return refs_; }

private:
    LONG refs_ = 1;
};

template <class P>
UniqueVariant object(std::shared_ptr<P> port);

class FakeConnectionPoint;

template <class P>
class FakeObject final : public Counted<IDispatch, IConnectionPointContainer> {
public:
    explicit FakeObject(std::shared_ptr<P> port) : port_(std::move(port)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == extra_iid()) {
            *out = static_cast<IDispatch*>(this);
        } else if (riid == IID_IConnectionPointContainer && std::is_same_v<P, host::CommandBarControl>) {
            *out = static_cast<IConnectionPointContainer*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return Counted::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return Counted::Release(); }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        if (!n) return E_POINTER;
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        ++fake_counters().get_ids_of_names;
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        if (!names || !ids || count == 0) return E_INVALIDARG;
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        const Member<P>* m = find(names[0]);
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
        const Member<P>* m = nullptr;
        for (const auto& candidate : members(static_cast<P*>(nullptr))) {
            if (candidate.id == id) m = &candidate;
        }
        if (!m) return DISP_E_MEMBERNOTFOUND;
        const bool is_put = (flags & DISPATCH_PROPERTYPUT) != 0;
        if (is_put ? !m->put : !(m->get && (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)))) {
            return DISP_E_MEMBERNOTFOUND;
        }
        UINT named = dp->cNamedArgs;
        const VARIANT* value = nullptr;
        std::vector<const VARIANT*> given(m->params.size(), nullptr);
        UINT first_named = 0;
        if (is_put) {
            if (named == 0 || dp->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) return DISP_E_PARAMNOTFOUND;
            value = &dp->rgvarg[0];
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
        const Args args(std::move(given));
        if (result) VariantInit(result);
        try {
            if (is_put) {
                m->put(*port_, args, *value);
            } else {
                UniqueVariant r = m->get(*port_, args);
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
            const auto& d = e.description();
            excep->bstrDescription =
                SysAllocStringLen(reinterpret_cast<const OLECHAR*>(d.data()), static_cast<UINT>(d.size()));
            return DISP_E_EXCEPTION;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }

    // IConnectionPointContainer, answered by command-bar controls only.
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** out) override;

    const std::shared_ptr<P>& port() const { return port_; }

private:
    static const Member<P>* find(const wchar_t* name) {
        for (const auto& m : members(static_cast<P*>(nullptr))) {
            if (lstrcmpiW(name, m.name) == 0) return &m;
        }
        return nullptr;
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
    UniqueVariant v;
    v.get()->vt = VT_DISPATCH;
    v.get()->pdispVal = port ? static_cast<IDispatch*>(new FakeObject<P>(std::move(port))) : nullptr;
    return v;
}

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

class FakeConnectionPoint final : public Counted<IConnectionPoint> {
public:
    FakeConnectionPoint(FakeObject<host::CommandBarControl>* owner) : owner_(ComPtr<IDispatch>::copy(owner)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid != IID_IUnknown && riid != IID_IConnectionPoint) return E_NOINTERFACE;
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
        if (!iid) return E_POINTER;
        *iid = quill::win32::DIID_CommandBarButtonEvents;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override {
        if (!out) return E_POINTER;
        return owner_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(out));
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
            *cookie = control().Advise(std::make_shared<ClickForwarder>(std::move(events)));
            return S_OK;
        } catch (...) {
            return CONNECT_E_CANNOTCONNECT;  // not a button, or deleted
        }
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
        try {
            control().Unadvise(cookie);
            return S_OK;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }

private:
    host::CommandBarControl& control() {
        return *static_cast<FakeObject<host::CommandBarControl>*>(owner_.get())->port();
    }
    ComPtr<IDispatch> owner_;
};

template <class P>
HRESULT FakeObject<P>::FindConnectionPoint(REFIID riid, IConnectionPoint** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if constexpr (std::is_same_v<P, host::CommandBarControl>) {
        if (riid != quill::win32::DIID_CommandBarButtonEvents) return CONNECT_E_NOCONNECTION;
        *out = new FakeConnectionPoint(this);
        return S_OK;
    } else {
        (void)riid;
        return CONNECT_E_NOCONNECTION;
    }
}

// For Each over a range.
class FakeCellEnum final : public Counted<IEnumVARIANT> {
public:
    explicit FakeCellEnum(std::unique_ptr<host::CellEnumerator> e) : e_(std::move(e)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid != IID_IUnknown && riid != IID_IEnumVARIANT) return E_NOINTERFACE;
        *out = static_cast<IEnumVARIANT*>(this);
        AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG n, VARIANT* out, ULONG* fetched) override {
        if (!out) return E_POINTER;
        ULONG got = 0;
        try {
            for (; got < n; ++got) {
                auto cell = e_->Next();
                if (!cell) break;
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
    HRESULT STDMETHODCALLTYPE Skip(ULONG n) override {
        for (ULONG i = 0; i < n; ++i) {
            if (!e_->Next()) return S_FALSE;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }

private:
    std::unique_ptr<host::CellEnumerator> e_;
};

// ---- The tables ------------------------------------------------------------------
// DISPIDs are arbitrary but fixed, as a type library's are.

using App = host::Application;

UniqueVariant file_answer(const std::optional<host::FileList>& files, bool multi) {
    if (!files) return ret_bool(false);
    if (!multi) return ret_str(files->paths.empty() ? std::u16string() : files->paths.front());
    SAFEARRAYBOUND bound = {static_cast<ULONG>(files->paths.size()), files->lowerBound};
    SAFEARRAY* a = SafeArrayCreate(VT_VARIANT, 1, &bound);
    for (std::size_t i = 0; i < files->paths.size(); ++i) {
        LONG at = files->lowerBound + static_cast<LONG>(i);
        UniqueVariant s = ret_str(files->paths[i]);
        SafeArrayPutElement(a, &at, s.get());
    }
    UniqueVariant v;
    v.get()->vt = VT_ARRAY | VT_VARIANT;
    v.get()->parray = a;
    return v;
}

const Table<App>& members(App*) {
    static const Table<App> t = {
        {L"ActiveCell", 0x131, {}, [](App& a, const Args&) { return object(a.ActiveCell()); }, nullptr},
        {L"Selection", 0x93, {},
         [](App& a, const Args&) {
             auto range = a.Selection();
             quill::memory::Sheet* sheet = g_model ? g_model->active_sheet() : nullptr;
             if (!range && sheet && !sheet->selection) return object(std::make_shared<Drawing>());
             return object(std::move(range));
         },
         nullptr},
        {L"CommandBars", 0x59f, {}, [](App& a, const Args&) { return object(a.CommandBars()); }, nullptr},
        {L"GetOpenFilename", 0x433, {L"FileFilter", L"FilterIndex", L"Title", L"ButtonText", L"MultiSelect"},
         [](App& a, const Args& x) {
             std::optional<std::int32_t> index;
             if (x.opt(1)) index = x.i4(1);
             const bool multi = x.opt(4) && x.boolean(4);
             return file_answer(a.GetOpenFilename(x.opt(0) ? x.str(0) : u"", index, x.opt(2) ? x.str(2) : u"",
                                                  x.opt(3) ? x.str(3) : u"", multi),
                                multi);
         },
         nullptr},
        {L"WorksheetFunction", 0x5a0, {}, [](App& a, const Args&) { return object(a.WorksheetFunction()); },
         nullptr},
        {L"ScreenUpdating", 0x17e, {}, [](App& a, const Args&) { return ret_bool(a.ScreenUpdating()); },
         [](App& a, const Args&, const VARIANT& v) { a.ScreenUpdating(Args(std::vector{&v}).boolean(0)); }},
        {L"DisplayCommentIndicator", 0x4ac, {},
         [](App& a, const Args&) { return ret_i4(a.DisplayCommentIndicator()); },
         [](App& a, const Args&, const VARIANT& v) { a.DisplayCommentIndicator(Args(std::vector{&v}).i4(0)); }},
        {L"Visible", 0x22e, {}, [](App& a, const Args&) { return ret_bool(a.Visible()); },
         [](App& a, const Args&, const VARIANT& v) { a.Visible(Args(std::vector{&v}).boolean(0)); }},
        {L"UserName", 0x187, {}, [](App& a, const Args&) { return ret_str(a.UserName()); }, nullptr},
        {L"Version", 0x188, {}, [](App& a, const Args&) { return ret_str(a.Version()); }, nullptr},
        {L"hWnd", 0x7f1, {}, [](App& a, const Args&) { return ret_i4(a.hWnd()); }, nullptr},
    };
    return t;
}

const Table<host::WorksheetFunction>& members(host::WorksheetFunction*) {
    static const Table<host::WorksheetFunction> t = {
        {L"Substitute", 0x73, {L"Arg1", L"Arg2", L"Arg3", L"Arg4"},
         [](host::WorksheetFunction& f, const Args& x) {
             if (x.opt(3)) throw DispFailure{DISP_E_BADPARAMCOUNT, 3};  // the add-in never passes Instance_num
             return ret_str(f.Substitute(x.str(0), x.str(1), x.str(2)));
         },
         nullptr},
    };
    return t;
}

const Table<host::Range>& members(host::Range*) {
    using R = host::Range;
    static const Table<R> t = {
        {L"Parent", 0x96, {}, [](R& r, const Args&) { return object(r.Parent()); }, nullptr},
        {L"Comment", 0x38e, {}, [](R& r, const Args&) { return object(r.Comment()); }, nullptr},
        {L"AddComment", 0x56d, {L"Text"}, [](R& r, const Args& x) { return object(r.AddComment(x.str(0))); },
         nullptr},
        {L"ClearComments", 0x56e, {},
         [](R& r, const Args&) {
             r.ClearComments();
             return ret_none();
         },
         nullptr},
        {L"SpecialCells", 0x19a, {L"Type", L"Value"},
         [](R& r, const Args& x) { return object(r.SpecialCells(x.i4(0))); }, nullptr},
        {L"Cells", 0xee, {}, [](R& r, const Args&) { return object(r.Cells()); }, nullptr},
        {L"Count", 0x76, {}, [](R& r, const Args&) { return ret_i4(static_cast<std::int32_t>(r.Count())); }, nullptr},
        // A Double, as 32-bit Excel returns it (it has no LongLong).
        {L"CountLarge", 0xa8e, {}, [](R& r, const Args&) { return ret_r8(static_cast<double>(r.CountLarge())); },
         nullptr},
        {L"Address", 0xec, {L"RowAbsolute", L"ColumnAbsolute", L"ReferenceStyle", L"External", L"RelativeTo"},
         [](R& r, const Args&) { return ret_str(r.Address()); }, nullptr},
        {L"Text", 0x8a, {}, [](R& r, const Args&) { return ret_str(r.Text()); }, nullptr},
        {L"Characters", 0x25b, {L"Start", L"Length"},
         [](R& r, const Args& x) { return object(r.Characters(x.i4(0), x.i4(1))); }, nullptr},
        {L"_NewEnum", DISPID_NEWENUM, {},
         [](R& r, const Args&) {
             UniqueVariant v;
             v.get()->vt = VT_UNKNOWN;
             v.get()->punkVal = new FakeCellEnum(r.NewEnum());
             return v;
         },
         nullptr},
    };
    return t;
}

const Table<host::Worksheet>& members(host::Worksheet*) {
    static const Table<host::Worksheet> t = {
        {L"ProtectContents", 0x124, {}, [](host::Worksheet& w, const Args&) { return ret_bool(w.ProtectContents()); },
         nullptr},
    };
    return t;
}

const Table<host::Comment>& members(host::Comment*) {
    using C = host::Comment;
    static const Table<C> t = {
        // Text([Text], [Start], [Overwrite]) returns the text, after replacing it when given one.
        {L"Text", 0x8a, {L"Text", L"Start", L"Overwrite"},
         [](C& c, const Args& x) {
             if (x.opt(1)) c.Text(x.str(0), x.i4(1), x.opt(2) && x.boolean(2));
             else if (x.opt(2)) throw DispFailure{DISP_E_BADPARAMCOUNT, 2};
             else if (x.opt(0)) c.Text(x.str(0));
             return ret_str(c.Text());
         },
         nullptr},
        {L"Delete", 0x75, {},
         [](C& c, const Args&) {
             c.Delete();
             return ret_none();
         },
         nullptr},
        {L"Shape", 0x62e, {}, [](C& c, const Args&) { return object(c.Shape()); }, nullptr},
    };
    return t;
}

const Table<host::Shape>& members(host::Shape*) {
    using S = host::Shape;
    static const Table<S> t = {
        {L"Fill", 0x67f, {}, [](S& s, const Args&) { return object(s.Fill()); }, nullptr},
        {L"TextFrame", 0x692, {}, [](S& s, const Args&) { return object(s.TextFrame()); }, nullptr},
        {L"ScaleWidth", 0x698, {L"Factor", L"RelativeToOriginalSize", L"Scale"},
         [](S& s, const Args& x) {
             s.ScaleWidth(x.r4(0), x.i4(1), x.opt(2) ? x.i4(2) : 0);
             return ret_none();
         },
         nullptr},
        {L"ScaleHeight", 0x699, {L"Factor", L"RelativeToOriginalSize", L"Scale"},
         [](S& s, const Args& x) {
             s.ScaleHeight(x.r4(0), x.i4(1), x.opt(2) ? x.i4(2) : 0);
             return ret_none();
         },
         nullptr},
    };
    return t;
}

const Table<host::FillFormat>& members(host::FillFormat*) {
    using F = host::FillFormat;
    static const Table<F> t = {
        {L"Transparency", 0x6a, {}, [](F& f, const Args&) { return ret_r8(f.Transparency()); },
         [](F& f, const Args&, const VARIANT& v) { f.Transparency(Args(std::vector{&v}).r4(0)); }},
        {L"UserPicture", 0x17, {L"PictureFile"},
         [](F& f, const Args& x) {
             f.UserPicture(x.str(0));
             return ret_none();
         },
         nullptr},
    };
    return t;
}

const Table<host::TextFrame>& members(host::TextFrame*) {
    using T = host::TextFrame;
    static const Table<T> t = {
        {L"Orientation", 0x86, {}, [](T& f, const Args&) { return ret_i4(f.Orientation()); },
         [](T& f, const Args&, const VARIANT& v) { f.Orientation(Args(std::vector{&v}).i4(0)); }},
        {L"VerticalAlignment", 0x89, {}, [](T& f, const Args&) { return ret_i4(f.VerticalAlignment()); },
         [](T& f, const Args&, const VARIANT& v) { f.VerticalAlignment(Args(std::vector{&v}).i4(0)); }},
        {L"Characters", 0x25b, {L"Start", L"Length"},
         [](T& f, const Args& x) { return object(f.Characters(x.i4(0), x.i4(1))); }, nullptr},
    };
    return t;
}

const Table<host::Characters>& members(host::Characters*) {
    using C = host::Characters;
    static const Table<C> t = {
        {L"Text", 0x8a, {}, [](C& c, const Args&) { return ret_str(c.Text()); }, nullptr},
        {L"Font", 0x92, {}, [](C& c, const Args&) { return object(c.Font()); }, nullptr},
    };
    return t;
}

const Table<host::Font>& members(host::Font*) {
    using F = host::Font;
    auto value = [](const VARIANT& v) { return Args(std::vector{&v}); };
    static const Table<F> t = {
        {L"Name", 0x6e, {}, [](F& f, const Args&) { return ret_str(f.Name()); },
         [value](F& f, const Args&, const VARIANT& v) { f.Name(value(v).str(0)); }},
        {L"Size", 0x68, {}, [](F& f, const Args&) { return ret_r8(f.Size()); },
         [value](F& f, const Args&, const VARIANT& v) { f.Size(value(v).r4(0)); }},
        {L"Bold", 0x60, {}, [](F& f, const Args&) { return ret_bool(f.Bold()); },
         [value](F& f, const Args&, const VARIANT& v) { f.Bold(value(v).boolean(0)); }},
        {L"Italic", 0x65, {}, [](F& f, const Args&) { return ret_bool(f.Italic()); },
         [value](F& f, const Args&, const VARIANT& v) { f.Italic(value(v).boolean(0)); }},
        {L"Underline", 0x6a, {}, [](F& f, const Args&) { return ret_i4(f.Underline()); },
         [value](F& f, const Args&, const VARIANT& v) { f.Underline(value(v).boolean(0)); }},
        {L"Strikethrough", 0x69, {}, [](F& f, const Args&) { return ret_bool(f.Strikethrough()); },
         [value](F& f, const Args&, const VARIANT& v) { f.Strikethrough(value(v).boolean(0)); }},
        {L"Color", 0x63, {}, [](F& f, const Args&) { return ret_r8(f.Color()); },
         [value](F& f, const Args&, const VARIANT& v) { f.Color(value(v).i4(0)); }},
    };
    return t;
}

const Table<host::CommandBars>& members(host::CommandBars*) {
    static const Table<host::CommandBars> t = {
        {L"Item", DISPID_VALUE, {L"Index"},
         [](host::CommandBars& b, const Args& x) { return object(b.Item(x.str(0))); }, nullptr},
    };
    return t;
}

const Table<host::CommandBar>& members(host::CommandBar*) {
    static const Table<host::CommandBar> t = {
        {L"Controls", 0x60030007, {}, [](host::CommandBar& b, const Args&) { return object(b.Controls()); },
         nullptr},
    };
    return t;
}

const Table<host::CommandBarControls>& members(host::CommandBarControls*) {
    using C = host::CommandBarControls;
    static const Table<C> t = {
        {L"Item", DISPID_VALUE, {L"Index"}, [](C& c, const Args& x) { return object(c.Item(x.str(0))); }, nullptr},
        {L"Add", 0x60030000, {L"Type", L"Id", L"Parameter", L"Before", L"Temporary"},
         [](C& c, const Args& x) {
             for (std::size_t i = 1; i < 5; ++i) {
                 if (x.opt(i)) throw DispFailure{DISP_E_BADPARAMCOUNT, static_cast<UINT>(i)};
             }
             if (x.need(0).vt != VT_I2) throw DispFailure{DISP_E_TYPEMISMATCH, 0};
             return object(c.Add(x.need(0).iVal));
         },
         nullptr},
        {L"Count", 0x60030003, {}, [](C& c, const Args&) { return ret_i4(c.Count()); }, nullptr},
    };
    return t;
}

const Table<host::CommandBarControl>& members(host::CommandBarControl*) {
    using C = host::CommandBarControl;
    static const Table<C> t = {
        {L"Caption", 0x60030011, {}, [](C& c, const Args&) { return ret_str(c.Caption()); },
         [](C& c, const Args&, const VARIANT& v) { c.Caption(Args(std::vector{&v}).str(0)); }},
        {L"Tag", 0x60030023, {}, nullptr, [](C& c, const Args&, const VARIANT& v) { c.Tag(Args(std::vector{&v}).str(0)); }},
        {L"Delete", 0x6003001a, {L"Temporary"},
         [](C& c, const Args& x) {
             if (x.opt(0)) throw DispFailure{DISP_E_BADPARAMCOUNT, 0};
             c.Delete();
             return ret_none();
         },
         nullptr},
        {L"Controls", 0x60040000, {}, [](C& c, const Args&) { return object(c.Controls()); }, nullptr},
    };
    return t;
}

const Table<Drawing>& members(Drawing*) {
    static const Table<Drawing> t = {};
    return t;
}

}  // namespace

FakeExcel::FakeExcel(std::shared_ptr<quill::memory::Excel> model) : model_(std::move(model)) {
    if (g_model) throw std::logic_error("one FakeExcel at a time");
    g_model = model_.get();
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"XLMAIN";
    RegisterClassW(&wc);  // already there from an earlier FakeExcel: fine
    main_ = CreateWindowExW(0, L"XLMAIN", L"Microsoft Excel", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 700,
                            nullptr, nullptr, wc.hInstance, nullptr);
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

ULONG FakeExcel::application_refs() const {
    return static_cast<ULONG>(static_cast<FakeObject<App>*>(app_.get())->refs());
}

namespace {
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

bool FakeExcel::click(std::u16string_view caption) {
    const auto found = buttons(*model_, caption);
    if (found.empty()) return false;
    return model_->click(found.back());
}

int FakeExcel::count_buttons(std::u16string_view caption) const {
    return static_cast<int>(buttons(*model_, caption).size());
}

}  // namespace wintest
