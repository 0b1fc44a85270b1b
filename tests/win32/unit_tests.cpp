// Pieces of the DLL that need Windows but no registration: the exception
// translator, the registry settings store and the system code page.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <new>

#include "ports/host_error.h"
#include "platform/win32/ansi_code_page.h"
#include "platform/win32/errors.h"
#include "platform/win32/registry_settings.h"
#include "support.h"

using namespace quill;
using namespace quill::win32;

TEST(Unit, NoExceptionCrossesTheComBoundary) {
    const struct {
        const char* name;
        std::function<void()> raise;
        HRESULT expected;
    } rows[] = {
        {"HRESULT kept", [] { throw HostError(static_cast<std::int32_t>(E_NOTIMPL), u"x"); }, E_NOTIMPL},
        {"error number 0", [] { throw HostError(0, u""); }, DISP_E_EXCEPTION},
        {"bad_alloc", [] { throw std::bad_alloc(); }, E_OUTOFMEMORY},
        {"not an exception class", [] { throw 42; }, E_FAIL},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(com_boundary([&]() -> HRESULT {
                      r.raise();
                      return S_OK;
                  }),
                  r.expected);
    }
    SetErrorInfo(0, nullptr);
    com_boundary([]() -> HRESULT { throw err::ObjectRequired(); });
    EXPECT_EQ(wintest::error_description(), L"Object required");
    EXPECT_EQ(com_boundary([] { return S_FALSE; }), S_FALSE);
}

TEST(Unit, SettingsStoreReadsBackWhatItSaved) {
    const std::u16string app = u"PixnoteTest", section = u"Settings";
    const std::wstring key = L"Software\\VB and VBA Program Settings\\PixnoteTest";
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    RegistrySettings store;
    EXPECT_EQ(store.GetSetting(app, section, u"DisplayOnConnect", u"0"), u"0");  // no key at all
    store.SaveSetting(app, section, u"DisplayOnConnect", u"1");
    EXPECT_EQ(wintest::reg_string(HKEY_CURRENT_USER, key + L"\\Settings", L"DisplayOnConnect"), L"1");
    for (const std::u16string& value : {std::u16string(), std::u16string(u" 1"),
                                        std::u16string(u"\u00e9\u20ac\U0001F600"), std::u16string(5000, u'x')}) {
        SCOPED_TRACE(value.size());
        store.SaveSetting(app, section, u"Value", value);
        EXPECT_EQ(store.GetSetting(app, section, u"Value", u"fallback"), value);
    }
    for (const auto& [a, sec] : {std::pair{u"", u"Settings"}, std::pair{u"PixnoteTest", u""},
                                 std::pair{u"Pix\\note", u"Settings"}}) {
        try {
            store.SaveSetting(a, sec, u"k", u"v");
            ADD_FAILURE() << "saved under a bad name";
        } catch (const HostError& e) {
            EXPECT_EQ(e.number(), err::kInvalidProcedureCall);
        }
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
}

// Characters the system code page lacks must come out as '?', never as a
// look-alike, or the formatted transfer would pair the wrong characters.
TEST(Unit, SystemCodePageHasNoLookAlikes) {
    const auto& page = *system_code_page();
    EXPECT_EQ(page.Asc(u'A'), 65);
    EXPECT_EQ(page.Asc(u'\u0100'), '?');  // no best fit to 'A'
    EXPECT_EQ(page.Asc(char16_t(0xD800)), '?');
}
