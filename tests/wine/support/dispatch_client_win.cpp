#include "support/dispatch_client_win.h"

#include <array>
#include <cstdio>
#include <new>

#include "base/platform_win.h"

namespace tarvex::test {

namespace {

// Written into EXCEPINFO before the call, so an untouched one can be told apart
// from one the callee filled.
constexpr SCODE untouched_scode = static_cast<SCODE>(0x7E57C0DE);

}  // namespace

Variant::Variant(const Variant& other) {
    if (FAILED(::VariantCopy(value_.get(), const_cast<VARIANT*>(&other.get())))) {
        throw std::bad_alloc();
    }
}

Variant& Variant::operator=(const Variant& other) {
    if (this != &other) {
        Variant copy(other);
        *this = std::move(copy);
    }
    return *this;
}

VARIANT* Variant::put() noexcept {
    value_ = tarvex::Variant();
    return value_.get();
}

Variant text_variant(std::u16string_view text) {
    Variant v;
    v.get().vt = VT_BSTR;
    v.get().bstrVal = to_bstr(text);
    if (v.get().bstrVal == nullptr) {
        throw std::bad_alloc();
    }
    return v;
}

Arg::Arg(int number) {
    value_.get().vt = VT_I4;
    value_.get().lVal = number;
}

Arg::Arg(double number) {
    value_.get().vt = VT_R8;
    value_.get().dblVal = number;
}

Arg::Arg(bool value) {
    value_.get().vt = VT_BOOL;
    value_.get().boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

Arg::Arg(IDispatch* object) {
    value_.get().vt = VT_DISPATCH;
    value_.get().pdispVal = object;
    if (object != nullptr) {
        object->AddRef();
    }
}

Arg Arg::omitted() {
    Variant v;
    v.get().vt = VT_ERROR;
    v.get().scode = DISP_E_PARAMNOTFOUND;
    return Arg(std::move(v));
}

Arg Arg::ref_to_variant(VARIANT& target) {
    Variant v;
    v.get().vt = VT_BYREF | VT_VARIANT;
    v.get().pvarVal = &target;
    return Arg(std::move(v));
}

Arg Arg::ref_to_value(VARIANT& target) {
    Variant v;
    v.get().vt = static_cast<VARTYPE>(VT_BYREF | target.vt);
    // Every member of the value union starts at the same address.
    v.get().byref = &target.lVal;
    return Arg(std::move(v));
}

ComPtr<IDispatch> CallResult::object() const {
    if (value.type() != VT_DISPATCH) {
        return nullptr;
    }
    return ComPtr<IDispatch>(value.get().pdispVal);
}

std::u16string CallResult::text() const {
    if (value.type() != VT_BSTR) {
        return u"";
    }
    return from_bstr(value.get().bstrVal);
}

HRESULT dispid_of(IDispatch* object, std::u16string_view name, DISPID* dispid) {
    std::u16string copy(name);
    LPOLESTR names[] = {reinterpret_cast<LPOLESTR>(copy.data())};
    *dispid = DISPID_UNKNOWN;
    return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, dispid);
}

CallResult invoke(IDispatch* object, DISPID dispid, WORD flags, Args args, const Arg* put_value) {
    // rgvarg: the named put value first, then the positional arguments last to
    // first; on the stack unless there are more than a call usually has.
    std::array<VARIANTARG, 16> usual;
    std::vector<VARIANTARG> many;
    const std::size_t count = args.size() + (put_value != nullptr ? 1 : 0);
    VARIANTARG* rgvarg = usual.data();
    if (count > usual.size()) {
        many.resize(count);
        rgvarg = many.data();
    }
    std::size_t at = 0;
    if (put_value != nullptr) {
        rgvarg[at++] = put_value->get();
    }
    for (const Arg* it = args.end(); it != args.begin();) {
        rgvarg[at++] = (--it)->get();
    }
    DISPID put_id = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    params.rgvarg = count == 0 ? nullptr : rgvarg;
    params.cArgs = static_cast<UINT>(count);
    params.rgdispidNamedArgs = put_value != nullptr ? &put_id : nullptr;
    params.cNamedArgs = put_value != nullptr ? 1 : 0;

    CallResult result;
    ExcepInfo filled;
    EXCEPINFO& info = *filled.get();
    info.scode = untouched_scode;
    UINT arg_error = CallResult::no_arg_error;
    result.hr =
        object->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result.value.get(), &info, &arg_error);
    if (info.pfnDeferredFillIn != nullptr) {
        info.pfnDeferredFillIn(&info);
    }
    result.exception_filled = info.scode != untouched_scode || info.wCode != 0 || info.bstrDescription != nullptr ||
                              info.bstrSource != nullptr;
    result.scode = info.scode;
    result.wcode = info.wCode;
    if (info.bstrDescription != nullptr) {
        result.description = from_bstr(info.bstrDescription);
    }
    if (info.bstrSource != nullptr) {
        result.source = from_bstr(info.bstrSource);
    }
    result.arg_error = arg_error;
    return result;
}

CallResult call(IDispatch* object, std::u16string_view name, Args args) {
    DISPID dispid = DISPID_UNKNOWN;
    if (const HRESULT hr = dispid_of(object, name, &dispid); FAILED(hr)) {
        CallResult result;
        result.hr = hr;
        return result;
    }
    return invoke(object, dispid, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
}

CallResult put(IDispatch* object, std::u16string_view name, const Arg& value, Args args) {
    DISPID dispid = DISPID_UNKNOWN;
    if (const HRESULT hr = dispid_of(object, name, &dispid); FAILED(hr)) {
        CallResult result;
        result.hr = hr;
        return result;
    }
    return invoke(object, dispid, DISPATCH_PROPERTYPUT, args, &value);
}

std::string hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

}  // namespace tarvex::test
