#include "host/com_addins_win.h"

#include <olectl.h>

#include <atomic>
#include <cstdio>
#include <utility>

#include "base/platform_win.h"
#include "base/text.h"
#include "model/custom_ui.h"

namespace standin::host {
namespace {

using Microsoft::WRL::ComPtr;
namespace office = tarvex::office;

constexpr wchar_t workbook_ribbon[] = L"Microsoft.Excel.Workbook";
constexpr DWORD load_at_startup = 3;
constexpr DWORD not_loaded = 2;

std::u16string hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(hr));
    return tarvex::utf8_to_utf16(text);
}

// A small IDispatch object with nothing to call: the add-in instance the host
// passes to OnConnection, and the base of the control object below.
template <class Interface>
class Plain : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == IID_IDispatch || answers(iid)) {
            *object = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
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
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }

protected:
    virtual ~Plain() = default;
    virtual bool answers(REFIID) const { return false; }

private:
    std::atomic<ULONG> references_{1};
};

// What a ribbon callback is handed: the control's id and tag, and where it sits.
class RibbonControl final : public Plain<office::IRibbonControl> {
public:
    RibbonControl(std::u16string id, std::u16string tag, IDispatch* context)
        : id_(std::move(id)), tag_(std::move(tag)), context_(context) {}
    HRESULT STDMETHODCALLTYPE get_Id(BSTR* id) override { return text(id_, id); }
    HRESULT STDMETHODCALLTYPE get_Tag(BSTR* tag) override { return text(tag_, tag); }
    HRESULT STDMETHODCALLTYPE get_Context(IDispatch** context) override {
        if (context == nullptr) {
            return E_POINTER;
        }
        *context = context_.Get();
        if (*context != nullptr) {
            (*context)->AddRef();
        }
        return S_OK;
    }

private:
    bool answers(REFIID iid) const override { return iid == office::iid_ribbon_control; }
    static HRESULT text(const std::u16string& value, BSTR* out) {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = tarvex::to_bstr(value);
        return *out != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    std::u16string id_;
    std::u16string tag_;
    ComPtr<IDispatch> context_;
};

// Takes over the one reference a new object starts with (MinGW's ComPtr::Attach
// would add a second one, and the object would never go).
ComPtr<IDispatch> adopt(IDispatch* created) {
    ComPtr<IDispatch> owner;
    *owner.ReleaseAndGetAddressOf() = created;
    return owner;
}

// The empty array of custom values every add-in event carries.
tarvex::UniqueSafeArray empty_custom() {
    return tarvex::UniqueSafeArray(::SafeArrayCreateVector(VT_VARIANT, 0, 0));
}

// Calls a callback by name with one control argument, as the host calls it.
HRESULT call_back(IDispatch* target, const std::u16string& name, IDispatch* control, VARIANT* result) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(tarvex::wide(name))};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) {
        return hr;
    }
    VARIANT argument;
    argument.vt = VT_DISPATCH;
    argument.pdispVal = control;
    DISPPARAMS params{&argument, nullptr, 1, 0};
    EXCEPINFO exception{};
    hr = target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, &exception, nullptr);
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    return hr == DISP_E_EXCEPTION && exception.scode != 0 ? exception.scode : hr;
}

std::optional<DWORD> load_behaviour(HKEY root, const std::u16string& name) {
    const std::wstring path = std::wstring(addins_key) + L"\\" + tarvex::wide(name);
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (::RegGetValueW(root, path.c_str(), L"LoadBehavior", RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

// As the real host does with an add-in that failed to load: it is not loaded
// again until someone turns it back on.
void mark_not_loaded(HKEY root, const std::u16string& name) {
    const std::wstring path = std::wstring(addins_key) + L"\\" + tarvex::wide(name);
    const DWORD value = not_loaded;
    ::RegSetKeyValueW(root, path.c_str(), L"LoadBehavior", REG_DWORD, &value, sizeof(value));
}

std::vector<std::u16string> entries_of(HKEY root) {
    std::vector<std::u16string> names;
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(root, addins_key, 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return names;
    }
    const tarvex::UniqueHKey key(opened);
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (::RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        names.push_back(tarvex::from_wide(std::wstring_view(name, length)));
    }
    return names;
}

}  // namespace

void ComAddins::load(IDispatch* application) {
    application_ = application;
    std::vector<std::u16string> seen;
    for (const HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        for (const std::u16string& name : entries_of(root)) {
            bool already = false;
            for (const auto& s : seen) {
                already =
                    already || ::CompareStringOrdinal(tarvex::wide(s), -1, tarvex::wide(name), -1, TRUE) == CSTR_EQUAL;
            }
            if (already) {
                continue;
            }
            seen.push_back(name);
            if (load_behaviour(root, name) == load_at_startup) {
                load_one(root, name, application);
            }
        }
    }
    const tarvex::UniqueSafeArray custom = empty_custom();
    SAFEARRAY* array = custom.get();
    for (const Loaded& loaded : loaded_) {
        loaded.addin->OnStartupComplete(&array);
    }
}

void ComAddins::load_one(HKEY root, const std::u16string& name, IDispatch* application) {
    const std::u16string tag = u"addin " + name + u": ";
    CLSID clsid{};
    HRESULT hr = ::CLSIDFromProgID(tarvex::wide(name), &clsid);
    Loaded loaded{name, nullptr};
    if (SUCCEEDED(hr)) {
        hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, office::iid_extensibility2, &loaded.addin);
    }
    if (FAILED(hr)) {
        note(tag + u"not loaded: it could not be created (" + hex(hr) + u")");
        mark_not_loaded(root, name);
        return;
    }
    const tarvex::UniqueSafeArray custom = empty_custom();
    SAFEARRAY* array = custom.get();
    const ComPtr<IDispatch> instance = adopt(new Plain<IDispatch>());
    hr = loaded.addin->OnConnection(application, office::startup, instance.Get(), &array);
    if (FAILED(hr)) {
        note(tag + u"not loaded: OnConnection failed (" + hex(hr) + u")");
        mark_not_loaded(root, name);
        return;
    }
    note(tag + u"connected");
    loaded.addin->OnAddInsUpdate(&array);
    loaded_.push_back(std::move(loaded));
    read_ribbon(loaded_.back());
}

void ComAddins::read_ribbon(const Loaded& loaded) {
    const std::u16string tag = u"addin " + loaded.prog_id + u": ";
    ComPtr<office::IRibbonExtensibility> ribbon;
    if (FAILED(loaded.addin->QueryInterface(office::iid_ribbon_extensibility, &ribbon))) {
        return;  // an add-in without a ribbon of its own
    }
    BSTR xml = nullptr;
    const tarvex::UniqueBstr id(::SysAllocString(workbook_ribbon));
    if (FAILED(ribbon->GetCustomUI(id.get(), &xml))) {
        note(tag + u"its ribbon is not shown: GetCustomUI failed");
        return;
    }
    const tarvex::UniqueBstr owned(xml);
    const std::u16string text = tarvex::from_bstr(xml);
    if (text.empty()) {
        return;
    }
    std::vector<RibbonButton> found;
    try {
        found = read_custom_ui(text);
    } catch (const CustomUiError& e) {
        note(tag + u"its ribbon is not shown: " + tarvex::utf8_to_utf16(e.what()));
        return;
    }
    ComPtr<IDispatch> callbacks;
    loaded.addin.As(&callbacks);
    for (const RibbonButton& b : found) {
        AddinButton button{loaded.prog_id, b.id, b.label, b.screentip, u"", b.on_action, callbacks, nullptr};
        if (!b.get_image.empty()) {
            const ComPtr<IDispatch> control = adopt(new RibbonControl(b.id, u"", application_.Get()));
            tarvex::Variant picture;
            if (SUCCEEDED(call_back(callbacks.Get(), b.get_image, control.Get(), picture.get())) &&
                picture->vt == VT_DISPATCH && picture->pdispVal != nullptr) {
                ComPtr<IPicture> image;
                SHORT type = PICTYPE_NONE;
                OLE_HANDLE handle = 0;
                if (SUCCEEDED(picture->pdispVal->QueryInterface(IID_IPicture, &image)) &&
                    SUCCEEDED(image->get_Type(&type)) && type == PICTYPE_ICON &&
                    SUCCEEDED(image->get_Handle(&handle))) {
                    button.image.reset(::CopyIcon(reinterpret_cast<HICON>(static_cast<UINT_PTR>(handle))));
                }
            }
        }
        note(tag + u"button \"" + b.label + u"\"" + (button.image ? u" with its image" : u""));
        buttons_.push_back(std::move(button));
    }
}

std::optional<std::u16string> ComAddins::click(std::size_t index) {
    if (index >= buttons_.size()) {
        return u"no such button";
    }
    const AddinButton& button = buttons_[index];
    const ComPtr<IDispatch> control = adopt(new RibbonControl(button.id, button.tag, application_.Get()));
    const HRESULT hr = call_back(button.callbacks.Get(), button.on_action, control.Get(), nullptr);
    if (FAILED(hr)) {
        const std::u16string reason =
            u"addin " + button.addin + u": " + button.on_action + u" failed (" + hex(hr) + u")";
        note(reason);
        return reason;
    }
    return std::nullopt;
}

void ComAddins::unload() {
    if (loaded_.empty() && !application_) {
        return;
    }
    buttons_.clear();
    const tarvex::UniqueSafeArray custom = empty_custom();
    SAFEARRAY* array = custom.get();
    for (const Loaded& loaded : loaded_) {
        loaded.addin->OnBeginShutdown(&array);
    }
    for (const Loaded& loaded : loaded_) {
        loaded.addin->OnDisconnection(office::host_shutdown, &array);
        note(u"addin " + loaded.prog_id + u": disconnected");
    }
    loaded_.clear();
    application_.Reset();
}

}  // namespace standin::host
