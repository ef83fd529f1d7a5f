#pragma once
// What every COM class of the DLL shares: one reference count, QueryInterface
// answered from a table of interface IDs, a lock that keeps the DLL loaded while
// the object lives, and for a dual interface, IDispatch served from the type
// library inside this module.
#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <atomic>
#include <cstddef>
#include <span>
#include <tuple>
#include <type_traits>

#include "base/com_edge_win.h"
#include "base/module_win.h"

namespace tarvex::com {

// One row of a QueryInterface table: an interface ID, and the position among the
// class's interfaces of the one that answers for it.
struct InterfaceRow {
    const IID* iid;
    std::size_t answered_by;
};

// The type information for `guid` from the type library inside this module,
// loaded once: registration is not needed to call an object, and a copy
// registered by another build cannot disagree with the code.
[[nodiscard]] HRESULT module_type_info(REFGUID guid, Microsoft::WRL::ComPtr<ITypeInfo>* info) noexcept;
// Lets go of the cached type information; the DLL calls it when it unloads. At
// process exit (`process_exiting`) oleaut32 may already be gone, so the
// references are abandoned rather than released.
void release_module_type_info(bool process_exiting) noexcept;

// A COM object implementing `Interfaces`; the first one is the object's
// IUnknown. The class passes its table to the constructor and makes its own
// constructor private, so that only its `create` (through com::create) makes one.
template <class... Interfaces>
class Object : public Interfaces... {
public:
    // A row saying that `Interface`, one of the class's, answers for `iid`.
    template <class Interface>
    static constexpr InterfaceRow row(const IID& iid) noexcept {
        return {&iid, position_of<Interface, Interfaces...>()};
    }

    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        for (const InterfaceRow& row : table_) {
            if (*row.iid == iid) {
                *object = answering(row.answered_by);
                AddRef();
                return S_OK;
            }
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    IUnknown* unknown() noexcept { return static_cast<std::tuple_element_t<0, std::tuple<Interfaces...>>*>(this); }

protected:
    explicit Object(std::span<const InterfaceRow> table) noexcept : table_(table) {}
    virtual ~Object() = default;

private:
    template <class Wanted, class First, class... Rest>
    static constexpr std::size_t position_of() noexcept {
        if constexpr (std::is_same_v<Wanted, First>) {
            return 0;
        } else {
            static_assert(sizeof...(Rest) > 0, "the interface is not one of the class's");
            return 1 + position_of<Wanted, Rest...>();
        }
    }

    void* answering(std::size_t position) noexcept {
        void* found = nullptr;
        std::size_t at = 0;
        ((found = (at++ == position ? static_cast<void*>(static_cast<Interfaces*>(this)) : found)), ...);
        return found;
    }

    std::span<const InterfaceRow> table_;
    std::atomic<ULONG> references_{1};
    module::Lock module_lock_;
};

// What a class factory's CreateInstance does once aggregation is ruled out: the
// object that `make` returns (new (std::nothrow), so nullptr when out of memory)
// answers for `iid`, and its first reference goes when the caller has its own.
template <class Make>
[[nodiscard]] HRESULT create(Make make, REFIID iid, void** object) noexcept {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    auto* made = make();
    if (made == nullptr) {
        return E_OUTOFMEMORY;
    }
    // Adopts the first reference (the MinGW ComPtr::Attach would add one).
    Microsoft::WRL::ComPtr<IUnknown> first_reference;
    *first_reference.ReleaseAndGetAddressOf() = made->unknown();
    return first_reference->QueryInterface(iid, object);
}

// An object whose IDispatch is its dual interface `Dual`, as the type library in
// this module describes it: names are looked up and calls dispatched through the
// type information. The class writes Invoke itself, around `dispatch`.
template <class Dual, class... Others>
class DualObject : public Object<Dual, Others...> {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) {
            return E_POINTER;
        }
        *count = 1;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (info == nullptr) {
            return E_POINTER;
        }
        *info = nullptr;
        if (index != 0) {
            return DISP_E_BADINDEX;
        }
        Microsoft::WRL::ComPtr<ITypeInfo> cached;
        RETURN_IF_FAILED(module_type_info(dual_iid_, &cached));
        *info = cached.Detach();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (iid != IID_NULL) {
            return DISP_E_UNKNOWNINTERFACE;
        }
        if (names == nullptr || ids == nullptr) {
            return E_POINTER;
        }
        Microsoft::WRL::ComPtr<ITypeInfo> info;
        RETURN_IF_FAILED(module_type_info(dual_iid_, &info));
        return ::DispGetIDsOfNames(info.Get(), names, count, ids);
    }

protected:
    DualObject(const IID& dual_iid, std::span<const InterfaceRow> table) noexcept
        : Object<Dual, Others...>(table), dual_iid_(dual_iid) {}

    // The call through the type information, onto the dual interface's vtable.
    [[nodiscard]] HRESULT dispatch(DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument_error) noexcept {
        Microsoft::WRL::ComPtr<ITypeInfo> info;
        RETURN_IF_FAILED(module_type_info(dual_iid_, &info));
        return ::DispInvoke(static_cast<Dual*>(this), info.Get(), dispid, flags, params, result, exception,
                            argument_error);
    }

private:
    const IID& dual_iid_;
};

}  // namespace tarvex::com
