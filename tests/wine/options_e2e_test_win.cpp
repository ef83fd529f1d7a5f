// The search options through the real window: a choice from the Options menu
// is kept after the window closes and named in the status; a pattern Find,
// Replace All and Undo round trip; and the tip that previews a replacement.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "base/platform_win.h"
#include "base/text.h"
#include "support/default_options_win.h"
#include "support/window_driver_win.h"
#include "engine/list_commands.h"
#include "ui/main/main_design.h"
#include "ui/main/options_menu.h"

using namespace tarvex::test;
namespace design = tarvex::main_design;
using Item = tarvex::options_menu::Item;

namespace {

using Options = DefaultOptionsAfter;

constexpr char book[] =
    "sheet Codes\n"
    "A1|P-0112 lavender\n"
    "B2|p-9\n"
    "C3|ann@home\n";

std::string cell(StandinHost& host, const char* a1) {
    const standin::Cell* c = host.app->active_workbook()->sheet(u"Codes")->cell(*standin::parse_cell(tarvex::u16(a1)));
    return c ? tarvex::utf16_to_utf8(c->formula_text()) : "";
}

struct TipSearch {
    HWND list;
    std::u16string text;
};

// Asks one of the thread's windows for the list's tip; stops at the first that has one.
BOOL CALLBACK ask_for_tip(HWND window, LPARAM found) {
    auto& search = *reinterpret_cast<TipSearch*>(found);
    wchar_t buffer[512] = {};
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = main_window();
    tool.uId = reinterpret_cast<UINT_PTR>(search.list);
    tool.lpszText = buffer;
    ::SendMessageW(window, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&tool));
    search.text = tarvex::from_wide(buffer);
    return search.text.empty();
}

// The tip shown with the pointer resting on a row: the pointer is put there
// and the window's tooltips are asked for the list's text.
std::u16string tip_of(int row) {
    HWND list = control(design::lvwMain);
    RECT r{};
    ListView_GetItemRect(list, row, &r, LVIR_LABEL);
    POINT at{r.left + 4, (r.top + r.bottom) / 2};
    ::ClientToScreen(list, &at);
    ::SetCursorPos(at.x, at.y);
    TipSearch search{list, {}};
    ::EnumThreadWindows(::GetCurrentThreadId(), ask_for_tip, reinterpret_cast<LPARAM>(&search));
    return search.text;
}

TEST_F(Options, AChoiceIsKeptAfterTheWindowClosesAndNamedInTheStatus) {
    auto host = open_tarvex_window(book);
    ASSERT_TRUE(host);
    send_command(Item::reset);
    send_command(Item::match_case);
    find_text(u"p-");
    EXPECT_EQ(status_text(), u"Done(1 matches)  ...  match case");
    close_tarvex_window();

    host = open_tarvex_window(book);
    ASSERT_TRUE(host);
    find_text(u"p-");
    EXPECT_EQ(status_text(), u"Done(1 matches)  ...  match case") << "the option was not kept";
    send_command(Item::reset);
    find_text(u"p-");
    EXPECT_EQ(status_text(), u"Done(2 matches)  ...");
    close_tarvex_window();
}

TEST_F(Options, APatternFindReplaceAllAndUndoRoundTrip) {
    auto host = open_tarvex_window(book);
    ASSERT_TRUE(host);
    send_command(Item::reset);
    send_command(Item::regular_expression);
    find_text(u"(\\w+)@(\\w+)|P-(\\d+)");
    // Any case: p-9 matches P-(\d+) too.
    ASSERT_EQ(list_rows().size(), 3u);
    EXPECT_EQ(status_text(), u"Done(3 matches)  ...  regular expression");
    type_into(design::cmbReplace, u"<$2$3>");
    EXPECT_EQ(tip_of(0), u"Now: P-0112 lavender\r\nAfter Replace: <0112> lavender");
    click(design::cmdReplaceAll);
    EXPECT_EQ(cell(*host, "A1"), "<0112> lavender");
    EXPECT_EQ(cell(*host, "B2"), "<9>");
    EXPECT_EQ(cell(*host, "C3"), "<home>");
    ::SetFocus(control(design::lvwMain));
    send_command(tarvex::list_menu::Command::undo_replace);
    EXPECT_EQ(cell(*host, "A1"), "P-0112 lavender");
    EXPECT_EQ(cell(*host, "B2"), "p-9");
    EXPECT_EQ(cell(*host, "C3"), "ann@home");
    send_command(Item::reset);
    close_tarvex_window();
}

}  // namespace
