#pragma once
// The one exception translator of the DLL and the boundary helper that every
// COM method, export and callback goes through: no C++ exception ever leaves
// the module.
#include <windows.h>

#include <string>

#include "ports/host_error.h"

namespace quill::win32 {

// For use inside a catch block only. A HostError carrying an HRESULT (a
// negative number) gives that HRESULT; one carrying an automation error
// number gives DISP_E_EXCEPTION; bad_alloc gives E_OUTOFMEMORY; anything else
// E_FAIL.
HRESULT hresult_from_current_exception() noexcept;

// Hands the description to the caller through the thread's error object, so
// that automation callers (and ITypeInfo::Invoke's EXCEPINFO) see it.
void set_error_description(const std::u16string& description) noexcept;

// A HostError for a failed Win32 or COM call: the HRESULT as number, the
// system's message for it (or `what` when the system has none) as description.
HostError error_from_hresult(HRESULT hr, const std::u16string& what);
[[noreturn]] void throw_hresult(HRESULT hr, const std::u16string& what);
inline void check(HRESULT hr, const std::u16string& what) {
    if (FAILED(hr)) throw_hresult(hr, what);
}

// Wraps the body of a COM method: the body returns its HRESULT, an exception
// becomes one.
template <class Body>
HRESULT com_boundary(Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        try {
            set_error_description(current_error().description());
        } catch (...) {
        }
        return hresult_from_current_exception();
    }
}

// Text conversions at the Win32 edge: wchar_t is UTF-16 on Windows.
inline std::u16string to_u16(const wchar_t* s, std::size_t n) {
    return std::u16string(reinterpret_cast<const char16_t*>(s), n);
}
inline std::u16string to_u16(const wchar_t* s) { return s ? to_u16(s, wcslen(s)) : std::u16string(); }
inline std::wstring to_wide(const std::u16string& s) {
    return std::wstring(reinterpret_cast<const wchar_t*>(s.data()), s.size());
}

}  // namespace quill::win32
