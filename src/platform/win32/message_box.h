#pragma once
// The message-box port on Windows: MessageBoxW, OK or Yes/No (Yes default),
// never an icon.
//
// Scripted mode, only in the test build (QUILLETTE_SCRIPTED_BOXES; the shipped
// DLL always shows real boxes, so that nothing in Excel's environment can
// answer a question for the user): when the environment variable
// QUILLETTE_MSGBOX_LOG names a file, no box is shown. Each box appends one
// UTF-8 line "title|OK|text" or "title|YesNo|text" to that file (CR and LF in
// the text written as \r and \n, a backslash as \\), and a Yes/No box is
// answered with QUILLETTE_MSGBOX_ANSWER ("No" answers No; anything else, or
// nothing, answers Yes).
#include <windows.h>

#include <functional>

#include "host/message_box.h"

namespace quill::win32 {

class Win32MessageBox final : public MessageBoxPort {
public:
    // `owner` gives the window a box belongs to (the dialog's); without one
    // the box is task-modal and brought to the front.
    explicit Win32MessageBox(std::function<HWND()> owner = {}) : owner_(std::move(owner)) {}
    MsgAnswer Show(const std::u16string& text, MsgButtons buttons, const std::u16string& title) override;

private:
    std::function<HWND()> owner_;
};

}  // namespace quill::win32
