#pragma once
// The COM class Connect: the creatable object Excel loads. It presents the
// core's host::Connect through two dual interfaces, _Connect (default) and
// IDTExtensibility2, each a member object with IDispatch of its own driven by
// its type library.
#include <windows.h>

#include <atomic>
#include <memory>

#include "extensibility.h"
#include "host/connect.h"
#include "platform/win32/handles.h"
#include "quillpix.h"

namespace quill::win32 {

// Creates a Connect and returns the interface asked for.
HRESULT create_connect_object(REFIID riid, void** out) noexcept;

// Services the DLL gives every Connect: registry settings, real (or logged)
// message boxes, the dialog factory.
host::ConnectServices default_services();

}  // namespace quill::win32
