#include "platform/win32/choosers.h"

#include <commdlg.h>
// The port's members share the names commdlg.h turns into macros.
#undef ChooseColor
#undef ChooseFont

#include <cmath>

#include "host/host_error.h"
#include "platform/win32/errors.h"
#include "platform/win32/window_common.h"

namespace quill::win32 {

namespace {

HWND owner_of(const std::function<HWND()>& owner) {
    HWND hwnd = owner ? owner() : nullptr;
    // A dialog belongs to a top-level window; the form may be a child of the
    // host's main window.
    return hwnd ? GetAncestor(hwnd, GA_ROOT) : nullptr;
}

[[noreturn]] void dialog_failed(const char16_t* which) {
    throw HostError(static_cast<std::int32_t>(E_FAIL),
                    std::u16string(u"The ") + which + u" dialog cannot be shown (error " +
                        quill::to_u16(std::to_string(CommDlgExtendedError())) + u").");
}

}  // namespace

DWORD color_dialog_flags(const dialog::ChooserState& state) noexcept {
    constexpr DWORD usable = CC_RGBINIT | CC_FULLOPEN | CC_PREVENTFULLOPEN | CC_SOLIDCOLOR | CC_ANYCOLOR;
    return (static_cast<DWORD>(state.Flags) & usable) | CC_RGBINIT;
}

DWORD font_dialog_flags(const dialog::ChooserState& state) noexcept {
    // No printer DC to offer printer fonts from: screen fonts stand in.
    constexpr DWORD usable = CF_SCREENFONTS | CF_PRINTERFONTS | CF_USESTYLE | CF_EFFECTS | CF_ANSIONLY |
                             CF_NOVECTORFONTS | CF_NOSIMULATIONS | CF_LIMITSIZE | CF_FIXEDPITCHONLY | CF_WYSIWYG |
                             CF_FORCEFONTEXIST | CF_SCALABLEONLY | CF_TTONLY | CF_NOFACESEL | CF_NOSTYLESEL |
                             CF_NOSIZESEL | CF_SELECTSCRIPT | CF_NOSCRIPTSEL | CF_NOVERTFONTS;
    DWORD flags = static_cast<DWORD>(state.Flags) & usable & ~static_cast<DWORD>(CF_PRINTERFONTS | CF_WYSIWYG | CF_USESTYLE);
    flags |= CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
    // A field the selection holds no single value for opens without one.
    if (state.FontName.empty() || state.FontBlank.Name) flags |= CF_NOFACESEL;
    if (!(state.FontSize > 0) || state.FontBlank.Size) flags |= CF_NOSIZESEL;
    if (state.FontBlank.Bold || state.FontBlank.Italic) flags |= CF_NOSTYLESEL;
    return flags;
}

bool Win32Chooser::ChooseColor(dialog::ChooserState& state) {
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = owner_of(owner_);
    cc.rgbResult = to_colorref(state.Color);
    cc.lpCustColors = custom_;
    cc.Flags = color_dialog_flags(state);
    if (!::ChooseColorW(&cc)) {
        if (CommDlgExtendedError() != 0) dialog_failed(u"colour");
        return false;
    }
    state.Color = static_cast<std::int32_t>(cc.rgbResult & 0x00FFFFFFu);
    return true;
}

bool Win32Chooser::ChooseFont(dialog::ChooserState& state) {
    HWND owner = owner_of(owner_);
    // ChooseFont turns lfHeight into points with the screen's LOGPIXELSY,
    // not with the owner window's DPI, which differs on a monitor of its own
    // scale: the same DPI both ways keeps 10 points at 10.
    const UINT dpi = dpi_of(nullptr);
    LOGFONTW font{};
    const std::wstring name = to_wide(state.FontName);
    lstrcpynW(font.lfFaceName, name.c_str(), LF_FACESIZE);
    if (state.FontSize > 0) font.lfHeight = -static_cast<LONG>(std::lround(state.FontSize * static_cast<float>(dpi) / 72.0f));
    font.lfWeight = state.FontBold ? FW_BOLD : FW_NORMAL;
    font.lfItalic = state.FontItalic ? TRUE : FALSE;
    font.lfUnderline = state.FontUnderline ? TRUE : FALSE;
    font.lfStrikeOut = state.FontStrikethru ? TRUE : FALSE;
    font.lfCharSet = DEFAULT_CHARSET;

    CHOOSEFONTW cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = owner;
    cf.lpLogFont = &font;
    cf.Flags = font_dialog_flags(state);
    cf.rgbColors = 0;  // the colour offered with the effects is not the component's to give
    if (!::ChooseFontW(&cf)) {
        if (CommDlgExtendedError() != 0) dialog_failed(u"font");
        return false;
    }
    // On return the CF_NO*SEL bits say which fields the user still left
    // without a value; those keep their blank mark.
    auto& blank = state.FontBlank;
    blank.Name = (cf.Flags & CF_NOFACESEL) != 0 && font.lfFaceName[0] == 0;
    blank.Size = (cf.Flags & CF_NOSIZESEL) != 0 && cf.iPointSize <= 0;
    const bool style_left = (cf.Flags & CF_NOSTYLESEL) != 0;
    blank.Bold = blank.Bold && style_left;
    blank.Italic = blank.Italic && style_left;
    if (!blank.Name) state.FontName = to_u16(font.lfFaceName);
    if (cf.iPointSize > 0) {
        state.FontSize = static_cast<float>(cf.iPointSize) / 10.0f;
    } else if (!blank.Size) {
        state.FontSize = 0;  // no size chosen
    }
    if (!blank.Bold) state.FontBold = font.lfWeight >= FW_SEMIBOLD;
    if (!blank.Italic) state.FontItalic = font.lfItalic != 0;
    // The effects boxes have no "no value" state: a blank one the user left
    // unticked stays blank, a tick is the user's choice.
    state.FontUnderline = font.lfUnderline != 0;
    state.FontStrikethru = font.lfStrikeOut != 0;
    blank.Underline = blank.Underline && !state.FontUnderline;
    blank.Strikethru = blank.Strikethru && !state.FontStrikethru;
    return true;
}

}  // namespace quill::win32
