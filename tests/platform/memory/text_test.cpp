#include <gtest/gtest.h>

#include <functional>

#include "ports/host_error.h"
#include "platform/memory/workbook.h"

namespace quill::memory {
namespace {

CharFont font(std::u16string name, float size, bool b, bool i, bool s, std::int32_t u, std::int32_t color) {
    return CharFont{std::move(name), size, b, i, s, u, color};
}

TEST(CellText, CharactersOverDifferingFontsAnswerNull) {
    auto xl = Excel::Create();
    CellData& c = xl->sheet().set_value("A1", 1234.5, u"");  // Text shows the display, not the value
    c.text.append(u"$1", font(u"Arial", 10, true, false, false, host::xlUnderlineStyleNone, 0));
    c.text.append(u"23", font(u"Calibri", 8, false, false, false, host::xlUnderlineStyleDouble, 0));
    auto cell = xl->application()->ActiveCell();
    EXPECT_EQ(cell->Text(), u"$123");
    EXPECT_EQ(cell->Characters(3, 1)->Font()->Underline(), host::xlUnderlineStyleDouble);
    EXPECT_THROW(cell->Characters(2, 2)->Font()->Name(), HostError);
    EXPECT_EQ(cell->Characters(3, 2)->Font()->Size(), 8.0f);
}

TEST(CommentText, FontWritesReadBackAndStayOnTheirCharacters) {
    auto xl = Excel::Create();
    Sheet& sh = xl->sheet();
    sh.add_comment("A1", u"abc\ndef");
    auto frame = xl->application()->ActiveCell()->Comment()->Shape()->TextFrame();

    auto f = frame->Characters(2, 2)->Font();
    f->Name(u"Courier New");
    f->Bold(true);
    f->Underline(true);
    f->Color(0x00AABBCC);
    f->Strikethrough(true);
    f->Italic(true);
    f->Size(20.5f);
    EXPECT_EQ(f->Name(), u"Courier New");
    EXPECT_EQ(f->Underline(), host::xlUnderlineStyleSingle);
    EXPECT_EQ(f->Size(), 20.5f);
    f->Underline(false);
    EXPECT_EQ(f->Underline(), host::xlUnderlineStyleNone);

    const auto runs = sh.comment("A1")->text.runs();
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].text, u"a");
    EXPECT_EQ(runs[0].font, note_default_font());
    EXPECT_EQ(runs[1].text, u"bc");
    EXPECT_EQ(runs[1].font, font(u"Courier New", 20.5f, true, true, true, host::xlUnderlineStyleNone, 0xAABBCC));
    EXPECT_EQ(runs[2].text, u"\ndef");

    // Spans reaching past the end are clipped; past the end nothing is written.
    EXPECT_EQ(frame->Characters(6, 10)->Text(), u"ef");
    EXPECT_EQ(frame->Characters(9, 1)->Text(), u"");
    EXPECT_NO_THROW(frame->Characters(9, 1)->Font()->Bold(true));
    EXPECT_THROW(frame->Characters(0, 1), HostError);

    // The host's ranges.
    struct Bad {
        const char* what;
        std::function<void()> call;
    } bad[] = {
        {"size 0", [&] { f->Size(0.5f); }},
        {"size 410", [&] { f->Size(410.0f); }},
        {"colour", [&] { f->Color(0x01000000); }},
        {"negative colour", [&] { f->Color(-1); }},
        {"empty name", [&] { f->Name(u""); }},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.what);
        EXPECT_THROW(b.call(), HostError);
    }

    // New text takes the default font.
    xl->application()->ActiveCell()->Comment()->Text(u"xyz");
    EXPECT_EQ(sh.comment("A1")->text.runs().size(), 1u);
    EXPECT_EQ(frame->Characters(1, 3)->Font()->Name(), u"Tahoma");
}

}  // namespace
}  // namespace quill::memory
