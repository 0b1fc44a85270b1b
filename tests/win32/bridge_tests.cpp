// The IDispatch bridge over the fake Excel: the host contract that holds on
// the in-memory workbook holds through the bridge too; names are looked up
// once per type; failures keep the host's number and text; the button's
// Click arrives through the connection point.
#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <string>
#include <vector>

#include "fake_excel.h"
#include "harness.h"
#include "host/host_error.h"
#include "platform/memory/workbook.h"
#include "platform/win32/dispatch_bridge.h"
#include "platform/win32/dispatch_call.h"
#include "support.h"

using namespace quill;
using quill::win32::ComPtr;
using wintest::FakeExcel;
using wintest::must;
using wintest::Scope;

namespace wintest {

void format_characters(host::TextFrame& frame, std::int32_t n) {
    for (std::int32_t i = 1; i <= n; ++i) {
        auto font = must(must(frame.Characters(i, 1))->Font());
        must(font)->Name(i % 2 ? u"Arial" : u"Tahoma");
        font->Size(static_cast<float>(8 + i % 5));
        font->Color(0x10203 * (i % 7));
        font->Bold(i % 2 == 0);
        font->Italic(i % 3 == 0);
        font->Underline(i % 4 == 0);
        font->Strikethrough(i % 5 == 0);
    }
}

}  // namespace wintest

namespace {

// The HostError a call throws, or number 0 when it throws none.
HostError failure(const std::function<void()>& f) {
    try {
        f();
    } catch (const HostError& e) {
        return e;
    }
    return HostError(0, u"(no error)");
}

bool fails_with(const std::function<void()>& f, std::int32_t number, const std::u16string& text) {
    const HostError e = failure(f);
    if (e.number() == number && e.description() == text) return true;
    std::printf("  got %d \"%s\"\n", e.number(), to_utf8(e.description()).c_str());
    return false;
}

// The contract: what the add-in relies on, checked the same way on any
// implementation of the ports over `xl`.
void host_contract(memory::Excel& xl, host::Application& app) {
    memory::Sheet& sheet = xl.sheet();
    sheet.set_text("B2", u"cell");
    sheet.select("B2:B3,D4", "B2");
    {
        Scope s("AddComment");
        auto cell = must(app.ActiveCell());
        CHECK(cell->Comment() == nullptr);
        CHECK(fails_with([&] { must(cell->SpecialCells(host::xlCellTypeComments)); }, 1004, u"No cells were found."));
        auto comment = cell->AddComment(u"Hello\nworld");
        CHECK(comment && comment->Text() == u"Hello\nworld");
        comment->Text(u"!", 6, false);  // the pieces road of old hosts
        CHECK(comment->Text() == u"Hello!\nworld");
        comment->Text(u"Hello\nworld");
        CHECK(cell->Comment() != nullptr);
        CHECK(fails_with([&] { cell->AddComment(u"again"); }, 1004, u"Application-defined or object-defined error"));
        CHECK(xl.active_sheet()->comment("B2") != nullptr);
        CHECK(must(cell->SpecialCells(host::xlCellTypeComments))->Address() == u"$B$2");
        CHECK(!must(cell->Parent())->ProtectContents());
    }
    {
        Scope s("Characters(i,1).Font round trip");
        auto frame = must(must(must(app.ActiveCell())->Comment())->Shape())->TextFrame();
        wintest::format_characters(*must(frame), 11);
        for (std::int32_t i = 1; i <= 11; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "character %d", i);
            Scope row(name);
            auto chars = must(frame->Characters(i, 1));
            CHECK(chars->Text() == std::u16string(1, u"Hello\nworld"[i - 1]));
            auto font = must(chars->Font());
            CHECK(font->Name() == (i % 2 ? u"Arial" : u"Tahoma"));
            CHECK(font->Size() == static_cast<float>(8 + i % 5));
            CHECK(font->Color() == 0x10203 * (i % 7));
            CHECK(font->Bold() == (i % 2 == 0));
            CHECK(font->Italic() == (i % 3 == 0));
            CHECK(font->Underline() == (i % 4 == 0 ? host::xlUnderlineStyleSingle : host::xlUnderlineStyleNone));
            CHECK(font->Strikethrough() == (i % 5 == 0));
        }
        // Mixed within the span: the host's Null.
        CHECK(failure([&] { must(must(frame->Characters(1, 2))->Font())->Bold(); }).number() == err::kInvalidUseOfNull);
        CHECK(fails_with([&] { must(must(frame->Characters(1, 1))->Font())->Size(0); }, 1004,
                         u"Unable to set the Size property of the Font class"));
        frame->Orientation(host::msoTextOrientationUpward);
        CHECK(frame->Orientation() == host::msoTextOrientationUpward);
    }
    {
        Scope s("GetOpenFilename");
        auto& files = xl.scripted_files();
        files.cancel();
        CHECK(!app.GetOpenFilename(u"Pictures (*.bmp),*.bmp", std::nullopt, u"Pick", u"Insert", true));
        files.choose({u"C:\\a.bmp", u"C:\\b.png", u"C:\\c.gif"}, 0);
        auto chosen = app.GetOpenFilename(u"All,*.*", 2, u"T", u"B", true);
        CHECK(chosen && chosen->lowerBound == 0 && chosen->upperBound() == 2 &&
              chosen->paths == (std::vector<std::u16string>{u"C:\\a.bmp", u"C:\\b.png", u"C:\\c.gif"}));
        files.choose({u"C:\\only.jpg"});
        chosen = app.GetOpenFilename(u"x", std::nullopt, u"", u"", true);
        CHECK(chosen && chosen->lowerBound == 1 && chosen->paths == std::vector<std::u16string>{u"C:\\only.jpg"});
        CHECK(files.requests.size() == 3);
        if (files.requests.size() == 3) {
            CHECK((files.requests[0] == memory::FileChoiceRequest{u"Pictures (*.bmp),*.bmp", std::nullopt, u"Pick",
                                                                   u"Insert", true}));
            CHECK(files.requests[1].filter_index == 2);
        }
    }
    {
        Scope s("application");
        CHECK(app.Version() == u"16.0");
        CHECK(xl.hwnd && app.hWnd() == *xl.hwnd);  // the fake's own main window over COM
        xl.hwnd.reset();
        CHECK(fails_with([&] { app.hWnd(); }, 438, u"Object doesn't support this property or method"));
        app.ScreenUpdating(false);
        CHECK(!app.ScreenUpdating() && !xl.screen_updating);
        app.DisplayCommentIndicator(host::xlCommentIndicatorOnly);
        CHECK(app.DisplayCommentIndicator() == host::xlCommentIndicatorOnly);
        app.Visible(true);
        CHECK(app.Visible());
        CHECK(app.UserName() == xl.user_name);
        CHECK(must(app.WorksheetFunction())->Substitute(u"a\r\nb\r\n", u"\r\n", u"\n") == u"a\nb\n");
    }
    {
        Scope s("selection and enumeration");
        auto selection = must(app.Selection());
        CHECK(selection->Count() == 3);
        CHECK(selection->Address() == u"$B$2:$B$3,$D$4");
        std::vector<std::u16string> seen;
        auto cells = selection->NewEnum();
        while (auto cell = cells->Next()) seen.push_back(cell->Address());
        CHECK(seen == (std::vector<std::u16string>{u"$B$2", u"$B$3", u"$D$4"}));
        CHECK(must(selection->Cells())->Count() == 3);
        CHECK(must(selection->Characters(1, 2))->Text() == u"ce");
        sheet.select_shape();
        CHECK(app.Selection() == nullptr);
        sheet.select("B2");
    }
    {
        Scope s("comment removal");
        auto cell = must(app.ActiveCell());
        auto old = must(cell->Comment());
        cell->ClearComments();
        CHECK(cell->Comment() == nullptr);
        CHECK(fails_with([&] { old->Text(); }, 1004, u"Application-defined or object-defined error"));
        must(cell->AddComment(u"x"))->Delete();
        CHECK(cell->Comment() == nullptr);
    }
    {
        Scope s("command bars");
        auto insert = must(must(must(app.CommandBars())->Item(u"worksheet Menu Bar"))->Controls())->Item(u"Insert");
        auto menu = must(must(insert)->Controls());
        const std::int32_t before = menu->Count();
        auto button = must(menu->Add(host::msoControlButton));
        button->Caption(u"Insert Quillette");
        CHECK(menu->Count() == before + 1 && button->Caption() == u"Insert Quillette");
        CHECK(fails_with([&] { must(app.CommandBars())->Item(u"No Such Bar"); }, err::kInvalidProcedureCall,
                         err::InvalidProcedureCall().description()));
        CHECK(failure([&] { insert->Advise(nullptr); }).number() != 0);
        button->Delete();
        CHECK(menu->Count() == before);
    }
}

void contract_on_both() {
    {
        Scope s("in-memory workbook");
        auto xl = memory::Excel::Create();
        auto app = xl->application();
        host_contract(*xl, *app);
    }
    {
        Scope s("bridge over the fake");
        const long objects = wintest::fake_counters().objects;
        {
            auto xl = memory::Excel::Create();
            FakeExcel excel(xl);
            {
                auto app = win32::wrap_application(excel.application());
                host_contract(*xl, *app);
            }
            CHECK(excel.application_refs() == 1);
        }
        CHECK(wintest::fake_counters().objects == objects);  // every fake object released
    }
}

// Failures of the dispatch layer itself, as the host's runtime numbers them.
void invoke_errors() {
    struct Row {
        const char* name;
        HRESULT hr;
        WORD wcode;
        HRESULT scode;
        const wchar_t* description;
        std::int32_t number;
        std::u16string text;
    };
    const Row rows[] = {
        {"automation error scode", DISP_E_EXCEPTION, 0, static_cast<HRESULT>(0x800A03EC), L"No cells were found.", 1004,
         u"No cells were found."},
        {"wCode", DISP_E_EXCEPTION, 1004, 0, L"From wCode", 1004, u"From wCode"},
        {"other scode kept", DISP_E_EXCEPTION, 0, E_FAIL, L"Method 'Delete' failed", static_cast<std::int32_t>(E_FAIL),
         u"Method 'Delete' failed"},
        {"unknown name", DISP_E_UNKNOWNNAME, 0, 0, nullptr, 438, u"Object doesn't support this property or method"},
        {"member not found", DISP_E_MEMBERNOTFOUND, 0, 0, nullptr, 438,
         u"Object doesn't support this property or method"},
        {"type mismatch", DISP_E_TYPEMISMATCH, 0, 0, nullptr, 13, u"Type mismatch"},
    };
    for (const Row& r : rows) {
        Scope s(r.name);
        EXCEPINFO e = {};
        e.wCode = r.wcode;
        e.scode = r.scode;
        e.bstrDescription = r.description ? SysAllocString(r.description) : nullptr;
        e.bstrSource = SysAllocString(L"Microsoft Excel");
        const HostError got = win32::invoke_error(r.hr, &e);
        CHECK(got.number() == r.number);
        CHECK(got.description() == r.text);
        CHECK(e.bstrDescription == nullptr && e.bstrSource == nullptr);  // freed
    }
    {
        Scope s("no description: the system's message");
        EXCEPINFO e = {};
        e.scode = E_OUTOFMEMORY;
        const HostError got = win32::invoke_error(DISP_E_EXCEPTION, &e);
        CHECK(got.number() == static_cast<std::int32_t>(E_OUTOFMEMORY));
        CHECK(!got.description().empty() && got.description() != u"Automation error");
    }
    {
        Scope s("a member the object lacks");
        wintest::FakeDispatch bare(true);
        auto app = win32::wrap_application(&bare);
        CHECK(fails_with([&] { app->hWnd(); }, 438, u"Object doesn't support this property or method"));
        app.reset();
        CHECK(bare.refs() == 1);
    }
}

// GetIDsOfNames is asked once per object type and name: formatting a long
// comment costs no more lookups than a short one, and nine calls a character
// (Characters, Font, seven puts).
void lookups_are_cached() {
    auto& counters = wintest::fake_counters();
    long lookups[2] = {};
    long invokes[2] = {};
    const std::int32_t lengths[2] = {10, 1000};
    for (int k = 0; k < 2; ++k) {
        auto xl = memory::Excel::Create();
        xl->sheet().add_comment("A1", std::u16string(static_cast<std::size_t>(lengths[k]), u'x'));
        FakeExcel excel(xl);
        auto app = win32::wrap_application(excel.application());
        auto frame = must(must(must(must(app->ActiveCell())->Comment())->Shape())->TextFrame());
        win32::clear_member_names();
        const long g0 = counters.get_ids_of_names, i0 = counters.invoke;
        wintest::format_characters(*frame, lengths[k]);
        lookups[k] = counters.get_ids_of_names - g0;
        invokes[k] = counters.invoke - i0;
    }
    CHECK(lookups[0] == 9);  // Characters, Font and seven Font members
    CHECK(lookups[1] == lookups[0]);
    CHECK(invokes[0] == 9 * lengths[0]);
    CHECK(invokes[1] == 9 * lengths[1]);
}

// The button's Click through the connection point, CancelDefault by reference.
class Recorder final : public host::CommandBarButtonEvents {
public:
    void Click(const std::shared_ptr<host::CommandBarControl>& Ctrl, bool& CancelDefault) override {
        ++clicks;
        caption = Ctrl ? Ctrl->Caption() : u"(nothing)";
        cancel_seen = CancelDefault;
        CancelDefault = cancel_reply;
    }
    int clicks = 0;
    std::u16string caption;
    bool cancel_seen = true;
    bool cancel_reply = false;
};

void button_events() {
    const long objects = wintest::fake_counters().objects;
    {
        auto xl = memory::Excel::Create();
        FakeExcel excel(xl);
        auto app = win32::wrap_application(excel.application());
        auto menu = must(must(must(must(app->CommandBars())->Item(u"worksheet Menu Bar"))->Controls())->Item(u"Insert"))
                        ->Controls();
        auto button = must(menu)->Add(host::msoControlButton);
        must(button)->Caption(u"Insert Quillette");
        auto recorder = std::make_shared<Recorder>();
        const std::uint32_t cookie = button->Advise(recorder);
        CHECK(cookie != 0);
        CHECK(!excel.click(u"Insert Quillette"));
        CHECK(recorder->clicks == 1 && recorder->caption == u"Insert Quillette" && !recorder->cancel_seen);
        recorder->cancel_reply = true;
        CHECK(excel.click(u"Insert Quillette"));  // written back through the reference
        button->Unadvise(cookie);
        button->Unadvise(cookie);  // unknown now: ignored
        excel.click(u"Insert Quillette");
        CHECK(recorder->clicks == 2);
        CHECK(wintest::fake_counters().event_failures == 0);
        // Not a button: the Insert popup has no Click to attach to.
        auto popup = must(must(must(app->CommandBars())->Item(u"worksheet Menu Bar"))->Controls())->Item(u"Insert");
        CHECK(failure([&] { popup->Advise(recorder); }).number() == err::kTypeMismatch);
        // A sink still advised when the button is deleted is released with it.
        button->Advise(recorder);
        button->Delete();
        CHECK(recorder.use_count() == 1);
    }
    CHECK(wintest::fake_counters().objects == objects);
}

}  // namespace

void bridge_suite(const std::vector<std::wstring>&) {
    CHECK(SUCCEEDED(CoInitialize(nullptr)));
    {
        Scope s("contract");
        contract_on_both();
    }
    {
        Scope s("errors");
        invoke_errors();
    }
    {
        Scope s("name cache");
        lookups_are_cached();
    }
    {
        Scope s("button events");
        button_events();
    }
    CoUninitialize();
}
