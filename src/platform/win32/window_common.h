#pragma once
// Small pieces the dialog window, the RichEdit adapter and the choosers share:
// the module instance their window classes belong to, DPI and twips, window
// handles as the host's automation reports them.
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "platform/win32/handles.h"
#include "ports/window.h"

namespace quill::win32 {

// The DLL's instance inside Excel; the program's own in the test program,
// which links the code statically.
HINSTANCE window_instance() noexcept;

// Dots per inch of the window's monitor (GetDpiForWindow where the system has
// it, else the screen's logical DPI).
UINT dpi_of(HWND hwnd) noexcept;

// Twips (1/1440 inch) to pixels at `dpi`, rounded to the nearest pixel: 15
// twips are one pixel at 96 DPI.
inline int twips_to_px(double twips, UINT dpi) noexcept {
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

// The pixel rectangle of a control whose position and size are in twips. The
// edges are rounded, not the size, so neighbours that touch in twips touch on
// screen.
RECT twips_rect(double left, double top, double width, double height, UINT dpi) noexcept;

// Window handles are sign-extended 32-bit values even in a 64-bit process.
inline dialog::WindowHandle to_handle(HWND hwnd) noexcept {
    return static_cast<dialog::WindowHandle>(reinterpret_cast<std::intptr_t>(hwnd));
}
inline HWND from_handle(dialog::WindowHandle handle) noexcept {
    return reinterpret_cast<HWND>(static_cast<std::intptr_t>(handle));
}

// 0x00BBGGRR is COLORREF already; the alias says which one a value is.
inline COLORREF to_colorref(std::int32_t color) noexcept { return static_cast<COLORREF>(color) & 0x00FFFFFFu; }

// The dialog font: the system's message font at the window's DPI, or
// DEFAULT_GUI_FONT when the system does not say.
UniqueHFont make_dialog_font(UINT dpi);

}  // namespace quill::win32
