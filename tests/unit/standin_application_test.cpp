#include "model/model.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "base/text.h"

using standin::Application;
using standin::CellPos;
using standin::Direction;
using standin::Failure;
using standin::LookAt;
using standin::LookIn;
using standin::Rect;
using standin::SearchOrder;
using standin::Workbook;
using tarvex::u16;

namespace {

const Rect classic_grid{{1, 1}, {65536, 256}};

template <typename F>
Failure failure_of(F&& action) {
    try {
        action();
    } catch (const Failure& f) {
        return f;
    }
    ADD_FAILURE() << "no failure";
    return {};
}

std::unique_ptr<Workbook> book_named(const char16_t* name) {
    auto book = std::make_unique<Workbook>(name);
    book->add_sheet(u"Sheet1");
    return book;
}

}  // namespace

TEST(StandinApplication, OpensActivatesAndClosesWorkbooks) {
    Application app;
    EXPECT_EQ(app.active_workbook(), nullptr);
    const auto a = app.add_workbook(book_named(u"A.wb"));
    const auto b = app.add_workbook(book_named(u"B.wb"));
    const auto c = app.add_workbook(book_named(u"C.wb"));
    EXPECT_EQ(app.active_workbook(), c);  // the newest is active
    app.activate(a);
    EXPECT_EQ(app.active_workbook(), a);

    app.close(b);  // in the background: the active one stays
    EXPECT_EQ(app.active_workbook(), a);
    EXPECT_FALSE(b->open());
    EXPECT_FALSE(b->sheets()[0]->alive());
    EXPECT_EQ(app.workbooks(), (std::vector<std::shared_ptr<Workbook>>{a, c}));
    EXPECT_EQ(failure_of([&] { app.activate(b); }).hresult, standin::hr::application_defined);
    EXPECT_EQ(failure_of([&] { app.close(b); }).hresult, standin::hr::application_defined);

    app.close(a);  // the active one: the last remaining takes over
    EXPECT_EQ(app.active_workbook(), c);
    EXPECT_TRUE(c->sheets()[0]->alive());
    app.close(c);
    EXPECT_EQ(app.active_workbook(), nullptr);
    EXPECT_TRUE(app.workbooks().empty());

    // A closed workbook's sheet no longer answers Find.
    EXPECT_EQ(failure_of([&] {
                  app.find(*b->sheets()[0], u"x", classic_grid, std::nullopt, {}, {}, {}, Direction::next, false);
              }).hresult,
              standin::hr::object_required);
}

TEST(StandinApplication, OpenFileNamesTheWorkbookAfterTheFile) {
    const auto path = std::filesystem::path(testing::TempDir()) / "standin quarterly.wb";
    {
        std::ofstream out(path, std::ios::binary);
        out << "sheet Numbers\nA1|42\n";
    }
    Application app;
    const auto book = app.open_file(path.string());
    EXPECT_EQ(book->name(), u"standin quarterly.wb");
    EXPECT_EQ(app.active_workbook(), book);
    EXPECT_EQ(book->sheet(u"numbers")->cell({1, 1})->value, standin::Value::of_number(42));
    std::filesystem::remove(path);

    const std::string missing = (std::filesystem::path(testing::TempDir()) / "no such book.wb").string();
    const Failure f = failure_of([&] { app.open_file(missing); });
    EXPECT_EQ(f.hresult, standin::hr::application_defined);
    EXPECT_EQ(f.description.rfind(u"Cannot open " + tarvex::utf8_to_utf16(missing), 0), 0u);
    EXPECT_EQ(failure_of([&] { app.open_file(testing::TempDir()); }).hresult, standin::hr::application_defined);
    EXPECT_EQ(app.workbooks().size(), 1u);
}

TEST(StandinApplication, FindRemembersThePassedOptions) {
    Application app;
    auto book = std::make_unique<Workbook>(u"Book.wb");
    auto& sheet = book->add_sheet(u"Sheet1");
    standin::Cell currency;
    currency.value = standin::Value::of_number(1234.5);
    currency.number_format = u"$#,##0.00";
    sheet.set_cell({1, 2}, currency);              // B1
    sheet.write_value({2, 1}, u"$1,234.50 paid");  // A2
    app.add_workbook(std::move(book));

    EXPECT_EQ(app.held_look_in(), LookIn::formulas);
    EXPECT_EQ(app.held_look_at(), LookAt::part);
    EXPECT_EQ(app.held_order(), SearchOrder::by_rows);
    const auto find = [&](std::optional<LookIn> in, std::optional<LookAt> at, std::optional<SearchOrder> order) {
        return app.find(sheet, u"$1,234.50", classic_grid, std::nullopt, in, at, order, Direction::next, false);
    };
    EXPECT_EQ(find({}, {}, {}), (CellPos{2, 1}));
    EXPECT_EQ(find(LookIn::values, {}, {}), (CellPos{1, 2}));
    EXPECT_EQ(app.held_look_in(), LookIn::values);
    EXPECT_EQ(find({}, {}, SearchOrder::by_columns), (CellPos{2, 1}));  // values still held, now by columns
    EXPECT_EQ(app.held_order(), SearchOrder::by_columns);
    EXPECT_EQ(find({}, LookAt::whole, {}), (CellPos{1, 2}));
    EXPECT_EQ(find({}, {}, {}), (CellPos{1, 2}));  // whole is held
    EXPECT_EQ(find(LookIn::formulas, {}, {}), std::nullopt);
    EXPECT_EQ(app.held_look_at(), LookAt::whole);
}

TEST(StandinApplication, RefusalAndInjectedFaults) {
    Application app;
    app.enter("Range.Find", {u"total", u"$A$1"});
    app.enter("Range.Text");
    ASSERT_EQ(app.call_log().size(), 2u);
    EXPECT_EQ(app.call_log()[0].operation, "Range.Find");
    EXPECT_EQ(app.call_log()[0].arguments, (std::vector<std::u16string>{u"total", u"$A$1"}));
    EXPECT_TRUE(app.call_log()[1].arguments.empty());

    app.set_refusing(true);
    const Failure refused = failure_of([&] { app.enter("Range.Find"); });
    EXPECT_EQ(refused.hresult, standin::hr::call_rejected);
    EXPECT_EQ(refused.description, u"Call was rejected by callee.");
    EXPECT_TRUE(standin::is_channel_failure(refused.hresult));
    EXPECT_EQ(app.call_log().size(), 3u);  // refused calls are logged too
    app.set_refusing(false);

    app.clear_log();
    app.set_logging(false);
    app.enter("Range.Find");
    EXPECT_TRUE(app.call_log().empty());
    app.set_logging(true);

    // The third Range.Find from now fails, once; other operations do not count.
    app.fail_call("Range.Find", 3, standin::hr::disconnected);
    app.enter("Range.Find");
    app.enter("Range.Text");
    app.enter("Range.Find");
    const Failure third = failure_of([&] { app.enter("Range.Find"); });
    EXPECT_EQ(third.hresult, standin::hr::disconnected);
    EXPECT_FALSE(third.description.empty());
    EXPECT_TRUE(standin::is_channel_failure(third.hresult));
    app.enter("Range.Find");

    // Two faults due at the same call fail two calls in a row, each with its own description.
    app.fail_call("Range.Value", 1, standin::hr::application_defined, u"first");
    app.fail_call("Range.Value", 1, standin::hr::type_mismatch, u"second");
    EXPECT_EQ(failure_of([&] { app.enter("Range.Value"); }).description, u"first");
    EXPECT_EQ(failure_of([&] { app.enter("Range.Value"); }).description, u"second");
    app.enter("Range.Value");

    const Failure defaulted = failure_of([&] {
        app.fail_call("Workbook.Sheets", 1, standin::hr::bad_index);
        app.enter("Workbook.Sheets", {u"Gone"});
    });
    EXPECT_EQ(defaulted.description, u"Subscript out of range");
    EXPECT_FALSE(standin::is_channel_failure(defaulted.hresult));
}
