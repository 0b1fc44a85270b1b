// frmAddIn's window under Wine: every control against its layout row, the
// tab order, events into the model and the model back into the window,
// hiding and showing, the keyboard hook, re-parenting and a screenshot.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "dialog/frm_add_in.h"
#include "dialog/layout.h"
#include "platform/memory/workbook.h"
#include "platform/win32/errors.h"
#include "platform/win32/richedit_editor.h"
#include "platform/win32/window_common.h"
#include "platform/win32/window_form.h"
#include "support.h"

using namespace quill;
using dialog::LayoutRow;
using dialog::ControlType;
using win32::FormWindow;

namespace {

std::string name_of(const LayoutRow& layout_row) {
    std::ostringstream n;
    n << to_utf8(std::u16string(layout_row.name));
    if (layout_row.index) n << '(' << layout_row.index << ')';
    return n.str();
}

std::wstring text_of(HWND hwnd) {
    wchar_t buffer[512] = L"";
    GetWindowTextW(hwnd, buffer, 512);
    return buffer;
}

std::wstring class_of(HWND hwnd) {
    wchar_t buffer[64] = L"";
    GetClassNameW(hwnd, buffer, 64);
    return buffer;
}

RECT rect_in_parent(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string describe(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

bool takes_focus(ControlType t) {
    return t == ControlType::CheckBox || t == ControlType::CommandButton || t == ControlType::OptionButton ||
           t == ControlType::RichTextBox;
}

class FormWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        log_ = wintest::temp_path(L"quill-window-boxes.log");
        DeleteFileW(log_.c_str());
        SetEnvironmentVariableW(L"QUILLETTE_MSGBOX_LOG", log_.c_str());
        excel_ = memory::Excel::Create();
        excel_->hwnd = 0;  // no main window to join: the form stays top-level
        form_ = std::dynamic_pointer_cast<dialog::frmAddIn>(win32::window_dialog_factory()());
        ASSERT_TRUE(form_);
        form_->on_event = [this](std::u16string_view control, dialog::Event) {
            events_.push_back(to_utf8(std::u16string(control)));
        };
        form_->set_xlapp(excel_->application());
        form_->Show();
        window_ = win32::form_window_of(*form_);
        ASSERT_TRUE(window_ && window_->hwnd());
        dpi_ = win32::dpi_of(window_->hwnd());
        wintest::pump();
    }
    void TearDown() override {
        if (form_) form_->Unload();
        form_.reset();
        wintest::pump();
        SetEnvironmentVariableW(L"QUILLETTE_MSGBOX_LOG", nullptr);
    }
    HWND hwnd(std::u16string_view name, std::int32_t index = 0) { return window_->control(name, index); }
    void enable_text_controls() {
        for (int i = 1; i <= 4; ++i) form_->Orent(i).Enabled(true);
        for (dialog::Control* c : {static_cast<dialog::Control*>(&form_->Command3), static_cast<dialog::Control*>(&form_->Command4),
                                   static_cast<dialog::Control*>(&form_->Command5), static_cast<dialog::Control*>(&form_->Command6)})
            c->Enabled(true);
        form_->RichTextBox1->Enabled(true);
    }
    bool saw(const std::string& event) const { return std::find(events_.begin(), events_.end(), event) != events_.end(); }

    std::wstring log_;
    std::shared_ptr<memory::Excel> excel_;
    std::shared_ptr<dialog::frmAddIn> form_;
    FormWindow* window_ = nullptr;
    UINT dpi_ = 96;
    std::vector<std::string> events_;
};

TEST_F(FormWindowTest, FormHasTheLayoutsBorderCaptionSizeAndIcons) {
    HWND form = window_->hwnd();
    const dialog::FormLayout& layout_row = dialog::layout::Form();
    EXPECT_EQ(class_of(form), L"QuilletteForm");
    EXPECT_EQ(text_of(form), L"Insert Quillette");
    const LONG style = GetWindowLongW(form, GWL_STYLE), ex = GetWindowLongW(form, GWL_EXSTYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CHILD));
    EXPECT_TRUE(ex & WS_EX_DLGMODALFRAME);
    EXPECT_TRUE(IsWindowVisible(form));

    RECT client{};
    GetClientRect(form, &client);
    EXPECT_EQ(client.right, win32::twips_to_px(layout_row.client_width, dpi_));   // 386 at 96 DPI
    EXPECT_EQ(client.bottom, win32::twips_to_px(layout_row.client_height, dpi_));  // 302
    POINT origin{0, 0};
    ClientToScreen(form, &origin);
    EXPECT_EQ(origin.x, win32::twips_to_px(layout_row.left, dpi_));  // 322: the design position
    EXPECT_EQ(origin.y, win32::twips_to_px(layout_row.top, dpi_));   // 157

    const struct {
        WPARAM which;
        LONG size;
    } icons[] = {{ICON_SMALL, 16}, {ICON_BIG, 32}};
    for (const auto& row : icons) {
        SCOPED_TRACE(row.size);
        HICON icon = reinterpret_cast<HICON>(SendMessageW(form, WM_GETICON, row.which, 0));
        ASSERT_TRUE(icon);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bm{};
        GetObjectW(info.hbmColor, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, row.size);
        EXPECT_EQ(bm.bmHeight, row.size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
}

// Every row of the layout table: class, style, caption, state, parent and
// pixel rectangle.
TEST_F(FormWindowTest, EveryControlMatchesItsLayoutRow) {
    for (const LayoutRow& layout_row : dialog::layout::Controls()) {
        SCOPED_TRACE(name_of(layout_row));
        HWND h = hwnd(layout_row.name, layout_row.index);
        if (layout_row.type == ControlType::CommonDialog) {
            EXPECT_FALSE(h);  // no window at run time
            continue;
        }
        ASSERT_TRUE(h);
        EXPECT_EQ(GetParent(h), window_->hwnd());
        // Inside Frame1 the twips count from the frame.
        const LayoutRow* container = layout_row.container.empty() ? nullptr : &dialog::layout::Find(layout_row.container);
        const double ox = container ? container->left : 0, oy = container ? container->top : 0;

        const LONG style = GetWindowLongW(h, GWL_STYLE);
        const std::wstring cls = class_of(h);
        switch (layout_row.type) {
            case ControlType::CheckBox:
                EXPECT_EQ(lstrcmpiW(cls.c_str(), L"Button"), 0);
                EXPECT_EQ(style & BS_TYPEMASK, BS_CHECKBOX);  // two-state; the model toggles it
                EXPECT_EQ(SendMessageW(h, BM_GETCHECK, 0, 0), layout_row.value ? BST_CHECKED : BST_UNCHECKED);
                break;
            case ControlType::CommandButton:
            case ControlType::OptionButton:
                EXPECT_EQ(lstrcmpiW(cls.c_str(), L"Button"), 0);
                EXPECT_EQ(style & BS_TYPEMASK, BS_OWNERDRAW);  // graphical: drawn in its colour or picture
                EXPECT_TRUE(layout_row.graphical);
                break;
            case ControlType::Label:
                EXPECT_EQ(lstrcmpiW(cls.c_str(), L"Static"), 0);
                EXPECT_EQ(style & SS_TYPEMASK, SS_LEFT);
                break;
            case ControlType::Frame:
                EXPECT_EQ(cls, L"QuilletteFrame");
                EXPECT_EQ(GetWindow(h, GW_HWNDNEXT), nullptr);  // beneath the controls it holds
                break;
            case ControlType::Image: EXPECT_EQ(cls, L"QuilletteImage"); break;
            case ControlType::RichTextBox:
                EXPECT_TRUE(lstrcmpiW(cls.c_str(), L"RICHEDIT50W") == 0 || lstrcmpiW(cls.c_str(), L"RichEdit20W") == 0)
                    << wintest::narrow(cls);
                EXPECT_TRUE(style & ES_MULTILINE);
                break;
            default: ADD_FAILURE() << "unexpected type"; break;
        }
        EXPECT_EQ((style & WS_TABSTOP) != 0, takes_focus(layout_row.type));
        EXPECT_EQ(text_of(h), win32::to_wide(std::u16string(layout_row.caption)));
        EXPECT_EQ(IsWindowEnabled(h) != FALSE, layout_row.enabled);
        EXPECT_EQ(IsWindowVisible(h) != FALSE, layout_row.visible);
        const RECT want = win32::twips_rect(ox + layout_row.left, oy + layout_row.top, layout_row.width, layout_row.height, dpi_);
        const RECT got = rect_in_parent(h);
        EXPECT_TRUE(EqualRect(&got, &want)) << describe(got) << " != " << describe(want);
    }
}

TEST_F(FormWindowTest, TooltipsCarryTheLayoutsTexts) {
    HWND tips = window_->tooltips();
    ASSERT_TRUE(tips);
    for (const LayoutRow& layout_row : dialog::layout::Controls()) {
        HWND h = hwnd(layout_row.name, layout_row.index);
        if (!h) continue;
        SCOPED_TRACE(name_of(layout_row));
        wchar_t text[256] = L"";
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.hwnd = GetParent(h);
        tool.uId = reinterpret_cast<UINT_PTR>(h);
        tool.lpszText = text;
        SendMessageW(tips, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
        EXPECT_EQ(std::wstring(text), win32::to_wide(std::u16string(layout_row.tooltip)));
    }
}

// GetNextDlgTabItem walks the layout's tab indexes: with the text controls
// off as loaded, and with everything on.
TEST_F(FormWindowTest, TabOrderFollowsTheTabIndexes) {
    std::vector<const LayoutRow*> by_index;
    for (const LayoutRow& layout_row : dialog::layout::Controls())
        if (layout_row.tab_index >= 0) by_index.push_back(&layout_row);
    std::sort(by_index.begin(), by_index.end(),
              [](const LayoutRow* a, const LayoutRow* b) { return a->tab_index < b->tab_index; });
    for (bool all_on : {false, true}) {
        SCOPED_TRACE(all_on ? "all enabled" : "as loaded");
        if (all_on) enable_text_controls();
        std::vector<std::string> want, got;
        for (const LayoutRow* layout_row : by_index)
            if (takes_focus(layout_row->type) && (layout_row->enabled || all_on)) want.push_back(name_of(*layout_row));
        HWND first = hwnd(u"OKButton");
        HWND h = first;
        for (std::size_t i = 0; i < want.size() + 1 && h; ++i) {
            for (const LayoutRow* layout_row : by_index)
                if (hwnd(layout_row->name, layout_row->index) == h) got.push_back(name_of(*layout_row));
            h = GetNextDlgTabItem(window_->hwnd(), h, FALSE);
            if (h == first) break;
        }
        EXPECT_EQ(got, want);
        EXPECT_EQ(h, first);  // and round again
    }
}

// As on the original form platform, labels and the image lie beneath every
// windowed control (Label1 must not paint over the editor's top edge).
TEST_F(FormWindowTest, WindowedControlsStayAboveLabels) {
    bool below = false;
    for (HWND w = GetWindow(window_->hwnd(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        const std::wstring cls = class_of(w);
        const bool lightweight = cls == L"Static" || cls == L"STATIC" || w == hwnd(u"Image1") || w == hwnd(u"Frame1");
        if (lightweight) {
            below = true;
        } else if (GetWindowLongW(w, GWL_STYLE) & WS_TABSTOP) {
            EXPECT_FALSE(below) << "a control under a label: " << GetDlgCtrlID(w);
        }
    }
}

TEST_F(FormWindowTest, ClickOnCheck2ReachesTheModel) {
    ASSERT_EQ(form_->Check2.Value(), 0);
    SendMessageW(hwnd(u"Check2"), BM_CLICK, 0, 0);
    EXPECT_EQ(form_->Check2.Value(), 1);
    EXPECT_TRUE(saw("Check2"));
    EXPECT_EQ(SendMessageW(hwnd(u"Check2"), BM_GETCHECK, 0, 0), BST_CHECKED);
    // Whatever the handler switched, the window shows as the model has it.
    for (dialog::Control* c : form_->Controls()) {
        HWND h = hwnd(c->Name(), c->Index());
        if (!h) continue;
        SCOPED_TRACE(name_of(c->Row()));
        EXPECT_EQ(IsWindowEnabled(h) != FALSE, c->Enabled());
    }
    EXPECT_EQ(IsWindowEnabled(hwnd(u"RichTextBox1")) != FALSE, form_->RichTextBox1->Enabled());
}

TEST_F(FormWindowTest, OrentButtonsAreOneGroup) {
    enable_text_controls();
    for (int chosen : {3, 1, 4, 2}) {
        SCOPED_TRACE(chosen);
        SendMessageW(hwnd(u"Orent", chosen), BM_CLICK, 0, 0);
        EXPECT_EQ(form_->Orent.Selected(), chosen);
        for (int i = 1; i <= 4; ++i) EXPECT_EQ(form_->Orent(i).Value(), i == chosen);
    }
    // The group is one: its first button in tab order starts it, the others
    // follow inside it.
    EXPECT_TRUE(GetWindowLongW(hwnd(u"Orent", 2), GWL_STYLE) & WS_GROUP);
    for (int i : {3, 4, 1}) EXPECT_FALSE(GetWindowLongW(hwnd(u"Orent", i), GWL_STYLE) & WS_GROUP) << i;
}

TEST_F(FormWindowTest, ChangesFromCodeShowInTheWindow) {
    form_->Label3.Caption(u"Formatting comment 3 of 7");
    EXPECT_EQ(text_of(hwnd(u"Label3")), L"Formatting comment 3 of 7");
    form_->Command3.Enabled(true);
    EXPECT_TRUE(IsWindowEnabled(hwnd(u"Command3")));
    form_->Check1.Value(0);
    EXPECT_EQ(SendMessageW(hwnd(u"Check1"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    form_->Orent(2).Value(true);
    EXPECT_EQ(form_->Orent.Selected(), 2);
    form_->Image1.ToolTipText(u"C:\\pictures\\one.png");
    wchar_t text[256] = L"";
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = window_->hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd(u"Image1"));
    tool.lpszText = text;
    SendMessageW(window_->tooltips(), TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(std::wstring(text), L"C:\\pictures\\one.png");
    // A move raises no event: the next showing takes it in.
    form_->Command1.Top(2000);
    form_->Hide();
    form_->Show();
    EXPECT_EQ(rect_in_parent(hwnd(u"Command1")).top, win32::twips_to_px(2000, dpi_));
}

// RichEdit holds a cell's LF as one CR, which its text shows as CR LF: each
// letter's colour must still land on that letter, past the break too.
TEST_F(FormWindowTest, GetTextPutsEveryFormatOnItsCharacter) {
    enable_text_controls();
    memory::CellData& cell = excel_->sheet().set_text("A1", u"ab\ncd");
    const std::int32_t colours[] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF};
    const std::size_t cell_at[] = {0, 1, 3, 4}, editor_at[] = {0, 1, 4, 5};
    for (std::size_t k = 0; k < 4; ++k) {
        memory::CharFont font = memory::cell_default_font();
        font.color = colours[k];
        cell.text.set_font(cell_at[k], 1, font);
    }
    form_->Click(u"Command4");
    dialog::RichTextEditor& ed = *form_->RichTextBox1;
    EXPECT_EQ(ed.Text(), u"ab\r\ncd");
    for (std::size_t k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        ed.SelStart(static_cast<std::int32_t>(editor_at[k]));
        ed.SelLength(1);
        EXPECT_EQ(ed.SelColor(), colours[k]);
    }
}

TEST_F(FormWindowTest, CloseHidesAndShowRestoresTheContents) {
    form_->RichTextBox1->Enabled(true);
    form_->RichTextBox1->Text(u"kept\r\ntext");
    SendMessageW(hwnd(u"Check3"), BM_CLICK, 0, 0);
    const HWND before = window_->hwnd();
    form_->Hide();
    EXPECT_FALSE(IsWindowVisible(before));
    EXPECT_FALSE(form_->Visible());
    form_->Show();
    EXPECT_EQ(window_->hwnd(), before);  // the same window, not a new one
    EXPECT_TRUE(IsWindowVisible(before));
    EXPECT_EQ(form_->RichTextBox1->Text(), u"kept\r\ntext");
    EXPECT_EQ(GetParent(hwnd(u"RichTextBox1")), before);
    EXPECT_EQ(SendMessageW(hwnd(u"Check3"), BM_GETCHECK, 0, 0), BST_CHECKED);

    // The Close button and the caption's Close box both reach CancelButton_Click.
    events_.clear();
    SendMessageW(hwnd(u"CancelButton"), BM_CLICK, 0, 0);
    EXPECT_TRUE(saw("CancelButton"));
    events_.clear();
    if (IsWindow(window_->hwnd())) SendMessageW(window_->hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(saw("CancelButton"));
}

TEST_F(FormWindowTest, UnloadDestroysTheWindowAndShowBuildsItAgain) {
    const HWND before = window_->hwnd();
    SendMessageW(hwnd(u"Check3"), BM_CLICK, 0, 0);
    form_->Unload();
    EXPECT_FALSE(IsWindow(before));
    EXPECT_FALSE(window_->hwnd());
    form_->Show();
    ASSERT_TRUE(window_->hwnd());
    EXPECT_EQ(SendMessageW(hwnd(u"Check3"), BM_GETCHECK, 0, 0), BST_UNCHECKED);  // the layout's state again
    EXPECT_EQ(GetParent(hwnd(u"RichTextBox1")), window_->hwnd());                 // the new editor adopted
}

// The modeless dialog gets its keys through the thread's message hook.
TEST_F(FormWindowTest, TabKeyMovesTheFocusThroughTheHook) {
    SetForegroundWindow(window_->hwnd());
    SetFocus(hwnd(u"OKButton"));
    ASSERT_EQ(GetFocus(), hwnd(u"OKButton"));
    PostMessageW(hwnd(u"OKButton"), WM_KEYDOWN, VK_TAB, 0x000F0001);
    PostMessageW(hwnd(u"OKButton"), WM_KEYUP, VK_TAB, static_cast<LPARAM>(0xC00F0001u));
    wintest::pump();
    EXPECT_EQ(GetFocus(), hwnd(u"CancelButton"));
    // Space on a focused check box clicks it, through the same hook.
    SetFocus(hwnd(u"Check4"));
    PostMessageW(hwnd(u"Check4"), WM_KEYDOWN, VK_SPACE, 0x00390001);
    PostMessageW(hwnd(u"Check4"), WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0390001u));
    wintest::pump();
    EXPECT_EQ(form_->Check4.Value(), 1);
}

// Zoomed, the editor covers its neighbours and comes to the top, while the
// Tab key still takes it in its place; back at its size it returns to its
// place in the z-order.
TEST_F(FormWindowTest, ZoomedEditorIsRaisedAboveItsNeighbours) {
    auto& editor = *form_->RichTextBox1;
    HWND h = hwnd(u"RichTextBox1");
    editor.Height(3200);
    editor.Width(3650);
    editor.Top(185);
    EXPECT_EQ(GetWindow(window_->hwnd(), GW_CHILD), h);
    const RECT zoomed = win32::twips_rect(240 + 120, 600 + 185, 3650, 3200, dpi_);  // Frame1 at 240, 600
    const RECT got = rect_in_parent(h);
    EXPECT_TRUE(EqualRect(&got, &zoomed)) << describe(got);
    // Raised, it still comes in its place in the tab order.
    enable_text_controls();
    SetForegroundWindow(window_->hwnd());
    SetFocus(hwnd(u"Command4"));
    PostMessageW(hwnd(u"Command4"), WM_KEYDOWN, VK_TAB, 0x000F0001);
    PostMessageW(hwnd(u"Command4"), WM_KEYUP, VK_TAB, static_cast<LPARAM>(0xC00F0001u));
    wintest::pump();
    EXPECT_EQ(GetFocus(), h);
    editor.Height(2535);
    editor.Width(2240);
    editor.Top(840);
    EXPECT_EQ(GetWindow(h, GW_HWNDPREV), hwnd(u"Command4"));
}

TEST_F(FormWindowTest, ReparentingKeepsTheCoordinates) {
    HWND host = wintest::create_xlmain(L"Microsoft Excel");
    ASSERT_TRUE(host);
    dialog::WindowPort& port = *window_;
    EXPECT_EQ(port.FindHostMainWindow("XLMAIN"), win32::to_handle(host));
    EXPECT_EQ(port.FindHostMainWindow("QuilletteNoSuchClass"), 0);
    const dialog::WindowHandle form = port.FormHandle();
    EXPECT_EQ(form, win32::to_handle(window_->hwnd()));
    port.SetParent(form, win32::to_handle(host));
    EXPECT_EQ(GetAncestor(window_->hwnd(), GA_PARENT), host);
    POINT origin{0, 0};
    MapWindowPoints(window_->hwnd(), host, &origin, 1);
    EXPECT_EQ(origin.x, win32::twips_to_px(4830, dpi_));
    EXPECT_EQ(origin.y, win32::twips_to_px(2355, dpi_));
    port.SetParent(form, 0);  // a top-level window again
    EXPECT_EQ(GetAncestor(window_->hwnd(), GA_PARENT), GetDesktopWindow());
    DestroyWindow(host);
}

// A window destroyed with the host window it joined takes nothing with it:
// the editor survives and the next showing builds a new window.
TEST_F(FormWindowTest, HostWindowGoingFirstLeavesTheEditor) {
    HWND host = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 900, 700, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    form_->RichTextBox1->Text(u"survives");
    window_->SetParent(window_->FormHandle(), win32::to_handle(host));
    DestroyWindow(host);
    EXPECT_FALSE(window_->hwnd());
    EXPECT_EQ(form_->RichTextBox1->Text(), u"survives");
    form_->Show();
    ASSERT_TRUE(window_->hwnd());
    EXPECT_EQ(GetParent(hwnd(u"RichTextBox1")), window_->hwnd());
}

// The dialog on screen, with its colours checked where the layout puts
// them; saved as a PNG artifact.
TEST_F(FormWindowTest, ScreenshotShowsTheLayoutsColours) {
    SendMessageW(hwnd(u"Check2"), BM_CLICK, 0, 0);
    enable_text_controls();
    form_->RichTextBox1->Text(u"Quillette\r\nnote");
    form_->RichTextBox1->SelStart(0);
    form_->RichTextBox1->SelLength(9);
    form_->RichTextBox1->SelColor(dialog::rgb(0, 0, 255));
    form_->RichTextBox1->SelBold(true);
    form_->Orent(1).Value(true);
    form_->Label3.Caption(u"Ready.");
    SetWindowPos(window_->hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    RedrawWindow(window_->hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    wintest::pump(10);
    const wintest::Pixels shot = wintest::capture(window_->hwnd());
    ASSERT_GT(shot.width, 0);

    RECT window{};
    GetWindowRect(window_->hwnd(), &window);
    POINT client{0, 0};
    ClientToScreen(window_->hwnd(), &client);
    const int ox = client.x - window.left, oy = client.y - window.top;  // client origin in the shot
    // The colour a control's layout row gives it, read at a pixel clear of
    // its edges and caption: check boxes at the bottom right (their caption
    // is left-aligned), buttons at the bottom left (theirs is centred).
    struct Probe {
        const char* control;
        std::int32_t index;
        COLORREF colour;
    };
    const Probe probes[] = {
        {"Check4", 0, RGB(255, 255, 192)},       {"Check1", 0, RGB(255, 255, 192)},
        {"Check3", 0, RGB(255, 224, 192)},       {"Check2", 0, RGB(255, 224, 192)},
        {"OKButton", 0, RGB(255, 255, 192)},     {"Command3", 0, RGB(255, 224, 192)},
        {"Command2", 0, RGB(192, 64, 0)},        {"CancelButton", 0, RGB(255, 128, 128)},
        {"Command1", 0, RGB(192, 255, 255)},     {"Command5", 0, RGB(192, 255, 255)},
        {"Command6", 0, RGB(192, 255, 192)},     {"Command4", 0, RGB(255, 192, 192)},
        {"Orent", 1, RGB(255, 224, 192)},
    };
    for (const Probe& p : probes) {
        const std::u16string name = quill::to_u16(p.control);
        SCOPED_TRACE(name_of(dialog::layout::Find(name, p.index)));
        HWND h = hwnd(name, p.index);
        RECT r{};
        GetWindowRect(h, &r);
        const bool box = class_of(h) == L"Button" && (GetWindowLongW(h, GWL_STYLE) & BS_TYPEMASK) == BS_CHECKBOX;
        const int x = (box ? r.right - 3 : r.left + 4) - window.left, y = r.bottom - 4 - window.top;
        ASSERT_TRUE(x >= 0 && y >= 0 && x < shot.width && y < shot.height);
        EXPECT_EQ(shot.at(x, y), p.colour) << std::hex << "got 0x" << shot.at(x, y);
    }
    // The form's and Frame1's own pink, left of the status line and below
    // the editor.
    const struct {
        const char* what;
        double left, top;
    } backgrounds[] = {{"form", 60, 4350}, {"Frame1", 240 + 2550, 600 + 3420}};
    for (const auto& b : backgrounds) {
        SCOPED_TRACE(b.what);
        const int x = ox + win32::twips_to_px(b.left, dpi_), y = oy + win32::twips_to_px(b.top, dpi_);
        EXPECT_EQ(shot.at(x, y), RGB(255, 192, 255)) << std::hex << "got 0x" << shot.at(x, y);
    }

    wchar_t dir[MAX_PATH] = L"";
    if (GetEnvironmentVariableW(L"QUILLETTE_ARTIFACTS", dir, MAX_PATH)) {
        const std::wstring path = std::wstring(dir) + L"\\dialog.png";
        EXPECT_TRUE(wintest::write_image(path, shot, GUID_ContainerFormatPng)) << wintest::narrow(path);
    }
}

}  // namespace

// Loaded in a host whose hWnd is a real "XLMAIN" window, the dialog joins it
// as a child that still paints and takes the focus; Excel 2013 and later
// destroy that window with its workbook, which must cost nothing, and the
// next showing brings back a working dialog.
TEST(HostMainWindow, DialogJoinsItAndOutlivesIt) {
    HWND host = wintest::create_xlmain(L"Microsoft Excel");
    ASSERT_TRUE(host);
    auto excel = memory::Excel::Create();
    excel->hwnd = static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(host));
    auto form = std::dynamic_pointer_cast<dialog::frmAddIn>(win32::window_dialog_factory()());
    ASSERT_TRUE(form);
    form->set_xlapp(excel->application());
    form->Show();
    FormWindow* window = win32::form_window_of(*form);
    ASSERT_TRUE(window && window->hwnd());
    EXPECT_EQ(GetAncestor(window->hwnd(), GA_PARENT), host);
    HWND ok = window->control(u"OKButton");
    SetForegroundWindow(host);
    SetFocus(ok);
    EXPECT_EQ(GetFocus(), ok);
    RedrawWindow(host, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    wintest::pump(5);
    const wintest::Pixels shot = wintest::capture(window->hwnd());
    std::set<std::uint32_t> colours(shot.bgra.begin(), shot.bgra.end());
    EXPECT_GT(colours.size(), 3u) << "the dialog painted nothing inside its host";

    const auto objects_before = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    DestroyWindow(host);
    wintest::pump();
    EXPECT_FALSE(window->hwnd());
    form->Show();
    ASSERT_TRUE(window->hwnd());
    EXPECT_TRUE(IsWindowVisible(window->hwnd()));
    SetForegroundWindow(window->hwnd());
    SetFocus(window->control(u"OKButton"));
    EXPECT_EQ(GetFocus(), window->control(u"OKButton"));
    form->Unload();
    wintest::pump();
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), objects_before);
}
