// The real Tarvex.dll against the stand-in host: Search opens the window, the
// window is laid out and keyboard-driven as designed, and it closes cleanly.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "base/owners_win.h"
#include "base/text.h"
#include "support/dispatch_client_win.h"
#include "support/window_driver_win.h"
#include "ui/controls/win_util_win.h"
#include "ui/main/main_design.h"

using namespace tarvex::test;
namespace design = tarvex::main_design;

namespace {

constexpr char workbook[] =
    "sheet Data\n"
    "A1|apple\n"
    "B2|Apple pie\n"
    "sheet Other\n"
    "C3|pineapple\n"
    "active Data\n";

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        host.open(workbook);
        morvane = create_morvane();
        ASSERT_TRUE(morvane);
    }

    void TearDown() override {
        if (HWND window = main_window()) {
            ::SendMessageW(window, WM_CLOSE, 0, 0);
            pump(50);
        }
    }

    void open_window() {
        ASSERT_EQ(search(morvane.Get(), host.application.Get()), S_OK);
        pump(100, [] { return ::IsWindowVisible(main_window()) != FALSE; });
        ASSERT_TRUE(main_window());
    }

    int count_calls(const char* operation) const {
        int n = 0;
        for (const auto& call : host.app->call_log()) {
            n += call.operation == operation;
        }
        return n;
    }

    StandinHost host;
    ComPtr<IDispatch> morvane;
};

// The failure a late-bound caller sees: the HRESULT, or the code in EXCEPINFO.
HRESULT search_error(IDispatch* morvane, IDispatch* argument) {
    tarvex::ExcepInfo filled;
    EXCEPINFO& error = *filled.get();
    HRESULT hr = search(morvane, argument, true, &error);
    if (hr == DISP_E_EXCEPTION) {
        hr = error.scode;
    }
    return hr;
}

RECT client_rect_of(HWND control) {
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, main_window(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

TEST_F(MainWindow, SearchShowsTheWindowInFrontWithTheFocus) {
    open_window();
    HWND window = main_window();
    EXPECT_TRUE(::IsWindowVisible(window));
    EXPECT_EQ(text_of(window), u"Tarvex");
    EXPECT_EQ(::GetForegroundWindow(), window);
    EXPECT_TRUE(::IsChild(window, ::GetFocus()));
    EXPECT_EQ(::GetWindowContextHelpId(window), 20u);
    // The host was asked for its workbook and told to show it.
    EXPECT_EQ(count_calls("Workbook.Activate"), 1);
    EXPECT_EQ(text_of(control(design::cmbSearchFor)), u"");
}

TEST_F(MainWindow, ControlsHaveTheirCaptionsTabOrderAndDesignGeometry) {
    open_window();
    HWND window = main_window();
    // At 96 DPI one pixel is 15 twips.
    const UINT dpi = tarvex::window_dpi(window);
    if (dpi != 96) {
        GTEST_SKIP() << "the geometry check is for 96 DPI";
    }
    RECT client{};
    ::GetClientRect(window, &client);
    EXPECT_EQ(client.right, 6765 / 15);
    EXPECT_EQ(client.bottom, 7260 / 15);

    struct Expected {
        int index;
        const char16_t* caption;
        RECT pixels;
    };
    // The list sits directly below the check box once the layout rule has run.
    const Expected expected[] = {
        {design::Label1, u"&Search For", {3, 0, 82, 19}},
        {design::Label2, u"&Replace", {3, 24, 82, 40}},
        {design::cmdFind, u"&Find", {381, 0, 448, 25}},
        {design::cmdReplace, u"&Replace", {381, 27, 448, 52}},
        {design::cmdReplaceAll, u"Replace &All", {381, 54, 448, 79}},
        {design::CommandButton2, u"&Cancel", {381, 81, 448, 106}},
        {design::cmdAbout, u"&About", {381, 108, 448, 133}},
        {design::chkEntireCellContent, u"Entire Cell Content", {72, 42, 378, 58}},
    };
    for (const Expected& e : expected) {
        HWND c = control(e.index);
        ASSERT_TRUE(c) << e.index;
        EXPECT_EQ(text_of(c), e.caption);
        const RECT r = client_rect_of(c);
        EXPECT_EQ(r.left, e.pixels.left) << tarvex::utf16_to_utf8(e.caption);
        EXPECT_EQ(r.top, e.pixels.top) << tarvex::utf16_to_utf8(e.caption);
        EXPECT_EQ(r.right, e.pixels.right) << tarvex::utf16_to_utf8(e.caption);
        EXPECT_EQ(r.bottom, e.pixels.bottom) << tarvex::utf16_to_utf8(e.caption);
    }
    const RECT list = client_rect_of(control(design::lvwMain));
    EXPECT_EQ(list.left, 0);
    EXPECT_EQ(list.top, 58);
    EXPECT_EQ(list.right, 378);
    const RECT bar = client_rect_of(control(design::StatusBar1));
    EXPECT_EQ(list.bottom, bar.top - 3);
    const RECT combo = client_rect_of(control(design::cmbSearchFor));
    EXPECT_EQ(combo.left, 72);
    EXPECT_EQ(combo.right, 378);

    // Tab order: the focusable controls in design order.
    const int order[] = {design::cmbSearchFor, design::cmbReplace,           design::cmdFind,
                         design::cmdReplace,   design::cmdReplaceAll,        design::CommandButton2,
                         design::cmdAbout,     design::chkEntireCellContent, design::lvwMain};
    HWND at = control(order[0]);
    for (std::size_t i = 1; i < std::size(order); ++i) {
        at = ::GetNextDlgTabItem(window, at, FALSE);
        EXPECT_EQ(at, control(order[i])) << "after tab stop " << i - 1;
    }
    // The list's columns.
    ASSERT_EQ(header_count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(header_text(i), design::columns[static_cast<std::size_t>(i)].caption);
    }
    EXPECT_EQ(::GetWindowContextHelpId(control(design::cmdFind)), 10u);
    EXPECT_EQ(::GetWindowContextHelpId(control(design::lvwMain)), 70u);
}

TEST_F(MainWindow, ResizingFollowsTheLayoutRule) {
    open_window();
    HWND window = main_window();
    RECT before = client_rect_of(control(design::cmdFind));
    RECT frame{};
    ::GetWindowRect(window, &frame);
    ::SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + 150, frame.bottom - frame.top + 60,
                   SWP_NOMOVE | SWP_NOZORDER);
    pump(50);
    const RECT after = client_rect_of(control(design::cmdFind));
    EXPECT_EQ(after.left - before.left, 150);
    EXPECT_EQ(after.top, before.top);
    // Minimised, nothing moves; restored, the rule applies again.
    ::ShowWindow(window, SW_MINIMIZE);
    pump(50);
    ::ShowWindow(window, SW_RESTORE);
    pump(50);
    EXPECT_EQ(client_rect_of(control(design::cmdFind)).left, after.left);
}

TEST_F(MainWindow, NonApplicationArgumentsFailAndShowNothing) {
    // A workbook object is an automation object but not the host's Application.
    const auto book = tarvex::test::call(host.application.Get(), u"ActiveWorkbook").object();
    // Late-bound callers get the macro-language error 13, "Type mismatch".
    EXPECT_EQ(search_error(morvane.Get(), book.Get()), static_cast<HRESULT>(0x800A000D));
    EXPECT_EQ(search_error(morvane.Get(), nullptr), static_cast<HRESULT>(0x800A000D));
    pump(50);
    EXPECT_FALSE(main_window() && ::IsWindowVisible(main_window()));
}

TEST_F(MainWindow, NoWorkbookFailsAndLeavesTheWindowHidden) {
    host.app->close(host.app->active_workbook());
    tarvex::ExcepInfo filled;
    EXCEPINFO& error = *filled.get();
    const HRESULT hr = search(morvane.Get(), host.application.Get(), true, &error);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_NE(error.bstrDescription, nullptr);
    // A script sees Err.Number 91.
    EXPECT_EQ(hr, DISP_E_EXCEPTION);
    EXPECT_EQ(error.scode, static_cast<SCODE>(0x800A005B));
    pump(50);
    ASSERT_TRUE(main_window());  // loaded by the hide step
    EXPECT_FALSE(::IsWindowVisible(main_window()));
}

TEST_F(MainWindow, SecondSearchKeepsTheWindowAndItsRows) {
    open_window();
    ::SetWindowTextW(control(design::cmbSearchFor), L"apple");
    click(design::cmdFind);
    ASSERT_EQ(list_rows().size(), 3u);
    HWND first = main_window();
    // By value this time, as a client holding the object in a variable of its own.
    ASSERT_EQ(search(morvane.Get(), host.application.Get(), false), S_OK);
    pump(50);
    EXPECT_EQ(main_window(), first);
    EXPECT_EQ(list_rows().size(), 3u);
    EXPECT_EQ(text_of(control(design::cmbSearchFor)), u"");  // the boxes are refilled empty
}

TEST_F(MainWindow, EnterInTheSearchBoxPressesFind) {
    open_window();
    HWND combo = control(design::cmbSearchFor);
    ::SetWindowTextW(combo, L"pineapple");
    HWND edit = ::GetWindow(combo, GW_CHILD);
    ::SetFocus(edit);
    press_key(edit, VK_RETURN);
    EXPECT_EQ(list_rows(), (std::vector<std::string>{"Other|$C$3|pineapple|"}));
    wchar_t status[64] = {};
    ::SendMessageW(control(design::StatusBar1), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(status));
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(status)), u"Done(1 matches)  ...");
}

TEST_F(MainWindow, EscapeAndTheCloseBoxUnloadAndHandTheFocusBack) {
    open_window();
    host.app->clear_log();
    press_key(control(design::cmdFind), VK_ESCAPE);
    EXPECT_FALSE(main_window());
    EXPECT_EQ(count_calls("Workbook.Activate"), 1);

    open_window();
    host.app->clear_log();
    ::SendMessageW(main_window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    pump(50);
    EXPECT_FALSE(main_window());
    EXPECT_EQ(count_calls("Workbook.Activate"), 1);

    // With no workbook left in the host the window still closes.
    open_window();
    host.app->close(host.app->active_workbook());
    ::SendMessageW(main_window(), WM_CLOSE, 0, 0);
    pump(50);
    EXPECT_FALSE(main_window());
}

TEST_F(MainWindow, WindowOutlivesTheHostsReferenceToMorvane) {
    open_window();
    morvane.Reset();
    pump(50);
    ASSERT_TRUE(main_window());
    using CanUnload = HRESULT(WINAPI*)();
    const auto can_unload =
        reinterpret_cast<CanUnload>(reinterpret_cast<void*>(::GetProcAddress(tarvex_dll(), "DllCanUnloadNow")));
    EXPECT_EQ(can_unload(), S_FALSE);
    ::SendMessageW(main_window(), WM_CLOSE, 0, 0);
    pump(50);
    EXPECT_EQ(can_unload(), S_OK);
}
