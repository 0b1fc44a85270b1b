#pragma once
// The host ports of host/excel.h over the host's objects, reached through
// late-bound IDispatch (dispatch_call.h): every member is called by name, as
// the host's type libraries are not available at build time.
#include <windows.h>
#include <oaidl.h>

#include <memory>

#include "ports/excel.h"
#include "platform/win32/handles.h"

namespace quill::win32 {

// Excel's Application interface (Excel object library, _Application).
inline constexpr GUID IID_ExcelApplication = {0x000208D5, 0x0000, 0x0000,
                                              {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// Excel's Range interface: what tells a selected range from a selected shape.
inline constexpr GUID IID_ExcelRange = {0x00020846, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// Office's _CommandBarButtonEvents, the event interface of a button.
inline constexpr GUID DIID_CommandBarButtonEvents = {0x000C0351, 0x0000, 0x0000,
                                                     {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// Its Click(Ctrl As CommandBarButton, CancelDefault As Boolean).
inline constexpr DISPID kDispidClick = 1;

// Every bridged object can give back the IDispatch it wraps, so that a
// property getter returns the very object the host handed in.
class DispatchHolder {
public:
    virtual ~DispatchHolder() = default;
    virtual IDispatch* dispatch() const noexcept = 0;
};

// The IDispatch behind a host object, or null when it has none (nothing, or
// an object that did not come through the bridge).
template <class T>
IDispatch* dispatch_of(const std::shared_ptr<T>& object) noexcept {
    const auto* holder = dynamic_cast<const DispatchHolder*>(object.get());
    return holder ? holder->dispatch() : nullptr;
}

// Any automation object the host hands over.
std::shared_ptr<host::Object> wrap_object(IDispatch* object);  // nullptr for null
// Taken through Excel's Application interface; TypeMismatch when the object
// does not answer it.
std::shared_ptr<host::Application> wrap_application(IDispatch* object);
std::shared_ptr<host::CommandBarControl> wrap_control(IDispatch* object);  // nullptr for null

}  // namespace quill::win32
