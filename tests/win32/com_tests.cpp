// The registered DLL as Excel meets it: created by ProgID, connected and
// disconnected through IDTExtensibility2, driven through _Connect by vtable
// and by IDispatch, its menu button added to the fake Excel's Insert menu and
// clicked through the button's connection point, and unloadable once every
// reference is given back.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>

#include "fake_excel.h"
#include "platform/memory/workbook.h"
#include "support.h"

using quill::win32::UniqueVariant;
using namespace wintest;

namespace {

// com <dll>: the DLL must be registered for the machine.
class Com : public ::testing::Test {
protected:
    static std::shared_ptr<quill::memory::Excel> workbook() {
        auto xl = quill::memory::Excel::Create();
        xl->add_workbook();
        return xl;
    }
    // A Connect object, created by ProgID as Excel creates it.
    void create() {
        CLSID clsid{};
        ASSERT_EQ(CLSIDFromProgID(L"Quillpix.Connect", &clsid), S_OK);
        EXPECT_TRUE(clsid == CLSID_Connect);
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(object.put())),
                  S_OK);
        conn = object.query<_Connect>();
        ext = object.query<IDTExtensibility2>();
        ASSERT_TRUE(conn && ext);
        EXPECT_EQ(session.can_unload_now(), S_FALSE);
    }
    void release() {
        object.reset();
        conn.reset();
        ext.reset();
    }
    HostSession session{wintest::args().empty() ? L"" : wintest::args()[0]};
    ComPtr<IDispatch> stranger = FakeExcel::stranger();
    std::shared_ptr<quill::memory::Excel> model = workbook();
    FakeExcel excel{model};
    ComPtr<IDispatch> object;
    ComPtr<_Connect> conn;
    ComPtr<IDTExtensibility2> ext;
};

HRESULT invoke(IDispatch* object, const wchar_t* name, WORD flags, DISPPARAMS* params, VARIANT* result = nullptr) {
    DISPID id = 0;
    LPOLESTR n = const_cast<LPOLESTR>(name);
    const HRESULT hr = object->GetIDsOfNames(IID_NULL, &n, 1, 0x409, &id);
    return FAILED(hr) ? hr : object->Invoke(id, IID_NULL, 0x409, flags, params, result, nullptr, nullptr);
}

// What get_xlapp answers, S_OK asserted.
IDispatch* xlapp(_Connect* conn) {
    ComPtr<IDispatch> app;
    EXPECT_EQ(conn->get_xlapp(app.put()), S_OK);
    return app.get();  // still held by conn when not null
}

std::size_t sinks_in(const quill::memory::BarControl& menu) {
    std::size_t n = 0;
    for (const auto& c : menu.controls) n += c->sinks.size();
    return n;
}

}  // namespace

TEST_F(Com, ClassFactoryRefusesWhatItCannotMake) {
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto get = session.export_of<GetClassObject>("DllGetClassObject");
    ASSERT_TRUE(get);
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(get(IID__Connect, IID_IClassFactory, reinterpret_cast<void**>(factory.put())), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_FALSE(factory);
    ASSERT_EQ(get(CLSID_Connect, IID_IClassFactory, reinterpret_cast<void**>(factory.put())), S_OK);
    ComPtr<IUnknown> made;
    EXPECT_EQ(factory->CreateInstance(stranger.get(), IID_IUnknown, reinterpret_cast<void**>(made.put())),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, reinterpret_cast<void**>(made.put())),
              E_NOINTERFACE);
    EXPECT_FALSE(made);
    EXPECT_EQ(session.can_unload_now(), S_OK);  // the failed creations left nothing alive
    factory->LockServer(TRUE);
    EXPECT_EQ(session.can_unload_now(), S_FALSE);
    factory->LockServer(FALSE);
    EXPECT_EQ(session.can_unload_now(), S_OK);
}

TEST_F(Com, ConnectWithoutExcelAndThroughIDispatch) {
    create();
    EXPECT_EQ(conn.query<IUnknown>().get(), ext.query<IUnknown>().get());
    EXPECT_EQ(object.query<IUnknown>().get(), conn.query<IUnknown>().get());
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(object->QueryInterface(IID_IClassFactory, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    EXPECT_FALSE(form_displayed(conn.get()));

    // _Connect by name, through the type library.
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    VARIANT arg = {};
    arg.vt = VT_BOOL;
    arg.boolVal = VARIANT_TRUE;
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS one = {&arg, &put, 1, 1};
    EXPECT_EQ(invoke(object.get(), L"FormDisplayed", DISPATCH_PROPERTYPUT, &one), S_OK);
    UniqueVariant shown;
    EXPECT_EQ(invoke(object.get(), L"FormDisplayed", DISPATCH_PROPERTYGET, &none, shown.put()), S_OK);
    EXPECT_TRUE(shown.get()->vt == VT_BOOL && shown.get()->boolVal == VARIANT_TRUE);
    EXPECT_EQ(invoke(object.get(), L"Hide", DISPATCH_METHOD, &none), S_OK);
    EXPECT_FALSE(form_displayed(conn.get()));

    // Connected to an object that is not Excel: one box, no application kept.
    EXPECT_EQ(connect(ext.get(), stranger.get(), ext_cm_Startup), S_OK);
    ComPtr<IDispatch> menu;
    EXPECT_FALSE(xlapp(conn.get()));
    EXPECT_EQ(conn->get_MenuHandler(menu.put()), S_OK);
    EXPECT_FALSE(menu);
    EXPECT_EQ(disconnect(ext.get()), S_OK);
    EXPECT_EQ(display_on_connect(), L"0");
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(conn->putref_xlapp(stranger.get()), DISP_E_EXCEPTION);
    EXPECT_EQ(wintest::error_description(), L"Type mismatch");
    EXPECT_EQ(conn->putref_xlapp(excel.application()), S_OK);
    EXPECT_EQ(xlapp(conn.get()), excel.application());
    EXPECT_EQ(conn->putref_xlapp(nullptr), S_OK);

    // Mode 2 (external): the dialog at once, remembered in the registry.
    EXPECT_EQ(connect(ext.get(), excel.application(), ext_cm_External), S_OK);
    EXPECT_TRUE(form_displayed(conn.get()));
    EXPECT_EQ(xlapp(conn.get()), excel.application());
    EXPECT_EQ(disconnect(ext.get()), S_OK);
    EXPECT_EQ(display_on_connect(), L"1");
    EXPECT_FALSE(xlapp(conn.get()));

    EXPECT_EQ(session.boxes(), "Pixnote|OK|Type mismatch\n");  // nothing else was shown
    release();
    EXPECT_EQ(session.can_unload_now(), S_OK);
    EXPECT_EQ(wintest::refs(stranger.get()), 1u);
    EXPECT_EQ(wintest::refs(excel.application()), 1u);
}

TEST_F(Com, MenuButtonClickShowsTheDialogInsideExcel) {
    auto& counters = wintest::fake_counters();
    const long objects = counters.objects;
    const auto menu = model->menu(u"Insert");
    ASSERT_TRUE(menu);
    const std::size_t menu_size = menu->controls.size();
    create();

    // Mode 1 (startup): the button at the end of the menu, no dialog.
    EXPECT_EQ(connect(ext.get(), excel.application(), ext_cm_Startup), S_OK);
    EXPECT_EQ(menu->controls.size(), menu_size + 1);
    EXPECT_EQ(menu->controls.back()->caption, u"Insert Quillette");
    EXPECT_FALSE(form_displayed(conn.get()));

    // The click shows the dialog, a child of Excel's real main window; a
    // second click shows the same one.
    for (int click = 0; click < 2; ++click) {
        EXPECT_FALSE(excel.click(u"Insert Quillette"));  // CancelDefault left false
        EXPECT_TRUE(form_displayed(conn.get()));
    }
    EXPECT_EQ(counters.event_failures, 0);
    EXPECT_NE(FindWindowExW(excel.main_window(), nullptr, L"QuilletteForm", nullptr), nullptr);

    // Disconnection deletes the button and remembers the dialog.
    EXPECT_EQ(disconnect(ext.get()), S_OK);
    EXPECT_EQ(menu->controls.size(), menu_size);
    EXPECT_EQ(sinks_in(*menu), 0u);
    EXPECT_EQ(display_on_connect(), L"1");
    EXPECT_FALSE(form_displayed(conn.get()));
    EXPECT_EQ(wintest::refs(excel.application()), 1u);
    EXPECT_LE(counters.objects, objects + 1);  // only the deleted button, kept until Connect goes

    // A replaced MenuHandler no longer receives the click (what each mode
    // shows is the connection's own, tested natively).
    EXPECT_EQ(connect(ext.get(), excel.application(), ext_cm_Startup), S_OK);
    EXPECT_EQ(sinks_in(*menu), 1u);
    EXPECT_EQ(conn->putref_MenuHandler(nullptr), S_OK);
    EXPECT_EQ(sinks_in(*menu), 0u);
    excel.click(u"Insert Quillette");
    EXPECT_FALSE(form_displayed(conn.get()));
    EXPECT_EQ(disconnect(ext.get()), S_OK);
    EXPECT_EQ(excel.count_buttons(u"Insert Quillette"), 0);
    EXPECT_EQ(session.boxes(), "");  // no message box
    release();
    EXPECT_EQ(session.can_unload_now(), S_OK);
    EXPECT_EQ(counters.objects, objects);
    EXPECT_EQ(wintest::refs(excel.application()), 1u);
    EXPECT_EQ(counters.event_failures, 0);
}
