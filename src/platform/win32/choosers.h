#pragma once
// The chooser port on Windows: ChooseColorW and ChooseFontW, modal to the
// dialog's window.
//
// The component's Flags are the dialogs' own option bits (its font flags are
// the CF_* values); bits that would need data the component has none for
// (hooks, templates, help, a printer DC) are dropped. The colour dialog always
// starts from Color (CC_RGBINIT). The font dialog starts from the Font*
// values; a font name or size without a value (empty, 0) opens with no face
// or no size selected (CF_NOFACESEL, CF_NOSIZESEL). The Booleans always carry
// a value, so CF_NOSTYLESEL has nothing to come from and is never set.
// A cancel returns false; a dialog that fails to open throws HostError.
#include <windows.h>

#include <functional>

#include "dialog/common_dialog.h"

namespace quill::win32 {

// The CF_* bits ChooseFontW is given for the component's state.
DWORD font_dialog_flags(const dialog::ChooserState& state) noexcept;
// The CC_* bits ChooseColorW is given for the component's state.
DWORD color_dialog_flags(const dialog::ChooserState& state) noexcept;

class Win32Chooser final : public dialog::ChooserPort {
public:
    // `owner` gives the window the dialogs belong to (null: none).
    explicit Win32Chooser(std::function<HWND()> owner = {}) : owner_(std::move(owner)) {}
    bool ChooseColor(dialog::ChooserState& state) override;
    bool ChooseFont(dialog::ChooserState& state) override;

private:
    std::function<HWND()> owner_;
    COLORREF custom_[16] = {};  // the dialog's custom colours, kept between uses
};

}  // namespace quill::win32
