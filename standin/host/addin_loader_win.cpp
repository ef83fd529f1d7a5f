#include "host/addin_loader_win.h"

#include <oleauto.h>

#include <cstdint>
#include <memory>
#include <new>
#include <utility>

#include "base/owners_win.h"
#include "base/platform_win.h"
#include "host/window_win.h"

namespace standin::host {
namespace {

using Microsoft::WRL::ComPtr;

// The add-in's class, as its registration and its type library name it.
constexpr CLSID clsid_morvane = {0x41DEBC9A, 0x2327, 0x11D4, {0x98, 0xA4, 0x00, 0x60, 0x67, 0x30, 0x3F, 0xC9}};
const wchar_t prog_id[] = L"ExcelTarvex.Morvane";
const char16_t dll_name[] = u"Tarvex.dll";

using GetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

std::u16string trimmed(std::u16string text) {
    while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ')) {
        text.pop_back();
    }
    return text;
}

// The system's text for a code. A Win32 error wrapped in an HRESULT is looked
// up by its own number, which every message table knows.
std::u16string system_message(HRESULT hr) {
    const DWORD id = HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : static_cast<DWORD>(hr);
    wchar_t* buffer = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                         nullptr, id, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const tarvex::UniqueLocalMemory<wchar_t> owner(buffer);
    if (length == 0 || !buffer) {
        return u"Unexpected error.";
    }
    return trimmed(tarvex::from_wide(std::wstring_view(buffer, length)));
}

std::u16string hex8(std::uint32_t value) {
    static constexpr char16_t digits[] = u"0123456789ABCDEF";
    std::u16string text(8, u'0');
    for (int i = 7; i >= 0; --i) {
        text[static_cast<std::size_t>(i)] = digits[value & 0xF];
        value >>= 4;
    }
    return text;
}

std::u16string full_path(const std::u16string& path) {
    const wchar_t* source = wide(path);
    const DWORD needed = ::GetFullPathNameW(source, 0, nullptr, nullptr);
    if (needed == 0) {
        return path;
    }
    std::u16string full(needed, u'\0');
    const DWORD length = ::GetFullPathNameW(source, needed, reinterpret_cast<wchar_t*>(full.data()), nullptr);
    if (length == 0 || length >= needed) {
        return path;
    }
    full.resize(length);
    return full;
}

bool is_file(const std::u16string& path) {
    const DWORD attributes = ::GetFileAttributesW(wide(path));
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Where a build or an installation puts the DLL: beside this program, or in the
// folder above it (the build keeps the stand-in host in a subfolder).
std::u16string find_beside_program() {
    const std::u16string folder = tarvex::from_wide(tarvex::folder_of(tarvex::module_path(nullptr)));
    if (folder.empty()) {
        return {};
    }
    for (const std::u16string& candidate : {folder + dll_name, folder + u"..\\" + dll_name}) {
        if (is_file(candidate)) {
            return full_path(candidate);
        }
    }
    return {};
}

// Search(Application) as a macro calls it late-bound: the name looked up, the
// variable holding the object passed by reference.
std::optional<AddinFailure> call_search(IDispatch* object, IDispatch* application) {
    OLECHAR name[] = L"Search";
    LPOLESTR names[] = {name};
    DISPID dispid = DISPID_UNKNOWN;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
    if (FAILED(hr)) {
        return AddinFailure{hr, system_message(hr)};
    }

    // The callee may put another object into the variable; it is the variable's
    // business then, never the host's own reference.
    ComPtr<IDispatch> variable(application);
    VARIANT argument;
    ::VariantInit(&argument);
    argument.vt = VT_DISPATCH | VT_BYREF;
    argument.ppdispVal = variable.GetAddressOf();
    DISPPARAMS params{&argument, nullptr, 1, 0};
    tarvex::ExcepInfo filled;
    tarvex::Variant result;
    UINT argument_error = 0;
    hr = object->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.get(), filled.get(),
                        &argument_error);
    if (SUCCEEDED(hr)) {
        return std::nullopt;
    }
    if (hr != DISP_E_EXCEPTION) {
        return AddinFailure{hr, system_message(hr)};
    }
    EXCEPINFO& exception = *filled.get();
    if (exception.pfnDeferredFillIn) {
        exception.pfnDeferredFillIn(&exception);
    }
    // A macro error number without an scode is the macro language's own code.
    const HRESULT code = exception.scode != 0   ? exception.scode
                         : exception.wCode != 0 ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, exception.wCode)
                                                : hr;
    const std::u16string description = tarvex::from_bstr(exception.bstrDescription);
    return AddinFailure{code, description.empty() ? system_message(code) : description};
}

}  // namespace

std::optional<AddinFailure> AddinLoader::search(IDispatch* application) {
    try {
        if (!application) {
            return AddinFailure{E_POINTER, u"The host has no Application object."};
        }
        ComPtr<IDispatch> object;
        if (dll_path_.empty()) {
            const std::optional<HRESULT> registered = create_registered(&object);
            if (!registered || FAILED(*registered)) {
                // A registration that points nowhere useful is not the end: the
                // DLL of this build may still be at hand.
                if (std::optional<AddinFailure> failure = create_from_file(&object)) {
                    return registered ? AddinFailure{*registered, system_message(*registered)} : *failure;
                }
            }
        } else if (std::optional<AddinFailure> failure = create_from_file(&object)) {
            return failure;
        }
        if (!object) {
            return AddinFailure{E_NOINTERFACE, system_message(E_NOINTERFACE)};
        }
        std::optional<AddinFailure> failure = call_search(object.Get(), application);
        // A host drops the object as soon as Search returns; the window it shows
        // belongs to the add-in, not to this reference.
        object.Reset();
        return failure;
    } catch (const std::bad_alloc&) {
        return AddinFailure{E_OUTOFMEMORY, u"Out of memory."};
    } catch (...) {
        return AddinFailure{E_UNEXPECTED, u"Unexpected error."};
    }
}

std::optional<HRESULT> AddinLoader::create_registered(ComPtr<IDispatch>* object) const {
    CLSID clsid{};
    if (FAILED(::CLSIDFromProgID(prog_id, &clsid))) {
        return std::nullopt;
    }
    return ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(object->ReleaseAndGetAddressOf()));
}

std::optional<AddinFailure> AddinLoader::create_from_file(ComPtr<IDispatch>* object) {
    if (std::optional<AddinFailure> failure = load_module()) {
        return failure;
    }
    // Through a void pointer: GCC warns about any direct cast between unrelated function types.
    const auto get_class_object = reinterpret_cast<GetClassObjectFunction>(
        reinterpret_cast<void*>(::GetProcAddress(module_, "DllGetClassObject")));
    if (!get_class_object) {
        const HRESULT hr = HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
        return AddinFailure{hr, u"Tarvex.dll has no class factory: " + system_message(hr)};
    }
    ComPtr<IClassFactory> factory;
    HRESULT hr = get_class_object(clsid_morvane, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf()));
    if (FAILED(hr) || !factory) {
        return AddinFailure{FAILED(hr) ? hr : E_NOINTERFACE, system_message(FAILED(hr) ? hr : E_NOINTERFACE)};
    }
    hr = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(object->ReleaseAndGetAddressOf()));
    if (FAILED(hr) || !*object) {
        return AddinFailure{FAILED(hr) ? hr : E_NOINTERFACE, system_message(FAILED(hr) ? hr : E_NOINTERFACE)};
    }
    return std::nullopt;
}

std::optional<AddinFailure> AddinLoader::load_module() {
    if (module_) {
        return std::nullopt;
    }
    const std::u16string path = dll_path_.empty() ? find_beside_program() : full_path(dll_path_);
    if (path.empty()) {
        return AddinFailure{HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND),
                            u"Tarvex is not registered, and Tarvex.dll is neither beside tarvex-host.exe nor in the "
                            u"folder above it."};
    }
    module_ = ::LoadLibraryW(wide(path));
    if (!module_) {
        const DWORD error = ::GetLastError();
        const HRESULT hr = HRESULT_FROM_WIN32(error != ERROR_SUCCESS ? error : ERROR_MOD_NOT_FOUND);
        return AddinFailure{hr, u"Cannot load " + path + u": " + system_message(hr)};
    }
    return std::nullopt;
}

std::u16string describe_open_failure(const AddinFailure& failure) {
    return u"Tarvex could not be opened: " + failure.description + u" (0x" +
           hex8(static_cast<std::uint32_t>(failure.hresult)) + u")";
}

}  // namespace standin::host
