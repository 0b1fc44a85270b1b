#pragma once
// frmAddIn, the add-in's one dialog, as a control model built from the
// layout table (layout.h). A platform window renders the controls and
// forwards the user's events through Raise (or Click for a click, which
// first changes the control as the click does).
//
// Reading and writing controls:   frm.Check1.Value() == 1, frm.Label3.Caption(u"..."),
//                                 frm.Orent(1).Value(true), frm.Image1.Picture(...)
// The editor:                     frm.RichTextBox1->SelStart(0)
// The form's public variables:    frm.xlapp, frm.Connect (held weakly: the connection
//                                 owns the form, and a strong reference back would
//                                 keep both alive forever)
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dialog/common_dialog.h"
#include "dialog/controls.h"
#include "dialog/editor.h"
#include "dialog/layout.h"
#include "dialog/picture_loader.h"
#include "dialog/window.h"
#include "host/dialog_form.h"
#include "host/excel.h"
#include "host/host_error.h"
#include "host/message_box.h"

namespace quill::host {
class Connect;
}
namespace quill::commenttext {
class CodePage;
}

namespace quill::dialog {

// Makes the editor for the layout row given (placed at its position and
// size); called when the form is created and again after every Unload.
using EditorFactory = std::function<std::shared_ptr<RichTextEditor>(const LayoutRow&)>;

struct FormServices {
    std::shared_ptr<MessageBoxPort> messages;
    EditorFactory make_editor;  // required
    std::shared_ptr<ChooserPort> chooser;
    std::shared_ptr<PictureLoader> pictures;
    std::shared_ptr<WindowPort> window;  // none: a form without a window (the CLI)
    // How InsertFmtText compares characters (commenttext/code_page.h);
    // none: Windows-1252.
    std::shared_ptr<const commenttext::CodePage> code_page;
};

enum class Event { Load, Click, DblClick };

class frmAddIn final : public host::DialogForm {
public:
    // Throws HostError (424, "Object required") without an editor factory.
    explicit frmAddIn(FormServices services);
    ~frmAddIn() override;
    frmAddIn(const frmAddIn&) = delete;
    frmAddIn& operator=(const frmAddIn&) = delete;

    // host::DialogForm
    void set_xlapp(std::shared_ptr<host::Application> app) override { xlapp = std::move(app); }
    void set_Connect(std::shared_ptr<host::Connect> owner) override { Connect = owner; }
    // The first Show of a loaded-afresh form runs Form_Load, then shows it.
    void Show() override;
    void Hide() override;  // on a form that is not loaded: nothing
    // Returns every control to its layout state, drops the editor's contents
    // (a new editor takes its place) and the zoom flag; a later Show loads
    // the form again.
    void Unload() override;
    bool Loaded() const override { return loaded_; }
    bool Visible() const override { return visible_; }

    // The event dispatcher. Runs the handler wired to `event` of `control`
    // ("frmAddIn" for the form's Load; `index` for an element of Orent) and
    // returns whether one is wired there. A failure the handler does not trap
    // is shown in an OK-only box titled "Pixnote"; nothing escapes.
    bool Raise(std::u16string_view control, Event event, std::int32_t index = 0) noexcept;
    // Runs `handler` under the dispatcher's rule (for a platform's own events).
    void Dispatch(const std::function<void()>& handler) noexcept;
    // What the user's click does: nothing on a disabled control; a check box
    // toggles, an option button is selected; then Click is raised.
    void Click(std::u16string_view control, std::int32_t index = 0) noexcept;

    // The controls in the order the form holds them (the editor excluded);
    // for a window that renders them.
    std::vector<Control*> Controls();
    const FormServices& Services() const { return services_; }
    // Told of every event that reaches a wired handler, just before it runs
    // (a platform's trace, tests).
    std::function<void(std::u16string_view control, Event event)> on_event;

    // Public variables.
    std::shared_ptr<host::Application> xlapp;
    std::weak_ptr<host::Connect> Connect;

    // Controls, in the layout's order.
    CheckBox Check4, Check1, Check3;
    CommonDialog CommonDialog1;
    CommandButton Command3;
    Frame Frame1;
    std::shared_ptr<RichTextEditor> RichTextBox1;  // never null; replaced by Unload
    OptionGroup Orent;
    CommandButton Command6, Command5, Command4;
    CheckBox Check2;
    Label Label2, Label1;
    CommandButton Command2, Command1, CancelButton, OKButton;
    Label Label3;
    Image Image1;

    // Shared routines of the comment-text commands (defined in commenttext/).
    std::u16string getcmt();
    void InsertFmtText(const std::shared_ptr<host::Range>& rng);

    // Handlers, each defined in the file of its topic.
    void Form_Load();             // form_load.cpp
    void CancelButton_Click();    // lifecycle.cpp
    void Command1_Click();        // lifecycle.cpp
    void Check2_Click();          // lifecycle.cpp
    void Check3_Click();          // lifecycle.cpp
    void Check4_Click();          // lifecycle.cpp
    void RichTextBox1_DblClick();  // lifecycle.cpp
    void Command5_Click();        // styling.cpp
    void Command6_Click();        // styling.cpp
    void OKButton_Click();        // images/insert_image.cpp
    void Command2_Click();        // removal/delete_comments.cpp
    void Command3_Click();        // commenttext/insert_text.cpp
    void Command4_Click();        // commenttext/get_text.cpp

private:
    void new_editor();
    MessageBoxPort& messages() { return need(services_.messages); }
    // xlapp's ActiveCell, or nothing when there is none. Excel does not
    // return nothing when the active window shows no worksheet (a chart
    // sheet, say): the property fails then, which means the same.
    std::shared_ptr<host::Range> active_cell();

    FormServices services_;
    bool loaded_ = false;
    bool visible_ = false;
    bool zoomed_ = false;  // the editor's zoom flag (RichTextBox1_DblClick)
};

}  // namespace quill::dialog
