#include "addin/connect_win.h"

#include <olectl.h>

#include <new>
#include <string>

#include "addin/addin_module_win.h"
#include "addin/morvane_win.h"
#include "addin/ribbon.h"
#include "base/module_win.h"
#include "base/owners_win.h"
#include "base/platform_win.h"

namespace tarvex {

namespace {

using Microsoft::WRL::ComPtr;

// The host asks for the add-in contract and the ribbon contract by their IDs and
// calls the callbacks through whichever IDispatch it holds: both lead to the
// same object, which answers the callbacks by name.
using Base = com::Object<office::IDTExtensibility2, office::IRibbonExtensibility>;
constexpr com::InterfaceRow interfaces[] = {
    Base::row<office::IDTExtensibility2>(IID_IUnknown),
    Base::row<office::IDTExtensibility2>(IID_IDispatch),
    Base::row<office::IDTExtensibility2>(office::iid_extensibility2),
    Base::row<office::IRibbonExtensibility>(office::iid_ribbon_extensibility),
};

bool same_name(LPCOLESTR name, const char16_t* known) {
    return ::CompareStringOrdinal(name, -1, wide(known), -1, TRUE) == CSTR_EQUAL;
}

// The button's picture: the DLL's icon at the large button's size, as an
// IPictureDisp the host draws. The picture owns the icon.
HRESULT button_picture(VARIANT* result) {
    const HANDLE icon = ::LoadImageW(module_instance(), MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR);
    if (icon == nullptr) {
        return HRESULT_FROM_WIN32(::GetLastError());
    }
    PICTDESC description{};
    description.cbSizeofstruct = sizeof(description);
    description.picType = PICTYPE_ICON;
    description.icon.hicon = static_cast<HICON>(icon);
    ComPtr<IPictureDisp> picture;
    const HRESULT hr = ::OleCreatePictureIndirect(&description, IID_IPictureDisp, TRUE, &picture);
    if (FAILED(hr)) {
        ::DestroyIcon(static_cast<HICON>(icon));
        return hr;
    }
    if (result != nullptr) {
        ::VariantInit(result);
        result->vt = VT_DISPATCH;
        result->pdispVal = picture.Detach();
    }
    return S_OK;
}

void fill_exception(EXCEPINFO* exception, HRESULT hr) {
    if (exception == nullptr) {
        return;
    }
    *exception = EXCEPINFO{};
    exception->scode = hr;
    exception->bstrSource = ::SysAllocString(wide(tarvex_source));
    ComPtr<IErrorInfo> info;
    if (::GetErrorInfo(0, &info) == S_OK && info) {
        BSTR description = nullptr;
        if (SUCCEEDED(info->GetDescription(&description))) {
            exception->bstrDescription = description;
        }
    }
}

}  // namespace

Connect::Connect() : Object(interfaces) {}

HRESULT Connect::create(REFIID iid, void** object) noexcept {
    return com::create([] { return new (std::nothrow) Connect(); }, iid, object);
}

HRESULT Connect::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = 0;  // the callbacks are found by name
    return S_OK;
}

HRESULT Connect::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info != nullptr) {
        *info = nullptr;
    }
    return DISP_E_BADINDEX;
}

HRESULT Connect::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (names == nullptr || ids == nullptr || count == 0) {
        return E_INVALIDARG;
    }
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
    }
    if (same_name(names[0], ribbon::on_action)) {
        ids[0] = dispid_button_click;
    } else if (same_name(names[0], ribbon::get_image)) {
        ids[0] = dispid_button_image;
    } else {
        hr = DISP_E_UNKNOWNNAME;
    }
    // The callbacks take no named arguments.
    return count > 1 ? DISP_E_UNKNOWNNAME : hr;
}

HRESULT Connect::Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argument_error) {
    if (dispid != dispid_button_click && dispid != dispid_button_image) {
        return DISP_E_MEMBERNOTFOUND;
    }
    if ((flags & DISPATCH_METHOD) == 0 && !(dispid == dispid_button_image && (flags & DISPATCH_PROPERTYGET) != 0)) {
        return DISP_E_MEMBERNOTFOUND;
    }
    // One argument, the host's IRibbonControl; it is not needed, the button is one.
    if (params == nullptr || params->cArgs != 1 || params->cNamedArgs != 0) {
        return DISP_E_BADPARAMCOUNT;
    }
    const VARIANT& control = params->rgvarg[0];
    if (control.vt != VT_DISPATCH && control.vt != (VT_DISPATCH | VT_BYREF)) {
        if (argument_error != nullptr) {
            *argument_error = 0;
        }
        return DISP_E_TYPEMISMATCH;
    }
    try {
        if (dispid == dispid_button_image) {
            return button_picture(result);
        }
        if (result != nullptr) {
            ::VariantInit(result);
        }
        return open_tarvex(exception);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT Connect::open_tarvex(EXCEPINFO* exception) noexcept {
    if (!application_) {
        return E_UNEXPECTED;  // the host clicks only a connected add-in's button
    }
    ComPtr<_Morvane> morvane;
    HRESULT hr = Morvane::create(IID__Morvane, &morvane);
    if (FAILED(hr)) {
        return hr;
    }
    IDispatch* application = application_.Get();
    hr = morvane->Search(&application);
    if (FAILED(hr)) {
        fill_exception(exception, hr);
        return DISP_E_EXCEPTION;
    }
    return S_OK;
}

HRESULT Connect::OnConnection(IDispatch* application, office::ConnectMode, IDispatch*, SAFEARRAY**) {
    // Never fails and never shows anything: a host disables an add-in whose
    // start-up fails, and start-up is no time for a window.
    application_ = application;
    return S_OK;
}

HRESULT Connect::OnDisconnection(office::DisconnectMode, SAFEARRAY**) {
    // An in-process add-in that keeps a host object keeps the host's process
    // alive after the user closed it: every reference Tarvex holds goes here.
    disconnect_host();
    application_.Reset();
    return S_OK;
}

HRESULT Connect::OnAddInsUpdate(SAFEARRAY**) {
    return S_OK;
}

HRESULT Connect::OnStartupComplete(SAFEARRAY**) {
    return S_OK;
}

HRESULT Connect::OnBeginShutdown(SAFEARRAY**) {
    return S_OK;
}

HRESULT Connect::GetCustomUI(BSTR ribbon_id, BSTR* xml) {
    if (xml == nullptr) {
        return E_POINTER;
    }
    *xml = nullptr;
    try {
        const std::u16string text = ribbon::custom_ui(from_bstr(ribbon_id));
        *xml = to_bstr(text);
        return *xml != nullptr ? S_OK : E_OUTOFMEMORY;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace tarvex
