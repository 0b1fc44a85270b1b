#pragma once
// Helpers shared by the Windows test programs: registry reads, the registered
// Connect object's notifications with an empty custom array, its state, the
// settings value and the scripted message-box log.
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "extensibility.h"
#include "platform/win32/handles.h"
#include "ports/excel.h"
#include "ports/host_error.h"
#include "quillpix.h"

namespace wintest {

using quill::win32::ComPtr;
using quill::win32::UniqueSafeArray;

inline const std::wstring kAppKey = L"Software\\VB and VBA Program Settings\\Pixnote";
inline const std::wstring kSettingsKey = kAppKey + L"\\Settings";

// What follows the group's name on the test program's command line.
const std::vector<std::wstring>& args();

std::optional<std::wstring> reg_string(HKEY root, const std::wstring& key, const wchar_t* name);
std::optional<DWORD> reg_dword(HKEY root, const std::wstring& key, const wchar_t* name);
bool reg_key_exists(HKEY root, const std::wstring& key);
// The description the thread's error object holds.
std::wstring error_description();
std::string read_file(const std::wstring& path);
std::wstring temp_file(const wchar_t* prefix);  // a name for a new file in the temporary folder
// A top-level window of Excel's main window class, "XLMAIN" (registered on
// first use and kept), 900 x 700 pixels at the origin.
HWND create_xlmain(const wchar_t* title, DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE);
// FormDisplayed, which must be an automation Boolean.
bool form_displayed(_Connect* c);
HRESULT connect(IDTExtensibility2* ext, IDispatch* app, ext_ConnectMode mode);
HRESULT disconnect(IDTExtensibility2* ext);

inline std::optional<std::wstring> display_on_connect() {
    return reg_string(HKEY_CURRENT_USER, kSettingsKey, L"DisplayOnConnect");
}

// The references a COM object counts now.
inline ULONG refs(IUnknown* p) {
    p->AddRef();
    return p->Release();
}

// The object, or ObjectRequired for nothing: keeps the pointer, unlike need().
template <class P>
P must(P p) {
    if (!p) throw quill::err::ObjectRequired();
    return p;
}

// What the formatted text transfer does for each character of a comment:
// Characters(i, 1), its Font, and the seven font puts (for i = 1..n).
void format_characters(quill::host::TextFrame& frame, std::int32_t n);

// The registered DLL loaded as a host loads it, with a fresh box log and no
// remembered dialog state; the user's settings are put back afterwards.
class HostSession {
public:
    explicit HostSession(const std::wstring& dll);
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    template <class F>
    F export_of(const char* name) const {
        return module_ ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name))) : nullptr;
    }
    HRESULT can_unload_now() const {
        auto f = export_of<HRESULT(STDAPICALLTYPE*)()>("DllCanUnloadNow");
        return f ? f() : E_FAIL;
    }
    std::string boxes() const { return read_file(log_); }  // the boxes shown so far, one a line

private:
    std::wstring log_;
    bool had_settings_;
    HMODULE module_ = nullptr;
};

}  // namespace wintest
