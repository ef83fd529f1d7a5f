// The IDispatch host client against the stand-in object model: every host port,
// the exact shape of the calls it makes, and the HostError each failure becomes.
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/host_client_win.h"
#include "base/text.h"
#include "com/object_model_win.h"
#include "model/model.h"

namespace {

using Microsoft::WRL::ComPtr;
using tarvex::HostError;
using tarvex::u16;

constexpr std::uint32_t bad_index = 0x8002000Bu;
constexpr std::uint32_t application_defined = 0x800A03ECu;
constexpr std::uint32_t call_rejected = 0x80010001u;
constexpr std::uint32_t object_required = 0x800A01A8u;

std::string utf8(const std::u16string& text) {
    return tarvex::utf16_to_utf8(text);
}

// Runs `action` and hands back the HostError it throws; fails the test when it
// throws nothing.
HostError host_error_of(const std::function<void()>& action) {
    try {
        action();
    } catch (const HostError& error) {
        return error;
    }
    ADD_FAILURE() << "no HostError";
    return {};
}

// One argument of a recorded Invoke: its type and, for the types the client
// passes, its value.
struct ArgumentShape {
    VARTYPE vt;
    LONG number;  // VT_I4 value, VT_BOOL value or VT_ERROR scode
    std::u16string text;
    friend bool operator==(const ArgumentShape&, const ArgumentShape&) = default;
};

struct CallShape {
    DISPID dispid;
    WORD flags;
    std::vector<ArgumentShape> arguments;  // the caller's order
};

struct Recording {
    std::vector<std::u16string> resolved_names;
    std::vector<CallShape> calls;
};

// Stands between the client and an object of the model, counting GetIDsOfNames
// and recording every Invoke; objects it hands back are wrapped the same way.
// Other interfaces come from the wrapped object, so the model still recognises
// its own ranges passed back as arguments.
class RecordingDispatch final : public IDispatch {
public:
    static ComPtr<IDispatch> wrap(ComPtr<IDispatch> inner, std::shared_ptr<Recording> recording) {
        ComPtr<IDispatch> wrapper;
        *wrapper.ReleaseAndGetAddressOf() = new RecordingDispatch(std::move(inner), std::move(recording));
        return wrapper;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return inner_->QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return inner_->GetTypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return inner_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        for (UINT i = 0; i < count; ++i) {
            recording_->resolved_names.emplace_back(reinterpret_cast<const char16_t*>(names[i]));
        }
        return inner_->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argument_error) override {
        CallShape call{dispid, flags, {}};
        for (UINT i = params->cArgs; i > 0; --i) {
            const VARIANT& value = params->rgvarg[i - 1];
            ArgumentShape shape{value.vt, 0, u""};
            if (value.vt == VT_I4) {
                shape.number = value.lVal;
            } else if (value.vt == VT_BOOL) {
                shape.number = value.boolVal;
            } else if (value.vt == VT_ERROR) {
                shape.number = value.scode;
            } else if (value.vt == VT_BSTR) {
                shape.text = reinterpret_cast<const char16_t*>(value.bstrVal);
            }
            call.arguments.push_back(shape);
        }
        recording_->calls.push_back(call);
        const HRESULT hr = inner_->Invoke(dispid, iid, locale, flags, params, result, exception, argument_error);
        if (SUCCEEDED(hr) && result != nullptr && result->vt == VT_DISPATCH && result->pdispVal != nullptr) {
            ComPtr<IDispatch> object;
            *object.ReleaseAndGetAddressOf() = result->pdispVal;  // takes over the result's reference
            result->pdispVal = wrap(std::move(object), recording_).Detach();
        }
        return hr;
    }

private:
    RecordingDispatch(ComPtr<IDispatch> inner, std::shared_ptr<Recording> recording)
        : inner_(std::move(inner)), recording_(std::move(recording)) {}
    ~RecordingDispatch() = default;

    ComPtr<IDispatch> inner_;
    std::shared_ptr<Recording> recording_;
    std::atomic<ULONG> references_{1};
};

// An Application object that answers ActiveWorkbook with a scripted outcome;
// names are resolved by a real stand-in Application, so the client's caches stay
// true for the other tests.
class ScriptedApplication final : public IDispatch {
public:
    using Script = std::function<HRESULT(VARIANT* result, EXCEPINFO* exception)>;

    static ComPtr<IDispatch> make(Script script) {
        ComPtr<IDispatch> object;
        *object.ReleaseAndGetAddressOf() = new ScriptedApplication(std::move(script));
        return object;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid != IID_IUnknown && iid != IID_IDispatch) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
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
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        return names_->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO* exception,
                                     UINT*) override {
        return script_(result, exception);
    }

private:
    explicit ScriptedApplication(Script script) : script_(std::move(script)) {}
    ~ScriptedApplication() = default;

    Script script_;
    ComPtr<IDispatch> names_ = standin::make_application_object(std::make_shared<standin::Application>());
    std::atomic<ULONG> references_{1};
};

HRESULT STDMETHODCALLTYPE fill_in_later(EXCEPINFO* exception) {
    exception->scode = static_cast<SCODE>(object_required);
    exception->bstrDescription = ::SysAllocString(L"Filled in later");
    exception->bstrSource = ::SysAllocString(L"Host");
    return S_OK;
}

TEST(HostClientErrors, FailuresAndResultsBecomeWhatTheCoreExpects) {
    struct Case {
        const char* name;
        ScriptedApplication::Script script;
        std::uint32_t hresult;  // 0: no failure, the result is no workbook
        std::u16string description;
        std::u16string source;
    };
    const auto reported = [](SCODE scode, WORD wcode, const wchar_t* description) {
        return [=](VARIANT*, EXCEPINFO* exception) {
            *exception = EXCEPINFO{};
            exception->scode = scode;
            exception->wCode = wcode;
            exception->bstrDescription = description ? ::SysAllocString(description) : nullptr;
            exception->bstrSource = ::SysAllocString(L"Host");
            return DISP_E_EXCEPTION;
        };
    };
    const auto returns = [](VARTYPE vt) {
        return [=](VARIANT* result, EXCEPINFO*) {
            result->vt = vt;
            result->lVal = 0;
            return S_OK;
        };
    };
    const Case cases[] = {
        {"scode", reported(static_cast<SCODE>(application_defined), 0, L"Bad"), application_defined, u"Bad", u"Host"},
        {"wCode only", reported(0, 1004, L"Bad"), application_defined, u"Bad", u"Host"},
        {"no description", reported(static_cast<SCODE>(bad_index), 0, nullptr), bad_index, u"Subscript out of range",
         u"Host"},
        {"deferred",
         [](VARIANT*, EXCEPINFO* exception) {
             *exception = EXCEPINFO{};
             exception->pfnDeferredFillIn = fill_in_later;
             return DISP_E_EXCEPTION;
         },
         object_required, u"Filled in later", u"Host"},
        {"direct", [](VARIANT*, EXCEPINFO*) { return DISP_E_MEMBERNOTFOUND; }, 0x80020003u,
         u"Object doesn't support this property or method", u""},
        {"wrong type", returns(VT_I4), 0x80020005u, u"Type mismatch", u""},
        {"Nothing", returns(VT_DISPATCH), 0, u"", u""},
        {"Empty", returns(VT_EMPTY), 0, u"", u""},
        {"Null", returns(VT_NULL), 0, u"", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto host = tarvex::make_host_application(ScriptedApplication::make(c.script));
        if (c.hresult == 0) {
            EXPECT_EQ(host->active_workbook(), nullptr);
            continue;
        }
        const HostError error = host_error_of([&] { host->active_workbook(); });
        EXPECT_EQ(static_cast<std::uint32_t>(error.hresult), c.hresult);
        EXPECT_EQ(error.description, c.description);
        EXPECT_EQ(error.source, c.source);
    }
}

class HostClientTest : public ::testing::Test {
protected:
    HostClientTest() {
        book_ = app_->add_workbook(std::make_unique<standin::Workbook>(u"Book1"));
        auto& data = book_->add_sheet(u"Data");
        book_->add_sheet(u"Chart1", standin::SheetKind::chart);
        book_->add_sheet(u"Notes");
        data.write_value({1, 1}, u"apple pie");
        data.write_value({2, 2}, u"Apple");
        data.write_value({3, 3}, u"7");
        data.write_value({4, 4}, u"TRUE");
        standin::Cell error_cell;
        error_cell.formula = u"=1/0";
        error_cell.value = standin::Value::of_error(u"#DIV/0!");
        data.set_cell({5, 5}, error_cell);
        data.write_value({10, 1}, u"pineapple");
        book_->activate_sheet(book_->sheet(u"Data"));
        host_ = tarvex::make_host_application(standin::make_application_object(app_));
    }

    std::unique_ptr<tarvex::HostSheet> data_sheet() { return host_->active_workbook()->sheet(u"Data"); }

    std::shared_ptr<standin::Application> app_ = std::make_shared<standin::Application>();
    std::shared_ptr<standin::Workbook> book_;
    std::shared_ptr<tarvex::HostApplication> host_;
};

TEST_F(HostClientTest, ActiveWorkbookIsNothingUntilOneIsOpen) {
    auto empty_app = std::make_shared<standin::Application>();
    auto empty_host = tarvex::make_host_application(standin::make_application_object(empty_app));
    EXPECT_EQ(empty_host->active_workbook(), nullptr);

    empty_app->add_workbook(std::make_unique<standin::Workbook>(u"Later"));
    EXPECT_NE(empty_host->active_workbook(), nullptr);

    EXPECT_EQ(tarvex::make_host_application(nullptr), nullptr);
}

TEST_F(HostClientTest, WorksheetsComeInTabOrderWithoutChartSheets) {
    book_->add_sheet(u"Zeta");
    book_->add_sheet(u"Graph", standin::SheetKind::chart);
    app_->clear_log();

    std::vector<std::u16string> names;
    for (const auto& sheet : host_->active_workbook()->worksheets()) {
        names.push_back(sheet->name());
    }

    EXPECT_EQ(names, (std::vector<std::u16string>{u"Data", u"Notes", u"Zeta"}));
}

TEST_F(HostClientTest, SheetsByNameIgnoreCaseAndAMissingOneIsSubscriptOutOfRange) {
    struct Case {
        std::u16string asked;
        std::u16string found;
    };
    const Case cases[] = {{u"Data", u"Data"}, {u"data", u"Data"}, {u"NOTES", u"Notes"}, {u"chart1", u"Chart1"}};
    auto book = host_->active_workbook();
    for (const auto& c : cases) {
        EXPECT_EQ(book->sheet(c.asked)->name(), c.found) << utf8(c.asked);
    }

    const HostError error = host_error_of([&] { book->sheet(u"Missing"); });
    EXPECT_EQ(static_cast<std::uint32_t>(error.hresult), bad_index);
    EXPECT_EQ(error.number(), 9);
    EXPECT_EQ(error.description, u"Subscript out of range");
    EXPECT_EQ(error.source, u"tarvex-host");
}

TEST_F(HostClientTest, FindWalksEveryMatchAndComesBackToTheFirst) {
    auto sheet = data_sheet();
    auto all = sheet->range(u"A1", u"IV65536");

    std::vector<std::u16string> walk;
    auto found = all->find(u"apple", nullptr);
    ASSERT_NE(found, nullptr);
    const std::u16string first = found->address();
    do {
        walk.push_back(found->address());
        found = all->find(u"apple", found.get());
        ASSERT_NE(found, nullptr);
    } while (found->address() != first && walk.size() < 10);

    // After the top-left cell when no start is given, so A1 comes last.
    EXPECT_EQ(walk, (std::vector<std::u16string>{u"$B$2", u"$A$10", u"$A$1"}));
    EXPECT_EQ(all->find(u"cherry", nullptr), nullptr);
}

TEST_F(HostClientTest, FindPassesNinePositionalArgumentsLeavingTheHeldOptionsAlone) {
    auto recording = std::make_shared<Recording>();
    auto host =
        tarvex::make_host_application(RecordingDispatch::wrap(standin::make_application_object(app_), recording));
    auto all = host->active_workbook()->sheet(u"Data")->range(u"A1", u"IV65536");
    auto first = all->find(u"apple", nullptr);
    ASSERT_NE(first, nullptr);
    auto second = all->find(u"apple", first.get());
    ASSERT_NE(second, nullptr);

    const ArgumentShape omitted{VT_ERROR, static_cast<LONG>(DISP_E_PARAMNOTFOUND), u""};
    const ArgumentShape what{VT_BSTR, 0, u"apple"};
    const ArgumentShape forwards{VT_I4, 1, u""};
    const ArgumentShape ignoring_case{VT_BOOL, VARIANT_FALSE, u""};
    std::vector<CallShape> finds;
    for (const auto& call : recording->calls) {
        if (call.arguments.size() == 9) {
            finds.push_back(call);
        }
    }
    ASSERT_EQ(finds.size(), 2u);
    for (const auto& find : finds) {
        EXPECT_EQ(find.flags, DISPATCH_METHOD);
        EXPECT_EQ(find.arguments[0], what);
        EXPECT_EQ(find.arguments[2], omitted);  // LookIn
        EXPECT_EQ(find.arguments[3], omitted);  // LookAt
        EXPECT_EQ(find.arguments[4], omitted);  // SearchOrder
        EXPECT_EQ(find.arguments[5], forwards);
        EXPECT_EQ(find.arguments[6], ignoring_case);
        EXPECT_EQ(find.arguments[7], omitted);  // MatchByte
        EXPECT_EQ(find.arguments[8], omitted);  // SearchFormat
    }
    EXPECT_EQ(finds[0].arguments[1], omitted);
    EXPECT_EQ(finds[1].arguments[1].vt, VT_DISPATCH);

    // The host saw the start cell, and the options it holds stayed as they were.
    std::vector<standin::CallRecord> logged;
    for (const auto& record : app_->call_log()) {
        if (record.operation == "Range.Find") {
            logged.push_back(record);
        }
    }
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[0].arguments.size(), 9u);
    EXPECT_EQ(logged[0].arguments[1], u"");
    EXPECT_EQ(logged[1].arguments[1], u"$B$2");
    EXPECT_EQ(app_->held_look_in(), standin::LookIn::formulas);
    EXPECT_EQ(app_->held_look_at(), standin::LookAt::part);
}

TEST_F(HostClientTest, CellPropertiesComeBackAsTheirTexts) {
    struct Case {
        std::u16string cell;
        std::u16string address;
        std::u16string text;
        std::u16string formula;
        std::optional<std::u16string> value;
    };
    const Case cases[] = {
        {u"A1", u"$A$1", u"apple pie", u"apple pie", u"apple pie"},
        {u"C3", u"$C$3", u"7", u"7", u"7"},
        {u"D4", u"$D$4", u"TRUE", u"TRUE", u"True"},  // the value in the platform's own words
        {u"E5", u"$E$5", u"#DIV/0!", u"=1/0", std::nullopt},
        {u"F6", u"$F$6", u"", u"", u""},
    };
    auto sheet = data_sheet();
    for (const auto& c : cases) {
        SCOPED_TRACE(utf8(c.cell));
        auto cell = sheet->range(c.cell);
        EXPECT_EQ(cell->address(), c.address);
        EXPECT_EQ(cell->text(), c.text);
        EXPECT_EQ(cell->formula(), c.formula);
        EXPECT_EQ(cell->value_text(), c.value);
    }
}

TEST_F(HostClientTest, SetValueWritesThroughAndAnInvalidFormulaIsTheHostsError) {
    auto cell = data_sheet()->range(u"B2");
    cell->set_value(u"Pear");
    EXPECT_EQ(cell->value_text(), u"Pear");
    EXPECT_EQ(book_->sheet(u"Data")->cell({2, 2})->value, standin::Value::of_text(u"Pear"));

    cell->set_value(u"=1+2");
    EXPECT_EQ(cell->formula(), u"=1+2");

    const HostError error = host_error_of([&] { cell->set_value(u"=SUM("); });
    EXPECT_EQ(static_cast<std::uint32_t>(error.hresult), application_defined);
    EXPECT_EQ(error.number(), 1004);
    EXPECT_EQ(cell->formula(), u"=1+2");
}

TEST_F(HostClientTest, SelectNeedsItsSheetToBeActive) {
    auto notes = host_->active_workbook()->sheet(u"Notes");
    auto cell = notes->range(u"C7");

    const HostError error = host_error_of([&] { cell->select(); });
    EXPECT_EQ(static_cast<std::uint32_t>(error.hresult), application_defined);
    EXPECT_EQ(error.description, u"Select method of Range class failed");

    notes->activate();
    cell->select();
    EXPECT_EQ(book_->active_sheet()->name(), u"Notes");
    EXPECT_EQ(book_->active_sheet()->selection(), (standin::CellPos{7, 3}));
}

TEST_F(HostClientTest, EveryCallFailsWithTheChannelsCodeWhileTheHostRefuses) {
    auto book = host_->active_workbook();
    auto sheet = data_sheet();
    auto cell = sheet->range(u"A1");
    app_->set_refusing(true);

    const std::pair<const char*, std::function<void()>> calls[] = {
        {"ActiveWorkbook", [&] { host_->active_workbook(); }},
        {"Worksheets", [&] { book->worksheets(); }},
        {"Sheets", [&] { book->sheet(u"Data"); }},
        {"Activate", [&] { book->activate(); }},
        {"Name", [&] { sheet->name(); }},
        {"Range", [&] { sheet->range(u"A1"); }},
        {"Find", [&] { cell->find(u"apple", nullptr); }},
        {"Value", [&] { cell->value_text(); }},
        {"Value=", [&] { cell->set_value(u"x"); }},
        {"Select", [&] { cell->select(); }},
    };
    for (const auto& [name, call] : calls) {
        SCOPED_TRACE(name);
        const HostError error = host_error_of(call);
        EXPECT_EQ(static_cast<std::uint32_t>(error.hresult), call_rejected);
        EXPECT_EQ(error.number(), -2147418111);
        EXPECT_FALSE(error.description.empty());
    }
}

TEST_F(HostClientTest, ADeletedSheetIsNoObjectAnyMore) {
    auto notes = host_->active_workbook()->sheet(u"Notes");
    book_->delete_sheet(u"Notes");

    const HostError error = host_error_of([&] { notes->name(); });
    EXPECT_EQ(static_cast<std::uint32_t>(error.hresult), object_required);
    EXPECT_EQ(error.number(), 424);
    EXPECT_EQ(error.description, u"Object required");
    EXPECT_EQ(error.source, u"tarvex-host");
}

TEST_F(HostClientTest, NamesAreResolvedOncePerKindOfObjectNotPerCall) {
    auto recording = std::make_shared<Recording>();
    auto host =
        tarvex::make_host_application(RecordingDispatch::wrap(standin::make_application_object(app_), recording));
    const auto round = [&] {
        auto book = host->active_workbook();
        for (const auto& sheet : book->worksheets()) {
            sheet->name();
            auto all = sheet->range(u"A1", u"IV65536");
            for (auto found = all->find(u"apple", nullptr); found != nullptr;) {
                found->address();
                found->text();
                found->value_text();
                auto next = all->find(u"apple", found.get());
                if (next == nullptr || next->address() == u"$B$2") {
                    break;
                }
                found = std::move(next);
            }
        }
        book->sheet(u"Data")->activate();
    };

    round();
    const auto after_first = recording->resolved_names.size();
    round();
    round();

    EXPECT_EQ(recording->resolved_names.size(), after_first);
    // However warm the caches were, at most once per name and object kind: 13
    // names over application, workbook, sheets collection, sheet and range.
    EXPECT_LE(after_first, 13u);
    EXPECT_GT(recording->calls.size(), 3 * 10u);
}

}  // namespace
