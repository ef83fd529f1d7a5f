#include "ui/main/list_menu.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <set>

using tarvex::ResultList;
using tarvex::ResultRow;
namespace menu = tarvex::list_menu;
using menu::Command;

namespace {

ResultList three_rows() {
    ResultList list;
    list.append({ResultRow{u"S", u"$A$1", u"a", false}, ResultRow{u"S", u"$A$2", u"b", true},
                 ResultRow{u"S", u"$A$3", u"c", false}});
    return list;
}

TEST(ListMenu, ItemsHaveDistinctAccessKeysAndComeAliveWhenTheyCanAct) {
    std::set<char16_t> keys;
    for (const auto& item : menu::items) {
        if (item.command == Command::separator) {
            continue;
        }
        const auto amp = item.caption.find(u'&');
        ASSERT_NE(amp, std::u16string_view::npos) << "no access key";
        EXPECT_TRUE(keys.insert(static_cast<char16_t>(std::towlower(item.caption[amp + 1]))).second)
            << "access key used twice";
    }
    const menu::State empty{};
    for (const auto& item : menu::items) {
        EXPECT_FALSE(menu::enabled(item.command, empty));
    }
    const menu::State listed{3, 0, false};
    EXPECT_TRUE(menu::enabled(Command::copy, listed));
    EXPECT_TRUE(menu::enabled(Command::export_list, listed));
    EXPECT_TRUE(menu::enabled(Command::tick_all, listed));
    EXPECT_FALSE(menu::enabled(Command::go_to, listed));
    EXPECT_FALSE(menu::enabled(Command::tick_selected, listed));
    EXPECT_FALSE(menu::enabled(Command::undo_replace, listed));
    EXPECT_TRUE(menu::enabled(Command::go_to, menu::State{3, 1, false}));
    EXPECT_FALSE(menu::enabled(Command::go_to, menu::State{3, 2, false})) << "one cell to go to";
    EXPECT_TRUE(menu::enabled(Command::untick_selected, menu::State{3, 2, false}));
    EXPECT_TRUE(menu::enabled(Command::undo_replace, menu::State{0, 0, true}));
}

TEST(ListMenu, CopyTakesTheSelectedRowsInListOrderOrAll) {
    const ResultList list = three_rows();
    EXPECT_EQ(menu::rows_to_copy(list, {}).size(), 3u);
    const auto picked = menu::rows_to_copy(list, {2, 0, 2, 7});
    ASSERT_EQ(picked.size(), 2u);
    EXPECT_EQ(picked[0].address, u"$A$1");
    EXPECT_EQ(picked[1].address, u"$A$3");
    EXPECT_EQ(menu::rows_to_copy(list, {9}).size(), 3u) << "rows gone since count as no selection";
}

TEST(ListMenu, TicksInBulk) {
    ResultList list = three_rows();
    EXPECT_TRUE(menu::set_ticks(list, {0, 2, 5}, true));
    EXPECT_TRUE(list.row(0).ticked && list.row(1).ticked && list.row(2).ticked);
    EXPECT_FALSE(menu::set_ticks(list, {0}, true)) << "nothing changed";
    EXPECT_TRUE(menu::set_all_ticks(list, false));
    EXPECT_FALSE(list.row(0).ticked || list.row(1).ticked || list.row(2).ticked);
}

}  // namespace
