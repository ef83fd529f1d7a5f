#include "model/model.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "base/text.h"

using standin::Cell;
using standin::CellPos;
using standin::Failure;
using standin::SheetKind;
using standin::Value;
using standin::Workbook;
using tarvex::u16;

namespace {

std::vector<std::u16string> names(const std::vector<std::shared_ptr<standin::Sheet>>& sheets) {
    std::vector<std::u16string> result;
    for (const auto& s : sheets) {
        result.push_back(s->name());
    }
    return result;
}

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

// Two workbooks hold the same content when every sheet, cell and setting agrees.
void expect_same(const Workbook& a, const Workbook& b) {
    EXPECT_EQ(a.name(), b.name());
    ASSERT_EQ(names(a.sheets()), names(b.sheets()));
    ASSERT_TRUE(a.active_sheet() && b.active_sheet());
    EXPECT_EQ(a.active_sheet()->name(), b.active_sheet()->name());
    for (std::size_t i = 0; i < a.sheets().size(); ++i) {
        const auto& x = *a.sheets()[i];
        const auto& y = *b.sheets()[i];
        EXPECT_EQ(x.kind(), y.kind());
        EXPECT_EQ(x.selection(), y.selection());
        ASSERT_EQ(x.cell_count(), y.cell_count()) << tarvex::utf16_to_utf8(x.name());
        for (const auto& [key, cell] : x.cells()) {
            const auto other = y.cells().find(key);
            ASSERT_NE(other, y.cells().end());
            EXPECT_EQ(cell.formula, other->second.formula);
            EXPECT_EQ(cell.value, other->second.value) << tarvex::utf16_to_utf8(cell.formula_text());
            EXPECT_EQ(cell.number_format, other->second.number_format);
            EXPECT_EQ(cell.display_override, other->second.display_override);
        }
    }
}

std::string read_sample(const char* name) {
    const auto path = std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "samples" / name;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST(StandinWorkbook, SheetsInTabOrderWithChartsLeftOutOfWorksheets) {
    Workbook book(u"Budget.wb");
    EXPECT_EQ(book.active_sheet(), nullptr);
    book.add_sheet(u"Summary");
    book.add_sheet(u"Trend", SheetKind::chart);
    book.add_sheet(u"Q1");
    EXPECT_EQ(names(book.sheets()), (std::vector<std::u16string>{u"Summary", u"Trend", u"Q1"}));
    EXPECT_EQ(names(book.worksheets()), (std::vector<std::u16string>{u"Summary", u"Q1"}));
    EXPECT_EQ(book.active_sheet()->name(), u"Summary");  // the first one added
    EXPECT_EQ(book.sheet(u"q1"), book.sheets()[2]);
    EXPECT_EQ(book.sheet(u"SUMMARY"), book.sheets()[0]);
    EXPECT_EQ(book.sheet(u"Q2"), nullptr);
    EXPECT_EQ(failure_of([&] { book.add_sheet(u"summary"); }).hresult, standin::hr::application_defined);
    EXPECT_EQ(failure_of([&] { book.add_sheet(u""); }).hresult, standin::hr::application_defined);
    book.activate_sheet(book.sheet(u"Trend"));
    EXPECT_EQ(book.active_sheet()->name(), u"Trend");
}

TEST(StandinWorkbook, RenameAndDeleteAnswerLikeTheHost) {
    Workbook book(u"Budget.wb");
    book.add_sheet(u"A");
    book.add_sheet(u"B");
    book.add_sheet(u"C");

    const Failure missing = failure_of([&] { book.rename_sheet(u"Z", u"Y"); });
    EXPECT_EQ(missing.hresult, standin::hr::bad_index);
    EXPECT_EQ(missing.description, u"Subscript out of range");
    EXPECT_EQ(failure_of([&] { book.rename_sheet(u"A", u"b"); }).hresult, standin::hr::application_defined);
    EXPECT_EQ(failure_of([&] { book.rename_sheet(u"A", u""); }).hresult, standin::hr::application_defined);
    book.rename_sheet(u"a", u"Annual");
    book.rename_sheet(u"Annual", u"ANNUAL");  // its own name in other letters
    EXPECT_EQ(names(book.sheets()), (std::vector<std::u16string>{u"ANNUAL", u"B", u"C"}));

    EXPECT_EQ(failure_of([&] { book.delete_sheet(u"Z"); }).hresult, standin::hr::bad_index);
    const auto b = book.sheet(u"B");
    book.activate_sheet(b);
    book.delete_sheet(u"b");
    EXPECT_FALSE(b->alive());
    EXPECT_EQ(book.active_sheet()->name(), u"C");  // the next one takes over
    EXPECT_EQ(failure_of([&] { book.activate_sheet(b); }).hresult, standin::hr::application_defined);
    book.delete_sheet(u"C");
    EXPECT_EQ(book.active_sheet()->name(), u"ANNUAL");  // none after it: the one before
    book.delete_sheet(u"ANNUAL");
    EXPECT_EQ(book.active_sheet(), nullptr);
    EXPECT_TRUE(book.sheets().empty());
}

TEST(StandinWorkbookFile, LoadsTheDocumentedFormat) {
    const std::string text =
        "\xEF\xBB\xBF# A budget\r\n"
        "workbook Budget 2024.wb\r\n"
        "\r\n"
        "sheet Summary\n"
        "selected B3\n"
        "A1|Grand total\n"
        "B1|1234.5|format=$#,##0.00\n"
        "B2|=SUM(B1:B1)|value=1234.5|format=$#,##0.00\n"
        "B3|=A1|value='=not a formula\n"
        "C1|tab\\there and a \\| bar, a \\\\ and\\na line\n"
        "C2|'007\n"
        "C3|12|text=#####\n"
        "  # an indented comment\n"
        "chart Trend\n"
        "sheet Q1\n"
        "A1|TRUE\n"
        "A2|#n/a\n"
        "active Q1\n";
    const auto book = Workbook::load(text, u"ignored.wb");
    EXPECT_EQ(book->name(), u"Budget 2024.wb");
    EXPECT_EQ(names(book->sheets()), (std::vector<std::u16string>{u"Summary", u"Trend", u"Q1"}));
    EXPECT_EQ(book->sheets()[1]->kind(), SheetKind::chart);
    EXPECT_EQ(book->active_sheet()->name(), u"Q1");

    const auto& summary = *book->sheet(u"Summary");
    EXPECT_EQ(summary.selection(), (CellPos{3, 2}));
    EXPECT_EQ(summary.cell({1, 1})->value, Value::of_text(u"Grand total"));
    EXPECT_EQ(summary.cell({1, 2})->display_text(), u"$1,234.50");
    EXPECT_EQ(summary.cell({2, 2})->formula_text(), u"=SUM(B1:B1)");
    EXPECT_EQ(summary.cell({2, 2})->display_text(), u"$1,234.50");
    EXPECT_EQ(summary.cell({3, 2})->value, Value::of_text(u"=not a formula"));
    EXPECT_EQ(summary.cell({1, 3})->value, Value::of_text(u"tab\there and a | bar, a \\ and\na line"));
    EXPECT_EQ(summary.cell({2, 3})->value, Value::of_text(u"007"));
    EXPECT_EQ(summary.cell({3, 3})->value, Value::of_number(12));
    EXPECT_EQ(summary.cell({3, 3})->display_text(), u"#####");
    const auto& q1 = *book->sheet(u"Q1");
    EXPECT_EQ(q1.cell({1, 1})->value, Value::of_boolean(true));
    EXPECT_EQ(q1.cell({2, 1})->value, Value::of_error(u"#N/A"));

    // Without a workbook line the name is the caller's; without an active line the first sheet is active.
    const auto plain = Workbook::load("sheet One\nsheet Two\n", u"plain.wb");
    EXPECT_EQ(plain->name(), u"plain.wb");
    EXPECT_EQ(plain->active_sheet()->name(), u"One");
    EXPECT_TRUE(Workbook::load("", u"empty.wb")->sheets().empty());
}

TEST(StandinWorkbookFile, MalformedLinesNameTheLine) {
    struct Case {
        const char* text;
        const char* description;
    };
    const Case cases[] = {
        {"A1|x", "line 1: no sheet has been started"},
        {"sheet", "line 1: a sheet needs a name"},
        {"sheet S\nsheet s", "line 2: there is already a sheet named 's'"},
        {"sheet S\nworkbook W", "line 2: workbook must be the first line"},
        {"workbook ", "line 1: workbook needs a name"},
        {"# note\n\nsheet S\n   \nA1|=(1", "line 5: '=(1' is not a valid formula"},
        {"sheet S\nZZZZ1|x", "line 2: 'ZZZZ1' is not a cell address"},
        {"sheet S\nA1", "line 2: expected <cell>|<input>, or one of workbook, sheet, chart, active, selected"},
        {"sheet S\nA1|x|colour=red", "line 2: 'colour=red' is not format=, value= or text="},
        {"sheet S\nA1|x|format", "line 2: 'format' is not format=, value= or text="},
        {"sheet S\nA1|x|format=0|format=0", "line 2: format= is given twice"},
        {"sheet S\nA1|3|value=3", "line 2: value= is only for formula cells"},
        {"sheet S\nA1|=A2|value==A3", "line 2: value= takes a value, not a formula"},
        {"sheet S\nA1|a\\qb", "line 2: unknown escape \\q"},
        {"sheet S\nA1|ab\\", "line 2: the line ends with a lone backslash"},
        {"sheet S\nA1|x\nA1|y", "line 3: cell A1 is given twice"},
        {"chart C\nA1|x", "line 2: chart sheet 'C' has no cells"},
        {"chart C\nselected A1", "line 2: chart sheet 'C' has no cells"},
        {"sheet S\nselected Q0", "line 2: 'Q0' is not a cell address"},
        {"sheet S\nactive T\nA1|x", "line 2: no sheet named 'T'"},
        {"sheet S\nactive S\nactive S", "line 3: active is given twice"},
    };
    for (const auto& c : cases) {
        const Failure f = failure_of([&] { Workbook::load(c.text, u"bad.wb"); });
        EXPECT_EQ(f.hresult, standin::hr::application_defined) << c.text;
        EXPECT_EQ(tarvex::utf16_to_utf8(f.description), c.description) << c.text;
    }
}

TEST(StandinWorkbookFile, SaveAndLoadRoundTripExactly) {
    Workbook book(u"Tricky | name.wb");
    auto& main = book.add_sheet(u"Main sheet");
    book.add_sheet(u"Pie \\ chart", SheetKind::chart);
    auto& other = book.add_sheet(u"Other|one");
    main.select({40, 3});
    const char* typed[] = {
        "123",  "'123",    "''quoted", "'=not a formula", "'TRUE", "'#N/A", "' 12",        "'",     "a|b\\c\nd\re\tf",
        "TRUE", "#DIV/0!", "=1+2",     "=\"x\"",          "-0.5",  "1e20",  "=SUM(A1:A3)", "Ωμέγα", "😀 text"};
    std::int32_t row = 1;
    for (const char* t : typed) {
        main.write_value({row++, 1}, u16(t));
    }
    const double numbers[] = {1.0 / 3, 0.1 + 0.2, 123456789.123456789, 5e-324, 1.7976931348623157e308, -2.5};
    for (const double n : numbers) {
        Cell c;
        c.value = Value::of_number(n);  // every bit of the double must survive
        main.set_cell({row++, 2}, c);
    }
    Cell formula;
    formula.formula = u"=B1&\"|\"";
    formula.value = Value::of_text(u"=looks like a formula");
    formula.number_format = u"@";
    formula.display_override = u"shown | text";
    other.set_cell({1, 1}, formula);
    Cell empty_value_formula;
    empty_value_formula.formula = u"=A1";
    other.set_cell({1, 2}, empty_value_formula);
    Cell override_only;
    override_only.display_override = u"";
    other.set_cell({5000, 16384}, override_only);
    Cell currency;
    currency.value = Value::of_number(-1234.5);
    currency.number_format = u"$#,##0.00";
    other.set_cell({2, 1}, currency);
    book.activate_sheet(book.sheet(u"other|ONE"));

    const std::string saved = book.save();
    const auto loaded = Workbook::load(saved, u"unused.wb");
    expect_same(book, *loaded);
    EXPECT_EQ(loaded->save(), saved);
}

TEST(StandinWorkbookFile, SamplesLoad) {
    const auto budget = Workbook::load(read_sample("budget.wb"), u"budget.wb");
    EXPECT_EQ(budget->worksheets().size(), 3u);
    EXPECT_EQ(budget->sheets().size(), 4u);
    std::size_t totals = 0;
    bool tab = false;
    bool currency = false;
    bool formula_with_value = false;
    for (const auto& sheet : budget->worksheets()) {
        for (const auto& [key, cell] : sheet->cells()) {
            totals += standin::matches(u"total", cell.formula_text(), standin::LookAt::part, false);
            tab = tab || cell.formula_text().find(u'\t') != std::u16string::npos;
            currency = currency || cell.number_format == u"$#,##0.00";
            formula_with_value = formula_with_value || (cell.has_formula() && cell.value != Value::of_number(0));
        }
    }
    EXPECT_GE(totals, 3u);
    EXPECT_TRUE(tab);
    EXPECT_TRUE(currency);
    EXPECT_TRUE(formula_with_value);
    EXPECT_EQ(Workbook::load(budget->save(), u"x")->save(), budget->save());

    const auto inventory = Workbook::load(read_sample("inventory.wb"), u"inventory.wb");
    EXPECT_FALSE(inventory->worksheets().empty());
}
