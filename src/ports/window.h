#pragma once
// Window port: the few window-system calls the form makes itself. Windows
// forwards them to user32 and to the dialog window that renders frmAddIn;
// the portable build answers from a small model (platform/memory/window.h).
#include <cstdint>
#include <string>
#include <vector>

namespace quill::dialog {

// A window handle as the host's automation reports it: 32 bits even in a
// 64-bit process (window handles are guaranteed to fit).
using WindowHandle = std::int32_t;

struct TopLevelWindow {
    WindowHandle handle = 0;
    std::uint32_t process_id = 0;  // the process that created the window
};

class WindowPort {
public:
    virtual ~WindowPort() = default;
    // The top-level windows whose class name is `className`, in the order the
    // window system enumerates them (the first is the one FindWindowA would
    // return). Empty when there is none.
    virtual std::vector<TopLevelWindow> TopLevelWindows(const std::string& className) = 0;
    // The id of the process the add-in runs in (the host's).
    virtual std::uint32_t CurrentProcessId() = 0;
    // user32's SetParent: makes `child` a child of `newParent` (0: the
    // desktop, a top-level window again) and returns the previous parent, 0
    // when it fails. The window keeps its coordinates.
    virtual WindowHandle SetParent(WindowHandle child, WindowHandle newParent) = 0;
    // The form's own window (its hWnd), created on first need.
    virtual WindowHandle FormHandle() = 0;
    // Shows or hides the form's window. The window reads the control model
    // each time it shows and after every event it forwards.
    virtual void ShowForm(bool visible) = 0;
    // Destroys the form's window (Unload); a later FormHandle makes a new one.
    virtual void DestroyForm() = 0;

    // The host's main window among the top-level windows of `className`:
    // with several host instances running, the first window of the class may
    // belong to another one, so the window of this process wins; only when
    // none is ours does the first one found serve. 0 when there is none.
    WindowHandle FindHostMainWindow(const std::string& className) {
        const std::vector<TopLevelWindow> windows = TopLevelWindows(className);
        if (windows.empty()) return 0;
        const std::uint32_t self = CurrentProcessId();
        for (const TopLevelWindow& w : windows)
            if (w.process_id == self) return w.handle;
        return windows.front().handle;
    }
};

}  // namespace quill::dialog
