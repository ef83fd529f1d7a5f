#pragma once
// Calls an IDispatch exactly as a late-bound macro client does: the member's
// DISPID by name through GetIDsOfNames, then Invoke with the arguments last to
// first, omitted ones as VT_ERROR/DISP_E_PARAMNOTFOUND, and a property put's value
// as the named argument DISPID_PROPERTYPUT. The outcome (HRESULT, result,
// EXCEPINFO, puArgErr) comes back whole so tests can assert on any part.
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "base/owners_win.h"

namespace tarvex::test {

using Microsoft::WRL::ComPtr;

// One VARIANT, owned by tarvex::Variant. Copies are deep (VariantCopy), as VB
// copies a Variant.
class Variant {
public:
    Variant() noexcept = default;
    Variant(const Variant& other);
    Variant& operator=(const Variant& other);
    Variant(Variant&& other) noexcept = default;
    Variant& operator=(Variant&& other) noexcept = default;

    const VARIANT& get() const noexcept { return *value_; }
    VARIANT& get() noexcept { return *value_; }
    VARTYPE type() const noexcept { return value_->vt; }
    // Clears the value and hands out its address for a callee to fill.
    VARIANT* put() noexcept;

private:
    tarvex::Variant value_;
};

Variant text_variant(std::u16string_view text);

// One argument as a client passes it.
class Arg {
public:
    Arg(const char16_t* text) : value_(text_variant(text)) {}
    Arg(std::u16string_view text) : value_(text_variant(text)) {}
    Arg(int number);
    Arg(double number);
    Arg(bool value);
    Arg(IDispatch* object);
    Arg(const ComPtr<IDispatch>& object) : Arg(object.Get()) {}
    explicit Arg(Variant value) : value_(std::move(value)) {}

    // A left-out optional argument.
    static Arg omitted();
    // An uninitialised Variant variable.
    static Arg empty() { return Arg(Variant()); }
    // A Variant variable passed by reference: VT_BYREF|VT_VARIANT pointing at `target`.
    static Arg ref_to_variant(VARIANT& target);
    // A typed variable passed by reference: VT_BYREF|target.vt pointing at its value,
    // as VB passes a String or Long variable. `target` must outlive the call.
    static Arg ref_to_value(VARIANT& target);

    const VARIANT& get() const noexcept { return value_.get(); }

private:
    Variant value_;
};

// The arguments of one call in the caller's order, looked at and never copied:
// a braced list, a vector, or one argument. It lives only as long as the call.
class Args {
public:
    Args() noexcept = default;
    // A braced list's arguments live until the end of the call's full
    // expression, which is as long as an Args is used.
    Args(std::initializer_list<Arg> list) noexcept {
        first_ = list.begin();
        count_ = list.size();
    }
    Args(const std::vector<Arg>& list) noexcept : first_(list.data()), count_(list.size()) {}
    Args(const Arg& one) noexcept : first_(&one), count_(1) {}

    const Arg* begin() const noexcept { return first_; }
    const Arg* end() const noexcept { return first_ + count_; }
    std::size_t size() const noexcept { return count_; }

private:
    const Arg* first_ = nullptr;
    std::size_t count_ = 0;
};

// What one Invoke gave back.
struct CallResult {
    HRESULT hr = E_FAIL;
    Variant value;
    // EXCEPINFO, and whether the callee wrote it at all.
    bool exception_filled = false;
    SCODE scode = 0;
    WORD wcode = 0;
    std::u16string description;
    std::u16string source;
    // puArgErr; no_arg_error when the callee left it alone.
    UINT arg_error = no_arg_error;
    static constexpr UINT no_arg_error = static_cast<UINT>(-1);

    // The returned object (null for Nothing or a result that is no object).
    ComPtr<IDispatch> object() const;
    // The returned text; empty when the result is no text.
    std::u16string text() const;
};

// DISPID_UNKNOWN and the failure when GetIDsOfNames does not know the name.
HRESULT dispid_of(IDispatch* object, std::u16string_view name, DISPID* dispid);

// Invoke with `args` in the caller's order; `put_value` given: as the named
// argument DISPID_PROPERTYPUT. A call of a few arguments allocates nothing of
// its own, so that a timed client pays for the callee's work alone.
CallResult invoke(IDispatch* object, DISPID dispid, WORD flags, Args args, const Arg* put_value = nullptr);

// obj.Name(args...) as VB calls a method or reads a property: both flags set.
CallResult call(IDispatch* object, std::u16string_view name, Args args = {});
// obj.Name(args...) = value.
CallResult put(IDispatch* object, std::u16string_view name, const Arg& value, Args args = {});

// For assertion messages: "0x800A03EC".
std::string hex(HRESULT hr);

}  // namespace tarvex::test
