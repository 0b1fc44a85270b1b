#pragma once
// The one table the dialog is built from: every control of frmAddIn with its
// layout-time state, and the form's own properties. The control model
// (controls.h) starts from it and returns to it on Unload; a platform window
// renders it. Positions and sizes are twips relative to the container's
// client area; colours are 0x00BBGGRR.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace quill::dialog {

constexpr std::int32_t rgb(std::int32_t r, std::int32_t g, std::int32_t b) { return r | (g << 8) | (b << 16); }

enum class ControlType { CheckBox, OptionButton, CommandButton, Frame, Label, Image, RichTextBox, CommonDialog };

// Pictures the form carries with it (drawn in pictures.cpp).
enum class PictureId { None, TextStacked, TextUpward, TextDownward, Icon16, Icon32 };

struct LayoutRow {
    std::u16string_view name{};
    std::int32_t index = 0;  // element of a control array (1-based); 0 for a plain control
    ControlType type{};
    std::u16string_view container{};  // empty: the form's client area
    std::u16string_view caption{};
    float left = 0, top = 0, width = 0, height = 0;
    std::int32_t tab_index = -1;  // -1: takes no part in the tab order
    bool enabled = true;
    std::int32_t value = 0;  // check box 0/1; option button 1 when selected
    std::optional<std::int32_t> back_color{};  // text colour for Label3; none: the platform's standard
    std::optional<std::int32_t> fore_color{};
    std::u16string_view tooltip{};
    bool graphical = false;  // push-button style: the background colour or picture shows
    PictureId picture = PictureId::None;
    bool stretch = false;  // an image stretches its picture to its own size
    bool visible = true;   // at run time; the common dialog component is never visible
};

enum class BorderStyle { FixedDialog };

struct FormLayout {
    std::u16string_view name;
    std::u16string_view caption;
    std::int32_t back_color;
    BorderStyle border;
    bool min_button, max_button;
    float client_width, client_height;  // twips
    float left, top;                    // design position of the client area, twips
    std::array<PictureId, 2> icon;      // 16x16 and 32x32, 16 colours each
};

namespace layout {
const FormLayout& Form();
// In the order in which the form holds them.
std::span<const LayoutRow> Controls();
// The row of a control; throws std::out_of_range for a name not in the table.
const LayoutRow& Find(std::u16string_view name, std::int32_t index = 0);
}  // namespace layout

}  // namespace quill::dialog
