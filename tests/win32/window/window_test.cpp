// frmAddIn's window under Wine: controls against their layout rows, events
// both ways, the keyboard hook, the zoomed editor's z-order and joining
// Excel's main window.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "dialog/layout.h"
#include "platform/win32/errors.h"
#include "support.h"

using namespace quill;
using dialog::ControlType;
using dialog::LayoutRow;

namespace {

std::string name_of(const LayoutRow& row) {
    return to_utf8(std::u16string(row.name)) + (row.index ? "(" + std::to_string(row.index) + ")" : "");
}

RECT rect_in_parent(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Compared as numbers, so that a failure prints both rectangles.
std::array<LONG, 4> edges(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }


// A key as the user presses it: down and up through the thread's queue.
void press(HWND hwnd, WPARAM key, LPARAM scan) {
    PostMessageW(hwnd, WM_KEYDOWN, key, scan | 1);
    PostMessageW(hwnd, WM_KEYUP, key, static_cast<LPARAM>(static_cast<ULONG>(scan) | 0xC0000001u));
    wintest::pump();
}

class FormWindowTest : public ::testing::Test, protected wintest::FormOnScreen {
protected:
    // "Use Comment Text" switches on the editor and the commands on its text.
    void enable_text_controls() { SendMessageW(control(u"Check2"), BM_CLICK, 0, 0); }
    std::int64_t saw(const std::string& event) const { return std::count(events.begin(), events.end(), event); }
    const UINT dpi_ = win32::dpi_of(window->hwnd());
};

// The form and every row of the layout table: caption, state, tab stop and
// pixel rectangle (edges rounded from twips, inside Frame1 counted from the
// frame).
TEST_F(FormWindowTest, EveryControlMatchesItsLayoutRow) {
    const dialog::FormLayout& layout = dialog::layout::Form();
    RECT client{};
    GetClientRect(window->hwnd(), &client);
    POINT origin{0, 0};
    ClientToScreen(window->hwnd(), &origin);
    EXPECT_EQ(edges({origin.x, origin.y, origin.x + client.right, origin.y + client.bottom}),
              edges(win32::twips_rect(layout.left, layout.top, layout.client_width, layout.client_height, dpi_)));

    for (const LayoutRow& row : dialog::layout::Controls()) {
        SCOPED_TRACE(name_of(row));
        HWND h = control(row.name, row.index);
        if (row.type == ControlType::CommonDialog) {
            EXPECT_FALSE(h);  // no window at run time
            continue;
        }
        ASSERT_TRUE(h);
        if (row.type == ControlType::CheckBox) {
            EXPECT_EQ(SendMessageW(h, BM_GETCHECK, 0, 0), row.value ? BST_CHECKED : BST_UNCHECKED);
        }
        EXPECT_EQ(GetParent(h), window->hwnd());
        EXPECT_EQ((GetWindowLongW(h, GWL_STYLE) & WS_TABSTOP) != 0,
                  row.type != ControlType::Label && row.type != ControlType::Image && row.type != ControlType::Frame);
        EXPECT_EQ(wintest::window_text(h), win32::to_wide(std::u16string(row.caption)));
        EXPECT_EQ(IsWindowEnabled(h) != FALSE, row.enabled);
        EXPECT_EQ(IsWindowVisible(h) != FALSE, row.visible);
        const LayoutRow* frame = row.container.empty() ? nullptr : &dialog::layout::Find(row.container);
        EXPECT_EQ(edges(rect_in_parent(h)),
                  edges(win32::twips_rect((frame ? frame->left : 0) + row.left, (frame ? frame->top : 0) + row.top,
                                          row.width, row.height, dpi_)));
    }
}

// Clicks and keys reach the model; the modeless dialog gets its keys
// through the thread's message hook.
TEST_F(FormWindowTest, ClicksAndKeysReachTheModel) {
    enable_text_controls();  // a two-state box: the model toggles it
    EXPECT_EQ(form->Check2.Value(), 1);
    EXPECT_EQ(SendMessageW(control(u"Check2"), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(saw("Check2"), 1);
    for (dialog::Control* c : form->Controls()) {  // what the handler switched shows
        HWND h = control(c->Name(), c->Index());
        EXPECT_TRUE(!h || (IsWindowEnabled(h) != FALSE) == c->Enabled()) << name_of(c->Row());
    }
    EXPECT_EQ(IsWindowEnabled(control(u"RichTextBox1")) != FALSE, form->RichTextBox1->Enabled());

    for (int chosen : {3, 1, 4, 2}) {
        SendMessageW(control(u"Orent", chosen), BM_CLICK, 0, 0);
        for (int i = 1; i <= 4; ++i) EXPECT_EQ(form->Orent(i).Value(), i == chosen) << chosen << " " << i;
    }

    SetForegroundWindow(window->hwnd());
    SetFocus(control(u"OKButton"));
    press(control(u"OKButton"), VK_TAB, 0x000F0000);
    EXPECT_EQ(GetFocus(), control(u"CancelButton"));
    SetFocus(control(u"Check4"));
    press(control(u"Check4"), VK_SPACE, 0x00390000);
    EXPECT_EQ(form->Check4.Value(), 1);

    SendMessageW(control(u"CancelButton"), BM_CLICK, 0, 0);  // the Close button and the caption's Close box
    SendMessageW(window->hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(saw("CancelButton"), 2);
}

// Zoomed, the editor covers its neighbours from the top of the z-order yet
// keeps its place in the tab order; back at its size it returns beneath.
TEST_F(FormWindowTest, ZoomedEditorIsRaisedAboveItsNeighbours) {
    auto& editor = *form->RichTextBox1;
    HWND h = control(u"RichTextBox1");
    editor.Height(3200);
    editor.Width(3650);
    editor.Top(185);
    EXPECT_EQ(GetWindow(window->hwnd(), GW_CHILD), h);
    EXPECT_EQ(edges(rect_in_parent(h)), edges(win32::twips_rect(240 + 120, 600 + 185, 3650, 3200, dpi_)));
    enable_text_controls();
    SetForegroundWindow(window->hwnd());
    SetFocus(control(u"Command4"));
    press(control(u"Command4"), VK_TAB, 0x000F0000);
    EXPECT_EQ(GetFocus(), h);
    editor.Height(2535);
    editor.Width(2240);
    editor.Top(840);
    EXPECT_EQ(GetWindow(h, GW_HWNDPREV), control(u"Command4"));
}

}  // namespace

// Shown by a host whose hWnd is a real "XLMAIN" window, the dialog joins it
// at the design position and takes the focus. Excel 2013 and later destroy that
// window with its workbook, which must cost nothing (the editor and its text
// survive), and the next showing brings back a working dialog.
TEST(HostMainWindow, DialogJoinsItAndOutlivesIt) {
    HWND host = wintest::create_xlmain(L"Microsoft Excel");
    ASSERT_TRUE(host);
    wintest::FormOnScreen on(host);
    const auto& form = on.form;
    win32::FormWindow* window = on.window;
    ASSERT_TRUE(window->hwnd());
    EXPECT_EQ(GetAncestor(window->hwnd(), GA_PARENT), host);
    const auto px = [&](double twips) { return win32::twips_to_px(twips, win32::dpi_of(host)); };
    POINT origin{0, 0};
    MapWindowPoints(window->hwnd(), host, &origin, 1);
    EXPECT_EQ(origin.x, px(dialog::layout::Form().left));
    EXPECT_EQ(origin.y, px(dialog::layout::Form().top));
    SetForegroundWindow(host);
    SetFocus(window->control(u"OKButton"));
    EXPECT_EQ(GetFocus(), window->control(u"OKButton"));


    form->RichTextBox1->Text(u"survives");
    const auto objects_before = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    DestroyWindow(host);
    wintest::pump();
    EXPECT_FALSE(window->hwnd());
    EXPECT_EQ(form->RichTextBox1->Text(), u"survives");
    form->Show();
    ASSERT_TRUE(window->hwnd());
    EXPECT_TRUE(IsWindowVisible(window->hwnd()));
    EXPECT_EQ(GetParent(window->control(u"RichTextBox1")), window->hwnd());
    form->Unload();
    wintest::pump();
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), objects_before);
}
