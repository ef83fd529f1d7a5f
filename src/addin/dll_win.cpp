// The in-process server's entry points. They only route: the class lives in
// morvane_win.cpp, the registry entries in registration_win.cpp.
#include <windows.h>
#include <objbase.h>

#include <new>
#include <utility>

#include "engine/session.h"
#include "base/module_win.h"
#include "addin/morvane_win.h"
#include "addin/registration_win.h"
#include "tarvex_h.h"
#include "ui/controls/window_class_win.h"

namespace {

using tarvex::registration::Scope;

// One factory for the DLL's life. References to it lock the module, so that a
// client holding the factory cannot see the DLL unloaded under it.
class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (iid != IID_IUnknown && iid != IID_IClassFactory) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        tarvex::module::lock();
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        tarvex::module::unlock();
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        return tarvex::Morvane::create(iid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            tarvex::module::lock();
        } else {
            tarvex::module::unlock();
        }
        return S_OK;
    }
};

ClassFactory factory;

bool names_user(LPCWSTR command_line) {
    return command_line != nullptr && ::CompareStringOrdinal(command_line, -1, L"user", -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason != DLL_PROCESS_DETACH) {
        return TRUE;
    }
    // reserved is null when FreeLibrary unloads the DLL; otherwise the process is
    // ending, other DLLs may already be gone, and nothing is worth cleaning up.
    const bool process_exiting = reserved != nullptr;
    if (process_exiting) {
        // The host's objects must not be released into a host that is shutting
        // down: the globals are abandoned, not destroyed.
        auto* abandoned = new (std::nothrow) tarvex::AddinGlobals(std::move(tarvex::globals()));
        (void)abandoned;
    } else {
        tarvex::unregister_window_classes();
    }
    tarvex::release_morvane_type_info(process_exiting);
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    try {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (clsid != CLSID_Morvane) {
            return CLASS_E_CLASSNOTAVAILABLE;
        }
        return factory.QueryInterface(iid, object);
    } catch (...) {
        return E_UNEXPECTED;
    }
}

STDAPI DllCanUnloadNow() {
    return tarvex::module::lock_count() > 0 ? S_FALSE : S_OK;
}

STDAPI DllRegisterServer() {
    return tarvex::registration::register_server(Scope::machine);
}

STDAPI DllUnregisterServer() {
    return tarvex::registration::unregister_server(Scope::machine);
}

// regsvr32 /n /i:user registers for the current user only; /u /n /i:user undoes
// it. regsvr32 /i without /n calls DllRegisterServer first and then this, so an
// empty command line means machine-wide again.
STDAPI DllInstall(BOOL install, LPCWSTR command_line) {
    Scope scope = Scope::machine;
    if (names_user(command_line)) {
        scope = Scope::user;
    } else if (command_line != nullptr && command_line[0] != L'\0') {
        return E_INVALIDARG;
    }
    return install ? tarvex::registration::register_server(scope) : tarvex::registration::unregister_server(scope);
}
