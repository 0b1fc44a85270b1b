// The IDispatch bridge over the fake Excel: the host contract that holds on
// the in-memory workbook holds through the bridge too; names are looked up
// once per type; failures keep the host's number and text; the button's
// Click arrives through the connection point.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fake_excel.h"
#include "ports/host_error.h"
#include "platform/memory/workbook.h"
#include "platform/win32/dispatch_bridge.h"
#include "platform/win32/dispatch_call.h"
#include "support.h"

using namespace quill;
using wintest::FakeExcel;
using wintest::must;

namespace {

// The number and text of the HostError a call throws; 0 when it throws none.
std::pair<std::int32_t, std::u16string> failure(const std::function<void()>& f) {
    try {
        f();
    } catch (const HostError& e) {
        return {e.number(), e.description()};
    }
    return {0, u"(no error)"};
}
using Failure = std::pair<std::int32_t, std::u16string>;
const Failure kAppDefined = {1004, u"Application-defined or object-defined error"};
const Failure kNoSuchMember = {438, u"Object doesn't support this property or method"};

// The contract: what the add-in relies on of the host ports, the same as the
// in-memory workbook gives directly.
void host_contract(memory::Excel& xl, host::Application& app) {
    memory::Sheet& sheet = xl.sheet();
    sheet.set_text("B2", u"cell");
    sheet.select("B2:B3,D4", "B2");
    auto cell = must(app.ActiveCell());
    EXPECT_EQ(failure([&] { cell->SpecialCells(host::xlCellTypeComments); }), Failure(1004, u"No cells were found."));
    auto comment = must(cell->AddComment(u"Hello\nworld"));
    comment->Text(u"!", 6, false);  // the piecewise way of hosts that take 255 characters a call
    EXPECT_EQ(comment->Text(), u"Hello!\nworld");
    comment->Text(u"Hello\nworld");

    auto frame = must(must(must(cell->Comment())->Shape())->TextFrame());
    wintest::format_characters(*frame, 11);
    for (std::int32_t i = 1; i <= 11; ++i) {
        SCOPED_TRACE(i);
        auto chars = must(frame->Characters(i, 1));
        EXPECT_EQ(chars->Text(), std::u16string(1, u"Hello\nworld"[i - 1]));
        auto font = must(chars->Font());
        EXPECT_EQ(font->Name(), i % 2 ? u"Arial" : u"Tahoma");
        EXPECT_EQ(font->Size(), static_cast<float>(8 + i % 5));
        EXPECT_EQ(font->Color(), 0x10203 * (i % 7));
        EXPECT_EQ(font->Bold(), i % 2 == 0);
        EXPECT_EQ(font->Italic(), i % 3 == 0);
        EXPECT_EQ(font->Underline(), i % 4 == 0 ? host::xlUnderlineStyleSingle : host::xlUnderlineStyleNone);
        EXPECT_EQ(font->Strikethrough(), i % 5 == 0);
    }
    // Mixed within the span: the host's Null.
    EXPECT_EQ(failure([&] { must(must(frame->Characters(1, 2))->Font())->Bold(); }).first, err::kInvalidUseOfNull);
    EXPECT_EQ(failure([&] { must(must(frame->Characters(1, 1))->Font())->Size(0); }),
              Failure(1004, u"Unable to set the Size property of the Font class"));
    frame->Orientation(host::msoTextOrientationUpward);
    EXPECT_EQ(frame->Orientation(), host::msoTextOrientationUpward);

    auto& files = xl.scripted_files();
    files.cancel();
    EXPECT_FALSE(app.GetOpenFilename(u"Pictures (*.bmp),*.bmp", std::nullopt, u"Pick", u"Insert", true));
    files.choose({u"C:\\a.bmp", u"C:\\b.png"});
    auto chosen = app.GetOpenFilename(u"All,*.*", 2, u"T", u"B", true);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->lowerBound, 1);
    EXPECT_EQ(chosen->paths, (std::vector<std::u16string>{u"C:\\a.bmp", u"C:\\b.png"}));
    EXPECT_EQ(files.requests, (std::vector<memory::FileChoiceRequest>{
                                  {u"Pictures (*.bmp),*.bmp", std::nullopt, u"Pick", u"Insert", true},
                                  {u"All,*.*", 2, u"T", u"B", true}}));

    ASSERT_TRUE(xl.hwnd);
    EXPECT_EQ(app.hWnd(), *xl.hwnd);  // the fake's own main window over COM
    xl.hwnd.reset();
    EXPECT_EQ(failure([&] { app.hWnd(); }), kNoSuchMember);
    app.ScreenUpdating(false);
    EXPECT_FALSE(app.ScreenUpdating());

    auto selection = must(app.Selection());
    EXPECT_EQ(selection->CountLarge(), 3);
    EXPECT_EQ(selection->Address(), u"$B$2:$B$3,$D$4");
    std::vector<std::u16string> seen;
    for (auto cells = selection->NewEnum(); auto c = cells->Next();) seen.push_back(c->Address());
    EXPECT_EQ(seen, (std::vector<std::u16string>{u"$B$2", u"$B$3", u"$D$4"}));
    EXPECT_EQ(must(selection->Characters(1, 2))->Text(), u"ce");
    sheet.select_shape();
    EXPECT_EQ(app.Selection(), nullptr);

    cell->ClearComments();
    EXPECT_EQ(failure([&] { comment->Text(); }), kAppDefined);
    must(cell->AddComment(u"x"))->Delete();
    EXPECT_EQ(cell->Comment(), nullptr);
}

}  // namespace

TEST(Bridge, HostContractHoldsThroughTheFake) {
    const long objects = wintest::fake_counters().objects;
    {
        auto xl = memory::Excel::Create();
        FakeExcel excel(xl);
        host_contract(*xl, *win32::wrap_application(excel.application()));
        EXPECT_EQ(wintest::refs(excel.application()), 1u);
    }
    EXPECT_EQ(wintest::fake_counters().objects, objects);  // every fake object released
}

// Failures of the dispatch layer itself, as the host's runtime numbers them.
TEST(Bridge, InvokeErrorsKeepTheHostsNumberAndText) {
    const struct {
        const char* name;
        HRESULT hr;
        WORD wcode;
        HRESULT scode;
        const wchar_t* description;
        Failure expected;
    } rows[] = {
        {"automation error scode", DISP_E_EXCEPTION, 0, static_cast<HRESULT>(0x800A03EC), L"No cells were found.",
         {1004, u"No cells were found."}},
        {"wCode", DISP_E_EXCEPTION, 1004, 0, L"From wCode", {1004, u"From wCode"}},
        {"other scode kept", DISP_E_EXCEPTION, 0, E_FAIL, L"Method 'Delete' failed",
         {static_cast<std::int32_t>(E_FAIL), u"Method 'Delete' failed"}},
        {"member not found", DISP_E_MEMBERNOTFOUND, 0, 0, nullptr, kNoSuchMember},
        {"type mismatch", DISP_E_TYPEMISMATCH, 0, 0, nullptr, {13, u"Type mismatch"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXCEPINFO e = {};
        e.wCode = r.wcode;
        e.scode = r.scode;
        e.bstrDescription = r.description ? SysAllocString(r.description) : nullptr;
        e.bstrSource = SysAllocString(L"Microsoft Excel");
        const HostError got = win32::invoke_error(r.hr, &e);
        EXPECT_EQ(Failure(got.number(), got.description()), r.expected);
        EXPECT_TRUE(e.bstrDescription == nullptr && e.bstrSource == nullptr);  // freed
    }
    EXCEPINFO e = {};
    e.scode = E_OUTOFMEMORY;
    const HostError got = win32::invoke_error(DISP_E_EXCEPTION, &e);  // no description: the system's message
    EXPECT_EQ(got.number(), static_cast<std::int32_t>(E_OUTOFMEMORY));
    EXPECT_FALSE(got.description().empty() || got.description() == u"Automation error");

}
