#pragma once
// frmAddIn's window on Windows: the form rendered from the layout table, and
// the window port the form's own code calls (top-level windows, SetParent, its
// handle, show, destroy).
//
// - The form: fixed dialog border, no minimize or maximize box, the layout's
//   caption, background colour and icons; first placed with its client area
//   at the layout's design position. Sizes are the layout's twips at the
//   window's DPI.
// - Every control is a child window of the form, created in tab-index order,
//   which is the order GetNextDlgTabItem walks: the layout's tab order runs
//   from Frame1's controls to the form's Command3 and back, so Frame1 cannot
//   be a container window. Its controls sit at their twips plus Frame1's
//   position; Frame1 itself, no tab stop, lies beneath them and draws its
//   border and caption. The zoomed editor, larger than its row and covering
//   its neighbours, is raised to the top while it is zoomed.
// - Check boxes are plain two-state buttons; command buttons and Orent are
//   owner-drawn in their colours and pictures, Orent drawn pressed while
//   selected. A click goes to frmAddIn::Click, which changes the model; the
//   window follows the model (through each control's on_changed, and a full
//   pass after every event and at every showing).
// - The Close box of the caption works as the Close button.
// - Keyboard: while a form window exists, a WH_GETMESSAGE hook of its thread
//   hands the window's key messages to IsDialogMessage (the host's message
//   loop knows nothing of the modeless dialog).
#include <windows.h>

#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "dialog/frm_add_in.h"
#include "dialog/window.h"
#include "host/dialog_form.h"
#include "platform/win32/window_common.h"

namespace quill::win32 {

class RichEditEditor;

class FormWindow final : public dialog::WindowPort {
public:
    FormWindow() = default;
    ~FormWindow() override;
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    // The form this window renders; it is held weakly (the form owns the
    // window through its services).
    void attach(const std::shared_ptr<dialog::frmAddIn>& form);

    // dialog::WindowPort. TopLevelWindows lists the windows of the class in
    // EnumWindows order (the order FindWindowA searches), each with its
    // process, so that FindHostMainWindow can prefer this process's host.
    std::vector<dialog::TopLevelWindow> TopLevelWindows(const std::string& className) override;
    std::uint32_t CurrentProcessId() override { return GetCurrentProcessId(); }
    dialog::WindowHandle SetParent(dialog::WindowHandle child, dialog::WindowHandle newParent) override;
    dialog::WindowHandle FormHandle() override;
    void ShowForm(bool visible) override;
    void DestroyForm() override;

    HWND hwnd() const noexcept { return hwnd_; }
    // The window of a control of the layout; null while the form has none.
    HWND control(std::u16string_view name, std::int32_t index = 0) const noexcept;
    HWND tooltips() const noexcept { return tooltip_; }
    // The top-level window message boxes and choosers belong to.
    HWND owner() const noexcept { return hwnd_ ? GetAncestor(hwnd_, GA_ROOT) : nullptr; }
    // The Tab key: the focus moves from `from` to the next (or previous)
    // enabled tab stop by tab index, not by z-order, which the zoomed editor
    // changes. False when there is nowhere to go.
    bool tab_from(HWND from, bool backwards);

private:
    struct Item {
        const dialog::LayoutRow* layout_row;
        dialog::Control* control;  // null for the editor, which the port holds
        HWND hwnd = nullptr;
        int id = 0;
    };

    static LRESULT CALLBACK window_proc(HWND, UINT, WPARAM, LPARAM);
    LRESULT handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void create();
    void create_item(Item& item, HWND parent);
    void adopt_editor();
    void restack_editor();
    void destroy() noexcept;
    void sync_all();
    void sync(Item& item);
    void changed(const dialog::Control& control);
    void clicked(Item& item);
    Item* item_of(HWND hwnd);
    Item* item_of(const dialog::Control& control);
    Item* item_named(std::u16string_view name, std::int32_t index = 0);
    POINT container_origin(const Item& item) const;  // twips
    RECT rect_of(const Item& item) const;
    HBRUSH brush(COLORREF color);
    COLORREF back_color(const Item& item) const;
    HBITMAP picture(dialog::PictureId id);
    void draw_button(const DRAWITEMSTRUCT& draw, Item& item);
    void paint_frame(HWND hwnd, Item& item);
    void paint_image(HWND hwnd, Item& item);
    void make_icons();
    void add_tool(Item& item);

    std::weak_ptr<dialog::frmAddIn> form_;
    dialog::frmAddIn* model_ = nullptr;  // valid while form_ is alive
    HWND hwnd_ = nullptr;
    HWND tooltip_ = nullptr;
    std::vector<Item> items_;  // one per layout row that has a window
    std::shared_ptr<RichEditEditor> editor_;  // the editor adopted into Frame1
    UINT dpi_ = 96;
    bool placed_ = false;
    UniqueHFont font_;
    std::map<COLORREF, UniqueHBrush> brushes_;
    std::map<dialog::PictureId, UniqueHBitmap> pictures_;
    UniqueHIcon icon_small_, icon_big_;
};

// The window of a frmAddIn made by window_dialog_factory, or null.
FormWindow* form_window_of(const dialog::frmAddIn& form) noexcept;

// The DLL's dialog factory: a frmAddIn with its Windows window, RichEdit
// editor, message boxes and choosers owned by the dialog, and the picture
// loader.
host::DialogFactory window_dialog_factory();

}  // namespace quill::win32
