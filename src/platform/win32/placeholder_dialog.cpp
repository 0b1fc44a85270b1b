#include "platform/win32/placeholder_dialog.h"

namespace quill::win32 {

namespace {

class PlaceholderDialog final : public host::DialogForm {
public:
    void set_xlapp(std::shared_ptr<host::Application> app) override { xlapp_ = std::move(app); }
    // Held weakly: with no window there is no Close button to break the
    // cycle, and a host that releases the add-in without disconnecting it
    // must not leak the connection.
    void set_Connect(std::shared_ptr<host::Connect> owner) override { connect_ = owner; }
    void Show() override {
        loaded_ = true;
        visible_ = true;
    }
    void Hide() override { visible_ = false; }
    void Unload() override {
        loaded_ = false;
        visible_ = false;
        xlapp_.reset();
        connect_.reset();
    }
    bool Loaded() const override { return loaded_; }
    bool Visible() const override { return visible_; }

private:
    std::shared_ptr<host::Application> xlapp_;
    std::weak_ptr<host::Connect> connect_;
    bool loaded_ = false;
    bool visible_ = false;
};

}  // namespace

host::DialogFactory placeholder_dialog_factory() {
    return [] { return std::make_shared<PlaceholderDialog>(); };
}

}  // namespace quill::win32
