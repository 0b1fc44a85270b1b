#pragma once
// Helpers of the suites that drive the registered Connect object: its
// notifications with an empty custom array, its state, the settings value and
// the scripted message-box log.
#include <windows.h>
#include <oleauto.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "extensibility.h"
#include "harness.h"
#include "platform/win32/handles.h"
#include "quillpix.h"
#include "support.h"

namespace wintest::connect_support {

using quill::win32::ComPtr;
using quill::win32::UniqueSafeArray;

inline const std::wstring kSettingsKey = L"Software\\VB and VBA Program Settings\\Pixnote\\Settings";

inline std::string read_file(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline std::wstring temp_file(const wchar_t* prefix) {
    wchar_t dir[MAX_PATH], file[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    GetTempFileNameW(dir, prefix, 0, file);
    DeleteFileW(file);
    return file;
}

inline std::optional<std::wstring> display_on_connect() {
    return wintest::reg_string(HKEY_CURRENT_USER, kSettingsKey, L"DisplayOnConnect");
}

inline bool form_displayed(_Connect* c) {
    VARIANT_BOOL shown = 123;
    CHECK(c->get_FormDisplayed(&shown) == S_OK);
    CHECK(shown == VARIANT_TRUE || shown == VARIANT_FALSE);
    return shown == VARIANT_TRUE;
}

inline ComPtr<IUnknown> identity(IUnknown* p) {
    ComPtr<IUnknown> u;
    if (p) p->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(u.put()));
    return u;
}

inline UniqueSafeArray empty_custom() { return UniqueSafeArray(SafeArrayCreateVector(VT_VARIANT, 0, 0)); }

inline HRESULT connect(IDTExtensibility2* ext, IDispatch* app, ext_ConnectMode mode) {
    UniqueSafeArray custom = empty_custom();
    SAFEARRAY* raw = custom.release();
    const HRESULT hr = ext->OnConnection(app, mode, nullptr, &raw);
    custom.reset(raw);
    return hr;
}

inline HRESULT disconnect(IDTExtensibility2* ext) {
    UniqueSafeArray custom = empty_custom();
    SAFEARRAY* raw = custom.release();
    const HRESULT hr = ext->OnDisconnection(0, &raw);
    custom.reset(raw);
    return hr;
}


}  // namespace wintest::connect_support
