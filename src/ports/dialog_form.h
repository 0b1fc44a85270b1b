#pragma once
// What Connect needs of its dialog. The dialog (frmAddIn) implements it; Connect
// creates instances through a factory so that host/ never depends on dialog/.
#include <functional>
#include <memory>

#include "ports/excel.h"

namespace quill::host {

// What the dialog needs of the object that owns it: its Close button hands
// the dialog back through here. Never deleted through this interface.
struct DialogOwner {
    virtual void Hide() = 0;

protected:
    ~DialogOwner() = default;
};

class DialogForm {
public:
    virtual ~DialogForm() = default;
    // The form's public variables.
    virtual void set_xlapp(std::shared_ptr<Application> app) = 0;
    virtual void set_Connect(std::shared_ptr<DialogOwner> owner) = 0;
    // Modeless. The first Show of an instance loads it (running its load
    // handler), later ones make it visible with its contents as they were.
    virtual void Show() = 0;
    virtual void Hide() = 0;  // stays loaded
    // Destroys the window and its contents; a later Show loads it afresh.
    virtual void Unload() = 0;
    virtual bool Loaded() const = 0;
    virtual bool Visible() const = 0;
};

using DialogFactory = std::function<std::shared_ptr<DialogForm>()>;

}  // namespace quill::host
