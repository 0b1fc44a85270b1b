#include <gtest/gtest.h>

#include "dialog/fakes.h"

namespace quill::dialog {
namespace {

using quill::testing::FormFixture;

constexpr WindowHandle kOurMain = 0x222, kOtherMain = 0x111, kHostHwnd = 0x000A0B2C;

// Excel 2000 has no Application.Hwnd worth trusting: the form goes under the
// first XLMAIN window of our own process, and Check1 is off and disabled.
TEST(FormLoad, VersionDecidesCheck1AndWhereTheFormIsParented) {
    const struct {
        const char* name;
        const char16_t* version;
        bool has_hwnd, other_instance_first, ours_exists;
        std::int32_t check1;  // also whether it is enabled
        std::int32_t selected;
        std::optional<WindowHandle> parent;  // nullopt: SetParent never called
    } rows[] = {
        {"Excel 2000, two instances", u"9.0", true, true, true, 0, 1, kOurMain},
        {"Excel 2000, another's only", u"9.0", true, true, false, 0, 1, kOtherMain},
        {"Excel 2000, no XLMAIN", u"9.0", false, false, false, 0, 1, 0},
        {"Excel 2000 without hWnd", u"9.0a", false, true, true, 0, 1, kOurMain},
        {"Excel 2002", u"10.0", true, true, true, 1, 1, kHostHwnd},
        {"older than 2000", u"8.0", true, true, true, 1, 1, kHostHwnd},
        {"no version", u"", true, false, false, 1, 1, kHostHwnd},
        {"no hWnd", u"16.0", false, true, true, 1, 0, std::nullopt},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        FormFixture f;
        f.excel->version = r.version;
        if (!r.has_hwnd) f.excel->hwnd.reset();
        f.window->add_window("XLDESK", 0x333, f.window->process_id);
        if (r.other_instance_first) f.window->add_window("XLMAIN", kOtherMain, 2000);
        if (r.ours_exists) f.window->add_window("XLMAIN", kOurMain, f.window->process_id);
        f.form->Show();
        EXPECT_EQ(f.form->Check1.Value(), r.check1);
        EXPECT_EQ(f.form->Check1.Enabled(), r.check1 == 1);
        EXPECT_EQ(f.form->Orent.Selected(), r.selected);
        if (r.parent) {
            ASSERT_EQ(f.window->set_parent_calls.size(), 1u);
            EXPECT_EQ(f.window->set_parent_calls[0].first, f.window->form);
            EXPECT_EQ(f.window->parent, *r.parent);
        } else {
            EXPECT_TRUE(f.window->set_parent_calls.empty());
        }
        EXPECT_TRUE(f.messages->shown.empty());  // the load never speaks
        EXPECT_TRUE(f.form->Visible());
    }
}

}  // namespace
}  // namespace quill::dialog
