#include "platform/win32/button_events.h"

#include <ocidl.h>
#include <olectl.h>

#include <atomic>

#include "platform/win32/dispatch_bridge.h"
#include "platform/win32/errors.h"
#include "platform/win32/module.h"

namespace quill::win32 {

namespace {

class ButtonEventSink final : public IDispatch {
public:
    explicit ButtonEventSink(std::shared_ptr<host::CommandBarButtonEvents> events) : events_(std::move(events)) {
        object_created();
    }
    ~ButtonEventSink() { object_destroyed(); }
    ButtonEventSink(const ButtonEventSink&) = delete;
    ButtonEventSink& operator=(const ButtonEventSink&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDispatch && riid != DIID_CommandBarButtonEvents) {
            return E_NOINTERFACE;
        }
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!names || !ids || count == 0) return E_POINTER;
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        if (lstrcmpiW(names[0], L"Click") != 0) return DISP_E_UNKNOWNNAME;
        ids[0] = kDispidClick;
        return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
    // Events come with their arguments in reverse order: rgvarg[1] is Ctrl,
    // rgvarg[0] the Boolean CancelDefault by reference.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT* arg_err) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        if (id != kDispidClick) return DISP_E_MEMBERNOTFOUND;
        if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
        if (!params || params->cArgs != 2 || params->cNamedArgs != 0) return DISP_E_BADPARAMCOUNT;
        if (result) VariantInit(result);
        VARIANT& cancel = params->rgvarg[0];
        VARIANT& ctrl = params->rgvarg[1];
        if (cancel.vt != (VT_BOOL | VT_BYREF) || !cancel.pboolVal) {
            if (arg_err) *arg_err = 1;
            return DISP_E_TYPEMISMATCH;
        }
        IDispatch* control = nullptr;
        if (ctrl.vt == VT_DISPATCH) {
            control = ctrl.pdispVal;
        } else if (ctrl.vt == (VT_DISPATCH | VT_BYREF) && ctrl.ppdispVal) {
            control = *ctrl.ppdispVal;
        } else if (ctrl.vt != VT_EMPTY) {
            if (arg_err) *arg_err = 0;
            return DISP_E_TYPEMISMATCH;
        }
        return com_boundary([&] {
            bool cancel_default = *cancel.pboolVal != VARIANT_FALSE;
            events_->Click(wrap_control(control), cancel_default);
            *cancel.pboolVal = cancel_default ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        });
    }

private:
    std::atomic<ULONG> refs_{1};
    std::shared_ptr<host::CommandBarButtonEvents> events_;
};

ComPtr<IConnectionPoint> click_point(IDispatch* button) {
    if (!button) throw err::ObjectRequired();
    ComPtr<IConnectionPointContainer> container;
    if (FAILED(button->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.put()))) ||
        !container) {
        throw err::TypeMismatch();
    }
    ComPtr<IConnectionPoint> point;
    if (FAILED(container->FindConnectionPoint(DIID_CommandBarButtonEvents, point.put())) || !point) {
        throw err::TypeMismatch();
    }
    return point;
}

}  // namespace

ComPtr<IDispatch> make_button_event_sink(std::shared_ptr<host::CommandBarButtonEvents> events) {
    if (!events) throw err::ObjectRequired();
    return ComPtr<IDispatch>::attach(new ButtonEventSink(std::move(events)));
}

std::uint32_t advise_button(IDispatch* button, std::shared_ptr<host::CommandBarButtonEvents> events) {
    const ComPtr<IConnectionPoint> point = click_point(button);
    const ComPtr<IDispatch> sink = make_button_event_sink(std::move(events));
    DWORD cookie = 0;
    const HRESULT hr = point->Advise(sink.get(), &cookie);
    // The point refuses a sink it cannot call: the control is no button.
    if (hr == CONNECT_E_CANNOTCONNECT) throw err::TypeMismatch();
    check(hr, u"The button's Click event cannot be attached.");
    return cookie;
}

void unadvise_button(IDispatch* button, std::uint32_t cookie) {
    const HRESULT hr = click_point(button)->Unadvise(cookie);
    if (FAILED(hr) && hr != CONNECT_E_NOCONNECTION) throw_hresult(hr, u"The button's Click event cannot be detached.");
}

}  // namespace quill::win32
