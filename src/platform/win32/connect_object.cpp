#include "platform/win32/connect_object.h"

#include <oleauto.h>

#include <new>

#include "platform/win32/dispatch_bridge.h"
#include "platform/win32/errors.h"
#include "platform/win32/message_box.h"
#include "platform/win32/module.h"
#include "platform/win32/registry_settings.h"
#include "platform/win32/window_form.h"

namespace quill::win32 {

namespace {

ComPtr<ITypeInfo> load_type_info(const wchar_t* resource_suffix, REFGUID iid) {
    const std::wstring path = module_path() + resource_suffix;
    ComPtr<ITypeLib> lib;
    check(LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.put()), u"The type library cannot be loaded.");
    ComPtr<ITypeInfo> info;
    check(lib->GetTypeInfoOfGuid(iid, info.put()), u"The type library lacks an interface.");
    return info;
}

class ConnectObject;

// IUnknown and IDispatch of one interface of ConnectObject, forwarding
// identity and lifetime to the object and dispatching through the
// interface's own type information.
template <class Iface>
class Part : public Iface {
public:
    Part(ConnectObject& outer, ComPtr<ITypeInfo> info) : outer_(outer), info_(std::move(info)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        *out = info_.clone().detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        return DispGetIDsOfNames(info_.get(), names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep, UINT* arg_err) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        return info_->Invoke(static_cast<Iface*>(this), id, flags, params, result, excep, arg_err);
    }

protected:
    ConnectObject& outer_;
    host::Connect& core() const;

private:
    ComPtr<ITypeInfo> info_;
};

class ConnectPart final : public Part<_Connect> {
public:
    using Part::Part;

    HRESULT STDMETHODCALLTYPE get_FormDisplayed(VARIANT_BOOL* value) override {
        if (!value) return E_POINTER;
        *value = core().FormDisplayed() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_FormDisplayed(VARIANT_BOOL value) override {
        core().FormDisplayed(value != VARIANT_FALSE);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_xlapp(IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = ComPtr<IDispatch>::copy(dispatch_of(core().xlapp())).detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE putref_xlapp(IDispatch* app) override {
        return com_boundary([&] {
            core().xlapp(wrap_application(app));
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_MenuHandler(IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = ComPtr<IDispatch>::copy(dispatch_of(core().MenuHandler())).detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE putref_MenuHandler(IDispatch* button) override {
        return com_boundary([&] {
            core().MenuHandler(wrap_control(button));
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Hide() override {
        return com_boundary([&] {
            core().Hide();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Show() override {
        return com_boundary([&] {
            core().Show();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE AddToAddInCommandBar(BSTR* sCaption, IDispatch** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (!sCaption) return E_POINTER;
        return com_boundary([&] {
            const auto control = core().AddToAddInCommandBar(to_u16(*sCaption, SysStringLen(*sCaption)));
            *result = ComPtr<IDispatch>::copy(dispatch_of(control)).detach();
            return S_OK;
        });
    }
};

// The host is told every notification succeeded, whatever happened inside.
class ExtensibilityPart final : public Part<IDTExtensibility2> {
public:
    using Part::Part;

    HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode, IDispatch*,
                                           SAFEARRAY**) override {
        com_boundary([&] {
            // Wrapping only copies a pointer; taking the object through the
            // Application interface happens inside the core's trap.
            core().AddinInstance_OnConnection(wrap_object(Application), static_cast<std::int32_t>(ConnectMode));
            return S_OK;
        });
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDisconnection(LONG RemoveMode, SAFEARRAY**) override {
        core().AddinInstance_OnDisconnection(RemoveMode);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY**) override {
        core().OnAddInsUpdate();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY**) override {
        core().OnStartupComplete();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY**) override {
        core().OnBeginShutdown();
        return S_OK;
    }
};

class ConnectObject {
public:
    ConnectObject()
        : core_(host::Connect::Create(default_services())),
          connect_(*this, load_type_info(L"", IID__Connect)),
          extensibility_(*this, load_type_info(L"\\2", IID_IDTExtensibility2)) {
        object_created();
    }
    ~ConnectObject() { object_destroyed(); }
    ConnectObject(const ConnectObject&) = delete;
    ConnectObject& operator=(const ConnectObject&) = delete;

    HRESULT QueryInterface(REFIID riid, void** out) noexcept {
        if (!out) return E_POINTER;
        *out = nullptr;
        IUnknown* found = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID__Connect) {
            found = identity();
        } else if (riid == IID_IDTExtensibility2) {
            found = static_cast<IDTExtensibility2*>(&extensibility_);
        } else {
            return E_NOINTERFACE;
        }
        found->AddRef();
        *out = found;
        return S_OK;
    }
    // The one count behind both interfaces' AddRef and Release.
    ULONG add_ref() noexcept { return ++refs_; }
    ULONG drop_ref() noexcept {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    // The identity, carrying the reference the object is born with.
    IUnknown* identity() noexcept { return static_cast<_Connect*>(&connect_); }
    host::Connect& core() noexcept { return *core_; }

private:
    std::atomic<ULONG> refs_{1};
    std::shared_ptr<host::Connect> core_;
    ConnectPart connect_;
    ExtensibilityPart extensibility_;
};

template <class Iface>
HRESULT Part<Iface>::QueryInterface(REFIID riid, void** out) {
    return outer_.QueryInterface(riid, out);
}
template <class Iface>
ULONG Part<Iface>::AddRef() {
    return outer_.add_ref();
}
template <class Iface>
ULONG Part<Iface>::Release() {
    return outer_.drop_ref();
}
template <class Iface>
host::Connect& Part<Iface>::core() const {
    return outer_.core();
}

}  // namespace

host::ConnectServices default_services() {
    host::ConnectServices services;
    services.messages = std::make_shared<Win32MessageBox>();
    services.settings = std::make_shared<RegistrySettings>();
    services.make_dialog = window_dialog_factory();
    return services;
}

HRESULT create_connect_object(REFIID riid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    return com_boundary([&] {
        const auto object = ComPtr<IUnknown>::attach((new ConnectObject())->identity());
        return object->QueryInterface(riid, out);
    });
}

}  // namespace quill::win32
