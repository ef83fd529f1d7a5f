#pragma once
// The one IDispatch implementation every object of the stand-in object model
// shares. An object kind declares a static table of members (name, DISPID,
// argument counts, handlers); the base class answers GetIDsOfNames from it and
// runs Invoke the way the real host does: arguments dereferenced and put back in
// the caller's order, the call logged and checked by the model first, host
// failures reported through EXCEPINFO and channel failures returned directly.
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/owners_win.h"
#include "model/model.h"

namespace standin::com {

using Microsoft::WRL::ComPtr;

// One VARIANT of the object model, with the factories its members answer with.
// The value itself is owned by Tarvex's one VARIANT owner: move-only, cleared on
// destruction.
class Variant {
public:
    Variant() noexcept = default;

    // Each throws std::bad_alloc when the system cannot allocate the value.
    static Variant of_text(std::u16string_view text);
    static Variant of_number(double number);
    static Variant of_integer(std::int32_t number);
    static Variant of_boolean(bool boolean);
    static Variant of_error(SCODE code);
    static Variant of_null();
    // A null object is the host's "Nothing": VT_DISPATCH holding nullptr.
    static Variant of_object(ComPtr<IDispatch> object);
    static Variant of_unknown(ComPtr<IUnknown> object);
    // A copy of `source` with any by-reference level removed.
    static Variant dereferenced(const VARIANT& source, HRESULT* status);

    const VARIANT& get() const noexcept { return *value_; }
    VARIANT& get() noexcept { return *value_; }
    VARTYPE type() const noexcept { return value_->vt; }
    // Hands the value over to `out`, which is overwritten without being cleared.
    void detach_to(VARIANT* out) noexcept { value_.detach_to(out); }

private:
    tarvex::Variant value_;
};

// A call that the dispatcher rejects before or while reading its arguments:
// returned straight from Invoke, with the argument's position for puArgErr.
struct ArgumentError {
    HRESULT hresult;
    std::optional<std::size_t> position;  // caller's order; put_value_position for the assigned value
};
inline constexpr std::size_t put_value_position = static_cast<std::size_t>(-1);

// The arguments of one call, dereferenced, in the order the caller wrote them.
class Arguments {
public:
    // Throws ArgumentError for named arguments other than a put's value and for
    // arguments that cannot be dereferenced.
    Arguments(const DISPPARAMS& params, bool is_put);

    std::size_t count() const { return positional_.size(); }
    // Absent, passed as VT_ERROR/DISP_E_PARAMNOTFOUND, or VT_EMPTY.
    bool omitted(std::size_t position) const;
    // Absent or passed as VT_ERROR/DISP_E_PARAMNOTFOUND; VT_EMPTY counts as given.
    bool missing(std::size_t position) const;
    // The argument; the "omitted" marker for a position past the end.
    const VARIANT& at(std::size_t position) const;

    // Conversions; a value that does not convert throws ArgumentError{DISP_E_TYPEMISMATCH}.
    // Text as the host takes it: VT_EMPTY is "", booleans TRUE/FALSE, error values
    // their literal, numbers in the English form the model parses.
    std::u16string text(std::size_t position) const;
    std::u16string put_text() const;
    const VARIANT& put_value() const { return put_value_.get(); }
    std::int32_t integer(std::size_t position) const;
    std::optional<std::int32_t> optional_integer(std::size_t position) const;
    std::optional<bool> optional_boolean(std::size_t position) const;

    // One text per argument (then the put value) for the model's call log.
    std::vector<std::u16string> log_texts() const;

private:
    std::vector<Variant> positional_;
    Variant put_value_;
    bool is_put_ = false;
};

// Host text of a variant (see Arguments::text); nullopt when it has none.
std::optional<std::u16string> host_text(const VARIANT& value);
// The VT_ERROR code the host gives a cell holding an error literal such as #DIV/0!.
std::optional<SCODE> cv_error_scode(std::u16string_view literal);

// The shape of one member, independent of the object kind that implements it.
struct MemberShape {
    std::string_view name;  // as a client spells it; looked up case-insensitively
    DISPID dispid;
    std::size_t required;  // positional arguments that must be given
    std::size_t accepted;  // positional arguments accepted in all
    bool can_get;          // DISPATCH_METHOD or DISPATCH_PROPERTYGET
    bool can_put;          // DISPATCH_PROPERTYPUT with the named value
    // A collection property given arguments passes them to the collection's
    // default member, so obj.Worksheets(1) works as it does in the host.
    bool forwards_to_default = false;
};

class DispatchObject;

// Objects of this model recognise each other through this private interface
// identity: asking for it yields the DispatchObject itself.
extern const IID iid_own_object;

// Counts live objects for live_object_count(); a member of every COM object here.
class LiveToken {
public:
    LiveToken() noexcept;
    LiveToken(const LiveToken&) = delete;
    LiveToken& operator=(const LiveToken&) = delete;
    ~LiveToken();
};

class DispatchObject : public IDispatch {
public:
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argument_error) override;

    // How this object shows in the call log when passed as an argument.
    virtual std::u16string describe() const = 0;

protected:
    explicit DispatchObject(std::shared_ptr<Application> app) : app_(std::move(app)) {}
    virtual ~DispatchObject() = default;

    Application& app() const { return *app_; }
    const std::shared_ptr<Application>& shared_app() const { return app_; }

    // "Range", "Worksheet": the first half of the logged operation name.
    virtual std::string_view kind() const = 0;
    virtual const MemberShape* member_by_dispid(DISPID dispid) const = 0;
    virtual const MemberShape* member_by_name(std::u16string_view name) const = 0;
    virtual Variant call_get(const MemberShape& member, Arguments& args) = 0;
    virtual void call_put(const MemberShape& member, Arguments& args) = 0;
    // Throws the Failure a call on a closed or deleted object meets.
    virtual void check_alive() const {}
    // Only the Application answers for the host's Application interface.
    virtual bool answers(REFIID) const { return false; }

private:
    HRESULT invoke_checked(const MemberShape& member, WORD flags, LCID locale, DISPPARAMS& params, VARIANT* result,
                           EXCEPINFO* exception, UINT* argument_error);

    std::shared_ptr<Application> app_;
    std::atomic<ULONG> references_{1};
    LiveToken token_;
};

// One entry of an object kind's member table.
template <class Object>
struct Member {
    MemberShape shape;
    Variant (Object::*get)(Arguments&) = nullptr;
    void (Object::*put)(Arguments&) = nullptr;
};

// Binds an object kind's member table to the shared dispatcher. `Object` provides
// members(), returning its table, and kind().
template <class Object>
class Dispatchable : public DispatchObject {
protected:
    using DispatchObject::DispatchObject;

private:
    std::span<const Member<Object>> table() const { return static_cast<const Object*>(this)->members(); }

    const MemberShape* member_by_dispid(DISPID dispid) const final {
        for (const auto& member : table()) {
            if (member.shape.dispid == dispid) {
                return &member.shape;
            }
        }
        return nullptr;
    }
    const MemberShape* member_by_name(std::u16string_view name) const final;
    const Member<Object>& entry(const MemberShape& shape) const {
        for (const auto& member : table()) {
            if (&member.shape == &shape) {
                return member;
            }
        }
        throw ArgumentError{DISP_E_MEMBERNOTFOUND, std::nullopt};
    }
    Variant call_get(const MemberShape& shape, Arguments& args) final {
        return (static_cast<Object*>(this)->*entry(shape).get)(args);
    }
    void call_put(const MemberShape& shape, Arguments& args) final {
        (static_cast<Object*>(this)->*entry(shape).put)(args);
    }
};

// Member names are ASCII; a client may spell them in any case.
bool member_name_equals(std::string_view member, std::u16string_view name);

template <class Object>
const MemberShape* Dispatchable<Object>::member_by_name(std::u16string_view name) const {
    for (const auto& member : table()) {
        if (member_name_equals(member.shape.name, name)) {
            return &member.shape;
        }
    }
    return nullptr;
}

// Adopts a new object with its initial reference. (The MinGW ComPtr::Attach adds
// a reference, so it cannot be used for this.)
template <class Object>
ComPtr<Object> adopt(Object* object) {
    ComPtr<Object> owner;
    *owner.ReleaseAndGetAddressOf() = object;
    return owner;
}

template <class Object, class... Args>
ComPtr<Object> make_object(Args&&... args) {
    return adopt(new Object(std::forward<Args>(args)...));
}

// The object of this model that `value` holds, or nullptr when it holds none
// (or another program's object).
ComPtr<DispatchObject> own_object(const VARIANT& value);

template <class Object>
ComPtr<Object> own_object_as(const VARIANT& value) {
    ComPtr<DispatchObject> object = own_object(value);
    return ComPtr<Object>(dynamic_cast<Object*>(object.Get()));
}

// An IEnumVARIANT over a snapshot of a collection's items, as _NewEnum returns.
ComPtr<IUnknown> make_enumerator(std::vector<Variant> items);

[[noreturn]] void fail(std::int32_t hresult, std::u16string_view description);

}  // namespace standin::com
