#include <gtest/gtest.h>

#include "dialog/leading_number.h"
#include "support/host_fixture.h"

namespace quill::dialog {
namespace {

using quill::testing::HostFixture;

TEST(LeadingNumber, ReadsLikeTheRuntimesVal) {
    const struct {
        const char16_t* text;
        double expected;
    } rows[] = {
        // Version texts as hosts report them.
        {u"9.0", 9}, {u"10.0", 10}, {u"16.0", 16}, {u"8.0", 8}, {u"9.0a", 9}, {u"9", 9}, {u"9.5", 9.5},
        // Nothing numeric in front.
        {u"", 0}, {u"abc", 0}, {u".", 0}, {u"-", 0}, {u"a9", 0},
        // Blanks, tabs and line feeds are passed over, as Val does.
        {u"  9.0", 9}, {u"\t16.0", 16}, {u"\n10.0", 10}, {u"1 0.0", 10},
        // Signs, a single point, exponents only when digits follow.
        {u"-9.0", -9}, {u"+12", 12}, {u".5", 0.5}, {u"1.2.3", 1.2}, {u"9,0", 9}, {u"1e3", 1000},
        {u"2D2", 200}, {u"1e", 1}, {u"1e+", 1}, {u"5E-1x", 0.5},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(to_utf8(r.text));
        EXPECT_DOUBLE_EQ(leading_number(r.text), r.expected);
    }
}

constexpr WindowHandle kOurMain = 0x222, kOtherMain = 0x111, kHostHwnd = 0x000A0B2C;

// What loading leaves behind for each kind of host.
TEST(FormLoad, VersionDecidesCheck1AndWhereTheFormIsParented) {
    const struct {
        const char* name;
        const char16_t* version;
        bool has_hwnd;
        bool other_instance_first;  // another process's XLMAIN window is enumerated first
        bool ours_exists;
        std::int32_t check1;
        bool check1_enabled;
        std::int32_t selected;
        std::optional<WindowHandle> parent;  // nullopt: SetParent never called
    } rows[] = {
        {"Excel 2000, two instances", u"9.0", true, true, true, 0, false, 1, kOurMain},
        {"Excel 2000, another's only", u"9.0", true, true, false, 0, false, 1, kOtherMain},
        {"Excel 2000, no XLMAIN", u"9.0", false, false, false, 0, false, 1, 0},
        {"Excel 2000 without hWnd", u"9.0a", false, true, true, 0, false, 1, kOurMain},
        {"Excel 2002", u"10.0", true, true, true, 1, true, 1, kHostHwnd},
        {"Excel 2016", u"16.0", true, false, false, 1, true, 1, kHostHwnd},
        {"older than 2000", u"8.0", true, true, true, 1, true, 1, kHostHwnd},
        {"no version", u"", true, false, false, 1, true, 1, kHostHwnd},
        {"no hWnd", u"16.0", false, true, true, 1, true, 0, std::nullopt},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        HostFixture f;
        f.excel->version = r.version;
        if (!r.has_hwnd) f.excel->hwnd.reset();
        f.window->add_window("XLDESK", 0x333, f.window->process_id);
        if (r.other_instance_first) f.window->add_window("XLMAIN", kOtherMain, 2000);
        if (r.ours_exists) f.window->add_window("XLMAIN", kOurMain, f.window->process_id);
        f.form->Show();
        EXPECT_EQ(f.form->Check1.Value(), r.check1);
        EXPECT_EQ(f.form->Check1.Enabled(), r.check1_enabled);
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

TEST(FormLoad, AnyFailureEndsItSilentlyWhereItHappened) {
    HostFixture f;
    f.excel->log.fail_every("Application.Version", 1004, u"Application-defined or object-defined error");
    f.form->Show();
    EXPECT_EQ(f.form->Orent.Selected(), 0);
    EXPECT_TRUE(f.window->set_parent_calls.empty());
    EXPECT_TRUE(f.messages->shown.empty());
    EXPECT_TRUE(f.form->Visible());

    HostFixture g;  // no Application at all
    g.form->xlapp = nullptr;
    g.form->Show();
    EXPECT_EQ(g.form->Orent.Selected(), 0);
    EXPECT_TRUE(g.messages->shown.empty());
}

TEST(FormLoad, AFormWithoutAWindowStillTakesItsDefaults) {
    auto excel = memory::Excel::Create();
    excel->version = u"9.0";
    FormServices s;
    s.make_editor = memory::MakeRichText;
    frmAddIn form(std::move(s));
    form.xlapp = excel->application();
    form.Show();
    EXPECT_EQ(form.Check1.Value(), 0);
    EXPECT_EQ(form.Orent.Selected(), 1);
}

}  // namespace
}  // namespace quill::dialog
