#include "dialog/layout.h"

#include <stdexcept>

namespace quill::dialog::layout {

namespace {
using enum ControlType;
constexpr std::int32_t kPaleYellow = rgb(255, 255, 192);
constexpr std::int32_t kPeach = rgb(255, 224, 192);
constexpr std::int32_t kPink = rgb(255, 192, 255);

// The editor starts disabled: Check2 ("Use Comment Text") starts unticked and
// only Check2_Click switches the editor on.
constexpr LayoutRow kControls[] = {
    {.name = u"Check4", .type = CheckBox, .caption = u"Overwrite Image",
     .left = 1470, .top = 120, .width = 975, .height = 375, .tab_index = 19, .back_color = kPaleYellow},
    {.name = u"Check1", .type = CheckBox, .caption = u"Semi-transparent Image",
     .left = 2580, .top = 120, .width = 1545, .height = 375, .tab_index = 18, .value = 1, .back_color = kPaleYellow},
    {.name = u"Check3", .type = CheckBox, .caption = u"Overwrite Cmt Text",
     .left = 240, .top = 120, .width = 1095, .height = 375, .tab_index = 17, .back_color = kPeach},
    {.name = u"CommonDialog1", .type = CommonDialog, .left = 480, .top = 5040, .visible = false},
    {.name = u"Command3", .type = CommandButton, .caption = u"Insert Text Only",
     .left = 4320, .top = 540, .width = 1300, .height = 375, .tab_index = 12, .enabled = false,
     .back_color = kPeach, .tooltip = u"Insert Comment with Text in the Active Cell only.", .graphical = true},
    {.name = u"Frame1", .type = Frame, .caption = u"Comment",
     .left = 240, .top = 600, .width = 3855, .height = 3495, .tab_index = 4, .back_color = kPink},
    {.name = u"RichTextBox1", .type = RichTextBox, .container = u"Frame1",
     .left = 120, .top = 840, .width = 2340, .height = 2535, .tab_index = 16, .enabled = false,
     .back_color = kPeach, .tooltip = u"Toggle Double click to Zoom."},
    {.name = u"Orent", .index = 1, .type = OptionButton, .container = u"Frame1", .caption = u"Text",
     .left = 2640, .top = 360, .width = 1090, .height = 375, .tab_index = 10, .enabled = false,
     .back_color = kPeach, .graphical = true},
    {.name = u"Orent", .index = 4, .type = OptionButton, .container = u"Frame1",
     .left = 3360, .top = 705, .width = 375, .height = 900, .tab_index = 9, .enabled = false,
     .graphical = true, .picture = PictureId::TextDownward},
    {.name = u"Orent", .index = 3, .type = OptionButton, .container = u"Frame1",
     .left = 3000, .top = 705, .width = 375, .height = 900, .tab_index = 8, .enabled = false,
     .graphical = true, .picture = PictureId::TextUpward},
    {.name = u"Orent", .index = 2, .type = OptionButton, .container = u"Frame1",
     .left = 2640, .top = 705, .width = 375, .height = 900, .tab_index = 7, .enabled = false,
     .graphical = true, .picture = PictureId::TextStacked},
    {.name = u"Command6", .type = CommandButton, .container = u"Frame1", .caption = u"Font Name",
     .left = 2640, .top = 2040, .width = 1100, .height = 375, .tab_index = 13, .enabled = false,
     .back_color = rgb(192, 255, 192), .graphical = true},
    {.name = u"Command5", .type = CommandButton, .container = u"Frame1", .caption = u"Font Color",
     .left = 2640, .top = 1680, .width = 1100, .height = 375, .tab_index = 14, .enabled = false,
     .back_color = rgb(192, 255, 255), .graphical = true},
    {.name = u"Command4", .type = CommandButton, .container = u"Frame1", .caption = u"Get Text from Active Cell",
     .left = 2640, .top = 2400, .width = 1100, .height = 975, .tab_index = 15, .enabled = false,
     .back_color = rgb(255, 192, 192), .graphical = true},
    {.name = u"Check2", .type = CheckBox, .container = u"Frame1", .caption = u"Use Comment Text",
     .left = 120, .top = 240, .width = 2340, .height = 375, .tab_index = 5, .back_color = kPeach},
    {.name = u"Label2", .type = Label, .container = u"Frame1", .caption = u"Orientation",
     .left = 2760, .top = 150, .width = 795, .height = 165, .tab_index = 11},
    {.name = u"Label1", .type = Label, .container = u"Frame1", .caption = u"Comment Text",
     .left = 240, .top = 625, .width = 1215, .height = 255, .tab_index = 6},
    {.name = u"Command2", .type = CommandButton, .caption = u"Delete Comment",
     .left = 4320, .top = 960, .width = 1300, .height = 375, .tab_index = 3,
     .back_color = rgb(192, 64, 0), .tooltip = u"Delete comments from selected cells", .graphical = true},
    {.name = u"Command1", .type = CommandButton, .caption = u"About",
     .left = 4320, .top = 1800, .width = 1300, .height = 375, .tab_index = 2,
     .back_color = rgb(192, 255, 255), .graphical = true},
    {.name = u"CancelButton", .type = CommandButton, .caption = u"Close",
     .left = 4320, .top = 1380, .width = 1300, .height = 375, .tab_index = 1,
     .back_color = rgb(255, 128, 128), .tooltip = u"Close the form.", .graphical = true},
    {.name = u"OKButton", .type = CommandButton, .caption = u"Insert Image",
     .left = 4320, .top = 120, .width = 1300, .height = 375, .tab_index = 0,
     .back_color = kPaleYellow, .tooltip = u"Insert Images to selected cells", .graphical = true},
    {.name = u"Label3", .type = Label,
     .left = 240, .top = 4200, .width = 5415, .height = 255, .tab_index = 20, .fore_color = rgb(0, 0, 255)},
    {.name = u"Image1", .type = Image, .left = 4320, .top = 2520, .width = 1335, .height = 1215, .stretch = true},
};

constexpr FormLayout kForm{
    .name = u"frmAddIn",
    .caption = u"Insert Quillette",
    .back_color = kPink,
    .border = BorderStyle::FixedDialog,
    .min_button = false,
    .max_button = false,
    .client_width = 5790,
    .client_height = 4530,
    .left = 4830,
    .top = 2355,
    .icon = {PictureId::Icon16, PictureId::Icon32},
};
}  // namespace

const FormLayout& Form() { return kForm; }

std::span<const LayoutRow> Controls() { return kControls; }

const LayoutRow& Find(std::u16string_view name, std::int32_t index) {
    for (const auto& c : kControls)
        if (c.name == name && c.index == index) return c;
    throw std::out_of_range("frmAddIn has no such control");
}

}  // namespace quill::dialog::layout
