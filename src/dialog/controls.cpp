#include "dialog/controls.h"

#include "dialog/common_dialog.h"
#include "dialog/pictures.h"
#include "ports/host_error.h"

namespace quill::dialog {

namespace {
HostError invalid_value() { return HostError(380, u"Invalid property value"); }
}  // namespace

Control::Control(const LayoutRow& layout_row) : layout_row_(&layout_row) { Control::Reset(); }

void Control::Reset() {
    caption_ = std::u16string(layout_row_->caption);
    tooltip_ = std::u16string(layout_row_->tooltip);
    enabled_ = layout_row_->enabled;
    visible_ = layout_row_->visible;
    left_ = layout_row_->left;
    top_ = layout_row_->top;
    width_ = layout_row_->width;
    height_ = layout_row_->height;
    back_color_ = layout_row_->back_color;
    fore_color_ = layout_row_->fore_color;
}

void Control::Width(float twips) {
    if (!(twips >= 0)) throw invalid_value();
    width_ = twips;
}

void Control::Height(float twips) {
    if (!(twips >= 0)) throw invalid_value();
    height_ = twips;
}

void CheckBox::Value(std::int32_t v) {
    if (v != 0 && v != 1) throw invalid_value();
    value_ = v;
    changed();
}

void CheckBox::Reset() {
    Control::Reset();
    value_ = Row().value;
}

void OptionButton::Value(bool on) {
    value_ = on;
    if (on) group_->selected(*this);
    changed();
}

const pictures::Bitmap* OptionButton::Picture() const {
    return Row().picture == PictureId::None ? nullptr : &pictures::Get(Row().picture);
}

void OptionButton::Reset() {
    Control::Reset();
    value_ = Row().value != 0;
}

OptionGroup::OptionGroup(std::u16string_view name) {
    for (std::int32_t i = kLBound; i <= kUBound; ++i)
        buttons_[static_cast<std::size_t>(i - kLBound)] = std::make_unique<OptionButton>(layout::Find(name, i), *this);
}

OptionButton& OptionGroup::operator()(std::int32_t index) {
    if (index < kLBound || index > kUBound)
        throw HostError(340, u"Control array element '" + to_u16(std::to_string(index)) + u"' doesn't exist");
    return *buttons_[static_cast<std::size_t>(index - kLBound)];
}

const OptionButton& OptionGroup::operator()(std::int32_t index) const {
    return const_cast<OptionGroup&>(*this)(index);
}

std::int32_t OptionGroup::Selected() const {
    for (const auto& b : buttons_)
        if (b->value_) return b->Index();
    return 0;
}

void OptionGroup::selected(const OptionButton& chosen) {
    for (auto& b : buttons_)
        if (b.get() != &chosen && b->value_) {
            b->value_ = false;
            b->changed();
        }
}

void OptionGroup::Reset() {
    for (auto& b : buttons_) b->Reset();
}

void Image::Reset() {
    Control::Reset();
    picture_.reset();
}

CommonDialog::CommonDialog(const LayoutRow& layout_row, std::shared_ptr<ChooserPort> port)
    : Control(layout_row), port_(std::move(port)) {}

void CommonDialog::Reset() {
    Control::Reset();
    state_ = ChooserState{};
}

namespace {
// The port works on a copy, so that neither a cancel nor a failure of the
// platform's dialog can leave half a choice in the component.
void show(ChooserState& state, ChooserPort& port, bool (ChooserPort::*choose)(ChooserState&)) {
    ChooserState working = state;
    if ((port.*choose)(working)) {
        working.CancelError = state.CancelError;
        state = std::move(working);
    } else if (state.CancelError) {
        throw HostError(err::kCancel, u"Cancel was selected.");
    }
}
}  // namespace

void CommonDialog::ShowColor() { show(state_, need(port_), &ChooserPort::ChooseColor); }

void CommonDialog::ShowFont() { show(state_, need(port_), &ChooserPort::ChooseFont); }

}  // namespace quill::dialog
