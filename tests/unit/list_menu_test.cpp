#include "ui/main/list_menu.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <optional>
#include <set>

#include "engine/command_texts.h"
#include "support/fake_controls.h"

using tarvex::ResultList;
using tarvex::ResultRow;
namespace menu = tarvex::list_menu;
using menu::Command;
using tarvex::testing::FakeMainWindow;

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

TEST(ListMenu, KeysRunTheirCommandsBeforeTheListSeesThem) {
    struct Case {
        int key;
        bool ctrl;
        bool alt;
        std::optional<Command> command;
    };
    const Case cases[] = {
        {'A', true, false, Command::select_all},
        {'C', true, false, Command::copy},
        {'Z', true, false, Command::undo_replace},
        {menu::key_space, false, false, Command::toggle_selected},
        {'C', false, false, std::nullopt},
        {'C', true, true, std::nullopt},
        {menu::key_space, true, false, std::nullopt},
        {'X', true, false, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(menu::command_for_key(c.key, c.ctrl, c.alt), c.command) << c.key << " ctrl " << c.ctrl;
    }

    // Space through the session: one toggle for every selected row, the same
    // way each time, and the selection is the view's to keep.
    FakeMainWindow window;
    window.rows().append({ResultRow{u"S", u"$A$1", u"a", false}, ResultRow{u"S", u"$A$2", u"b", true},
                          ResultRow{u"S", u"$A$3", u"c", false}, ResultRow{u"S", u"$A$4", u"d", false}});
    window.selection = {0, 1, 2};
    window.focused = 2;
    const auto ticks = [&] {
        std::string marks;
        for (std::size_t i = 0; i < window.rows().size(); ++i) {
            marks += window.rows().row(i).ticked ? 'x' : '-';
        }
        return marks;
    };
    EXPECT_TRUE(window.session.list_key(menu::key_space, false, false));
    EXPECT_EQ(ticks(), "xxx-");
    EXPECT_TRUE(window.session.list_key(menu::key_space, false, false));
    EXPECT_EQ(ticks(), "----");
    EXPECT_TRUE(window.session.list_key('A', true, false));
    EXPECT_EQ(window.selection.size(), 4u);
    EXPECT_FALSE(window.session.list_key('Q', false, false));
}

TEST(ListMenu, CopyAndExportLeaveTheWindowOrSayWhyNot) {
    FakeMainWindow window;
    window.rows().append({ResultRow{u"Sales Q1", u"$B$4", u"=1+1", false}, ResultRow{u"S", u"$A$2", u"b", false}});
    window.selection = {1};
    window.session.run_list_command(Command::copy_references);
    EXPECT_EQ(window.clipboard, u"S!$A$2\r\n");
    window.session.run_list_command(Command::copy);
    EXPECT_EQ(window.clipboard, u"Work Sheet\tCell\tContent\r\nS\t$A$2\tb\r\n");
    EXPECT_EQ(window.clipboard_csv, "Work Sheet,Cell,Content\r\nS,$A$2,b\r\n");

    // Export takes every row, whatever is selected, with formulas guarded.
    window.export_path = u"out.csv";
    window.session.run_list_command(Command::export_list);
    EXPECT_EQ(window.files[u"out.csv"], "\xEF\xBB\xBFWork Sheet,Cell,Content\r\nSales Q1,$B$4,'=1+1\r\nS,$A$2,b\r\n");
    EXPECT_TRUE(window.messages.shown.empty());

    window.clipboard_busy = true;
    window.files_writable = false;
    window.session.run_list_command(Command::copy);
    window.session.run_list_command(Command::export_list);
    ASSERT_EQ(window.messages.shown.size(), 2u);
    EXPECT_EQ(window.messages.shown[0].text, tarvex::command_texts::clipboard_busy);
    EXPECT_EQ(window.messages.shown[1].text, u"The list could not be saved to out.csv.");
    EXPECT_EQ(window.messages.shown[1].title, u"Tarvex");
    // Cancelled in the dialog: nothing written, nothing said.
    window.export_path.reset();
    window.session.run_list_command(Command::export_list);
    EXPECT_EQ(window.messages.shown.size(), 2u);
}

}  // namespace
