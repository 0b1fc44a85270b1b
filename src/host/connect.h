#pragma once
// The add-in's connection object: what the host creates, connects and
// disconnects. It keeps the Application object, owns the menu button and the
// one dialog, and remembers across sessions whether the dialog was on screen.
#include <cstdint>
#include <memory>
#include <string>

#include "host/dialog_form.h"
#include "host/excel.h"
#include "host/message_box.h"
#include "host/settings.h"

namespace quill::host {

inline constexpr char16_t kMenuCaption[] = u"Insert Quillette";
// The menu button's Tag: its identity for Office's Click routing.
inline constexpr char16_t kMenuTag[] = u"Quillpix.Connect";
inline constexpr char16_t kSettingsApp[] = u"Pixnote";
inline constexpr char16_t kSettingsSection[] = u"Settings";
inline constexpr char16_t kSettingsKey[] = u"DisplayOnConnect";

struct ConnectServices {
    std::shared_ptr<MessageBoxPort> messages;
    std::shared_ptr<SettingsPort> settings;
    DialogFactory make_dialog;
};

class Connect : public std::enable_shared_from_this<Connect> {
public:
    static std::shared_ptr<Connect> Create(ConnectServices services);
    ~Connect();
    Connect(const Connect&) = delete;
    Connect& operator=(const Connect&) = delete;

    // _Connect, in its declared order.
    bool FormDisplayed() const { return FormDisplayed_; }
    void FormDisplayed(bool value) { FormDisplayed_ = value; }
    std::shared_ptr<Application> xlapp() const { return xlapp_; }
    void xlapp(std::shared_ptr<Application> app) { xlapp_ = std::move(app); }
    std::shared_ptr<CommandBarControl> MenuHandler() const { return MenuHandler_; }
    // Setting it attaches this object to the button's Click event (and detaches
    // from the previous button); nothing attaches nothing.
    void MenuHandler(std::shared_ptr<CommandBarControl> button);
    void Hide();
    void Show();
    std::shared_ptr<CommandBarControl> AddToAddInCommandBar(const std::u16string& sCaption);

    // IDTExtensibility2. All of them report success to the host: they never throw.
    void AddinInstance_OnConnection(const std::shared_ptr<Object>& Application, std::int32_t ConnectMode) noexcept;
    void AddinInstance_OnDisconnection(std::int32_t RemoveMode) noexcept;
    void OnAddInsUpdate() noexcept {}
    void OnStartupComplete() noexcept {}
    void OnBeginShutdown() noexcept {}

    // Click of the button held in MenuHandler.
    void MenuHandler_Click(const std::shared_ptr<CommandBarControl>& Ctrl, bool& CancelDefault);

    // Private state, readable for the platform bridge and tests.
    const std::shared_ptr<CommandBarControl>& MenuControl() const { return MenuControl_; }
    const std::shared_ptr<host::DialogForm>& DialogForm() const { return DialogForm_; }

private:
    explicit Connect(ConnectServices services);
    host::DialogForm& form();  // created on first use
    void detach_menu_handler() noexcept;

    ConnectServices services_;
    // Declaration order of the fields as the component has them.
    bool FormDisplayed_ = false;
    std::shared_ptr<Application> xlapp_;
    std::shared_ptr<CommandBarControl> MenuControl_;
    std::shared_ptr<host::DialogForm> DialogForm_;
    std::shared_ptr<CommandBarControl> MenuHandler_;
    std::shared_ptr<CommandBarButtonEvents> sink_;
    std::uint32_t cookie_ = 0;
};

}  // namespace quill::host
