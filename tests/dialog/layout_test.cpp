#include "dialog/layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ports/host_error.h"

namespace quill::dialog {
namespace {

// The properties the dialog's behaviour rests on, not the table's values:
// every control is reachable on screen, the tab order runs without gaps in
// the order the user expects, and Orent is the one array, indexed 1..4.
TEST(Layout, ControlsFitTabInOrderAndOrentIsOneArray) {
    const FormLayout& form = layout::Form();
    std::vector<const LayoutRow*> tabbed;
    std::vector<std::int32_t> orent;
    for (const LayoutRow& c : layout::Controls()) {
        SCOPED_TRACE(to_utf8(std::u16string(c.name)) + std::to_string(c.index));
        if (c.tab_index >= 0) tabbed.push_back(&c);
        if (c.index) {
            orent.push_back(c.index);
            EXPECT_EQ(std::tuple(c.name, c.container), std::tuple(u"Orent", u"Frame1"));
        }
        if (!c.visible) continue;  // a component with no window: only its design position
        const bool framed = !c.container.empty();
        const float width = framed ? layout::Find(c.container).width : form.client_width;
        const float height = framed ? layout::Find(c.container).height : form.client_height;
        EXPECT_GE(std::min(c.left, c.top), 0);
        EXPECT_GT(std::min(c.width, c.height), 0);
        EXPECT_LE(c.left + c.width, width);
        EXPECT_LE(c.top + c.height, height);
    }
    std::sort(tabbed.begin(), tabbed.end(), [](auto* a, auto* b) { return a->tab_index < b->tab_index; });
    for (std::size_t i = 0; i < tabbed.size(); ++i)
        EXPECT_EQ(tabbed[i]->tab_index, static_cast<std::int32_t>(i)) << "indexes run 0, 1, 2... without gaps";
    std::sort(orent.begin(), orent.end());
    EXPECT_EQ(orent, (std::vector<std::int32_t>{1, 2, 3, 4}));
    EXPECT_THROW(layout::Find(u"Orent", 0), std::out_of_range);
}

}  // namespace
}  // namespace quill::dialog
