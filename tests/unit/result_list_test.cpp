#include "engine/result_list.h"

#include <gtest/gtest.h>

#include "base/text.h"

using tarvex::ResultList;
using tarvex::ResultRow;
using tarvex::SortOrder;
using tarvex::u16;

namespace {

ResultRow row(const char* sheet, const char* address, const char* content) {
    return ResultRow{u16(sheet), u16(address), u16(content), false};
}

std::vector<std::string> column(const ResultList& list, int c) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < list.size(); ++i) {
        out.push_back(tarvex::utf16_to_utf8(list.row(i).column_text(c)));
    }
    return out;
}

using Texts = std::vector<std::string>;

}  // namespace

TEST(ResultList, UnsortedListKeepsTheOrderRowsWereAdded) {
    ResultList list;
    list.append({row("S2", "$B$2", "x"), row("S1", "$A$1", "y")});
    list.append({row("S0", "$C$3", "z")});
    EXPECT_EQ(column(list, 0), (Texts{"S2", "S1", "S0"}));
    EXPECT_EQ(list.row(1).sheet + list.row(1).address, u"S1$A$1");
}

TEST(ResultList, SortsByTheColumnsTextsAsTexts) {
    ResultList list;
    list.append({row("a", "$A$9", "1"), row("b", "$B$1", "2"), row("c", "$A$10", "3"), row("d", "$AA$1", "4")});
    list.set_sort_column(1);
    list.set_sorted(true);
    // Texts, not cell positions: $A$10 before $A$9, $AA$1 before $B$1.
    EXPECT_EQ(column(list, 1), (Texts{"$A$10", "$A$9", "$AA$1", "$B$1"}));
    list.set_sort_order(SortOrder::descending);
    EXPECT_EQ(column(list, 1), (Texts{"$B$1", "$AA$1", "$A$9", "$A$10"}));
}

TEST(ResultList, SortIgnoresCaseAndIsStableInBothDirections) {
    ResultList list;
    list.append({row("Beta", "$A$1", ""), row("alpha", "$A$2", ""), row("BETA", "$A$3", ""), row("Alpha", "$A$4", ""),
                 row("beta", "$A$5", "")});
    list.set_sorted(true);
    EXPECT_EQ(column(list, 1), (Texts{"$A$2", "$A$4", "$A$1", "$A$3", "$A$5"}));
    list.set_sort_order(SortOrder::descending);
    EXPECT_EQ(column(list, 1), (Texts{"$A$1", "$A$3", "$A$5", "$A$2", "$A$4"}));
}

TEST(ResultList, RowsAddedWhileSortedTakeTheirPlaces) {
    ResultList list;
    list.set_sort_column(2);
    list.set_sort_order(SortOrder::descending);
    list.set_sorted(true);
    list.append({row("s", "$A$1", "b"), row("s", "$A$2", "d")});
    list.append({row("s", "$A$3", "c"), row("s", "$A$4", "a"), row("s", "$A$5", "e")});
    EXPECT_EQ(column(list, 2), (Texts{"e", "d", "c", "b", "a"}));
}

TEST(ResultList, TicksTravelWithTheirRowsAndClearEmpties) {
    ResultList list;
    list.append({row("s", "$A$1", "b"), row("s", "$A$2", "a")});
    list.toggle(0);
    list.set_sort_column(2);
    list.set_sorted(true);
    EXPECT_FALSE(list.row(0).ticked);
    EXPECT_TRUE(list.row(1).ticked);
    EXPECT_EQ(list.row(1).address, u"$A$1");
    list.clear();
    EXPECT_TRUE(list.empty());
    // The sort settings outlive the rows.
    EXPECT_TRUE(list.sorted());
    EXPECT_EQ(list.sort_column(), 2);
}

TEST(ResultList, CustomSortKeyDecidesTheOrder) {
    // The Windows list passes the locale's sort keys; any key function is honoured.
    ResultList list([](const std::u16string& text) { return std::string(text.rbegin(), text.rend()); });
    list.append({row("ab", "", ""), row("ba", "", "")});
    list.set_sorted(true);
    EXPECT_EQ(column(list, 0), (Texts{"ba", "ab"}));
}
