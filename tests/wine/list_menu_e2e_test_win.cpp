// The result list's context menu and keys through the real window: Replace All
// taken back with Ctrl+Z, Copy on the clipboard, Export through the Save As
// dialog, and Esc stopping a Find in a slow host.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "base/text.h"
#include "support/window_driver_win.h"
#include "ui/main/list_menu.h"
#include "ui/main/main_design.h"

using namespace tarvex::test;
namespace design = tarvex::main_design;
using tarvex::list_menu::Command;

namespace {

class ListMenu : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        host_ = open_tarvex_window(
                    "sheet Fruit\n"
                    "A1|apple\n"
                    "A2|'007 apple\n"
                    "B2|Apple pie\n"
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

    static std::string cell(const char16_t* sheet, const char* a1) {
        const standin::Cell* c =
            host_->app->active_workbook()->sheet(sheet)->cell(*standin::parse_cell(tarvex::u16(a1)));
        return c ? tarvex::utf16_to_utf8(c->formula_text()) : "";
    }
    static void command(Command c) { send_command(c); }
    // A key pressed on the list with Ctrl held, as the keyboard gives it.
    static void control_key(WORD key) {
        BYTE keys[256] = {};
        ::GetKeyboardState(keys);
        const BYTE was = keys[VK_CONTROL];
        keys[VK_CONTROL] = 0x80;
        ::SetKeyboardState(keys);
        ::SendMessageW(control(design::lvwMain), WM_KEYDOWN, key, 1);
        keys[VK_CONTROL] = was;
        ::SetKeyboardState(keys);
    }
    static std::u16string clipboard_text() {
        std::u16string text;
        if (::OpenClipboard(nullptr)) {
            if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
                text = static_cast<const char16_t*>(::GlobalLock(data));
                ::GlobalUnlock(data);
            }
            ::CloseClipboard();
        }
        return text;
    }

    static StandinHost* host_;
};

StandinHost* ListMenu::host_ = nullptr;

TEST_F(ListMenu, ReplaceAllIsTakenBackWithCtrlZ) {
    find_text(u"apple");
    ASSERT_EQ(list_rows().size(), 4u);
    type_into(design::cmbReplace, u"pear");
    click(design::cmdReplaceAll);
    ASSERT_EQ(cell(u"Fruit", "A1"), "pear");
    ASSERT_EQ(cell(u"Veg", "C3"), "crab pear");
    ::SetFocus(control(design::lvwMain));
    control_key('Z');
    EXPECT_EQ(cell(u"Fruit", "A1"), "apple");
    EXPECT_EQ(cell(u"Fruit", "A2"), "007 apple");
    EXPECT_EQ(cell(u"Veg", "C3"), "crab apple");
    EXPECT_EQ(status_text(), u"Undone (3 cells)  ...");
    EXPECT_EQ(list_rows().size(), 4u);
}

TEST_F(ListMenu, CopyPutsTheRowsOnTheClipboardAsTabSeparatedText) {
    find_text(u"pie");
    command(Command::copy);
    EXPECT_EQ(clipboard_text(), u"Work Sheet\tCell\tContent\r\nFruit\t$B$2\tApple pie\r\n");
    command(Command::copy_references);
    EXPECT_EQ(clipboard_text(), u"Fruit!$B$2\r\n");
    // Ctrl+A then Ctrl+C: the same rows, all selected.
    find_text(u"apple");
    control_key('A');
    control_key('C');
    const std::u16string copied = clipboard_text();
    EXPECT_EQ(std::count(copied.begin(), copied.end(), u'\n'), 5) << tarvex::utf16_to_utf8(copied);
}

TEST_F(ListMenu, ExportWritesTheGuardedCsvChosenInTheSaveAsDialog) {
    find_text(u"pie");
    wchar_t folder[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"tarvex_export_test.csv";
    ::DeleteFileW(path.c_str());
    // The dialog is modal: a helper fills in the name and presses Save.
    std::atomic<bool> answered{false};
    std::thread answer([&] {
        for (int i = 0; i < 200 && !answered; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
            HWND dialog = ::FindWindowW(L"#32770", L"Export list");
            if (dialog && ::IsWindowVisible(dialog)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                ::SetDlgItemTextW(dialog, 0x47C, path.c_str());  // the file name box
                ::SetDlgItemTextW(dialog, 0x480, path.c_str());  // its older form
                ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
                answered = true;
            }
        }
    });
    command(Command::export_list);
    answer.join();
    ASSERT_TRUE(answered) << "the Save As dialog did not appear";
    std::ifstream file(path.c_str(), std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    EXPECT_EQ(bytes.str(), "\xEF\xBB\xBFWork Sheet,Cell,Content\r\nFruit,$B$2,Apple pie\r\n");
    ::DeleteFileW(path.c_str());
}

TEST_F(ListMenu, SpaceTogglesEverySelectedRowAndTheSelectionStays) {
    find_text(u"apple");
    ASSERT_EQ(list_rows().size(), 4u);
    HWND list = control(design::lvwMain);
    const auto ticked = [&] {
        std::string marks;
        for (int i = 0; i < 4; ++i) {
            marks += ListView_GetItemState(list, i, LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2) ? 'x' : '-';
        }
        return marks;
    };
    for (int i = 0; i < 3; ++i) {
        ListView_SetItemState(list, i, LVIS_SELECTED, LVIS_SELECTED);
    }
    ListView_SetItemState(list, 2, LVIS_FOCUSED, LVIS_FOCUSED);
    // The keyboard's own key, through the host's message loop and the window's
    // keyboard hook, as a user presses it.
    ::SetForegroundWindow(main_window());
    ::SetFocus(list);
    pump(50);
    INPUT space[2] = {};
    space[0].type = INPUT_KEYBOARD;
    space[0].ki.wVk = VK_SPACE;
    space[1] = space[0];
    space[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, space, sizeof(INPUT));
    pump(200, [&] { return ticked() == "xxx-"; });
    EXPECT_EQ(ticked(), "xxx-");
    EXPECT_EQ(ListView_GetSelectedCount(list), 3u) << "Space shrank the selection";
    ::SendInput(2, space, sizeof(INPUT));
    pump(200, [&] { return ticked() == "----"; });
    EXPECT_EQ(ticked(), "----") << "the second Space acts on all three again";
}

TEST_F(ListMenu, EscStopsALongFindAndTheWindowStays) {
    find_text(u"apple");
    ASSERT_EQ(list_rows().size(), 4u);
    // A slow host, and Esc already on its way when Find starts.
    host_->app->set_costs(std::chrono::milliseconds(50), std::chrono::nanoseconds(0));
    ::PostMessageW(control(design::lvwMain), WM_KEYDOWN, VK_ESCAPE, 1);
    const auto started = std::chrono::steady_clock::now();
    find_text(u"apple");
    const auto took = std::chrono::steady_clock::now() - started;
    host_->app->set_costs(std::chrono::nanoseconds(0), std::chrono::nanoseconds(0));
    EXPECT_EQ(status_text().rfind(u"Stopped (", 0), 0u) << tarvex::utf16_to_utf8(status_text());
    EXPECT_LT(list_rows().size(), 4u);
    EXPECT_LT(took, std::chrono::seconds(2)) << "the Find ran on";
    pump(100);
    EXPECT_TRUE(main_window()) << "Esc also closed the window";
}

}  // namespace
