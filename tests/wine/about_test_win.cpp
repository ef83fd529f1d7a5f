// The About box as the main window's About button shows it, built from the real
// DLL's resources, and its Windows ports: files, programs, the environment, the
// registry through the W functions, and the help file's topic choice.
//
// When the About button already opens the box, the box under test is the DLL's
// own; otherwise the suite shows the box through the adapters it links, with the
// icon and documents taken from the built DLL. Everything is read from the
// windows themselves, so the same checks hold either way.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/module_win.h"
#include "base/owners_win.h"
#include "base/platform_win.h"
#include "base/text.h"
#include "settings/registry_win.h"
#include "support/window_driver_win.h"
#include "ui/about/about.h"
#include "ui/about/frm_about_win.h"
#include "ui/about/sys_info.h"
#include "ui/about/system_win.h"
#include "ui/main/help_win.h"
#include "ui/controls/win_util_win.h"
#include "ui/main/main_design.h"

using namespace tarvex::test;
namespace about = tarvex::about;
namespace d = tarvex::about::design;

namespace {

constexpr wchar_t about_class[] = L"Tarvex.frmAbout.Window";

HWND about_window() {
    return ::FindWindowW(about_class, nullptr);
}

HWND item(int id) {
    return ::GetDlgItem(about_window(), id);
}

HWND about_control(int index) {
    return item(d::control_id(index));
}

BOOL CALLBACK count_about_window(HWND window, LPARAM counter) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    if (std::wstring(name) == about_class) {
        ++*reinterpret_cast<int*>(counter);
    }
    return TRUE;
}

int about_window_count() {
    int count = 0;
    ::EnumWindows(count_about_window, reinterpret_cast<LPARAM>(&count));
    return count;
}

RECT rect_in(HWND window, HWND relative_to) {
    RECT r{};
    ::GetWindowRect(window, &r);
    ::MapWindowPoints(nullptr, relative_to, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

SIZE outer_size() {
    RECT r{};
    ::GetWindowRect(about_window(), &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

// Pixels at 96 DPI, rounded as the box rounds: 15 twips to the pixel.
int px(float twips) {
    return static_cast<int>(std::lround(twips / 15.0f));
}

bool visible(HWND window) {
    return window && ::IsWindowVisible(window);
}

// The link's look as the box paints it: the colour it sets for the label and the
// font the label draws with.
COLORREF link_colour() {
    const tarvex::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    ::SendMessageW(about_window(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                   reinterpret_cast<LPARAM>(about_control(d::lblEmail)));
    return ::GetTextColor(dc.get());
}

bool link_underlined() {
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(about_control(d::lblEmail), WM_GETFONT, 0, 0));
    LOGFONTW description{};
    ::GetObjectW(font, sizeof(description), &description);
    return description.lfUnderline != 0;
}

void click_tab(int index) {
    HWND tab = item(d::id_tbsMain);
    RECT r{};
    TabCtrl_GetItemRect(tab, index, &r);
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ::SendMessageW(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageW(tab, WM_LBUTTONUP, 0, at);
    pump(50);
}

std::u16string tab_caption(int index) {
    wchar_t text[64] = {};
    TCITEMW tab_item{};
    tab_item.mask = TCIF_TEXT;
    tab_item.pszText = text;
    tab_item.cchTextMax = 64;
    TabCtrl_GetItem(item(d::id_tbsMain), index, &tab_item);
    return reinterpret_cast<const char16_t*>(text);
}

// The DLL's FILEVERSION, read from its VERSIONINFO resource.
std::optional<about::Version> dll_version() {
    const HMODULE dll = tarvex_dll();
    const HRSRC found = ::FindResourceW(dll, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16));  // RT_VERSION
    if (!found) {
        return std::nullopt;
    }
    const auto* data = static_cast<const BYTE*>(::LockResource(::LoadResource(dll, found)));
    const DWORD size = ::SizeofResource(dll, found);
    for (DWORD at = 0; data && at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
        const auto* info = reinterpret_cast<const VS_FIXEDFILEINFO*>(data + at);
        if (info->dwSignature == 0xFEEF04BD) {
            return about::Version{
                static_cast<int>(HIWORD(info->dwFileVersionMS)), static_cast<int>(LOWORD(info->dwFileVersionMS)),
                static_cast<int>(HIWORD(info->dwFileVersionLS)), static_cast<int>(LOWORD(info->dwFileVersionLS))};
        }
    }
    return std::nullopt;
}

class AboutBox : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tarvex::use_about_resources_from(tarvex_dll());
        host_ = new StandinHost;
        host_->open("sheet Data\nA1|apple\n");
    }

    static void TearDownTestSuite() {
        close_box();
        if (HWND window = main_window()) {
            ::SendMessageW(window, WM_CLOSE, 0, 0);
            pump(50);
        }
        delete host_;
        host_ = nullptr;
    }

    // Shows the box as the About button does and waits until it is up. The first
    // time finds out whether the button opens the box; until it does, the suite
    // shows the box of the adapters it links.
    static void show_box() {
        if (!main_window()) {
            auto morvane = create_morvane();
            ASSERT_TRUE(morvane);
            ASSERT_EQ(search(morvane.Get(), host_->application.Get()), S_OK);
            pump(100, [] { return visible(main_window()); });
        }
        if (!path_known_ && !visible(about_window())) {
            click(tarvex::main_design::cmdAbout);
            pump(300, [] { return visible(about_window()); });
            through_dll_ = visible(about_window());
            path_known_ = true;
            if (through_dll_) {
                return;
            }
        }
        if (through_dll_) {
            click(tarvex::main_design::cmdAbout);
        } else {
            tarvex::show_about_box();
        }
        pump(300, [] { return visible(about_window()); });
        ASSERT_TRUE(visible(about_window()));
    }

    // As the close box does.
    static void close_box() {
        if (HWND box = about_window()) {
            ::SendMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        pump(5000, [] { return about_window() == nullptr; });
    }

    // Every test starts with the box up on its About tab; closing and reopening it
    // is slow without a window manager, so a box left open is reused.
    void SetUp() override {
        if (!visible(about_window())) {
            show_box();
        }
        if (TabCtrl_GetCurSel(item(d::id_tbsMain)) != 0) {
            click_tab(0);
        }
        // The link starts unlit.
        ::SendMessageW(about_control(d::Label2), WM_MOUSEMOVE, 0, 0);
    }

    static StandinHost* host_;
    static bool path_known_;
    static bool through_dll_;
};

StandinHost* AboutBox::host_ = nullptr;
bool AboutBox::path_known_ = false;
bool AboutBox::through_dll_ = false;

}  // namespace

TEST_F(AboutBox, LoadsTextsTabsDocumentsAndItsDialogFrame) {
    HWND box = about_window();
    EXPECT_EQ(text_of(box), u"About");
    struct Text {
        HWND window;
        const char16_t* text;
    };
    const Text texts[] = {
        {about_control(d::lblTitle), u"Tarvex"},
        {about_control(d::lblVersion), u"Version 1.1.26"},
        {about_control(d::lblDescription),
         u"Tarvex\r\nThis is a replacement for the Microsoft Excel \r\nsearch and replace tool.\r\n"
         u"All comments and suggestions can be sent to.\r\n"},
        {about_control(d::Label2), u"Send Email To :"},
        {about_control(d::lblEmail), u"Marit Ellerby"},
        {about_control(d::cmdOK), u"OK"},
        {about_control(d::cmdSysInfo), u"&System Info..."},
        {item(d::id_fraAbout), u"About Tarvex"},
        {item(d::id_fraLicence), u"License"},
        {item(d::id_fraCredits), u"Credits"},
    };
    for (const Text& t : texts) {
        ASSERT_TRUE(t.window) << tarvex::utf16_to_utf8(t.text);
        EXPECT_EQ(text_of(t.window), t.text);
    }
    ASSERT_EQ(TabCtrl_GetItemCount(item(d::id_tbsMain)), 3);
    EXPECT_EQ(tab_caption(0), u"About");
    EXPECT_EQ(tab_caption(1), u"Licence");
    EXPECT_EQ(tab_caption(2), u"Credits");

    // A fixed dialog frame, off the task bar, and not owned by the main window: the
    // box neither follows it nor keeps it behind.
    const LONG_PTR style = ::GetWindowLongPtrW(box, GWL_STYLE);
    const LONG_PTR ex_style = ::GetWindowLongPtrW(box, GWL_EXSTYLE);
    EXPECT_TRUE(ex_style & WS_EX_DLGMODALFRAME);
    EXPECT_FALSE(ex_style & (WS_EX_APPWINDOW | WS_EX_TOOLWINDOW));
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    EXPECT_TRUE(style & WS_SYSMENU);
    const HWND owner = ::GetWindow(box, GW_OWNER);
    ASSERT_TRUE(owner);
    EXPECT_FALSE(::IsWindowVisible(owner));
    EXPECT_NE(owner, main_window());
    EXPECT_TRUE(::SendMessageW(box, WM_GETICON, ICON_BIG, 0));
    EXPECT_TRUE(::SendMessageW(box, WM_GETICON, ICON_SMALL, 0));
    EXPECT_EQ(::GetWindowLongPtrW(about_control(d::cmdOK), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);

    // The documents come from the DLL's resources into read-only rich-text boxes.
    struct Document {
        int id;
        const char* contains;
    };
    for (const Document& doc :
         {Document{d::id_txtLicence, "End-User Licence Agreement"}, Document{d::id_txtCredits, "Marit Ellerby"}}) {
        HWND box_of_text = item(doc.id);
        ASSERT_TRUE(box_of_text) << doc.contains;
        wchar_t name[32] = {};
        ::GetClassNameW(box_of_text, name, 32);
        EXPECT_EQ(::CompareStringOrdinal(name, -1, MSFTEDIT_CLASS, -1, TRUE), CSTR_EQUAL) << name;
        const LONG_PTR text_style = ::GetWindowLongPtrW(box_of_text, GWL_STYLE);
        EXPECT_TRUE(text_style & ES_READONLY);
        EXPECT_TRUE(text_style & WS_VSCROLL);
        const std::string text = tarvex::utf16_to_utf8(text_of(box_of_text));
        EXPECT_NE(text.find(doc.contains), std::string::npos) << text.substr(0, 80);
        // Rich text arrived as text, not as its source.
        EXPECT_EQ(text.find("\\rtf"), std::string::npos);
    }

    // The version the box shows is the one the DLL carries.
    const auto version = dll_version();
    ASSERT_TRUE(version);
    EXPECT_EQ(about::version_line(*version), about::version_line(about::product_version));
    EXPECT_EQ(version->build, about::product_version.build);
}

TEST_F(AboutBox, AboutTabStandsAtItsTwipGeometry) {
    HWND box = about_window();
    if (tarvex::window_dpi(box) != 96) {
        GTEST_SKIP() << "the pixel values are for 96 DPI";
    }
    EXPECT_EQ(outer_size().cx, 407);
    EXPECT_EQ(outer_size().cy, 300);

    // The strip fills the client area; the frame lies exactly on its page.
    HWND tab = item(d::id_tbsMain);
    RECT client{};
    ::GetClientRect(box, &client);
    const RECT strip = rect_in(tab, box);
    EXPECT_EQ(strip.left, 0);
    EXPECT_EQ(strip.top, 0);
    EXPECT_EQ(strip.right, client.right);
    EXPECT_EQ(strip.bottom, client.bottom);
    RECT page = client;
    TabCtrl_AdjustRect(tab, FALSE, &page);
    HWND frame = item(d::id_fraAbout);
    const RECT placed = rect_in(frame, box);
    EXPECT_EQ(placed.left, page.left);
    EXPECT_EQ(placed.top, page.top);
    EXPECT_EQ(placed.right, page.right);
    EXPECT_EQ(placed.bottom, page.bottom);

    for (int i = 0; i < static_cast<int>(d::controls.size()); ++i) {
        const d::Control& c = d::controls[static_cast<std::size_t>(i)];
        HWND control = about_control(i);
        ASSERT_TRUE(control) << tarvex::utf16_to_utf8(c.name);
        const RECT r = rect_in(control, frame);
        const std::string name = tarvex::utf16_to_utf8(c.name);
        EXPECT_EQ(r.left, px(c.geometry.left)) << name;
        EXPECT_EQ(r.top, px(c.geometry.top)) << name;
        EXPECT_EQ(r.right - r.left, px(c.geometry.width)) << name;
        EXPECT_EQ(r.bottom - r.top, px(c.geometry.height)) << name;
        // Everything fits on the page at this size: nothing is cut off.
        const RECT on_box = rect_in(control, box);
        EXPECT_LE(on_box.right, page.right) << name;
        EXPECT_LE(on_box.bottom, page.bottom) << name;
        EXPECT_TRUE(::IsWindowVisible(control)) << name;
    }
    // The separator spans its two lines: grey from (135, 2610), white 2 pixels
    // high from 2625, both to 5699.
    const RECT line = rect_in(item(d::id_Line1), frame);
    EXPECT_EQ(line.left, px(135));
    EXPECT_EQ(line.top, px(2610));
    EXPECT_EQ(line.right, px(5699));
    EXPECT_EQ(line.bottom, px(2625) + 2);
}

TEST_F(AboutBox, EveryTabChangeResizesAndCentresTheBox) {
    const int screen_width = ::GetSystemMetrics(SM_CXSCREEN);
    const int screen_height = ::GetSystemMetrics(SM_CYSCREEN);
    const bool at_96 = tarvex::window_dpi(about_window()) == 96;
    struct Step {
        int tab;
        SIZE size_at_96;
        int frame;
        int document;  // 0: the About tab's controls
    };
    const Step steps[] = {
        {1, {853, 667}, d::id_fraLicence, d::id_txtLicence},
        {2, {853, 667}, d::id_fraCredits, d::id_txtCredits},
        {0, {407, 300}, d::id_fraAbout, 0},
        {2, {853, 667}, d::id_fraCredits, d::id_txtCredits},
        {0, {407, 300}, d::id_fraAbout, 0},
    };
    for (const Step& step : steps) {
        click_tab(step.tab);
        ASSERT_EQ(TabCtrl_GetCurSel(item(d::id_tbsMain)), step.tab);
        const SIZE size = outer_size();
        if (at_96) {
            EXPECT_EQ(size.cx, step.size_at_96.cx) << "tab " << step.tab;
            EXPECT_EQ(size.cy, step.size_at_96.cy) << "tab " << step.tab;
        }
        RECT r{};
        ::GetWindowRect(about_window(), &r);
        EXPECT_LE(std::abs(r.left - (screen_width - size.cx) / 2.0), 1.0) << "tab " << step.tab;
        EXPECT_LE(std::abs(r.top - (screen_height - size.cy) / 2.0), 1.0) << "tab " << step.tab;

        // Only the selected tab's frame, with what is on it, shows.
        for (int frame : {d::id_fraAbout, d::id_fraLicence, d::id_fraCredits}) {
            EXPECT_EQ(visible(item(frame)), frame == step.frame) << "tab " << step.tab << " frame " << frame;
        }
        EXPECT_EQ(visible(about_control(d::cmdOK)), step.document == 0);
        EXPECT_EQ(visible(item(d::id_Line1)), step.document == 0);
        EXPECT_EQ(visible(item(d::id_txtLicence)), step.document == d::id_txtLicence);
        EXPECT_EQ(visible(item(d::id_txtCredits)), step.document == d::id_txtCredits);
        if (step.document != 0 && at_96) {
            const RECT text = rect_in(item(step.document), item(step.frame));
            EXPECT_EQ(text.left, px(45));
            EXPECT_EQ(text.top, px(180));
            EXPECT_EQ(text.right - text.left, px(12500));
            EXPECT_EQ(text.bottom - text.top, px(8500));
        }
    }

    // The keyboard changes tabs as well, through the same layout.
    HWND tab = item(d::id_tbsMain);
    ::SetFocus(tab);
    press_key(tab, VK_RIGHT);
    EXPECT_EQ(TabCtrl_GetCurSel(tab), 1);
    EXPECT_TRUE(visible(item(d::id_txtLicence)));
    if (at_96) {
        EXPECT_EQ(outer_size().cx, 853);
    }
    press_key(tab, VK_LEFT);
    EXPECT_TRUE(visible(about_control(d::cmdOK)));
}

TEST_F(AboutBox, LinkLightsOverItselfAndGoesDarkOnlyOverTheSurfaceAndTwoLabels) {
    struct Move {
        const char* over;
        HWND target;
        bool lit;
    };
    HWND box = about_window();
    const Move moves[] = {
        {"lblEmail", about_control(d::lblEmail), true},
        {"the frame", item(d::id_fraAbout), true},
        {"the tab strip", item(d::id_tbsMain), true},
        {"cmdOK", about_control(d::cmdOK), true},
        {"lblTitle", about_control(d::lblTitle), true},
        {"the window's surface", box, false},
        {"lblEmail again", about_control(d::lblEmail), true},
        {"Label2", about_control(d::Label2), false},
        {"lblEmail once more", about_control(d::lblEmail), true},
        {"lblDescription", about_control(d::lblDescription), false},
        {"cmdSysInfo", about_control(d::cmdSysInfo), false},
    };
    for (const Move& move : moves) {
        ::SendMessageW(move.target, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        EXPECT_EQ(link_colour(), move.lit ? RGB(0, 0, 255) : RGB(0, 0, 0)) << move.over;
        EXPECT_EQ(link_underlined(), move.lit) << move.over;
        if (!through_dll_) {
            EXPECT_EQ(tarvex::about_link_hot(), move.lit) << move.over;
        }
    }
    // Black text where the box says so, whatever the theme's colours.
    for (int label : {d::lblTitle, d::lblDescription}) {
        const tarvex::UniqueMemoryDc memory_dc(::CreateCompatibleDC(nullptr));
        const HDC dc = memory_dc.get();
        ::SendMessageW(box, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                       reinterpret_cast<LPARAM>(about_control(label)));
        EXPECT_EQ(::GetTextColor(dc), RGB(0, 0, 0));
    }
}

TEST_F(AboutBox, RealPointerReachesTheLabelsThroughFrameAndStrip) {
    // Moves of the pointer itself: the labels that matter take the mouse, the
    // frame and the strip pass it on without going dark.
    const auto move_to = [](HWND target) {
        RECT r{};
        ::GetWindowRect(target, &r);
        ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        pump(150);
    };
    ::SetForegroundWindow(about_window());
    pump(50);
    move_to(about_control(d::lblEmail));
    if (link_colour() != RGB(0, 0, 255)) {
        GTEST_SKIP() << "this display does not report pointer moves to windows";
    }
    move_to(about_control(d::picIcon));
    EXPECT_EQ(link_colour(), RGB(0, 0, 255)) << "over the icon, on the frame";
    move_to(about_control(d::lblVersion));
    EXPECT_EQ(link_colour(), RGB(0, 0, 255)) << "over a label that ignores the mouse";
    move_to(about_control(d::Label2));
    EXPECT_EQ(link_colour(), RGB(0, 0, 0)) << "over Label2";
    EXPECT_FALSE(link_underlined());
}

TEST_F(AboutBox, SystemInfoReportsAMissingToolAndStartsARecordedOne) {
    // The prefix's own record, if it has one, is put back afterwards.
    const wchar_t* msinfo = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, msinfo, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, &disposition),
        ERROR_SUCCESS);
    DWORD saved_type = 0;
    std::vector<BYTE> saved(4096);
    DWORD saved_size = static_cast<DWORD>(saved.size());
    const bool had_path =
        ::RegQueryValueExW(key, L"PATH", nullptr, &saved_type, saved.data(), &saved_size) == ERROR_SUCCESS;
    const auto set_path = [key](const std::wstring& path) {
        ::RegSetValueExW(key, L"PATH", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                         static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
    };

    set_path(L"C:\\no such folder\\msinfo32.exe");
    {
        MessageBoxAnswerer answerer;
        ::SendMessageW(about_control(d::cmdSysInfo), BM_CLICK, 0, 0);
        pump(300, [&] { return !answerer.shown.empty(); });
        ASSERT_EQ(answerer.shown.size(), 1u);
        EXPECT_EQ(answerer.shown[0].title, u"Tarvex");
        EXPECT_EQ(answerer.shown[0].text, u"System Information Is Unavailable At This Time");
    }
    EXPECT_TRUE(visible(about_window()));

    // A program that exits at once stands in for the tool: no message.
    set_path(tarvex::system_folder() + L"\\rundll32.exe");
    {
        MessageBoxAnswerer answerer;
        ::SendMessageW(about_control(d::cmdSysInfo), BM_CLICK, 0, 0);
        pump(300);
        EXPECT_TRUE(answerer.shown.empty());
    }
    if (had_path) {
        ::RegSetValueExW(key, L"PATH", 0, saved_type, saved.data(), saved_size);
    } else {
        ::RegDeleteValueW(key, L"PATH");
    }
    ::RegCloseKey(key);
    if (disposition == REG_CREATED_NEW_KEY) {
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, msinfo);
    }
}

TEST_F(AboutBox, ShowingAgainKeepsOneBoxInFront) {
    HWND first = about_window();
    show_box();
    show_box();
    EXPECT_EQ(about_window(), first);
    EXPECT_EQ(about_window_count(), 1);
    EXPECT_EQ(::GetForegroundWindow(), first);
}

TEST_F(AboutBox, EnterEscapeAndTheCloseBoxCloseIt) {
    struct Case {
        const char* name;
        int focused;
        UINT key;  // 0: the close box
    };
    const Case cases[] = {
        {"Enter on OK", d::cmdOK, VK_RETURN},
        {"Escape on System Info", d::cmdSysInfo, VK_ESCAPE},
        {"the close box", d::cmdOK, 0},
    };
    for (const Case& c : cases) {
        if (!visible(about_window())) {
            show_box();
        }
        const long locks = tarvex::module::lock_count();
        HWND focus = about_control(c.focused);
        ::SetFocus(focus);
        if (c.key != 0) {
            press_key(focus, c.key);
        } else {
            close_box();
        }
        pump(5000, [] { return about_window() == nullptr; });
        EXPECT_EQ(about_window(), nullptr) << c.name;
        if (!through_dll_) {
            // The box held the module while it was loaded.
            EXPECT_EQ(tarvex::module::lock_count(), locks - 1) << c.name;
        }
    }
}

TEST_F(AboutBox, ClosingTheMainWindowOrUnloadingClosesTheBox) {
    if (through_dll_) {
        ::SendMessageW(main_window(), WM_CLOSE, 0, 0);
        pump(5000, [] { return about_window() == nullptr; });
        EXPECT_EQ(about_window(), nullptr);
        return;
    }
    tarvex::unload_about_box();
    pump(5000, [] { return about_window() == nullptr; });
    EXPECT_EQ(about_window(), nullptr);
    EXPECT_EQ(tarvex::about_box_handle(), nullptr);
    // Unloading what is not loaded does nothing.
    tarvex::unload_about_box();
}

// Not a check: pictures of the three tabs to look at. scripts/lib/about-shots
// runs it with TARVEX_ABOUT_SHOTS set to a folder, takes each picture when
// "<tab>.ready" appears there (it holds the box's place on the screen) and
// answers with "<tab>.done".
TEST_F(AboutBox, DISABLED_Screenshots) {
    const char* folder = std::getenv("TARVEX_ABOUT_SHOTS");
    if (!folder) {
        GTEST_SKIP() << "TARVEX_ABOUT_SHOTS names no folder";
    }
    const std::string base = std::string(folder) + "\\";
    const char* names[] = {"about", "licence", "credits"};
    for (int tab = 0; tab < 3; ++tab) {
        click_tab(tab);
        HWND box = about_window();
        ::SetForegroundWindow(box);
        // Where a click leaves the focus: on OK when the box opens, on the strip after
        // a tab was clicked.
        ::SetFocus(tab == 0 ? about_control(d::cmdOK) : item(d::id_tbsMain));
        ::SetCursorPos(0, 0);
        pump(700);
        RECT r{};
        ::GetWindowRect(box, &r);
        const std::string ready = base + names[tab] + ".ready";
        const std::string done = base + names[tab] + ".done";
        if (FILE* file = std::fopen(ready.c_str(), "w")) {
            std::fprintf(file, "%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
            std::fclose(file);
        }
        pump(30000, [&] { return ::GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; });
    }
    click_tab(0);
}

TEST(AboutSystem, OrdinaryFilesOnly) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"tarvex-about-test";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    struct Case {
        const wchar_t* name;
        DWORD attributes;  // 0: not created
        bool ordinary;
    };
    const Case cases[] = {
        {L"plain.exe", FILE_ATTRIBUTE_NORMAL, true},
        {L"read only.exe", FILE_ATTRIBUTE_READONLY, true},
        {L"hidden.exe", FILE_ATTRIBUTE_HIDDEN, false},
        {L"system.exe", FILE_ATTRIBUTE_SYSTEM, false},
        {L"missing.exe", 0, false},
    };
    HWND owner = nullptr;
    about::SystemWin system(owner);
    for (const Case& c : cases) {
        const std::wstring path = folder + L"\\" + c.name;
        if (c.attributes != 0) {
            HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, c.attributes, nullptr);
            ASSERT_NE(file, INVALID_HANDLE_VALUE);
            ::CloseHandle(file);
        }
        EXPECT_EQ(system.is_ordinary_file(reinterpret_cast<const char16_t*>(path.c_str())), c.ordinary)
            << tarvex::utf16_to_utf8(reinterpret_cast<const char16_t*>(c.name));
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(path.c_str());
    }
    EXPECT_FALSE(system.is_ordinary_file(reinterpret_cast<const char16_t*>(folder.c_str())));
    EXPECT_FALSE(system.is_ordinary_file(u""));
    // A NUL inside the text would make the W function look at a shorter path.
    const std::u16string cut = reinterpret_cast<const char16_t*>(folder.c_str()) + std::u16string(1, u'\0') + u"x";
    EXPECT_FALSE(system.is_ordinary_file(cut));
    ::RemoveDirectoryW(folder.c_str());
}

TEST(AboutSystem, StartsProgramsAndExpandsTheEnvironment) {
    HWND owner = nullptr;
    about::SystemWin system(owner);
    const std::u16string system_folder = tarvex::from_wide(tarvex::system_folder());
    EXPECT_TRUE(system.start_program(system_folder + u"\\rundll32.exe"));
    EXPECT_FALSE(system.start_program(system_folder + u"\\no-such-program.exe"));
    EXPECT_FALSE(system.start_program(system_folder));
    EXPECT_FALSE(system.start_program(u""));

    wchar_t root[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"SystemRoot", root, MAX_PATH);
    const std::u16string expected = reinterpret_cast<const char16_t*>(root) + std::u16string(u"\\x");
    EXPECT_EQ(system.expand_environment(u"%SystemRoot%\\x"), expected);
    EXPECT_EQ(system.expand_environment(u"%TARVEX_NOT_SET%\\x"), u"%TARVEX_NOT_SET%\\x");
    EXPECT_EQ(system.expand_environment(u""), u"");
    // Longer after expansion than the text itself by far.
    std::u16string many;
    std::u16string many_expected;
    for (int i = 0; i < 50; ++i) {
        many += u"%SystemRoot%";
        many_expected += reinterpret_cast<const char16_t*>(root);
    }
    EXPECT_EQ(system.expand_environment(many), many_expected);
}

TEST(AboutRegistry, KeyValueThroughTheUnicodeFunctions) {
    const wchar_t* path = L"Software\\Pellwick\\TarvexAboutTest";
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path);
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    // `units` code units of `data`: the registry adds a NUL that follows them in
    // memory, so a value meant to end without one has more text behind it.
    const auto put = [key](const wchar_t* name, DWORD type, const std::wstring& data, std::size_t units) {
        ::RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>(units * sizeof(wchar_t)));
    };
    const std::wstring text = L"C:\\Ελληνικά\\msinfo32.exe";
    const std::wstring expand = L"%SystemRoot%\\msinfo32.exe";
    put(L"Text", REG_SZ, text, text.size() + 1);
    put(L"Expand", REG_EXPAND_SZ, expand, expand.size() + 1);
    put(L"Full", REG_SZ, std::wstring(513, L'f'), 512);     // 1,024 bytes, no NUL
    put(L"TooLong", REG_SZ, std::wstring(512, L't'), 513);  // 1,026 bytes
    const DWORD number = 4000000000u;
    ::RegSetValueExW(key, L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    ::RegCloseKey(key);

    tarvex::RegistryWin registry;
    HWND owner = nullptr;
    about::SystemWin system(owner);
    wchar_t root[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"SystemRoot", root, MAX_PATH);
    struct Case {
        const char16_t* name;
        bool read;
        std::u16string value;
    };
    const Case cases[] = {
        {u"Text", true, tarvex::u16("C:\\Ελληνικά\\msinfo32.exe")},
        {u"Expand", true, reinterpret_cast<const char16_t*>(root) + std::u16string(u"\\msinfo32.exe")},
        {u"Full", true, std::u16string(512, u'f')},
        {u"TooLong", false, u""},
        {u"Number", true, u"4000000000"},
        {u"Missing", false, u""},
    };
    for (const Case& c : cases) {
        std::u16string value = u"before";
        EXPECT_EQ(about::frmAbout::GetKeyValue(registry, system, tarvex::hkey_current_user,
                                               reinterpret_cast<const char16_t*>(path), c.name, value),
                  c.read)
            << tarvex::utf16_to_utf8(c.name);
        EXPECT_EQ(value, c.value) << tarvex::utf16_to_utf8(c.name);
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path);
}

TEST(ContextHelp, TopicOfTheControlOrItsWindowAndNothingWithoutAFile) {
    // A hidden window with a control inside a control, as a combo box holds its
    // edit field; never shown, so it comes and goes quickly.
    const tarvex::UniqueWindow owned_window(
        ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr));
    HWND window = owned_window.get();
    HWND outer = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 50, 50, window, nullptr, nullptr, nullptr);
    HWND inner = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 20, 20, outer, nullptr, nullptr, nullptr);
    ASSERT_TRUE(inner);
    const auto help_for = [](HWND focused, DWORD context) {
        HELPINFO info{};
        info.cbSize = sizeof(info);
        info.iContextType = HELPINFO_WINDOW;
        info.hItemHandle = focused;
        info.dwContextId = context;
        return tarvex::context_help_topic(&info, 20);
    };
    EXPECT_EQ(help_for(inner, 80), 80);  // the control's own number wins
    EXPECT_EQ(help_for(inner, 0), 20);   // nothing on the way up: the window's topic
    ::SetWindowContextHelpId(outer, 60);
    EXPECT_EQ(help_for(inner, 0), 60);
    ::SetWindowContextHelpId(window, 70);
    ::SetWindowContextHelpId(outer, 0);
    // The walk ends at the top-level window, whose own number counts as well.
    EXPECT_EQ(help_for(inner, 0), 70);
    EXPECT_EQ(tarvex::context_help_topic(nullptr, 20), 20);

    const std::wstring file = tarvex::context_help_file();
    const std::wstring folder = tarvex::folder_of(tarvex::module_path(nullptr));
    EXPECT_EQ(file, folder + L"Tarvex.chm");
    // No help file beside this program: F1 does nothing, and says nothing.
    HELPINFO info{};
    info.cbSize = sizeof(info);
    info.iContextType = HELPINFO_WINDOW;
    info.hItemHandle = inner;
    tarvex::show_context_help(window, &info, 20);
    EXPECT_EQ(::FindWindowW(L"HH Parent", nullptr), nullptr);
}

TEST(ContextHelp, HelpFileBesideTheDllMapsEveryHelpNumberOfTheMainWindow) {
    // The help file the build puts beside Tarvex.dll, read by the system's own
    // HTML Help: a number it cannot map opens nothing.
    const std::wstring file = tarvex::folder_of(tarvex::module_path(tarvex_dll())) + L"Tarvex.chm";
    ASSERT_NE(::GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES) << "no Tarvex.chm beside Tarvex.dll";

    // Kept loaded, as the DLL keeps it: its help windows run on a thread inside it.
    const HMODULE hhctrl = tarvex::load_system_library(L"hhctrl.ocx").release();
    ASSERT_TRUE(hhctrl);
    using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
    const auto html_help =
        reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(::GetProcAddress(hhctrl, "HtmlHelpW")));
    ASSERT_TRUE(html_help);
    constexpr UINT help_context = 0x000F;  // HH_HELP_CONTEXT
    constexpr UINT close_all = 0x0012;     // HH_CLOSE_ALL

    EXPECT_EQ(html_help(nullptr, file.c_str(), help_context, 99), nullptr) << "99 is no help number";
    std::vector<int> numbers = {tarvex::main_design::window_help_topic};
    for (const auto& c : tarvex::main_design::controls) {
        if (c.help_topic != 0) {
            numbers.push_back(c.help_topic);
        }
    }
    for (int number : numbers) {
        EXPECT_NE(html_help(nullptr, file.c_str(), help_context, static_cast<DWORD_PTR>(number)), nullptr)
            << "help number " << number;
    }
    html_help(nullptr, nullptr, close_all, 0);
    pump(3000, [] { return ::FindWindowW(L"HH Parent", nullptr) == nullptr; });
}
