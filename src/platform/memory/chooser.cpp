#include "platform/memory/chooser.h"

#include "ports/host_error.h"

namespace quill::memory {

namespace {
using Kind = ScriptedChooser::Answer::Kind;
ScriptedChooser::Answer answer(Kind kind) {
    ScriptedChooser::Answer a;
    a.kind = kind;
    return a;
}
}  // namespace

ScriptedChooser::Answer ScriptedChooser::next() {
    if (answers.empty()) return answer(Kind::Cancel);
    Answer a = std::move(answers.front());
    answers.pop_front();
    if (a.kind == Answer::Kind::Fail) throw HostError(a.number, a.description);
    return a;
}

bool ScriptedChooser::ChooseColor(dialog::ChooserState& state) {
    color_requests.push_back(state);
    const Answer a = next();
    if (a.kind != Answer::Kind::OK) return false;
    if (a.color) state.Color = *a.color;
    return true;
}

bool ScriptedChooser::ChooseFont(dialog::ChooserState& state) {
    font_requests.push_back(state);
    const Answer a = next();
    if (a.kind != Answer::Kind::OK) return false;
    const FontPick& p = a.font;
    dialog::FontBlanks& blank = state.FontBlank;
    if (p.name) state.FontName = *p.name, blank.Name = false;
    if (p.size) state.FontSize = *p.size, blank.Size = false;
    if (p.bold) state.FontBold = *p.bold, blank.Bold = false;
    if (p.italic) state.FontItalic = *p.italic, blank.Italic = false;
    if (p.strikethru) state.FontStrikethru = *p.strikethru, blank.Strikethru = false;
    if (p.underline) state.FontUnderline = *p.underline, blank.Underline = false;
    return true;
}

ScriptedChooser& ScriptedChooser::color(std::int32_t bgr) {
    Answer a = answer(Kind::OK);
    a.color = bgr;
    answers.push_back(std::move(a));
    return *this;
}

ScriptedChooser& ScriptedChooser::font(FontPick pick) {
    Answer a = answer(Kind::OK);
    a.font = std::move(pick);
    answers.push_back(std::move(a));
    return *this;
}

ScriptedChooser& ScriptedChooser::ok() {
    answers.push_back(answer(Kind::OK));
    return *this;
}

ScriptedChooser& ScriptedChooser::cancel() {
    answers.push_back(answer(Kind::Cancel));
    return *this;
}

ScriptedChooser& ScriptedChooser::fail(std::int32_t number, std::u16string description) {
    Answer a = answer(Kind::Fail);
    a.number = number;
    a.description = std::move(description);
    answers.push_back(std::move(a));
    return *this;
}

}  // namespace quill::memory
