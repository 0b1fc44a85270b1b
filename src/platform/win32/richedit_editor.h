#pragma once
// RichTextBox1 on Windows: a RichEdit control (msftedit's "RICHEDIT50W", or
// riched20's "RichEdit20W" where msftedit is missing) presented through the
// editor port (dialog/editor.h).
//
// The control keeps a line break as one paragraph mark, CR, and counts it as
// one position; the port has CR LF and counts two. The adapter reads the
// control's text without CR LF expansion and translates positions both ways:
// a port position on the LF of a pair lies inside the control's one mark, so
// a selection start there maps to the mark and a selection end there to just
// after it. The port selection the caller set is remembered and read back as
// long as the control's own selection is still the one it mapped to (the user
// has not moved it), so SelStart, SelLength and SelText read back exactly what
// was set, a lone LF of a pair included.
//
// Choices where the port is silent, as the portable document makes them: a
// new text is "Arial", 10 points, black throughout; the insertion point goes
// to 0; SelStart beyond the end lands at the end and empties the selection;
// SelLength is cut back to the end. The control turns a lone CR or LF into a
// paragraph mark, so it reads back as CR LF. Font sizes outside 1..1638
// points, an empty font name or one longer than LOGFONT holds, and a negative
// Width or Height fail with (380, "Invalid property value").
//
// Until a window adopts it the control lives in a hidden parking window of
// its thread, so the editor exists (and its contents survive) while the form
// has no window.
#include <windows.h>
#include <richedit.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dialog/editor.h"
#include "dialog/layout.h"

namespace quill::win32 {

class RichEditEditor final : public dialog::RichTextEditor {
public:
    // Creates the control at the layout row's position and size, with its
    // background colour; throws HostError when no RichEdit class can be
    // loaded.
    explicit RichEditEditor(const dialog::LayoutRow& layout_row);
    ~RichEditEditor() override;
    RichEditEditor(const RichEditEditor&) = delete;
    RichEditEditor& operator=(const RichEditEditor&) = delete;

    std::u16string Text() override;
    void Text(const std::u16string& text) override;
    std::int32_t SelStart() override;
    void SelStart(std::int32_t start) override;
    std::int32_t SelLength() override;
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

    bool Enabled() override;
    void Enabled(bool on) override;
    float Left() override { return left_; }
    float Top() override { return top_; }
    void Top(float twips) override;
    float Width() override { return width_; }
    void Width(float twips) override;
    float Height() override { return height_; }
    void Height(float twips) override;

    bool HideSelection() override;
    void HideSelection(bool on) override;

    void OnDblClick(std::function<void()> handler) override { dbl_click_ = std::move(handler); }

    // The control's window.
    HWND hwnd() const noexcept { return hwnd_; }
    // Moves the control into `parent`, placed at its twips plus `origin_x`,
    // `origin_y` (the position of its container inside `parent`), or back
    // into the parking window with nullptr.
    void adopt(HWND parent, float origin_x, float origin_y);
    // Told after the control moved or changed size (the window restacks it).
    std::function<void()> on_geometry;

private:
    // The control's text as it counts it, and where its paragraph marks turn
    // into the port's CR LF.
    struct TextMap {
        std::u16string control;            // paragraph marks as one CR
        std::vector<std::int32_t> marks;   // control positions of the CRs
        std::int32_t port_length() const { return static_cast<std::int32_t>(control.size() + marks.size()); }
        std::int32_t to_port(std::int32_t control_pos) const;
        std::int32_t floor(std::int32_t port_pos) const;  // a start inside a mark: the mark
        std::int32_t ceil(std::int32_t port_pos) const;   // an end inside a mark: after it
        std::u16string port_text() const;
    };
    struct Remembered {  // the port selection last set, and what it mapped to
        std::int32_t start, length;
        CHARRANGE control;
    };

    const TextMap& map();
    void text_changed() noexcept;
    CHARRANGE control_selection() const;
    void select(std::int32_t start, std::int32_t length);
    CHARFORMAT2W selection_format() const;
    void set_format(CHARFORMAT2W format);
    void set_effect(DWORD mask, DWORD effect, bool on);
    std::optional<bool> effect(DWORD mask, DWORD effect) const;
    void place();
    static LRESULT CALLBACK subclass_proc(HWND, UINT, WPARAM, LPARAM);
    void unsubclass() noexcept;

    HWND hwnd_ = nullptr;
    WNDPROC base_proc_ = nullptr;  // the RichEdit class's own procedure
    std::optional<TextMap> map_;
    std::optional<Remembered> selection_;
    float left_, top_, width_, height_;
    float origin_x_ = 0, origin_y_ = 0;
    std::function<void()> dbl_click_;
};

// frmAddIn's editor factory on Windows.
std::shared_ptr<dialog::RichTextEditor> make_richedit_editor(const dialog::LayoutRow& layout_row);

}  // namespace quill::win32
