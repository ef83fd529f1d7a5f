#pragma once
// Morvane, the add-in's one public class: the host creates it and calls Search
// with its Application object. Dual: early-bound callers use the vtable that the
// type library describes, late-bound callers reach the same Search through
// IDispatch, which runs on the type library embedded in this DLL.
#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <optional>
#include <string>

#include "base/module_win.h"
#include "tarvex_h.h"

namespace tarvex {

inline constexpr DISPID dispid_search = 0x60030000;

// {000208D5-0000-0000-C000-000000000046}: the host's Application interface.
// Search accepts only an object that answers for it.
inline constexpr IID iid_host_application = {0x000208D5, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

class Morvane final : public _Morvane, public ISupportErrorInfo {
public:
    // Creates an object and answers `iid` for it: the class factory's work.
    [[nodiscard]] static HRESULT create(REFIID iid, void** object) noexcept;

    Morvane(const Morvane&) = delete;
    Morvane& operator=(const Morvane&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argument_error) override;

    // _Morvane
    HRESULT STDMETHODCALLTYPE Search(IDispatch** Application) override;

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

private:
    Morvane() = default;
    ~Morvane() = default;

    // Records a failure of Search in the thread's error object and returns `hr`.
    // Takes plain strings so that reporting "out of memory" needs no memory.
    HRESULT fail(HRESULT hr, const char16_t* description, const char16_t* source) noexcept;

    struct Failure {
        HRESULT hresult;
        std::u16string description;
        std::u16string source;
    };

    std::atomic<ULONG> references_{1};
    // The last failure of Search, kept so that Invoke can fill EXCEPINFO itself
    // when the type library's dispatcher does not.
    std::optional<Failure> failure_;
    module::Lock module_lock_;
};

// Lets go of the type information cached for every object; the DLL calls it when
// it unloads. At process exit (`process_exiting`) oleaut32 may already be gone,
// so the reference is abandoned rather than released.
void release_morvane_type_info(bool process_exiting) noexcept;

}  // namespace tarvex
