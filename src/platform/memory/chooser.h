#pragma once
// The colour and font dialogs of the portable build: they answer from a
// script, first in first out, and remember the state each one was shown
// with. With the script used up they answer as a user who cancels.
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "dialog/common_dialog.h"

namespace quill::memory {

// What the user sets in the font dialog; a field not given is left as the
// dialog showed it (a field shown without a value stays without one).
struct FontPick {
    std::optional<std::u16string> name = std::nullopt;
    std::optional<float> size = std::nullopt;
    std::optional<bool> bold = std::nullopt, italic = std::nullopt, strikethru = std::nullopt,
                        underline = std::nullopt;
};

class ScriptedChooser final : public dialog::ChooserPort {
public:
    bool ChooseColor(dialog::ChooserState& state) override;
    bool ChooseFont(dialog::ChooserState& state) override;

    // OK with the colour given, or with what the dialog showed.
    ScriptedChooser& color(std::int32_t bgr);
    // OK in the font dialog after setting the fields given.
    ScriptedChooser& font(FontPick pick);
    // OK without changing anything, in either dialog.
    ScriptedChooser& ok();
    ScriptedChooser& cancel();
    // The dialog cannot be shown: it raises this error instead.
    ScriptedChooser& fail(std::int32_t number, std::u16string description);

    struct Answer {
        enum class Kind { OK, Cancel, Fail } kind = Kind::OK;
        std::optional<std::int32_t> color;
        FontPick font;
        std::int32_t number = 0;
        std::u16string description;
    };
    std::deque<Answer> answers;
    // The state each dialog was shown with, in order.
    std::vector<dialog::ChooserState> color_requests, font_requests;

private:
    Answer next();
};

}  // namespace quill::memory
