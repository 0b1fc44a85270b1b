#include <gtest/gtest.h>

#include "host/host_error.h"
#include "platform/memory/workbook.h"

namespace quill::memory {
namespace {

struct Sink final : host::CommandBarButtonEvents {
    int clicks = 0;
    bool cancel = false;
    std::u16string seen_caption;
    void Click(const std::shared_ptr<host::CommandBarControl>& ctrl, bool& cancel_default) override {
        ++clicks;
        seen_caption = ctrl->Caption();
        if (cancel) cancel_default = true;
    }
};

std::shared_ptr<host::CommandBarControls> insert_menu(host::Application& app) {
    return app.CommandBars()->Item(u"worksheet Menu Bar")->Controls()->Item(u"Insert")->Controls();
}

TEST(CommandBars, AddCaptionClickAndDeleteAButton) {
    auto xl = Excel::Create();
    auto app = xl->application();
    auto menu = insert_menu(*app);
    const auto before = menu->Count();

    auto button = menu->Add(host::msoControlButton);
    button->Caption(u"Insert Quillette");
    EXPECT_EQ(button->Caption(), u"Insert Quillette");
    EXPECT_EQ(menu->Count(), before + 1);
    auto model = xl->menu(u"Insert")->controls.back();
    EXPECT_EQ(model->caption, u"Insert Quillette");

    auto a = std::make_shared<Sink>(), b = std::make_shared<Sink>();
    b->cancel = true;
    const auto ca = button->Advise(a);
    EXPECT_FALSE(xl->click(model));  // CancelDefault starts false
    const auto cb = button->Advise(b);
    EXPECT_NE(ca, cb);
    EXPECT_TRUE(xl->click(model));
    EXPECT_EQ(a->clicks, 2);
    EXPECT_EQ(b->clicks, 1);
    EXPECT_EQ(a->seen_caption, u"Insert Quillette");
    button->Unadvise(ca);
    button->Unadvise(9999);  // unknown cookies are ignored
    xl->click(model);
    EXPECT_EQ(a->clicks, 2);

    button->Delete();
    EXPECT_EQ(menu->Count(), before);
    EXPECT_EQ(xl->menu(u"Insert")->find(u"Insert Quillette"), nullptr);
    EXPECT_THROW(button->Caption(), HostError);
    EXPECT_THROW(button->Delete(), HostError);
    EXPECT_THROW(xl->click(model), std::invalid_argument);
}

TEST(CommandBars, LookupsFailLikeTheHost) {
    struct Row {
        const char* what;
        CommandBarOptions options;
        bool insert_found;
    } rows[] = {{"default", {}, true}, {"no Insert menu", {false, std::nullopt}, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto xl = Excel::Create(r.options);
        auto bars = xl->application()->CommandBars();
        EXPECT_THROW(bars->Item(u"No Such Bar"), HostError);
        auto controls = bars->Item(u"WORKSHEET MENU BAR")->Controls();
        if (r.insert_found) {
            EXPECT_EQ(controls->Item(u"insert")->Caption(), u"&Insert");
        } else {
            EXPECT_THROW(controls->Item(u"Insert"), HostError);
        }
        auto file = controls->Item(u"File");
        auto leaf = file->Controls()->Add(host::msoControlButton);
        try {
            leaf->Controls();  // a button has no children
            ADD_FAILURE();
        } catch (const HostError& e) {
            EXPECT_EQ(e.number(), 438);
        }
        EXPECT_THROW(file->Advise(std::make_shared<Sink>()), HostError);  // a popup is no button
        EXPECT_THROW(file->Controls()->Add(99), HostError);
    }
}

// Office raises Click on every button that shares the clicked one's Tag; all
// Tag-less custom buttons share one; a built-in button is only itself.
TEST(CommandBars, ClicksGoToEveryButtonOfTheSameTag) {
    struct Row {
        const char16_t* old_tag;
        const char16_t* fresh_tag;
        int clicks_from_old;
    };
    for (const Row& row : {Row{u"", u"", 1}, Row{u"A", u"A", 1}, Row{u"A", u"B", 0}, Row{u"", u"B", 0}}) {
        SCOPED_TRACE(testing::Message() << (row.old_tag[0] ? "A" : "-") << (row.fresh_tag[0] ? "A/B" : "-"));
        auto xl = Excel::Create(CommandBarOptions{true, u"Insert Quillette", row.old_tag});
        auto menu = insert_menu(*xl->application());
        auto old = xl->menu(u"Insert")->find(u"Insert Quillette");
        auto fresh = menu->Add(host::msoControlButton);
        fresh->Tag(row.fresh_tag);
        auto sink = std::make_shared<Sink>();
        fresh->Advise(sink);
        xl->click(old);
        EXPECT_EQ(sink->clicks, row.clicks_from_old);
        xl->click(xl->menu(u"Insert")->find(u"Co&mment"));
        EXPECT_EQ(sink->clicks, row.clicks_from_old);
        xl->click(xl->menu(u"Insert")->controls.back());
        EXPECT_EQ(sink->clicks, row.clicks_from_old + 1);
    }
}

}  // namespace
}  // namespace quill::memory
