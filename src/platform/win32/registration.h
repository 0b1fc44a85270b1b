#pragma once
// Self-registration of the in-process server. One table lists every key and
// value registration writes; registering walks it forwards, unregistering
// deletes what it owns, so the two directions cannot disagree.
//
// Class entries (ProgID, CLSID, Interface) go to HKEY_CLASSES_ROOT, and the
// type library is registered for the machine. When HKEY_CLASSES_ROOT cannot
// be written (a user without administrator rights) they go to
// HKCU\Software\Classes and the type library is registered for the user.
// Setting the environment variable QUILLETTE_REGISTER_PER_USER=1 takes the
// per-user road from the start (tests use it to exercise the fallback).
// Unregistering cleans both places, or only the per-user one under that
// variable. The Excel add-in entry is always per-user.
#include <windows.h>
#include <oaidl.h>

#include <span>
#include <string>

namespace quill::win32 {

enum class RegRoot {
    Classes,  // HKEY_CLASSES_ROOT, or HKCU\Software\Classes per user
    User,     // HKEY_CURRENT_USER
};

enum class RegKeyRole {
    Owned,      // created by registration; unregistering deletes it with all below
    Inside,     // below an owned key; goes with it
    Container,  // a parent that may be shared; deleted only when left empty
};

struct RegEntry {
    RegRoot root;
    const wchar_t* key;   // may hold $CLSID, $IID, $LIBID
    RegKeyRole role;
    const wchar_t* name;  // nullptr: the key's default value; with `text`/`number` unset, just the key
    const wchar_t* text;  // REG_SZ data; may hold $CLSID, $IID, $LIBID, $PATH
    bool is_number;
    DWORD number;         // REG_DWORD data when is_number
};

std::span<const RegEntry> registration_table();

// "$CLSID" and friends replaced by their values.
std::wstring expand(const wchar_t* pattern, const std::wstring& dll_path);

enum class RegScope { Machine, User };

// Both return S_OK or the first failure; neither shows anything. A failed
// registration takes back what it wrote.
HRESULT register_server(const std::wstring& dll_path) noexcept;
HRESULT unregister_server() noexcept;

// The per-user type-library calls of oleaut32 where Windows has them (Vista
// and later), otherwise the machine-wide ones with HKEY_CLASSES_ROOT mapped
// onto HKCU\Software\Classes; `use_vista_call` false takes the second road
// wherever it runs.
HRESULT register_type_library_for_user(ITypeLib* lib, OLECHAR* path, bool use_vista_call = true);
HRESULT unregister_type_library_for_user(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND kind,
                                         bool use_vista_call = true);

}  // namespace quill::win32
