#pragma once
// The dialog's controls as plain state objects. Each starts from its row of
// the layout table and returns to it with Reset (the form's Unload). A
// platform window renders them and writes back what the user changes (a
// tick, a selected option) before it forwards the event to the form.
//
// Properties are read and written through members named as the control
// names them: Check1.Value(), Label3.Caption(u"..."). Setting a property
// from code raises no event. A value the control cannot take throws
// HostError (380, "Invalid property value").
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "dialog/layout.h"
#include "ports/picture_loader.h"

namespace quill::dialog {

namespace pictures {
struct Bitmap;
}

class Control {
public:
    explicit Control(const LayoutRow& layout_row);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const LayoutRow& Row() const { return *layout_row_; }
    std::u16string_view Name() const { return layout_row_->name; }
    std::int32_t Index() const { return layout_row_->index; }  // 0 outside a control array
    ControlType Type() const { return layout_row_->type; }

    const std::u16string& Caption() const { return caption_; }
    void Caption(std::u16string text) {
        caption_ = std::move(text);
        changed();
    }
    bool Enabled() const { return enabled_; }
    void Enabled(bool on) {
        enabled_ = on;
        changed();
    }
    bool Visible() const { return visible_; }
    void Visible(bool on) {
        visible_ = on;
        changed();
    }
    const std::u16string& ToolTipText() const { return tooltip_; }
    void ToolTipText(std::u16string text) {
        tooltip_ = std::move(text);
        changed();
    }
    float Left() const { return left_; }
    void Left(float twips) { left_ = twips; }
    float Top() const { return top_; }
    void Top(float twips) { top_ = twips; }
    float Width() const { return width_; }
    void Width(float twips);
    float Height() const { return height_; }
    void Height(float twips);
    // nullopt: the platform's standard colour.
    std::optional<std::int32_t> BackColor() const { return back_color_; }
    void BackColor(std::int32_t color) { back_color_ = color; }
    std::optional<std::int32_t> ForeColor() const { return fore_color_; }
    void ForeColor(std::int32_t color) { fore_color_ = color; }
    std::int32_t TabIndex() const { return layout_row_->tab_index; }

    virtual void Reset();

    // Told after code changes a property, so that a window can redraw the
    // control while a long command is still running (the status line), and a
    // command-line front end can report progress.
    std::function<void(const Control&)> on_changed;

protected:
    void changed() const {
        if (on_changed) on_changed(*this);
    }

private:
    const LayoutRow* layout_row_;
    std::u16string caption_, tooltip_;
    bool enabled_ = true, visible_ = true;
    float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    std::optional<std::int32_t> back_color_, fore_color_;
};

class CheckBox final : public Control {
public:
    explicit CheckBox(const LayoutRow& layout_row) : Control(layout_row), value_(layout_row.value) {}
    std::int32_t Value() const { return value_; }
    void Value(std::int32_t v);  // 0 unticked, 1 ticked: the boxes are two-state
    void Reset() override;

private:
    std::int32_t value_ = 0;
};

class OptionGroup;

class OptionButton final : public Control {
public:
    OptionButton(const LayoutRow& layout_row, OptionGroup& group) : Control(layout_row), group_(&group) { Reset(); }
    bool Value() const { return value_; }
    // Selecting one button of the group deselects the others.
    void Value(bool on);
    bool Graphical() const { return Row().graphical; }
    // The button's picture, nullptr when it shows its caption.
    const pictures::Bitmap* Picture() const;
    void Reset() override;

private:
    friend class OptionGroup;
    OptionGroup* group_;
    bool value_ = false;
};

// An option-button control array (Orent): the elements 1..4, one group.
class OptionGroup {
public:
    static constexpr std::int32_t kLBound = 1, kUBound = 4;
    explicit OptionGroup(std::u16string_view name);
    OptionGroup(const OptionGroup&) = delete;
    OptionGroup& operator=(const OptionGroup&) = delete;

    // Orent(i); an index outside 1..4 throws HostError (340, "Control array
    // element 'i' doesn't exist").
    OptionButton& operator()(std::int32_t index);
    const OptionButton& operator()(std::int32_t index) const;
    std::int32_t LBound() const { return kLBound; }
    std::int32_t UBound() const { return kUBound; }
    std::int32_t Selected() const;  // the selected index, 0 when none
    void Reset();

private:
    friend class OptionButton;
    void selected(const OptionButton& chosen);
    std::array<std::unique_ptr<OptionButton>, kUBound> buttons_;
};

class CommandButton final : public Control {
public:
    using Control::Control;
    bool Graphical() const { return Row().graphical; }
};

class Label final : public Control {
public:
    using Control::Control;
};

class Frame final : public Control {
public:
    using Control::Control;
};

class Image final : public Control {
public:
    using Control::Control;
    const std::shared_ptr<const dialog::Picture>& Picture() const { return picture_; }
    void Picture(std::shared_ptr<const dialog::Picture> picture) {
        picture_ = std::move(picture);
        changed();
    }
    bool Stretch() const { return Row().stretch; }
    void Reset() override;

private:
    std::shared_ptr<const dialog::Picture> picture_;
};

}  // namespace quill::dialog
