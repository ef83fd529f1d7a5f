#include "com/dispatch_win.h"

#include <array>
#include <new>

#include "base/platform_win.h"
#include "base/text.h"
#include "com/object_model_win.h"

namespace standin::com {

namespace {

std::atomic<int> live_objects{0};

// Numbers and dates are converted in the English form because that is the only
// form the stand-in model parses and shows; the user's locale must not turn 1.5
// into "1,5" on its way into a cell or a search.
constexpr LCID conversion_locale = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);

// The host reports a cell's error value as VT_ERROR with this base plus the
// number its CVErr function uses.
constexpr SCODE cv_error_base = static_cast<SCODE>(0x800A0000);

constexpr std::array<std::u16string_view, 7> error_literals = {u"#NULL!", u"#DIV/0!", u"#VALUE!", u"#REF!",
                                                               u"#NAME?", u"#NUM!",   u"#N/A"};

bool is_missing_marker(const VARIANT& value) {
    return value.vt == VT_ERROR && value.scode == DISP_E_PARAMNOTFOUND;
}

const VARIANT& missing_marker() {
    static const VARIANT marker = [] {
        VARIANT v;
        ::VariantInit(&v);
        v.vt = VT_ERROR;
        v.scode = DISP_E_PARAMNOTFOUND;
        return v;
    }();
    return marker;
}

std::u16string log_text(const VARIANT& value) {
    if (value.vt == VT_EMPTY || is_missing_marker(value)) {
        return u"";
    }
    if (value.vt == VT_NULL) {
        return u"Null";
    }
    if (value.vt == VT_DISPATCH) {
        if (value.pdispVal == nullptr) {
            return u"Nothing";
        }
        if (ComPtr<DispatchObject> object = own_object(value)) {
            return object->describe();
        }
        return u"(object)";
    }
    if (value.vt == VT_UNKNOWN) {
        return u"(object)";
    }
    if ((value.vt & VT_ARRAY) != 0) {
        return u"(array)";
    }
    return host_text(value).value_or(u"(?)");
}

}  // namespace

const IID iid_own_object = {0x099346b2, 0x6328, 0x4654, {0x99, 0xec, 0x85, 0x61, 0x42, 0xcd, 0x6a, 0xfc}};

LiveToken::LiveToken() noexcept {
    ++live_objects;
}
LiveToken::~LiveToken() {
    --live_objects;
}

[[noreturn]] void fail(std::int32_t hresult, std::u16string_view description) {
    throw Failure{hresult, std::u16string(description)};
}

bool member_name_equals(std::string_view member, std::u16string_view name) {
    if (member.size() != name.size()) {
        return false;
    }
    for (std::size_t i = 0; i < member.size(); ++i) {
        char16_t a = static_cast<unsigned char>(member[i]);
        char16_t b = name[i];
        if (a >= u'A' && a <= u'Z') {
            a = static_cast<char16_t>(a - u'A' + u'a');
        }
        if (b >= u'A' && b <= u'Z') {
            b = static_cast<char16_t>(b - u'A' + u'a');
        }
        if (a != b) {
            return false;
        }
    }
    return true;
}

// --- Variant ---

Variant Variant::of_text(std::u16string_view text) {
    Variant v;
    BSTR copy = tarvex::to_bstr(text);
    if (copy == nullptr) {
        throw std::bad_alloc();
    }
    v.value_->vt = VT_BSTR;
    v.value_->bstrVal = copy;
    return v;
}

Variant Variant::of_number(double number) {
    Variant v;
    v.value_->vt = VT_R8;
    v.value_->dblVal = number;
    return v;
}

Variant Variant::of_integer(std::int32_t number) {
    Variant v;
    v.value_->vt = VT_I4;
    v.value_->lVal = number;
    return v;
}

Variant Variant::of_boolean(bool boolean) {
    Variant v;
    v.value_->vt = VT_BOOL;
    v.value_->boolVal = boolean ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

Variant Variant::of_error(SCODE code) {
    Variant v;
    v.value_->vt = VT_ERROR;
    v.value_->scode = code;
    return v;
}

Variant Variant::of_null() {
    Variant v;
    v.value_->vt = VT_NULL;
    return v;
}

Variant Variant::of_object(ComPtr<IDispatch> object) {
    Variant v;
    v.value_->vt = VT_DISPATCH;
    v.value_->pdispVal = object.Detach();
    return v;
}

Variant Variant::of_unknown(ComPtr<IUnknown> object) {
    Variant v;
    v.value_->vt = VT_UNKNOWN;
    v.value_->punkVal = object.Detach();
    return v;
}

Variant Variant::dereferenced(const VARIANT& source, HRESULT* status) {
    Variant v;
    // VariantCopyInd would follow a null reference; a caller's bad argument must
    // come back as an error, not crash the host.
    if ((source.vt & VT_BYREF) != 0 && source.byref == nullptr) {
        *status = DISP_E_TYPEMISMATCH;
        return v;
    }
    *status = ::VariantCopyInd(v.value_.get(), const_cast<VARIANT*>(&source));
    return v;
}

// --- Text of a variant ---

std::optional<std::u16string> host_text(const VARIANT& value) {
    switch (value.vt) {
        case VT_EMPTY:
            return u"";
        case VT_BSTR:
            return tarvex::from_bstr(value.bstrVal);
        case VT_BOOL:
            // The host's own spelling, which it parses back as a boolean.
            return value.boolVal != VARIANT_FALSE ? u"TRUE" : u"FALSE";
        case VT_ERROR:
            for (std::u16string_view literal : error_literals) {
                const std::optional<int> code = error_code(literal);
                if (code && value.scode == cv_error_base + *code) {
                    return std::u16string(literal);
                }
            }
            return std::nullopt;
        case VT_NULL:
        case VT_DISPATCH:
        case VT_UNKNOWN:
            // Converting an object would call back into its default member.
            return std::nullopt;
        default:
            break;
    }
    Variant converted;
    if (FAILED(::VariantChangeTypeEx(&converted.get(), const_cast<VARIANT*>(&value), conversion_locale, 0, VT_BSTR))) {
        return std::nullopt;
    }
    return tarvex::from_bstr(converted.get().bstrVal);
}

std::optional<SCODE> cv_error_scode(std::u16string_view literal) {
    const std::optional<int> code = error_code(literal);
    if (!code) {
        return std::nullopt;
    }
    return cv_error_base + *code;
}

// --- Arguments ---

Arguments::Arguments(const DISPPARAMS& params, bool is_put) : is_put_(is_put) {
    const std::size_t named = params.cNamedArgs;
    if (is_put) {
        // A property put carries its value as the one named argument DISPID_PROPERTYPUT.
        if (named != 1 || params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
            throw ArgumentError{DISP_E_PARAMNOTFOUND, std::nullopt};
        }
        HRESULT status = S_OK;
        put_value_ = Variant::dereferenced(params.rgvarg[0], &status);
        if (FAILED(status)) {
            throw ArgumentError{DISP_E_TYPEMISMATCH, put_value_position};
        }
    } else if (named != 0) {
        // Parameter names are not published by GetIDsOfNames, so no client can have
        // produced a named argument for a call.
        throw ArgumentError{DISP_E_NONAMEDARGS, std::nullopt};
    }
    const std::size_t count = params.cArgs - named;
    positional_.reserve(count);
    for (std::size_t position = 0; position < count; ++position) {
        // rgvarg holds the arguments last to first.
        HRESULT status = S_OK;
        positional_.push_back(Variant::dereferenced(params.rgvarg[params.cArgs - 1 - position], &status));
        if (FAILED(status)) {
            throw ArgumentError{DISP_E_TYPEMISMATCH, position};
        }
    }
}

bool Arguments::omitted(std::size_t position) const {
    return missing(position) || positional_[position].type() == VT_EMPTY;
}

bool Arguments::missing(std::size_t position) const {
    return position >= positional_.size() || is_missing_marker(positional_[position].get());
}

const VARIANT& Arguments::at(std::size_t position) const {
    return position < positional_.size() ? positional_[position].get() : missing_marker();
}

std::u16string Arguments::text(std::size_t position) const {
    std::optional<std::u16string> result = host_text(at(position));
    if (!result) {
        throw ArgumentError{DISP_E_TYPEMISMATCH, position};
    }
    return *std::move(result);
}

std::u16string Arguments::put_text() const {
    std::optional<std::u16string> result = host_text(put_value_.get());
    if (!result) {
        throw ArgumentError{DISP_E_TYPEMISMATCH, put_value_position};
    }
    return *std::move(result);
}

std::int32_t Arguments::integer(std::size_t position) const {
    Variant converted;
    if (FAILED(::VariantChangeTypeEx(&converted.get(), const_cast<VARIANT*>(&at(position)), conversion_locale, 0,
                                     VT_I4))) {
        throw ArgumentError{DISP_E_TYPEMISMATCH, position};
    }
    return converted.get().lVal;
}

std::optional<std::int32_t> Arguments::optional_integer(std::size_t position) const {
    if (omitted(position)) {
        return std::nullopt;
    }
    return integer(position);
}

std::optional<bool> Arguments::optional_boolean(std::size_t position) const {
    if (omitted(position)) {
        return std::nullopt;
    }
    Variant converted;
    if (FAILED(::VariantChangeTypeEx(&converted.get(), const_cast<VARIANT*>(&at(position)), conversion_locale, 0,
                                     VT_BOOL))) {
        throw ArgumentError{DISP_E_TYPEMISMATCH, position};
    }
    return converted.get().boolVal != VARIANT_FALSE;
}

std::vector<std::u16string> Arguments::log_texts() const {
    std::vector<std::u16string> texts;
    texts.reserve(positional_.size() + 1);
    for (const Variant& argument : positional_) {
        texts.push_back(log_text(argument.get()));
    }
    if (is_put_) {
        texts.push_back(log_text(put_value_.get()));
    }
    return texts;
}

// --- DispatchObject ---

HRESULT STDMETHODCALLTYPE DispatchObject::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, iid_own_object) ||
        answers(iid)) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE DispatchObject::AddRef() {
    return ++references_;
}

ULONG STDMETHODCALLTYPE DispatchObject::Release() {
    const ULONG left = --references_;
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) {
        return E_POINTER;
    }
    // No type information: clients reach every member by name.
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info != nullptr) {
        *info = nullptr;
    }
    return DISP_E_BADINDEX;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!IsEqualIID(iid, IID_NULL)) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    if (count == 0) {
        return S_OK;
    }
    if (names == nullptr || ids == nullptr) {
        return E_INVALIDARG;
    }
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
    }
    const MemberShape* member =
        names[0] != nullptr ? member_by_name(reinterpret_cast<const char16_t*>(names[0])) : nullptr;
    if (member == nullptr) {
        return DISP_E_UNKNOWNNAME;
    }
    ids[0] = member->dispid;
    // The names after the first would be parameter names, which no member publishes.
    return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT STDMETHODCALLTYPE DispatchObject::Invoke(DISPID dispid, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                                 VARIANT* result, EXCEPINFO* exception, UINT* argument_error) {
    if (!IsEqualIID(iid, IID_NULL)) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    if (params == nullptr || (params->cArgs > 0 && params->rgvarg == nullptr) || params->cNamedArgs > params->cArgs ||
        (params->cNamedArgs > 0 && params->rgdispidNamedArgs == nullptr)) {
        return E_INVALIDARG;
    }
    const MemberShape* member = member_by_dispid(dispid);
    if (member == nullptr) {
        return DISP_E_MEMBERNOTFOUND;
    }
    try {
        return invoke_checked(*member, flags, locale, *params, result, exception, argument_error);
    } catch (const ArgumentError& error) {
        if (argument_error != nullptr && error.position) {
            const std::size_t positional = params->cArgs - params->cNamedArgs;
            if (*error.position == put_value_position) {
                *argument_error = 0;
            } else if (*error.position < positional) {
                *argument_error = static_cast<UINT>(params->cArgs - 1 - *error.position);
            }
        }
        return error.hresult;
    } catch (const Failure& failure) {
        // The channel's own failures never reach the object, so they carry no EXCEPINFO.
        if (is_channel_failure(failure.hresult)) {
            return failure.hresult;
        }
        if (exception != nullptr) {
            *exception = EXCEPINFO{};
            exception->scode = failure.hresult;
            exception->bstrSource = ::SysAllocString(L"tarvex-host");
            exception->bstrDescription = tarvex::to_bstr(failure.description);
        }
        return DISP_E_EXCEPTION;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT DispatchObject::invoke_checked(const MemberShape& member, WORD flags, LCID locale, DISPPARAMS& params,
                                       VARIANT* result, EXCEPINFO* exception, UINT* argument_error) {
    const bool is_put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (is_put ? ((flags & DISPATCH_PROPERTYPUT) == 0 || !member.can_put)
               : ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0 || !member.can_get)) {
        return DISP_E_MEMBERNOTFOUND;
    }
    Arguments args(params, is_put);
    const bool forwards = !is_put && member.forwards_to_default && args.count() > member.accepted;
    if (!forwards) {
        if (args.count() > member.accepted) {
            throw ArgumentError{DISP_E_BADPARAMCOUNT, std::nullopt};
        }
        for (std::size_t position = 0; position < member.required; ++position) {
            if (args.missing(position)) {
                throw ArgumentError{DISP_E_PARAMNOTFOUND,
                                    position < args.count() ? std::optional(position) : std::nullopt};
            }
        }
    }

    std::string operation(kind());
    operation += '.';
    operation += member.name;
    if (is_put) {
        operation += '=';
    }
    app_->enter(operation, forwards ? std::vector<std::u16string>{} : args.log_texts(), !forwards);
    check_alive();

    if (is_put) {
        call_put(member, args);
        return S_OK;
    }
    Variant value = call_get(member, args);
    if (forwards) {
        if (value.type() != VT_DISPATCH || value.get().pdispVal == nullptr) {
            return DISP_E_BADPARAMCOUNT;
        }
        // Same arguments, same positions: puArgErr from the collection stays meaningful.
        return value.get().pdispVal->Invoke(DISPID_VALUE, IID_NULL, locale, flags, &params, result, exception,
                                            argument_error);
    }
    if (result != nullptr) {
        value.detach_to(result);
    }
    return S_OK;
}

ComPtr<DispatchObject> own_object(const VARIANT& value) {
    ComPtr<DispatchObject> object;
    if (value.vt != VT_DISPATCH || value.pdispVal == nullptr) {
        return object;
    }
    IDispatch* raw = nullptr;
    if (SUCCEEDED(value.pdispVal->QueryInterface(iid_own_object, reinterpret_cast<void**>(&raw)))) {
        // Only DispatchObject answers iid_own_object, with itself.
        *object.ReleaseAndGetAddressOf() = static_cast<DispatchObject*>(raw);
    }
    return object;
}

// --- Enumerator ---

namespace {

class VariantEnumerator final : public IEnumVARIANT {
public:
    VariantEnumerator(std::shared_ptr<const std::vector<Variant>> items, std::size_t next)
        : items_(std::move(items)), next_(next) {}
    VariantEnumerator(const VariantEnumerator&) = delete;
    VariantEnumerator& operator=(const VariantEnumerator&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IEnumVARIANT)) {
            *out = static_cast<IEnumVARIANT*>(this);
            AddRef();
            return S_OK;
        }
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

    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override {
        if (fetched != nullptr) {
            *fetched = 0;
        }
        if (count == 0) {
            return S_OK;
        }
        if (out == nullptr) {
            return E_POINTER;
        }
        ULONG done = 0;
        for (; done < count && next_ + done < items_->size(); ++done) {
            ::VariantInit(&out[done]);
            const HRESULT status = ::VariantCopy(&out[done], const_cast<VARIANT*>(&(*items_)[next_ + done].get()));
            if (FAILED(status)) {
                for (ULONG i = 0; i < done; ++i) {
                    ::VariantClear(&out[i]);
                }
                return status;
            }
        }
        next_ += done;
        if (fetched != nullptr) {
            *fetched = done;
        }
        return done == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const std::size_t left = items_->size() - next_;
        const std::size_t skipped = count < left ? count : left;
        next_ += skipped;
        return skipped == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        next_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        try {
            *out = make_object<VariantEnumerator>(items_, next_).Detach();
            return S_OK;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

private:
    ~VariantEnumerator() = default;

    std::shared_ptr<const std::vector<Variant>> items_;
    std::size_t next_;
    std::atomic<ULONG> references_{1};
    LiveToken token_;
};

}  // namespace

ComPtr<IUnknown> make_enumerator(std::vector<Variant> items) {
    auto shared = std::make_shared<const std::vector<Variant>>(std::move(items));
    return make_object<VariantEnumerator>(std::move(shared), 0);
}

}  // namespace standin::com

namespace standin {

int live_object_count() {
    return com::live_objects.load();
}

}  // namespace standin
