#include "dialog/layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "host/host_error.h"

namespace quill::dialog {
namespace {

std::string label(const LayoutRow& c) {
    std::string s = to_utf8(std::u16string(c.name));
    if (c.index) s += "(" + std::to_string(c.index) + ")";
    return s;
}

TEST(Layout, EveryControlLiesInsideItsContainer) {
    const FormLayout& form = layout::Form();
    for (const LayoutRow& c : layout::Controls()) {
        SCOPED_TRACE(label(c));
        if (!c.visible) continue;  // a component with no window: only its design position
        float width = form.client_width, height = form.client_height;
        if (!c.container.empty()) {
            const LayoutRow& parent = layout::Find(c.container);
            EXPECT_EQ(parent.type, ControlType::Frame);
            EXPECT_TRUE(parent.container.empty()) << "frames sit on the form";
            width = parent.width;
            height = parent.height;
        }
        EXPECT_GE(c.left, 0);
        EXPECT_GE(c.top, 0);
        EXPECT_GT(c.width, 0);
        EXPECT_GT(c.height, 0);
        EXPECT_LE(c.left + c.width, width);
        EXPECT_LE(c.top + c.height, height);
    }
}

TEST(Layout, TabOrderFollowsTheTabIndexes) {
    const std::vector<std::string> expected = {
        "OKButton", "CancelButton", "Command1", "Command2", "Frame1",   "Check2",       "Label1",
        "Orent(2)", "Orent(3)",     "Orent(4)", "Orent(1)", "Label2",   "Command3",     "Command6",
        "Command5", "Command4",     "RichTextBox1", "Check3", "Check1", "Check4",       "Label3"};
    std::vector<const LayoutRow*> tabbed;
    for (const LayoutRow& c : layout::Controls())
        if (c.tab_index >= 0) tabbed.push_back(&c);
    std::sort(tabbed.begin(), tabbed.end(), [](auto* a, auto* b) { return a->tab_index < b->tab_index; });
    std::vector<std::string> order;
    for (std::size_t i = 0; i < tabbed.size(); ++i) {
        EXPECT_EQ(tabbed[i]->tab_index, static_cast<std::int32_t>(i)) << "indexes run 0, 1, 2... without gaps";
        order.push_back(label(*tabbed[i]));
    }
    EXPECT_EQ(order, expected);
}

TEST(Layout, NamesAreUniqueAndOrentIsOneArrayFromOneToFour) {
    std::set<std::string> seen;
    std::vector<std::int32_t> orent;
    for (const LayoutRow& c : layout::Controls()) {
        EXPECT_TRUE(seen.insert(label(c)).second) << label(c);
        if (c.index != 0) {
            EXPECT_EQ(c.name, u"Orent") << "the form's only control array";
            EXPECT_EQ(c.type, ControlType::OptionButton);
            EXPECT_EQ(c.container, u"Frame1");
            orent.push_back(c.index);
        }
    }
    std::sort(orent.begin(), orent.end());
    EXPECT_EQ(orent, (std::vector<std::int32_t>{1, 2, 3, 4}));
    EXPECT_THROW(layout::Find(u"Orent", 0), std::out_of_range);
}

TEST(Layout, ButtonsArePushButtonsAndStatesFitTheirType) {
    for (const LayoutRow& c : layout::Controls()) {
        SCOPED_TRACE(label(c));
        const bool option = c.type == ControlType::OptionButton;
        if (c.type == ControlType::CommandButton || option) {
            EXPECT_TRUE(c.graphical);
        }
        if (option) {
            // Only Orent(1) shows a caption; the other orientation buttons show a picture instead.
            EXPECT_NE(c.caption.empty(), c.picture == PictureId::None);
            EXPECT_EQ(c.value, 0) << "loading selects one, not the layout";
        }
        if (c.type == ControlType::CheckBox) {
            EXPECT_TRUE(c.value == 0 || c.value == 1);
        }
        for (auto colour : {c.back_color, c.fore_color}) {
            if (colour) {
                EXPECT_EQ(*colour & ~0xFFFFFF, 0) << "0x00BBGGRR";
            }
        }
    }
}

}  // namespace
}  // namespace quill::dialog
