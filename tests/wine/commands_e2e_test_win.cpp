// Find, Replace, Replace All and Go to through the real window: typing, clicks,
// tick boxes, message boxes and double-clicks, with the stand-in host's cells read
// back. One window serves the whole suite, as destroying windows is slow here.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "base/text.h"
#include "support/window_driver_win.h"
#include "ui/main/main_design.h"

using namespace tarvex::test;
namespace design = tarvex::main_design;

namespace {

using Rows = std::vector<std::string>;

class Commands : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        host_ = open_tarvex_window(
                    "sheet Fruit\n"
                    "A1|apple\n"
                    "B2|Apple pie\n"
                    "B3|pear\n"
                    "sheet Veg\n"
                    "C3|crab apple\n"
                    "active Fruit\n")
                    .release();
        ASSERT_TRUE(host_);
    }

    static void TearDownTestSuite() {
        close_tarvex_window();
        delete host_;
        host_ = nullptr;
    }

    void SetUp() override { ASSERT_TRUE(main_window()); }

    standin::Application& app() { return *host_->app; }
    std::shared_ptr<standin::Workbook> book() { return app().active_workbook(); }
    std::string cell(const char16_t* sheet, standin::CellPos p) {
        const standin::Cell* c = book()->sheet(sheet)->cell(p);
        return c ? tarvex::utf16_to_utf8(c->formula_text()) : "";
    }
    void set_cell(const char16_t* sheet, standin::CellPos p, const char16_t* typed) {
        book()->sheet(sheet)->write_value(p, typed);
    }

    static RECT row_rect(int row) {
        RECT r{};
        r.left = LVIR_BOUNDS;
        ::SendMessageW(control(design::lvwMain), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
        return r;
    }
    static void mouse(UINT message, HWND target, int x, int y) {
        ::SendMessageW(target, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y));
    }
    // A click on a row's tick box, as the mouse gives it.
    static void click_tick_box(int row) {
        const RECT r = row_rect(row);
        HWND list = control(design::lvwMain);
        const int x = r.left + 8;
        const int y = (r.top + r.bottom) / 2;
        mouse(WM_LBUTTONDOWN, list, x, y);
        mouse(WM_LBUTTONUP, list, x, y);
        pump(20);
    }
    static void select_row(int row) {
        HWND list = control(design::lvwMain);
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }

    static StandinHost* host_;
};

StandinHost* Commands::host_ = nullptr;

}  // namespace

TEST_F(Commands, FindListsTheMatchesAndTheCount) {
    find_text(u"apple");
    EXPECT_EQ(list_rows(), (Rows{"Fruit|$B$2|Apple pie|", "Fruit|$A$1|apple|", "Veg|$C$3|crab apple|"}));
    EXPECT_EQ(status_text(), u"Done(3 matches)  ...");
    EXPECT_EQ(text_of(control(design::cmbSearchFor)), u"apple");
}

TEST_F(Commands, TickBoxesToggleByClickAndSpaceThenReplaceWritesThoseCells) {
    find_text(u"apple");
    click_tick_box(0);  // Fruit!B2
    select_row(2);      // Veg!C3
    HWND list = control(design::lvwMain);
    ::SetFocus(list);
    ::SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
    ::SendMessageW(list, WM_KEYUP, VK_SPACE, 0xC0000001);
    pump(20);
    EXPECT_EQ(list_rows(), (Rows{"Fruit|$B$2|Apple pie|ticked", "Fruit|$A$1|apple|", "Veg|$C$3|crab apple|ticked"}));

    // Text mode replaces case-sensitively: "Apple pie" has no "apple".
    type_into(design::cmbReplace, u"plum");
    click(design::cmdReplace);
    EXPECT_EQ(cell(u"Fruit", {2, 2}), "Apple pie");
    EXPECT_EQ(cell(u"Veg", {3, 3}), "crab plum");
    EXPECT_EQ(cell(u"Fruit", {1, 1}), "apple");
    EXPECT_EQ(status_text(), u"Done ...");
    // Find ran again: the list shows the workbook as it is now, nothing ticked.
    EXPECT_EQ(list_rows(), (Rows{"Fruit|$B$2|Apple pie|", "Fruit|$A$1|apple|"}));
}

TEST_F(Commands, EmptyReplacementAsksAndNoLeavesEverything) {
    find_text(u"pear");
    MessageBoxAnswerer answers({IDNO, IDYES});
    type_into(design::cmbReplace, u"");
    click(design::cmdReplaceAll);
    ASSERT_EQ(answers.shown.size(), 1u);
    EXPECT_EQ(answers.shown[0].title, u"Tarvex");
    EXPECT_EQ(answers.shown[0].text,
              u"This action can not be undone.\r\nAre you sure you want to clear the content of the selected Cells?");
    EXPECT_EQ(cell(u"Fruit", {3, 2}), "pear");

    click(design::cmdReplaceAll);
    EXPECT_EQ(answers.shown.size(), 2u);
    EXPECT_EQ(cell(u"Fruit", {3, 2}), "");
    EXPECT_EQ(list_rows(), Rows{});
    set_cell(u"Fruit", {3, 2}, u"pear");
}

TEST_F(Commands, ReplaceAllInWholeCellModeWritesEveryListedCell) {
    set_cell(u"Veg", {3, 3}, u"crab apple");
    find_text(u"apple");
    ::SendMessageW(control(design::chkEntireCellContent), BM_CLICK, 0, 0);
    type_into(design::cmbReplace, u"^TB");
    click(design::cmdReplaceAll);
    ::SendMessageW(control(design::chkEntireCellContent), BM_CLICK, 0, 0);
    EXPECT_EQ(cell(u"Fruit", {1, 1}), "\t");
    EXPECT_EQ(cell(u"Fruit", {2, 2}), "\t");
    EXPECT_EQ(cell(u"Veg", {3, 3}), "\t");
    set_cell(u"Fruit", {1, 1}, u"apple");
    set_cell(u"Fruit", {2, 2}, u"Apple pie");
    set_cell(u"Veg", {3, 3}, u"crab apple");
}

TEST_F(Commands, RefusedFindSaysSo) {
    // Across processes the COM channel answers for the busy host; in process the
    // host raises its own error through EXCEPINFO. Each is a refusal.
    const std::int32_t busy_codes[] = {standin::hr::call_rejected, standin::hr::retry_later, standin::hr::host_busy};
    for (const std::int32_t code : busy_codes) {
        SCOPED_TRACE(code);
        MessageBoxAnswerer answers;
        app().set_refusing(true, code);
        find_text(u"apple");
        app().set_refusing(false);
        ASSERT_EQ(answers.shown.size(), 1u);
        EXPECT_EQ(answers.shown[0].title, u"Tarvex");
        EXPECT_EQ(answers.shown[0].text,
                  u"Can not search the current spread sheet.\r\nIf you are currently editing any "
                  u"cells finish making changes and commit them please.");
        EXPECT_EQ(status_text(), u"Done..");
    }
}

TEST_F(Commands, DoubleClickGoesToTheCell) {
    find_text(u"crab");
    ASSERT_EQ(list_rows().size(), 1u);
    const RECT r = row_rect(0);
    HWND list = control(design::lvwMain);
    const int x = r.left + 60;
    const int y = (r.top + r.bottom) / 2;
    mouse(WM_LBUTTONDOWN, list, x, y);
    mouse(WM_LBUTTONUP, list, x, y);
    mouse(WM_LBUTTONDBLCLK, list, x, y);
    mouse(WM_LBUTTONUP, list, x, y);
    pump(20);
    EXPECT_EQ(book()->active_sheet()->name(), u"Veg");
    EXPECT_EQ(book()->active_sheet()->selection(), (standin::CellPos{3, 3}));
    book()->activate_sheet(book()->sheet(u"Fruit"));
}

TEST_F(Commands, RenamedSheetBetweenFindAndReplace) {
    find_text(u"apple");
    book()->rename_sheet(u"Veg", u"Greens");
    type_into(design::cmbReplace, u"fig");
    // Text mode: the row whose sheet is gone is skipped, the others are written.
    click(design::cmdReplaceAll);
    EXPECT_EQ(cell(u"Fruit", {1, 1}), "fig");
    EXPECT_EQ(cell(u"Greens", {3, 3}), "crab apple");
    // The window says that a row was passed over instead of a clean "Done ...".
    EXPECT_EQ(status_text(), u"Done (1 cell not written) ...");

    // Whole-cell mode stops at the first row it cannot address and says why.
    find_text(u"apple");  // Fruit!B2 ("Apple pie") and Greens!C3
    book()->rename_sheet(u"Greens", u"Veg");
    MessageBoxAnswerer answers;
    ::SendMessageW(control(design::chkEntireCellContent), BM_CLICK, 0, 0);
    book()->delete_sheet(u"Veg");
    click(design::cmdReplaceAll);
    ::SendMessageW(control(design::chkEntireCellContent), BM_CLICK, 0, 0);
    EXPECT_EQ(status_text(), u"Done ..");
    // The first row (Fruit!B2) was written before the failing one.
    EXPECT_EQ(cell(u"Fruit", {2, 2}), "fig");
    ASSERT_EQ(answers.shown.size(), 1u);
    EXPECT_EQ(answers.shown[0].text, u"Subscript out of range");
}
