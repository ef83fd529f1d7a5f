#include "host/dispatch_call_win.h"

#include <oleauto.h>

#include <atomic>
#include <cwchar>
#include <mutex>
#include <utility>

namespace tarvex::dispatch {

namespace {

// --- Errors ---------------------------------------------------------------

// The text a macro-language client shows for a standard dispatch code; for any
// other code the system's message, and "Automation error" where it has none.
std::u16string describe(HRESULT hr) {
    if (std::optional<std::u16string> standard = standard_error_text(static_cast<std::int32_t>(hr))) {
        return std::move(*standard);
    }
    std::array<wchar_t, 512> buffer{};
    DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(hr), 0,
                         buffer.data(), static_cast<DWORD>(buffer.size()), nullptr);
    while (length > 0 && (buffer[length - 1] == L'\r' || buffer[length - 1] == L'\n' || buffer[length - 1] == L' ')) {
        --length;
    }
    if (length == 0) {
        return error_text::automation_error;
    }
    return from_wide(std::wstring_view(buffer.data(), length));
}

// A host failure reported through EXCEPINFO: its scode, or for a host that fills
// only wCode, the FACILITY_CONTROL code a macro-language client would see.
[[noreturn]] void throw_exception_info(ExcepInfo& filled) {
    EXCEPINFO& exception = *filled.get();
    if (exception.pfnDeferredFillIn != nullptr) {
        exception.pfnDeferredFillIn(&exception);
    }
    HRESULT code = exception.scode;
    if (code == 0 && exception.wCode != 0) {
        code = static_cast<HRESULT>(0x800A0000u | exception.wCode);
    }
    if (code == 0) {
        code = DISP_E_EXCEPTION;
    }
    HostError error{static_cast<std::int32_t>(code), from_bstr(exception.bstrDescription),
                    from_bstr(exception.bstrSource)};
    if (error.description.empty()) {
        error.description = describe(code);
    }
    throw error;
}

// --- Names ----------------------------------------------------------------

// The DISPIDs of one kind of host object, resolved once: resolving per call
// would double the cross-process traffic of a Find over thousands of cells.
class NameCache {
public:
    DISPID id(IDispatch* object, const wchar_t* name) {
        // Read without the lock: a slot is filled before the count that shows it
        // is published, and never changes afterwards. Every call of a Find walk
        // passes here, so it costs a few compares and no lock.
        const std::size_t known = count_.load(std::memory_order_acquire);
        for (std::size_t i = 0; i < known; ++i) {
            if (slots_[i].name == name || std::wcscmp(slots_[i].name, name) == 0) {
                return slots_[i].id;
            }
        }
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        const HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        if (FAILED(hr)) {
            throw_failure(hr);
        }
        const std::lock_guard guard(mutex_);
        const std::size_t count = count_.load(std::memory_order_relaxed);
        for (std::size_t i = 0; i < count; ++i) {
            if (std::wcscmp(slots_[i].name, name) == 0) {
                return slots_[i].id;  // another thread resolved it meanwhile
            }
        }
        if (count < slots_.size()) {
            slots_[count] = {name, id};
            count_.store(count + 1, std::memory_order_release);
        }
        return id;
    }

private:
    struct Slot {
        const wchar_t* name;  // a literal of the host client
        DISPID id;
    };
    // More than any kind of host object has members that Tarvex calls; a name
    // beyond them would still work, resolved at every call.
    std::array<Slot, 16> slots_{};
    std::atomic<std::size_t> count_{0};
    // Objects of one host may live in more than one apartment of the process.
    std::mutex mutex_;
};

// One cache per kind of host object: the same name has the same DISPID on every
// object of one kind.
NameCache& names_of(ObjectKind kind) {
    static std::array<NameCache, static_cast<std::size_t>(ObjectKind::count)> caches;
    return caches[static_cast<std::size_t>(kind)];
}

}  // namespace

[[noreturn]] void throw_failure(HRESULT hr) {
    throw HostError{static_cast<std::int32_t>(hr), describe(hr), u""};
}

// --- Calls ----------------------------------------------------------------

Variant invoke(IDispatch* object, ObjectKind kind, const wchar_t* name, WORD flags, const Arguments& arguments) {
    const DISPID id = names_of(kind).id(object, name);
    UINT count = 0;
    std::array<VARIANT, Arguments::capacity> values = arguments.reversed(count);
    DISPID put_name = DISPID_PROPERTYPUT;
    DISPPARAMS params{values.data(), nullptr, count, 0};
    const bool is_put = (flags & DISPATCH_PROPERTYPUT) != 0;
    if (is_put) {
        params.rgdispidNamedArgs = &put_name;
        params.cNamedArgs = 1;
    }
    Variant result;
    // Its texts are freed whatever the outcome: a successful call leaves EXCEPINFO
    // alone, but nothing forces an object model to.
    ExcepInfo exception;
    UINT argument_error = 0;
    const HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                      is_put ? nullptr : result.get(), exception.get(), &argument_error);
    if (hr == DISP_E_EXCEPTION) {
        throw_exception_info(exception);
    }
    if (FAILED(hr)) {
        throw_failure(hr);
    }
    return result;
}

// --- Results --------------------------------------------------------------

ComPtr<IDispatch> object_of(const Variant& result) {
    const VARIANT& value = *result;
    switch (value.vt) {
        case VT_DISPATCH:
            return value.pdispVal;
        case VT_DISPATCH | VT_BYREF:
            return value.ppdispVal != nullptr ? *value.ppdispVal : nullptr;
        case VT_UNKNOWN: {
            ComPtr<IDispatch> object;
            if (value.punkVal != nullptr && FAILED(value.punkVal->QueryInterface(IID_PPV_ARGS(&object)))) {
                throw_failure(DISP_E_TYPEMISMATCH);
            }
            return object;
        }
        case VT_EMPTY:
        case VT_NULL:
            return nullptr;
        default:
            throw_failure(DISP_E_TYPEMISMATCH);
    }
}

ComPtr<IDispatch> required_object_of(const Variant& result) {
    ComPtr<IDispatch> object = object_of(result);
    if (!object) {
        throw object_not_set_error(u"");
    }
    return object;
}

std::u16string text_of(Variant result) {
    VARIANT& value = *result.get();
    if (value.vt == VT_BSTR) {
        return from_bstr(value.bstrVal);
    }
    if (value.vt == VT_EMPTY || value.vt == VT_NULL) {
        return {};
    }
    const HRESULT hr = ::VariantChangeType(&value, &value, VARIANT_ALPHABOOL, VT_BSTR);
    if (FAILED(hr)) {
        throw_failure(hr);
    }
    return from_bstr(value.bstrVal);
}

LONG integer_of(Variant result) {
    VARIANT& value = *result.get();
    const HRESULT hr = ::VariantChangeType(&value, &value, 0, VT_I4);
    if (FAILED(hr)) {
        throw_failure(hr);
    }
    return value.lVal;
}

bool boolean_of(Variant result) {
    VARIANT& value = *result.get();
    const HRESULT hr = ::VariantChangeType(&value, &value, 0, VT_BOOL);
    if (FAILED(hr)) {
        throw_failure(hr);
    }
    return value.boolVal != VARIANT_FALSE;
}

std::vector<ComPtr<IDispatch>> items_of(IDispatch* collection, ObjectKind kind) {
    const LONG count = integer_of(get(collection, kind, L"Count"));
    std::vector<ComPtr<IDispatch>> items;
    for (LONG index = 1; index <= count; ++index) {
        Arguments arguments;
        arguments.integer(index);
        items.push_back(required_object_of(get(collection, kind, L"Item", arguments)));
    }
    return items;
}

}  // namespace tarvex::dispatch
