#pragma once
// Late-bound calls through IDispatch as the host's own runtime makes them:
// names looked up once and cached, arguments by position or by name, property
// puts through DISPID_PROPERTYPUT, and failures turned into HostError with
// the number and description the host reported.
#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ports/host_error.h"
#include "platform/win32/handles.h"

namespace quill::win32 {

// One member called by name, with the names of the arguments passed by name.
// Its DISPIDs are looked up with GetIDsOfNames on first use and kept: each
// bridged object type holds one MemberName per member it calls, so a name is
// asked once per object type, whatever the number of objects or calls.
// The component is apartment-threaded: all calls come from one thread.
class MemberName {
public:
    explicit MemberName(const wchar_t* name, std::vector<const wchar_t*> named_args = {});
    // The member's DISPID, then one per named argument.
    const DISPID* ids(IDispatch* target);
    const wchar_t* name() const noexcept { return names_.front(); }

private:
    std::vector<const wchar_t*> names_;
    std::vector<DISPID> ids_;
    unsigned generation_ = 0;  // of the cache it was filled in; 0: never
};

// Forgets every cached DISPID (for tests and benchmarks that count lookups).
void clear_member_names() noexcept;

// One call: positional arguments in order, named ones by their index in the
// MemberName's list. Arguments are owned by the call.
class Invocation {
public:
    Invocation(IDispatch* target, MemberName& member) : target_(target), member_(&member) {}
    // A member with a fixed DISPID, such as DISPID_NEWENUM: no lookup.
    Invocation(IDispatch* target, DISPID id) : target_(target), fixed_(id) {}
    Invocation& arg(UniqueVariant value);
    Invocation& named(std::size_t index, UniqueVariant value);

    UniqueVariant get();  // DISPATCH_METHOD | DISPATCH_PROPERTYGET, as a call that wants a result
    UniqueVariant method();
    void put(UniqueVariant value);  // DISPATCH_PROPERTYPUT

private:
    UniqueVariant run(WORD flags, bool want_result);
    IDispatch* target_;
    MemberName* member_ = nullptr;
    DISPID fixed_ = DISPID_UNKNOWN;
    std::vector<UniqueVariant> positional_;
    std::vector<std::pair<std::size_t, UniqueVariant>> named_;
    UniqueVariant put_value_;
    bool has_put_ = false;
};

// The HostError of a failed Invoke or GetIDsOfNames. DISP_E_EXCEPTION: the
// EXCEPINFO's description (deferred fill-in honoured), numbered by its wCode
// or, failing that, its scode (an automation-error scode 0x800Axxxx gives
// its code, as the host's runtime numbers it); without a description, the
// system's message for the scode. The dispatch errors the host's runtime
// names (unknown member 438, type mismatch 13, ...) get its numbers and
// texts; any other HRESULT its system message.
HostError invoke_error(HRESULT hr, EXCEPINFO* excep);

// VARIANT makers.
UniqueVariant var_bstr(const std::u16string& s);
UniqueVariant var_i4(std::int32_t v);
UniqueVariant var_i2(std::int16_t v);
UniqueVariant var_bool(bool v);  // VARIANT_TRUE (-1) or VARIANT_FALSE (0)
UniqueVariant var_r4(float v);

// VARIANT readers. The host's Null (an attribute that differs within a span)
// fails with err::InvalidUseOfNull; anything not convertible with
// err::TypeMismatch.
std::u16string as_string(const UniqueVariant& v);
std::int32_t as_i32(const UniqueVariant& v);
std::int64_t as_i64(const UniqueVariant& v);
float as_float(const UniqueVariant& v);
bool as_bool(const UniqueVariant& v);
// An object result: "nothing" (VT_DISPATCH null, VT_EMPTY) is null.
ComPtr<IDispatch> as_object(const UniqueVariant& v);

}  // namespace quill::win32
