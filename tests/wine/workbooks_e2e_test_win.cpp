// Beyond one workbook through the real window: a Find over every open workbook
// (a hidden one left out) and Go to across them, and a list of pairs read from
// a file the user picks in the open dialog, applied and taken back.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "base/text.h"
#include "engine/list_commands.h"
#include "support/default_options_win.h"
#include "support/window_driver_win.h"
#include "ui/main/main_design.h"
#include "ui/main/options_menu.h"

using namespace tarvex::test;
namespace design = tarvex::main_design;
using Item = tarvex::options_menu::Item;
using Command = tarvex::list_menu::Command;

namespace {

using EveryWorkbook = DefaultOptionsAfter;
using PairList = DefaultOptionsAfter;

std::string formula_at(const std::shared_ptr<standin::Workbook>& book, const char16_t* sheet, const char* a1) {
    const standin::Cell* c = book->sheet(sheet)->cell(*standin::parse_cell(tarvex::u16(a1)));
    return c ? tarvex::utf16_to_utf8(c->formula_text()) : "";
}

// Opens the window on `active` as a macro does, the other workbooks already open.
bool open_on(StandinHost& host, const std::shared_ptr<standin::Workbook>& active) {
    host.app->activate(active);
    const auto morvane = create_morvane();
    if (!morvane || FAILED(search(morvane.Get(), host.application.Get()))) {
        return false;
    }
    pump(100);
    return main_window() != nullptr;
}

TEST_F(EveryWorkbook, FindListsEachVisibleWorkbooksCellsAndGoToShowsThem) {
    StandinHost host;
    const auto prices = host.open("sheet Q1\nA1|SKU-1 red\nsheet Q2\nB2|SKU-2\n", u"Prices.wb");
    const auto stock = host.open("sheet Shelf\nC3|sku-3 blue\n", u"Stock.wb");
    host.open("hidden\nsheet Macros\nA1|SKU-9\n", u"Personal.wb");
    ASSERT_TRUE(open_on(host, prices));
    send_command(Item::reset);
    send_command(Item::search_all);

    find_text(u"SKU-");
    EXPECT_EQ(list_rows(), (std::vector<std::string>{"[Prices.wb]Q1|$A$1|SKU-1 red|", "[Prices.wb]Q2|$B$2|SKU-2|",
                                                     "[Stock.wb]Shelf|$C$3|sku-3 blue|"}));
    EXPECT_EQ(status_text(), u"Done(3 matches)  ...  all open workbooks");

    // Go to the last row: its workbook comes to the front, then its sheet and cell.
    HWND list = control(design::lvwMain);
    ::SetFocus(list);
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list, 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    send_command(Command::go_to);
    EXPECT_EQ(host.app->active_workbook(), stock);
    EXPECT_EQ(stock->active_sheet()->selection(), *standin::parse_cell(u"C3"));

    send_command(Item::reset);
    close_tarvex_window();
}

// Fills the open dialog's file name with `path` and presses Open, once the
// dialog is up: the dialog runs its own message loop inside the command.
std::wstring pairs_path;
void CALLBACK answer_open_dialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = ::GetLastActivePopup(main_window());
    if (dialog == nullptr || dialog == main_window()) {
        return;
    }
    ::KillTimer(nullptr, timer);
    // The file name box: a combo box in the newer dialog, an edit in the older.
    if (!::SetDlgItemTextW(dialog, 1148, pairs_path.c_str())) {
        ::SetDlgItemTextW(dialog, 1152, pairs_path.c_str());
    }
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

TEST_F(PairList, AFileOfPairsIsListedAppliedInOrderAndUndoneAtOnce) {
    wchar_t folder[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, folder);
    pairs_path = std::wstring(folder) + L"tarvex-pairs.csv";
    {
        // UTF-8 with a byte-order mark, a header, a quoted field and a chain:
        // red becomes crimson, then crimson becomes scarlet.
        std::ofstream file(pairs_path.c_str(), std::ios::binary);
        file << "\xEF\xBB\xBF"
                "Find,Replace\r\n"
                "red,crimson\r\n"
                "crimson,scarlet\r\n"
                "\"SKU-2\",\"SKU, two\"\r\n";
    }
    StandinHost host;
    const auto book = host.open("sheet Q1\nA1|SKU-1 red\nB2|SKU-2\nC3|crimson tide\n", u"Prices.wb");
    ASSERT_TRUE(open_on(host, book));
    send_command(Item::reset);

    const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, answer_open_dialog);
    send_command(Item::replace_from_list);
    ::KillTimer(nullptr, timer);
    // red (A1), crimson (C3), SKU-2 (B2): each pair's hits, in the list's order.
    EXPECT_EQ(list_rows().size(), 3u);

    click(design::cmdReplaceAll);
    EXPECT_EQ(formula_at(book, u"Q1", "A1"), "SKU-1 scarlet");
    EXPECT_EQ(formula_at(book, u"Q1", "B2"), "SKU, two");
    EXPECT_EQ(formula_at(book, u"Q1", "C3"), "scarlet tide");
    EXPECT_EQ(status_text().rfind(u"Done (3 cells, 3 pairs)", 0), 0u) << tarvex::utf16_to_utf8(status_text());

    ::SetFocus(control(design::lvwMain));
    send_command(Command::undo_replace);
    EXPECT_EQ(formula_at(book, u"Q1", "A1"), "SKU-1 red");
    EXPECT_EQ(formula_at(book, u"Q1", "B2"), "SKU-2");
    EXPECT_EQ(formula_at(book, u"Q1", "C3"), "crimson tide");

    ::DeleteFileW(pairs_path.c_str());
    close_tarvex_window();
}

}  // namespace
