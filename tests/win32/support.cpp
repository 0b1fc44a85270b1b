#include "support.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace wintest {

void format_characters(quill::host::TextFrame& frame, std::int32_t n) {
    for (std::int32_t i = 1; i <= n; ++i) {
        auto font = must(must(frame.Characters(i, 1))->Font());
        must(font)->Name(i % 2 ? u"Arial" : u"Tahoma");
        font->Size(static_cast<float>(8 + i % 5));
        font->Color(0x10203 * (i % 7));
        font->Bold(i % 2 == 0);
        font->Italic(i % 3 == 0);
        font->Underline(i % 4 == 0);
        font->Strikethrough(i % 5 == 0);
    }
}

namespace {
template <class T, class Buffer>
std::optional<T> reg_value(HKEY root, const std::wstring& key, const wchar_t* name, DWORD type, Buffer& value) {
    DWORD bytes = sizeof value;
    if (RegGetValueW(root, key.c_str(), name, type, nullptr, &value, &bytes) != ERROR_SUCCESS) return std::nullopt;
    return T(value);
}
}  // namespace

std::optional<std::wstring> reg_string(HKEY root, const std::wstring& key, const wchar_t* name) {
    wchar_t value[1024];  // no value read here comes near it
    return reg_value<std::wstring>(root, key, name, RRF_RT_REG_SZ, value);
}

std::optional<DWORD> reg_dword(HKEY root, const std::wstring& key, const wchar_t* name) {
    DWORD value = 0;
    return reg_value<DWORD>(root, key, name, RRF_RT_REG_DWORD, value);
}

bool reg_key_exists(HKEY root, const std::wstring& key) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

std::wstring error_description() {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.put()) != S_OK || !info) return L"(no error object)";
    BSTR raw = nullptr;
    info->GetDescription(&raw);
    quill::win32::UniqueBstr text(raw);
    return text ? text.get() : L"";
}

std::string read_file(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::wstring temp_file(const wchar_t* prefix) {
    wchar_t dir[MAX_PATH], file[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    GetTempFileNameW(dir, prefix, 0, file);
    DeleteFileW(file);
    return file;
}

HWND create_xlmain(const wchar_t* title, DWORD style) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"XLMAIN";
    RegisterClassW(&wc);  // already there from an earlier window: fine
    return CreateWindowExW(0, L"XLMAIN", title, style, 0, 0, 900, 700, nullptr, nullptr, wc.hInstance, nullptr);
}

bool form_displayed(_Connect* c) {
    VARIANT_BOOL shown = 123;
    if (c->get_FormDisplayed(&shown) != S_OK || (shown != VARIANT_TRUE && shown != VARIANT_FALSE)) {
        throw std::runtime_error("FormDisplayed answered no Boolean");
    }
    return shown == VARIANT_TRUE;
}

// Excel passes an empty array as the custom argument; the add-in may replace it.
template <class F>
HRESULT with_custom(F f) {
    UniqueSafeArray custom(SafeArrayCreateVector(VT_VARIANT, 0, 0));
    SAFEARRAY* raw = custom.release();
    const HRESULT hr = f(&raw);
    custom.reset(raw);
    return hr;
}

HRESULT connect(IDTExtensibility2* ext, IDispatch* app, ext_ConnectMode mode) {
    return with_custom([&](SAFEARRAY** custom) { return ext->OnConnection(app, mode, nullptr, custom); });
}

HRESULT disconnect(IDTExtensibility2* ext) {
    return with_custom([&](SAFEARRAY** custom) { return ext->OnDisconnection(0, custom); });
}

HostSession::HostSession(const std::wstring& dll)
    : log_(temp_file(L"qhs")), had_settings_(reg_key_exists(HKEY_CURRENT_USER, kAppKey)) {
    SetEnvironmentVariableW(L"QUILLETTE_MSGBOX_LOG", log_.c_str());
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey.c_str(), L"DisplayOnConnect");
    module_ = LoadLibraryW(dll.c_str());
}

HostSession::~HostSession() {
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

}  // namespace wintest
