// The registered DLL as Excel meets it: created by ProgID, connected and
// disconnected through IDTExtensibility2, driven through _Connect by vtable
// and by IDispatch, and unloadable once everything is released.
#include <windows.h>
#include <oleauto.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "extensibility.h"
#include "harness.h"
#include "platform/win32/handles.h"
#include "quillpix.h"
#include "support.h"
#include "connect_support.h"

using quill::win32::ComPtr;
using quill::win32::UniqueBstr;
using quill::win32::UniqueHKey;
using quill::win32::UniqueSafeArray;
using quill::win32::UniqueVariant;
using wintest::FakeDispatch;
using wintest::Scope;
using namespace wintest::connect_support;

namespace {

using CanUnload = HRESULT(STDAPICALLTYPE*)();
using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

void class_factory(HMODULE dll) {
    Scope s("class factory");
    auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    auto can_unload = reinterpret_cast<CanUnload>(reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
    if (!CHECK(get && can_unload)) return;
    ComPtr<IClassFactory> factory;
    CHECK(get(IID__Connect, IID_IClassFactory, reinterpret_cast<void**>(factory.put())) ==
          CLASS_E_CLASSNOTAVAILABLE);
    CHECK(!factory);
    CHECK(get(CLSID_Connect, IID_IClassFactory, reinterpret_cast<void**>(factory.put())) == S_OK);
    if (!CHECK(factory)) return;
    FakeDispatch outer(false);
    ComPtr<IUnknown> made;
    CHECK(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(made.put())) ==
          CLASS_E_NOAGGREGATION);
    CHECK(factory->CreateInstance(nullptr, IID_IClassFactory, reinterpret_cast<void**>(made.put())) ==
          E_NOINTERFACE);
    CHECK(!made);
    CHECK(can_unload() == S_OK);  // the failed creations left nothing alive
    factory->LockServer(TRUE);
    CHECK(can_unload() == S_FALSE);
    factory->LockServer(FALSE);
    CHECK(can_unload() == S_OK);
}

}  // namespace

// com <dll>: the DLL must be registered for the machine.
void com_suite(const std::vector<std::wstring>& args) {
    if (!CHECK(!args.empty())) return;
    CHECK(SUCCEEDED(CoInitialize(nullptr)));
    const std::wstring log = temp_file(L"qcm");
    SetEnvironmentVariableW(L"QUILLETTE_MSGBOX_LOG", log.c_str());
    const std::wstring app_key = L"Software\\VB and VBA Program Settings\\Pixnote";
    const bool had_settings = wintest::reg_key_exists(HKEY_CURRENT_USER, app_key);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey.c_str(), L"DisplayOnConnect");

    // The same module CoCreateInstance loads, for its exports.
    HMODULE dll = LoadLibraryW(args[0].c_str());
    if (!CHECK(dll)) return;
    auto can_unload = reinterpret_cast<CanUnload>(reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
    if (!CHECK(can_unload)) return;
    class_factory(dll);

    FakeDispatch stranger(false), excel(true);
    {
        CLSID clsid{};
        CHECK(CLSIDFromProgID(L"Quillpix.Connect", &clsid) == S_OK && clsid == CLSID_Connect);
        ComPtr<IDispatch> object;
        CHECK(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(object.put())) == S_OK);
        if (!CHECK(object)) return;
        CHECK(can_unload() == S_FALSE);

        auto conn = object.query<_Connect>();
        auto ext = object.query<IDTExtensibility2>();
        if (!CHECK(conn && ext)) return;
        CHECK(identity(conn.get()).get() == identity(ext.get()).get());
        CHECK(identity(object.get()).get() == identity(conn.get()).get());
        {
            Scope s("unknown interface");
            void* p = reinterpret_cast<void*>(1);
            CHECK(object->QueryInterface(IID_IClassFactory, &p) == E_NOINTERFACE && p == nullptr);
        }
        CHECK(!form_displayed(conn.get()));

        {
            Scope s("_Connect through IDispatch");
            const wchar_t* names[] = {L"FormDisplayed", L"xlapp", L"MenuHandler", L"Hide", L"Show",
                                      L"AddToAddInCommandBar"};
            DISPID ids[6] = {};
            for (int i = 0; i < 6; ++i) {
                LPOLESTR name = const_cast<LPOLESTR>(names[i]);
                CHECK(object->GetIDsOfNames(IID_NULL, &name, 1, 0x409, &ids[i]) == S_OK);
            }
            DISPPARAMS none = {nullptr, nullptr, 0, 0};
            CHECK(object->Invoke(ids[4], IID_NULL, 0x409, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr) ==
                  S_OK);
            UniqueVariant shown;
            CHECK(object->Invoke(ids[0], IID_NULL, 0x409, DISPATCH_PROPERTYGET, &none, shown.put(), nullptr,
                                 nullptr) == S_OK);
            CHECK(shown.get()->vt == VT_BOOL && shown.get()->boolVal == VARIANT_TRUE);
            CHECK(object->Invoke(ids[3], IID_NULL, 0x409, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr) ==
                  S_OK);
            CHECK(!form_displayed(conn.get()));
            // Putting FormDisplayed by name.
            VARIANT arg;
            VariantInit(&arg);
            arg.vt = VT_BOOL;
            arg.boolVal = VARIANT_TRUE;
            DISPID put = DISPID_PROPERTYPUT;
            DISPPARAMS one = {&arg, &put, 1, 1};
            CHECK(object->Invoke(ids[0], IID_NULL, 0x409, DISPATCH_PROPERTYPUT, &one, nullptr, nullptr, nullptr) ==
                  S_OK);
            CHECK(form_displayed(conn.get()));
            CHECK(conn->put_FormDisplayed(VARIANT_FALSE) == S_OK);
            // Without a host behind it the command bar is not found: nothing.
            UniqueBstr caption(SysAllocString(L"Insert Quillette"));
            BSTR raw = caption.get();
            IDispatch* control = reinterpret_cast<IDispatch*>(1);
            CHECK(conn->AddToAddInCommandBar(&raw, &control) == S_OK && control == nullptr);
            CHECK(raw == caption.get());
        }

        {
            Scope s("connection with an object that is not Excel");
            CHECK(connect(ext.get(), &stranger, ext_cm_Startup) == S_OK);
            CHECK(read_file(log) == "Pixnote|OK|Type mismatch\n");
            ComPtr<IDispatch> app;
            CHECK(conn->get_xlapp(app.put()) == S_OK && !app);
            ComPtr<IDispatch> menu;
            CHECK(conn->get_MenuHandler(menu.put()) == S_OK && !menu);
            CHECK(disconnect(ext.get()) == S_OK);
            CHECK(display_on_connect() == std::wstring(L"0"));
            CHECK(stranger.refs() == 1);
        }
        {
            Scope s("putref xlapp refuses an object that is not Excel");
            SetErrorInfo(0, nullptr);
            CHECK(conn->putref_xlapp(&stranger) == DISP_E_EXCEPTION);
            ComPtr<IErrorInfo> info;
            CHECK(GetErrorInfo(0, info.put()) == S_OK && info);
            if (info) {
                BSTR raw = nullptr;
                info->GetDescription(&raw);
                UniqueBstr text(raw);
                CHECK(text && std::wstring(text.get()) == L"Type mismatch");
            }
            CHECK(conn->putref_xlapp(&excel) == S_OK);
            ComPtr<IDispatch> app;
            CHECK(conn->get_xlapp(app.put()) == S_OK && app.get() == static_cast<IDispatch*>(&excel));
            app.reset();
            CHECK(conn->putref_xlapp(nullptr) == S_OK);
            CHECK(excel.refs() == 1);
        }
        {
            Scope s("mode 2 through IDTExtensibility2's IDispatch");
            DISPID id = 0;
            LPOLESTR name = const_cast<LPOLESTR>(L"OnConnection");
            CHECK(ext->GetIDsOfNames(IID_NULL, &name, 1, 0x409, &id) == S_OK && id == 1);
            UniqueSafeArray custom = empty_custom();
            SAFEARRAY* raw = custom.get();
            VARIANT argv[4];
            for (auto& a : argv) VariantInit(&a);
            argv[0].vt = VT_ARRAY | VT_VARIANT | VT_BYREF;  // arguments go in reverse order
            argv[0].pparray = &raw;
            argv[1].vt = VT_DISPATCH;
            argv[1].pdispVal = nullptr;
            argv[2].vt = VT_I4;
            argv[2].lVal = ext_cm_External;
            argv[3].vt = VT_DISPATCH;
            argv[3].pdispVal = &excel;
            DISPPARAMS params = {argv, nullptr, 4, 0};
            CHECK(ext->Invoke(id, IID_NULL, 0x409, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr) == S_OK);
            CHECK(form_displayed(conn.get()));
            ComPtr<IDispatch> app;
            CHECK(conn->get_xlapp(app.put()) == S_OK && app.get() == static_cast<IDispatch*>(&excel));
            app.reset();
            CHECK(disconnect(ext.get()) == S_OK);
            CHECK(display_on_connect() == std::wstring(L"1"));
            CHECK(!form_displayed(conn.get()));
            CHECK(conn->get_xlapp(app.put()) == S_OK && !app);
        }
        {
            Scope s("mode 0 reads the remembered state");
            CHECK(connect(ext.get(), &excel, ext_cm_AfterStartup) == S_OK);
            CHECK(form_displayed(conn.get()));
            CHECK(conn->Hide() == S_OK);
            CHECK(disconnect(ext.get()) == S_OK);
            CHECK(display_on_connect() == std::wstring(L"0"));
            CHECK(connect(ext.get(), &excel, ext_cm_AfterStartup) == S_OK);
            CHECK(!form_displayed(conn.get()));
            CHECK(disconnect(ext.get()) == S_OK);
        }
        {
            UniqueSafeArray custom = empty_custom();
            SAFEARRAY* raw = custom.get();
            CHECK(ext->OnAddInsUpdate(&raw) == S_OK);
            CHECK(ext->OnStartupComplete(&raw) == S_OK);
            CHECK(ext->OnBeginShutdown(&raw) == S_OK);
        }
        CHECK(read_file(log) == "Pixnote|OK|Type mismatch\n");  // nothing else was shown
        CHECK(can_unload() == S_FALSE);
    }
    CHECK(can_unload() == S_OK);
    CHECK(stranger.refs() == 1);
    CHECK(excel.refs() == 1);

    if (had_settings) {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey.c_str(), L"DisplayOnConnect");
    } else {
        RegDeleteTreeW(HKEY_CURRENT_USER, app_key.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, app_key.c_str());
    }
    SetEnvironmentVariableW(L"QUILLETTE_MSGBOX_LOG", nullptr);
    DeleteFileW(log.c_str());
    FreeLibrary(dll);
    CoUninitialize();
}
