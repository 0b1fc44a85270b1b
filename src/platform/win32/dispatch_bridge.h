#pragma once
// Host objects reached through late-bound IDispatch. This first cut knows
// only how to take an object through Excel's Application interface and how to
// hand the underlying IDispatch back; the members of the object model are
// filled in by the full bridge.
#include <windows.h>
#include <oaidl.h>

#include <memory>

#include "host/excel.h"
#include "platform/win32/handles.h"

namespace quill::win32 {

// Excel's Application interface (Excel object library, _Application).
inline constexpr GUID IID_ExcelApplication = {0x000208D5, 0x0000, 0x0000,
                                              {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

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
