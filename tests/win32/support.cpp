#include "support.h"

#include "platform/win32/handles.h"

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

std::optional<std::wstring> reg_string(HKEY root, const std::wstring& key, const wchar_t* name) {
    DWORD bytes = 0;
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value.data(), &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.resize(wcsnlen(value.c_str(), value.size()));
    return value;
}

std::optional<DWORD> reg_dword(HKEY root, const std::wstring& key, const wchar_t* name) {
    DWORD value = 0, bytes = sizeof value;
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

bool reg_key_exists(HKEY root, const std::wstring& key) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

std::wstring error_description() {
    quill::win32::ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.put()) != S_OK || !info) return L"(no error object)";
    BSTR raw = nullptr;
    info->GetDescription(&raw);
    quill::win32::UniqueBstr text(raw);
    return text ? text.get() : L"";
}

}  // namespace wintest
