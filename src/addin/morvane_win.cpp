#include "addin/morvane_win.h"

#include <oleauto.h>
#include <wrl/client.h>

#include <new>
#include <utility>

#include "base/com_edge_win.h"
#include "base/errors.h"
#include "base/platform_win.h"
#include "engine/session.h"
#include "host/host_client_win.h"
#include "addin/addin_module_win.h"
#include "addin/registration_win.h"

namespace tarvex {

namespace {

using Microsoft::WRL::ComPtr;

using Base = com::DualObject<_Morvane, ISupportErrorInfo>;
constexpr com::InterfaceRow interfaces[] = {
    Base::row<_Morvane>(IID_IUnknown),
    Base::row<_Morvane>(IID_IDispatch),
    Base::row<_Morvane>(IID__Morvane),
    Base::row<ISupportErrorInfo>(IID_ISupportErrorInfo),
};

// Where Search's one argument sits, if it holds an object in any of the forms a
// caller may use: by value, by reference, or inside a VARIANT passed by
// reference (what a script language does). nullptr for anything else.
IDispatch** object_slot(VARIANT& argument) {
    switch (argument.vt) {
        case VT_DISPATCH:
            return &argument.pdispVal;
        case VT_DISPATCH | VT_BYREF:
            return argument.ppdispVal;
        case VT_VARIANT | VT_BYREF:
            if (argument.pvarVal != nullptr && argument.pvarVal->vt != (VT_VARIANT | VT_BYREF)) {
                return object_slot(*argument.pvarVal);
            }
            return nullptr;
        default:
            return nullptr;
    }
}

}  // namespace

Morvane::Morvane() : DualObject(IID__Morvane, interfaces) {}

HRESULT Morvane::create(REFIID iid, void** object) noexcept {
    return com::create([] { return new (std::nothrow) Morvane(); }, iid, object);
}

HRESULT Morvane::Invoke(DISPID dispid, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argument_error) {
    try {
        if (iid != IID_NULL) {
            return DISP_E_UNKNOWNINTERFACE;
        }
        DISPPARAMS call{};
        if (params != nullptr) {
            call = *params;
        }
        // The type library declares the argument [in, out] IDispatch**, as the
        // host's macro language passes it; DispInvoke would turn away a caller
        // that passes the object by value. Both mean the same object, so the
        // argument is handed on by reference to wherever it already lives.
        VARIANT by_reference;
        ::VariantInit(&by_reference);
        if (dispid == dispid_search && call.cArgs == 1 && call.rgvarg != nullptr) {
            if (IDispatch** slot = object_slot(call.rgvarg[0])) {
                by_reference.vt = VT_DISPATCH | VT_BYREF;
                by_reference.ppdispVal = slot;
                call.rgvarg = &by_reference;
            }
        }

        failure_.reset();
        HRESULT hr = dispatch(dispid, flags, &call, result, exception, argument_error);
        // A dispatcher that returns the method's own failure instead of reporting
        // it through EXCEPINFO would lose the description on the way to the caller.
        if (FAILED(hr) && hr != DISP_E_EXCEPTION && failure_ && failure_->hresult == hr && exception != nullptr) {
            *exception = EXCEPINFO{};
            exception->scode = failure_->hresult;
            exception->bstrDescription = to_bstr(failure_->description);
            exception->bstrSource = to_bstr(failure_->source);
            hr = DISP_E_EXCEPTION;
        }
        // Tarvex's own failures reach a macro or script client as a component's
        // macro-language error (Err.Number 13, 91); the host's keep the host's code.
        if (hr == DISP_E_EXCEPTION && failure_ && exception != nullptr && failure_->source == tarvex_source) {
            exception->scode = macro_error_code(exception->scode);
        }
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT Morvane::Search(IDispatch** application) {
    failure_.reset();
    try {
        // Only the host's Application object will do; anything else is turned
        // away before the globals change.
        if (application == nullptr || *application == nullptr) {
            return fail(DISP_E_TYPEMISMATCH, error_text::type_mismatch, tarvex_source);
        }
        ComPtr<IUnknown> host_application;
        if (FAILED((*application)->QueryInterface(iid_host_application, &host_application)) || !host_application) {
            return fail(DISP_E_TYPEMISMATCH, error_text::type_mismatch, tarvex_source);
        }
        search(make_host_application(ComPtr<IDispatch>(*application)), search_session(), main_window());
        ::SetErrorInfo(0, nullptr);
        return S_OK;
    } catch (const HostError& error) {
        // A host error keeps its own code; a success code would tell the caller
        // nothing went wrong.
        const HRESULT hr = error.hresult < 0 ? static_cast<HRESULT>(error.hresult) : E_FAIL;
        return fail(hr, error.description.c_str(), error.source.empty() ? tarvex_source : error.source.c_str());
    } catch (const std::bad_alloc&) {
        return fail(E_OUTOFMEMORY, error_text::out_of_memory, tarvex_source);
    } catch (...) {
        return fail(E_UNEXPECTED, u"Unexpected error", tarvex_source);
    }
}

HRESULT Morvane::InterfaceSupportsErrorInfo(REFIID iid) {
    return iid == IID__Morvane ? S_OK : S_FALSE;
}

HRESULT Morvane::fail(HRESULT hr, const char16_t* description, const char16_t* source) noexcept {
    try {
        failure_ = Failure{hr, description, source};
    } catch (...) {
        failure_.reset();  // the error object below still carries the texts
    }
    ComPtr<ICreateErrorInfo> creator;
    if (FAILED(::CreateErrorInfo(&creator))) {
        return hr;
    }
    creator->SetGUID(IID__Morvane);
    // Both calls copy their text.
    creator->SetDescription(const_cast<LPOLESTR>(wide(description)));
    creator->SetSource(const_cast<LPOLESTR>(wide(source)));
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(creator.As(&info))) {
        ::SetErrorInfo(0, info.Get());
    }
    return hr;
}

}  // namespace tarvex
