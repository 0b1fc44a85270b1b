// Font Color and Font Name over the portable editor and the scripted chooser.
#include "dialog/styling.h"

#include <gtest/gtest.h>

#include <functional>

#include "dialog/layout.h"
#include "platform/memory/chooser.h"
#include "platform/memory/rich_text.h"

namespace quill::dialog {
namespace {

constexpr std::int32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kFontFlags = 0x40103;
constexpr std::int32_t kAutomation = -2147417848;

struct Styling {
    // "abcdef"; when `mixed` its second half green, bold, Courier New 14;
    // then "bcde", straddling both halves, selected. The component holds
    // what an earlier run left in it.
    explicit Styling(bool mixed) {
        ed->Text(u"abcdef"), ed->SelStart(3), ed->SelLength(3);
        if (mixed) ed->SelColor(kGreen), ed->SelBold(true), ed->SelFontName(u"Courier New"), ed->SelFontSize(14);
        ed->SelStart(1), ed->SelLength(4), dlg.Color(kBlue), dlg.FontName(u"Wingdings");
    }
    std::vector<CharFont> formats() const {
        std::vector<CharFont> out;
        for (std::int32_t i = 0; i < static_cast<std::int32_t>(ed->Text().size()); ++i) out.push_back(ed->FormatAt(i));
        return out;
    }
    std::shared_ptr<memory::RichText> ed = memory::MakeRichText(layout::Find(u"RichTextBox1"));
    std::shared_ptr<memory::ScriptedChooser> chooser = std::make_shared<memory::ScriptedChooser>();
    CommonDialog dlg{layout::Find(u"CommonDialog1"), chooser};
};

TEST(Styling, WhatTheDialogShowsAndWhatOkCancelAndErrorsLeave) {
    using Kind = Outcome::Kind;
    using Answer = std::function<void(memory::ScriptedChooser&)>;
    const Answer red = [](auto& c) { c.color(kRed); }, cancel = [](auto& c) { c.cancel(); };
    const auto error = [](std::int32_t n) { return Answer([n](auto& c) { c.fail(n, u"x"); }); };
    FontBlanks mixed;  // the fields the mixed selection has no value for
    mixed.Name = mixed.Size = mixed.Bold = true;
    const struct {
        const char* name;
        bool font, mixed;
        Answer answer;
        Kind kind;
        std::function<void(CharFont&)> change;  // on "bcde"; none: every character as it was
        std::int32_t shown_color = 0;             // for the colour dialog
    } rows[] = {
        {"colour, uniform", false, false, red, Kind::Done, [](auto& f) { f.color = kRed; }},
        // Mixed: the dialog starts from its last colour; OK colours them all.
        {"colour, mixed", false, true, red, Kind::Done, [](auto& f) { f.color = kRed; }, kBlue},
        {"colour, cancel", false, true, cancel, Kind::Refused, nullptr, kBlue},
        {"colour, dialog error", false, true, error(7), Kind::Refused, nullptr, kBlue},
        // An automation error of the component is no cancel: its colour goes on.
        {"colour, automation error", false, true, error(kAutomation), Kind::Done, [](auto& f) { f.color = kBlue; }, kBlue},
        {"font, uniform", true, false, [](auto& c) { c.font({u"Times New Roman", 12.5f, true, true, true, true}); },
         Kind::Done, [](auto& f) { f = {u"Times New Roman", 12.5, true, true, true, host::xlUnderlineStyleSingle, 0}; }},
        // Mixed fields open blank; one left blank keeps each character's own.
        {"font, mixed", true, true, [](auto& c) { c.font({.size = 9.0f, .underline = true}); }, Kind::Done,
         [](auto& f) { f.size = 9.0, f.underline = host::xlUnderlineStyleSingle; }},
        {"font, mixed field set", true, true, [](auto& c) { c.font({.bold = false}); }, Kind::Done,
         [](auto& f) { f.bold = false; }},
        {"font, cancel", true, true, cancel, Kind::Refused, nullptr},
        {"font, automation error", true, true, error(kAutomation), Kind::Done, nullptr},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Styling s(r.mixed);
        auto want = s.formats();
        for (std::size_t i = 1; r.change && i <= 4; ++i) r.change(want[i]);
        r.answer(*s.chooser);
        const Outcome got = r.font ? FontName(*s.ed, s.dlg) : FontColor(*s.ed, s.dlg);
        EXPECT_EQ(std::tuple(got.kind, got.reason, got.error.has_value(), s.dlg.CancelError()),
                  std::tuple(r.kind, Refusal::Cancelled, false, r.kind == Kind::Done));
        EXPECT_EQ(s.formats(), want);
        const auto& requests = r.font ? s.chooser->font_requests : s.chooser->color_requests;
        ASSERT_EQ(requests.size(), 1u);
        const ChooserState& shown = requests[0];
        // Blanks are no flag bits.
        EXPECT_EQ(std::tuple(shown.CancelError, shown.Flags, shown.Color, shown.FontSize, shown.FontItalic),
                  std::tuple(true, r.font ? kFontFlags : 0, r.font ? kBlue : r.shown_color, r.font && !r.mixed ? 10.0f : 0.0f, false));
        EXPECT_EQ(shown.FontBlank, r.font && r.mixed ? mixed : FontBlanks{});
        EXPECT_EQ(shown.FontName, r.font && !r.mixed ? u"Arial" : u"Wingdings");
    }
}

}  // namespace
}  // namespace quill::dialog
