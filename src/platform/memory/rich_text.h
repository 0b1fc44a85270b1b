#pragma once
// The portable rich-text document behind RichTextBox1 on Linux, in tests and
// in the command-line tool. It keeps the editor port's contract
// (dialog/editor.h) and settles what the port leaves open:
//
// - Default format (editor_default_font): "Arial", 10 points, black (0), no
//   bold, italic, underline or strikethrough. Setting Text gives the whole new text this
//   format and forgets every earlier one, the insertion point's included; the
//   selection becomes the insertion point at 0.
// - Text is stored exactly as given. Callers give CR LF line breaks; a lone CR
//   or LF is kept and counts as one position.
// - Positions are plain indexes into Text(). A selection may start between the
//   CR and the LF of a pair: selecting the CR alone reads "\r", the LF alone
//   "\n", and typing there splits the pair. Nothing snaps to line breaks.
// - SelStart beyond the end lands at the end; setting SelStart makes the
//   selection empty (SelLength 0), as the control does; SelLength is cut
//   back to the end of the text. Negative values fail with (380, "Invalid
//   property value"), as do a font size outside 1..1638 points, an empty font
//   name and a negative Width or Height.
// - The insertion point (an empty selection) has the format of the character
//   before it, or of the first character at position 0, or, in an empty
//   document, the format the document was left with. Attributes set on it
//   are kept until the selection moves or text is typed, and typed text
//   takes them. Typing over a non-empty selection takes the format of its
//   first character.
//
// Formats are kept as runs: a balanced tree from run start to an interned
// format, so reading or writing the attributes of a short selection costs
// O(log runs) and no per-character format exists anywhere. Typing shifts the
// runs after the insertion, linear in their number like the text itself.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ports/char_font.h"
#include "ports/editor.h"
#include "dialog/layout.h"

namespace quill::memory {

struct EditorGeometry {  // twips within the container
    float left = 0, top = 0, width = 0, height = 0;
};

class RichText final : public dialog::RichTextEditor {
public:
    explicit RichText(EditorGeometry geometry = {});

    std::u16string Text() override { return text_; }
    void Text(const std::u16string& text) override;

    std::int32_t SelStart() override { return sel_start_; }
    void SelStart(std::int32_t start) override;
    std::int32_t SelLength() override { return sel_length_; }
    void SelLength(std::int32_t length) override;
    std::u16string SelText() override;

    std::optional<std::u16string> SelFontName() override;
    void SelFontName(const std::u16string& name) override;
    std::optional<float> SelFontSize() override;
    void SelFontSize(float points) override;
    std::optional<std::int32_t> SelColor() override;
    void SelColor(std::int32_t color) override;
    std::optional<bool> SelBold() override;
    void SelBold(bool on) override;
    std::optional<bool> SelItalic() override;
    void SelItalic(bool on) override;
    std::optional<bool> SelUnderline() override;
    void SelUnderline(bool on) override;
    std::optional<bool> SelStrikeThru() override;
    void SelStrikeThru(bool on) override;

    void TypeText(const std::u16string& text) override;

    bool Enabled() override { return enabled_; }
    void Enabled(bool on) override { enabled_ = on; }
    float Left() override { return geometry_.left; }
    float Top() override { return geometry_.top; }
    void Top(float twips) override { geometry_.top = twips; }
    float Width() override { return geometry_.width; }
    void Width(float twips) override;
    float Height() override { return geometry_.height; }
    void Height(float twips) override;

    bool HideSelection() override { return hide_selection_; }
    void HideSelection(bool on) override { hide_selection_ = on; }

    void OnDblClick(std::function<void()> handler) override { dbl_click_ = std::move(handler); }
    // What a double-click of the user does: runs the installed handler, if any.
    void FireDblClick();

    // Inspection for tests and the command-line tool.
    const CharFont& FormatAt(std::int32_t position) const;  // 0 <= position < length
    std::size_t RunCount() const { return runs_.size(); }

private:
    using FormatId = std::uint32_t;
    // The seven attributes of the selection; an empty optional where it mixes.
    struct Summary {
        std::optional<std::u16string> name;
        std::optional<float> size;
        std::optional<std::int32_t> color;
        std::optional<bool> bold, italic, underline, strike;
    };

    static Summary summary_of(const CharFont& f);
    FormatId intern(const CharFont& format);
    FormatId id_at(std::int32_t position) const;
    // The run holding `position` (there is text). Remembers the last answer:
    // the formatted transfer walks positions in order, so the next lookup is
    // nearly always the same run or the one after it.
    std::map<std::int32_t, std::uint32_t>::const_iterator run_at(std::int32_t position) const;
    void runs_changed() const { cursor_valid_ = false; }
    FormatId insertion_id() const;
    std::int32_t length() const { return static_cast<std::int32_t>(text_.size()); }
    void split_at(std::int32_t position);
    void coalesce(std::int32_t from, std::int32_t to);
    void apply(const std::function<void(CharFont&)>& change);
    const Summary& summary();
    void moved() {
        pending_.reset();
        summary_.reset();
    }

    std::u16string text_;
    std::vector<CharFont> formats_;  // interned; a FormatId indexes it
    std::map<CharFont, FormatId> format_ids_;
    std::map<std::int32_t, FormatId> runs_;  // run start -> format; one starts at 0 unless empty
    mutable std::map<std::int32_t, FormatId>::const_iterator cursor_;
    mutable bool cursor_valid_ = false;
    FormatId empty_format_ = 0;              // the insertion point's format in an empty document
    std::optional<FormatId> pending_;        // attributes set on the insertion point
    std::int32_t sel_start_ = 0;
    std::int32_t sel_length_ = 0;
    std::optional<Summary> summary_;

    EditorGeometry geometry_;
    bool enabled_ = true;
    bool hide_selection_ = true;
    std::function<void()> dbl_click_;
};

// frmAddIn's editor factory for the portable build: an empty document at the
// layout row's position and size.
std::shared_ptr<RichText> MakeRichText(const dialog::LayoutRow& layout_row);

}  // namespace quill::memory
