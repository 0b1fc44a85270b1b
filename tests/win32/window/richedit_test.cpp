// The editor contract on the RichEdit adapter, and what the adapter settles
// where the contract is silent.
#include <windows.h>
#include <richedit.h>

#include "dialog/editor_contract.h"
#include "dialog/layout.h"
#include "platform/win32/richedit_editor.h"

using namespace quill;
using quill::win32::RichEditEditor;

namespace {

std::unique_ptr<dialog::RichTextEditor> make() {
    return std::make_unique<RichEditEditor>(dialog::layout::Find(u"RichTextBox1"));
}

void double_click(dialog::RichTextEditor& editor) {
    HWND hwnd = static_cast<RichEditEditor&>(editor).hwnd();
    EnableWindow(hwnd, TRUE);
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    SendMessageW(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

}  // namespace

using quill::testing::EditorContract;
INSTANTIATE_TEST_SUITE_P(Win32, EditorContract,
                         ::testing::Values(quill::testing::EditorCase{"RichEdit", make, double_click}),
                         quill::testing::EditorCaseName);

class RichEdit : public ::testing::Test {
protected:
    RichEditEditor ed{dialog::layout::Find(u"RichTextBox1")};
};

// Port positions against the control's, where a line break is one position.
TEST_F(RichEdit, PositionsTranslateAroundLineBreaks) {
    ed.Text(u"ab\r\ncd\r\n\r\ne");
    ASSERT_EQ(ed.Text(), u"ab\r\ncd\r\n\r\ne");
    struct Row {
        std::int32_t start, length;
        LONG control_min, control_max;
        std::u16string text;
    };
    const Row rows[] = {
        {0, 2, 0, 2, u"ab"},          {2, 2, 2, 3, u"\r\n"},     {4, 2, 3, 5, u"cd"},
        {3, 1, 2, 3, u"\n"},          // the LF alone: the control's whole mark
        {2, 1, 2, 3, u"\r"},          {6, 4, 5, 7, u"\r\n\r\n"}, {10, 1, 7, 8, u"e"},
        {11, 0, 8, 8, u""},           {40, 3, 8, 8, u""},        // beyond the end: at the end
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.start << "+" << r.length);
        ed.SelStart(r.start);
        ed.SelLength(r.length);
        CHARRANGE c{};  // the control's own view
        SendMessageW(ed.hwnd(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&c));
        EXPECT_EQ(c.cpMin, r.control_min);
        EXPECT_EQ(c.cpMax, r.control_max);
        EXPECT_EQ(ed.SelText(), r.text);
        EXPECT_EQ(ed.SelStart(), std::min(r.start, 11));
    }
}

// What the user selects and types in the control reads in port positions.
TEST_F(RichEdit, UserSelectionAndTypingReadInPortPositions) {
    ed.Text(u"ab\r\ncd");
    CHARRANGE r{3, 5};  // "cd" as the control counts
    SendMessageW(ed.hwnd(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(ed.SelStart(), 4);
    EXPECT_EQ(ed.SelLength(), 2);
    // What a key press of Enter delivers: the key, then its character.
    SendMessageW(ed.hwnd(), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    SendMessageW(ed.hwnd(), WM_CHAR, L'\r', 0x001C0001);
    SendMessageW(ed.hwnd(), WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC01C0001u));
    SendMessageW(ed.hwnd(), WM_CHAR, L'z', 0);
    EXPECT_EQ(ed.Text(), u"ab\r\n\r\nz");
    EXPECT_EQ(ed.SelStart(), 7);
    ed.Text(u"a\nb\rc");  // lone breaks become CR LF
    EXPECT_EQ(ed.Text(), u"a\r\nb\r\nc");
}

// Where the contract is silent: the default format, and values out of range.
TEST_F(RichEdit, DefaultFormatAndRejectedValues) {
    ed.Text(u"x");
    ed.SelStart(0);
    ed.SelLength(1);
    EXPECT_EQ(ed.SelFontName(), u"Arial");
    EXPECT_EQ(ed.SelFontSize(), 10.0f);
    EXPECT_EQ(ed.SelColor(), 0);
    const std::function<void()> rows[] = {[&] { ed.SelFontSize(0.5f); }, [&] { ed.SelFontSize(2000); },
                                           [&] { ed.SelFontName(u""); }, [&] { ed.SelFontName(std::u16string(40, u'x')); },
                                           [&] { ed.Width(-1); }, [&] { ed.Height(-1); }};
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        try {
            rows[i]();
            ADD_FAILURE() << "no error";
        } catch (const HostError& e) {
            EXPECT_EQ(e.number(), 380);
        }
    }
}
