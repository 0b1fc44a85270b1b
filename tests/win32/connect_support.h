#pragma once
// Helpers of the programs that drive the registered Connect object: its
// notifications with an empty custom array, its state, the settings value and
// the scripted message-box log.
#include <windows.h>
#include <oleauto.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

#include "extensibility.h"
#include "platform/win32/handles.h"
#include "quillpix.h"
#include "support.h"

namespace wintest::connect_support {

using quill::win32::ComPtr;
using quill::win32::UniqueSafeArray;

inline const std::wstring kAppKey = L"Software\\VB and VBA Program Settings\\Pixnote";
inline const std::wstring kSettingsKey = kAppKey + L"\\Settings";

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

// FormDisplayed, which must be an automation Boolean.
inline bool form_displayed(_Connect* c) {
    VARIANT_BOOL shown = 123;
    if (c->get_FormDisplayed(&shown) != S_OK || (shown != VARIANT_TRUE && shown != VARIANT_FALSE)) {
        throw std::runtime_error("FormDisplayed answered no Boolean");
    }
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

// The registered DLL loaded as a host loads it, with a fresh box log and no
// remembered dialog state; the user's settings are put back afterwards.
class HostSession {
public:
    explicit HostSession(const std::wstring& dll)
        : log_(temp_file(L"qhs")), had_settings_(reg_key_exists(HKEY_CURRENT_USER, kAppKey)) {
        SetEnvironmentVariableW(L"QUILLETTE_MSGBOX_LOG", log_.c_str());
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey.c_str(), L"DisplayOnConnect");
        module_ = LoadLibraryW(dll.c_str());
    }
    ~HostSession() {
        if (had_settings_) {
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey.c_str(), L"DisplayOnConnect");
        } else {
            RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey.c_str());
            RegDeleteKeyW(HKEY_CURRENT_USER, kAppKey.c_str());
        }
        SetEnvironmentVariableW(L"QUILLETTE_MSGBOX_LOG", nullptr);
        DeleteFileW(log_.c_str());
        if (module_) FreeLibrary(module_);
    }
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    HMODULE module() const { return module_; }
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

}  // namespace wintest::connect_support
