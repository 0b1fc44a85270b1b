#pragma once
// Helpers shared by the Windows test programs.
#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ports/excel.h"
#include "ports/host_error.h"

namespace wintest {

// What follows the group's name on the test program's command line.
const std::vector<std::wstring>& args();

std::optional<std::wstring> reg_string(HKEY root, const std::wstring& key, const wchar_t* name);
std::optional<DWORD> reg_dword(HKEY root, const std::wstring& key, const wchar_t* name);
bool reg_key_exists(HKEY root, const std::wstring& key);
// The description the thread's error object holds.
std::wstring error_description();

// The object, or ObjectRequired for nothing: keeps the pointer, unlike need().
template <class P>
P must(P p) {
    if (!p) throw quill::err::ObjectRequired();
    return p;
}

// What the formatted text transfer does for each character of a comment:
// Characters(i, 1), its Font, and the seven font puts (for i = 1..n).
void format_characters(quill::host::TextFrame& frame, std::int32_t n);

// The references a COM object counts now.
inline ULONG refs(IUnknown* p) {
    p->AddRef();
    return p->Release();
}

}  // namespace wintest
