#pragma once
// Editor port: the dialog's rich-text editor RichTextBox1, as every platform
// presents it whatever its control does inside.
//
// - Text() has CR LF line breaks; Text(s) replaces the whole content and its
//   formats.
// - Positions are 0-based and a line break occupies two positions (CR, LF).
// - An attribute whose characters differ inside the selection reads as "no
//   value" (an empty optional); the caller converting it raises the host
//   runtime's "Invalid use of Null". With an empty selection the attributes
//   are those of the insertion point, and setting them makes text typed there
//   take them.
// - A negative SelStart or SelLength is rejected with HostError (380,
//   "Invalid property value"), as the control rejects it.
// Every member may throw HostError.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "ports/host_error.h"

namespace quill::dialog {

class RichTextEditor {
public:
    virtual ~RichTextEditor() = default;

    virtual std::u16string Text() = 0;
    virtual void Text(const std::u16string& text) = 0;

    virtual std::int32_t SelStart() = 0;
    virtual void SelStart(std::int32_t start) = 0;
    virtual std::int32_t SelLength() = 0;
    virtual void SelLength(std::int32_t length) = 0;
    virtual std::u16string SelText() = 0;  // empty when the selection is empty

    virtual std::optional<std::u16string> SelFontName() = 0;
    virtual void SelFontName(const std::u16string& name) = 0;
    virtual std::optional<float> SelFontSize() = 0;  // points
    virtual void SelFontSize(float points) = 0;
    virtual std::optional<std::int32_t> SelColor() = 0;  // 0x00BBGGRR
    virtual void SelColor(std::int32_t color) = 0;
    virtual std::optional<bool> SelBold() = 0;
    virtual void SelBold(bool on) = 0;
    virtual std::optional<bool> SelItalic() = 0;
    virtual void SelItalic(bool on) = 0;
    virtual std::optional<bool> SelUnderline() = 0;
    virtual void SelUnderline(bool on) = 0;
    virtual std::optional<bool> SelStrikeThru() = 0;
    virtual void SelStrikeThru(bool on) = 0;

    // Replaces the selection with `text`, which takes the insertion point's
    // formats (what typing does); the caret ends after it.
    virtual void TypeText(const std::u16string& text) = 0;

    virtual bool Enabled() = 0;
    virtual void Enabled(bool on) = 0;
    // Position and size in twips within the editor's container.
    virtual float Left() = 0;
    virtual float Top() = 0;
    virtual void Top(float twips) = 0;
    virtual float Width() = 0;
    virtual void Width(float twips) = 0;
    virtual float Height() = 0;
    virtual void Height(float twips) = 0;

    // The control's HideSelection: true keeps the selection from being drawn
    // while the editor does not have the focus.
    virtual bool HideSelection() = 0;
    virtual void HideSelection(bool on) = 0;

    // The double-click event; the dialog installs its handler here.
    virtual void OnDblClick(std::function<void()> handler) = 0;
};

// A selection attribute read as a value. One the selection mixes has none,
// and using it is the host runtime's "Invalid use of Null".
template <class T>
T value_of(const std::optional<T>& attribute) {
    if (!attribute) throw err::InvalidUseOfNull();
    return *attribute;
}

}  // namespace quill::dialog
