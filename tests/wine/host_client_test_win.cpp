// The IDispatch host client against the stand-in object model: every host port,
// the exact shape of the calls it makes, and the HostError each failure becomes.
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/host_client_win.h"
#include "base/platform_win.h"
#include "base/text.h"
#include "com/object_model_win.h"
#include "model/model.h"
#include "support/dispatch_client_win.h"

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
    // Given the wrapped object, the member called and its successful result, may
    // put another answer in the result's place.
    std::function<void(IDispatch* inner, DISPID dispid, VARIANT* result)> rewrite;
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
        if (SUCCEEDED(hr) && result != nullptr && recording_->rewrite) {
            recording_->rewrite(inner_.Get(), dispid, result);
        }
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
    auto found = all->find(u"apple", nullptr, {});
    ASSERT_NE(found, nullptr);
    const std::u16string first = found->address();
    do {
        walk.push_back(found->address());
        found = all->find(u"apple", found.get(), {});
        ASSERT_NE(found, nullptr);
    } while (found->address() != first && walk.size() < 10);

    // After the top-left cell when no start is given, so A1 comes last.
    EXPECT_EQ(walk, (std::vector<std::u16string>{u"$B$2", u"$A$10", u"$A$1"}));
    EXPECT_EQ(all->find(u"cherry", nullptr, {}), nullptr);
}

TEST_F(HostClientTest, FindPassesNinePositionalArgumentsLeavingTheHeldOptionsAlone) {
    auto recording = std::make_shared<Recording>();
    auto host =
        tarvex::make_host_application(RecordingDispatch::wrap(standin::make_application_object(app_), recording));
    auto all = host->active_workbook()->sheet(u"Data")->range(u"A1", u"IV65536");
    auto first = all->find(u"apple", nullptr, {});
    ASSERT_NE(first, nullptr);
    auto second = all->find(u"apple", first.get(), {});
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

TEST_F(HostClientTest, FindPassesTheOptionsThatAreSetAndTheHostKeepsThemForLaterCalls) {
    using tarvex::FindOptions;
    using tarvex::LookAt;
    using tarvex::LookIn;
    auto recording = std::make_shared<Recording>();
    auto host =
        tarvex::make_host_application(RecordingDispatch::wrap(standin::make_application_object(app_), recording));
    auto all = host->active_workbook()->sheet(u"Data")->range(u"A1", u"IV65536");
    const ArgumentShape omitted{VT_ERROR, static_cast<LONG>(DISP_E_PARAMNOTFOUND), u""};
    const auto number = [](LONG n) { return ArgumentShape{VT_I4, n, u""}; };
    const auto flag = [](bool b) { return ArgumentShape{VT_BOOL, b ? VARIANT_TRUE : VARIANT_FALSE, u""}; };
    struct Case {
        const char* name;
        std::u16string what;
        FindOptions options;
        ArgumentShape look_in, look_at, match_case;
        std::u16string found;  // the first match's address, "" for none
        standin::LookIn held_in;
        standin::LookAt held_at;
    };
    // In order: what one call passes, the host holds for the calls after it.
    const Case cases[] = {
        {"none set",
         u"apple",
         {},
         omitted,
         omitted,
         flag(false),
         u"$B$2",
         standin::LookIn::formulas,
         standin::LookAt::part},
        {"match case",
         u"apple",
         {true, std::nullopt, std::nullopt},
         omitted,
         omitted,
         flag(true),
         u"$A$10",
         standin::LookIn::formulas,
         standin::LookAt::part},
        {"whole cell",
         u"apple",
         {false, LookAt::whole, std::nullopt},
         omitted,
         number(1),
         flag(false),
         u"$B$2",
         standin::LookIn::formulas,
         standin::LookAt::whole},
        {"whole cell held",
         u"pine",
         {},
         omitted,
         omitted,
         flag(false),
         u"",
         standin::LookIn::formulas,
         standin::LookAt::whole},
        {"values",
         u"#DIV/0!",
         {false, LookAt::part, LookIn::values},
         number(-4163),
         number(2),
         flag(false),
         u"$E$5",
         standin::LookIn::values,
         standin::LookAt::part},
        {"values held",
         u"#DIV/0!",
         {},
         omitted,
         omitted,
         flag(false),
         u"$E$5",
         standin::LookIn::values,
         standin::LookAt::part},
        {"formulas",
         u"#DIV/0!",
         {false, std::nullopt, LookIn::formulas},
         number(-4123),
         omitted,
         flag(false),
         u"",
         standin::LookIn::formulas,
         standin::LookAt::part},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        recording->calls.clear();
        auto found = all->find(c.what, nullptr, c.options);
        EXPECT_EQ(found ? found->address() : u"", c.found);
        ASSERT_FALSE(recording->calls.empty());
        const CallShape& find = recording->calls.front();
        ASSERT_EQ(find.arguments.size(), 9u);
        EXPECT_EQ(find.arguments[2], c.look_in);
        EXPECT_EQ(find.arguments[3], c.look_at);
        EXPECT_EQ(find.arguments[4], omitted);  // SearchOrder
        EXPECT_EQ(find.arguments[6], c.match_case);
        EXPECT_EQ(app_->held_look_in(), c.held_in);
        EXPECT_EQ(app_->held_look_at(), c.held_at);
    }
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

TEST_F(HostClientTest, ValueAndFormulaPutsWriteThroughAndAnInvalidFormulaIsTheHostsError) {
    using Write = void (tarvex::HostRange::*)(const std::u16string&);
    const std::pair<const char*, Write> writes[] = {{"Value", &tarvex::HostRange::set_value},
                                                    {"Formula", &tarvex::HostRange::set_formula}};
    for (const auto& [name, write] : writes) {
        SCOPED_TRACE(name);
        auto cell = data_sheet()->range(u"B2");
        (cell.get()->*write)(u"Pear");
        EXPECT_EQ(cell->value_text(), u"Pear");
        EXPECT_EQ(book_->sheet(u"Data")->cell({2, 2})->value, standin::Value::of_text(u"Pear"));
        (cell.get()->*write)(u"'007");
        EXPECT_TRUE(cell->holds_text());

        (cell.get()->*write)(u"=1+2");
        EXPECT_EQ(cell->formula(), u"=1+2");

        const HostError error = host_error_of([&] { (cell.get()->*write)(u"=SUM("); });
        EXPECT_EQ(static_cast<std::uint32_t>(error.hresult), application_defined);
        EXPECT_EQ(error.number(), 1004);
        EXPECT_EQ(cell->formula(), u"=1+2");
    }
}

TEST_F(HostClientTest, BulkReadsGiveABlockRowByRowInOneCallAndOneCellFromItsScalar) {
    using K = tarvex::ValueKind;
    struct Case {
        std::u16string first, last;
        std::size_t rows, columns;
        std::vector<std::u16string> formulas;
        std::vector<K> kinds;
        std::size_t address_reads;  // a scalar answer is one cell only when the address says so
    };
    const Case cases[] = {
        {u"A1",
         u"C2",
         2,
         3,
         {u"apple pie", u"", u"", u"", u"Apple", u""},
         {K::text, K::empty, K::empty, K::empty, K::text, K::empty},
         0},
        {u"C3",
         u"E5",
         3,
         3,
         {u"7", u"", u"", u"", u"TRUE", u"", u"", u"", u"=1/0"},
         {K::number, K::empty, K::empty, K::empty, K::number, K::empty, K::empty, K::empty, K::error},
         0},
        {u"E5", u"E5", 1, 1, {u"=1/0"}, {K::error}, 2},
        {u"F6", u"F6", 1, 1, {u""}, {K::empty}, 2},
    };
    auto sheet = data_sheet();
    for (const auto& c : cases) {
        SCOPED_TRACE(utf8(c.first + u":" + c.last));
        auto block = sheet->range(c.first, c.last);
        app_->clear_log();
        const auto formulas = block->formulas();
        const auto kinds = block->value_kinds();
        EXPECT_EQ(formulas.rows, c.rows);
        EXPECT_EQ(formulas.columns, c.columns);
        EXPECT_EQ(formulas.cells, c.formulas);
        EXPECT_EQ(kinds.rows, c.rows);
        EXPECT_EQ(kinds.columns, c.columns);
        EXPECT_EQ(kinds.cells, c.kinds);
        std::vector<std::string> operations;
        for (const auto& record : app_->call_log()) {
            if (record.operation != "Range.Address") {
                operations.push_back(record.operation);
            }
        }
        EXPECT_EQ(operations, (std::vector<std::string>{"Range.Formula", "Range.Value2"}));
        EXPECT_EQ(app_->call_log().size() - operations.size(), c.address_reads);
    }
}

// A two-dimensional VARIANT array with the given lower bounds, each element filled
// by `fill(element, row, column)` counted from 0.
tarvex::test::Variant variant_block(LONG first_row, ULONG rows, LONG first_column, ULONG columns,
                                    const std::function<void(VARIANT&, LONG, LONG)>& fill) {
    SAFEARRAYBOUND bounds[2] = {{rows, first_row}, {columns, first_column}};
    tarvex::test::Variant block;
    SAFEARRAY* array = ::SafeArrayCreate(VT_VARIANT, 2, bounds);
    EXPECT_NE(array, nullptr);
    for (LONG r = 0; r < static_cast<LONG>(rows); ++r) {
        for (LONG c = 0; c < static_cast<LONG>(columns); ++c) {
            tarvex::test::Variant element;
            fill(element.get(), r, c);
            LONG index[2] = {first_row + r, first_column + c};
            EXPECT_EQ(::SafeArrayPutElement(array, index, &element.get()), S_OK);
        }
    }
    block.get().vt = VT_ARRAY | VT_VARIANT;
    block.get().parray = array;
    return block;
}

TEST_F(HostClientTest, BulkReadsTakeAnyLowerBoundsAndFailAMalformedAnswerAsATypeMismatch) {
    using K = tarvex::ValueKind;
    using Texts = std::vector<std::u16string>;
    using Kinds = std::vector<K>;
    const auto text = [](VARIANT& v, std::u16string_view t) {
        v.vt = VT_BSTR;
        v.bstrVal = tarvex::to_bstr(t);
    };
    const auto of_every_kind = [&](VARIANT& v, LONG, LONG c) {
        if (c == 0) {
            text(v, u"x");
        } else if (c == 1) {
            v.vt = VT_ERROR;
            v.scode = static_cast<SCODE>(0x800A07D7);  // #DIV/0!
        } else if (c == 3) {
            v.vt = VT_R8;
            v.dblVal = 1.5;
        }
    };
    tarvex::test::Variant one_text = tarvex::test::text_variant(u"x");
    tarvex::test::Variant texts;
    SAFEARRAYBOUND text_bounds[2] = {{2, 1}, {2, 1}};
    texts.get().vt = VT_ARRAY | VT_BSTR;
    texts.get().parray = ::SafeArrayCreate(VT_BSTR, 2, text_bounds);
    tarvex::test::Variant row_vector;
    row_vector.get().vt = VT_ARRAY | VT_VARIANT;
    row_vector.get().parray = ::SafeArrayCreateVector(VT_VARIANT, 1, 4);
    tarvex::test::Variant nothing;
    nothing.get().vt = VT_DISPATCH;
    tarvex::test::Variant dangling;
    dangling.get().vt = VT_BYREF | VT_BSTR;
    struct Case {
        const char* name;
        tarvex::test::Variant answer;
        std::size_t rows, columns;      // of both grids, when either is read
        std::optional<Texts> formulas;  // nullopt: a type mismatch
        std::optional<Kinds> kinds;
    };
    const Case cases[] = {
        {"bounds from 0, rows first",
         variant_block(
             0, 2, 0, 3,
             [&](VARIANT& v, LONG r, LONG c) { text(v, tarvex::u16(std::to_string(r) + "," + std::to_string(c))); }),
         2, 3, Texts{u"0,0", u"0,1", u"0,2", u"1,0", u"1,1", u"1,2"}, Kinds(6, K::text)},
        {"every kind, bounds from 5 and -1", variant_block(5, 1, -1, 4, of_every_kind), 1, 4, std::nullopt,
         Kinds{K::text, K::error, K::empty, K::number}},
        {"a scalar for a block", one_text, 0, 0, std::nullopt, std::nullopt},
        {"one dimension", row_vector, 0, 0, std::nullopt, std::nullopt},
        {"an array of texts", texts, 0, 0, std::nullopt, std::nullopt},
        {"an object in a cell", variant_block(1, 1, 1, 2, [](VARIANT& v, LONG, LONG) { v.vt = VT_DISPATCH; }), 0, 0,
         std::nullopt, std::nullopt},
        {"no cells", variant_block(1, 0, 1, 2, [](VARIANT&, LONG, LONG) {}), 0, 0, std::nullopt, std::nullopt},
        {"an object", nothing, 0, 0, std::nullopt, std::nullopt},
        {"a reference to nothing", dangling, 0, 0, std::nullopt, std::nullopt},
    };
    // The host's answer to Range.Formula and Range.Value2 is replaced by the case's.
    const Case* current = nullptr;
    auto recording = std::make_shared<Recording>();
    recording->rewrite = [&](IDispatch* inner, DISPID dispid, VARIANT* result) {
        DISPID find = 0, formula = 0, value2 = 0;
        if (tarvex::test::dispid_of(inner, u"Find", &find) != S_OK ||
            tarvex::test::dispid_of(inner, u"Formula", &formula) != S_OK ||
            tarvex::test::dispid_of(inner, u"Value2", &value2) != S_OK || (dispid != formula && dispid != value2)) {
            return;
        }
        ::VariantClear(result);
        if ((current->answer.get().vt & VT_BYREF) != 0) {
            *result = current->answer.get();  // a reference owns nothing
        } else {
            ::VariantCopy(result, const_cast<VARIANT*>(&current->answer.get()));
        }
    };
    auto host =
        tarvex::make_host_application(RecordingDispatch::wrap(standin::make_application_object(app_), recording));
    auto block = host->active_workbook()->sheet(u"Data")->range(u"A1", u"B2");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        current = &c;
        const auto expect_grid = [&](const auto& expected, const auto& read) {
            if (!expected) {
                const HostError error = host_error_of([&] { read(); });
                EXPECT_EQ(static_cast<std::uint32_t>(error.hresult), 0x80020005u);
                EXPECT_EQ(error.description, u"Type mismatch");
                return;
            }
            const auto grid = read();
            EXPECT_EQ(grid.rows, c.rows);
            EXPECT_EQ(grid.columns, c.columns);
            EXPECT_EQ(grid.cells, *expected);
        };
        expect_grid(c.formulas, [&] { return block->formulas(); });
        expect_grid(c.kinds, [&] { return block->value_kinds(); });
    }
}

TEST_F(HostClientTest, ABlockPutWritesEveryCellAsTypedOrNoneWhenTheHostTurnsItDown) {
    auto block = host_->active_workbook()->sheet(u"Notes")->range(u"B2", u"C3");
    const auto texts = [&] { return block->formulas().cells; };
    struct Case {
        const char* name;
        tarvex::CellGrid<std::u16string> put;
        std::optional<std::vector<std::u16string>> after;  // nullopt: turned down
    };
    const Case cases[] = {
        // Each element as if typed into its cell, row by row.
        {"typed",
         {2, 2, {u"one", u"007", u"=1+1", u"true"}},
         std::vector<std::u16string>{u"one", u"7", u"=1+1", u"TRUE"}},
        // An array of another shape, or one element the host cannot take.
        {"other shape", {1, 2, {u"x", u"y"}}, std::nullopt},
        {"invalid formula", {2, 2, {u"a", u"b", u"=1+", u"d"}}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::u16string> was = texts();
        app_->clear_log();
        if (c.after) {
            block->set_formulas(c.put);
            EXPECT_EQ(texts(), *c.after);
        } else {
            const HostError error = host_error_of([&] { block->set_formulas(c.put); });
            EXPECT_EQ(static_cast<std::uint32_t>(error.hresult), application_defined);
            EXPECT_EQ(texts(), was);
        }
        ASSERT_FALSE(app_->call_log().empty());
        EXPECT_EQ(app_->call_log().front().operation, "Range.Formula=");
        EXPECT_EQ(app_->call_log().front().arguments, (std::vector<std::u16string>{u"(array)"}));
    }
}

TEST_F(HostClientTest, UsedRangeSpansTheFilledCellsAndIsA1OnAnEmptySheet) {
    book_->add_sheet(u"Far").write_value({5, 3}, u"x");
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"Data", u"$A$1:$E$10"}, {u"Notes", u"$A$1"}, {u"Far", u"$C$5"}};
    for (const auto& [name, address] : cases) {
        EXPECT_EQ(host_->active_workbook()->sheet(name)->used_range()->address(), address) << utf8(name);
    }
}

TEST_F(HostClientTest, EveryOpenWorkbookWithItsNameAndWhetherAWindowShowsIt) {
    auto personal = std::make_unique<standin::Workbook>(u"Personal.wb");
    personal->set_visible(false);
    personal->add_sheet(u"Macros");
    auto hidden = app_->add_workbook(std::move(personal));
    app_->activate(book_);

    const auto books = host_->workbooks();
    std::vector<std::pair<std::u16string, bool>> seen;
    for (const auto& book : books) {
        seen.emplace_back(book->name(), book->has_visible_window());
    }
    EXPECT_EQ(seen, (std::vector<std::pair<std::u16string, bool>>{{u"Book1", true}, {u"Personal.wb", false}}));

    // A workbook closed since it was listed answers no more, and is no longer listed.
    app_->close(hidden);
    EXPECT_EQ(host_->workbooks().size(), 1u);
    const HostError error = host_error_of([&] { books[1]->has_visible_window(); });
    EXPECT_EQ(static_cast<std::uint32_t>(error.hresult), 0x80010108u);
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
        {"Find", [&] { cell->find(u"apple", nullptr, {}); }},
        {"Value", [&] { cell->value_text(); }},
        {"Value=", [&] { cell->set_value(u"x"); }},
        {"Select", [&] { cell->select(); }},
        {"Formula=", [&] { cell->set_formula(u"x"); }},
        {"Formula block", [&] { cell->formulas(); }},
        {"Formula= block",
         [&] {
             cell->set_formulas({1, 1, {u"x"}});
         }},
        {"Value2 block", [&] { cell->value_kinds(); }},
        {"UsedRange", [&] { sheet->used_range(); }},
        {"Workbook name", [&] { book->name(); }},
        {"Windows", [&] { book->has_visible_window(); }},
        {"Workbooks", [&] { host_->workbooks(); }},
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
            for (auto found = all->find(u"apple", nullptr, {}); found != nullptr;) {
                found->address();
                found->text();
                found->value_text();
                auto next = all->find(u"apple", found.get(), {});
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
