#include "platform/memory/window.h"

namespace quill::memory {

std::vector<dialog::TopLevelWindow> MemoryWindow::TopLevelWindows(const std::string& className) {
    enumerated.push_back(className);
    std::vector<dialog::TopLevelWindow> out;
    for (const Window& w : windows)
        if (w.class_name == className) out.push_back({w.handle, w.process_id});
    return out;
}

dialog::WindowHandle MemoryWindow::SetParent(dialog::WindowHandle child, dialog::WindowHandle newParent) {
    set_parent_calls.emplace_back(child, newParent);
    if (child == 0 || child != form) return 0;  // not a window of the model
    const dialog::WindowHandle previous = parent;
    parent = newParent;
    return previous;
}

dialog::WindowHandle MemoryWindow::FormHandle() {
    if (form == 0) form = next_form_++;
    return form;
}

void MemoryWindow::DestroyForm() {
    ++destroyed;
    form = 0;
    parent = 0;
    shown = false;
}

}  // namespace quill::memory
