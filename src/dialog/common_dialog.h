#pragma once
// The common dialog component CommonDialog1 and the chooser port behind it.
//
// The component's state (CancelError, Color, Flags and the Font* values) is
// the same on every platform and lives here; the port only shows the
// platform's colour or font dialog for that state. ShowColor and ShowFont
// raise the component's cancel error (32755, "Cancel was selected.") when the
// user cancels while CancelError is true, and return normally otherwise.
#include <cstdint>
#include <memory>
#include <string>

#include "dialog/controls.h"

namespace quill::dialog {

// Font fields without a value: the ones the font dialog is to show with no
// initial selection (the editor's selection mixes them), and after OK the
// ones the user left so. They are inputs of their own, not Flags bits: Flags
// stays what the caller set.
struct FontBlanks {
    bool Name = false, Size = false, Bold = false, Italic = false, Strikethru = false, Underline = false;
    bool operator==(const FontBlanks&) const = default;
};

struct ChooserState {
    bool CancelError = false;
    std::int32_t Color = 0;  // 0x00BBGGRR
    std::int32_t Flags = 0;  // the component starts with no option bits
    std::u16string FontName;
    float FontSize = 0;
    bool FontBold = false;
    bool FontItalic = false;
    bool FontStrikethru = false;
    bool FontUnderline = false;
    FontBlanks FontBlank;
};

class ChooserPort {
public:
    virtual ~ChooserPort() = default;
    // Modal. Start from `state` (Color, or the Font* values with the fields
    // of FontBlank shown without a value; Flags as given). On OK write the
    // choice into it and return true: the colour chosen, or every font field
    // the user set, each clearing its FontBlank entry, while a field still
    // without a value keeps its entry set. On cancel return false; what the
    // port left in `state` then is discarded. May throw HostError when no
    // dialog can be shown.
    virtual bool ChooseColor(ChooserState& state) = 0;
    virtual bool ChooseFont(ChooserState& state) = 0;
};

class CommonDialog final : public Control {
public:
    CommonDialog(const LayoutRow& layout_row, std::shared_ptr<ChooserPort> port);
    void Reset() override;

    bool CancelError() const { return state_.CancelError; }
    void CancelError(bool on) { state_.CancelError = on; }
    std::int32_t Color() const { return state_.Color; }
    void Color(std::int32_t value) { state_.Color = value; }
    std::int32_t Flags() const { return state_.Flags; }
    void Flags(std::int32_t value) { state_.Flags = value; }
    const std::u16string& FontName() const { return state_.FontName; }
    void FontName(std::u16string value) { state_.FontName = std::move(value); }
    float FontSize() const { return state_.FontSize; }
    void FontSize(float points) { state_.FontSize = points; }
    bool FontBold() const { return state_.FontBold; }
    void FontBold(bool on) { state_.FontBold = on; }
    bool FontItalic() const { return state_.FontItalic; }
    void FontItalic(bool on) { state_.FontItalic = on; }
    bool FontStrikethru() const { return state_.FontStrikethru; }
    void FontStrikethru(bool on) { state_.FontStrikethru = on; }
    bool FontUnderline() const { return state_.FontUnderline; }
    void FontUnderline(bool on) { state_.FontUnderline = on; }
    // Not a property of the platform's component: the font fields shown, and
    // after OK left, without a value (see FontBlanks).
    const FontBlanks& FontBlank() const { return state_.FontBlank; }
    void FontBlank(const FontBlanks& blanks) { state_.FontBlank = blanks; }

    // Modal. On OK the component holds the choice; on cancel it is as it was,
    // and the cancel error is raised when CancelError is true.
    void ShowColor();
    void ShowFont();

private:
    std::shared_ptr<ChooserPort> port_;
    ChooserState state_;
};

}  // namespace quill::dialog
