#include "platform/win32/ansi_code_page.h"
#include "platform/win32/window_form.h"

#include <commctrl.h>

#include <algorithm>

#include "dialog/pictures.h"
#include "platform/win32/choosers.h"
#include "platform/win32/errors.h"
#include "platform/win32/message_box.h"
#include "platform/win32/picture_loader_win.h"
#include "platform/win32/richedit_editor.h"

namespace quill::win32 {

namespace {

using dialog::ControlType;

constexpr wchar_t kFormClass[] = L"QuilletteForm";
constexpr wchar_t kFrameClass[] = L"QuilletteFrame";
constexpr wchar_t kImageClass[] = L"QuilletteImage";
constexpr int kFirstId = 1000;  // control IDs: kFirstId + the layout row

constexpr DWORD kFormStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;  // no sizing border, no min/max box
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// Window classes, registered while a form window exists: a DLL's classes
// outlive it otherwise, and a reloaded DLL would find its old procedure.
int g_class_users = 0;

void register_classes(WNDPROC proc) {
    if (g_class_users++ > 0) return;
    const struct {
        const wchar_t* name;
        UINT style;
    } classes[] = {{kFormClass, 0}, {kFrameClass, 0}, {kImageClass, 0}};
    for (const auto& c : classes) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = c.style;
        wc.lpfnWndProc = proc;
        wc.hInstance = window_instance();
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = c.name;
        if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            const DWORD error = GetLastError();
            --g_class_users;
            throw_hresult(HRESULT_FROM_WIN32(error), u"The dialog's window class cannot be registered.");
        }
    }
}

void unregister_classes() noexcept {
    if (--g_class_users > 0) return;
    for (const wchar_t* name : {kFormClass, kFrameClass, kImageClass}) UnregisterClassW(name, window_instance());
}

// --- keyboard -------------------------------------------------------------------

struct KeyboardHook {
    HHOOK hook = nullptr;
    std::vector<HWND> forms;
};
thread_local KeyboardHook keyboard;

LRESULT CALLBACK get_message_hook(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION && wp == PM_REMOVE) {
        MSG* msg = reinterpret_cast<MSG*>(lp);
        if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) {
            for (HWND form : keyboard.forms) {
                if (msg->hwnd != form && !IsChild(form, msg->hwnd)) continue;
                const bool control_key = (GetKeyState(VK_CONTROL) & 0x8000) || (GetKeyState(VK_MENU) & 0x8000);
                if (msg->message == WM_KEYDOWN && msg->wParam == VK_TAB && !control_key &&
                    !(SendMessageW(msg->hwnd, WM_GETDLGCODE, VK_TAB, reinterpret_cast<LPARAM>(msg)) &
                      (DLGC_WANTTAB | DLGC_WANTALLKEYS))) {
                    auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(form, GWLP_USERDATA));
                    if (self && self->tab_from(msg->hwnd, GetKeyState(VK_SHIFT) & 0x8000)) {
                        msg->message = WM_NULL;
                        msg->wParam = 0;
                        msg->lParam = 0;
                        break;
                    }
                }
                // IsDialogMessage translates and dispatches the message itself;
                // the host's loop then gets nothing to dispatch again.
                if (IsDialogMessageW(form, msg)) {
                    msg->message = WM_NULL;
                    msg->wParam = 0;
                    msg->lParam = 0;
                }
                break;
            }
        }
    }
    return CallNextHookEx(keyboard.hook, code, wp, lp);
}

void hook_keyboard(HWND form) {
    if (!keyboard.hook) {
        keyboard.hook = SetWindowsHookExW(WH_GETMESSAGE, get_message_hook, nullptr, GetCurrentThreadId());
        if (!keyboard.hook) return;  // the dialog works, only without its keys
    }
    keyboard.forms.push_back(form);
}

void unhook_keyboard(HWND form) noexcept {
    std::erase(keyboard.forms, form);
    if (keyboard.forms.empty() && keyboard.hook) {
        UnhookWindowsHookEx(keyboard.hook);
        keyboard.hook = nullptr;
    }
}

// --- pictures -------------------------------------------------------------------

// A 32-bit top-down DIB of one of the form's drawn pictures.
UniqueHBitmap make_bitmap(const dialog::pictures::Bitmap& b) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = b.width;
    info.bmiHeader.biHeight = -b.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueHBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return nullptr;
    auto* px = static_cast<std::uint32_t*>(bits);
    const auto& palette = dialog::pictures::Palette();
    for (std::int32_t y = 0; y < b.height; ++y) {
        for (std::int32_t x = 0; x < b.width; ++x) {
            const std::uint32_t c = static_cast<std::uint32_t>(palette[b.at(x, y) & 15]);  // 0x00BBGGRR
            px[y * b.width + x] = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
        }
    }
    return bitmap;
}

// One image of an .ico file as an HICON.
UniqueHIcon icon_from_ico(const std::vector<std::uint8_t>& ico, int which, int size) {
    auto u16 = [&](std::size_t at) { return static_cast<unsigned>(ico[at] | (ico[at + 1] << 8)); };
    auto u32 = [&](std::size_t at) { return static_cast<std::size_t>(u16(at) | (u16(at + 2) << 16)); };
    if (ico.size() < 6 || static_cast<int>(u16(4)) <= which) return nullptr;
    const std::size_t entry = 6 + 16 * static_cast<std::size_t>(which);
    if (entry + 16 > ico.size()) return nullptr;
    const std::size_t bytes = u32(entry + 8), offset = u32(entry + 12);
    if (offset + bytes > ico.size()) return nullptr;
    return UniqueHIcon(CreateIconFromResourceEx(const_cast<PBYTE>(ico.data() + offset), static_cast<DWORD>(bytes),
                                                TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR));
}

struct ClassSearch {
    const char* cls;
    std::vector<dialog::TopLevelWindow> found;
};

BOOL CALLBACK windows_of_class(HWND hwnd, LPARAM lp) {
    auto& s = *reinterpret_cast<ClassSearch*>(lp);
    char name[256];
    // Class names compare without regard to case, as FindWindowA does.
    if (!GetClassNameA(hwnd, name, sizeof name) || lstrcmpiA(name, s.cls) != 0) return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    s.found.push_back({to_handle(hwnd), pid});
    return TRUE;
}

bool is_button(ControlType t) { return t == ControlType::CommandButton || t == ControlType::OptionButton; }

}  // namespace

// --- life -----------------------------------------------------------------------

FormWindow::~FormWindow() { destroy(); }

void FormWindow::attach(const std::shared_ptr<dialog::frmAddIn>& form) {
    form_ = form;
    model_ = form.get();
    items_.clear();
    const auto rows = dialog::layout::Controls();
    std::vector<dialog::Control*> controls = form->Controls();
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const dialog::LayoutRow& layout_row = rows[row];
        if (layout_row.type == ControlType::CommonDialog) continue;  // no window at run time
        Item item{&layout_row, nullptr, nullptr, kFirstId + static_cast<int>(row)};
        for (dialog::Control* c : controls)
            if (c->Name() == layout_row.name && c->Index() == layout_row.index) item.control = c;
        if (!item.control && layout_row.type != ControlType::RichTextBox) continue;
        if (item.control) item.control->on_changed = [this](const dialog::Control& c) { changed(c); };
        items_.push_back(item);
    }
}

void FormWindow::create() {
    if (hwnd_) return;
    if (!model_ || form_.expired()) throw err::ObjectRequired();
    register_classes(window_proc);
    const dialog::FormLayout& layout_row = dialog::layout::Form();
    hwnd_ = CreateWindowExW(kFormExStyle, kFormClass, to_wide(std::u16string(layout_row.caption)).c_str(), kFormStyle,
                            CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr, window_instance(), this);
    if (!hwnd_) {
        const DWORD error = GetLastError();
        unregister_classes();
        throw_hresult(HRESULT_FROM_WIN32(error), u"The dialog's window cannot be created.");
    }
    try {
        dpi_ = dpi_of(hwnd_);
        // The client area at the design position, as a top-level window.
        RECT r = twips_rect(layout_row.left, layout_row.top, layout_row.client_width, layout_row.client_height, dpi_);
        r.right = r.left + twips_to_px(layout_row.client_width, dpi_);
        r.bottom = r.top + twips_to_px(layout_row.client_height, dpi_);
        AdjustWindowRectEx(&r, kFormStyle, FALSE, kFormExStyle);
        SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        font_ = make_dialog_font(dpi_);
        make_icons();

        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                   window_instance(), nullptr);

        // Siblings in tab-index order; the controls without one last.
        std::vector<Item*> order;
        for (Item& item : items_) order.push_back(&item);
        std::stable_sort(order.begin(), order.end(), [](const Item* a, const Item* b) {
            const auto key = [](const Item* i) {
                return i->layout_row->tab_index < 0 ? 1000 : i->layout_row->tab_index;
            };
            return key(a) < key(b);
        });
        for (Item* item : order) create_item(*item, hwnd_);
        // Labels and the image are drawn on the form itself on the original
        // form platform, beneath every windowed control: Label1 must not
        // paint over the editor's top edge. No tab stops, so no tab changes.
        for (Item& item : items_)
            if (item.hwnd && (item.layout_row->type == ControlType::Label || item.layout_row->type == ControlType::Image))
                SetWindowPos(item.hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        // Frame1 draws only its border and caption, beneath the controls it
        // holds; being no tab stop, its place in the z-order changes no tab.
        for (Item& item : items_)
            if (item.hwnd && item.layout_row->type == ControlType::Frame)
                SetWindowPos(item.hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        hook_keyboard(hwnd_);
        sync_all();
    } catch (...) {
        destroy();
        throw;
    }
}

void FormWindow::create_item(Item& item, HWND parent) {
    const dialog::LayoutRow& layout_row = *item.layout_row;
    if (layout_row.type == ControlType::RichTextBox) {
        adopt_editor();
        return;
    }
    const wchar_t* cls = L"BUTTON";
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD ex_style = 0;
    switch (layout_row.type) {
        case ControlType::CheckBox: style |= BS_CHECKBOX | BS_MULTILINE | WS_TABSTOP | WS_GROUP; break;
        case ControlType::CommandButton: style |= BS_OWNERDRAW | WS_TABSTOP | WS_GROUP; break;
        case ControlType::OptionButton: {
            // The first button of the array in tab order starts the group.
            bool first = true;
            for (const Item& other : items_)
                if (&other != &item && other.layout_row->name == layout_row.name && other.layout_row->tab_index < layout_row.tab_index)
                    first = false;
            style |= BS_OWNERDRAW | WS_TABSTOP | (first ? WS_GROUP : 0);
            break;
        }
        case ControlType::Label: cls = L"STATIC"; style |= SS_LEFT | SS_NOPREFIX | WS_GROUP; break;
        case ControlType::Frame: cls = kFrameClass; style |= WS_GROUP; break;
        case ControlType::Image: cls = kImageClass; break;
        default: return;
    }
    const RECT r = rect_of(item);
    item.hwnd = CreateWindowExW(ex_style, cls, to_wide(item.control->Caption()).c_str(), style, r.left, r.top,
                                r.right - r.left, r.bottom - r.top, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)), window_instance(), this);
    if (!item.hwnd) throw_hresult(HRESULT_FROM_WIN32(GetLastError()), u"A control of the dialog cannot be created.");
    SetWindowPos(item.hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (font_) SendMessageW(item.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    add_tool(item);
}

void FormWindow::adopt_editor() {
    Item* item = item_named(u"RichTextBox1");
    if (!item || !hwnd_ || form_.expired()) return;
    auto editor = std::dynamic_pointer_cast<RichEditEditor>(model_->RichTextBox1);
    if (editor == editor_ && item->hwnd) return;
    if (editor_) {
        editor_->on_geometry = nullptr;
        editor_->adopt(nullptr, 0, 0);
    }
    editor_ = editor;
    item->hwnd = nullptr;
    if (!editor_) return;  // an editor of another kind has no window to show
    const POINT origin = container_origin(*item);
    editor_->adopt(hwnd_, origin.x, origin.y);
    item->hwnd = editor_->hwnd();
    SetWindowLongPtrW(item->hwnd, GWLP_ID, item->id);
    editor_->on_geometry = [this] { restack_editor(); };
    add_tool(*item);
    restack_editor();
}

// In tab order among its siblings, except while it is larger than its
// layout row (zoomed) and covers its neighbours: then on top of them.
void FormWindow::restack_editor() {
    Item* item = item_named(u"RichTextBox1");
    if (!item || !item->hwnd || !editor_) return;
    const bool zoomed = editor_->Width() > item->layout_row->width || editor_->Height() > item->layout_row->height;
    const Item* before = nullptr;
    for (const Item& other : items_) {
        if (&other == item || !other.hwnd || other.layout_row->tab_index < 0) continue;
        if (other.layout_row->tab_index < item->layout_row->tab_index &&
            (!before || other.layout_row->tab_index > before->layout_row->tab_index))
            before = &other;
    }
    const HWND after = zoomed || !before ? HWND_TOP : before->hwnd;
    SetWindowPos(item->hwnd, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool FormWindow::tab_from(HWND from, bool backwards) {
    std::vector<const Item*> stops;
    for (const Item& item : items_) {
        if (!item.hwnd || item.layout_row->tab_index < 0 || !IsWindowVisible(item.hwnd) ||
            !IsWindowEnabled(item.hwnd) || !(GetWindowLongW(item.hwnd, GWL_STYLE) & WS_TABSTOP))
            continue;
        stops.push_back(&item);
    }
    if (stops.empty()) return false;
    std::sort(stops.begin(), stops.end(),
              [](const Item* a, const Item* b) { return a->layout_row->tab_index < b->layout_row->tab_index; });
    const auto here = std::find_if(stops.begin(), stops.end(),
                                   [&](const Item* i) { return i->hwnd == from || IsChild(i->hwnd, from); });
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(stops.size());
    const std::ptrdiff_t at = here == stops.end() ? (backwards ? 0 : n - 1) : here - stops.begin();
    SetFocus(stops[static_cast<std::size_t>((at + (backwards ? n - 1 : 1)) % n)]->hwnd);
    return true;
}

void FormWindow::destroy() noexcept {
    // WM_DESTROY parks the editor, WM_NCDESTROY forgets the window; the
    // tooltips go with their owner.
    if (hwnd_) DestroyWindow(hwnd_);
}

void FormWindow::make_icons() {
    namespace pics = dialog::pictures;
    const dialog::FormLayout& layout_row = dialog::layout::Form();
    const pics::Bitmap images[] = {pics::Get(layout_row.icon[0]), pics::Get(layout_row.icon[1])};
    const std::vector<std::uint8_t> ico = pics::EncodeIco(images);
    icon_small_ = icon_from_ico(ico, 0, images[0].width);
    icon_big_ = icon_from_ico(ico, 1, images[1].width);
    if (icon_small_) SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_small_.get()));
    if (icon_big_) SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_big_.get()));
}

void FormWindow::add_tool(Item& item) {
    if (!tooltip_ || !item.hwnd) return;
    const std::wstring text = to_wide(item.control ? item.control->ToolTipText() : std::u16string(item.layout_row->tooltip));
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;  // accepted by every comctl32 version
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(item.hwnd);
    tool.uId = reinterpret_cast<UINT_PTR>(item.hwnd);
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

// --- the port -------------------------------------------------------------------

std::vector<dialog::TopLevelWindow> FormWindow::TopLevelWindows(const std::string& className) {
    ClassSearch search{className.c_str(), {}};
    EnumWindows(windows_of_class, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

dialog::WindowHandle FormWindow::SetParent(dialog::WindowHandle child, dialog::WindowHandle newParent) {
    return to_handle(::SetParent(from_handle(child), newParent ? from_handle(newParent) : nullptr));
}

dialog::WindowHandle FormWindow::FormHandle() {
    create();
    return to_handle(hwnd_);
}

void FormWindow::ShowForm(bool visible) {
    if (!visible) {
        if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
        return;
    }
    create();
    sync_all();
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
}

void FormWindow::DestroyForm() { destroy(); }

HWND FormWindow::control(std::u16string_view name, std::int32_t index) const noexcept {
    for (const Item& item : items_)
        if (item.layout_row->name == name && item.layout_row->index == index) return item.hwnd;
    return nullptr;
}

// --- model to window ------------------------------------------------------------

FormWindow::Item* FormWindow::item_of(HWND hwnd) {
    for (Item& item : items_)
        if (item.hwnd == hwnd) return &item;
    return nullptr;
}

FormWindow::Item* FormWindow::item_of(const dialog::Control& control) {
    for (Item& item : items_)
        if (item.control == &control) return &item;
    return nullptr;
}

FormWindow::Item* FormWindow::item_named(std::u16string_view name, std::int32_t index) {
    for (Item& item : items_)
        if (item.layout_row->name == name && item.layout_row->index == index) return &item;
    return nullptr;
}

POINT FormWindow::container_origin(const Item& item) const {
    // Controls inside Frame1 count from it; their windows are the form's.
    if (item.layout_row->container.empty()) return POINT{0, 0};
    for (const Item& other : items_)
        if (other.layout_row->name == item.layout_row->container && other.control)
            return POINT{static_cast<LONG>(other.control->Left()), static_cast<LONG>(other.control->Top())};
    return POINT{0, 0};
}

RECT FormWindow::rect_of(const Item& item) const {
    const POINT o = container_origin(item);
    const dialog::Control* c = item.control;
    if (!c) return twips_rect(o.x + item.layout_row->left, o.y + item.layout_row->top, item.layout_row->width, item.layout_row->height, dpi_);
    return twips_rect(o.x + c->Left(), o.y + c->Top(), c->Width(), c->Height(), dpi_);
}

void FormWindow::sync_all() {
    if (!hwnd_ || form_.expired()) return;
    adopt_editor();
    for (Item& item : items_) sync(item);
}

void FormWindow::sync(Item& item) {
    if (!item.hwnd || !item.control || form_.expired()) return;
    const dialog::Control& c = *item.control;
    const std::wstring caption = to_wide(c.Caption());
    wchar_t shown[512] = L"";
    GetWindowTextW(item.hwnd, shown, 512);
    if (caption != shown) SetWindowTextW(item.hwnd, caption.c_str());
    if ((IsWindowEnabled(item.hwnd) != FALSE) != c.Enabled()) EnableWindow(item.hwnd, c.Enabled() ? TRUE : FALSE);
    const bool visible = (GetWindowLongW(item.hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
    if (visible != c.Visible()) ShowWindow(item.hwnd, c.Visible() ? SW_SHOWNA : SW_HIDE);
    RECT now{};
    GetWindowRect(item.hwnd, &now);
    MapWindowPoints(nullptr, GetParent(item.hwnd), reinterpret_cast<POINT*>(&now), 2);
    const RECT want = rect_of(item);
    if (!EqualRect(&now, &want))
        MoveWindow(item.hwnd, want.left, want.top, want.right - want.left, want.bottom - want.top, TRUE);
    if (auto* box = dynamic_cast<const dialog::CheckBox*>(&c)) {
        const WPARAM state = box->Value() == 1 ? BST_CHECKED : BST_UNCHECKED;
        if (static_cast<WPARAM>(SendMessageW(item.hwnd, BM_GETCHECK, 0, 0)) != state)
            SendMessageW(item.hwnd, BM_SETCHECK, state, 0);
    }
    if (tooltip_) {
        const std::wstring tip = to_wide(c.ToolTipText());
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.hwnd = GetParent(item.hwnd);
        tool.uId = reinterpret_cast<UINT_PTR>(item.hwnd);
        tool.lpszText = const_cast<wchar_t*>(tip.c_str());
        SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    if (is_button(item.layout_row->type) || item.layout_row->type == ControlType::Image || item.layout_row->type == ControlType::Frame)
        InvalidateRect(item.hwnd, nullptr, TRUE);
}

void FormWindow::changed(const dialog::Control& control) {
    Item* item = item_of(control);
    if (!item || !item->hwnd) return;
    sync(*item);
    // A status line written during a long command shows at once: the
    // command keeps the thread from painting until it ends.
    UpdateWindow(item->hwnd);
}

void FormWindow::clicked(Item& item) {
    if (form_.expired() || !item.control) return;
    auto form = form_.lock();
    form->Click(item.layout_row->name, item.layout_row->index);
    sync_all();  // the handler may have moved or resized controls
}

// --- drawing --------------------------------------------------------------------

HBRUSH FormWindow::brush(COLORREF color) {
    auto it = brushes_.find(color);
    if (it == brushes_.end()) it = brushes_.emplace(color, UniqueHBrush(CreateSolidBrush(color))).first;
    return it->second.get();
}

COLORREF FormWindow::back_color(const Item& item) const {
    const auto color = item.control ? item.control->BackColor() : item.layout_row->back_color;
    return color ? to_colorref(*color) : GetSysColor(COLOR_BTNFACE);
}

HBITMAP FormWindow::picture(dialog::PictureId id) {
    auto it = pictures_.find(id);
    if (it == pictures_.end()) it = pictures_.emplace(id, make_bitmap(dialog::pictures::Get(id))).first;
    return it->second.get();
}

void FormWindow::draw_button(const DRAWITEMSTRUCT& draw, Item& item) {
    HDC dc = draw.hDC;
    RECT r = draw.rcItem;
    const auto* option = dynamic_cast<const dialog::OptionButton*>(item.control);
    const bool pressed = (draw.itemState & ODS_SELECTED) || (option && option->Value());
    const bool disabled = (draw.itemState & ODS_DISABLED) != 0;
    FillRect(dc, &r, brush(back_color(item)));
    DrawEdge(dc, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    RECT inner = r;
    InflateRect(&inner, -3, -3);
    if (pressed) OffsetRect(&inner, 1, 1);

    if (item.layout_row->picture != dialog::PictureId::None) {
        const auto& b = dialog::pictures::Get(item.layout_row->picture);
        HBITMAP bitmap = picture(item.layout_row->picture);
        const int x = (inner.left + inner.right - b.width) / 2, y = (inner.top + inner.bottom - b.height) / 2;
        if (disabled) {
            DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(bitmap), 0, x, y, b.width, b.height,
                       DST_BITMAP | DSS_DISABLED);
        } else if (const UniqueMemoryDc source{CreateCompatibleDC(dc)}) {
            const SelectedObject selected(source.get(), bitmap);
            BitBlt(dc, x, y, b.width, b.height, source.get(), 0, 0, SRCCOPY);
        }
    } else {
        const std::wstring caption = to_wide(item.control->Caption());
        const SelectedObject selected(dc, font_.get());
        SetBkMode(dc, TRANSPARENT);
        constexpr UINT format = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
        RECT measure = inner;
        DrawTextW(dc, caption.c_str(), -1, &measure, format | DT_CALCRECT);
        RECT text = inner;
        text.top += std::max(0L, ((inner.bottom - inner.top) - (measure.bottom - measure.top)) / 2);
        if (disabled) {  // embossed, as the system draws disabled captions
            RECT shadow = text;
            OffsetRect(&shadow, 1, 1);
            SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
            DrawTextW(dc, caption.c_str(), -1, &shadow, format);
            SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        } else {
            SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        }
        DrawTextW(dc, caption.c_str(), -1, &text, format);
    }
    if (draw.itemState & ODS_FOCUS) {
        RECT focus = r;
        InflateRect(&focus, -4, -4);
        DrawFocusRect(dc, &focus);
    }
}

void FormWindow::paint_frame(HWND hwnd, Item& item) {
    const PaintDc paint(hwnd);
    const HDC dc = paint.get();
    RECT client{};
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, brush(back_color(item)));
    const SelectedObject selected(dc, font_.get());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    RECT box = client;
    box.top += tm.tmHeight / 2;
    DrawEdge(dc, &box, EDGE_ETCHED, BF_RECT);
    const std::wstring caption = to_wide(item.control->Caption());
    if (!caption.empty()) {
        SIZE extent{};
        GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
        RECT text{8, 0, 8 + extent.cx + 4, tm.tmHeight};
        FillRect(dc, &text, brush(back_color(item)));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(item.control->Enabled() ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        DrawTextW(dc, caption.c_str(), -1, &text, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

void FormWindow::paint_image(HWND hwnd, Item& item) {
    const PaintDc paint(hwnd);
    const HDC dc = paint.get();
    RECT client{};
    GetClientRect(hwnd, &client);
    // An image has no background of its own: the form's shows through.
    FillRect(dc, &client, brush(to_colorref(dialog::layout::Form().back_color)));
    if (auto* image = dynamic_cast<const dialog::Image*>(item.control)) {
        if (const auto* picture = image->Picture() ? renderable(image->Picture().get()) : nullptr) {
            SetStretchBltMode(dc, HALFTONE);
            picture->draw(dc, client);  // stretched to the image's size
        }
    }
}

// --- messages -------------------------------------------------------------------

LRESULT CALLBACK FormWindow::window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    try {
        return self->handle(hwnd, msg, wp, lp);
    } catch (...) {
        // Nothing leaves a window procedure; frmAddIn reports its handlers'
        // failures itself, so what gets here is the window's own.
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

LRESULT FormWindow::handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    const bool is_form = hwnd == hwnd_ || !hwnd_;  // during CreateWindowEx hwnd_ is not set yet
    switch (msg) {
        case WM_ERASEBKGND: {
            Item* item = is_form ? nullptr : item_of(hwnd);
            RECT client{};
            GetClientRect(hwnd, &client);
            const COLORREF color = item ? back_color(*item) : to_colorref(dialog::layout::Form().back_color);
            FillRect(reinterpret_cast<HDC>(wp), &client, brush(color));
            return 1;
        }
        case WM_PAINT: {
            Item* item = is_form ? nullptr : item_of(hwnd);
            if (item && item->layout_row->type == ControlType::Frame && item->control) {
                paint_frame(hwnd, *item);
                return 0;
            }
            if (item && item->layout_row->type == ControlType::Image) {
                paint_image(hwnd, *item);
                return 0;
            }
            break;
        }
        case WM_COMMAND: {
            const WORD code = HIWORD(wp);
            Item* item = lp ? item_of(reinterpret_cast<HWND>(lp)) : nullptr;
            // A quick second click on an owner-drawn button arrives as a
            // double-click: it is a click all the same.
            if (item && (code == BN_CLICKED || (code == BN_DOUBLECLICKED && is_button(item->layout_row->type)))) {
                clicked(*item);
                return 0;
            }
            break;
        }
        case WM_DRAWITEM: {
            const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            Item* item = draw ? item_of(draw->hwndItem) : nullptr;
            if (item && item->control && !form_.expired()) {
                draw_button(*draw, *item);
                return TRUE;
            }
            break;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            Item* item = item_of(reinterpret_cast<HWND>(lp));
            if (!item || !item->control || form_.expired()) break;
            HDC dc = reinterpret_cast<HDC>(wp);
            const COLORREF back = back_color(*item);
            const auto fore = item->control->ForeColor();
            SetTextColor(dc, fore ? to_colorref(*fore) : GetSysColor(COLOR_BTNTEXT));
            SetBkColor(dc, back);
            SetBkMode(dc, OPAQUE);
            return reinterpret_cast<LRESULT>(brush(back));
        }
        case WM_CLOSE:
            if (is_form) {
                // The caption's Close box does what the Close button does.
                if (Item* close = item_named(u"CancelButton")) clicked(*close);
                return 0;
            }
            break;
        case WM_DESTROY:
            if (is_form && editor_) {
                // The editor outlives the window (the form keeps it): back to
                // its parking window before the children go.
                editor_->on_geometry = nullptr;
                editor_->adopt(nullptr, 0, 0);
                editor_.reset();
            }
            break;
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            if (hwnd == hwnd_) {  // by DestroyForm, or with the window it was made a child of
                unhook_keyboard(hwnd_);
                hwnd_ = nullptr;
                tooltip_ = nullptr;
                for (Item& item : items_) item.hwnd = nullptr;
                unregister_classes();
            }
            break;
        default: break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// --- the factory ----------------------------------------------------------------

FormWindow* form_window_of(const dialog::frmAddIn& form) noexcept {
    return dynamic_cast<FormWindow*>(form.Services().window.get());
}

host::DialogFactory window_dialog_factory() {
    return []() -> std::shared_ptr<host::DialogForm> {
        auto window = std::make_shared<FormWindow>();
        auto owner = [weak = std::weak_ptr<FormWindow>(window)]() -> HWND {
            auto w = weak.lock();
            return w ? w->owner() : nullptr;
        };
        dialog::FormServices services;
        services.messages = std::make_shared<Win32MessageBox>(owner);
        services.chooser = std::make_shared<Win32Chooser>(owner);
        services.pictures = std::make_shared<Win32PictureLoader>();
        services.window = window;
        services.make_editor = make_richedit_editor;
        services.code_page = system_code_page();
        auto form = std::make_shared<dialog::frmAddIn>(std::move(services));
        window->attach(form);
        return form;
    };
}

}  // namespace quill::win32
