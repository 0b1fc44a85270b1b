#include "host/connect.h"

#include "host/error_styles.h"

namespace quill::host {

namespace {
// The sink holds the connection weakly: the button (owned by the host) holds
// the sink, and a strong reference would keep Connect alive after the host
// released it.
class ClickSink final : public CommandBarButtonEvents {
public:
    explicit ClickSink(std::weak_ptr<Connect> owner) : owner_(std::move(owner)) {}
    void Click(const std::shared_ptr<CommandBarControl>& Ctrl, bool& CancelDefault) override {
        if (auto c = owner_.lock()) c->MenuHandler_Click(Ctrl, CancelDefault);
    }

private:
    std::weak_ptr<Connect> owner_;
};

// Stands in when the platform gave no message box. The connection's trap is
// taken before anything can fail, inside a notification that must never
// throw; without a box to report to, the report itself fails, and the trap
// swallows that as it does for any box that cannot be shown.
class NoMessageBox final : public MessageBoxPort {
public:
    MsgAnswer Show(const std::u16string&, MsgButtons, const std::u16string&) override { throw err::ObjectRequired(); }
};
}  // namespace

std::shared_ptr<Connect> Connect::Create(ConnectServices services) {
    return std::shared_ptr<Connect>(new Connect(std::move(services)));
}

Connect::Connect(ConnectServices services) : services_(std::move(services)) {}

Connect::~Connect() { detach_menu_handler(); }

host::DialogForm& Connect::form() {
    if (!DialogForm_) {
        if (!services_.make_dialog) throw err::ObjectRequired();
        DialogForm_ = services_.make_dialog();
    }
    return need(DialogForm_);
}

void Connect::detach_menu_handler() noexcept {
    if (MenuHandler_ && cookie_ != 0) skip_on_error([&] { MenuHandler_->Unadvise(cookie_); });
    cookie_ = 0;
    MenuHandler_.reset();
}

void Connect::MenuHandler(std::shared_ptr<CommandBarControl> button) {
    detach_menu_handler();
    if (!button) return;
    if (!sink_) sink_ = std::make_shared<ClickSink>(weak_from_this());
    cookie_ = button->Advise(sink_);
    MenuHandler_ = std::move(button);
}

void Connect::AddinInstance_OnConnection(const std::shared_ptr<Object>& Application,
                                         std::int32_t ConnectMode) noexcept {
    static NoMessageBox no_box;
    trap_and_show(services_.messages ? *services_.messages : static_cast<MessageBoxPort&>(no_box), kAppTitle, [&] {
        xlapp_ = Application ? Application->QueryApplication() : nullptr;
        if (ConnectMode == 2) {
            Show();
        } else {
            MenuControl_ = AddToAddInCommandBar(kMenuCaption);
            MenuHandler(MenuControl_);
        }
        if (ConnectMode == 0) {
            const std::u16string shown =
                need(services_.settings).GetSetting(kSettingsApp, kSettingsSection, kSettingsKey, u"0");
            if (shown == u"1") Show();
        }
    });
}

void Connect::AddinInstance_OnDisconnection(std::int32_t /*RemoveMode*/) noexcept {
    skip_on_error([&] { need(MenuControl_).Delete(); });
    if (FormDisplayed_) {
        skip_on_error([&] { need(services_.settings).SaveSetting(kSettingsApp, kSettingsSection, kSettingsKey, u"1"); });
        FormDisplayed_ = false;
    } else {
        skip_on_error([&] { need(services_.settings).SaveSetting(kSettingsApp, kSettingsSection, kSettingsKey, u"0"); });
    }
    skip_on_error([&] { form().Unload(); });
    DialogForm_.reset();
    xlapp_.reset();
}

void Connect::Show() {
    skip_on_error([&] { form(); });
    skip_on_error([&] { form().set_xlapp(xlapp_); });
    skip_on_error([&] { form().set_Connect(shared_from_this()); });
    FormDisplayed_ = true;
    skip_on_error([&] { form().Show(); });
}

void Connect::Hide() {
    FormDisplayed_ = false;
    skip_on_error([&] { form().Hide(); });
}

std::shared_ptr<CommandBarControl> Connect::AddToAddInCommandBar(const std::u16string& sCaption) {
    std::shared_ptr<CommandBarControl> result;
    trap_silently([&] {
        auto bar = need(need(xlapp_).CommandBars()).Item(u"worksheet Menu Bar");
        auto insert = need(need(bar).Controls()).Item(u"Insert");
        if (!insert) return;
        auto button = need(insert->Controls()).Add(msoControlButton);
        try {
            need(button).Caption(sCaption);
            // Without a Tag of its own the button would share its Click with
            // every other Tag-less custom button, and another add-in's or
            // macro's button would open this dialog.
            need(button).Tag(kMenuTag);
        } catch (...) {
            // A captionless button left behind would pile up in the host's
            // menu with every failed connection; take it away again.
            skip_on_error([&] { need(button).Delete(); });
            return;
        }
        result = std::move(button);
    });
    return result;
}

void Connect::MenuHandler_Click(const std::shared_ptr<CommandBarControl>& /*Ctrl*/, bool& /*CancelDefault*/) { Show(); }

}  // namespace quill::host
