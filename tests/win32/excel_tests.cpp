// The registered DLL inside the fake Excel: created by ProgID, connected in
// each mode, its menu button added to the Insert menu and clicked through the
// button's connection point, then disconnected and released with every
// reference given back.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "connect_support.h"
#include "fake_excel.h"
#include "harness.h"
#include "platform/memory/workbook.h"

using namespace wintest::connect_support;
using wintest::FakeExcel;
using wintest::Scope;

namespace {

using CanUnload = HRESULT(STDAPICALLTYPE*)();

struct Added {
    ComPtr<_Connect> conn;
    ComPtr<IDTExtensibility2> ext;
};

Added create_connect() {
    Added a;
    CLSID clsid{};
    if (!CHECK(CLSIDFromProgID(L"Quillpix.Connect", &clsid) == S_OK)) return a;
    ComPtr<IUnknown> object;
    CHECK(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                           reinterpret_cast<void**>(object.put())) == S_OK);
    if (!object) return a;
    a.conn = object.query<_Connect>();
    a.ext = object.query<IDTExtensibility2>();
    CHECK(a.conn && a.ext);
    return a;
}

std::shared_ptr<quill::memory::BarControl> insert_menu(FakeExcel& excel) { return excel.model().menu(u"Insert"); }

std::size_t sinks_in_menu(FakeExcel& excel) {
    std::size_t n = 0;
    if (auto menu = insert_menu(excel)) {
        for (const auto& c : menu->controls) n += c->sinks.size();
    }
    return n;
}

bool has_menu_handler(_Connect* c) {
    ComPtr<IDispatch> button;
    CHECK(c->get_MenuHandler(button.put()) == S_OK);
    return static_cast<bool>(button);
}

}  // namespace

// excel <dll>: the DLL must be registered for the machine.
void excel_suite(const std::vector<std::wstring>& args) {
    if (!CHECK(!args.empty())) return;
    CHECK(SUCCEEDED(CoInitialize(nullptr)));
    const std::wstring log = temp_file(L"qxl");
    SetEnvironmentVariableW(L"QUILLETTE_MSGBOX_LOG", log.c_str());
    const std::wstring app_key = L"Software\\VB and VBA Program Settings\\Pixnote";
    const bool had_settings = wintest::reg_key_exists(HKEY_CURRENT_USER, app_key);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey.c_str(), L"DisplayOnConnect");

    HMODULE dll = LoadLibraryW(args[0].c_str());
    if (!CHECK(dll)) return;
    auto can_unload = reinterpret_cast<CanUnload>(reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
    if (!CHECK(can_unload)) return;

    auto& counters = wintest::fake_counters();
    {
        auto model = quill::memory::Excel::Create();
        model->add_workbook();
        FakeExcel excel(model);
        const long objects = counters.objects;  // the application alone
        const std::size_t menu_size = insert_menu(excel)->controls.size();
        {
            Added a = create_connect();
            if (!a.conn) return;
            CHECK(can_unload() == S_FALSE);
            {
                Scope s("mode 1: the button, no dialog");
                CHECK(connect(a.ext.get(), excel.application(), ext_cm_Startup) == S_OK);
                CHECK(excel.count_buttons(u"Insert Quillette") == 1);
                CHECK(insert_menu(excel)->controls.size() == menu_size + 1);
                CHECK(insert_menu(excel)->controls.back()->caption == u"Insert Quillette");  // at the end
                CHECK(has_menu_handler(a.conn.get()));
                CHECK(!form_displayed(a.conn.get()));
                CHECK(can_unload() == S_FALSE);
            }
            {
                Scope s("the click shows the dialog");
                CHECK(!excel.click(u"Insert Quillette"));  // CancelDefault left false
                CHECK(counters.event_failures == 0);
                CHECK(form_displayed(a.conn.get()));
                // A child of Excel's real main window, not a top-level one.
                CHECK(FindWindowExW(excel.main_window(), nullptr, L"QuilletteForm", nullptr) != nullptr);
                CHECK(!excel.click(u"Insert Quillette"));  // a second Show: still one dialog, shown
                CHECK(form_displayed(a.conn.get()));
            }
            {
                Scope s("disconnection deletes the button and remembers the dialog");
                CHECK(disconnect(a.ext.get()) == S_OK);
                CHECK(excel.count_buttons(u"Insert Quillette") == 0);
                CHECK(insert_menu(excel)->controls.size() == menu_size);
                CHECK(sinks_in_menu(excel) == 0);
                CHECK(display_on_connect() == std::wstring(L"1"));
                CHECK(!form_displayed(a.conn.get()));
                CHECK(excel.application_refs() == 1);
                // Only the deleted button, which Connect keeps until it is released.
                CHECK(counters.objects <= objects + 1);
            }
            {
                Scope s("mode 0 reads the setting back");
                CHECK(connect(a.ext.get(), excel.application(), ext_cm_AfterStartup) == S_OK);
                CHECK(excel.count_buttons(u"Insert Quillette") == 1);
                CHECK(form_displayed(a.conn.get()));
                CHECK(a.conn->Hide() == S_OK);
                CHECK(disconnect(a.ext.get()) == S_OK);
                CHECK(display_on_connect() == std::wstring(L"0"));
                CHECK(connect(a.ext.get(), excel.application(), ext_cm_AfterStartup) == S_OK);
                CHECK(!form_displayed(a.conn.get()));
            }
            {
                Scope s("a replaced MenuHandler no longer receives the click");
                CHECK(sinks_in_menu(excel) == 1);
                CHECK(a.conn->putref_MenuHandler(nullptr) == S_OK);
                CHECK(sinks_in_menu(excel) == 0);
                excel.click(u"Insert Quillette");
                CHECK(!form_displayed(a.conn.get()));
                CHECK(disconnect(a.ext.get()) == S_OK);
                CHECK(excel.count_buttons(u"Insert Quillette") == 0);
            }
            {
                Scope s("mode 2: the dialog, no button");
                CHECK(connect(a.ext.get(), excel.application(), ext_cm_External) == S_OK);
                CHECK(excel.count_buttons(u"Insert Quillette") == 0);
                CHECK(form_displayed(a.conn.get()));
                CHECK(disconnect(a.ext.get()) == S_OK);
                CHECK(display_on_connect() == std::wstring(L"1"));
                CHECK(insert_menu(excel)->controls.size() == menu_size);
            }
            CHECK(excel.application_refs() == 1);
            CHECK(read_file(log).empty());  // no message box
        }
        CHECK(can_unload() == S_OK);
        CHECK(counters.objects == objects);
        CHECK(excel.application_refs() == 1);
        CHECK(counters.event_failures == 0);
    }
    CHECK(counters.objects == 0);

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
