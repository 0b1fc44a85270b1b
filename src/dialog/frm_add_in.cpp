#include "dialog/frm_add_in.h"

#include "host/error_styles.h"

namespace quill::dialog {

namespace {
using layout::Find;

// Which handler belongs to which control and event.
struct Binding {
    std::u16string_view control;
    Event event;
    void (frmAddIn::*handler)();
};
constexpr Binding kBindings[] = {
    {u"frmAddIn", Event::Load, &frmAddIn::Form_Load},
    {u"OKButton", Event::Click, &frmAddIn::OKButton_Click},
    {u"CancelButton", Event::Click, &frmAddIn::CancelButton_Click},
    {u"Command1", Event::Click, &frmAddIn::Command1_Click},
    {u"Command2", Event::Click, &frmAddIn::Command2_Click},
    {u"Command3", Event::Click, &frmAddIn::Command3_Click},
    {u"Command4", Event::Click, &frmAddIn::Command4_Click},
    {u"Command5", Event::Click, &frmAddIn::Command5_Click},
    {u"Command6", Event::Click, &frmAddIn::Command6_Click},
    {u"Check2", Event::Click, &frmAddIn::Check2_Click},
    {u"Check3", Event::Click, &frmAddIn::Check3_Click},
    {u"Check4", Event::Click, &frmAddIn::Check4_Click},
    {u"RichTextBox1", Event::DblClick, &frmAddIn::RichTextBox1_DblClick},
};
}  // namespace

std::shared_ptr<host::Range> frmAddIn::active_cell() {
    host::Application& app = need(xlapp);
    try {
        return app.ActiveCell();
    } catch (const HostError&) {
        return nullptr;
    }
}

frmAddIn::frmAddIn(FormServices services)
    : Check4(Find(u"Check4")),
      Check1(Find(u"Check1")),
      Check3(Find(u"Check3")),
      CommonDialog1(Find(u"CommonDialog1"), services.chooser),
      Command3(Find(u"Command3")),
      Frame1(Find(u"Frame1")),
      Orent(u"Orent"),
      Command6(Find(u"Command6")),
      Command5(Find(u"Command5")),
      Command4(Find(u"Command4")),
      Check2(Find(u"Check2")),
      Label2(Find(u"Label2")),
      Label1(Find(u"Label1")),
      Command2(Find(u"Command2")),
      Command1(Find(u"Command1")),
      CancelButton(Find(u"CancelButton")),
      OKButton(Find(u"OKButton")),
      Label3(Find(u"Label3")),
      Image1(Find(u"Image1")),
      services_(std::move(services)) {
    if (!services_.make_editor) throw err::ObjectRequired();
    new_editor();
}

frmAddIn::~frmAddIn() {
    // The editor may outlive the form in someone else's hands; its handler
    // must not call back into a form that is gone.
    skip_on_error([&] { RichTextBox1->OnDblClick(nullptr); });
}

void frmAddIn::new_editor() {
    const LayoutRow& layout_row = Find(u"RichTextBox1");
    auto editor = services_.make_editor(layout_row);
    if (!editor) throw err::ObjectRequired();
    editor->Enabled(layout_row.enabled);
    editor->OnDblClick([this] { Raise(u"RichTextBox1", Event::DblClick); });
    if (RichTextBox1) skip_on_error([&] { RichTextBox1->OnDblClick(nullptr); });
    RichTextBox1 = std::move(editor);
}

void frmAddIn::Show() {
    if (!loaded_) {
        loaded_ = true;
        Raise(u"frmAddIn", Event::Load);
    }
    if (services_.window) services_.window->ShowForm(true);
    visible_ = true;
}

void frmAddIn::Hide() {
    if (!loaded_) return;
    visible_ = false;
    if (services_.window) services_.window->ShowForm(false);
}

void frmAddIn::Unload() {
    if (!loaded_) return;
    loaded_ = false;
    visible_ = false;
    if (services_.window) skip_on_error([&] { services_.window->DestroyForm(); });
    for (Control* c : Controls()) c->Reset();
    zoomed_ = false;
    new_editor();
}

std::vector<Control*> frmAddIn::Controls() {
    return {&Check4,   &Check1,   &Check3,   &CommonDialog1, &Command3, &Frame1,       &Orent(1),
            &Orent(4), &Orent(3), &Orent(2), &Command6,      &Command5, &Command4,     &Check2,
            &Label2,   &Label1,   &Command2, &Command1,      &CancelButton, &OKButton, &Label3,
            &Image1};
}

void frmAddIn::Dispatch(const std::function<void()>& handler) noexcept {
    try {
        handler();
    } catch (...) {
        const HostError e = current_error();
        try {
            messages().Show(e.description(), MsgButtons::OK, kAppTitle);
        } catch (...) {
            // No box can be shown: there is nowhere left to report to.
        }
    }
}

bool frmAddIn::Raise(std::u16string_view control, Event event, std::int32_t /*index*/) noexcept {
    // No control array of this form has a handler, so the index decides
    // nothing yet; it is part of the event's address all the same.
    for (const Binding& b : kBindings) {
        if (b.control == control && b.event == event) {
            Dispatch([&] {
                if (on_event) on_event(control, event);
                (this->*b.handler)();
            });
            return true;
        }
    }
    return false;
}

void frmAddIn::Click(std::u16string_view control, std::int32_t index) noexcept {
    Dispatch([&] {
        Control* target = nullptr;
        for (Control* c : Controls())
            if (c->Name() == control && c->Index() == index) target = c;
        if (!target || !target->Enabled() || !target->Visible()) return;
        if (auto* box = dynamic_cast<CheckBox*>(target)) box->Value(1 - box->Value());
        if (auto* option = dynamic_cast<OptionButton*>(target)) option->Value(true);
        Raise(control, Event::Click, index);
    });
}

}  // namespace quill::dialog
