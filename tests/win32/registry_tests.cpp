// What regsvr32 leaves in the registry. The expected keys and values are
// written out here by hand, independently of the DLL's registration table.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/handles.h"
#include "support.h"

using wintest::reg_key_exists;
using wintest::reg_string;

namespace {

const std::wstring kClsid = L"{998E1645-3613-4B39-A824-8D55E57E1719}";
const std::wstring kIid = L"{CA4DC0D2-8789-400A-86EF-440DFF7C5095}";
const std::wstring kLibid = L"{A468F4CE-B92B-460B-AF7C-E60CAA45E264}";
const std::wstring kAddin = L"Software\\Microsoft\\Office\\Excel\\Addins\\Quillpix.Connect";
const GUID kLibGuid = {0xA468F4CE, 0xB92B, 0x460B, {0xAF, 0x7C, 0xE6, 0x0C, 0xAA, 0x45, 0xE2, 0x64}};
const std::vector<std::wstring> kClassKeys = {L"Quillpix.Connect", L"CLSID\\" + kClsid, L"Interface\\" + kIid,
                                              L"TypeLib\\" + kLibid};

// The user's own classes (HKCU\Software\Classes), closed at the end.
quill::win32::UniqueHKey user_classes() {
    HKEY k = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, KEY_READ, &k);
    return quill::win32::UniqueHKey(k);
}

}  // namespace

// registered <dll> [per-user]
TEST(Registered, ClassesTypeLibraryAndAddInEntry) {
    ASSERT_FALSE(wintest::args().empty());
    const std::wstring& dll = wintest::args()[0];
    const bool per_user = wintest::args().size() > 1 && wintest::args()[1] == L"per-user";
    const auto user = user_classes();
    const HKEY root = per_user ? user.get() : HKEY_CLASSES_ROOT;
    const struct {
        std::wstring key;
        const wchar_t* name;
        std::wstring data;
    } values[] = {
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
    for (const auto& v : values) {
        SCOPED_TRACE(v.key + L" " + (v.name ? v.name : L"(default)"));
        const auto got = reg_string(root, v.key, v.name);
        ASSERT_TRUE(got.has_value());
        // Exact, except the DLL's path, which the file system compares without case.
        EXPECT_EQ(v.data == dll ? lstrcmpiW(got->c_str(), dll.c_str()) : got->compare(v.data), 0) << *got;
    }
    // Wine's RegisterTypeLibForUser is a semi-stub that registers for the
    // machine, interface keys included; there only the keys of our own table
    // are checked for staying out of the machine's classes.
    const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    for (const auto& key : kClassKeys) {
        SCOPED_TRACE(key);
        const bool by_type_library = key.rfind(L"TypeLib", 0) == 0 || key.rfind(L"Interface", 0) == 0;
        const HKEY other = per_user ? HKEY_LOCAL_MACHINE : user.get();
        if (!per_user || !wine || !by_type_library) {
            EXPECT_FALSE(reg_key_exists(other, (per_user ? L"Software\\Classes\\" : L"") + key));
        }
    }
    BSTR raw = nullptr;
    EXPECT_EQ(QueryPathOfRegTypeLib(kLibGuid, 1, 0, 0x0409, &raw), S_OK);
    quill::win32::UniqueBstr path(raw);
    EXPECT_TRUE(path && lstrcmpiW(path.get(), dll.c_str()) == 0);
    EXPECT_EQ(reg_string(HKEY_CURRENT_USER, kAddin, L"FriendlyName"), L"Quillette");
    EXPECT_EQ(reg_string(HKEY_CURRENT_USER, kAddin, L"Description"), L"Add-In Project Template");
    EXPECT_EQ(wintest::reg_dword(HKEY_CURRENT_USER, kAddin, L"LoadBehavior"), DWORD{3});
    EXPECT_EQ(wintest::reg_dword(HKEY_CURRENT_USER, kAddin, L"CommandLineSafe"), DWORD{0});
}

TEST(Unregistered, NothingIsLeft) {
    const auto user = user_classes();
    for (const auto& key : kClassKeys) {
        SCOPED_TRACE(key);
        EXPECT_FALSE(reg_key_exists(HKEY_CLASSES_ROOT, key));
        EXPECT_FALSE(user && reg_key_exists(user.get(), key));
    }
    EXPECT_FALSE(reg_key_exists(HKEY_CURRENT_USER, kAddin));
    // The add-in's parents were created by registration on this fresh
    // profile, and go with it.
    EXPECT_FALSE(reg_key_exists(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office"));
    BSTR raw = nullptr;
    EXPECT_TRUE(FAILED(QueryPathOfRegTypeLib(kLibGuid, 1, 0, 0x0409, &raw)));
    quill::win32::UniqueBstr path(raw);
}
