#pragma once
// The window port of the portable build: no real windows, a small model of
// the top-level windows around the form and of the form's own window, so
// that tests and the command-line tool can see where the form was parented.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ports/window.h"

namespace quill::memory {

class MemoryWindow final : public dialog::WindowPort {
public:
    struct Window {
        std::string class_name;
        dialog::WindowHandle handle = 0;
        std::uint32_t process_id = 0;
    };

    std::vector<dialog::TopLevelWindow> TopLevelWindows(const std::string& className) override;
    std::uint32_t CurrentProcessId() override { return process_id; }
    // Records the call. For the form's window, its parent becomes `newParent`
    // whatever that is (the model does not check that the parent exists) and
    // the previous parent is returned; any other child fails (0).
    dialog::WindowHandle SetParent(dialog::WindowHandle child, dialog::WindowHandle newParent) override;
    // A new handle after every DestroyForm; never 0.
    dialog::WindowHandle FormHandle() override;
    void ShowForm(bool visible) override { shown = visible; }
    void DestroyForm() override;

    // Adds a top-level window at the end of the enumeration order.
    MemoryWindow& add_window(std::string class_name, dialog::WindowHandle handle, std::uint32_t pid) {
        windows.push_back({std::move(class_name), handle, pid});
        return *this;
    }

    std::vector<Window> windows;      // top-level windows, in enumeration order
    std::uint32_t process_id = 1000;  // "this" process
    // The form's window: its handle (0 until first needed), its parent (0:
    // top-level), whether it is shown, how often it was destroyed.
    dialog::WindowHandle form = 0;
    dialog::WindowHandle parent = 0;
    bool shown = false;
    int destroyed = 0;
    std::vector<std::pair<dialog::WindowHandle, dialog::WindowHandle>> set_parent_calls;  // child, new parent
    std::vector<std::string> enumerated;  // class names asked for

private:
    dialog::WindowHandle next_form_ = 0x2A0;
};

}  // namespace quill::memory
