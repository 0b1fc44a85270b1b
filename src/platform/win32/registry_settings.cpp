#include "platform/win32/registry_settings.h"

#include <windows.h>

#include "platform/win32/errors.h"
#include "platform/win32/handles.h"

namespace quill::win32 {

namespace {

std::wstring settings_key(const std::u16string& app, const std::u16string& section) {
    // An empty name would address the parent key, and a backslash another
    // key altogether; the host rejects both the same way.
    for (const auto* part : {&app, &section}) {
        if (part->empty() || part->find(u'\\') != std::u16string::npos) throw err::InvalidProcedureCall();
    }
    return L"Software\\VB and VBA Program Settings\\" + to_wide(app) + L"\\" + to_wide(section);
}

}  // namespace

std::u16string RegistrySettings::GetSetting(const std::u16string& app, const std::u16string& section,
                                            const std::u16string& key, const std::u16string& fallback) {
    const std::wstring path = settings_key(app, section);
    const std::wstring name = to_wide(key);
    UniqueHKey hkey;
    {
        HKEY raw = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return fallback;
        hkey.reset(raw);
    }
    // The value may change size between the two calls; try again then.
    // RegQueryValueEx rather than RegGetValue (Vista and later): it neither
    // checks the type nor promises a terminating null, so both are done here.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0, bytes = 0;
        LSTATUS rc = RegQueryValueExW(hkey.get(), name.c_str(), nullptr, &type, nullptr, &bytes);
        if (rc != ERROR_SUCCESS || type != REG_SZ) return fallback;
        std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        rc = RegQueryValueExW(hkey.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                              &bytes);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS || type != REG_SZ) return fallback;
        value.resize(wcsnlen(value.c_str(), bytes / sizeof(wchar_t)));
        return to_u16(value.c_str(), value.size());
    }
    return fallback;
}

void RegistrySettings::SaveSetting(const std::u16string& app, const std::u16string& section,
                                   const std::u16string& key, const std::u16string& value) {
    const std::wstring path = settings_key(app, section);
    HKEY raw = nullptr;
    LSTATUS rc = RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw,
                                 nullptr);
    if (rc != ERROR_SUCCESS) throw error_from_hresult(HRESULT_FROM_WIN32(rc), u"The setting cannot be saved.");
    UniqueHKey hkey(raw);
    const std::wstring name = to_wide(key);
    const std::wstring data = to_wide(value);
    rc = RegSetValueExW(hkey.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                        static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    if (rc != ERROR_SUCCESS) throw error_from_hresult(HRESULT_FROM_WIN32(rc), u"The setting cannot be saved.");
}

}  // namespace quill::win32
