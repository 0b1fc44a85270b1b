// Get Text from Active Cell (Command4_Click).
#include <gtest/gtest.h>

#include "commenttext/support.h"

namespace quill::dialog {
namespace {


// What the editor should show for a cell character in `f`.
CharFont shown(CharFont f) {
    if (f.underline != host::xlUnderlineStyleSingle) f.underline = host::xlUnderlineStyleNone;
    return f;
}

struct Cmd4 : quill::testing::HostFixture {
    void click() { ASSERT_TRUE(form->Raise(u"Command4", Event::Click)); }
};

TEST(GetTextFromActiveCell, EveryCharacterKeepsItsFont) {
    const CharFont fonts[] = {  // a b c d, the line break, f
        {u"Arial", 10, false, false, false, host::xlUnderlineStyleNone, 0},
        {u"Times New Roman", 14, true, false, false, host::xlUnderlineStyleNone, 0x0000FF},
        {u"Courier New", 8.5f, false, true, false, host::xlUnderlineStyleSingle, 0x00FF00},
        {u"Verdana", 20, false, false, true, host::xlUnderlineStyleDouble, 0xFF0000},
        {u"Georgia", 11, true, true, true, host::xlUnderlineStyleSingleAccounting, 0x123456},
        {u"Tahoma", 9, false, false, false, host::xlUnderlineStyleSingle, 0xABCDEF},
    };
    Cmd4 f;
    memory::CellData& cell = f.sheet().set_text("A1", u"abcd\nf");
    for (std::size_t k = 0; k < 6; ++k) cell.text.set_font(k, 1, fonts[k]);
    f.form->RichTextBox1->HideSelection(false);
    f.click();
    EXPECT_TRUE(f.messages->shown.empty());
    // This editor keeps the LF as one position; RichEdit, which widens it to
    // CR LF, has its own test among the window tests.
    EXPECT_EQ(f.form->RichTextBox1->Text(), u"abcd\nf");
    for (std::int32_t p = 0; p < 6; ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(f.editor().FormatAt(p), shown(fonts[p]));
    }
    EXPECT_TRUE(f.form->RichTextBox1->HideSelection());
    EXPECT_EQ(f.form->RichTextBox1->SelStart(), 5);
    EXPECT_EQ(f.form->RichTextBox1->SelLength(), 1);
}

TEST(GetTextFromActiveCell, TextCases) {
    const struct {
        const char* name;
        bool close_all;
        bool chart;  // a chart sheet active
        bool number;
        const char16_t* cell;
        const char16_t* editor;  // afterwards
    } rows[] = {
        {"empty cell", false, false, false, nullptr, u""},
        {"no active cell", true, false, false, nullptr, u"kept"},
        {"a chart sheet active", false, true, false, u"cell", u"kept"},
        {"number as shown", false, false, true, u"1,234.50", u"1,234.50"},
        {"text", false, false, false, u"plain", u"plain"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Cmd4 f;
        f.form->RichTextBox1->Text(u"kept");
        if (row.number) f.sheet().set_value("A1", 1234.5, row.cell);
        else if (row.cell) f.sheet().set_text("A1", row.cell);
        if (row.close_all) f.excel->close_all();
        f.excel->chart_sheet_active = row.chart;
        f.click();
        EXPECT_TRUE(f.messages->shown.empty());
        EXPECT_EQ(f.form->RichTextBox1->Text(), row.editor);
    }
}

TEST(GetTextFromActiveCell, LeavesTheCellsCommentAlone) {
    Cmd4 f;
    f.sheet().set_text("A1", u"cell");
    f.sheet().add_comment("A1", u"note");
    f.click();
    EXPECT_EQ(f.excel->log.count("Range.Comment"), 0u);
    EXPECT_EQ(f.sheet().comment("A1")->text.text(), u"note");
    EXPECT_EQ(f.form->RichTextBox1->Text(), u"cell");
}

// The portable editor, failing its Nth SelColor assignment.
class FailingColour final : public RichTextEditor {
public:
    FailingColour(std::shared_ptr<RichTextEditor> inner, int nth) : in_(std::move(inner)), left_(nth) {}
    void SelColor(std::int32_t c) override {
        if (--left_ == 0) throw HostError(380, u"Invalid property value");
        in_->SelColor(c);
    }
    std::optional<std::int32_t> SelColor() override { return in_->SelColor(); }
    std::u16string Text() override { return in_->Text(); }
    void Text(const std::u16string& t) override { in_->Text(t); }
    std::int32_t SelStart() override { return in_->SelStart(); }
    void SelStart(std::int32_t v) override { in_->SelStart(v); }
    std::int32_t SelLength() override { return in_->SelLength(); }
    void SelLength(std::int32_t v) override { in_->SelLength(v); }
    std::u16string SelText() override { return in_->SelText(); }
    std::optional<std::u16string> SelFontName() override { return in_->SelFontName(); }
    void SelFontName(const std::u16string& v) override { in_->SelFontName(v); }
    std::optional<float> SelFontSize() override { return in_->SelFontSize(); }
    void SelFontSize(float v) override { in_->SelFontSize(v); }
    std::optional<bool> SelBold() override { return in_->SelBold(); }
    void SelBold(bool v) override { in_->SelBold(v); }
    std::optional<bool> SelItalic() override { return in_->SelItalic(); }
    void SelItalic(bool v) override { in_->SelItalic(v); }
    std::optional<bool> SelUnderline() override { return in_->SelUnderline(); }
    void SelUnderline(bool v) override { in_->SelUnderline(v); }
    std::optional<bool> SelStrikeThru() override { return in_->SelStrikeThru(); }
    void SelStrikeThru(bool v) override { in_->SelStrikeThru(v); }
    void TypeText(const std::u16string& t) override { in_->TypeText(t); }
    bool Enabled() override { return in_->Enabled(); }
    void Enabled(bool v) override { in_->Enabled(v); }
    float Left() override { return in_->Left(); }
    float Top() override { return in_->Top(); }
    void Top(float v) override { in_->Top(v); }
    float Width() override { return in_->Width(); }
    void Width(float v) override { in_->Width(v); }
    float Height() override { return in_->Height(); }
    void Height(float v) override { in_->Height(v); }
    bool HideSelection() override { return in_->HideSelection(); }
    void HideSelection(bool v) override { in_->HideSelection(v); }
    void OnDblClick(std::function<void()> h) override { in_->OnDblClick(std::move(h)); }

private:
    std::shared_ptr<RichTextEditor> in_;
    int left_;
};

}  // namespace
}  // namespace quill::dialog
