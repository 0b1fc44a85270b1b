#pragma once
// Helpers of the window tests: message pumping, answering modal dialogs,
// pixels of windows.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dialog/frm_add_in.h"
#include "platform/memory/workbook.h"
#include "platform/win32/window_form.h"
#include "win32/support.h"

namespace wintest {

// Runs the thread's queued messages (posted keys, paints, timers).
void pump(int rounds = 3);

// While alive, answers the first modal dialog (class "#32770") that the
// thread opens: `inspect` sees it first, then it gets WM_COMMAND `command`.
class DialogAnswer {
public:
    DialogAnswer(UINT command, std::function<void(HWND)> inspect = {});
    ~DialogAnswer();
    DialogAnswer(const DialogAnswer&) = delete;
    DialogAnswer& operator=(const DialogAnswer&) = delete;

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
    UINT_PTR timer_ = 0;
    UINT command_;
    std::function<void(HWND)> inspect_;
    bool answered_ = false;
};

struct Pixels {
    int width = 0, height = 0;
    std::vector<std::uint32_t> bgra;  // top-down rows, 0xAARRGGBB
    COLORREF at(int x, int y) const;  // as 0x00BBGGRR
};

// Draws with `paint` into a fresh white bitmap.
Pixels render(int width, int height, const std::function<void(HDC)>& paint);


std::wstring window_text(HWND hwnd);

// The dialog shown with its window by a host whose main window is `host`
// (none: the dialog stays top-level), every event it raises noted by name.
class FormOnScreen {
public:
    explicit FormOnScreen(HWND host = nullptr);
    ~FormOnScreen();
    HWND control(std::u16string_view name, std::int32_t index = 0) const { return window->control(name, index); }
    std::shared_ptr<quill::memory::Excel> excel = quill::memory::Excel::Create();
    std::shared_ptr<quill::dialog::frmAddIn> form;
    quill::win32::FormWindow* window = nullptr;
    std::vector<std::string> events;
};

}  // namespace wintest
