// Pieces of the DLL that need Windows but no registration: the exception
// translator, the registry settings store and the scripted message box.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <new>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "harness.h"
#include "ports/host_error.h"
#include "platform/win32/ansi_code_page.h"
#include "platform/win32/errors.h"
#include "platform/win32/handles.h"
#include "platform/win32/message_box.h"
#include "platform/win32/registry_settings.h"
#include "support.h"

using namespace quill;
using namespace quill::win32;
using wintest::Scope;

namespace {

void translator_table() {
    struct Row {
        const char* name;
        std::function<void()> raise;
        HRESULT expected;
    };
    const Row rows[] = {
        {"HRESULT kept", [] { throw HostError(static_cast<std::int32_t>(E_NOTIMPL), u"x"); }, E_NOTIMPL},
        {"automation HRESULT kept", [] { throw HostError(static_cast<std::int32_t>(0x800A000D), u"x"); },
         static_cast<HRESULT>(0x800A000D)},
        {"error number", [] { throw err::TypeMismatch(); }, DISP_E_EXCEPTION},
        {"error number 0", [] { throw HostError(0, u""); }, DISP_E_EXCEPTION},
        {"bad_alloc", [] { throw std::bad_alloc(); }, E_OUTOFMEMORY},
        {"std exception", [] { throw std::runtime_error("boom"); }, E_FAIL},
        {"not an exception class", [] { throw 42; }, E_FAIL},
    };
    for (const Row& r : rows) {
        Scope s(r.name);
        HRESULT got = S_OK;
        try {
            r.raise();
        } catch (...) {
            got = hresult_from_current_exception();
        }
        CHECK(got == r.expected);
        // Through the boundary the same, and the description reaches the
        // thread's error object.
        CHECK(com_boundary([&]() -> HRESULT {
                  r.raise();
                  return S_OK;
              }) == r.expected);
    }
    SetErrorInfo(0, nullptr);
    com_boundary([]() -> HRESULT { throw err::ObjectRequired(); });
    ComPtr<IErrorInfo> info;
    CHECK(GetErrorInfo(0, info.put()) == S_OK && info);
    if (info) {
        BSTR raw = nullptr;
        info->GetDescription(&raw);
        UniqueBstr text(raw);
        CHECK(text && std::wstring(text.get()) == L"Object required");
    }
    CHECK(com_boundary([] { return S_FALSE; }) == S_FALSE);
}

void settings_store() {
    const std::u16string app = u"PixnoteTest", section = u"Settings";
    const std::wstring key = L"Software\\VB and VBA Program Settings\\PixnoteTest";
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    RegistrySettings store;

    CHECK(store.GetSetting(app, section, u"DisplayOnConnect", u"0") == u"0");  // no key at all
    store.SaveSetting(app, section, u"DisplayOnConnect", u"1");
    CHECK(wintest::reg_string(HKEY_CURRENT_USER, key + L"\\Settings", L"DisplayOnConnect") == std::wstring(L"1"));
    CHECK(store.GetSetting(app, section, u"DisplayOnConnect", u"0") == u"1");
    CHECK(store.GetSetting(app, section, u"Other", u"fallback") == u"fallback");  // key, no value

    struct Row {
        const char* name;
        std::u16string value;
    };
    const Row rows[] = {{"empty", u""}, {"blank then 1", u" 1"}, {"non-ASCII", u"\u00e9\u20ac\U0001F600"},
                        {"long", std::u16string(5000, u'x')}};
    for (const Row& r : rows) {
        Scope s(r.name);
        store.SaveSetting(app, section, u"Value", r.value);
        CHECK(store.GetSetting(app, section, u"Value", u"fallback") == r.value);
    }
    // A value of another type reads as absent rather than failing.
    DWORD number = 1;
    RegSetKeyValueW(HKEY_CURRENT_USER, (key + L"\\Settings").c_str(), L"Number", REG_DWORD, &number, sizeof number);
    CHECK(store.GetSetting(app, section, u"Number", u"d") == u"d");

    for (const auto& [a, sec] : {std::pair{u"", u"Settings"}, std::pair{u"PixnoteTest", u""},
                                 std::pair{u"Pix\\note", u"Settings"}}) {
        Scope s("bad names");
        bool threw = false;
        try {
            store.SaveSetting(a, sec, u"k", u"v");
        } catch (const HostError& e) {
            threw = e.number() == err::kInvalidProcedureCall;
        }
        CHECK(threw);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
}

std::string read_file(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void scripted_message_box() {
    wchar_t dir[MAX_PATH], file[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    GetTempFileNameW(dir, L"qmb", 0, file);
    DeleteFileW(file);
    SetEnvironmentVariableW(L"QUILLETTE_MSGBOX_LOG", file);

    Win32MessageBox box;
    SetEnvironmentVariableW(L"QUILLETTE_MSGBOX_ANSWER", nullptr);
    CHECK(box.Show(u"Please First Remove Sheet Protection.", MsgButtons::OK, u"Pixnote") == MsgAnswer::OK);
    CHECK(box.Show(u"Delete?\r\nSure \\ really", MsgButtons::YesNo, u"Pixnote") == MsgAnswer::Yes);
    SetEnvironmentVariableW(L"QUILLETTE_MSGBOX_ANSWER", L"No");
    CHECK(box.Show(u"\u00e9", MsgButtons::YesNo, u"T") == MsgAnswer::No);
    SetEnvironmentVariableW(L"QUILLETTE_MSGBOX_ANSWER", nullptr);

    CHECK(read_file(file) ==
          "Pixnote|OK|Please First Remove Sheet Protection.\n"
          "Pixnote|YesNo|Delete?\\r\\nSure \\\\ really\n"
          "T|YesNo|\xc3\xa9\n");
    SetEnvironmentVariableW(L"QUILLETTE_MSGBOX_LOG", nullptr);
    DeleteFileW(file);
}

// Characters the system code page lacks must come out as '?', never as a
// look-alike, or the formatted transfer would pair the wrong characters.
void system_code_page_codes() {
    const auto& page = *quill::win32::system_code_page();
    CHECK(page.Asc(u'A') == 65);
    CHECK(page.Asc(u'\n') == 10);
    CHECK(page.Asc(u'\u4e00') == page.Asc(u'\u4e8c'));  // both unrepresentable in a Western code page
    CHECK(page.Asc(u'\u0100') == '?');                   // no best fit to 'A'
    CHECK(page.Asc(char16_t(0xD800)) == '?');
}

}  // namespace

void unit_suite(const std::vector<std::wstring>&) {
    {
        Scope s("translator");
        translator_table();
    }
    {
        Scope s("settings");
        settings_store();
    }
    {
        Scope s("message box");
        scripted_message_box();
    }
    {
        Scope s("code page");
        system_code_page_codes();
    }
}
