// What regsvr32 leaves in the registry. The expected keys and values are
// written out here by hand, independently of the DLL's registration table.
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <string>
#include <vector>

#include "harness.h"
#include "platform/win32/handles.h"
#include "support.h"

using wintest::reg_dword;
using wintest::reg_key_exists;
using wintest::reg_string;
using wintest::Scope;

namespace {

const std::wstring kClsid = L"{998E1645-3613-4B39-A824-8D55E57E1719}";
const std::wstring kIid = L"{CA4DC0D2-8789-400A-86EF-440DFF7C5095}";
const std::wstring kLibid = L"{A468F4CE-B92B-460B-AF7C-E60CAA45E264}";
const std::wstring kAddin = L"Software\\Microsoft\\Office\\Excel\\Addins\\Quillpix.Connect";
const GUID kLibGuid = {0xA468F4CE, 0xB92B, 0x460B, {0xAF, 0x7C, 0xE6, 0x0C, 0xAA, 0x45, 0xE2, 0x64}};

struct StringValue {
    std::wstring key;
    const wchar_t* name;
    std::wstring data;
};

std::vector<StringValue> class_values(const std::wstring& dll) {
    return {
        {L"Quillpix.Connect", nullptr, L"Quillpix.Connect"},
        {L"Quillpix.Connect\\CLSID", nullptr, kClsid},
        {L"CLSID\\" + kClsid, nullptr, L"Quillpix.Connect"},
        {L"CLSID\\" + kClsid + L"\\InprocServer32", nullptr, dll},
        {L"CLSID\\" + kClsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {L"CLSID\\" + kClsid + L"\\ProgID", nullptr, L"Quillpix.Connect"},
        {L"CLSID\\" + kClsid + L"\\TypeLib", nullptr, kLibid},
        {L"Interface\\" + kIid, nullptr, L"_Connect"},
        {L"Interface\\" + kIid + L"\\ProxyStubClsid32", nullptr, L"{00020424-0000-0000-C000-000000000046}"},
        {L"Interface\\" + kIid + L"\\TypeLib", nullptr, kLibid},
    };
}

const std::vector<std::wstring> kClassKeys = {L"Quillpix.Connect", L"CLSID\\" + kClsid, L"Interface\\" + kIid,
                                              L"TypeLib\\" + kLibid};

// Exact, except the DLL's path, which the file system compares without case.
void check_values(HKEY root, const std::vector<StringValue>& values, const std::wstring& dll) {
    for (const auto& v : values) {
        Scope s(wintest::narrow(v.key + L" " + (v.name ? v.name : L"(default)")));
        const auto got = reg_string(root, v.key, v.name);
        if (!CHECK(got.has_value())) continue;
        CHECK(v.data == dll ? wintest::same_path(*got, dll) : *got == v.data);
    }
}

void check_addin_entry() {
    Scope s("Excel add-in entry");
    CHECK(reg_string(HKEY_CURRENT_USER, kAddin, L"FriendlyName") == std::wstring(L"Quillette"));
    CHECK(reg_string(HKEY_CURRENT_USER, kAddin, L"Description") == std::wstring(L"Add-In Project Template"));
    CHECK(reg_dword(HKEY_CURRENT_USER, kAddin, L"LoadBehavior") == DWORD{3});
    CHECK(reg_dword(HKEY_CURRENT_USER, kAddin, L"CommandLineSafe") == DWORD{0});
}

void check_type_library(const std::wstring& dll) {
    Scope s("type library");
    BSTR raw = nullptr;
    CHECK(QueryPathOfRegTypeLib(kLibGuid, 1, 0, 0x0409, &raw) == S_OK);
    quill::win32::UniqueBstr path(raw);
    CHECK(path && wintest::same_path(path.get(), dll));
}

}  // namespace

// registered <dll> [per-user]
void registered_suite(const std::vector<std::wstring>& args) {
    if (!CHECK(!args.empty())) return;
    const std::wstring& dll = args[0];
    const bool per_user = args.size() > 1 && args[1] == L"per-user";
    HKEY user_classes = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, KEY_READ, &user_classes);
    quill::win32::UniqueHKey holder(user_classes);

    if (per_user) {
        Scope s("per-user classes");
        check_values(user_classes, class_values(dll), dll);
        // Wine's RegisterTypeLibForUser is a semi-stub that registers for
        // the machine, interface keys included; there only the keys of our
        // own table are checked for staying out of the machine's classes.
        const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
        for (const auto& key : kClassKeys) {
            const bool by_type_library = key.rfind(L"TypeLib", 0) == 0 || key.rfind(L"Interface", 0) == 0;
            if (wine && by_type_library) {
                std::printf("skipped on Wine: %s outside the machine's classes\n", wintest::narrow(key).c_str());
                continue;
            }
            Scope k(wintest::narrow(key));
            CHECK(!reg_key_exists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + key));
        }
    } else {
        Scope s("machine classes");
        check_values(HKEY_CLASSES_ROOT, class_values(dll), dll);
        CHECK(reg_string(HKEY_CLASSES_ROOT, L"Interface\\" + kIid + L"\\TypeLib", L"Version") ==
              std::wstring(L"1.0"));
        CHECK(reg_string(HKEY_CLASSES_ROOT, L"TypeLib\\" + kLibid + L"\\1.0", nullptr) ==
              std::wstring(L"Quillpix Ver. 1.01"));
        for (const auto& key : kClassKeys) {
            Scope k(wintest::narrow(key));
            CHECK(!reg_key_exists(user_classes, key));
        }
    }
    check_type_library(dll);
    check_addin_entry();

    // Classes are found by ProgID.
    CLSID clsid{};
    CHECK(CLSIDFromProgID(L"Quillpix.Connect", &clsid) == S_OK || per_user);
}

void unregistered_suite(const std::vector<std::wstring>&) {
    HKEY user_classes = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, KEY_READ, &user_classes);
    quill::win32::UniqueHKey holder(user_classes);
    for (const auto& key : kClassKeys) {
        Scope s(wintest::narrow(key));
        CHECK(!reg_key_exists(HKEY_CLASSES_ROOT, key));
        CHECK(!user_classes || !reg_key_exists(user_classes, key));
    }
    CHECK(!reg_key_exists(HKEY_CURRENT_USER, kAddin));
    // The add-in's parents were created by registration on this fresh
    // profile, and go with it.
    CHECK(!reg_key_exists(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office"));
    BSTR raw = nullptr;
    CHECK(FAILED(QueryPathOfRegTypeLib(kLibGuid, 1, 0, 0x0409, &raw)));
    SysFreeString(raw);
    CLSID clsid{};
    CHECK(FAILED(CLSIDFromProgID(L"Quillpix.Connect", &clsid)));
}
