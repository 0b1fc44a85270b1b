#pragma once
// The editor contract: what every RichTextEditor presents, whatever control
// it wraps. A test program includes this header in exactly one .cpp and
// instantiates the suite with its own factory:
//
//   using quill::testing::EditorContract;
//   INSTANTIATE_TEST_SUITE_P(Portable, EditorContract,
//       ::testing::Values(quill::testing::EditorCase{"RichText", make, fire}),
//       quill::testing::EditorCaseName);
//
// Only the port's guarantees are checked here; choices an implementation
// makes where the port is silent (clamping, the default font) belong in its
// own tests.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <memory>
#include <string>

#include "ports/editor.h"
#include "ports/host_error.h"

namespace quill::testing {

struct EditorCase {
    std::string name;
    std::function<std::unique_ptr<dialog::RichTextEditor>()> make;
    // Makes the editor raise its double-click event as a user would.
    std::function<void(dialog::RichTextEditor&)> double_click;
};

inline void PrintTo(const EditorCase& c, std::ostream* os) { *os << c.name; }

inline std::string EditorCaseName(const ::testing::TestParamInfo<EditorCase>& info) { return info.param.name; }

class EditorContract : public ::testing::TestWithParam<EditorCase> {
protected:
    void SetUp() override {
        editor_ = GetParam().make();
        ASSERT_NE(editor_, nullptr);
    }
    dialog::RichTextEditor& ed() { return *editor_; }
    void select(std::int32_t start, std::int32_t length) { ed().SelStart(start), ed().SelLength(length); }

private:
    std::unique_ptr<dialog::RichTextEditor> editor_;
};

// A line break takes two positions; a selection past the end is empty; a
// negative one is refused. Text is text, whatever it starts with: a cell or
// a user name may read like RTF.
TEST_P(EditorContract, PositionsSelectionsAndPlainText) {
    ed().Text(u"ab\r\ncd");
    const struct {
        std::int32_t start, length;
        std::u16string text;
    } rows[] = {{0, 2, u"ab"}, {2, 2, u"\r\n"}, {4, 1, u"c"}, {1, 4, u"b\r\nc"}, {0, 6, u"ab\r\ncd"}, {6, 1, u""}};
    for (const auto& r : rows) {
        select(r.start, r.length);
        const bool past_end = r.text.empty();  // how it clamps there is the implementation's
        EXPECT_EQ(std::tuple(ed().SelText(), past_end || ed().SelStart() == r.start, past_end || ed().SelLength() == r.length),
                  std::tuple(r.text, true, true)) << r.start;
    }
    for (auto set : {+[](dialog::RichTextEditor& e) { e.SelStart(-1); }, +[](dialog::RichTextEditor& e) { e.SelLength(-1); }}) {
        try {
            set(ed()), ADD_FAILURE() << "no error";
        } catch (const HostError& e) {
            EXPECT_EQ(std::tuple(e.number(), e.description()), std::tuple(380, u"Invalid property value"));
        }
    }
    for (const std::u16string rtf : {u"{\\rtf1\\ansi {\\b bold}}", u"{\\urtf1 x}"}) {
        ed().Text(rtf);
        const std::u16string set = ed().Text();
        ed().Text(u""), ed().TypeText(rtf);
        EXPECT_EQ(std::tuple(set, ed().Text()), std::tuple(rtf, rtf));
    }
}

// Set on "bcd" of "abcdef": every selected character takes each attribute,
// and a selection straddling the edge reads as mixed (no value). New text
// drops every format. The insertion point reports, and gives to typed text,
// the format set on it; also in an empty editor.
TEST_P(EditorContract, AttributesMixedValuesAndTheInsertionPoint) {
    ed().Text(u"abcdef"), select(1, 3);
    ed().SelFontName(u"Courier New"), ed().SelFontSize(14), ed().SelColor(0x0000FF), ed().SelBold(true);
    ed().SelItalic(true), ed().SelUnderline(true), ed().SelStrikeThru(true);
    for (std::int32_t p = 0; p < 6; ++p) {
        const bool in = p >= 1 && p < 4;
        select(p, 1);
        EXPECT_EQ(std::tuple(ed().SelFontName() == u"Courier New", ed().SelFontSize() == 14.0f, ed().SelColor() == 0x0000FF,
                             ed().SelBold(), ed().SelItalic(), ed().SelUnderline(), ed().SelStrikeThru()),
                  std::tuple(in, in, in, in, in, in, in)) << p;
    }
    select(0, 6), ed().SelItalic(false), select(0, 2);  // "a" plain, "b" bold red
    EXPECT_EQ(std::tuple(ed().SelBold().has_value(), ed().SelColor().has_value(), ed().SelItalic()), std::tuple(false, false, false));
    ed().Text(u"xy\r\nw"), select(0, 5);
    EXPECT_EQ(std::tuple(ed().SelBold(), ed().SelColor().has_value()), std::tuple(false, true));
    for (const std::u16string text : {u"ab", u""}) {
        ed().Text(text), select(static_cast<std::int32_t>(text.size()) / 2, 0);
        ed().SelColor(0x00FF00), ed().SelItalic(true);
        EXPECT_EQ(ed().SelColor(), 0x00FF00);
        ed().TypeText(u"XY");
        EXPECT_EQ(std::tuple(ed().Text(), ed().SelStart(), ed().SelLength()),
                  std::tuple(text.empty() ? u"XY" : u"aXYb", static_cast<std::int32_t>(text.size()) / 2 + 2, 0));
        for (std::int32_t p = 0; p < static_cast<std::int32_t>(ed().Text().size()); ++p) {
            select(p, 1);
            EXPECT_EQ(ed().SelItalic(), text.empty() || p == 1 || p == 2) << p;
        }
    }
}

// Geometry shows in the window tests, where it is drawn.
TEST_P(EditorContract, StateAndDoubleClick) {
    for (bool on : {false, true}) {
        ed().Enabled(on), ed().HideSelection(on);
        EXPECT_EQ(std::tuple(ed().Enabled(), ed().HideSelection()), std::tuple(on, on));
    }
    if (!GetParam().double_click) GTEST_SKIP() << "this editor cannot be double-clicked from a test";
    int clicks = 0;
    ed().OnDblClick([&] { ++clicks; });
    GetParam().double_click(ed());
    EXPECT_EQ(clicks, 1);
}

}  // namespace quill::testing
