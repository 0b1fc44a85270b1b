#include "platform/win32/dispatch_call.h"

#include <oleauto.h>

#include "platform/win32/errors.h"

namespace quill::win32 {

namespace {

// Bumped by clear_member_names; a MemberName filled in an older generation
// looks its name up again. Starts at 1 so that 0 means "never looked up".
unsigned g_generation = 1;

constexpr LCID kLocale = 0x0409;  // the host's object model is called in US English

HostError runtime_error(std::int32_t number, const char16_t* text) { return HostError(number, text); }

std::u16string take_text(BSTR& b) {
    const UniqueBstr owned = take_bstr(b);
    return owned ? to_u16(owned.get(), SysStringLen(owned.get())) : std::u16string();
}

// Converted in the host's locale-independent way (a Double's decimal point
// and a Boolean's "True" never depend on the user's settings).
UniqueVariant changed(const UniqueVariant& v, VARTYPE to) {
    const VARIANT* src = v.get();
    if (src->vt == (VT_BYREF | VT_VARIANT) && src->pvarVal) src = src->pvarVal;
    if ((src->vt & ~VT_BYREF) == VT_NULL) throw err::InvalidUseOfNull();
    UniqueVariant out;
    const HRESULT hr = VariantChangeTypeEx(out.put(), const_cast<VARIANT*>(src), kLocale, 0, to);
    if (hr == DISP_E_OVERFLOW) throw runtime_error(6, u"Overflow");
    if (FAILED(hr)) throw err::TypeMismatch();
    return out;
}

}  // namespace

MemberName::MemberName(const wchar_t* name, std::vector<const wchar_t*> named_args) {
    names_.push_back(name);
    names_.insert(names_.end(), named_args.begin(), named_args.end());
    ids_.assign(names_.size(), DISPID_UNKNOWN);
}

const DISPID* MemberName::ids(IDispatch* target) {
    if (generation_ == g_generation) return ids_.data();
    if (!target) throw err::ObjectRequired();
    const HRESULT hr = target->GetIDsOfNames(IID_NULL, const_cast<LPOLESTR*>(names_.data()),
                                             static_cast<UINT>(names_.size()), kLocale, ids_.data());
    if (hr == DISP_E_UNKNOWNNAME && ids_[0] != DISPID_UNKNOWN) {
        throw HostError(448, u"Named argument not found");  // the member is there, an argument name is not
    }
    if (FAILED(hr)) throw invoke_error(hr, nullptr);
    generation_ = g_generation;
    return ids_.data();
}

void clear_member_names() noexcept { ++g_generation; }

Invocation& Invocation::arg(UniqueVariant value) {
    positional_.push_back(std::move(value));
    return *this;
}

Invocation& Invocation::named(std::size_t index, UniqueVariant value) {
    named_.emplace_back(index, std::move(value));
    return *this;
}

UniqueVariant Invocation::get() { return run(DISPATCH_METHOD | DISPATCH_PROPERTYGET, true); }
UniqueVariant Invocation::method() { return run(DISPATCH_METHOD, true); }
void Invocation::put(UniqueVariant value) {
    put_value_ = std::move(value);
    has_put_ = true;
    run(DISPATCH_PROPERTYPUT, false);
}

UniqueVariant Invocation::run(WORD flags, bool want_result) {
    if (!target_) throw err::ObjectRequired();
    const DISPID* ids = member_ ? member_->ids(target_) : &fixed_;
    // rgvarg holds the named arguments first, then the positional ones in
    // reverse order; the VARIANTs are shallow copies of ours.
    std::vector<VARIANT> args;
    std::vector<DISPID> names;
    if (has_put_) {
        args.push_back(*put_value_.get());
        names.push_back(DISPID_PROPERTYPUT);
    }
    for (auto& [index, value] : named_) {
        args.push_back(*value.get());
        names.push_back(ids[1 + index]);
    }
    for (auto it = positional_.rbegin(); it != positional_.rend(); ++it) args.push_back(*it->get());
    DISPPARAMS params = {args.data(), names.empty() ? nullptr : names.data(), static_cast<UINT>(args.size()),
                         static_cast<UINT>(names.size())};
    UniqueVariant result;
    EXCEPINFO excep = {};
    UINT arg_err = 0;
    const HRESULT hr = target_->Invoke(ids[0], IID_NULL, kLocale, flags, &params,
                                       want_result ? result.put() : nullptr, &excep, &arg_err);
    if (FAILED(hr)) throw invoke_error(hr, &excep);
    return result;
}

HostError invoke_error(HRESULT hr, EXCEPINFO* excep) {
    std::u16string description;
    if (excep) {
        if (hr == DISP_E_EXCEPTION && excep->pfnDeferredFillIn) excep->pfnDeferredFillIn(excep);
        description = take_text(excep->bstrDescription);
        take_bstr(excep->bstrSource);  // not wanted: freed as the wrapper goes
        take_bstr(excep->bstrHelpFile);
    }
    if (hr == DISP_E_EXCEPTION && excep) {
        const HRESULT scode = excep->scode;
        std::int32_t number;
        if (excep->wCode != 0) {
            number = excep->wCode;
        } else if (HRESULT_FACILITY(scode) == FACILITY_CONTROL && FAILED(scode)) {
            number = HRESULT_CODE(scode);
        } else {
            number = static_cast<std::int32_t>(scode);
        }
        if (description.empty()) {
            description = error_from_hresult(scode ? scode : hr, u"Automation error").description();
        }
        return HostError(number, std::move(description));
    }
    switch (hr) {
        case DISP_E_UNKNOWNNAME:
        case DISP_E_MEMBERNOTFOUND:
            return runtime_error(err::kNotSupported, u"Object doesn't support this property or method");
        case DISP_E_TYPEMISMATCH: return err::TypeMismatch();
        case DISP_E_OVERFLOW: return runtime_error(6, u"Overflow");
        case DISP_E_PARAMNOTFOUND: return runtime_error(448, u"Named argument not found");
        case DISP_E_PARAMNOTOPTIONAL: return runtime_error(449, u"Argument not optional");
        case DISP_E_BADPARAMCOUNT:
            return runtime_error(450, u"Wrong number of arguments or invalid property assignment");
        default: return error_from_hresult(hr, u"Automation error");
    }
}

UniqueVariant var_bstr(const std::u16string& s) {
    UniqueVariant v;
    v.get()->vt = VT_BSTR;
    v.get()->bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(s.data()), static_cast<UINT>(s.size()));
    if (!v.get()->bstrVal) {
        v.get()->vt = VT_EMPTY;
        throw HostError(err::kOutOfMemory, u"Out of memory");
    }
    return v;
}

UniqueVariant var_i4(std::int32_t value) {
    UniqueVariant v;
    v.get()->vt = VT_I4;
    v.get()->lVal = value;
    return v;
}

UniqueVariant var_i2(std::int16_t value) {
    UniqueVariant v;
    v.get()->vt = VT_I2;
    v.get()->iVal = value;
    return v;
}

UniqueVariant var_bool(bool value) {
    UniqueVariant v;
    v.get()->vt = VT_BOOL;
    v.get()->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

UniqueVariant var_r4(float value) {
    UniqueVariant v;
    v.get()->vt = VT_R4;
    v.get()->fltVal = value;
    return v;
}

std::u16string as_string(const UniqueVariant& v) {
    UniqueVariant s = changed(v, VT_BSTR);
    BSTR b = s.get()->bstrVal;
    return b ? to_u16(b, SysStringLen(b)) : std::u16string();
}

std::int32_t as_i32(const UniqueVariant& v) { return changed(v, VT_I4).get()->lVal; }
std::int64_t as_i64(const UniqueVariant& v) { return changed(v, VT_I8).get()->llVal; }
float as_float(const UniqueVariant& v) { return changed(v, VT_R4).get()->fltVal; }
bool as_bool(const UniqueVariant& v) { return changed(v, VT_BOOL).get()->boolVal != VARIANT_FALSE; }

ComPtr<IDispatch> as_object(const UniqueVariant& v) {
    const VARIANT* p = v.get();
    if (p->vt == (VT_BYREF | VT_VARIANT) && p->pvarVal) p = p->pvarVal;
    switch (p->vt) {
        case VT_EMPTY: return nullptr;
        case VT_DISPATCH: return ComPtr<IDispatch>::copy(p->pdispVal);
        case VT_DISPATCH | VT_BYREF: return ComPtr<IDispatch>::copy(p->ppdispVal ? *p->ppdispVal : nullptr);
        case VT_UNKNOWN: {
            if (!p->punkVal) return nullptr;
            ComPtr<IDispatch> d;
            if (FAILED(p->punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(d.put())))) {
                throw err::TypeMismatch();
            }
            return d;
        }
        default: throw err::TypeMismatch();
    }
}

}  // namespace quill::win32
