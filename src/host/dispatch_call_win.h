#pragma once
// Late-bound calls into the host's object model, made the way a macro-language
// client makes them: names resolved once per kind of object, positional
// arguments, omitted optionals as VT_ERROR/DISP_E_PARAMNOTFOUND, a put with the
// named argument DISPID_PROPERTYPUT. Every failed call throws a HostError with
// the host's code, description and source.
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <array>
#include <cstddef>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/owners_win.h"
#include "base/platform_win.h"

namespace tarvex::dispatch {

using Microsoft::WRL::ComPtr;

// The kinds of host object Tarvex calls. The host's interfaces are fixed, so a
// name resolved once for one Range holds for every Range.
enum class ObjectKind { application, workbooks, workbook, sheets, sheet, range, windows, window, count };

[[noreturn]] void throw_failure(HRESULT hr);

// Positional arguments in the order a caller writes them; Invoke wants them reversed.
// Held inline: a Find walk makes one call per match, and a heap block per call
// would cost as much as the call itself.
class Arguments {
public:
    static constexpr std::size_t capacity = 9;  // Range.Find has the most
    Arguments() = default;
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;
    // Only the texts this holds need clearing: numbers, flags, borrowed values
    // and omitted arguments own nothing, and a Find passes seven of those per match.
    ~Arguments() {
        for (std::size_t i = 0; i < count_; ++i) {
            if ((owned_ & (1u << i)) != 0) {
                ::VariantClear(&values_[i]);
            }
        }
    }

    Arguments& text(const std::u16string& text) {
        VARIANT& value = push();
        value.bstrVal = to_bstr(text);
        if (value.bstrVal == nullptr) {
            throw std::bad_alloc();
        }
        value.vt = VT_BSTR;
        owned_ |= 1u << (count_ - 1);
        return *this;
    }
    // A text the caller keeps alive over the call; not freed here.
    Arguments& borrowed_text(BSTR text) {
        VARIANT& value = push();
        value.vt = VT_BSTR;
        value.bstrVal = text;
        return *this;
    }
    // An object the caller keeps alive over the call; not released here.
    Arguments& borrowed_object(IDispatch* object) {
        VARIANT& value = push();
        value.vt = VT_DISPATCH;
        value.pdispVal = object;
        return *this;
    }
    // A VARIANT array, freed with the arguments.
    Arguments& owned_array(UniqueSafeArray array) {
        VARIANT& value = push();
        value.vt = VT_ARRAY | VT_VARIANT;
        value.parray = array.release();
        owned_ |= 1u << (count_ - 1);
        return *this;
    }
    Arguments& integer(LONG number) {
        VARIANT& value = push();
        value.vt = VT_I4;
        value.lVal = number;
        return *this;
    }
    Arguments& boolean(bool flag) {
        VARIANT& value = push();
        value.vt = VT_BOOL;
        value.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
        return *this;
    }
    Arguments& omitted() {
        VARIANT& value = push();
        value.vt = VT_ERROR;
        value.scode = DISP_E_PARAMNOTFOUND;
        return *this;
    }

    // Shallow copies, last argument first; the values stay owned here.
    std::array<VARIANT, capacity> reversed(UINT& count) const {
        std::array<VARIANT, capacity> out;
        for (std::size_t i = 0; i < count_; ++i) {
            out[i] = values_[count_ - 1 - i];
        }
        count = static_cast<UINT>(count_);
        return out;
    }

private:
    VARIANT& push() {
        if (count_ == capacity) {
            // No operation of the host takes more; a tenth would be a fault of ours.
            throw std::length_error("too many arguments for one call");
        }
        VARIANT& value = values_[count_++];
        value.vt = VT_EMPTY;  // what VariantInit does, without a call per argument
        return value;
    }
    std::array<VARIANT, capacity> values_;
    std::size_t count_ = 0;
    unsigned owned_ = 0;
};

Variant invoke(IDispatch* object, ObjectKind kind, const wchar_t* name, WORD flags,
               const Arguments& arguments = Arguments());

inline Variant get(IDispatch* object, ObjectKind kind, const wchar_t* name, const Arguments& arguments = Arguments()) {
    return invoke(object, kind, name, DISPATCH_PROPERTYGET, arguments);
}
inline void put(IDispatch* object, ObjectKind kind, const wchar_t* name, const Arguments& value) {
    invoke(object, kind, name, DISPATCH_PROPERTYPUT, value);
}
inline void call_method(IDispatch* object, ObjectKind kind, const wchar_t* name) {
    invoke(object, kind, name, DISPATCH_METHOD);
}

// An object result; nullptr for the host's Nothing, and for Empty or Null.
ComPtr<IDispatch> object_of(const Variant& result);
// An object the next call needs; Nothing fails as a call on Nothing would.
ComPtr<IDispatch> required_object_of(const Variant& result);
// Text in the platform's ordinary conversion; booleans as True and False, the
// way a macro-language client shows them.
std::u16string text_of(Variant result);
LONG integer_of(Variant result);
bool boolean_of(Variant result);

// Every item of a host collection (Count, then Item(1) to Item(Count)), in its order.
std::vector<ComPtr<IDispatch>> items_of(IDispatch* collection, ObjectKind kind);

}  // namespace tarvex::dispatch
