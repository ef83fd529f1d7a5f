#pragma once
// Morvane, the add-in's one public class: the host creates it and calls Search
// with its Application object. Dual: early-bound callers use the vtable that the
// type library describes, late-bound callers reach the same Search through
// IDispatch, which runs on the type library embedded in this DLL.
#include <windows.h>
#include <oaidl.h>

#include <optional>
#include <string>

#include "base/com_object_win.h"
#include "tarvex_h.h"

namespace tarvex {

inline constexpr DISPID dispid_search = 0x60030000;

// {000208D5-0000-0000-C000-000000000046}: the host's Application interface.
// Search accepts only an object that answers for it.
inline constexpr IID iid_host_application = {0x000208D5, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

class Morvane final : public com::DualObject<_Morvane, ISupportErrorInfo> {
public:
    // Creates an object and answers `iid` for it: the class factory's work.
    [[nodiscard]] static HRESULT create(REFIID iid, void** object) noexcept;

    // IDispatch: names and type information come from the type library.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argument_error) override;

    // _Morvane
    HRESULT STDMETHODCALLTYPE Search(IDispatch** Application) override;

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

private:
    Morvane();
    ~Morvane() override = default;

    // Records a failure of Search in the thread's error object and returns `hr`.
    // Takes plain strings so that reporting "out of memory" needs no memory.
    HRESULT fail(HRESULT hr, const char16_t* description, const char16_t* source) noexcept;

    struct Failure {
        HRESULT hresult;
        std::u16string description;
        std::u16string source;
    };

    // The last failure of Search, kept so that Invoke can fill EXCEPINFO itself
    // when the type library's dispatcher does not.
    std::optional<Failure> failure_;
};

}  // namespace tarvex
