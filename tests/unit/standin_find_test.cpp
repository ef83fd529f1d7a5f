#include "model/model.h"

#include <random>

#include <gtest/gtest.h>

#include "base/text.h"

using standin::CellPos;
using standin::Direction;
using standin::FindOptions;
using standin::LookAt;
using standin::LookIn;
using standin::Rect;
using standin::SearchOrder;
using standin::Sheet;
using tarvex::u16;

namespace {

const Rect classic_grid{{1, 1}, {65536, 256}};  // A1:IV65536, what the add-in searches

CellPos at(const char* a1) {
    return *standin::parse_cell(u16(a1));
}

std::unique_ptr<Sheet> sheet_of(std::initializer_list<std::pair<const char*, const char*>> cells) {
    auto sheet = std::make_unique<Sheet>(u"Sheet1", standin::SheetKind::worksheet);
    for (const auto& [address, typed] : cells) {
        sheet->write_value(at(address), u16(typed));
    }
    return sheet;
}

// Every match, as a caller walks them: each search starts after the previous
// match until the first one comes round again.
std::vector<std::string> walk(const Sheet& sheet, const char* what, const Rect& within, FindOptions options = {}) {
    std::vector<std::string> found;
    const auto first = sheet.find(u16(what), within, std::nullopt, options);
    for (auto p = first; p;) {
        found.push_back(tarvex::utf16_to_utf8(standin::address(*p)));
        p = sheet.find(u16(what), within, p, options);
        if (p == first || found.size() > 1000) {
            break;
        }
    }
    return found;
}

using Addresses = std::vector<std::string>;

}  // namespace

TEST(StandinFind, PatternsFollowTheHostsWildcards) {
    struct Case {
        const char* pattern;
        const char* text;
        LookAt look_at;
        bool match_case;
        bool expected;
    };
    const auto whole = LookAt::whole;
    const auto part = LookAt::part;
    const Case cases[] = {
        {"a*c", "abc", whole, false, true},
        {"a*c", "ac", whole, false, true},  // * also matches nothing
        {"a*c", "abd", whole, false, false},
        {"a?c", "abc", whole, false, true},
        {"a?c", "ac", whole, false, false},
        {"*a*b", "xaxxb", whole, false, true},
        {"a*b*c", "abxbc", whole, false, true},
        {"a*bc", "abcbc", whole, false, true},  // the run must give back what it took
        {"*abc", "ababc", whole, false, true},
        {"a**", "a", whole, false, true},
        {"~*", "*", whole, false, true},
        {"~*", "a", whole, false, false},
        {"~?", "?", whole, false, true},
        {"~?", "a", whole, false, false},
        {"~~", "~", whole, false, true},
        {"~~", "~~", whole, false, false},
        {"a~", "a~", whole, false, true},  // a trailing tilde is itself
        {"~a", "a", whole, false, true},   // and before anything else it quotes that
        {"~a", "~a", whole, false, false},
        {"5~*3", "5*3", whole, false, true},
        {"5~*3", "513", whole, false, false},
        {"*~*", "price*", whole, false, true},
        {"a?b",
         "a\xF0\x9F\x98\x80"
         "b",
         whole, false, false},  // ? is one code unit, not a character
        {"a??b",
         "a\xF0\x9F\x98\x80"
         "b",
         whole, false, true},
        {"tot", "Subtotal", part, false, true},
        {"tot", "Subtotal", whole, false, false},
        {"total", "GRAND TOTAL", part, false, true},
        {"total", "GRAND TOTAL", part, true, false},
        {"Total", "Total", whole, true, true},
        {"s?b*l", "SUBTOTAL", part, false, true},
        {"abc", "ABC", whole, false, true},
        {"αβγ", "ΑΒΓ", whole, false, true},
        {"ΣΟΦΟΣ", "σοφος", whole, false, true},
        {"σοφος", "ΣΟΦΟΣ", part, true, false},
        {"привет", "ПРИВЕТ мир", part, false, true},
        {"", "abc", part, false, false},  // an empty search text finds nothing
        {"", "", whole, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(standin::matches(u16(c.pattern), u16(c.text), c.look_at, c.match_case), c.expected)
            << c.pattern << " / " << c.text;
    }
}

TEST(StandinFind, WalksByRowsAndMeetsTheStartCellLast) {
    const auto sheet = sheet_of({{"C3", "x"}, {"A2", "x"}, {"B1", "x"}, {"A1", "x"}, {"B2", "y"}});
    EXPECT_EQ(walk(*sheet, "x", classic_grid), (Addresses{"$B$1", "$A$2", "$C$3", "$A$1"}));
    EXPECT_EQ(walk(*sheet, "y", classic_grid), (Addresses{"$B$2"}));
    EXPECT_EQ(walk(*sheet, "z", classic_grid), Addresses{});

    // With A1 and B2 filled, the first search answers B2 and only then A1.
    const auto two = sheet_of({{"A1", "total"}, {"B2", "Total"}});
    EXPECT_EQ(walk(*two, "total", classic_grid), (Addresses{"$B$2", "$A$1"}));
    // A start cell that is the only match is found again.
    const auto one = sheet_of({{"D4", "x"}});
    EXPECT_EQ(one->find(u"x", classic_grid, at("D4"), {}), at("D4"));
}

TEST(StandinFind, CountsTheFilledCellsASearchPassesOver) {
    const auto sheet = sheet_of({{"A1", "a"}, {"C1", "b"}, {"A2", "c"}, {"B3", "d"}, {"IV65536", "e"}});
    EXPECT_EQ(sheet->cells_passed(at("A1"), at("B3")), 2u);  // C1, A2
    EXPECT_EQ(sheet->cells_passed(at("A1"), at("C1")), 0u);
    // Empty cells cost nothing, filled ones on either side of the two ends do.
    EXPECT_EQ(sheet->cells_passed(at("B1"), at("B2")), 2u);  // C1, A2
    // Round the end: on past B3 and IV65536, then from A1 to C1.
    EXPECT_EQ(sheet->cells_passed(at("A2"), at("C1")), 3u);  // B3, IV65536, A1
    // A search that comes back to its start cell passes every other cell.
    EXPECT_EQ(sheet->cells_passed(at("B3"), at("B3")), 4u);
}

TEST(StandinFind, WalksByColumnsAndBackwards) {
    const auto sheet = sheet_of({{"A1", "x"}, {"B1", "x"}, {"A2", "x"}, {"C3", "x"}, {"A3", "x"}});
    FindOptions by_columns;
    by_columns.order = SearchOrder::by_columns;
    EXPECT_EQ(walk(*sheet, "x", classic_grid, by_columns), (Addresses{"$A$2", "$A$3", "$B$1", "$C$3", "$A$1"}));

    FindOptions backwards;
    backwards.direction = Direction::previous;
    EXPECT_EQ(walk(*sheet, "x", classic_grid, backwards), (Addresses{"$C$3", "$A$3", "$A$2", "$B$1", "$A$1"}));
    EXPECT_EQ(sheet->find(u"x", classic_grid, at("A2"), backwards), at("B1"));

    FindOptions backwards_by_columns = by_columns;
    backwards_by_columns.direction = Direction::previous;
    EXPECT_EQ(walk(*sheet, "x", classic_grid, backwards_by_columns),
              (Addresses{"$C$3", "$B$1", "$A$3", "$A$2", "$A$1"}));
}

TEST(StandinFind, LooksInFormulasOrInDisplayedValues) {
    auto sheet = sheet_of({{"A1", "1234.5"}, {"A2", "=SUM(A1:A1)"}, {"A3", "TRUE"}});
    standin::Cell currency = *sheet->cell(at("A1"));
    currency.number_format = u"$#,##0.00";
    sheet->set_cell(at("B2"), currency);
    sheet->clear_cell(at("A1"));
    standin::Cell sum = *sheet->cell(at("A2"));
    sum.value = standin::Value::of_number(1234.5);
    sheet->set_cell(at("A2"), sum);

    FindOptions formulas;
    FindOptions values;
    values.look_in = LookIn::values;
    EXPECT_EQ(walk(*sheet, "$1,234.50", classic_grid, formulas), Addresses{});
    EXPECT_EQ(walk(*sheet, "$1,234.50", classic_grid, values), (Addresses{"$B$2"}));
    EXPECT_EQ(walk(*sheet, "1234.5", classic_grid, formulas), (Addresses{"$B$2"}));
    EXPECT_EQ(walk(*sheet, "1234.5", classic_grid, values), (Addresses{"$A$2"}));
    EXPECT_EQ(walk(*sheet, "sum", classic_grid, formulas), (Addresses{"$A$2"}));
    EXPECT_EQ(walk(*sheet, "sum", classic_grid, values), Addresses{});
    EXPECT_EQ(walk(*sheet, "true", classic_grid, values), (Addresses{"$A$3"}));

    FindOptions whole = values;
    whole.look_at = LookAt::whole;
    EXPECT_EQ(walk(*sheet, "1,234", classic_grid, values), (Addresses{"$B$2"}));
    EXPECT_EQ(walk(*sheet, "1,234", classic_grid, whole), Addresses{});
    EXPECT_EQ(walk(*sheet, "$*.50", classic_grid, whole), (Addresses{"$B$2"}));
}

TEST(StandinFind, StaysInsideTheRectangle) {
    const auto sheet =
        sheet_of({{"A1", "x"}, {"IV65536", "x"}, {"IW1", "x"}, {"A65537", "x"}, {"XFD1048576", "x"}, {"B2", "x"}});
    EXPECT_EQ(walk(*sheet, "x", classic_grid), (Addresses{"$B$2", "$IV$65536", "$A$1"}));
    const Rect everything{{1, 1}, {standin::max_row, standin::max_col}};
    EXPECT_EQ(walk(*sheet, "x", everything).size(), 6u);

    // Matches beside a small rectangle, on the rows and columns it spans, are skipped.
    const auto crowded = sheet_of({{"A1", "x"}, {"B2", "x"}, {"D2", "x"}, {"A3", "x"}, {"C3", "x"}, {"B4", "x"}});
    const Rect box{{2, 2}, {3, 3}};  // B2:C3
    EXPECT_EQ(walk(*crowded, "x", box), (Addresses{"$C$3", "$B$2"}));
    FindOptions by_columns;
    by_columns.order = SearchOrder::by_columns;
    EXPECT_EQ(walk(*crowded, "x", box, by_columns), (Addresses{"$C$3", "$B$2"}));
    FindOptions backwards;
    backwards.direction = Direction::previous;
    EXPECT_EQ(walk(*crowded, "x", box, backwards), (Addresses{"$C$3", "$B$2"}));
}

TEST(StandinFind, StartCellOutsideTheRectangleFails) {
    const auto sheet = sheet_of({{"A1", "x"}});
    try {
        (void)sheet->find(u"x", classic_grid, at("IW1"), {});
        FAIL() << "no failure";
    } catch (const standin::Failure& f) {
        EXPECT_EQ(f.hresult, standin::hr::application_defined);
    }
    EXPECT_THROW((void)sheet->find(u"x", Rect{{2, 2}, {3, 3}}, at("A1"), {}), standin::Failure);
    EXPECT_THROW((void)sheet->find(u"x", Rect{{0, 1}, {3, 3}}, std::nullopt, {}), standin::Failure);
    // An empty search text is no failure, it just finds nothing.
    EXPECT_EQ(sheet->find(u"", classic_grid, std::nullopt, {}), std::nullopt);
}

TEST(StandinFind, SeesEveryChangeOfTheSheet) {
    auto sheet = sheet_of({{"A1", "apple"}, {"C1", "pear"}});
    EXPECT_EQ(walk(*sheet, "apple", classic_grid), (Addresses{"$A$1"}));
    sheet->write_value(at("B1"), u"apple pie");
    EXPECT_EQ(walk(*sheet, "apple", classic_grid), (Addresses{"$B$1", "$A$1"}));
    sheet->clear_cell(at("A1"));
    EXPECT_EQ(walk(*sheet, "apple", classic_grid), (Addresses{"$B$1"}));
    sheet->write_value(at("B1"), u"");
    EXPECT_EQ(walk(*sheet, "apple", classic_grid), Addresses{});

    // More searches than the index keeps, in turn, all still answer correctly.
    const char* searches[] = {"p", "pear", "e", "a", "r", "P*R"};
    for (int round = 0; round < 3; ++round) {
        for (const char* what : searches) {
            EXPECT_EQ(walk(*sheet, what, classic_grid), (Addresses{"$C$1"})) << what;
        }
    }
}

// The index must answer exactly as a plain scan of the rectangle would, for any
// rectangle, start cell, order and direction.
TEST(StandinFind, AgreesWithAPlainScan) {
    std::mt19937 random(20240607);
    Sheet sheet(u"Random", standin::SheetKind::worksheet);
    const char* contents[] = {"ab", "b", "abc", "x"};
    for (int i = 0; i < 150; ++i) {
        const CellPos p{static_cast<std::int32_t>(random() % 20 + 1), static_cast<std::int32_t>(random() % 20 + 1)};
        sheet.write_value(p, u16(contents[random() % 4]));
    }
    const auto reference = [&](const Rect& r, CellPos start, const FindOptions& o) -> std::optional<CellPos> {
        std::vector<CellPos> order;
        const bool rows = o.order == SearchOrder::by_rows;
        for (std::int32_t major = rows ? r.top_left.row : r.top_left.col;
             major <= (rows ? r.bottom_right.row : r.bottom_right.col); ++major) {
            for (std::int32_t minor = rows ? r.top_left.col : r.top_left.row;
                 minor <= (rows ? r.bottom_right.col : r.bottom_right.row); ++minor) {
                order.push_back(rows ? CellPos{major, minor} : CellPos{minor, major});
            }
        }
        const auto here = std::find(order.begin(), order.end(), start) - order.begin();
        const auto n = static_cast<std::ptrdiff_t>(order.size());
        for (std::ptrdiff_t step = 1; step <= n; ++step) {
            const std::ptrdiff_t i = o.direction == Direction::next ? (here + step) % n : ((here - step) % n + n) % n;
            const auto* c = sheet.cell(order[static_cast<std::size_t>(i)]);
            if (c && standin::matches(u"b", c->formula_text(), o.look_at, false)) {
                return order[static_cast<std::size_t>(i)];
            }
        }
        return std::nullopt;
    };
    for (int trial = 0; trial < 2000; ++trial) {
        const auto coordinate = [&] { return static_cast<std::int32_t>(random() % 22 + 1); };
        const std::int32_t r1 = coordinate(), r2 = coordinate(), c1 = coordinate(), c2 = coordinate();
        const Rect rect{{std::min(r1, r2), std::min(c1, c2)}, {std::max(r1, r2), std::max(c1, c2)}};
        const auto inside = [&](std::int32_t first, std::int32_t last) {
            return first + static_cast<std::int32_t>(random() % static_cast<unsigned>(last - first + 1));
        };
        const CellPos start{inside(rect.top_left.row, rect.bottom_right.row),
                            inside(rect.top_left.col, rect.bottom_right.col)};
        FindOptions o;
        o.order = random() % 2 ? SearchOrder::by_rows : SearchOrder::by_columns;
        o.direction = random() % 2 ? Direction::next : Direction::previous;
        o.look_at = random() % 2 ? LookAt::part : LookAt::whole;
        ASSERT_EQ(sheet.find(u"b", rect, start, o), reference(rect, start, o))
            << tarvex::utf16_to_utf8(standin::address(rect)) << " after "
            << tarvex::utf16_to_utf8(standin::address(start));
    }
}

// A walk over a large sheet costs a binary search per match, not a scan: with a
// scan this test would take minutes instead of well under a second.
TEST(StandinFind, WalksOneHundredThousandMatchesInOrder) {
    Sheet sheet(u"Big", standin::SheetKind::worksheet);
    constexpr std::int32_t rows = 100000;
    for (std::int32_t row = 1; row <= rows; ++row) {
        standin::Cell item;
        item.value = standin::Value::of_text(u"Item " + tarvex::decimal(row));
        sheet.set_cell({row, 1}, item);
        standin::Cell price;
        price.value = standin::Value::of_number(row * 0.25);
        sheet.set_cell({row, 2}, price);
        standin::Cell note;
        note.value = standin::Value::of_text(u"note");
        sheet.set_cell({row, 3}, note);
    }
    ASSERT_EQ(sheet.cell_count(), 300000u);

    const Rect everything{{1, 1}, {standin::max_row, standin::max_col}};
    const auto first = sheet.find(u"item", everything, std::nullopt, {});
    ASSERT_EQ(first, (CellPos{2, 1}));
    std::size_t count = 0;
    CellPos expected{2, 1};
    for (auto p = first; p;) {
        ++count;
        ASSERT_EQ(*p, expected) << count;
        expected = expected.row == rows ? CellPos{1, 1} : CellPos{expected.row + 1, 1};
        p = sheet.find(u"item", everything, p, {});
        if (p == first) {
            break;
        }
    }
    EXPECT_EQ(count, static_cast<std::size_t>(rows));
}
