// The stand-in object model driven the way a late-bound client drives the host:
// names looked up at run time, arguments last to first, omitted ones marked,
// failures read from the HRESULT and EXCEPINFO.
#include <windows.h>
#include <oaidl.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/text.h"
#include "com/object_model_win.h"
#include "model/model.h"
#include "support/dispatch_client_win.h"

namespace {

using tarvex::test::Arg;
using tarvex::test::call;
using tarvex::test::CallResult;
using tarvex::test::ComPtr;
using tarvex::test::hex;
using tarvex::test::invoke;
using tarvex::test::put;

constexpr HRESULT call_rejected = static_cast<HRESULT>(0x80010001);
constexpr HRESULT disconnected = static_cast<HRESULT>(0x80010108);
constexpr HRESULT error_1004 = static_cast<HRESULT>(0x800A03EC);
constexpr HRESULT error_424 = static_cast<HRESULT>(0x800A01A8);
constexpr int look_in_formulas = -4123;
constexpr int look_in_values = -4163;
constexpr int look_in_comments = -4144;

const std::u16string range_failed = u"Method 'Range' of object '_Worksheet' failed";

std::string utf8(std::u16string_view text) {
    return tarvex::utf16_to_utf8(text);
}

// A variant as one comparable line: "R8 7", "BSTR apple", "ERROR 0x800A07D7".
std::string show(const VARIANT& v) {
    char number[64];
    switch (v.vt) {
        case VT_EMPTY:
            return "EMPTY";
        case VT_NULL:
            return "NULL";
        case VT_I4:
            return "I4 " + std::to_string(v.lVal);
        case VT_R8:
            std::snprintf(number, sizeof(number), "R8 %.17g", v.dblVal);
            return number;
        case VT_BOOL:
            return v.boolVal == VARIANT_TRUE ? "BOOL true" : (v.boolVal == VARIANT_FALSE ? "BOOL false" : "BOOL ?");
        case VT_BSTR:
            return "BSTR " +
                   utf8(std::u16string_view(reinterpret_cast<const char16_t*>(v.bstrVal), ::SysStringLen(v.bstrVal)));
        case VT_ERROR:
            return "ERROR " + hex(v.scode);
        case VT_DISPATCH:
            return v.pdispVal ? "DISPATCH" : "DISPATCH null";
        case VT_UNKNOWN:
            return "UNKNOWN";
        default:
            return "VT " + std::to_string(v.vt);
    }
}

void expect_host_failure(const CallResult& r, HRESULT scode, std::u16string_view description) {
    EXPECT_EQ(hex(r.hr), hex(DISP_E_EXCEPTION));
    EXPECT_EQ(hex(r.scode), hex(scode));
    EXPECT_EQ(utf8(r.description), utf8(description));
    EXPECT_EQ(utf8(r.source), "tarvex-host");
    EXPECT_EQ(r.wcode, 0);
}

standin::Cell typed(std::u16string_view text, std::u16string format = u"General") {
    std::optional<standin::Cell> cell = standin::parse_typed_input(text);
    EXPECT_TRUE(cell.has_value()) << utf8(text);
    cell->number_format = std::move(format);
    return *cell;
}

class StandinCom : public ::testing::Test {
protected:
    void SetUp() override {
        app_ = std::make_shared<standin::Application>();

        auto budget = std::make_unique<standin::Workbook>(u"Budget.wb");
        standin::Sheet& summary = budget->add_sheet(u"Summary");
        summary.set_cell({1, 1}, typed(u"apple pie"));
        summary.set_cell({2, 2}, typed(u"Apple"));
        summary.set_cell({3, 1}, typed(u"crab apple"));
        summary.set_cell({2, 4}, typed(u"pear"));
        summary.set_cell({3, 3}, typed(u"1234.5", u"$#,##0.00"));
        standin::Cell division = typed(u"=1/0");
        division.value = standin::Value::of_error(u"#DIV/0!");
        summary.set_cell({4, 1}, division);
        summary.set_cell({1, 5}, typed(u"TRUE"));
        budget->add_sheet(u"Chart1", standin::SheetKind::chart);
        budget->add_sheet(u"Data").set_cell({1, 1}, typed(u"apple"));
        budget_ = app_->add_workbook(std::move(budget));

        auto other = std::make_unique<standin::Workbook>(u"Other.wb");
        other->add_sheet(u"Sheet1").set_cell({2, 2}, typed(u"apple"));
        other_ = app_->add_workbook(std::move(other));
        app_->activate(budget_);

        application_ = standin::make_application_object(app_);
        ASSERT_TRUE(application_);
    }

    void TearDown() override {
        // Every object a test obtained is released by now; none may be left behind.
        application_.Reset();
        EXPECT_EQ(standin::live_object_count(), 0);
    }

    // The object a call returns; a failed call fails the test.
    static ComPtr<IDispatch> object(IDispatch* from, std::u16string_view member, const std::vector<Arg>& args = {}) {
        if (from == nullptr) {
            ADD_FAILURE() << "no object to call " << utf8(member) << " on";
            return nullptr;
        }
        CallResult r = call(from, member, args);
        EXPECT_EQ(hex(r.hr), hex(S_OK)) << utf8(member) << ": " << utf8(r.description);
        EXPECT_EQ(r.value.type(), VT_DISPATCH) << utf8(member);
        return r.object();
    }
    static std::string text_of(IDispatch* from, std::u16string_view member) {
        if (from == nullptr) {
            return "(no object)";
        }
        return show(call(from, member).value.get());
    }

    ComPtr<IDispatch> book() { return object(application_.Get(), u"ActiveWorkbook"); }
    ComPtr<IDispatch> sheet(std::u16string_view name) { return object(book().Get(), u"Sheets", {name}); }
    ComPtr<IDispatch> range(std::u16string_view sheet_name, std::u16string_view address) {
        return object(sheet(sheet_name).Get(), u"Range", {address});
    }

    std::shared_ptr<standin::Application> app_;
    std::shared_ptr<standin::Workbook> budget_;
    std::shared_ptr<standin::Workbook> other_;
    ComPtr<IDispatch> application_;
};

TEST_F(StandinCom, NamesAreFoundIgnoringCaseAndUnknownNamesFail) {
    ComPtr<IDispatch> summary = sheet(u"Summary");
    ComPtr<IDispatch> chart = sheet(u"Chart1");
    ComPtr<IDispatch> cell = range(u"Summary", u"A1");
    struct Row {
        IDispatch* object;
        std::u16string name;
        std::u16string canonical;  // empty: the name is unknown
    };
    const Row rows[] = {
        {application_.Get(), u"activeworkbook", u"ActiveWorkbook"},
        {application_.Get(), u"WORKBOOKS", u"Workbooks"},
        {application_.Get(), u"ActiveSheet", u""},
        {summary.Get(), u"range", u"Range"},
        {summary.Get(), u"nAmE", u"Name"},
        {summary.Get(), u"Cells", u""},
        {summary.Get(), u"usedRANGE", u"UsedRange"},
        {chart.Get(), u"UsedRange", u""},
        {chart.Get(), u"ACTIVATE", u"Activate"},
        {chart.Get(), u"Range", u""},  // a chart sheet has no cells
        {cell.Get(), u"FIND", u"Find"},
        {cell.Get(), u"value2", u"Value2"},
        {cell.Get(), u"_newenum", u""},
        {cell.Get(), u"Find ", u""},
        {cell.Get(), u"", u""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(utf8(row.name));
        DISPID id = 12345;
        const HRESULT hr = tarvex::test::dispid_of(row.object, row.name, &id);
        if (row.canonical.empty()) {
            EXPECT_EQ(hex(hr), hex(DISP_E_UNKNOWNNAME));
            EXPECT_EQ(id, DISPID_UNKNOWN);
        } else {
            DISPID canonical = 0;
            ASSERT_EQ(hex(tarvex::test::dispid_of(row.object, row.canonical, &canonical)), hex(S_OK));
            EXPECT_EQ(hex(hr), hex(S_OK));
            EXPECT_EQ(id, canonical);
        }
    }

    // A parameter name after the member's: the member is still resolved, the parameter is not.
    std::u16string find = u"Find";
    std::u16string what = u"What";
    LPOLESTR names[] = {reinterpret_cast<LPOLESTR>(find.data()), reinterpret_cast<LPOLESTR>(what.data())};
    DISPID ids[2] = {0, 0};
    EXPECT_EQ(hex(cell->GetIDsOfNames(IID_NULL, names, 2, LOCALE_USER_DEFAULT, ids)), hex(DISP_E_UNKNOWNNAME));
    EXPECT_NE(ids[0], DISPID_UNKNOWN);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);

    UINT count = 7;
    EXPECT_EQ(hex(cell->GetTypeInfoCount(&count)), hex(S_OK));
    EXPECT_EQ(count, 0u);
}

TEST_F(StandinCom, OnlyTheApplicationAnswersForTheHostApplicationInterface) {
    ComPtr<IUnknown> found;
    ASSERT_EQ(hex(application_->QueryInterface(standin::iid_host_application,
                                               reinterpret_cast<void**>(found.GetAddressOf()))),
              hex(S_OK));
    EXPECT_EQ(static_cast<void*>(found.Get()), static_cast<void*>(application_.Get()));
    ComPtr<IUnknown> identity_a;
    ComPtr<IUnknown> identity_b;
    ASSERT_EQ(hex(application_.As(&identity_a)), hex(S_OK));
    ASSERT_EQ(hex(found.As(&identity_b)), hex(S_OK));
    EXPECT_EQ(identity_a.Get(), identity_b.Get());

    ComPtr<IDispatch> workbook = book();
    ComPtr<IDispatch> cell = range(u"Summary", u"A1");
    for (IDispatch* other : {workbook.Get(), cell.Get()}) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(hex(other->QueryInterface(standin::iid_host_application, &out)), hex(E_NOINTERFACE));
        EXPECT_EQ(out, nullptr);
    }
}

TEST_F(StandinCom, ActiveWorkbookIsNothingWhenNoWorkbookIsOpen) {
    EXPECT_EQ(text_of(book().Get(), u"Name"), "BSTR Budget.wb");
    app_->close(budget_);
    EXPECT_EQ(text_of(book().Get(), u"Name"), "BSTR Other.wb");
    app_->close(other_);

    CallResult r = call(application_.Get(), u"ActiveWorkbook");
    EXPECT_EQ(hex(r.hr), hex(S_OK));
    EXPECT_EQ(show(r.value.get()), "DISPATCH null");
    EXPECT_EQ(text_of(object(application_.Get(), u"Workbooks").Get(), u"Count"), "I4 0");
}

TEST_F(StandinCom, WorksheetsLeaveOutChartSheets) {
    ComPtr<IDispatch> workbook = book();
    ComPtr<IDispatch> worksheets = object(workbook.Get(), u"Worksheets");
    ComPtr<IDispatch> sheets = object(workbook.Get(), u"Sheets");
    EXPECT_EQ(text_of(worksheets.Get(), u"Count"), "I4 2");
    EXPECT_EQ(text_of(sheets.Get(), u"Count"), "I4 3");
    EXPECT_EQ(text_of(object(worksheets.Get(), u"Item", {2}).Get(), u"Name"), "BSTR Data");
    EXPECT_EQ(text_of(object(sheets.Get(), u"Item", {2}).Get(), u"Name"), "BSTR Chart1");
    expect_host_failure(call(worksheets.Get(), u"Item", {u"Chart1"}), DISP_E_BADINDEX, u"Subscript out of range");

    // A chart sheet answers for its name and activation only.
    ComPtr<IDispatch> chart = object(sheets.Get(), u"Item", {u"chart1"});
    EXPECT_EQ(text_of(chart.Get(), u"Name"), "BSTR Chart1");
    EXPECT_EQ(hex(call(chart.Get(), u"Activate").hr), hex(S_OK));
    EXPECT_EQ(utf8(budget_->active_sheet()->name()), "Chart1");
}

TEST_F(StandinCom, ItemTakesAnIndexOrANameAndIsTheDefaultMember) {
    ComPtr<IDispatch> workbook = book();
    ComPtr<IDispatch> sheets = object(workbook.Get(), u"Sheets");
    ComPtr<IDispatch> workbooks = object(application_.Get(), u"Workbooks");
    struct Row {
        const char* label;
        IDispatch* collection;
        Arg index;
        const char* name;  // nullptr: subscript out of range
    };
    const Row rows[] = {
        {"first by index", sheets.Get(), 1, "Summary"},
        {"last by index", sheets.Get(), 3, "Data"},
        {"index as a double", sheets.Get(), 2.0, "Chart1"},
        {"name in other case", sheets.Get(), u"DATA", "Data"},
        {"index zero", sheets.Get(), 0, nullptr},
        {"index past the end", sheets.Get(), 4, nullptr},
        {"negative index", sheets.Get(), -1, nullptr},
        {"a digit is a name, not an index", sheets.Get(), u"1", nullptr},
        {"unknown name", sheets.Get(), u"Nope", nullptr},
        {"empty name", sheets.Get(), u"", nullptr},
        {"workbook by index", workbooks.Get(), 2, "Other.wb"},
        {"workbook by name", workbooks.Get(), u"budget.WB", "Budget.wb"},
        {"workbook past the end", workbooks.Get(), 3, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        // Explicit Item, and the same call through the default member (coll(index)).
        CallResult by_name = call(row.collection, u"Item", {row.index});
        CallResult by_default =
            invoke(row.collection, DISPID_VALUE, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {row.index});
        for (const CallResult* r : {&by_name, &by_default}) {
            if (row.name == nullptr) {
                expect_host_failure(*r, DISP_E_BADINDEX, u"Subscript out of range");
            } else {
                ASSERT_EQ(hex(r->hr), hex(S_OK));
                EXPECT_EQ(text_of(r->object().Get(), u"Name"), std::string("BSTR ") + row.name);
            }
        }
    }

    // book.Worksheets("Data"): arguments to a collection property go to its Item.
    CallResult forwarded = call(workbook.Get(), u"Worksheets", {u"data"});
    ASSERT_EQ(hex(forwarded.hr), hex(S_OK));
    EXPECT_EQ(text_of(forwarded.object().Get(), u"Name"), "BSTR Data");
    expect_host_failure(call(workbook.Get(), u"Worksheets", {5}), DISP_E_BADINDEX, u"Subscript out of range");
    EXPECT_EQ(text_of(call(application_.Get(), u"Workbooks", {u"OTHER.wb"}).object().Get(), u"Name"), "BSTR Other.wb");
    // A property that is no collection takes no index.
    EXPECT_EQ(hex(call(workbook.Get(), u"Name", {1}).hr), hex(DISP_E_BADPARAMCOUNT));

    // An index that is neither a name nor a number.
    ComPtr<IDispatch> cell = range(u"Summary", u"A1");
    CallResult mismatch = call(sheets.Get(), u"Item", {cell});
    EXPECT_EQ(hex(mismatch.hr), hex(DISP_E_TYPEMISMATCH));
    EXPECT_EQ(mismatch.arg_error, 0u);
}

// The names an enumerator yields, reading it one item at a time.
std::vector<std::string> names_of(IEnumVARIANT* items) {
    std::vector<std::string> names;
    tarvex::test::Variant item;
    ULONG fetched = 0;
    while (items->Next(1, item.put(), &fetched) == S_OK) {
        EXPECT_EQ(fetched, 1u);
        EXPECT_EQ(item.type(), VT_DISPATCH);
        if (item.type() == VT_DISPATCH) {
            std::string name = show(call(item.get().pdispVal, u"Name").value.get());
            names.push_back(name.substr(name.find(' ') + 1));
        }
    }
    EXPECT_EQ(fetched, 0u);
    return names;
}

ComPtr<IEnumVARIANT> enumerator_of(IDispatch* collection) {
    CallResult r = invoke(collection, DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {});
    EXPECT_EQ(hex(r.hr), hex(S_OK));
    EXPECT_EQ(r.value.type(), VT_UNKNOWN);
    ComPtr<IEnumVARIANT> items;
    if (r.value.type() == VT_UNKNOWN && r.value.get().punkVal != nullptr) {
        EXPECT_EQ(hex(r.value.get().punkVal->QueryInterface(IID_IEnumVARIANT,
                                                            reinterpret_cast<void**>(items.GetAddressOf()))),
                  hex(S_OK));
    }
    return items;
}

TEST_F(StandinCom, NewEnumWalksACollectionInOrder) {
    using Names = std::vector<std::string>;
    ComPtr<IDispatch> workbook = book();
    ComPtr<IEnumVARIANT> sheets = enumerator_of(object(workbook.Get(), u"Sheets").Get());
    ComPtr<IEnumVARIANT> worksheets = enumerator_of(object(workbook.Get(), u"Worksheets").Get());
    ComPtr<IEnumVARIANT> workbooks = enumerator_of(object(application_.Get(), u"Workbooks").Get());
    ASSERT_TRUE(sheets && worksheets && workbooks);
    EXPECT_EQ(names_of(sheets.Get()), (Names{"Summary", "Chart1", "Data"}));
    EXPECT_EQ(names_of(worksheets.Get()), (Names{"Summary", "Data"}));
    EXPECT_EQ(names_of(workbooks.Get()), (Names{"Budget.wb", "Other.wb"}));

    // Several at once: fewer than asked for is S_FALSE with the count fetched.
    EXPECT_EQ(hex(sheets->Reset()), hex(S_OK));
    VARIANT batch[5];
    ULONG fetched = 0;
    EXPECT_EQ(hex(sheets->Next(5, batch, &fetched)), hex(S_FALSE));
    EXPECT_EQ(fetched, 3u);
    for (ULONG i = 0; i < fetched; ++i) {
        ::VariantClear(&batch[i]);
    }

    // Skip, Reset and Clone keep their own places.
    EXPECT_EQ(hex(sheets->Reset()), hex(S_OK));
    EXPECT_EQ(hex(sheets->Skip(1)), hex(S_OK));
    ComPtr<IEnumVARIANT> clone;
    ASSERT_EQ(hex(sheets->Clone(clone.GetAddressOf())), hex(S_OK));
    EXPECT_EQ(names_of(sheets.Get()), (Names{"Chart1", "Data"}));
    EXPECT_EQ(names_of(clone.Get()), (Names{"Chart1", "Data"}));
    EXPECT_EQ(hex(clone->Reset()), hex(S_OK));
    EXPECT_EQ(hex(clone->Skip(10)), hex(S_FALSE));
    EXPECT_EQ(names_of(clone.Get()), Names{});
    EXPECT_EQ(hex(clone->Next(1, nullptr, nullptr)), hex(E_POINTER));
}

TEST_F(StandinCom, RangeTakesAnAddressOrTwoCorners) {
    ComPtr<IDispatch> summary = sheet(u"Summary");
    ComPtr<IDispatch> b2 = range(u"Summary", u"B2");
    ComPtr<IDispatch> d4 = range(u"Summary", u"D4");
    ComPtr<IDispatch> data_a1 = range(u"Data", u"A1");
    ComPtr<IDispatch> workbook = book();
    struct Row {
        const char* label;
        std::vector<Arg> args;
        const char* address;  // nullptr: the host's Range failure
    };
    const Row rows[] = {
        {"one cell", {u"A1"}, "$A$1"},
        {"absolute, lower case", {u"$b$7"}, "$B$7"},
        {"a rectangle", {u"A1:B2"}, "$A$1:$B$2"},
        {"the searched rectangle", {u"A1", u"IV65536"}, "$A$1:$IV$65536"},
        {"corners in any order", {u"C3", u"A1"}, "$A$1:$C$3"},
        {"rectangle and cell", {u"B2:C3", u"A5"}, "$A$2:$C$5"},
        {"two Range objects", {b2, d4}, "$B$2:$D$4"},
        {"object and text", {b2, u"A1"}, "$A$1:$B$2"},
        {"second corner omitted", {u"B2", Arg::omitted()}, "$B$2"},
        {"second corner empty", {u"B2", Arg::empty()}, "$B$2"},
        {"empty text", {u""}, nullptr},
        {"row zero", {u"A0"}, nullptr},
        {"past the last column", {u"XFE1"}, nullptr},
        {"half a rectangle", {u"A1:"}, nullptr},
        {"not an address", {u"apple"}, nullptr},
        {"a number", {12}, nullptr},
        {"a Range of another sheet", {data_a1}, nullptr},
        {"second corner on another sheet", {u"A1", data_a1}, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        CallResult r = call(summary.Get(), u"Range", row.args);
        if (row.address == nullptr) {
            expect_host_failure(r, error_1004, range_failed);
        } else {
            ASSERT_EQ(hex(r.hr), hex(S_OK)) << utf8(r.description);
            EXPECT_EQ(text_of(r.object().Get(), u"Address"), std::string("BSTR ") + row.address);
        }
    }

    // Argument errors come straight back, naming the argument's slot in rgvarg
    // (which holds the arguments last to first).
    struct Bad {
        const char* label;
        std::vector<Arg> args;
        HRESULT hr;
        UINT arg_error;
    };
    const Bad bad[] = {
        {"no argument", {}, DISP_E_PARAMNOTFOUND, CallResult::no_arg_error},
        {"first omitted", {Arg::omitted()}, DISP_E_PARAMNOTFOUND, 0},
        {"first omitted of two", {Arg::omitted(), u"A1"}, DISP_E_PARAMNOTFOUND, 1},
        {"three arguments", {u"A1", u"B2", u"C3"}, DISP_E_BADPARAMCOUNT, CallResult::no_arg_error},
        {"a workbook as Cell1", {workbook, u"A1"}, DISP_E_TYPEMISMATCH, 1},
        {"a workbook as Cell2", {u"A1", workbook}, DISP_E_TYPEMISMATCH, 0},
        {"Nothing as Cell1", {static_cast<IDispatch*>(nullptr)}, DISP_E_TYPEMISMATCH, 0},
    };
    for (const Bad& row : bad) {
        SCOPED_TRACE(row.label);
        CallResult r = call(summary.Get(), u"Range", row.args);
        EXPECT_EQ(hex(r.hr), hex(row.hr));
        EXPECT_EQ(r.arg_error, row.arg_error);
        EXPECT_FALSE(r.exception_filled);
    }
}

// The Find loop of a search over one worksheet: the first call without a start
// cell, then from the last match, until the walk meets a cell again.
std::vector<std::string> walk(IDispatch* within, const std::vector<Arg>& first_args,
                              const std::vector<Arg>& options_after_start) {
    std::vector<std::string> addresses;
    CallResult r = call(within, u"Find", first_args);
    for (int guard = 0; guard < 20; ++guard) {
        EXPECT_EQ(hex(r.hr), hex(S_OK)) << utf8(r.description);
        ComPtr<IDispatch> found = r.object();
        if (!found) {
            break;
        }
        std::string address = show(call(found.Get(), u"Address").value.get());
        if (std::find(addresses.begin(), addresses.end(), address) != addresses.end()) {
            break;
        }
        addresses.push_back(address);
        std::vector<Arg> args = {first_args[0], found};
        args.insert(args.end(), options_after_start.begin(), options_after_start.end());
        r = call(within, u"Find", args);
    }
    return addresses;
}

TEST_F(StandinCom, FindWalksTheRangeWithTheArgumentsAClientPasses) {
    using Addresses = std::vector<std::string>;
    ComPtr<IDispatch> summary = sheet(u"Summary");
    ComPtr<IDispatch> within = object(summary.Get(), u"Range", {u"A1", u"IV65536"});
    const Arg o = Arg::omitted();
    const Addresses in_order = {"BSTR $B$2", "BSTR $A$3", "BSTR $A$1"};
    struct Row {
        const char* label;
        std::vector<Arg> first;
        std::vector<Arg> after_start;
        Addresses expected;
    };
    const Row rows[] = {
        {"as the search loop passes them", {u"apple", o, o, o, o, 1, false}, {o, o, o, 1, false}, in_order},
        {"trailing arguments left out", {u"APPLE"}, {}, in_order},
        {"options as empty variants",
         {u"apple", Arg::empty(), Arg::empty(), Arg::empty(), Arg::empty()},
         {Arg::empty(), Arg::empty(), Arg::empty()},
         in_order},
        {"all nine, the last two ignored",
         {u"apple", o, o, o, o, 1, false, true, true},
         {o, o, o, 1, false, o, o},
         in_order},
        {"match case", {u"apple", o, o, o, o, 1, true}, {o, o, o, 1, true}, {"BSTR $A$3", "BSTR $A$1"}},
        {"backwards", {u"apple", o, o, o, o, 2, false}, {o, o, o, 2, false}, {"BSTR $A$3", "BSTR $B$2", "BSTR $A$1"}},
        {"a number as the search text", {1234.5}, {}, {"BSTR $C$3"}},
        {"no cell matches", {u"zebra", o, o, o, o, 1, false}, {}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(walk(within.Get(), row.first, row.after_start), row.expected);
    }

    // No match is Nothing: a null object, not a failure.
    CallResult none = call(within.Get(), u"Find", {u"zebra"});
    EXPECT_EQ(hex(none.hr), hex(S_OK));
    EXPECT_EQ(show(none.value.get()), "DISPATCH null");
    EXPECT_EQ(app_->held_look_in(), standin::LookIn::formulas);
    EXPECT_EQ(app_->held_look_at(), standin::LookAt::part);
    EXPECT_EQ(app_->held_order(), standin::SearchOrder::by_rows);
}

TEST_F(StandinCom, FindHoldsTheOptionsThatArePassed) {
    ComPtr<IDispatch> within = range(u"Summary", u"A1:IV65536");
    const Arg o = Arg::omitted();

    // Passed: stored, and used by the later calls that leave them out.
    CallResult r = call(within.Get(), u"Find", {u"apple", o, look_in_values, 1, 2});
    ASSERT_EQ(hex(r.hr), hex(S_OK));
    EXPECT_EQ(text_of(r.object().Get(), u"Address"), "BSTR $B$2");
    EXPECT_EQ(app_->held_look_in(), standin::LookIn::values);
    EXPECT_EQ(app_->held_look_at(), standin::LookAt::whole);
    EXPECT_EQ(app_->held_order(), standin::SearchOrder::by_columns);
    EXPECT_EQ(walk(within.Get(), {u"apple", o, o, o, o, 1, false}, {o, o, o, 1, false}),
              std::vector<std::string>{"BSTR $B$2"});

    // Comments: the model has none, so nothing is found and nothing is stored.
    CallResult comments = call(within.Get(), u"Find", {u"apple", o, look_in_comments, 2, 1});
    EXPECT_EQ(hex(comments.hr), hex(S_OK));
    EXPECT_EQ(show(comments.value.get()), "DISPATCH null");
    EXPECT_EQ(app_->held_look_in(), standin::LookIn::values);
    EXPECT_EQ(app_->held_look_at(), standin::LookAt::whole);

    ASSERT_EQ(hex(call(within.Get(), u"Find", {u"x", o, look_in_formulas, 2, 1}).hr), hex(S_OK));
    EXPECT_EQ(app_->held_look_in(), standin::LookIn::formulas);
    EXPECT_EQ(app_->held_look_at(), standin::LookAt::part);
    EXPECT_EQ(app_->held_order(), standin::SearchOrder::by_rows);

    // Bad arguments: unknown constants and start cells fail as the host's Find does,
    // values of the wrong type are rejected by the dispatcher.
    ComPtr<IDispatch> data_a1 = range(u"Data", u"A1");
    ComPtr<IDispatch> block = range(u"Summary", u"A1:B2");
    ComPtr<IDispatch> outside = range(u"Summary", u"A1");
    ComPtr<IDispatch> small = range(u"Summary", u"B2:C3");
    const std::u16string find_failed = u"Unable to get the Find property of the Range class";
    struct Bad {
        const char* label;
        IDispatch* within;
        std::vector<Arg> args;
        HRESULT hr;
        HRESULT scode;  // for DISP_E_EXCEPTION
        UINT arg_error;
    };
    const Bad bad[] = {
        {"LookIn unknown", within.Get(), {u"a", o, 7}, DISP_E_EXCEPTION, error_1004, CallResult::no_arg_error},
        {"LookAt 3", within.Get(), {u"a", o, o, 3}, DISP_E_EXCEPTION, error_1004, CallResult::no_arg_error},
        {"SearchOrder 0", within.Get(), {u"a", o, o, o, 0}, DISP_E_EXCEPTION, error_1004, CallResult::no_arg_error},
        {"direction 3", within.Get(), {u"a", o, o, o, o, 3}, DISP_E_EXCEPTION, error_1004, CallResult::no_arg_error},
        {"start on another sheet",
         within.Get(),
         {u"a", data_a1},
         DISP_E_EXCEPTION,
         error_1004,
         CallResult::no_arg_error},
        {"start is a block", within.Get(), {u"a", block}, DISP_E_EXCEPTION, error_1004, CallResult::no_arg_error},
        {"start outside the range",
         small.Get(),
         {u"a", outside},
         DISP_E_EXCEPTION,
         error_1004,
         CallResult::no_arg_error},
        {"start as text", within.Get(), {u"a", u"A1"}, DISP_E_TYPEMISMATCH, 0, 0},
        {"LookIn as a word", within.Get(), {u"a", o, u"values", o}, DISP_E_TYPEMISMATCH, 0, 1},
        {"MatchCase as a word", within.Get(), {u"a", o, o, o, o, 1, u"maybe"}, DISP_E_TYPEMISMATCH, 0, 0},
        {"search text missing", within.Get(), {o}, DISP_E_PARAMNOTFOUND, 0, 0},
        {"search text an object", within.Get(), {outside}, DISP_E_TYPEMISMATCH, 0, 0},
        {"ten arguments",
         within.Get(),
         {u"a", o, o, o, o, o, o, o, o, o},
         DISP_E_BADPARAMCOUNT,
         0,
         CallResult::no_arg_error},
    };
    for (const Bad& row : bad) {
        SCOPED_TRACE(row.label);
        CallResult failed = call(row.within, u"Find", row.args);
        EXPECT_EQ(hex(failed.hr), hex(row.hr));
        if (row.hr == DISP_E_EXCEPTION) {
            EXPECT_EQ(hex(failed.scode), hex(row.scode));
        } else {
            EXPECT_EQ(failed.arg_error, row.arg_error);
        }
    }
    EXPECT_EQ(utf8(call(within.Get(), u"Find", {u"a", o, o, 3}).description), utf8(find_failed));
}

TEST_F(StandinCom, CellPropertiesAnswerWithTheHostsTypes) {
    struct Row {
        const char* address;
        const char* text;
        const char* formula;
        const char* value;
    };
    const Row rows[] = {
        {"C3", "BSTR $1,234.50", "BSTR 1234.5", "R8 1234.5"},  // currency shown, number kept
        {"A4", "BSTR #DIV/0!", "BSTR =1/0", "ERROR 0x800A07D7"},
        {"B2", "BSTR Apple", "BSTR Apple", "BSTR Apple"},
        {"E1", "BSTR TRUE", "BSTR TRUE", "BOOL true"},
        {"Z99", "BSTR ", "BSTR ", "EMPTY"},
        {"F1:G2", "BSTR ", "VT 8204", "VT 8204"},  // empty block: common text; arrays of VARIANT
        {"A1:B2", "NULL", "VT 8204", "VT 8204"},   // texts differ
        {"A1:IV65536", "NULL", "ERROR", "ERROR"},  // too large to read cell by cell
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.address);
        ComPtr<IDispatch> cell = range(u"Summary", tarvex::u16(row.address));
        EXPECT_EQ(text_of(cell.Get(), u"Text"), row.text);
        for (const auto& [member, expected] :
             {std::pair{u"Formula", row.formula}, std::pair{u"Value", row.value}, std::pair{u"Value2", row.value}}) {
            SCOPED_TRACE(utf8(member));
            CallResult r = call(cell.Get(), member);
            if (std::string(expected) == "ERROR") {
                expect_host_failure(r, E_OUTOFMEMORY, u"Not enough memory");
            } else {
                EXPECT_EQ(show(r.value.get()), expected);
            }
        }
    }
    EXPECT_EQ(text_of(range(u"Summary", u"$C$3").Get(), u"Address"), "BSTR $C$3");
    EXPECT_EQ(text_of(range(u"Summary", u"C3:B2").Get(), u"Address"), "BSTR $B$2:$C$3");
    EXPECT_EQ(text_of(range(u"Summary", u"E2:C7").Get(), u"Row"), "I4 2");
    EXPECT_EQ(text_of(range(u"Summary", u"E2:C7").Get(), u"Column"), "I4 3");
    // Address's optional arguments are accepted and change nothing.
    EXPECT_EQ(show(call(range(u"Summary", u"C3").Get(), u"Address", {false, false}).value.get()), "BSTR $C$3");
}

TEST_F(StandinCom, BlockValueIsARowsByColumnsArray) {
    // Two rows, three columns, so a swapped layout cannot pass.
    CallResult r = call(range(u"Summary", u"A1:C2").Get(), u"Value");
    ASSERT_EQ(hex(r.hr), hex(S_OK));
    ASSERT_EQ(r.value.type(), VT_ARRAY | VT_VARIANT);
    SAFEARRAY* array = r.value.get().parray;
    ASSERT_EQ(::SafeArrayGetDim(array), 2u);
    LONG low = 0;
    LONG high = 0;
    ::SafeArrayGetLBound(array, 1, &low);
    ::SafeArrayGetUBound(array, 1, &high);
    EXPECT_EQ(low, 1);
    EXPECT_EQ(high, 2);
    ::SafeArrayGetLBound(array, 2, &low);
    ::SafeArrayGetUBound(array, 2, &high);
    EXPECT_EQ(low, 1);
    EXPECT_EQ(high, 3);
    const std::pair<std::pair<LONG, LONG>, const char*> cells[] = {
        {{1, 1}, "BSTR apple pie"}, {{1, 2}, "EMPTY"}, {{2, 2}, "BSTR Apple"}, {{2, 1}, "EMPTY"}, {{1, 3}, "EMPTY"}};
    for (const auto& [at, expected] : cells) {
        LONG index[2] = {at.first, at.second};
        tarvex::test::Variant element;
        ASSERT_EQ(hex(::SafeArrayGetElement(array, index, element.put())), hex(S_OK));
        EXPECT_EQ(show(element.get()), expected) << at.first << "," << at.second;
    }
}

TEST_F(StandinCom, ValuePutParsesTheTextAsTypedInput) {
    // The error value #N/A as a client writes it with CVErr(2042).
    tarvex::test::Variant not_available;
    not_available.get().vt = VT_ERROR;
    not_available.get().scode = static_cast<SCODE>(0x800A07FA);
    struct Row {
        const char* label;
        Arg written;
        const char* value;
        const char* formula;
    };
    const Row rows[] = {
        {"leading zeros", u"007", "R8 7", "BSTR 7"},
        {"apostrophe keeps text", u"'007", "BSTR 007", "BSTR 007"},
        {"plain text", u"pie", "BSTR pie", "BSTR pie"},
        {"a double", 2.5, "R8 2.5", "BSTR 2.5"},
        {"an integer", 42, "R8 42", "BSTR 42"},
        {"a boolean", true, "BOOL true", "BSTR TRUE"},
        {"a formula", u"=\"hi\"", "BSTR hi", "BSTR =\"hi\""},
        {"an error value", Arg(not_available), "ERROR 0x800A07FA", "BSTR #N/A"},
        {"empty", Arg::empty(), "EMPTY", "BSTR "},
        {"empty text", u"", "EMPTY", "BSTR "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        ComPtr<IDispatch> cell = range(u"Data", u"B3");
        CallResult r = put(cell.Get(), u"Value", row.written);
        ASSERT_EQ(hex(r.hr), hex(S_OK)) << utf8(r.description);
        EXPECT_EQ(text_of(cell.Get(), u"Value"), row.value);
        EXPECT_EQ(text_of(cell.Get(), u"Formula"), row.formula);
    }

    // Formula put writes the same way.
    ComPtr<IDispatch> cell = range(u"Data", u"A1");
    ASSERT_EQ(hex(put(cell.Get(), u"Formula", u"=1+1").hr), hex(S_OK));
    EXPECT_EQ(text_of(cell.Get(), u"Formula"), "BSTR =1+1");

    // Failed writes leave the cell as it was.
    ASSERT_EQ(hex(put(cell.Get(), u"Value", u"apple").hr), hex(S_OK));
    expect_host_failure(put(cell.Get(), u"Value", u"=SUM(1"), error_1004,
                        u"Application-defined or object-defined error");
    expect_host_failure(put(range(u"Data", u"A1:B2").Get(), u"Value", u"x"), error_1004,
                        u"Application-defined or object-defined error");
    DISPID value_id = 0;
    ASSERT_EQ(hex(tarvex::test::dispid_of(cell.Get(), u"Value", &value_id)), hex(S_OK));
    // A put without the named argument DISPID_PROPERTYPUT is no put.
    EXPECT_EQ(hex(invoke(cell.Get(), value_id, DISPATCH_PROPERTYPUT, {u"pear"}).hr), hex(DISP_E_PARAMNOTFOUND));
    CallResult object_written = put(cell.Get(), u"Value", cell);
    EXPECT_EQ(hex(object_written.hr), hex(DISP_E_TYPEMISMATCH));
    EXPECT_EQ(object_written.arg_error, 0u);
    EXPECT_EQ(hex(put(cell.Get(), u"Text", u"pear").hr), hex(DISP_E_MEMBERNOTFOUND));
    EXPECT_EQ(text_of(cell.Get(), u"Value"), "BSTR apple");
}

TEST_F(StandinCom, ArgumentsPassedByReferenceAreRead) {
    ComPtr<IDispatch> summary = sheet(u"Summary");
    // VB passes variables by reference: a Variant as VT_BYREF|VT_VARIANT, a typed
    // variable as VT_BYREF|its type.
    tarvex::test::Variant address = tarvex::test::text_variant(u"A1:IV65536");
    CallResult within = call(summary.Get(), u"Range", {Arg::ref_to_variant(address.get())});
    ASSERT_EQ(hex(within.hr), hex(S_OK));
    EXPECT_EQ(text_of(within.object().Get(), u"Address"), "BSTR $A$1:$IV$65536");

    tarvex::test::Variant what = tarvex::test::text_variant(u"apple");
    tarvex::test::Variant start;
    start.get().vt = VT_DISPATCH;
    start.get().pdispVal = range(u"Summary", u"B2").Detach();
    tarvex::test::Variant direction;
    direction.get().vt = VT_I4;
    direction.get().lVal = 1;
    tarvex::test::Variant match_case;
    match_case.get().vt = VT_BOOL;
    match_case.get().boolVal = VARIANT_FALSE;
    const Arg o = Arg::omitted();
    CallResult found = call(within.object().Get(), u"Find",
                            {Arg::ref_to_value(what.get()), Arg::ref_to_value(start.get()), o, o, o,
                             Arg::ref_to_variant(direction.get()), Arg::ref_to_value(match_case.get())});
    ASSERT_EQ(hex(found.hr), hex(S_OK)) << utf8(found.description);
    EXPECT_EQ(text_of(found.object().Get(), u"Address"), "BSTR $A$3");
    EXPECT_EQ(show(what.get()), "BSTR apple");  // the caller's variables are left alone

    tarvex::test::Variant written = tarvex::test::text_variant(u"0042");
    ComPtr<IDispatch> cell = range(u"Data", u"C1");
    ASSERT_EQ(hex(put(cell.Get(), u"Value", Arg::ref_to_value(written.get())).hr), hex(S_OK));
    EXPECT_EQ(text_of(cell.Get(), u"Value"), "R8 42");

    // A reference to nothing is a bad argument, not a crash.
    tarvex::test::Variant dangling;
    dangling.get().vt = VT_BYREF | VT_BSTR;
    dangling.get().byref = nullptr;
    CallResult bad = call(summary.Get(), u"Range", {Arg(dangling)});
    EXPECT_EQ(hex(bad.hr), hex(DISP_E_TYPEMISMATCH));
    EXPECT_EQ(bad.arg_error, 0u);
    dangling.get().vt = VT_EMPTY;
}

TEST_F(StandinCom, UsedRangeSpansTheFilledCellsAndIsA1OnAnEmptySheet) {
    budget_->add_sheet(u"Empty");
    budget_->add_sheet(u"Far").set_cell({7, 3}, typed(u"x"));
    const std::pair<const char16_t*, const char*> rows[] = {
        {u"Summary", "BSTR $A$1:$E$4"}, {u"Data", "BSTR $A$1"}, {u"Empty", "BSTR $A$1"}, {u"Far", "BSTR $C$7"}};
    for (const auto& [name, address] : rows) {
        SCOPED_TRACE(utf8(name));
        EXPECT_EQ(text_of(object(sheet(name).Get(), u"UsedRange").Get(), u"Address"), address);
    }
}

TEST_F(StandinCom, AWorkbooksWindowsTellWhetherItShows) {
    other_->set_visible(false);
    ComPtr<IDispatch> workbooks = object(application_.Get(), u"Workbooks");
    struct Row {
        const char* label;
        int book;
        Arg index;
        const char* visible;  // nullptr: subscript out of range
    };
    const Row rows[] = {
        {"shown, by index", 1, 1, "BOOL true"},
        {"hidden, by index", 2, 1, "BOOL false"},
        {"by caption in other case", 1, u"BUDGET.wb", "BOOL true"},
        {"index past the end", 1, 2, nullptr},
        {"index zero", 2, 0, nullptr},
        {"another workbook's caption", 1, u"Other.wb", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        ComPtr<IDispatch> windows = object(object(workbooks.Get(), u"Item", {row.book}).Get(), u"Windows");
        EXPECT_EQ(text_of(windows.Get(), u"Count"), "I4 1");
        CallResult by_name = call(windows.Get(), u"Item", {row.index});
        CallResult by_default =
            invoke(windows.Get(), DISPID_VALUE, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {row.index});
        for (const CallResult* r : {&by_name, &by_default}) {
            if (row.visible == nullptr) {
                expect_host_failure(*r, DISP_E_BADINDEX, u"Subscript out of range");
            } else {
                ASSERT_EQ(hex(r->hr), hex(S_OK));
                EXPECT_EQ(text_of(r->object().Get(), u"Visible"), row.visible);
            }
        }
    }
    // book.Windows(1): the index goes to the collection's Item.
    EXPECT_EQ(text_of(call(book().Get(), u"Windows", {1}).object().Get(), u"Caption"), "BSTR Budget.wb");
}

TEST_F(StandinCom, RefusedCallsFailStraightFromInvoke) {
    ComPtr<IDispatch> within = range(u"Summary", u"A1:IV65536");
    ComPtr<IDispatch> workbook = book();
    app_->set_refusing(true);
    struct Row {
        IDispatch* object;
        const char16_t* member;
        std::vector<Arg> args;
    };
    const Row rows[] = {
        {within.Get(), u"Find", {u"apple", Arg::omitted(), Arg::omitted(), Arg::omitted(), Arg::omitted(), 1, false}},
        {within.Get(), u"Text", {}},
        {application_.Get(), u"ActiveWorkbook", {}},
        {workbook.Get(), u"Worksheets", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(utf8(row.member));
        CallResult r = call(row.object, row.member, row.args);
        EXPECT_EQ(hex(r.hr), hex(call_rejected));
        EXPECT_FALSE(r.exception_filled);
        EXPECT_EQ(r.value.type(), VT_EMPTY);
    }
    CallResult refused_put = put(within.Get(), u"Value", u"x");
    EXPECT_EQ(hex(refused_put.hr), hex(call_rejected));

    app_->set_refusing(false);
    EXPECT_EQ(hex(call(within.Get(), u"Find", {u"apple"}).hr), hex(S_OK));
}

TEST_F(StandinCom, InjectedFailuresArriveAsTheHostReportsThem) {
    ComPtr<IDispatch> cell = range(u"Summary", u"B2");
    app_->fail_call("Range.Text", 2, error_1004, u"Something went wrong");
    EXPECT_EQ(text_of(cell.Get(), u"Text"), "BSTR Apple");
    expect_host_failure(call(cell.Get(), u"Text"), error_1004, u"Something went wrong");
    EXPECT_EQ(text_of(cell.Get(), u"Text"), "BSTR Apple");

    // A failure in the channel's range comes straight back even when injected.
    app_->fail_call("Range.Address", 1, disconnected);
    CallResult channel = call(cell.Get(), u"Address");
    EXPECT_EQ(hex(channel.hr), hex(disconnected));
    EXPECT_FALSE(channel.exception_filled);

    app_->fail_call("Range.Value=", 1, error_424);
    expect_host_failure(put(cell.Get(), u"Value", u"x"), error_424, u"Object required");
    EXPECT_EQ(text_of(cell.Get(), u"Value"), "BSTR Apple");
}

TEST_F(StandinCom, ObjectsOfDeletedSheetsAndClosedWorkbooksStopAnswering) {
    ComPtr<IDispatch> workbook = book();
    ComPtr<IDispatch> worksheets = object(workbook.Get(), u"Worksheets");
    ComPtr<IDispatch> summary = sheet(u"Summary");
    ComPtr<IDispatch> summary_cell = range(u"Summary", u"B2");
    ComPtr<IDispatch> data = sheet(u"Data");
    ComPtr<IDispatch> data_cell = range(u"Data", u"A1");
    ComPtr<IDispatch> windows = object(workbook.Get(), u"Windows");
    ComPtr<IDispatch> window = object(windows.Get(), u"Item", {1});

    budget_->delete_sheet(u"Data");
    for (const auto& [target, member] :
         {std::pair{data.Get(), u"Name"}, std::pair{data_cell.Get(), u"Text"}, std::pair{data_cell.Get(), u"Select"}}) {
        SCOPED_TRACE(utf8(member));
        expect_host_failure(call(target, member), error_424, u"Object required");
    }
    EXPECT_EQ(text_of(worksheets.Get(), u"Count"), "I4 1");
    EXPECT_EQ(text_of(summary.Get(), u"Name"), "BSTR Summary");

    ASSERT_EQ(hex(call(workbook.Get(), u"Close").hr), hex(S_OK));
    EXPECT_EQ(text_of(book().Get(), u"Name"), "BSTR Other.wb");
    for (const auto& [target, member] : {std::pair{workbook.Get(), u"Name"}, std::pair{workbook.Get(), u"Close"},
                                         std::pair{worksheets.Get(), u"Count"}, std::pair{summary.Get(), u"Name"},
                                         std::pair{summary_cell.Get(), u"Address"}, std::pair{data.Get(), u"Name"},
                                         std::pair{windows.Get(), u"Count"}, std::pair{window.Get(), u"Visible"}}) {
        SCOPED_TRACE(utf8(member));
        CallResult r = call(target, member);
        EXPECT_EQ(hex(r.hr), hex(disconnected));
        EXPECT_FALSE(r.exception_filled);
    }
    EXPECT_EQ(text_of(object(application_.Get(), u"Workbooks").Get(), u"Count"), "I4 1");
}

TEST_F(StandinCom, SelectNeedsTheActiveSheetOfTheActiveWorkbook) {
    ComPtr<IDispatch> summary = sheet(u"Summary");
    ComPtr<IDispatch> data = sheet(u"Data");
    ComPtr<IDispatch> summary_cell = range(u"Summary", u"C3:D4");
    ComPtr<IDispatch> data_cell = range(u"Data", u"B5");
    ComPtr<IDispatch> other_book = object(object(application_.Get(), u"Workbooks").Get(), u"Item", {2});
    const std::u16string select_failed = u"Select method of Range class failed";

    ASSERT_EQ(hex(call(summary_cell.Get(), u"Select").hr), hex(S_OK));
    EXPECT_EQ(budget_->sheet(u"Summary")->selection(), (standin::CellPos{3, 3}));
    expect_host_failure(call(data_cell.Get(), u"Select"), error_1004, select_failed);

    ASSERT_EQ(hex(call(data.Get(), u"Activate").hr), hex(S_OK));
    ASSERT_EQ(hex(call(data_cell.Get(), u"Select").hr), hex(S_OK));
    EXPECT_EQ(budget_->sheet(u"Data")->selection(), (standin::CellPos{5, 2}));

    // Another workbook in front: the sheet is still active in its own workbook, but not shown.
    ASSERT_EQ(hex(call(other_book.Get(), u"Activate").hr), hex(S_OK));
    EXPECT_EQ(app_->active_workbook(), other_);
    expect_host_failure(call(data_cell.Get(), u"Select"), error_1004, select_failed);

    // Activating a sheet brings its workbook to the front.
    ASSERT_EQ(hex(call(summary.Get(), u"Activate").hr), hex(S_OK));
    EXPECT_EQ(app_->active_workbook(), budget_);
    EXPECT_EQ(budget_->active_sheet(), budget_->sheet(u"Summary"));
    EXPECT_EQ(hex(call(summary_cell.Get(), u"Select").hr), hex(S_OK));
}

TEST_F(StandinCom, TheCallLogRecordsEveryOperation) {
    ComPtr<IDispatch> workbook = book();
    app_->clear_log();
    ComPtr<IDispatch> first = object(workbook.Get(), u"Worksheets", {1});
    ComPtr<IDispatch> within = object(first.Get(), u"Range", {u"A1", u"IV65536"});
    const Arg o = Arg::omitted();
    ComPtr<IDispatch> found = object(within.Get(), u"Find", {u"apple", o, o, o, o, 1, false});
    ASSERT_TRUE(found);
    ASSERT_EQ(hex(call(within.Get(), u"Find", {u"apple", found, o, o, o, 1, false}).hr), hex(S_OK));
    ASSERT_EQ(hex(put(found.Get(), u"Value", 7).hr), hex(S_OK));
    ASSERT_EQ(hex(call(found.Get(), u"Select").hr), hex(S_OK));
    EXPECT_EQ(hex(call(found.Get(), u"Nonsense").hr), hex(DISP_E_UNKNOWNNAME));  // never reaches the model

    struct Expected {
        const char* operation;
        std::vector<std::u16string> arguments;
    };
    const Expected expected[] = {
        {"Workbook.Worksheets", {}},
        {"Sheets.Item", {u"1"}},
        {"Worksheet.Range", {u"A1", u"IV65536"}},
        {"Range.Find", {u"apple", u"", u"", u"", u"", u"1", u"FALSE"}},
        {"Range.Find", {u"apple", u"$B$2", u"", u"", u"", u"1", u"FALSE"}},
        {"Range.Value=", {u"7"}},
        {"Range.Select", {}},
    };
    const auto& log = app_->call_log();
    ASSERT_EQ(log.size(), std::size(expected));
    for (std::size_t i = 0; i < log.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(log[i].operation, expected[i].operation);
        EXPECT_EQ(log[i].arguments, expected[i].arguments);
    }
}

TEST_F(StandinCom, InvokeFollowsTheDispatchRules) {
    ComPtr<IDispatch> cell = range(u"Summary", u"B2");
    DISPID address = 0;
    DISPID find = 0;
    ASSERT_EQ(hex(tarvex::test::dispid_of(cell.Get(), u"Address", &address)), hex(S_OK));
    ASSERT_EQ(hex(tarvex::test::dispid_of(cell.Get(), u"Find", &find)), hex(S_OK));
    struct Row {
        const char* label;
        DISPID dispid;
        WORD flags;
        std::vector<Arg> args;
        HRESULT hr;
    };
    const Row rows[] = {
        {"method call", find, DISPATCH_METHOD, {u"apple"}, S_OK},
        {"property get", address, DISPATCH_PROPERTYGET, {}, S_OK},
        {"both, as VB sets them", address, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, S_OK},
        {"no flags", address, 0, {}, DISP_E_MEMBERNOTFOUND},
        {"put on a read-only property", address, DISPATCH_PROPERTYPUT, {}, DISP_E_MEMBERNOTFOUND},
        {"put by reference", address, DISPATCH_PROPERTYPUTREF, {}, DISP_E_MEMBERNOTFOUND},
        {"unknown DISPID", 4711, DISPATCH_METHOD, {}, DISP_E_MEMBERNOTFOUND},
        {"too many arguments", address, DISPATCH_PROPERTYGET, {1, 1, 1, 1, 1, 1}, DISP_E_BADPARAMCOUNT},
        {"optional arguments accepted", address, DISPATCH_PROPERTYGET, {1, 1, 1, 1, 1}, S_OK},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(hex(invoke(cell.Get(), row.dispid, row.flags, row.args).hr), hex(row.hr));
    }

    // Malformed calls are refused without touching anything.
    tarvex::test::Variant result;
    EXPECT_EQ(
        hex(cell->Invoke(address, IID_IDispatch, 0, DISPATCH_PROPERTYGET, nullptr, result.put(), nullptr, nullptr)),
        hex(DISP_E_UNKNOWNINTERFACE));
    EXPECT_EQ(hex(cell->Invoke(address, IID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, result.put(), nullptr, nullptr)),
              hex(E_INVALIDARG));
    DISPPARAMS no_array{nullptr, nullptr, 2, 0};
    EXPECT_EQ(hex(cell->Invoke(address, IID_NULL, 0, DISPATCH_PROPERTYGET, &no_array, result.put(), nullptr, nullptr)),
              hex(E_INVALIDARG));
    // Named arguments other than a put's value: no member publishes parameter names.
    VARIANTARG argument;
    ::VariantInit(&argument);
    DISPID named = 1;
    DISPPARAMS with_named{&argument, &named, 1, 1};
    EXPECT_EQ(
        hex(cell->Invoke(address, IID_NULL, 0, DISPATCH_PROPERTYGET, &with_named, result.put(), nullptr, nullptr)),
        hex(DISP_E_NONAMEDARGS));
    // No result wanted, no EXCEPINFO given: the call still runs and fails cleanly.
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(hex(cell->Invoke(address, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr)),
              hex(S_OK));
    ComPtr<IDispatch> whole = range(u"Summary", u"A1:IV65536");
    DISPID value = 0;
    ASSERT_EQ(hex(tarvex::test::dispid_of(whole.Get(), u"Value", &value)), hex(S_OK));
    EXPECT_EQ(hex(whole->Invoke(value, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr)),
              hex(DISP_E_EXCEPTION));
}

TEST_F(StandinCom, ObjectsKeepTheModelAliveAndAreFreedWithTheLastReference) {
    ComPtr<IDispatch> cell = range(u"Summary", u"B2");
    const int with_cell = standin::live_object_count();
    EXPECT_GE(with_cell, 2);  // the application and the cell at least

    // Everything above the cell is released, the model with it: the cell still works.
    application_.Reset();
    app_.reset();
    budget_.reset();
    other_.reset();
    EXPECT_EQ(standin::live_object_count(), 1);
    EXPECT_EQ(text_of(cell.Get(), u"Text"), "BSTR Apple");

    // Objects handed around as arguments and results are released with their holders.
    ComPtr<IDispatch> found = object(cell.Get(), u"Find", {u"apple", cell});
    EXPECT_EQ(standin::live_object_count(), 2);
    found.Reset();
    cell.Reset();
    EXPECT_EQ(standin::live_object_count(), 0);
}

}  // namespace
