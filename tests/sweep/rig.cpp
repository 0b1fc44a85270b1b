#include "sweep/rig.h"

namespace quill::sweep {

const char* name_of(Channel c) {
    switch (c) {
        case Channel::Host: return "host";
        case Channel::Editor: return "editor";
        case Channel::Box: return "message box";
        case Channel::Window: return "window";
        case Channel::Settings: return "settings";
        case Channel::Chooser: return "chooser";
    }
    return "?";
}

Rig::Rig(memory::CommandBarOptions bars) : excel(memory::Excel::Create(bars)) {
    excel->add_workbook();
    if (auto insert = excel->menu(u"Insert")) base_buttons = insert->controls.size();
    connection = host::Connect::Create({boxes, settings, [this] {
                                            dialog::FormServices s;
                                            s.messages = boxes;
                                            s.chooser = chooser;
                                            s.pictures = pictures;
                                            s.window = window;
                                            s.make_editor = [this](const dialog::LayoutRow& layout_row) {
                                                editor = std::make_shared<FaultyEditor>(memory::MakeRichText(layout_row),
                                                                                        editor_fault);
                                                return editor;
                                            };
                                            forms.push_back(std::make_shared<dialog::frmAddIn>(std::move(s)));
                                            return forms.back();
                                        }});
}

namespace {
NthFault* port_fault(const Rig& rig, Channel c) {
    switch (c) {
        case Channel::Editor: return rig.editor_fault.get();
        case Channel::Box: return rig.box_fault.get();
        case Channel::Window: return rig.window_fault.get();
        case Channel::Settings: return rig.settings_fault.get();
        case Channel::Chooser: return rig.chooser_fault.get();
        case Channel::Host: break;
    }
    return nullptr;
}
}  // namespace

void Rig::start(Channel c, std::uint64_t k, std::int32_t number, const std::u16string& description) {
    excel->log.clear();
    excel->log.clear_faults();
    for (Channel each : {Channel::Editor, Channel::Box, Channel::Window, Channel::Settings, Channel::Chooser}) {
        NthFault& f = *port_fault(*this, each);
        f.calls.clear();
        f.fail_at = 0;
        f.thrown = 0;
    }
    host_thrown_at_start_ = excel->log.faults_thrown();
    if (k == 0) return;
    if (c == Channel::Host) {
        excel->log.fail_any_nth(k, number, description);
    } else {
        NthFault& f = *port_fault(*this, c);
        f.fail_at = k;
        f.number = number;
        f.description = description;
    }
}

std::vector<std::string> Rig::calls(Channel c) const {
    if (c == Channel::Host) return excel->log.calls();
    return port_fault(*this, c)->calls;
}

std::uint64_t Rig::thrown(Channel c) const {
    if (c == Channel::Host) return excel->log.faults_thrown() - host_thrown_at_start_;
    return port_fault(*this, c)->thrown;
}

void Rig::open_dialog() {
    connect(1);
    excel->click(ours().at(0));
}

dialog::frmAddIn& Rig::form() {
    auto* f = dynamic_cast<dialog::frmAddIn*>(connection->DialogForm().get());
    if (!f) throw std::logic_error("no dialog yet");
    return *f;
}

std::vector<std::shared_ptr<memory::BarControl>> Rig::ours() const {
    std::vector<std::shared_ptr<memory::BarControl>> out;
    if (auto insert = excel->menu(u"Insert"))
        for (auto& c : insert->controls)
            if (!c->deleted && c->caption == host::kMenuCaption) out.push_back(c);
    return out;
}

std::size_t Rig::live_buttons() const {
    std::size_t n = 0;
    if (auto insert = excel->menu(u"Insert"))
        for (auto& c : insert->controls) n += c->deleted ? 0 : 1;
    return n;
}

void Rig::use_comment_text() { form().Click(u"Check2"); }

}  // namespace quill::sweep
