#include "platform/win32/errors.h"

#include <oleauto.h>

#include <new>

#include "platform/win32/handles.h"

namespace quill::win32 {

HRESULT hresult_from_current_exception() noexcept {
    try {
        throw;
    } catch (const HostError& e) {
        if (e.number() < 0) return static_cast<HRESULT>(e.number());
        return DISP_E_EXCEPTION;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

void set_error_description(const std::u16string& description) noexcept {
    ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(create.put()))) return;
    const std::wstring text = to_wide(description);
    create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
    create->SetSource(const_cast<LPOLESTR>(L"Pixnote"));
    if (auto info = create.query<IErrorInfo>()) SetErrorInfo(0, info.get());
}

HostError error_from_hresult(HRESULT hr, const std::u16string& what) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0,
                                   nullptr);
    const UniqueHLocal owned(buffer);
    std::u16string text = n ? to_u16(buffer, n) : std::u16string();
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' ')) text.pop_back();
    if (text.empty()) text = what;
    return HostError(static_cast<std::int32_t>(hr), text);
}

void throw_hresult(HRESULT hr, const std::u16string& what) { throw error_from_hresult(hr, what); }

}  // namespace quill::win32
