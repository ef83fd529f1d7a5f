#include "model/model.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "base/text.h"

using standin::Cell;
using standin::CellPos;
using standin::Value;
using standin::ValueKind;
using tarvex::u16;

namespace {

Cell number_cell(double n, const char* format = "General") {
    Cell c;
    c.value = Value::of_number(n);
    c.number_format = u16(format);
    return c;
}

Cell constant(Value v) {
    Cell c;
    c.value = std::move(v);
    return c;
}

}  // namespace

TEST(StandinCell, GeneralNumberTextLikeTheHost) {
    struct Case {
        double n;
        const char* expected;
    };
    const Case cases[] = {
        {0, "0"},
        {-0.0, "0"},
        {7, "7"},
        {-7, "-7"},
        {1234.5, "1234.5"},
        {0.5, "0.5"},
        {0.1 + 0.2, "0.3"},  // binary noise lies beyond ten digits
        {1.0 / 3, "0.3333333333"},
        {2.0 / 3, "0.6666666667"},
        {3.14159265358979, "3.141592654"},
        {99999999999, "99999999999"},  // an integer keeps all its digits below 1E+11
        {1e11, "1E+11"},
        {1e20, "1E+20"},
        {-1.25e15, "-1.25E+15"},
        {123456789012.5, "1.23456789E+11"},
        {1e100, "1E+100"},
        {1.5e-7, "0.00000015"},
        {1e-9, "0.000000001"},
        {1.5e-10, "1.5E-10"},
        {-1.23456789012e-10, "-1.23456789E-10"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(standin::general_number_text(c.n), u16(c.expected)) << c.expected;
    }
}

TEST(StandinCell, NumberFormatsRoundHalfAwayFromZeroOnFifteenDigits) {
    struct Case {
        double n;
        const char* format;
        const char* expected;
    };
    const Case cases[] = {
        {1234.5, "General", "1234.5"},
        {1234.5, "0", "1235"},
        {2.5, "0", "3"},
        {-2.5, "0", "-3"},
        {0.4, "0", "0"},
        {-0.4, "0", "-0"},  // the host keeps the sign of a negative that rounds to nothing
        {1.005, "0.00", "1.01"},
        {0.001, "0.00", "0.00"},
        {1234567.891, "#,##0", "1,234,568"},
        {1234567.891, "#,##0.00", "1,234,567.89"},
        {999.999, "#,##0.00", "1,000.00"},  // the carry runs through every digit
        {123, "#,##0", "123"},
        {1234.5, "$#,##0.00", "$1,234.50"},
        {-1, "$#,##0.00", "-$1.00"},
        {0, "$#,##0.00", "$0.00"},
        {0.256, "0%", "26%"},
        {0.25625, "0.00%", "25.63%"},
        {1, "0%", "100%"},
        {1e20, "0", "100000000000000000000"},
        {5, "@", "5"},              // a number in a text cell still shows as General
        {5.25, "mystery", "5.25"},  // an unknown format is General
        {5.25, "", "5.25"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(number_cell(c.n, c.format).display_text(), u16(c.expected)) << c.n << " " << c.format;
    }
}

TEST(StandinCell, DisplayAndFormulaTextOfEveryKind) {
    struct Case {
        Cell cell;
        const char* display;
        const char* formula;
    };
    Cell formula;
    formula.formula = u"=SUM(A1:A2)";
    formula.value = Value::of_number(3);
    formula.number_format = u"0.00";
    Cell overridden = number_cell(1234.5, "$#,##0.00");
    overridden.display_override = u"####";
    const Case cases[] = {
        {Cell{}, "", ""},
        {number_cell(1234.5, "$#,##0.00"), "$1,234.50", "1234.5"},
        {formula, "3.00", "=SUM(A1:A2)"},
        {overridden, "####", "1234.5"},
        {constant(Value::of_boolean(true)), "TRUE", "TRUE"},
        {constant(Value::of_boolean(false)), "FALSE", "FALSE"},
        {constant(Value::of_error(u"#DIV/0!")), "#DIV/0!", "#DIV/0!"},
        {constant(Value::of_text(u"007")), "007", "007"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.cell.display_text(), u16(c.display)) << c.display;
        EXPECT_EQ(c.cell.formula_text(), u16(c.formula)) << c.formula;
    }
}

TEST(StandinCell, ErrorLiteralsAndTheirCodes) {
    const std::pair<const char*, int> literals[] = {{"#NULL!", 2000}, {"#DIV/0!", 2007}, {"#VALUE!", 2015},
                                                    {"#REF!", 2023},  {"#NAME?", 2029},  {"#NUM!", 2036},
                                                    {"#N/A", 2042}};
    for (const auto& [text, code] : literals) {
        EXPECT_EQ(standin::error_code(u16(text)), code) << text;
    }
    EXPECT_EQ(standin::error_code(u"#n/a"), 2042);
    EXPECT_EQ(standin::error_code(u"#N/A "), std::nullopt);
    EXPECT_EQ(standin::error_code(u"#OOPS!"), std::nullopt);
    EXPECT_EQ(Value::of_error(u"#div/0!").text, u"#DIV/0!");
    EXPECT_THROW(Value::of_error(u"#OOPS!"), standin::Failure);
}

TEST(StandinCell, TypedInputBecomesTheValueTheHostWouldStore) {
    struct Case {
        const char* typed;
        Value expected;
        bool formula;
    };
    const Case cases[] = {
        {"", Value{}, false},
        {"'123", Value::of_text(u"123"), false},
        {"'", Value::of_text(u""), false},
        {"''x", Value::of_text(u"'x"), false},
        {"'=1+", Value::of_text(u"=1+"), false},
        {"=1+2", Value::of_number(0), true},  // not evaluated
        {"=SUM(A1:A3)", Value::of_number(0), true},
        {"=123", Value::of_number(123), true},
        {"=-1.5", Value::of_number(-1.5), true},
        {"= 7 ", Value::of_number(7), true},
        {"=\"text\"", Value::of_text(u"text"), true},
        {"=\"say \"\"hi\"\"\"", Value::of_text(u"say \"hi\""), true},
        {"=\"\"", Value::of_text(u""), true},
        {"=\"a\"&\"b\"", Value::of_number(0), true},
        {"=\"(\"", Value::of_text(u"("), true},
        {"=TRUE", Value::of_boolean(true), true},
        {"=false", Value::of_boolean(false), true},
        {"=#N/A", Value::of_error(u"#N/A"), true},
        {"007", Value::of_number(7), false},
        {" 12 ", Value::of_number(12), false},
        {"1e3", Value::of_number(1000), false},
        {"1E-2", Value::of_number(0.01), false},
        {"-1.5", Value::of_number(-1.5), false},
        {"+4", Value::of_number(4), false},
        {".5", Value::of_number(0.5), false},
        {"1.", Value::of_number(1), false},
        {"1,000", Value::of_text(u"1,000"), false},
        {"12%", Value::of_text(u"12%"), false},
        {"1e", Value::of_text(u"1e"), false},
        {"e3", Value::of_text(u"e3"), false},
        {".", Value::of_text(u"."), false},
        {"--1", Value::of_text(u"--1"), false},
        {"1 2", Value::of_text(u"1 2"), false},
        {"1e999", Value::of_text(u"1e999"), false},  // beyond a double: kept as typed
        {"0x10", Value::of_text(u"0x10"), false},
        {"inf", Value::of_text(u"inf"), false},
        {"nan", Value::of_text(u"nan"), false},
        {"\t12", Value::of_text(u"\t12"), false},  // only spaces are blanks
        {"TRUE", Value::of_boolean(true), false},
        {"false", Value::of_boolean(false), false},
        {"True", Value::of_boolean(true), false},
        {" TRUE", Value::of_text(u" TRUE"), false},
        {"#DIV/0!", Value::of_error(u"#DIV/0!"), false},
        {"#n/a", Value::of_error(u"#N/A"), false},
        {"#NAME?", Value::of_error(u"#NAME?"), false},
        {"#N/A ", Value::of_text(u"#N/A "), false},
        {"Grand total", Value::of_text(u"Grand total"), false},
        {" =1", Value::of_text(u" =1"), false},
    };
    for (const auto& c : cases) {
        const auto cell = standin::parse_typed_input(u16(c.typed));
        ASSERT_TRUE(cell) << c.typed;
        EXPECT_EQ(cell->value, c.expected) << c.typed;
        EXPECT_EQ(cell->has_formula(), c.formula) << c.typed;
        if (c.formula) {
            EXPECT_EQ(cell->formula, u16(c.typed));
        }
        EXPECT_EQ(cell->number_format, u"General") << c.typed;
    }
}

TEST(StandinCell, MalformedFormulasAreRefused) {
    const char* invalid[] = {"=",    "=  ",  "=(1+2", "=1+2)", "=)(",  "=\"abc",  "=\"a\"\"",
                             "=1+",  "=1-",  "=A1*",  "=2/",   "=2^",  "=\"a\"&", "=SUM(1,",
                             "=A1=", "=A1<", "=A1>",  "=A1<>", "=1+ ", "=A1>="};
    for (const char* typed : invalid) {
        EXPECT_EQ(standin::parse_typed_input(u16(typed)), std::nullopt) << typed;
    }
    const char* valid[] = {"=A1:B2", "=\"a+\"", "=\"(\"&\")\"", "=-A1", "=(((1)))", "=A1%"};
    for (const char* typed : valid) {
        EXPECT_NE(standin::parse_typed_input(u16(typed)), std::nullopt) << typed;
    }
}

TEST(StandinSheet, WriteValueKeepsTheFormatAndDropsTheOverride) {
    standin::Sheet sheet(u"Budget", standin::SheetKind::worksheet);
    Cell c = number_cell(5, "$#,##0.00");
    c.display_override = u"five";
    sheet.set_cell({2, 2}, c);

    sheet.write_value({2, 2}, u"12");
    const Cell* written = sheet.cell({2, 2});
    ASSERT_NE(written, nullptr);
    EXPECT_EQ(written->value, Value::of_number(12));
    EXPECT_EQ(written->number_format, u"$#,##0.00");
    EXPECT_FALSE(written->display_override);
    EXPECT_EQ(written->display_text(), u"$12.00");

    sheet.write_value({2, 2}, u"=B1*2");
    EXPECT_EQ(sheet.cell({2, 2})->formula, u"=B1*2");
    EXPECT_EQ(sheet.cell({2, 2})->number_format, u"$#,##0.00");

    sheet.write_value({3, 3}, u"new");  // a fresh cell is General
    EXPECT_EQ(sheet.cell({3, 3})->number_format, u"General");
    EXPECT_EQ(sheet.cell_count(), 2u);
}

TEST(StandinSheet, InvalidFormulaThrowsAndLeavesTheCell) {
    standin::Sheet sheet(u"Budget", standin::SheetKind::worksheet);
    sheet.write_value({1, 1}, u"Total");
    for (const char* typed : {"=1+", "=(", "=\"open"}) {
        try {
            sheet.write_value({1, 1}, u16(typed));
            ADD_FAILURE() << "no failure for " << typed;
        } catch (const standin::Failure& f) {
            EXPECT_EQ(f.hresult, standin::hr::application_defined);
            EXPECT_EQ(f.description, u"Application-defined or object-defined error");
        }
        ASSERT_NE(sheet.cell({1, 1}), nullptr);
        EXPECT_EQ(sheet.cell({1, 1})->value, Value::of_text(u"Total"));
    }
    EXPECT_THROW(sheet.write_value({2, 2}, u"="), standin::Failure);
    EXPECT_EQ(sheet.cell({2, 2}), nullptr);  // nor creates one
}

TEST(StandinSheet, EmptyContentRemovesTheCell) {
    standin::Sheet sheet(u"Budget", standin::SheetKind::worksheet);
    sheet.write_value({1, 1}, u"x");
    sheet.write_value({1, 1}, u"");
    EXPECT_EQ(sheet.cell({1, 1}), nullptr);

    Cell shown_only;
    shown_only.display_override = u"#####";
    sheet.set_cell({2, 1}, shown_only);  // an override alone keeps the cell
    EXPECT_NE(sheet.cell({2, 1}), nullptr);
    sheet.set_cell({2, 1}, Cell{});
    EXPECT_EQ(sheet.cell({2, 1}), nullptr);
    EXPECT_EQ(sheet.cell_count(), 0u);

    sheet.write_value({3, 1}, u"y");
    sheet.clear_cell({3, 1});
    EXPECT_EQ(sheet.cell({3, 1}), nullptr);
}

TEST(StandinSheet, RefusesCellsTheHostCouldNotHold) {
    standin::Sheet sheet(u"Budget", standin::SheetKind::worksheet);
    Cell bad_formula;
    bad_formula.formula = u"=1+";
    Cell infinite = number_cell(std::numeric_limits<double>::infinity());
    Cell not_a_number = number_cell(std::nan(""));
    Cell bad_error;
    bad_error.value.kind = ValueKind::error;
    bad_error.value.text = u"#OOPS!";
    for (const Cell* c : {&bad_formula, &infinite, &not_a_number, &bad_error}) {
        EXPECT_THROW(sheet.set_cell({1, 1}, *c), standin::Failure);
    }
    EXPECT_THROW(sheet.set_cell({0, 1}, number_cell(1)), standin::Failure);
    EXPECT_THROW(sheet.write_value({1, standin::max_col + 1}, u"x"), standin::Failure);
    EXPECT_EQ(sheet.cell({0, 0}), nullptr);
    EXPECT_EQ(sheet.cell_count(), 0u);
}
