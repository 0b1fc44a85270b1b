#include "platform/win32/window_common.h"

#include "platform/win32/module.h"

namespace quill::win32 {

HINSTANCE window_instance() noexcept {
    HMODULE module = module_handle();
    return module ? module : GetModuleHandleW(nullptr);
}

UINT dpi_of(HWND hwnd) noexcept {
    // Looked up at run time: GetDpiForWindow arrived with Windows 10, and the
    // DLL must load in older Excel hosts too.
    using GetDpi = UINT(WINAPI*)(HWND);
    static const GetDpi get_dpi = [] {
        HMODULE user32 = GetModuleHandleW(L"user32.dll");
        return user32 ? reinterpret_cast<GetDpi>(reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")))
                      : nullptr;
    }();
    if (get_dpi && hwnd) {
        if (const UINT dpi = get_dpi(hwnd)) return dpi;
    }
    const WindowDc screen(nullptr);
    const int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

RECT twips_rect(double left, double top, double width, double height, UINT dpi) noexcept {
    return RECT{twips_to_px(left, dpi), twips_to_px(top, dpi), twips_to_px(left + width, dpi),
                twips_to_px(top + height, dpi)};
}

UniqueHFont make_dialog_font(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        LOGFONTW font = metrics.lfMessageFont;
        // The metrics are at the system DPI; the dialog may sit on another.
        const UINT system_dpi = dpi_of(nullptr);
        if (system_dpi != dpi) font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(system_dpi));
        if (HFONT made = CreateFontIndirectW(&font)) return UniqueHFont(made);
    }
    LOGFONTW stock{};
    if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof stock, &stock)) {
        if (HFONT made = CreateFontIndirectW(&stock)) return UniqueHFont(made);
    }
    return nullptr;
}

}  // namespace quill::win32
