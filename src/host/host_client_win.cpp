#include "host/host_client_win.h"

#include <oleauto.h>

#include <array>
#include <atomic>
#include <cwchar>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/owners_win.h"
#include "base/platform_win.h"

namespace tarvex {

namespace {

using Microsoft::WRL::ComPtr;

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

[[noreturn]] void throw_failure(HRESULT hr) {
    throw HostError{static_cast<std::int32_t>(hr), describe(hr), u""};
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

// The DISPIDs of one kind of host object. The host's interfaces are fixed, so a
// name resolved once for a Range holds for every Range: resolving per call would
// double the cross-process traffic of a Find over thousands of cells.
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
        const wchar_t* name;  // a literal of this file
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
enum class ObjectKind { application, workbook, sheets, sheet, range, count };
NameCache& names_of(ObjectKind kind) {
    static std::array<NameCache, static_cast<std::size_t>(ObjectKind::count)> caches;
    return caches[static_cast<std::size_t>(kind)];
}

// --- Calls ----------------------------------------------------------------

// Positional arguments in the order a caller writes them; Invoke wants them reversed.
// Held inline: a Find walk makes one call per match, and a heap block per call
// would cost as much as the call itself.
class Arguments {
public:
    static constexpr std::size_t capacity = 9;  // Range.Find has the most
    Arguments() = default;
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;
    // Only the texts and objects this holds need clearing: numbers, flags and
    // omitted arguments own nothing, and a Find passes seven of those per match.
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
        own_last();
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
    void own_last() { owned_ |= 1u << (count_ - 1); }
    std::array<VARIANT, capacity> values_;
    std::size_t count_ = 0;
    unsigned owned_ = 0;
};

Variant invoke(IDispatch* object, NameCache& names, const wchar_t* name, WORD flags,
               const Arguments& arguments = Arguments()) {
    const DISPID id = names.id(object, name);
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

Variant get(IDispatch* object, NameCache& names, const wchar_t* name, const Arguments& arguments = Arguments()) {
    return invoke(object, names, name, DISPATCH_PROPERTYGET, arguments);
}

void call_method(IDispatch* object, NameCache& names, const wchar_t* name) {
    invoke(object, names, name, DISPATCH_METHOD);
}

// --- Results --------------------------------------------------------------

// An object result; nullptr for the host's Nothing, and for Empty or Null.
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

// An object the next call needs; Nothing fails as a call on Nothing would.
ComPtr<IDispatch> required_object_of(const Variant& result) {
    ComPtr<IDispatch> object = object_of(result);
    if (!object) {
        throw object_not_set_error(u"");
    }
    return object;
}

// Text in the platform's ordinary conversion; booleans as True and False, the
// way a macro-language client shows them.
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

// --- The ports ------------------------------------------------------------

class DispatchRange final : public HostRange {
public:
    explicit DispatchRange(ComPtr<IDispatch> range) : range_(std::move(range)) {}

    std::unique_ptr<HostRange> find(const std::u16string& what, const HostRange* after) override {
        // A walk searches the same range for the same text once per match.
        if (!search_text_ || search_for_ != what) {
            search_text_.reset(to_bstr(what));
            if (!search_text_) {
                throw std::bad_alloc();
            }
            search_for_ = what;
        }
        Arguments arguments;
        arguments.borrowed_text(search_text_.get());
        if (after != nullptr) {
            const auto* start = dynamic_cast<const DispatchRange*>(after);
            if (start == nullptr) {
                throw_failure(DISP_E_TYPEMISMATCH);
            }
            arguments.borrowed_object(start->range_.Get());  // `after` outlives the call
        } else {
            arguments.omitted();
        }
        // LookIn, LookAt and SearchOrder omitted: the host keeps what its own
        // Find dialog last used, and the user expects exactly that.
        arguments.omitted().omitted().omitted();
        arguments.integer(1);           // SearchDirection: forwards
        arguments.boolean(false);       // MatchCase
        arguments.omitted().omitted();  // MatchByte, SearchFormat
        ComPtr<IDispatch> found =
            object_of(invoke(range_.Get(), names_of(ObjectKind::range), L"Find", DISPATCH_METHOD, arguments));
        if (!found) {
            return nullptr;
        }
        return std::make_unique<DispatchRange>(std::move(found));
    }

    std::u16string address() override { return text_of(get(range_.Get(), names_of(ObjectKind::range), L"Address")); }
    std::u16string text() override { return text_of(get(range_.Get(), names_of(ObjectKind::range), L"Text")); }
    std::u16string formula() override { return text_of(get(range_.Get(), names_of(ObjectKind::range), L"Formula")); }

    std::optional<std::u16string> value_text() override {
        Variant value = get(range_.Get(), names_of(ObjectKind::range), L"Value");
        if ((*value).vt == VT_ERROR) {
            return std::nullopt;
        }
        return text_of(std::move(value));
    }

    bool holds_text() override {
        const Variant value = get(range_.Get(), names_of(ObjectKind::range), L"Value");
        return (*value).vt == VT_BSTR;
    }

    void set_value(const std::u16string& value) override {
        Arguments arguments;
        arguments.text(value);
        invoke(range_.Get(), names_of(ObjectKind::range), L"Value", DISPATCH_PROPERTYPUT, arguments);
    }

    void select() override { call_method(range_.Get(), names_of(ObjectKind::range), L"Select"); }

private:
    ComPtr<IDispatch> range_;
    std::u16string search_for_;
    UniqueBstr search_text_;
};

class DispatchSheet final : public HostSheet {
public:
    explicit DispatchSheet(ComPtr<IDispatch> sheet) : sheet_(std::move(sheet)) {}

    std::u16string name() override { return text_of(get(sheet_.Get(), names_of(ObjectKind::sheet), L"Name")); }
    void activate() override { call_method(sheet_.Get(), names_of(ObjectKind::sheet), L"Activate"); }

    std::unique_ptr<HostRange> range(const std::u16string& cell) override {
        Arguments arguments;
        arguments.text(cell);
        return make_range(arguments);
    }
    std::unique_ptr<HostRange> range(const std::u16string& first, const std::u16string& last) override {
        Arguments arguments;
        arguments.text(first).text(last);
        return make_range(arguments);
    }

private:
    std::unique_ptr<HostRange> make_range(const Arguments& arguments) {
        return std::make_unique<DispatchRange>(
            required_object_of(get(sheet_.Get(), names_of(ObjectKind::sheet), L"Range", arguments)));
    }

    ComPtr<IDispatch> sheet_;
};

class DispatchWorkbook final : public HostWorkbook {
public:
    explicit DispatchWorkbook(ComPtr<IDispatch> book) : book_(std::move(book)) {}

    void activate() override { call_method(book_.Get(), names_of(ObjectKind::workbook), L"Activate"); }

    std::vector<std::unique_ptr<HostSheet>> worksheets() override {
        const ComPtr<IDispatch> sheets =
            required_object_of(get(book_.Get(), names_of(ObjectKind::workbook), L"Worksheets"));
        const LONG count = integer_of(get(sheets.Get(), names_of(ObjectKind::sheets), L"Count"));
        std::vector<std::unique_ptr<HostSheet>> result;
        for (LONG index = 1; index <= count; ++index) {
            Arguments arguments;
            arguments.integer(index);
            result.push_back(std::make_unique<DispatchSheet>(
                required_object_of(get(sheets.Get(), names_of(ObjectKind::sheets), L"Item", arguments))));
        }
        return result;
    }

    std::unique_ptr<HostSheet> sheet(const std::u16string& name) override {
        const ComPtr<IDispatch> sheets =
            required_object_of(get(book_.Get(), names_of(ObjectKind::workbook), L"Sheets"));
        Arguments arguments;
        arguments.text(name);
        return std::make_unique<DispatchSheet>(
            required_object_of(get(sheets.Get(), names_of(ObjectKind::sheets), L"Item", arguments)));
    }

private:
    ComPtr<IDispatch> book_;
};

class DispatchApplication final : public HostApplication {
public:
    explicit DispatchApplication(ComPtr<IDispatch> application) : application_(std::move(application)) {}

    std::shared_ptr<HostWorkbook> active_workbook() override {
        ComPtr<IDispatch> book =
            object_of(get(application_.Get(), names_of(ObjectKind::application), L"ActiveWorkbook"));
        if (!book) {
            return nullptr;
        }
        return std::make_shared<DispatchWorkbook>(std::move(book));
    }

private:
    ComPtr<IDispatch> application_;
};

}  // namespace

std::shared_ptr<HostApplication> make_host_application(ComPtr<IDispatch> application) {
    if (!application) {
        return nullptr;
    }
    return std::make_shared<DispatchApplication>(std::move(application));
}

}  // namespace tarvex
