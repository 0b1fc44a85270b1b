// The module entry and the four exports of an in-process COM server. None of
// them carries logic of the add-in; each converts failures to an HRESULT.
#include <windows.h>

#include "platform/win32/connect_object.h"
#include "platform/win32/errors.h"
#include "platform/win32/module.h"
#include "platform/win32/registration.h"

namespace quill::win32 {
namespace {

// One static factory for the one class; its lifetime is the module's, and
// only LockServer counts towards keeping the module loaded.
class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
        *out = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return create_connect_object(riid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        lock_server(lock != FALSE);
        return S_OK;
    }
};

ClassFactory g_factory;

}  // namespace
}  // namespace quill::win32

using namespace quill::win32;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        set_module_handle(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid != CLSID_Connect) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, out);
}

STDAPI DllCanUnloadNow() { return can_unload() ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
    return com_boundary([] { return register_server(module_path()); });
}

STDAPI DllUnregisterServer() { return unregister_server(); }

}  // extern "C"
