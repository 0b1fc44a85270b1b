#include "platform/win32/registration.h"

#include <oleauto.h>

#include <vector>

#include "platform/win32/errors.h"
#include "platform/win32/handles.h"
#include "quillpix.h"

namespace quill::win32 {

namespace {

constexpr wchar_t kProgId[] = L"Quillpix.Connect";
constexpr wchar_t kAddinKey[] = L"Software\\Microsoft\\Office\\Excel\\Addins\\Quillpix.Connect";
// Automation marshalling through the type library (the standard
// PSOAInterface proxy).
constexpr wchar_t kOleAutomationProxy[] = L"{00020424-0000-0000-C000-000000000046}";

#ifdef _WIN64
constexpr SYSKIND kSysKind = SYS_WIN64;
#else
constexpr SYSKIND kSysKind = SYS_WIN32;
#endif
constexpr LCID kTypeLibLcid = 0x0409;

using R = RegRoot;
using K = RegKeyRole;
const RegEntry kTable[] = {
    {R::Classes, L"Quillpix.Connect", K::Owned, nullptr, kProgId, false, 0},
    {R::Classes, L"Quillpix.Connect\\CLSID", K::Inside, nullptr, L"$CLSID", false, 0},
    {R::Classes, L"CLSID\\$CLSID", K::Owned, nullptr, kProgId, false, 0},
    {R::Classes, L"CLSID\\$CLSID\\InprocServer32", K::Inside, nullptr, L"$PATH", false, 0},
    {R::Classes, L"CLSID\\$CLSID\\InprocServer32", K::Inside, L"ThreadingModel", L"Apartment", false, 0},
    {R::Classes, L"CLSID\\$CLSID\\ProgID", K::Inside, nullptr, kProgId, false, 0},
    {R::Classes, L"CLSID\\$CLSID\\TypeLib", K::Inside, nullptr, L"$LIBID", false, 0},
    {R::Classes, L"Interface\\$IID", K::Owned, nullptr, L"_Connect", false, 0},
    {R::Classes, L"Interface\\$IID\\ProxyStubClsid32", K::Inside, nullptr, kOleAutomationProxy, false, 0},
    {R::Classes, L"Interface\\$IID\\TypeLib", K::Inside, nullptr, L"$LIBID", false, 0},
    {R::Classes, L"Interface\\$IID\\TypeLib", K::Inside, L"Version", L"1.0", false, 0},
    {R::User, L"Software\\Microsoft\\Office", K::Container, nullptr, nullptr, false, 0},
    {R::User, L"Software\\Microsoft\\Office\\Excel", K::Container, nullptr, nullptr, false, 0},
    {R::User, L"Software\\Microsoft\\Office\\Excel\\Addins", K::Container, nullptr, nullptr, false, 0},
    {R::User, kAddinKey, K::Owned, L"FriendlyName", L"Quillette", false, 0},
    {R::User, kAddinKey, K::Inside, L"Description", L"Add-In Project Template", false, 0},
    {R::User, kAddinKey, K::Inside, L"LoadBehavior", nullptr, true, 3},
    {R::User, kAddinKey, K::Inside, L"CommandLineSafe", nullptr, true, 0},
};

std::wstring guid_text(REFGUID g) {
    wchar_t buffer[40] = {};
    StringFromGUID2(g, buffer, 40);
    return buffer;
}

// RegisterTypeLibForUser and UnRegisterTypeLibForUser came with Vista: they
// are looked up at run time, so that the DLL still loads on XP. Without them,
// HKEY_CLASSES_ROOT is mapped onto HKCU\Software\Classes for the calls to the
// machine-wide functions, which then write there (RegOverridePredefKey,
// Windows 2000 and later).
using RegisterForUser = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
using UnregisterForUser = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);

template <class Fn>
Fn oleaut32_function(const char* name) {
    HMODULE oleaut = GetModuleHandleW(L"oleaut32.dll");
    return oleaut ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(oleaut, name))) : nullptr;
}

template <class Call>
HRESULT with_user_classes(Call call) {
    HKEY raw = nullptr;
    LSTATUS rc = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                 &raw, nullptr);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    UniqueHKey classes(raw);
    rc = RegOverridePredefKey(HKEY_CLASSES_ROOT, classes.get());
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    const HRESULT hr = call();
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    return hr;
}

}  // namespace

HRESULT register_type_library_for_user(ITypeLib* lib, OLECHAR* path, bool use_vista_call) {
    if (auto fn = use_vista_call ? oleaut32_function<RegisterForUser>("RegisterTypeLibForUser") : nullptr) {
        return fn(lib, path, nullptr);
    }
    return with_user_classes([&] { return RegisterTypeLib(lib, path, nullptr); });
}

HRESULT unregister_type_library_for_user(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND kind,
                                         bool use_vista_call) {
    if (auto fn = use_vista_call ? oleaut32_function<UnregisterForUser>("UnRegisterTypeLibForUser") : nullptr) {
        return fn(libid, major, minor, lcid, kind);
    }
    return with_user_classes([&] { return UnRegisterTypeLib(libid, major, minor, lcid, kind); });
}

namespace {

bool per_user_forced() {
    wchar_t value[8] = {};
    const DWORD n = GetEnvironmentVariableW(L"QUILLETTE_REGISTER_PER_USER", value, 8);
    return n == 1 && value[0] == L'1';
}

// The key under which class entries go for a scope.
HKEY open_classes_root(RegScope scope, UniqueHKey& holder) {
    if (scope == RegScope::Machine) return HKEY_CLASSES_ROOT;
    HKEY raw = nullptr;
    const LSTATUS rc = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0,
                                       KEY_ALL_ACCESS, nullptr, &raw, nullptr);
    if (rc != ERROR_SUCCESS) throw error_from_hresult(HRESULT_FROM_WIN32(rc), u"HKCU\\Software\\Classes");
    holder.reset(raw);
    return raw;
}

void write_entry(HKEY root, const RegEntry& e, const std::wstring& path) {
    const std::wstring key = expand(e.key, path);
    HKEY raw = nullptr;
    LSTATUS rc = RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &raw, nullptr);
    if (rc != ERROR_SUCCESS) throw error_from_hresult(HRESULT_FROM_WIN32(rc), to_u16(key.c_str()));
    UniqueHKey hkey(raw);
    if (e.is_number) {
        rc = RegSetValueExW(hkey.get(), e.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&e.number),
                            sizeof(DWORD));
    } else if (e.text) {
        const std::wstring data = expand(e.text, path);
        rc = RegSetValueExW(hkey.get(), e.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    }
    if (rc != ERROR_SUCCESS) throw error_from_hresult(HRESULT_FROM_WIN32(rc), to_u16(key.c_str()));
}

bool gone(LSTATUS rc) { return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND; }

// A key with all its subkeys, as RegDeleteTree (Vista and later) does.
LSTATUS delete_tree(HKEY root, const std::wstring& key) {
    HKEY raw = nullptr;
    LSTATUS rc = RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | KEY_WRITE, &raw);
    if (rc != ERROR_SUCCESS) return rc;
    {
        UniqueHKey hkey(raw);
        // Always the first subkey: deleting one renumbers the rest.
        wchar_t name[256];  // the longest key name the registry allows, with its null
        for (;;) {
            DWORD length = 256;
            rc = RegEnumKeyExW(hkey.get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_NO_MORE_ITEMS) break;
            if (rc != ERROR_SUCCESS) return rc;
            rc = delete_tree(hkey.get(), name);
            if (!gone(rc)) return rc;
        }
    }
    return RegDeleteKeyW(root, key.c_str());
}

// Deletes, in reverse table order, what the entries of one root own; returns
// the first real failure.
LSTATUS delete_entries(HKEY root, RegRoot which) {
    LSTATUS first = ERROR_SUCCESS;
    const std::span<const RegEntry> table = registration_table();
    for (auto it = table.rbegin(); it != table.rend(); ++it) {
        if (it->root != which) continue;
        const std::wstring key = expand(it->key, L"");
        LSTATUS rc = ERROR_SUCCESS;
        if (it->role == K::Owned) {
            rc = delete_tree(root, key);
        } else if (it->role == K::Container) {
            // RegDeleteKey refuses a key that still has subkeys; a key with
            // values of someone else's is kept explicitly.
            HKEY raw = nullptr;
            if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) continue;
            UniqueHKey hkey(raw);
            DWORD subkeys = 0, values = 0;
            if (RegQueryInfoKeyW(hkey.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                 nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
                subkeys == 0 && values == 0) {
                hkey.reset();
                RegDeleteKeyW(root, key.c_str());
            }
            continue;
        }
        if (!gone(rc) && first == ERROR_SUCCESS) first = rc;
    }
    return first;
}

void register_type_library(const std::wstring& path, RegScope scope) {
    ComPtr<ITypeLib> lib;
    check(LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.put()), u"The type library cannot be loaded.");
    std::wstring full = path;
    const HRESULT hr = scope == RegScope::Machine ? RegisterTypeLib(lib.get(), full.data(), nullptr)
                                                  : register_type_library_for_user(lib.get(), full.data());
    check(hr, u"The type library cannot be registered.");
}

void register_in(RegScope scope, const std::wstring& path) {
    UniqueHKey holder;
    const HKEY classes = open_classes_root(scope, holder);
    register_type_library(path, scope);
    for (const RegEntry& e : registration_table()) {
        write_entry(e.root == R::Classes ? classes : HKEY_CURRENT_USER, e, path);
    }
}

bool access_denied(HRESULT hr) {
    return hr == HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED) || hr == TYPE_E_REGISTRYACCESS || hr == E_ACCESSDENIED;
}

HRESULT unregister_scope(RegScope scope) noexcept {
    return com_boundary([&] {
        // The type library goes first: unregistering it reads its registered
        // path to find its interfaces.
        const HRESULT lib = scope == RegScope::Machine
                                ? UnRegisterTypeLib(LIBID_Quillpix, 1, 0, kTypeLibLcid, kSysKind)
                                : unregister_type_library_for_user(LIBID_Quillpix, 1, 0, kTypeLibLcid, kSysKind);
        (void)lib;  // not registered there is no failure
        UniqueHKey holder;
        const HKEY classes = open_classes_root(scope, holder);
        LSTATUS rc = delete_entries(classes, R::Classes);
        const LSTATUS user = delete_entries(HKEY_CURRENT_USER, R::User);
        if (rc == ERROR_SUCCESS) rc = user;
        return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc);
    });
}

}  // namespace

std::span<const RegEntry> registration_table() { return kTable; }

std::wstring expand(const wchar_t* pattern, const std::wstring& dll_path) {
    struct Var {
        const wchar_t* name;
        std::wstring value;
    };
    const Var vars[] = {{L"$CLSID", guid_text(CLSID_Connect)},
                        {L"$IID", guid_text(IID__Connect)},
                        {L"$LIBID", guid_text(LIBID_Quillpix)},
                        {L"$PATH", dll_path}};
    std::wstring out = pattern;
    for (const Var& v : vars) {
        const std::size_t len = wcslen(v.name);
        for (std::size_t at = out.find(v.name); at != std::wstring::npos; at = out.find(v.name, at + v.value.size())) {
            out.replace(at, len, v.value);
        }
    }
    return out;
}

HRESULT register_server(const std::wstring& dll_path) noexcept {
    RegScope scope = per_user_forced() ? RegScope::User : RegScope::Machine;
    HRESULT hr = com_boundary([&] {
        register_in(scope, dll_path);
        return S_OK;
    });
    if (FAILED(hr) && scope == RegScope::Machine && access_denied(hr)) {
        unregister_scope(RegScope::Machine);
        scope = RegScope::User;
        hr = com_boundary([&] {
            register_in(scope, dll_path);
            return S_OK;
        });
    }
    if (FAILED(hr)) unregister_scope(scope);
    return hr;
}

HRESULT unregister_server() noexcept {
    const HRESULT user = unregister_scope(RegScope::User);
    if (per_user_forced()) return user;
    const HRESULT machine = unregister_scope(RegScope::Machine);
    return FAILED(machine) ? machine : user;
}

}  // namespace quill::win32
