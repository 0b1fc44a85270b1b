// The per-user type-library registration without the calls Vista added to
// oleaut32, as on Windows XP: it must land under HKCU\Software\Classes and
// leave the machine's classes alone, and its removal must take it away again.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include "platform/win32/handles.h"
#include "platform/win32/registration.h"
#include "win32/support.h"

namespace {

using wintest::reg_key_exists;

TEST(TypeLibraryForUser, WithoutTheVistaCallsGoesUnderTheUsersClasses) {
    // The DLL is built beside this program.
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dll = exe;
    dll.replace(dll.find_last_of(L'\\') + 1, std::wstring::npos, L"Pixnote.dll");
    quill::win32::ComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadTypeLibEx(dll.c_str(), REGKIND_NONE, lib.put()), S_OK);

    wchar_t libid[40] = {};
    StringFromGUID2(LIBID_Quillpix, libid, 40);
    const std::wstring key = std::wstring(L"TypeLib\\") + libid + L"\\1.0";
    const SYSKIND kind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

    EXPECT_EQ(quill::win32::register_type_library_for_user(lib.get(), dll.data(), false), S_OK);
    EXPECT_TRUE(reg_key_exists(HKEY_CURRENT_USER, L"Software\\Classes\\" + key));
    EXPECT_FALSE(reg_key_exists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + key));
    // The classes root is the machine's again afterwards.
    HKEY probe = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L"Quillette.Probe", 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE,
                              nullptr, &probe, nullptr),
              ERROR_SUCCESS);
    quill::win32::UniqueHKey(probe).reset();
    EXPECT_FALSE(reg_key_exists(HKEY_CURRENT_USER, L"Software\\Classes\\Quillette.Probe"));
    RegDeleteKeyW(HKEY_CLASSES_ROOT, L"Quillette.Probe");

    EXPECT_EQ(quill::win32::unregister_type_library_for_user(LIBID_Quillpix, 1, 0, 0x0409, kind, false), S_OK);
    EXPECT_FALSE(reg_key_exists(HKEY_CURRENT_USER, L"Software\\Classes\\" + key));
}

}  // namespace
