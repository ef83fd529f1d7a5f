// The in-process server's entry points. They only route: the classes live in
// morvane_win.cpp and connect_win.cpp, the registry entries in registration_win.cpp.
#include <windows.h>
#include <objbase.h>

#include <new>
#include <string>
#include <utility>

#include "addin/addin_module_win.h"
#include "base/module_win.h"
#include "addin/connect_win.h"
#include "addin/morvane_win.h"
#include "addin/registration_win.h"
#include "tarvex_h.h"
#include "ui/controls/window_class_win.h"

namespace {

using tarvex::registration::Scope;

// One factory per class for the DLL's life. References to it lock the module,
// so that a client holding the factory cannot see the DLL unloaded under it.
class ClassFactory final : public IClassFactory {
public:
    using Create = HRESULT (*)(REFIID, void**) noexcept;
    explicit constexpr ClassFactory(Create create) : create_(create) {}

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
        return create_(iid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            tarvex::module::lock();
        } else {
            tarvex::module::unlock();
        }
        return S_OK;
    }

private:
    Create create_;
};

ClassFactory morvane_factory(&tarvex::Morvane::create);
ClassFactory connect_factory(&tarvex::Connect::create);

// What DllInstall's command line asks for: "user" for the current user only,
// "addin" for the host's add-in entry as well, in any order, comma separated.
struct InstallRequest {
    bool user = false;
    bool addin = false;
    bool valid = true;
};

InstallRequest read_request(LPCWSTR command_line) {
    InstallRequest request;
    if (command_line == nullptr) {
        return request;
    }
    const std::wstring text(command_line);
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(L',', start);
        if (end == std::wstring::npos) {
            end = text.size();
        }
        std::wstring word = text.substr(start, end - start);
        const auto first = word.find_first_not_of(L' ');
        const auto last = word.find_last_not_of(L' ');
        word = first == std::wstring::npos ? std::wstring() : word.substr(first, last - first + 1);
        const auto is = [&](const wchar_t* name) {
            return ::CompareStringOrdinal(word.c_str(), -1, name, -1, TRUE) == CSTR_EQUAL;
        };
        if (is(L"user")) {
            request.user = true;
        } else if (is(L"addin")) {
            request.addin = true;
        } else if (!word.empty() || text.find(L',') != std::wstring::npos) {
            request.valid = false;
        }
        start = end + 1;
    }
    return request;
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
        tarvex::abandon_host_objects();
    } else {
        tarvex::unregister_window_classes();
    }
    tarvex::com::release_module_type_info(process_exiting);
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    try {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (clsid == CLSID_Morvane) {
            return morvane_factory.QueryInterface(iid, object);
        }
        if (clsid == CLSID_Connect) {
            return connect_factory.QueryInterface(iid, object);
        }
        return CLASS_E_CLASSNOTAVAILABLE;
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
// it. /n /i:user,addin (or /n /i:addin per machine) also writes the host's add-in
// entry, so that the host shows Tarvex's ribbon button. regsvr32 /i without /n
// calls DllRegisterServer first and then this, so an empty command line means
// machine-wide again.
STDAPI DllInstall(BOOL install, LPCWSTR command_line) {
    try {
        const InstallRequest request = read_request(command_line);
        if (!request.valid) {
            return E_INVALIDARG;
        }
        const Scope scope = request.user ? Scope::user : Scope::machine;
        if (!install) {
            // Unregistering removes the add-in entry with the classes it names.
            return tarvex::registration::unregister_server(scope);
        }
        HRESULT hr = tarvex::registration::register_server(scope);
        if (SUCCEEDED(hr) && request.addin) {
            hr = tarvex::registration::register_addin(scope);
        }
        return hr;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
