// ExcelTarvex.Connect as the host's add-in loader meets it: created from the
// DLL's factory, connected with the Application object, asked for its ribbon,
// its button's callbacks found by name and called with a control object; the
// button opens the same Tarvex window Search opens, and disconnecting closes it
// and lets go of every host object.
#include <windows.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "base/office_contract_win.h"
#include "addin/ribbon.h"
#include "base/owners_win.h"
#include "base/platform_win.h"
#include "base/text.h"
#include "com/object_model_win.h"
#include "model/custom_ui.h"
#include "support/window_driver_win.h"
#include "ui/main/main_design.h"

namespace {

using Microsoft::WRL::ComPtr;
using tarvex::UniqueBstr;
namespace office = tarvex::office;
namespace test = tarvex::test;
namespace design = tarvex::main_design;

constexpr CLSID clsid_connect = {0x41DEBC9B, 0x2327, 0x11D4, {0x98, 0xA4, 0x00, 0x60, 0x67, 0x30, 0x3F, 0xC9}};

// The host's control object, as a ribbon callback receives it.
class RibbonControl final : public office::IRibbonControl {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == office::iid_ribbon_control) {
            *object = static_cast<office::IRibbonControl*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }  // lives on the test's stack
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_Id(BSTR* id) override {
        *id = ::SysAllocString(tarvex::wide(tarvex::ribbon::button_id));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Context(IDispatch** context) override {
        *context = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Tag(BSTR* tag) override {
        *tag = ::SysAllocString(L"");
        return S_OK;
    }
    ULONG references() const { return references_; }

private:
    std::atomic<ULONG> references_{1};
};

ComPtr<office::IDTExtensibility2> create_connect() {
    using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    const auto get_class_object = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(::GetProcAddress(test::tarvex_dll(), "DllGetClassObject")));
    ComPtr<IClassFactory> factory;
    ComPtr<office::IDTExtensibility2> connect;
    if (get_class_object == nullptr || FAILED(get_class_object(clsid_connect, IID_IClassFactory, &factory)) ||
        FAILED(factory->CreateInstance(nullptr, office::iid_extensibility2, &connect))) {
        return nullptr;
    }
    return connect;
}

DISPID dispid_of(IDispatch* object, const std::u16string& name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(tarvex::wide(name))};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return SUCCEEDED(hr) ? id : DISPID_UNKNOWN;
}

// A ribbon callback called as the host calls it: by DISPID, one argument.
HRESULT call_back(IDispatch* object, DISPID id, IDispatch* control, VARIANT* result = nullptr) {
    VARIANT argument;
    argument.vt = VT_DISPATCH;
    argument.pdispVal = control;
    DISPPARAMS params{&argument, nullptr, 1, 0};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, nullptr, nullptr);
}

std::u16string custom_ui(IDispatch* connect, const wchar_t* ribbon_id) {
    ComPtr<office::IRibbonExtensibility> ribbon;
    if (FAILED(connect->QueryInterface(office::iid_ribbon_extensibility, &ribbon))) {
        return u"(no IRibbonExtensibility)";
    }
    const UniqueBstr id(::SysAllocString(ribbon_id));
    BSTR xml = nullptr;
    if (FAILED(ribbon->GetCustomUI(id.get(), &xml))) {
        return u"(GetCustomUI failed)";
    }
    const UniqueBstr owned(xml);
    return tarvex::from_bstr(xml);
}

TEST(Connect, AnswersTheRibbonContractAndEveryCallbackItNames) {
    const ComPtr<office::IDTExtensibility2> connect = create_connect();
    ASSERT_TRUE(connect);
    const std::u16string xml = custom_ui(connect.Get(), L"Microsoft.Excel.Workbook");
    EXPECT_EQ(xml, tarvex::ribbon::custom_ui(tarvex::ribbon::workbook_ribbon_id));
    EXPECT_EQ(custom_ui(connect.Get(), L"Microsoft.Excel.Chart"), u"");

    // Every callback the XML names is found by name on the class's IDispatch.
    const auto buttons = standin::read_custom_ui(xml);
    ASSERT_EQ(buttons.size(), 1u);
    for (const std::u16string& callback : {buttons[0].on_action, buttons[0].get_image}) {
        EXPECT_NE(dispid_of(connect.Get(), callback), DISPID_UNKNOWN) << tarvex::utf16_to_utf8(callback);
    }
    EXPECT_EQ(dispid_of(connect.Get(), u"NoSuchCallback"), DISPID_UNKNOWN);

    // The picture is the DLL's icon.
    RibbonControl control;
    VARIANT picture;
    ::VariantInit(&picture);
    ASSERT_EQ(call_back(connect.Get(), dispid_of(connect.Get(), tarvex::ribbon::get_image), &control, &picture), S_OK);
    ASSERT_EQ(picture.vt, VT_DISPATCH);
    ComPtr<IPicture> icon;
    ASSERT_EQ(picture.pdispVal->QueryInterface(IID_IPicture, &icon), S_OK);
    SHORT type = PICTYPE_NONE;
    icon->get_Type(&type);
    EXPECT_EQ(type, PICTYPE_ICON);
    icon.Reset();
    ::VariantClear(&picture);
    EXPECT_EQ(control.references(), 1u) << "the control was kept";
}

TEST(Connect, TheButtonOpensTarvexAndDisconnectingLetsGoOfTheHost) {
    auto app = std::make_shared<standin::Application>();
    auto book = app->add_workbook(std::make_unique<standin::Workbook>(u"Book1"));
    standin::Sheet& sheet = book->add_sheet(u"Plants");
    sheet.write_value({1, 1}, u"Lavender");
    sheet.write_value({4, 2}, u"lavender oil");
    const int live_before = standin::live_object_count();
    ComPtr<IDispatch> application = standin::make_application_object(app);

    ComPtr<office::IDTExtensibility2> connect = create_connect();
    ASSERT_TRUE(connect);
    ASSERT_EQ(connect->OnConnection(application.Get(), office::startup, nullptr, nullptr), S_OK);
    EXPECT_EQ(connect->OnAddInsUpdate(nullptr), S_OK);
    EXPECT_EQ(connect->OnStartupComplete(nullptr), S_OK);
    EXPECT_EQ(test::main_window(), nullptr) << "start-up shows nothing";
    application.Reset();  // the host's own reference is not the test's to keep

    const DISPID click = dispid_of(connect.Get(), tarvex::ribbon::on_action);
    RibbonControl control;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(call_back(connect.Get(), click, &control), S_OK);
        test::pump(200, [] { return test::main_window() != nullptr; });
        ASSERT_NE(test::main_window(), nullptr) << "the button opened no window";
        ::SetWindowTextW(test::control(design::cmbSearchFor), L"lavender");
        test::click(design::cmdFind);
        EXPECT_EQ(test::list_rows().size(), 2u);
        if (round == 0) {
            // Cancel closes it; the button opens it again.
            test::click(design::CommandButton2);
            test::pump(200, [] { return test::main_window() == nullptr; });
            EXPECT_EQ(test::main_window(), nullptr);
        }
    }

    // The host closes with the window open.
    EXPECT_EQ(connect->OnBeginShutdown(nullptr), S_OK);
    EXPECT_EQ(connect->OnDisconnection(office::host_shutdown, nullptr), S_OK);
    test::pump(200, [] { return test::main_window() == nullptr; });
    EXPECT_EQ(test::main_window(), nullptr) << "the window outlived the host";
    EXPECT_EQ(standin::live_object_count(), live_before) << "Tarvex still holds a host object";
    connect.Reset();
    using CanUnloadNow = HRESULT(WINAPI*)();
    const auto can_unload = reinterpret_cast<CanUnloadNow>(
        reinterpret_cast<void*>(::GetProcAddress(test::tarvex_dll(), "DllCanUnloadNow")));
    ASSERT_NE(can_unload, nullptr);
    EXPECT_EQ(can_unload(), S_OK) << "the DLL cannot unload";
}

TEST(Connect, AButtonOfAnAddinNotConnectedFailsQuietly) {
    const ComPtr<office::IDTExtensibility2> connect = create_connect();
    ASSERT_TRUE(connect);
    RibbonControl control;
    EXPECT_TRUE(FAILED(call_back(connect.Get(), dispid_of(connect.Get(), tarvex::ribbon::on_action), &control)));
    EXPECT_EQ(test::main_window(), nullptr);
    // No control at all is a wrong call, not a crash.
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(connect->Invoke(dispid_of(connect.Get(), tarvex::ribbon::on_action), IID_NULL, 0, DISPATCH_METHOD, &none,
                              nullptr, nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);
}

}  // namespace
