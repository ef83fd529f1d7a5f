#include "engine/command_texts.h"
#include "engine/search_session.h"

#include <gtest/gtest.h>

#include <map>

#include "base/text.h"
#include "support/fake_controls.h"
#include "support/host_fakes.h"
#include "support/standin_host.h"

using tarvex::MessageAnswer;
using tarvex::MessageButtons;
using tarvex::MessageIcon;
using tarvex::MousePointer;
using tarvex::u16;
using tarvex::testing::add_book;
using tarvex::testing::FakeMainWindow;

namespace {

using Rows = std::vector<std::string>;

constexpr char three_sheets[] =
    "sheet First\n"
    "A1|apple\n"
    "B2|Apple pie\n"
    "C3|pear\n"
    "sheet Chart\n"
    "sheet Second\n"
    "A1|nothing here\n"
    "chart Graph\n"
    "sheet Third\n"
    "A1|APPLE\n"
    "IV65536|apple at the corner\n"
    "IW1|apple beyond column IV\n"
    "A65537|apple beyond row 65536\n";

class Commands : public ::testing::Test {
protected:
    void open(const char* text, const char16_t* name = u"Book.wb") {
        add_book(*app, text, name);
        window.session.attach(tarvex::testing::make_standin_host(app));
    }

    void find(const char* text) {
        window.search.set_text(u16(text));
        window.session.cmdFind_Click();
    }

    Rows rows() const {
        Rows out;
        const auto& list = window.rows();
        for (std::size_t i = 0; i < list.size(); ++i) {
            const auto& r = list.row(i);
            out.push_back(tarvex::utf16_to_utf8(r.sheet + u"!" + r.address + u"=" + r.content));
        }
        return out;
    }

    std::string cell_formula(const char16_t* sheet, standin::CellPos p) const {
        const standin::Cell* c = app->active_workbook()->sheet(sheet)->cell(p);
        return c ? tarvex::utf16_to_utf8(c->formula_text()) : "";
    }

    void tick(std::initializer_list<std::size_t> indices) {
        for (std::size_t i : indices) {
            window.rows().set_ticked(i, true);
        }
    }

    std::shared_ptr<standin::Application> app = std::make_shared<standin::Application>();
    FakeMainWindow window;
};

}  // namespace

TEST_F(Commands, FindListsEveryWorksheetInTabOrderWithA1Last) {
    open(three_sheets);
    find("apple");
    // Chart sheets and cells beyond IV65536 are not listed; within a sheet the
    // walk starts after A1 and meets A1 last; case is ignored.
    EXPECT_EQ(rows(), (Rows{"First!$B$2=Apple pie", "First!$A$1=apple", "Third!$IV$65536=apple at the corner",
                            "Third!$A$1=APPLE"}));
    EXPECT_EQ(window.status_text(), u"Done(4 matches)  ...");
    EXPECT_EQ(window.screen.history, (std::vector<MousePointer>{MousePointer::hourglass, MousePointer::standard}));
    for (std::size_t i = 0; i < window.rows().size(); ++i) {
        EXPECT_FALSE(window.rows().row(i).ticked);
    }
}

TEST_F(Commands, FindShowsTheDisplayedTextAndHonoursEscapesAndBlanks) {
    open("sheet S\nA1|1234.5|format=$#,##0.00\nB1|tab\there\nC1| padded \nD1|padded\n");
    find("1234.5");
    EXPECT_EQ(rows(), (Rows{"S!$A$1=$1,234.50"}));
    find("*^TB*");
    EXPECT_EQ(rows(), (Rows{"S!$B$1=tab\there"}));
    // The search text is not trimmed: leading and trailing blanks are searched for.
    find(" padded ");
    EXPECT_EQ(rows(), (Rows{"S!$C$1= padded "}));
}

TEST_F(Commands, BlankSearchTextChangesNothing) {
    open(three_sheets);
    find("apple");
    const Rows before = rows();
    window.status.set_text(u"Status", u"kept");
    for (const char* blank : {"", "   "}) {
        find(blank);
        EXPECT_EQ(rows(), before);
        EXPECT_EQ(window.status_text(), u"kept");
    }
    EXPECT_EQ(window.screen.history.size(), 2u);  // only the first Find set the pointer
}

TEST_F(Commands, NoMatchGivesAnEmptyListAndZeroCount) {
    open(three_sheets);
    find("apple");
    find("banana");
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(window.status_text(), u"Done(0 matches)  ...");
}

TEST_F(Commands, RefusedSearchShowsTheMessageAndListsNothing) {
    open(three_sheets);
    find("apple");
    // On First one call finds C3 and a second comes back to it; the host refuses
    // the third, the first search call on Second.
    app->fail_call("Range.Find", 3, standin::hr::call_rejected);
    find("pear");
    ASSERT_EQ(window.messages.shown.size(), 1u);
    const auto& message = window.messages.shown[0];
    EXPECT_EQ(message.text,
              u"Can not search the current spread sheet.\r\nIf you are currently editing any cells "
              u"finish making changes and commit them please.");
    EXPECT_EQ(message.title, u"");  // the application title
    EXPECT_EQ(message.buttons, MessageButtons::ok);
    EXPECT_EQ(message.icon, MessageIcon::none);
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(window.status_text(), u"Done..");
    EXPECT_EQ(window.screen.current, MousePointer::standard);
}

TEST_F(Commands, FailuresBeforeTheFirstSearchCallEndFindCleanly) {
    // No workbook at all.
    window.session.attach(tarvex::testing::make_standin_host(app));
    find("x");
    EXPECT_TRUE(window.messages.shown.empty());
    EXPECT_EQ(window.status_text(), u"Done..");
    EXPECT_EQ(window.screen.current, MousePointer::standard);

    // A refused call for the active workbook shows the refusal message.
    open(three_sheets);
    find("apple");
    app->set_refusing(true);
    find("apple");
    app->set_refusing(false);
    EXPECT_EQ(window.messages.shown.size(), 1u);
    EXPECT_EQ(rows().size(), 4u);  // the list is unchanged
    EXPECT_EQ(window.status_text(), u"Done..");
    EXPECT_EQ(window.screen.current, MousePointer::standard);

    // Another workbook is active now, but its worksheets cannot be listed: the
    // rows and the workbook they belong to stay, so a replace still writes there.
    const auto first = app->active_workbook();
    add_book(*app, "sheet S\nA1|apple\n", u"Other.wb");
    app->fail_call("Workbook.Worksheets", 1, standin::hr::application_defined);
    find("apple");
    EXPECT_EQ(rows().size(), 4u);
    EXPECT_EQ(window.status_text(), u"Done..");
    window.rows().set_ticked(1, true);  // First!$A$1
    window.replace.set_text(u"plum");
    window.session.cmdReplace_Click();
    EXPECT_EQ(tarvex::utf16_to_utf8(first->sheet(u"First")->cell({1, 1})->formula_text()), "plum");
    EXPECT_EQ(tarvex::utf16_to_utf8(app->active_workbook()->sheet(u"S")->cell({1, 1})->formula_text()), "apple");
}

TEST_F(Commands, TolerantModeSkipsFailuresAfterTheFirstSearchCall) {
    open(three_sheets);
    // A non-refusal failure of a first search call drops that worksheet only.
    app->fail_call("Range.Find", 1, standin::hr::application_defined);
    find("apple");
    EXPECT_EQ(rows(), (Rows{"Third!$IV$65536=apple at the corner", "Third!$A$1=APPLE"}));
    // A cell whose text cannot be read back keeps an empty content.
    app->fail_call("Range.Text", 2, standin::hr::application_defined);
    find("apple");
    EXPECT_EQ(rows()[1], "First!$A$1=");
    EXPECT_EQ(rows().size(), 4u);
    // A failed later search call ends that sheet's walk with what it had.
    app->fail_call("Range.Find", 2, standin::hr::application_defined);
    find("apple");
    EXPECT_EQ(rows(), (Rows{"First!$B$2=Apple pie", "Third!$IV$65536=apple at the corner", "Third!$A$1=APPLE"}));
    EXPECT_TRUE(window.messages.shown.empty());
}

TEST_F(Commands, FindUsesTheActiveWorkbookAndMakesItTheTarget) {
    open("sheet S\nA1|one\n", u"One.wb");
    open("sheet S\nB2|one too\n", u"Two.wb");
    app->activate(app->workbooks()[0]);
    find("one");
    EXPECT_EQ(rows(), (Rows{"S!$A$1=one"}));
    // Replacing now writes into the workbook that was searched, not the one
    // active when the window opened.
    window.replace.set_text(u"two");
    window.rows().set_ticked(0, true);
    window.session.cmdReplace_Click();
    EXPECT_EQ(tarvex::utf16_to_utf8(app->workbooks()[0]->sheet(u"S")->cell({1, 1})->formula_text()), "two");
    EXPECT_EQ(tarvex::utf16_to_utf8(app->workbooks()[1]->sheet(u"S")->cell({2, 2})->formula_text()), "one too");
}

TEST_F(Commands, FindKeepsTheChosenSortOrder) {
    open("sheet S\nA1|b\nA2|c\nA3|a\n");
    window.rows().set_sort_column(2);
    window.rows().set_sort_order(tarvex::SortOrder::descending);
    window.rows().set_sorted(true);
    find("?");
    EXPECT_EQ(rows(), (Rows{"S!$A$2=c", "S!$A$1=b", "S!$A$3=a"}));
}

TEST_F(Commands, EmptyReplacementAsksFirstAndNoChangesNothing) {
    open("sheet S\nA1|apple\nA2|apple tart\n");
    find("apple");
    tick({0});
    window.status.set_text(u"Status", u"before");
    window.messages.answers = {MessageAnswer::no};
    window.session.cmdReplace_Click();
    ASSERT_EQ(window.messages.shown.size(), 1u);
    const auto& question = window.messages.shown[0];
    EXPECT_EQ(question.text,
              u"This action can not be undone.\r\nAre you sure you want to clear the content of the selected Cells?");
    EXPECT_EQ(question.buttons, MessageButtons::yes_no);
    EXPECT_EQ(question.icon, MessageIcon::critical);
    EXPECT_EQ(question.default_button, 1);
    EXPECT_EQ(window.status_text(), u"before");
    EXPECT_EQ(cell_formula(u"S", {2, 1}), "apple tart");
    EXPECT_TRUE(window.rows().row(0).ticked);

    // Yes in text mode deletes only the occurrences; in whole-cell mode it empties.
    window.messages.answers = {MessageAnswer::yes};
    window.session.cmdReplace_Click();
    EXPECT_EQ(cell_formula(u"S", {2, 1}), " tart");
    EXPECT_EQ(cell_formula(u"S", {1, 1}), "apple");
    window.entire_cell.checked = 1;
    window.messages.answers = {MessageAnswer::yes};
    window.session.cmdReplaceAll_Click();
    EXPECT_EQ(app->active_workbook()->sheet(u"S")->cell({1, 1}), nullptr);
}

TEST_F(Commands, ReplacementTextsThatAreNotEmptyAskNothing) {
    open("sheet S\nA1|a-b\nA2|c-d\n");
    find("-");  // rows: A2, A1
    tick({0});
    window.replace.set_text(u" ");
    window.session.cmdReplace_Click();
    tick({0});  // the list was rebuilt: A1 alone
    window.replace.set_text(u"^TB");
    window.session.cmdReplace_Click();
    EXPECT_TRUE(window.messages.shown.empty());
    EXPECT_EQ(cell_formula(u"S", {2, 1}), "c d");
    EXPECT_EQ(cell_formula(u"S", {1, 1}), "a\tb");
}

TEST_F(Commands, TextModeReplacesInsideTheFormulaText) {
    open(
        "sheet S\n"
        "A1|aaa\n"
        "A2|banana\n"
        "A3|ABC\n"
        "A4|=A1&\"x\"|value=aaax\n"
        "A5|=B1|value=abc here\n");
    struct Case {
        const char* search;
        const char* replacement;
        standin::CellPos cell;
        const char* expected;
    };
    const Case cases[] = {
        {"aa", "b", {1, 1}, "ba"},         {"a", "aa", {2, 1}, "baanaanaa"},
        {"abc", "x", {3, 1}, "ABC"},        // the replacement is case-sensitive
        {"A1", "A2", {4, 1}, "=A2&\"x\""},  // inside the formula
        {"abc", "zzz", {5, 1}, "=B1"},      // only the value holds it: unchanged
    };
    for (const Case& c : cases) {
        window.search.set_text(u16(c.search));
        window.replace.set_text(u16(c.replacement));
        window.rows().clear();
        window.rows().append({tarvex::ResultRow{u"S", standin::address(c.cell), u"", true}});
        window.session.cmdReplace_Click();
        EXPECT_EQ(cell_formula(u"S", c.cell), c.expected) << c.search;
    }
}

TEST_F(Commands, UnchangedCellsAreNotWrittenBack) {
    // Writing 007 back would turn the text into the number 7.
    open("sheet S\nA1|'007\nA2|007 and more\n");
    find("007");
    window.search.set_text(u"zzz");
    window.replace.set_text(u"y");
    window.session.cmdReplaceAll_Click();
    const standin::Cell* c = app->active_workbook()->sheet(u"S")->cell({1, 1});
    EXPECT_EQ(c->value.kind, standin::ValueKind::text);
    for (const auto& call : app->call_log()) {
        EXPECT_NE(call.operation, "Range.Value=");
        EXPECT_NE(call.operation, "Range.Formula=");
    }
}

TEST_F(Commands, ReplaceWritesOnlyTickedRowsThenSearchesAgain) {
    open("sheet S\nA1|cat\nA2|cat\nA3|cat\n");
    find("cat");
    tick({0, 2});
    window.replace.set_text(u"dog");
    window.session.cmdReplace_Click();
    // The rows stand A2, A3, A1 (A1 is met last), so the ticks are on A2 and A1.
    EXPECT_EQ(cell_formula(u"S", {1, 1}), "dog");
    EXPECT_EQ(cell_formula(u"S", {2, 1}), "dog");
    EXPECT_EQ(cell_formula(u"S", {3, 1}), "cat");
    EXPECT_EQ(rows(), (Rows{"S!$A$3=cat"}));
    EXPECT_EQ(window.status_text(), u"Done ...");
    EXPECT_EQ(window.screen.current, MousePointer::standard);
}

TEST_F(Commands, ReplaceAllIgnoresTicksAndWholeCellWritesEvenWithoutTheText) {
    open("sheet S\nA1|red\nA2|red wine\nA3|=1+1|value=2\n");
    find("red");
    window.search.set_text(u"no longer there");
    window.entire_cell.checked = 1;
    window.replace.set_text(u"blue");
    window.session.cmdReplaceAll_Click();
    EXPECT_EQ(cell_formula(u"S", {1, 1}), "blue");
    EXPECT_EQ(cell_formula(u"S", {2, 1}), "blue");
    EXPECT_EQ(cell_formula(u"S", {3, 1}), "=1+1");  // never listed, never written
}

TEST_F(Commands, NoTickedRowStillSearchesAgain) {
    open("sheet S\nA1|cat\n");
    find("cat");
    window.replace.set_text(u"dog");
    window.status.set_text(u"Status", u"x");
    window.session.cmdReplace_Click();
    EXPECT_EQ(cell_formula(u"S", {1, 1}), "cat");
    EXPECT_EQ(rows(), (Rows{"S!$A$1=cat"}));
    EXPECT_EQ(window.status_text(), u"Done ...");
}

TEST_F(Commands, BlankSearchBoxKeepsRowsAndTicksAfterReplace) {
    open("sheet S\nA1|cat\n");
    find("cat");
    tick({0});
    window.search.set_text(u"");
    window.replace.set_text(u"dog");
    window.session.cmdReplace_Click();
    // An empty search text replaces nothing; the list is not rebuilt.
    EXPECT_EQ(cell_formula(u"S", {1, 1}), "cat");
    EXPECT_TRUE(window.rows().row(0).ticked);
    EXPECT_EQ(window.status_text(), u"Done ...");
}

TEST_F(Commands, InvalidFormulaFallsBackToTheValueText) {
    // Replacing "1" by "(" in =1+1 gives an invalid formula (error 1004, a positive
    // number), so the replacement is made in the value's text instead: 21 gives 2(.
    open("sheet S\nA1|=1+1|value=21\n");
    window.rows().append({tarvex::ResultRow{u"S", u"$A$1", u"", true}});
    window.search.set_text(u"1");
    window.replace.set_text(u"(");
    window.session.cmdReplace_Click();
    EXPECT_EQ(cell_formula(u"S", {1, 1}), "2(");
    EXPECT_TRUE(window.messages.shown.empty());
}

TEST_F(Commands, RefusedWriteGetsNoValueFallback) {
    // Each way the host says busy, the in-process one with its positive error
    // number included.
    for (const std::int32_t code : {standin::hr::call_rejected, standin::hr::retry_later, standin::hr::host_busy}) {
        SCOPED_TRACE(code);
        app = std::make_shared<standin::Application>();
        // Cells apart, so that each is written alone.
        open("sheet S\nA1|abc\nA3|abc\n");
        find("abc");
        app->clear_log();
        app->fail_call("Range.Formula=", 1, code);
        window.replace.set_text(u"x");
        window.session.cmdReplaceAll_Click();
        // The refused cell keeps its text and no value-based write was tried for it;
        // the next row is still handled.
        EXPECT_EQ(cell_formula(u"S", {3, 1}), "abc");
        EXPECT_EQ(cell_formula(u"S", {1, 1}), "x");
        // One write per row: the refused one was not tried a second way.
        int writes = 0;
        for (const auto& call : app->call_log()) {
            writes += call.operation == "Range.Formula=" || call.operation == "Range.Value=";
        }
        EXPECT_EQ(writes, 2);
        EXPECT_EQ(window.status_text(), u"Done (1 cell not written) ...");
    }
}

TEST_F(Commands, DeletedOrRenamedSheetIsSkippedInTextMode) {
    open("sheet A\nA1|cat\nsheet B\nA1|cat\nsheet C\nA1|cat\n");
    find("cat");
    app->active_workbook()->rename_sheet(u"B", u"Renamed");
    window.replace.set_text(u"dog");
    // Rows are A, B, C; the first row switches the run to tolerant mode.
    window.session.cmdReplaceAll_Click();
    EXPECT_EQ(cell_formula(u"A", {1, 1}), "dog");
    EXPECT_EQ(cell_formula(u"Renamed", {1, 1}), "cat");
    EXPECT_EQ(cell_formula(u"C", {1, 1}), "dog");
    EXPECT_TRUE(window.messages.shown.empty());
    // The skipped row is not passed over in silence; the next Find lists it again.
    EXPECT_EQ(window.status_text(), u"Done (1 cell not written) ...");
    EXPECT_EQ(rows(), (Rows{"Renamed!$A$1=cat"}));
}

TEST_F(Commands, FailureOutsideTolerantModeStopsBeforeAnyFurtherWrite) {
    open("sheet A\nA1|cat\nsheet B\nA1|cat\n");
    find("cat");
    app->active_workbook()->delete_sheet(u"A");
    window.entire_cell.checked = 1;
    window.replace.set_text(u"dog");
    window.session.cmdReplaceAll_Click();
    EXPECT_EQ(cell_formula(u"B", {1, 1}), "cat");
    ASSERT_EQ(window.messages.shown.size(), 1u);
    EXPECT_EQ(window.messages.shown[0].text, u"Subscript out of range");
    EXPECT_EQ(window.messages.shown[0].title, u"");
    EXPECT_EQ(window.status_text(), u"Done ..");
    EXPECT_EQ(window.screen.current, MousePointer::standard);
    // Find was not run again: the rows are still the old ones.
    EXPECT_EQ(rows().size(), 2u);
}

TEST_F(Commands, GoToActivatesTheSheetAndSelectsTheCell) {
    open("sheet A\nA1|x\nsheet B\nC7|x\nactive A\n");
    find("x");
    window.selected = std::nullopt;
    window.session.lvwMain_DblClick();
    EXPECT_EQ(app->active_workbook()->active_sheet()->name(), u"A");

    window.selected = 1;  // B!$C$7
    window.session.lvwMain_DblClick();
    const auto book = app->active_workbook();
    EXPECT_EQ(book->active_sheet()->name(), u"B");
    EXPECT_EQ(book->active_sheet()->selection(), (standin::CellPos{7, 3}));
    EXPECT_TRUE(window.messages.shown.empty());

    // A sheet deleted since: nothing happens to the workbook, the user is told.
    book->delete_sheet(u"A");
    window.selected = 0;
    app->clear_log();
    window.session.lvwMain_DblClick();
    EXPECT_EQ(window.messages.shown.size(), 1u);
    EXPECT_EQ(book->active_sheet()->name(), u"B");
    for (const auto& call : app->call_log()) {
        EXPECT_NE(call.operation, "Range.Select");
    }
}

TEST_F(Commands, FindAndReplaceRecordTheirTextsAndKeepTheBoxes) {
    open("sheet S\nA1|cat\n");
    find("cat");
    // The box was refilled from the recent list and given its text back.
    EXPECT_EQ(window.search.text(), u"cat");
    EXPECT_EQ(window.search.items, (std::vector<std::u16string>{u"cat", u""}));
    find("^TB");  // recorded raw, not expanded
    EXPECT_EQ(window.search.items, (std::vector<std::u16string>{u"^TB", u"cat", u""}));

    window.search.set_text(u"cat");
    window.replace.set_text(u"dog");
    window.session.cmdReplaceAll_Click();
    EXPECT_EQ(window.replace.text(), u"dog");
    EXPECT_EQ(window.replace.items, (std::vector<std::u16string>{u"dog", u""}));
    EXPECT_EQ(window.registry.get_text(tarvex::hkey_current_user, tarvex::application_key, u"SearchMRU_1"), u"cat");

    // An empty replacement is not recorded; a refused Find records nothing.
    window.replace.set_text(u"");
    window.messages.answers = {MessageAnswer::yes};
    window.session.cmdReplaceAll_Click();
    EXPECT_EQ(window.registry.get_text(tarvex::hkey_current_user, tarvex::application_key, u"ReplaceMRU_1"), u"dog");
    app->set_refusing(true);
    find("refused");
    EXPECT_EQ(window.registry.get_text(tarvex::hkey_current_user, tarvex::application_key, u"SearchMRU_1"), u"cat");
}

namespace {

// One cell whose host applies a write and still reports a failure, as a host
// does when a recalculation it starts after the write fails.
struct AppliedButFailedCell {
    std::u16string formula;
    int writes = 0;
};

class AppliedButFailedRange final : public tarvex::testing::FakeRangeBase {
public:
    explicit AppliedButFailedRange(AppliedButFailedCell& cell) : cell_(cell) {}
    std::u16string address() override { return u"$A$1"; }
    std::u16string text() override { return cell_.formula; }
    std::u16string formula() override { return cell_.formula; }
    std::optional<std::u16string> value_text() override { return cell_.formula; }
    bool holds_text() override { return true; }
    void set_value(const std::u16string& value) override {
        cell_.formula = value;
        if (++cell_.writes == 1) {
            throw tarvex::HostError{static_cast<std::int32_t>(0x800A03EC),
                                    u"Application-defined or object-defined error", u"Host"};
        }
    }
    void select() override {}

private:
    AppliedButFailedCell& cell_;
};

class OneCellSheet final : public tarvex::testing::FakeSheetBase {
public:
    explicit OneCellSheet(AppliedButFailedCell& cell) : cell_(cell) {}
    std::u16string name() override { return u"S"; }
    void activate() override {}
    std::unique_ptr<tarvex::HostRange> range(const std::u16string&) override {
        return std::make_unique<AppliedButFailedRange>(cell_);
    }
    std::unique_ptr<tarvex::HostRange> range(const std::u16string&, const std::u16string&) override {
        return std::make_unique<AppliedButFailedRange>(cell_);
    }

private:
    AppliedButFailedCell& cell_;
};

class OneCellBook final : public tarvex::testing::FakeWorkbookBase {
public:
    explicit OneCellBook(AppliedButFailedCell& cell) : cell_(cell) {}
    void activate() override {}
    std::vector<std::unique_ptr<tarvex::HostSheet>> worksheets() override { return {}; }
    std::unique_ptr<tarvex::HostSheet> sheet(const std::u16string&) override {
        return std::make_unique<OneCellSheet>(cell_);
    }

private:
    AppliedButFailedCell& cell_;
};

class OneBookApplication final : public tarvex::testing::FakeApplicationBase {
public:
    explicit OneBookApplication(std::shared_ptr<tarvex::HostWorkbook> book) : book_(std::move(book)) {}
    std::shared_ptr<tarvex::HostWorkbook> active_workbook() override { return book_; }

private:
    std::shared_ptr<tarvex::HostWorkbook> book_;
};

TEST(ReplaceTextMode, AWriteTheHostAppliedDespiteItsFailureIsNotReplacedAgain) {
    AppliedButFailedCell cell{u"Havana"};
    FakeMainWindow window;
    window.session.attach(std::make_shared<OneBookApplication>(std::make_shared<OneCellBook>(cell)));
    window.search.set_text(u"ana");
    window.replace.set_text(u"[[ana]]");
    window.rows().append({tarvex::ResultRow{u"S", u"$A$1", u"Havana", true}});

    window.session.cmdReplace_Click();

    EXPECT_EQ(cell.formula, u"Hav[[ana]]");
    EXPECT_EQ(cell.writes, 1) << "the value-based second write must not run over the replaced text";
}

}  // namespace

namespace {

TEST_F(Commands, EveryWayTheHostSaysBusyIsARefusal) {
    const std::int32_t busy_codes[] = {standin::hr::call_rejected, standin::hr::retry_later, standin::hr::host_busy};
    open(three_sheets);
    for (const std::int32_t code : busy_codes) {
        SCOPED_TRACE(code);
        // At the first search call of a worksheet.
        window.messages.shown.clear();
        app->fail_call("Range.Find", 1, code);
        find("pear");
        ASSERT_EQ(window.messages.shown.size(), 1u);
        EXPECT_EQ(window.messages.shown[0].text, tarvex::command_texts::refusal);
        EXPECT_TRUE(rows().empty());
        EXPECT_EQ(window.status_text(), u"Done..");

        // Before it: the workbook's worksheets cannot even be listed.
        find("apple");
        window.messages.shown.clear();
        app->set_refusing(true, code);
        find("apple");
        app->set_refusing(false);
        ASSERT_EQ(window.messages.shown.size(), 1u);
        EXPECT_EQ(window.messages.shown[0].text, tarvex::command_texts::refusal);
        EXPECT_EQ(rows().size(), 4u) << "the list stays as it was";
        EXPECT_EQ(window.status_text(), u"Done..");
        EXPECT_EQ(window.screen.current, MousePointer::standard);
    }
    // Any other failure before the first search call says nothing.
    window.messages.shown.clear();
    app->set_refusing(true, standin::hr::application_defined);
    find("apple");
    app->set_refusing(false);
    EXPECT_TRUE(window.messages.shown.empty());
}

}  // namespace

namespace {

TEST_F(Commands, FindSaysHowManyHostCallsItPassedOver) {
    open(three_sheets);
    find("pear");
    EXPECT_EQ(window.status_text(), u"Done(1 matches)  ...");
    // The displayed text of one match cannot be read back.
    app->fail_call("Range.Text", 1, standin::hr::application_defined);
    find("apple");
    EXPECT_EQ(rows().size(), 4u);
    EXPECT_EQ(window.status_text(), u"Done(4 matches, 1 not read)  ...");
    // The same search without faults is plain again.
    find("apple");
    EXPECT_EQ(window.status_text(), u"Done(4 matches)  ...");
}

}  // namespace

namespace {

TEST_F(Commands, FindMakesThreeHostCallsPerMatch) {
    // One worksheet, many matches: per match one Find, one Address, one Text.
    std::string sheet = "sheet S\n";
    constexpr int matches = 50;
    for (int row = 1; row <= matches; ++row) {
        sheet += "A" + std::to_string(row) + "|apple " + std::to_string(row) + "\n";
    }
    open(sheet.c_str());
    app->clear_log();
    find("apple");
    ASSERT_EQ(rows().size(), static_cast<std::size_t>(matches));
    std::map<std::string, int> calls;
    for (const auto& call : app->call_log()) {
        ++calls[call.operation];
    }
    EXPECT_EQ(calls["Range.Find"], matches + 1);     // the last one comes round to the first match
    EXPECT_EQ(calls["Range.Address"], matches + 1);  // and its address says so
    EXPECT_EQ(calls["Range.Text"], matches);
    EXPECT_EQ(calls["Workbook.Sheets"], 0) << "no cell is looked up again by its sheet's name";
    // Each row has the text of its own cell (the walk starts after A1, so A1 comes last).
    EXPECT_EQ(rows().front(), "S!$A$2=apple 2");
    EXPECT_EQ(rows().back(), "S!$A$1=apple 1");
}

}  // namespace

namespace {

TEST_F(Commands, ReplaceLeavesItsClosingFindToSayWhenThatFindIsIncomplete) {
    const std::int32_t busy_codes[] = {standin::hr::call_rejected, standin::hr::retry_later, standin::hr::host_busy};
    for (const std::int32_t code : busy_codes) {
        SCOPED_TRACE(code);
        app = std::make_shared<standin::Application>();
        open("sheet S\nA1|cat\nA2|cat\nA3|cat\n");
        find("cat");
        window.messages.shown.clear();
        window.replace.set_text(u"dog");
        // Every cell is written; the host turns busy as the closing Find starts.
        app->fail_call("Application.ActiveWorkbook", 1, code);
        window.session.cmdReplaceAll_Click();
        EXPECT_EQ(cell_formula(u"S", {1, 1}), "dog");
        EXPECT_EQ(cell_formula(u"S", {3, 1}), "dog");
        ASSERT_EQ(window.messages.shown.size(), 1u);
        EXPECT_EQ(window.messages.shown[0].text, tarvex::command_texts::refusal);
        EXPECT_EQ(window.status_text(), u"Done..") << "not the plain success of a replace";
        EXPECT_EQ(window.screen.current, MousePointer::standard);
    }

    // A closing Find that passed over a call keeps its own status.
    app = std::make_shared<standin::Application>();
    open("sheet S\nA1|cat\nA2|cat\nA3|cat\n");
    find("cat");
    tick({0});
    app->fail_call("Range.Text", 1, standin::hr::application_defined);
    window.session.cmdReplace_Click();
    EXPECT_EQ(rows().size(), 2u);
    EXPECT_EQ(window.status_text(), u"Done(2 matches, 1 not read)  ...");
}

}  // namespace
