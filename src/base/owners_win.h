#pragma once
// Every owner of a Win32 handle or a COM value that Tarvex and the stand-in host
// create, one line each where a deleter is enough. An owner is move-only and
// gives its handle back exactly once; no code outside this header calls the
// matching release function itself.
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <memory>
#include <type_traits>
#include <utility>

namespace tarvex {

// A unique_ptr over a handle type with a free function as its deleter.
template <class Handle, auto close>
struct HandleCloser {
    void operator()(Handle handle) const noexcept { close(handle); }
};
template <class Handle, auto close>
using UniqueHandleOf = std::unique_ptr<std::remove_pointer_t<Handle>, HandleCloser<Handle, close>>;

inline void delete_gdi_object(HGDIOBJ object) noexcept {
    ::DeleteObject(object);
}
inline void close_kernel_handle(HANDLE handle) noexcept {
    ::CloseHandle(handle);
}

using UniqueWindow = UniqueHandleOf<HWND, ::DestroyWindow>;
using UniqueMenu = UniqueHandleOf<HMENU, ::DestroyMenu>;
using UniqueAccelerators = UniqueHandleOf<HACCEL, ::DestroyAcceleratorTable>;
using UniqueIcon = UniqueHandleOf<HICON, ::DestroyIcon>;
using UniqueFont = UniqueHandleOf<HFONT, delete_gdi_object>;
using UniqueBrush = UniqueHandleOf<HBRUSH, delete_gdi_object>;
using UniquePen = UniqueHandleOf<HPEN, delete_gdi_object>;
using UniqueBitmap = UniqueHandleOf<HBITMAP, delete_gdi_object>;
using UniqueRegion = UniqueHandleOf<HRGN, delete_gdi_object>;
using UniqueMemoryDc = UniqueHandleOf<HDC, ::DeleteDC>;
using UniqueHKey = UniqueHandleOf<HKEY, ::RegCloseKey>;
using UniqueLibrary = UniqueHandleOf<HMODULE, ::FreeLibrary>;
using UniqueHook = UniqueHandleOf<HHOOK, ::UnhookWindowsHookEx>;
using UniqueKernelHandle = UniqueHandleOf<HANDLE, close_kernel_handle>;
using UniqueActivationContext = UniqueHandleOf<HANDLE, ::ReleaseActCtx>;
using UniqueBstr = UniqueHandleOf<BSTR, ::SysFreeString>;
// Text that COM allocated for the caller (ProgIDFromCLSID, StringFromCLSID).
using UniqueCoTaskText = UniqueHandleOf<LPOLESTR, ::CoTaskMemFree>;
using UniqueSafeArray = UniqueHandleOf<SAFEARRAY*, ::SafeArrayDestroy>;

// Memory that a system function allocated for its caller with LocalAlloc, such as
// FormatMessage's buffer or CommandLineToArgvW's array.
struct LocalFreer {
    void operator()(void* memory) const noexcept { ::LocalFree(memory); }
};
template <class T>
using UniqueLocalMemory = std::unique_ptr<T, LocalFreer>;

// A window's device context (the screen's for nullptr), released with the window
// it came from.
class WindowDc {
public:
    explicit WindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
    ~WindowDc() {
        if (dc_) {
            ::ReleaseDC(window_, dc_);
        }
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const noexcept { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// A GDI object selected into a device context for one scope; the one it replaced
// goes back at the end.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(dc ? ::SelectObject(dc, object) : nullptr) {}
    ~SelectObjectScope() {
        if (dc_ && old_) {
            ::SelectObject(dc_, old_);
        }
    }
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// One VARIANT, cleared when it goes; moving leaves VT_EMPTY behind.
class Variant {
public:
    Variant() noexcept { ::VariantInit(&value_); }
    Variant(Variant&& other) noexcept : value_(other.value_) { ::VariantInit(&other.value_); }
    Variant& operator=(Variant&& other) noexcept {
        if (this != &other) {
            ::VariantClear(&value_);
            value_ = other.value_;
            ::VariantInit(&other.value_);
        }
        return *this;
    }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { ::VariantClear(&value_); }

    VARIANT* get() noexcept { return &value_; }
    const VARIANT& operator*() const noexcept { return value_; }
    VARIANT& operator*() noexcept { return value_; }
    const VARIANT* operator->() const noexcept { return &value_; }
    VARIANT* operator->() noexcept { return &value_; }
    // Hands the value over to `out`, which is overwritten without being cleared.
    void detach_to(VARIANT* out) noexcept {
        *out = value_;
        ::VariantInit(&value_);
    }

private:
    VARIANT value_;
};

// The three strings an EXCEPINFO may hold, freed when it goes.
class ExcepInfo {
public:
    ExcepInfo() noexcept = default;
    ExcepInfo(const ExcepInfo&) = delete;
    ExcepInfo& operator=(const ExcepInfo&) = delete;
    ~ExcepInfo() {
        ::SysFreeString(info_.bstrSource);
        ::SysFreeString(info_.bstrDescription);
        ::SysFreeString(info_.bstrHelpFile);
    }
    EXCEPINFO* get() noexcept { return &info_; }
    const EXCEPINFO& operator*() const noexcept { return info_; }
    const EXCEPINFO* operator->() const noexcept { return &info_; }

private:
    EXCEPINFO info_{};
};

// Attributes that a type information or a type library lends out, handed back
// to it when the owner goes.
template <class Source, class Attributes, HRESULT (STDMETHODCALLTYPE Source::*get)(Attributes**),
          void (STDMETHODCALLTYPE Source::*release)(Attributes*)>
class LentAttributes {
public:
    explicit LentAttributes(Source* source) noexcept : source_(source) {
        if (source_ && FAILED((source_->*get)(&attributes_))) {
            attributes_ = nullptr;
        }
    }
    ~LentAttributes() {
        if (attributes_) {
            (source_->*release)(attributes_);
        }
    }
    LentAttributes(const LentAttributes&) = delete;
    LentAttributes& operator=(const LentAttributes&) = delete;
    explicit operator bool() const noexcept { return attributes_ != nullptr; }
    const Attributes* operator->() const noexcept { return attributes_; }

private:
    Source* source_;
    Attributes* attributes_ = nullptr;
};
using TypeAttr = LentAttributes<ITypeInfo, TYPEATTR, &ITypeInfo::GetTypeAttr, &ITypeInfo::ReleaseTypeAttr>;
using TLibAttr = LentAttributes<ITypeLib, TLIBATTR, &ITypeLib::GetLibAttr, &ITypeLib::ReleaseTLibAttr>;

// OleInitialize for the lifetime of the object, undone only when it succeeded.
class OleScope {
public:
    OleScope() noexcept : status_(::OleInitialize(nullptr)) {}
    ~OleScope() {
        if (SUCCEEDED(status_)) {
            ::OleUninitialize();
        }
    }
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;
    HRESULT status() const noexcept { return status_; }

private:
    HRESULT status_;
};

}  // namespace tarvex
