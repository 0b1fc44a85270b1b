// The registered DLL inside the fake Excel: created by ProgID, connected in
// each mode, its menu button added to the Insert menu and clicked through the
// button's connection point, then disconnected and released with every
// reference given back.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>

#include "connect_support.h"
#include "fake_excel.h"
#include "platform/memory/workbook.h"

using namespace wintest::connect_support;

namespace {

std::size_t sinks_in(const quill::memory::BarControl& menu) {
    std::size_t n = 0;
    for (const auto& c : menu.controls) n += c->sinks.size();
    return n;
}

}  // namespace

// excel <dll>: the DLL must be registered for the machine.
TEST(Excel, ButtonClickDialogAndDisconnection) {
    HostSession session(wintest::args().empty() ? L"" : wintest::args()[0]);
    ASSERT_TRUE(session.module());
    auto& counters = wintest::fake_counters();
    {
        auto model = quill::memory::Excel::Create();
        model->add_workbook();
        wintest::FakeExcel excel(model);
        const long objects = counters.objects;  // the application alone
        const auto menu = model->menu(u"Insert");
        ASSERT_TRUE(menu);
        const std::size_t menu_size = menu->controls.size();
        {
            CLSID clsid{};
            ASSERT_EQ(CLSIDFromProgID(L"Quillpix.Connect", &clsid), S_OK);
            ComPtr<IUnknown> object;
            ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                       reinterpret_cast<void**>(object.put())),
                      S_OK);
            auto conn = object.query<_Connect>();
            auto ext = object.query<IDTExtensibility2>();
            ASSERT_TRUE(conn && ext);
            EXPECT_EQ(session.can_unload_now(), S_FALSE);

            // Mode 1 (startup): the button at the end of the menu, no dialog.
            EXPECT_EQ(connect(ext.get(), excel.application(), ext_cm_Startup), S_OK);
            EXPECT_EQ(excel.count_buttons(u"Insert Quillette"), 1);
            EXPECT_EQ(menu->controls.size(), menu_size + 1);
            EXPECT_EQ(menu->controls.back()->caption, u"Insert Quillette");
            ComPtr<IDispatch> handler;
            EXPECT_EQ(conn->get_MenuHandler(handler.put()), S_OK);
            EXPECT_TRUE(handler);
            EXPECT_FALSE(form_displayed(conn.get()));

            // The click shows the dialog, a child of Excel's real main window;
            // a second click shows the same one.
            for (int click = 0; click < 2; ++click) {
                EXPECT_FALSE(excel.click(u"Insert Quillette"));  // CancelDefault left false
                EXPECT_TRUE(form_displayed(conn.get()));
            }
            EXPECT_EQ(counters.event_failures, 0);
            EXPECT_NE(FindWindowExW(excel.main_window(), nullptr, L"QuilletteForm", nullptr), nullptr);

            // Disconnection deletes the button and remembers the dialog.
            EXPECT_EQ(disconnect(ext.get()), S_OK);
            EXPECT_EQ(excel.count_buttons(u"Insert Quillette"), 0);
            EXPECT_EQ(menu->controls.size(), menu_size);
            EXPECT_EQ(sinks_in(*menu), 0u);
            EXPECT_EQ(display_on_connect(), L"1");
            EXPECT_FALSE(form_displayed(conn.get()));
            EXPECT_EQ(excel.application_refs(), 1u);
            EXPECT_LE(counters.objects, objects + 1);  // only the deleted button, kept until Connect goes

            // Mode 0 (after startup) reads the setting back.
            for (const bool shown : {true, false}) {
                SCOPED_TRACE(shown);
                EXPECT_EQ(connect(ext.get(), excel.application(), ext_cm_AfterStartup), S_OK);
                EXPECT_EQ(excel.count_buttons(u"Insert Quillette"), 1);
                EXPECT_EQ(form_displayed(conn.get()), shown);
                EXPECT_EQ(conn->Hide(), S_OK);
                if (!shown) break;
                EXPECT_EQ(disconnect(ext.get()), S_OK);
                EXPECT_EQ(display_on_connect(), L"0");
            }
            // A replaced MenuHandler no longer receives the click.
            EXPECT_EQ(sinks_in(*menu), 1u);
            EXPECT_EQ(conn->putref_MenuHandler(nullptr), S_OK);
            EXPECT_EQ(sinks_in(*menu), 0u);
            excel.click(u"Insert Quillette");
            EXPECT_FALSE(form_displayed(conn.get()));
            EXPECT_EQ(disconnect(ext.get()), S_OK);
            EXPECT_EQ(excel.count_buttons(u"Insert Quillette"), 0);

            // Mode 2 (external): the dialog, no button.
            EXPECT_EQ(connect(ext.get(), excel.application(), ext_cm_External), S_OK);
            EXPECT_EQ(excel.count_buttons(u"Insert Quillette"), 0);
            EXPECT_TRUE(form_displayed(conn.get()));
            EXPECT_EQ(disconnect(ext.get()), S_OK);
            EXPECT_EQ(display_on_connect(), L"1");
            EXPECT_EQ(menu->controls.size(), menu_size);
            EXPECT_EQ(excel.application_refs(), 1u);
            EXPECT_EQ(session.boxes(), "");  // no message box
        }
        EXPECT_EQ(session.can_unload_now(), S_OK);
        EXPECT_EQ(counters.objects, objects);
        EXPECT_EQ(excel.application_refs(), 1u);
        EXPECT_EQ(counters.event_failures, 0);
    }
    EXPECT_EQ(counters.objects, 0);
}
