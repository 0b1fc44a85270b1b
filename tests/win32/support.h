#pragma once
// Helpers shared by the Windows test suites.
#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <optional>
#include <string>

#include "ports/excel.h"
#include "ports/host_error.h"

namespace wintest {

std::string narrow(const std::wstring& s);
std::optional<std::wstring> reg_string(HKEY root, const std::wstring& key, const wchar_t* name);
std::optional<DWORD> reg_dword(HKEY root, const std::wstring& key, const wchar_t* name);
bool reg_key_exists(HKEY root, const std::wstring& key);
bool same_path(const std::wstring& a, const std::wstring& b);

// The object, or ObjectRequired for nothing: keeps the pointer, unlike need().
template <class P>
P must(P p) {
    if (!p) throw quill::err::ObjectRequired();
    return p;
}

// What the formatted text transfer does for each character of a comment:
// Characters(i, 1), its Font, and the seven font puts (for i = 1..n).
void format_characters(quill::host::TextFrame& frame, std::int32_t n);

// A bare automation object: it answers IUnknown and IDispatch, and Excel's
// Application interface only when built as `excel`. Counts its references so
// that tests can see them return to where they started.
class FakeDispatch final : public IDispatch {
public:
    explicit FakeDispatch(bool excel) : excel_(excel) {}
    LONG refs() const { return refs_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs_); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    bool excel_;
    LONG refs_ = 1;  // the test's own, on the stack
};

}  // namespace wintest
