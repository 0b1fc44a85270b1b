#pragma once
// Window port: the few window-system calls the form makes itself. Windows
// forwards them to user32 and to the dialog window that renders frmAddIn;
// the portable build has no windows and answers from a small model.
#include <cstdint>
#include <optional>
#include <string>

namespace quill::dialog {

// A window handle as the host's automation reports it: 32 bits even in a
// 64-bit process (window handles are guaranteed to fit).
using WindowHandle = std::int32_t;

class WindowPort {
public:
    virtual ~WindowPort() = default;
    // user32's FindWindowA: the first top-level window whose class name is
    // `className` and, when `windowName` is given, whose title is that text;
    // nullopt stands for the null string (any). 0 when none matches.
    virtual WindowHandle FindWindowA(const std::optional<std::string>& className,
                                     const std::optional<std::string>& windowName) = 0;
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
};

}  // namespace quill::dialog
