#pragma once
// A fake Excel automation server: the in-memory workbook's host ports served
// through IDispatch, as Excel serves its object model, for the members the
// Windows tests and the benchmark call (any other answers as unknown). Each object type has
// one table of members (name, DISPID, parameter names, getter, putter); names
// and named arguments resolve as in Excel (case-insensitive; a parameter's
// DISPID is its position), property puts must come with DISPID_PROPERTYPUT,
// and a failing port call becomes DISP_E_EXCEPTION with an EXCEPINFO whose
// scode is 0x800A0000 | number for the host's error numbers (the HRESULT
// itself for a negative one). A Font attribute that differs within the span
// answers VT_NULL, as Excel's does.
//
// Strict where the add-in's calls are concerned: unknown names, a put
// without DISPID_PROPERTYPUT, a missing or surplus argument, and a control
// type passed as anything but a 16-bit integer are refused.
//
// The application answers QueryInterface for Excel's _Application; ranges
// answer Excel's Range interface; every command-bar control is an
// IConnectionPointContainer whose _CommandBarButtonEvents point advises the
// sink on the model's button, so that Excel::click (or FakeExcel::click)
// fires Click through the connection point into the sink's Invoke.
//
// Typical use (a later test opening the real dialog through Connect):
//   auto model = quill::memory::Excel::Create();
//   wintest::FakeExcel excel(model);
//   ... CoCreateInstance(Quillpix.Connect) ... ext->OnConnection(excel.application(), ext_cm_Startup, ...)
//   excel.click(u"Insert Quillette");   // the newest such button of the Insert menu: Connect.Show
//   ... ext->OnDisconnection(...); release Connect
//   EXPECT_EQ(wintest::fake_counters().objects, 1);  // only the application, held by `excel`
#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <string>

#include "platform/memory/workbook.h"
#include "platform/win32/handles.h"

namespace wintest {

// Process-wide counts over every fake object.
struct FakeCounters {
    long get_ids_of_names = 0;  // GetIDsOfNames calls
    long invoke = 0;            // Invoke calls (events sent to sinks not included)
    long objects = 0;           // fake COM objects alive now
    long event_failures = 0;    // Click events whose sink's Invoke failed
};
FakeCounters& fake_counters();

class FakeExcel {
public:
    explicit FakeExcel(std::shared_ptr<quill::memory::Excel> model);
    ~FakeExcel();
    FakeExcel(const FakeExcel&) = delete;
    FakeExcel& operator=(const FakeExcel&) = delete;

    // The Application object; this FakeExcel holds one reference to it.
    IDispatch* application() const { return app_.get(); }

    // An automation object that is not Excel's application: it answers no member.
    static quill::win32::ComPtr<IDispatch> stranger();
    // The user clicks the last button with this caption in the worksheet menu
    // bar's Insert menu: Click reaches every sink advised on it. Returns
    // CancelDefault as the sinks left it; false when there is no such button.
    bool click(std::u16string_view caption);
    // Buttons with this caption in the Insert menu.
    int count_buttons(std::u16string_view caption) const;
    // Excel's main window: a real top-level window of class "XLMAIN", whose
    // handle Application.hWnd returns (unless the model has none); null once
    // destroyed, as Excel 2013 and later destroy a workbook's window.
    HWND main_window() const { return IsWindow(main_) ? main_ : nullptr; }

private:
    std::shared_ptr<quill::memory::Excel> model_;
    quill::win32::ComPtr<IDispatch> app_;
    HWND main_ = nullptr;
};

}  // namespace wintest
