#pragma once
// The Click event of an Office command-bar button: a sink of
// _CommandBarButtonEvents, advised on the button's connection point.
#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <memory>

#include "ports/excel.h"
#include "platform/win32/handles.h"

namespace quill::win32 {

// An IDispatch-only sink that answers DIID_CommandBarButtonEvents and hands
// Click (DISPID 1: Ctrl by value, CancelDefault by reference) to `events`.
// It counts as a live object of the module while the host holds it.
ComPtr<IDispatch> make_button_event_sink(std::shared_ptr<host::CommandBarButtonEvents> events);

// Advises a new sink on the button's _CommandBarButtonEvents connection
// point; TypeMismatch when the object has none (it is not a button).
std::uint32_t advise_button(IDispatch* button, std::shared_ptr<host::CommandBarButtonEvents> events);
// Unadvises; a cookie the button does not know is ignored.
void unadvise_button(IDispatch* button, std::uint32_t cookie);

}  // namespace quill::win32
