// Tarvex.dll as COM and regsvr32 see it: loaded by path, driven through its
// exports, registered and unregistered by the system's regsvr32, created by
// ProgID, and called late-bound through its own type library.
#include <windows.h>
#include <oaidl.h>
#include <ole2.h>
#include <wrl/client.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <cstring>

#include "addin/registration_win.h"
#include "base/owners_win.h"
#include "com/object_model_win.h"
#include "model/model.h"
#include "support/dispatch_client_win.h"
#include "support/process_win.h"
#include "support/registry_read_win.h"
#include "support/window_driver_win.h"

// _Morvane as an early-bound caller sees it through the type library: IDispatch,
// then Search. Calling through it proves the DLL's vtable has that layout. Outside
// the anonymous namespace: with no implementation in this program, the compiler
// would otherwise conclude that no such object can exist and drop the calls.
struct MorvaneInterface : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Search(IDispatch** application) = 0;
};

namespace {

using Microsoft::WRL::ComPtr;
using tarvex::registration::Entry;
using tarvex::registration::Scope;
namespace test = tarvex::test;

constexpr CLSID clsid_morvane = {0x41DEBC9A, 0x2327, 0x11D4, {0x98, 0xA4, 0x00, 0x60, 0x67, 0x30, 0x3F, 0xC9}};
constexpr IID iid_morvane = {0x41DEBC99, 0x2327, 0x11D4, {0x98, 0xA4, 0x00, 0x60, 0x67, 0x30, 0x3F, 0xC9}};
constexpr GUID libid_tarvex = {0x41DEBC98, 0x2327, 0x11D4, {0x98, 0xA4, 0x00, 0x60, 0x67, 0x30, 0x3F, 0xC9}};
constexpr DISPID dispid_search = 0x60030000;

using tarvex::UniqueBstr;
using tarvex::UniqueHKey;
using tarvex::UniqueKernelHandle;
using tarvex::UniqueLibrary;

// The library stays loaded for the whole suite, as the host keeps it.
class Dll {
public:
    static Dll& get() {
        static Dll instance;
        return instance;
    }
    bool loaded() const { return module_ != nullptr; }
    template <class Function>
    Function* entry(const char* name) const {
        return reinterpret_cast<Function*>(reinterpret_cast<void*>(::GetProcAddress(module_.get(), name)));
    }
    HRESULT get_class_object(REFCLSID clsid, REFIID iid, void** out) const {
        return entry<HRESULT WINAPI(REFCLSID, REFIID, void**)>("DllGetClassObject")(clsid, iid, out);
    }
    HRESULT can_unload_now() const { return entry<HRESULT WINAPI()>("DllCanUnloadNow")(); }

private:
    Dll() : module_(::LoadLibraryW(test::tarvex_dll_path().c_str())) {}
    UniqueLibrary module_;
};

ComPtr<MorvaneInterface> create_morvane() {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(Dll::get().get_class_object(clsid_morvane, IID_IClassFactory, &factory), S_OK);
    ComPtr<MorvaneInterface> morvane;
    if (factory) {
        EXPECT_EQ(factory->CreateInstance(nullptr, iid_morvane, &morvane), S_OK);
    }
    return morvane;
}

class DllTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Dll::get().loaded()) << testing::PrintToString(test::tarvex_dll_path()); }
};

TEST_F(DllTest, ExportsItsEntryPointsUndecorated) {
    for (const char* name :
         {"DllRegisterServer", "DllUnregisterServer", "DllGetClassObject", "DllCanUnloadNow", "DllInstall"}) {
        EXPECT_NE(Dll::get().entry<void()>(name), nullptr) << name;
    }
}

TEST_F(DllTest, ServesOnlyItsOwnClass) {
    ComPtr<IUnknown> object;
    EXPECT_EQ(Dll::get().get_class_object(iid_morvane, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(Dll::get().get_class_object(clsid_morvane, IID_IDispatch, &object), E_NOINTERFACE);
    EXPECT_EQ(Dll::get().get_class_object(clsid_morvane, IID_IClassFactory, nullptr), E_POINTER);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(Dll::get().get_class_object(clsid_morvane, IID_IClassFactory, &factory), S_OK);
    ComPtr<IUnknown> outer;
    factory.As(&outer);
    EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
}

TEST_F(DllTest, StaysLoadedWhileAnythingOfItIsInUse) {
    ASSERT_EQ(Dll::get().can_unload_now(), S_OK);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(Dll::get().get_class_object(clsid_morvane, IID_IClassFactory, &factory), S_OK);
    EXPECT_EQ(Dll::get().can_unload_now(), S_FALSE) << "while the factory is held";

    ComPtr<IDispatch> object;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, &object), S_OK);
    factory.Reset();
    EXPECT_EQ(Dll::get().can_unload_now(), S_FALSE) << "while an object is alive";
    ComPtr<ISupportErrorInfo> second_interface;
    ASSERT_EQ(object.As(&second_interface), S_OK);
    object.Reset();
    EXPECT_EQ(Dll::get().can_unload_now(), S_FALSE) << "while any interface of it is held";
    second_interface.Reset();
    EXPECT_EQ(Dll::get().can_unload_now(), S_OK);

    ASSERT_EQ(Dll::get().get_class_object(clsid_morvane, IID_IClassFactory, &factory), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.Reset();
    EXPECT_EQ(Dll::get().can_unload_now(), S_FALSE) << "while locked";
    ASSERT_EQ(Dll::get().get_class_object(clsid_morvane, IID_IClassFactory, &factory), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.Reset();
    EXPECT_EQ(Dll::get().can_unload_now(), S_OK);
}

TEST_F(DllTest, TypeLibraryInsideTheDllDescribesSearch) {
    ComPtr<MorvaneInterface> morvane = create_morvane();
    ASSERT_TRUE(morvane);

    struct Case {
        const wchar_t* name;
        HRESULT hr;
        DISPID id;
    };
    const Case cases[] = {
        {L"Search", S_OK, dispid_search},
        {L"SEARCH", S_OK, dispid_search},
        {L"Find", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
    };
    for (const auto& c : cases) {
        DISPID id = 0;
        LPOLESTR names[] = {const_cast<LPOLESTR>(c.name)};
        EXPECT_EQ(morvane->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), c.hr);
        if (c.hr == S_OK) {
            EXPECT_EQ(id, c.id);
        }
    }

    UINT count = 0;
    EXPECT_EQ(morvane->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(morvane->GetTypeInfo(1, LOCALE_USER_DEFAULT, &info), DISP_E_BADINDEX);
    ASSERT_EQ(morvane->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->guid, iid_morvane);
    EXPECT_NE(attributes->wTypeFlags & TYPEFLAG_FDUAL, 0);
    info->ReleaseTypeAttr(attributes);

    ComPtr<ITypeLib> library;
    UINT index = 0;
    ASSERT_EQ(info->GetContainingTypeLib(&library, &index), S_OK);
    TLIBATTR* library_attributes = nullptr;
    ASSERT_EQ(library->GetLibAttr(&library_attributes), S_OK);
    EXPECT_EQ(library_attributes->guid, libid_tarvex);
    EXPECT_EQ(library_attributes->wMajorVerNum, 1);
    EXPECT_EQ(library_attributes->wMinorVerNum, 0);
    library->ReleaseTLibAttr(library_attributes);
    BSTR raw_name = nullptr;
    BSTR raw_doc = nullptr;
    ASSERT_EQ(library->GetDocumentation(-1, &raw_name, &raw_doc, nullptr, nullptr), S_OK);
    const UniqueBstr name(raw_name);
    const UniqueBstr doc(raw_doc);
    EXPECT_STREQ(raw_name, L"ExcelTarvex");
    EXPECT_STREQ(raw_doc, L"Excel Tarvex");
}

// The texts of the error object Search left for this thread.
std::pair<std::wstring, std::wstring> thread_error() {
    ComPtr<IErrorInfo> info;
    if (::GetErrorInfo(0, &info) != S_OK || !info) {
        return {};
    }
    BSTR description = nullptr;
    BSTR source = nullptr;
    info->GetDescription(&description);
    info->GetSource(&source);
    const UniqueBstr owned_description(description);
    const UniqueBstr owned_source(source);
    return {description ? description : L"", source ? source : L""};
}

BOOL CALLBACK count_visible(HWND window, LPARAM counter) {
    if (::IsWindowVisible(window)) {
        ++*reinterpret_cast<int*>(counter);
    }
    return TRUE;
}

int visible_windows_of_this_thread() {
    int count = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), count_visible, reinterpret_cast<LPARAM>(&count));
    return count;
}

class SearchArgumentTest : public DllTest {
protected:
    void SetUp() override {
        DllTest::SetUp();
        app_->add_workbook(std::make_unique<standin::Workbook>(u"Book1"))->add_sheet(u"Sheet1");
        morvane_ = create_morvane();
        ASSERT_TRUE(morvane_);
        application_ = standin::make_application_object(app_);
        live_before_ = standin::live_object_count();
        // A workbook object: an automation object, but not the host's Application.
        workbook_ = test::call(application_.Get(), u"ActiveWorkbook").object();
        ASSERT_TRUE(workbook_);
        app_->clear_log();
        windows_before_ = visible_windows_of_this_thread();
    }

    // Nothing was stored: the object model saw no call, no object of it is kept
    // alive by the DLL once the test let go of its workbook, and no window appeared.
    void expect_nothing_touched() {
        workbook_.Reset();
        EXPECT_TRUE(app_->call_log().empty());
        EXPECT_EQ(standin::live_object_count(), live_before_);
        EXPECT_EQ(visible_windows_of_this_thread(), windows_before_);
    }

    std::shared_ptr<standin::Application> app_ = std::make_shared<standin::Application>();
    ComPtr<MorvaneInterface> morvane_;
    ComPtr<IDispatch> application_;
    ComPtr<IDispatch> workbook_;
    int live_before_ = 0;
    int windows_before_ = 0;
};

TEST_F(SearchArgumentTest, EarlyBoundCallWithAnythingButTheApplicationIsATypeMismatch) {
    IDispatch* workbook = workbook_.Get();
    IDispatch* nothing = nullptr;
    struct Case {
        const char* name;
        IDispatch** argument;
    };
    const Case cases[] = {{"workbook", &workbook}, {"Nothing", &nothing}, {"no pointer", nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ::SetErrorInfo(0, nullptr);
        EXPECT_EQ(morvane_->Search(c.argument), DISP_E_TYPEMISMATCH);
        EXPECT_EQ(thread_error(), (std::pair<std::wstring, std::wstring>{L"Type mismatch", L"ExcelTarvex"}));
    }
    EXPECT_EQ(workbook, workbook_.Get());  // [in, out], but left as it was

    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(morvane_.As(&support), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(iid_morvane), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);

    expect_nothing_touched();
}

TEST_F(SearchArgumentTest, LateBoundCallTakesTheObjectByReferenceOrByValue) {
    // However the caller passes the object, the call reaches Search and comes
    // back as Search's own failure, described in EXCEPINFO.
    VARIANT typed;
    ::VariantInit(&typed);
    typed.vt = VT_DISPATCH;
    typed.pdispVal = workbook_.Get();
    VARIANT held;
    ::VariantInit(&held);
    held.vt = VT_DISPATCH;
    held.pdispVal = workbook_.Get();
    VARIANT nothing;
    ::VariantInit(&nothing);
    nothing.vt = VT_DISPATCH;

    struct Case {
        const char* name;
        std::function<test::Arg()> argument;
    };
    const Case cases[] = {
        {"by reference", [&] { return test::Arg::ref_to_value(typed); }},
        {"by value", [&] { return test::Arg(workbook_.Get()); }},
        {"in a Variant by reference", [&] { return test::Arg::ref_to_variant(held); }},
        {"Nothing by value", [] { return test::Arg(static_cast<IDispatch*>(nullptr)); }},
        {"Nothing by reference", [&] { return test::Arg::ref_to_value(nothing); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const test::CallResult result =
            test::invoke(morvane_.Get(), dispid_search, DISPATCH_METHOD, std::vector<test::Arg>{c.argument()});
        EXPECT_EQ(result.hr, DISP_E_EXCEPTION) << test::hex(result.hr);
        // A script's Err.Number 13, as a component raising the macro error gives it.
        EXPECT_EQ(result.scode, static_cast<SCODE>(0x800A000D)) << test::hex(result.scode);
        EXPECT_EQ(result.description, u"Type mismatch");
        EXPECT_EQ(result.source, u"ExcelTarvex");
    }
    // What the dispatcher itself turns away never reaches Search, and says which
    // argument was wrong.
    const test::CallResult empty =
        test::invoke(morvane_.Get(), dispid_search, DISPATCH_METHOD, std::vector<test::Arg>{test::Arg::empty()});
    EXPECT_TRUE(FAILED(empty.hr));
    const test::CallResult none = test::invoke(morvane_.Get(), dispid_search, DISPATCH_METHOD, {});
    EXPECT_TRUE(FAILED(none.hr));
    EXPECT_EQ(morvane_->Invoke(dispid_search, IID_IDispatch, LOCALE_USER_DEFAULT, DISPATCH_METHOD, nullptr, nullptr,
                               nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);

    expect_nothing_touched();
}

// --- Registration ----------------------------------------------------------

// Runs a command line, waits at most a minute and returns its exit code.
// Runs the system's regsvr32 silently and returns its exit code.
DWORD regsvr32(const std::wstring& options) {
    return test::regsvr32(options, test::tarvex_dll_path());
}

// Runs a VBScript through the system's cscript and returns what it printed.
std::string run_vbscript(const std::string& script) {
    wchar_t folder[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, folder);
    const std::wstring source = std::wstring(folder) + L"tarvex_client.vbs";
    {
        const UniqueKernelHandle file(
            ::CreateFileW(source.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        ::WriteFile(file.get(), script.data(), static_cast<DWORD>(script.size()), &written, nullptr);
    }
    DWORD exit_code = 0;
    std::string printed = test::run_captured(L"cscript.exe //nologo \"" + source + L"\"", &exit_code);
    ::DeleteFileW(source.c_str());
    while (!printed.empty() && (printed.back() == '\n' || printed.back() == '\r')) {
        printed.pop_back();
    }
    return printed;
}

std::wstring classes_key(const Entry& entry) {
    return std::wstring(tarvex::registration::classes_key) + L"\\" + entry.key;
}

std::wstring typelib_key() {
    return std::wstring(L"TypeLib\\") + tarvex::registration::libid_text + L"\\1.0";
}

// The text of a table entry's value, or nullopt when the key or value is missing.
std::optional<std::wstring> value_of(HKEY root, const Entry& entry) {
    return test::registry_text(root, classes_key(entry), entry.value_name);
}

bool running_on_wine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Creates the object the version-independent ProgID names, as a host would. Wine's
// COM reads only the machine's classes (Windows merges the user's into them), so
// there a per-user registration is followed by hand, the way the merged view
// would: ProgID, current version, class, server path, the server's factory.
ComPtr<IDispatch> create_by_prog_id(Scope scope) {
    ComPtr<IDispatch> object;
    if (scope == Scope::machine || !running_on_wine()) {
        CLSID clsid{};
        EXPECT_EQ(::CLSIDFromProgID(L"ExcelTarvex.Morvane", &clsid), S_OK);
        EXPECT_EQ(clsid, clsid_morvane);
        EXPECT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object)), S_OK);
        return object;
    }
    const std::wstring classes = tarvex::registration::classes_key;
    const auto current = test::registry_text(HKEY_CURRENT_USER, classes + L"\\ExcelTarvex.Morvane\\CurVer");
    EXPECT_EQ(current, std::optional<std::wstring>(L"ExcelTarvex.Morvane.1"));
    const auto clsid_text =
        test::registry_text(HKEY_CURRENT_USER, classes + L"\\" + current.value_or(L"") + L"\\CLSID");
    CLSID clsid{};
    EXPECT_EQ(::CLSIDFromString(clsid_text.value_or(L"").c_str(), &clsid), S_OK);
    EXPECT_EQ(clsid, clsid_morvane);
    const auto server =
        test::registry_text(HKEY_CURRENT_USER, classes + L"\\CLSID\\" + clsid_text.value_or(L"") + L"\\InprocServer32");
    const HMODULE module = ::GetModuleHandleW(server.value_or(L"").c_str());
    EXPECT_NE(module, nullptr) << "the registered server is not the DLL under test";
    if (module == nullptr) {
        return object;
    }
    using GetClassObject = HRESULT WINAPI(REFCLSID, REFIID, void**);
    auto* get_class_object =
        reinterpret_cast<GetClassObject*>(reinterpret_cast<void*>(::GetProcAddress(module, "DllGetClassObject")));
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(get_class_object(clsid, IID_PPV_ARGS(&factory)), S_OK);
    if (factory) {
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&object)), S_OK);
    }
    return object;
}

void expect_registered(Scope scope) {
    const HKEY root = tarvex::registration::root_of(scope);
    for (const auto& entry : tarvex::registration::entries) {
        const std::wstring expected = entry.data != nullptr ? entry.data : test::tarvex_dll_path();
        const auto found = value_of(root, entry);
        ASSERT_TRUE(found.has_value()) << "missing " << testing::PrintToString(std::wstring(entry.key));
        EXPECT_EQ(::CompareStringOrdinal(found->c_str(), -1, expected.c_str(), -1, TRUE), CSTR_EQUAL)
            << testing::PrintToString(*found);
    }
    EXPECT_TRUE(test::registry_key_exists(HKEY_CLASSES_ROOT, typelib_key()));
    // What registering the type library wrote for its interfaces is what the
    // table says, which the installer writes as rows of its own.
    for (const auto& value : tarvex::registration::interface_values()) {
        EXPECT_EQ(test::registry_text(HKEY_CLASSES_ROOT, value.key, value.value_name),
                  std::optional<std::wstring>(value.data))
            << testing::PrintToString(value.key);
    }

    if (scope == Scope::machine || !running_on_wine()) {
        // The name the class is known by, as a host's add-in list shows it.
        LPOLESTR name = nullptr;
        ASSERT_EQ(::ProgIDFromCLSID(clsid_morvane, &name), S_OK);
        const tarvex::UniqueCoTaskText owned(name);
        EXPECT_STREQ(name, L"ExcelTarvex.Morvane");
        // The versioned alias still names the same class.
        CLSID versioned{};
        EXPECT_EQ(::CLSIDFromProgID(L"ExcelTarvex.Morvane.1", &versioned), S_OK);
        EXPECT_EQ(versioned, clsid_morvane);
    }

    ComPtr<IDispatch> object = create_by_prog_id(scope);
    ASSERT_TRUE(object);
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"Search")};
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, dispid_search);
    EXPECT_EQ(Dll::get().can_unload_now(), S_FALSE) << "while the created object is alive";
    object.Reset();
    EXPECT_EQ(Dll::get().can_unload_now(), S_OK);

    ComPtr<ITypeLib> library;
    EXPECT_EQ(::LoadRegTypeLib(libid_tarvex, 1, 0, LOCALE_NEUTRAL, &library), S_OK);
}

void expect_unregistered(Scope scope) {
    const HKEY root = tarvex::registration::root_of(scope);
    for (const auto& entry : tarvex::registration::entries) {
        EXPECT_FALSE(test::registry_key_exists(root, classes_key(entry)))
            << testing::PrintToString(std::wstring(entry.key));
    }
    EXPECT_FALSE(test::registry_key_exists(HKEY_CLASSES_ROOT, typelib_key()));
    CLSID clsid{};
    EXPECT_NE(::CLSIDFromProgID(L"ExcelTarvex.Morvane", &clsid), S_OK);
}

class RegistrationTest : public DllTest {
protected:
    void SetUp() override {
        DllTest::SetUp();
        clean_up();
    }
    void TearDown() override { clean_up(); }

    static void clean_up() {
        regsvr32(L"/u");
        regsvr32(L"/u /n /i:user");
    }
};

TEST_F(RegistrationTest, MachineWideRegistrationRoundTrips) {
    ASSERT_EQ(regsvr32(L""), 0u);
    expect_registered(Scope::machine);
    // Nothing lands in the user's classes.
    EXPECT_FALSE(test::registry_key_exists(HKEY_CURRENT_USER, classes_key(tarvex::registration::entries[0])));

    ASSERT_EQ(regsvr32(L"/u"), 0u);
    expect_unregistered(Scope::machine);
    // Already gone is not a failure.
    EXPECT_EQ(regsvr32(L"/u"), 0u);
}

TEST_F(RegistrationTest, PerUserRegistrationRoundTrips) {
    ASSERT_EQ(regsvr32(L"/n /i:user"), 0u);
    expect_registered(Scope::user);
    EXPECT_FALSE(test::registry_key_exists(HKEY_LOCAL_MACHINE, classes_key(tarvex::registration::entries[0])));

    ASSERT_EQ(regsvr32(L"/u /n /i:user"), 0u);
    expect_unregistered(Scope::user);
    EXPECT_EQ(regsvr32(L"/u /n /i:user"), 0u);
}

TEST_F(RegistrationTest, UnregisteringLeavesWhatOthersAddedAndRemovesTheRest) {
    ASSERT_EQ(regsvr32(L""), 0u);
    // Another program hangs a key of its own below the class.
    const std::wstring class_key = classes_key(tarvex::registration::entries[0]);
    const std::wstring foreign = class_key + L"\\Implemented Categories";
    HKEY created = nullptr;
    ASSERT_EQ(
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, foreign.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr),
        ERROR_SUCCESS);
    UniqueHKey(created).reset();

    EXPECT_EQ(regsvr32(L"/u"), 0u);
    EXPECT_TRUE(test::registry_key_exists(HKEY_LOCAL_MACHINE, foreign));
    EXPECT_FALSE(value_of(HKEY_LOCAL_MACHINE, tarvex::registration::entries[0]).has_value());
    for (std::size_t i = 1; i < std::size(tarvex::registration::entries); ++i) {
        EXPECT_FALSE(test::registry_key_exists(HKEY_LOCAL_MACHINE, classes_key(tarvex::registration::entries[i])));
    }

    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, foreign.c_str());
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, class_key.c_str());
}

TEST_F(RegistrationTest, ScriptClientsSeeMacroErrorNumbers) {
    ASSERT_EQ(regsvr32(L""), 0u);
    const std::string printed = run_vbscript(
        "On Error Resume Next\r\n"
        "Set tarvex = CreateObject(\"ExcelTarvex.Morvane\")\r\n"
        "If Err.Number <> 0 Then\r\n"
        "  WScript.Echo \"create \" & Err.Number\r\n"
        "  WScript.Quit\r\n"
        "End If\r\n"
        "tarvex.Search Nothing\r\n"
        "WScript.Echo Err.Number & \"|\" & Err.Description & \"|\" & Err.Source\r\n");
    EXPECT_EQ(printed, "13|Type mismatch|ExcelTarvex");
}

TEST_F(RegistrationTest, DllInstallKnowsOnlyTheUserScope) {
    using Install = HRESULT WINAPI(BOOL, LPCWSTR);
    auto* install = Dll::get().entry<Install>("DllInstall");
    ASSERT_NE(install, nullptr);
    EXPECT_EQ(install(TRUE, L"everyone"), E_INVALIDARG);
    EXPECT_FALSE(test::registry_key_exists(HKEY_CURRENT_USER, classes_key(tarvex::registration::entries[0])));
    EXPECT_FALSE(test::registry_key_exists(HKEY_LOCAL_MACHINE, classes_key(tarvex::registration::entries[0])));

    EXPECT_EQ(install(TRUE, L"USER"), S_OK);
    expect_registered(Scope::user);
    EXPECT_EQ(install(FALSE, L"user"), S_OK);
    expect_unregistered(Scope::user);

    auto* unregister = Dll::get().entry<HRESULT WINAPI()>("DllUnregisterServer");
    EXPECT_EQ(unregister(), S_OK);
}

// A value of the host's add-in entry: its text, or a DWORD as its decimal text.
std::wstring addin_value(HKEY root, const wchar_t* name) {
    wchar_t text[256] = {};
    DWORD size = sizeof(text);
    DWORD type = 0;
    if (::RegGetValueW(root, tarvex::registration::addin_key, name, RRF_RT_REG_SZ | RRF_RT_REG_DWORD, &type, text,
                       &size) != ERROR_SUCCESS) {
        return L"(none)";
    }
    if (type == REG_DWORD) {
        DWORD number = 0;
        std::memcpy(&number, text, sizeof(number));
        return std::to_wstring(number);
    }
    return text;
}

TEST_F(RegistrationTest, TheHostsAddinEntryIsWrittenOnlyOnRequest) {
    const std::wstring addin = tarvex::registration::addin_key;
    ASSERT_EQ(regsvr32(L"/n /i:user"), 0u);
    ASSERT_EQ(regsvr32(L""), 0u);
    EXPECT_FALSE(test::registry_key_exists(HKEY_CURRENT_USER, addin)) << "written without being asked for";
    EXPECT_FALSE(test::registry_key_exists(HKEY_LOCAL_MACHINE, addin)) << "written without being asked for";
    clean_up();

    ASSERT_EQ(regsvr32(L"/n /i:user,addin"), 0u);
    expect_registered(Scope::user);
    EXPECT_EQ(addin_value(HKEY_CURRENT_USER, L"FriendlyName"), L"Tarvex");
    EXPECT_EQ(addin_value(HKEY_CURRENT_USER, L"LoadBehavior"), L"3");
    EXPECT_NE(addin_value(HKEY_CURRENT_USER, L"Description"), L"(none)");
    EXPECT_FALSE(test::registry_key_exists(HKEY_LOCAL_MACHINE, addin));
    ASSERT_EQ(regsvr32(L"/u /n /i:user,addin"), 0u);
    EXPECT_FALSE(test::registry_key_exists(HKEY_CURRENT_USER, addin));
    expect_unregistered(Scope::user);

    // Per machine, and the plain unregistration removes the entry with the classes.
    ASSERT_EQ(regsvr32(L"/n /i:addin"), 0u);
    EXPECT_EQ(addin_value(HKEY_LOCAL_MACHINE, L"LoadBehavior"), L"3");
    EXPECT_FALSE(test::registry_key_exists(HKEY_CURRENT_USER, addin));
    ASSERT_EQ(regsvr32(L"/u"), 0u);
    EXPECT_FALSE(test::registry_key_exists(HKEY_LOCAL_MACHINE, addin));

    using Install = HRESULT WINAPI(BOOL, LPCWSTR);
    auto* install = Dll::get().entry<Install>("DllInstall");
    for (const wchar_t* wrong : {L"user,everyone", L"user,", L"addin;user"}) {
        EXPECT_EQ(install(TRUE, wrong), E_INVALIDARG) << testing::PrintToString(std::wstring(wrong));
    }
    EXPECT_FALSE(test::registry_key_exists(HKEY_CURRENT_USER, addin));
}

}  // namespace
