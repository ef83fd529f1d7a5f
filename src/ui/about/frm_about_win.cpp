#include "ui/about/frm_about_win.h"

#include <commctrl.h>

#include <optional>
#include <string>

#include "base/module_win.h"
#include "settings/registry_win.h"
#include "ui/about/about.h"
#include "ui/about/about_dialog_focus_win.h"
#include "ui/about/about_layout_win.h"
#include "ui/about/about_link_win.h"
#include "ui/about/about_paint_win.h"
#include "ui/about/about_resources.h"
#include "ui/about/about_rich_text_win.h"
#include "ui/about/sys_info.h"
#include "ui/about/system_win.h"
#include "ui/controls/controls_win.h"
#include "ui/controls/dialog_keyboard_win.h"
#include "ui/controls/win_util_win.h"
#include "ui/controls/window_base_win.h"
#include "ui/controls/window_class_win.h"

namespace tarvex {
namespace {

namespace d = about::design;

constexpr wchar_t window_class[] = L"Tarvex.frmAbout.Window";
// The icon in the DLL's resources, the main window's too.
constexpr int icon_resource = 1;

HMODULE resource_override = nullptr;

HMODULE resource_module() {
    return resource_override ? resource_override : module_instance();
}

class FrmAbout final : private WindowBase {
public:
    void show();
    void unload();
    HWND hwnd() const { return hwnd_; }
    bool link_hot() const { return link_.look().hot(); }

private:
    HWND control(int index) const { return children_.control(index); }

    void load();
    void create_controls();
    void apply_fonts();
    void load_picture();
    void run_load_steps();
    void tab_layout();
    LRESULT on_ctl_color(HDC dc, HWND child);
    void on_draw_item(const DRAWITEMSTRUCT& item);
    void on_command(int id, int code);
    void on_create();
    void on_system_change(UINT message, WPARAM wparam, LPARAM lparam);
    void on_destroyed();
    void cmdOK_Click();
    LRESULT window_proc(UINT message, WPARAM wparam, LPARAM lparam) override;

    // Keeps the box off the task bar: an unowned window gets a button there, a
    // window owned by a hidden one does not. The main window is not the owner, so
    // the box does not follow it in front of the host or into a minimised state.
    UniqueWindow owner_;
    about::ChildWindows children_;
    about::DialogFocus focus_;

    Scale scale_;
    about::Fonts fonts_;
    WindowIcons icons_;
    UniqueIcon picture_;
    about::PageBackground page_;
    about::RichEditLibrary rich_edit_;
    about::LinkLabel link_;
    std::optional<module::Lock> lock_;

    RegistryWin registry_;
    about::SystemWin system_{hwnd_};
    MessageBoxesWin messages_{hwnd_};
};

void FrmAbout::show() {
    load();
    if (!hwnd_) {
        return;
    }
    ::ShowWindow(hwnd_, SW_SHOW);
    ::SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetForegroundWindow(hwnd_);
}

void FrmAbout::unload() {
    if (hwnd_) {
        destroy_window();
    }
    // Only after the box has gone: destroying the owner first would take the box
    // with it halfway through its own destruction.
    owner_.reset();
}

void FrmAbout::load() {
    if (hwnd_) {
        return;
    }
    // WM_ERASEBKGND paints the tab page: no class brush.
    // Without its class there is no box to show: the button then does nothing.
    if (!register_class(window_class, 0, nullptr)) {
        return;
    }

    ActivationScope activation;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    rich_edit_.load();

    owner_.reset();
    // A system class: should the box ever be destroyed without its owner, the
    // owner left behind runs no code of this DLL.
    owner_.reset(
        ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, module_instance(), nullptr));

    const UINT dpi = window_dpi(nullptr);
    const Scale design{dpi};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD ex_style = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    // Created at the About tab's size; the tab layout sizes and centres it before
    // it is first seen.
    ::CreateWindowExW(ex_style, window_class, wide(about::caption.data()), style, 0, 0,
                      design.px(about::about_outer_size.width), design.px(about::about_outer_size.height), owner_.get(),
                      nullptr, module_instance(), creation_parameter());
    if (!hwnd_) {
        owner_.reset();
        rich_edit_.free();
    }
}

void FrmAbout::create_controls() {
    children_ = about::create_child_windows(hwnd_, scale_);
    for (HWND frame : children_.frames) {
        page_.show_through(frame);
    }
    link_.watch(control(d::lblEmail), control(d::Label2), control(d::lblDescription), children_.tab);
}

void FrmAbout::apply_fonts() {
    fonts_ = about::fitting_fonts(hwnd_, children_, scale_);
    about::set_fonts(children_, fonts_);
    link_.use_fonts(fonts_.plain.get(), fonts_.underlined.get());
}

void FrmAbout::load_picture() {
    const int size = scale_.px(d::controls[d::picIcon].geometry.width);
    picture_.reset(static_cast<HICON>(
        ::LoadImageW(resource_module(), MAKEINTRESOURCEW(icon_resource), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    icons_ = set_window_icons(hwnd_, resource_module(), icon_resource);
}

void FrmAbout::run_load_steps() {
    set_window_text(hwnd_, std::u16string(about::caption));
    set_window_text(control(d::lblVersion), about::version_line(about::product_version));
    set_window_text(control(d::lblTitle), std::u16string(about::title));
    set_window_text(control(d::lblDescription), u"");
    set_window_text(control(d::lblDescription), about::description_text());
    about::stream_document(children_.txtLicence, resource_module(), TARVEX_IDR_LICENCE);
    about::stream_document(children_.txtCredits, resource_module(), TARVEX_IDR_CREDITS);
}

void FrmAbout::tab_layout() {
    about::lay_out_selected_tab(hwnd_, children_, scale_, page_);
}

LRESULT FrmAbout::on_ctl_color(HDC dc, HWND child) {
    const COLORREF text = about::text_colour(children_.index_of(child), link_.look());
    return reinterpret_cast<LRESULT>(page_.colour_control(dc, child, text));
}

void FrmAbout::on_draw_item(const DRAWITEMSTRUCT& item) {
    page_.fill(item.hDC, item.hwndItem, item.rcItem);
    if (item.hwndItem == control(d::picIcon)) {
        about::draw_picture(item, picture_.get());
        return;
    }
    if (item.hwndItem == children_.line) {
        about::draw_bands(item.hDC, about::separator_bands(children_, scale_));
    }
}

void FrmAbout::cmdOK_Click() {
    ::ShowWindow(hwnd_, SW_HIDE);
    unload();
}

void FrmAbout::on_command(int id, int code) {
    switch (id) {
        case d::id_ok:
        case d::id_cancel:
            // Enter, Esc and a click on OK all arrive here.
            cmdOK_Click();
            break;
        case d::control_id(d::cmdSysInfo):
            if (code == BN_CLICKED) {
                about::StartSysInfo(registry_, system_, messages_);
            }
            break;
        case d::control_id(d::lblEmail):
            if (code == STN_CLICKED) {
                about::open_mail_link(system_, about::product_version);
            }
            break;
        default:
            break;
    }
}

void FrmAbout::on_create() {
    lock_.emplace();
    scale_.dpi = window_dpi(hwnd_);
    create_controls();
    load_picture();
    run_load_steps();
    // The font is chosen for the texts the labels now hold.
    apply_fonts();
    // The first tab is selected when the box loads.
    tab_layout();
    focus_.start_at(control(d::cmdOK));
    attach_dialog_keyboard(hwnd_);
}

void FrmAbout::on_system_change(UINT message, WPARAM wparam, LPARAM lparam) {
    // The message font or the colours may have changed; the box keeps its size
    // and place, which only a tab change or a new DPI moves.
    ::SendMessageW(children_.tab, message, wparam, lparam);
    apply_fonts();
    page_.refresh(children_.tab);
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void FrmAbout::on_destroyed() {
    hwnd_ = nullptr;
    children_ = {};
    focus_.forget();
    link_.forget();
    fonts_ = {};
    icons_ = WindowIcons{};
    picture_.reset();
    page_.clear();
    // The rich-text boxes are gone by now: their library may go too.
    rich_edit_.free();
    lock_.reset();
}

LRESULT FrmAbout::window_proc(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            on_create();
            return 0;
        case WM_ACTIVATE:
            focus_.activate(hwnd_, wparam, children_.tab);
            return 0;
        case WM_ERASEBKGND:
        case WM_PRINTCLIENT: {
            RECT area{};
            ::GetClientRect(hwnd_, &area);
            page_.fill(reinterpret_cast<HDC>(wparam), hwnd_, area);
            return message == WM_ERASEBKGND ? 1 : 0;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return on_ctl_color(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
        case WM_DRAWITEM:
            on_draw_item(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
            return TRUE;
        case WM_MOUSEMOVE:
            link_.pointer_moved(about::PointerOver::window_surface);
            return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lparam);
            if (header->hwndFrom == children_.tab && header->code == TCN_SELCHANGE) {
                tab_layout();
            }
            return 0;
        }
        case DM_GETDEFID:
            return MAKELRESULT(d::id_ok, DC_HASDEFID);
        case WM_NEXTDLGCTL:
            about::next_dialog_control(hwnd_, wparam, lparam);
            return 0;
        case WM_COMMAND:
            on_command(LOWORD(wparam), HIWORD(wparam));
            return 0;
        case WM_SETTINGCHANGE:
        case WM_SYSCOLORCHANGE:
        case WM_THEMECHANGED:
            on_system_change(message, wparam, lparam);
            return 0;
        case WM_DPICHANGED:
            scale_.dpi = HIWORD(wparam);
            apply_fonts();
            load_picture();
            tab_layout();
            return 0;
        case WM_CLOSE:
            unload();
            return 0;
        case WM_DESTROY:
            detach_dialog_keyboard(hwnd_);
            return 0;
        case WM_NCDESTROY:
            on_destroyed();
            return 0;
        default:
            return ::DefWindowProcW(hwnd_, message, wparam, lparam);
    }
}

FrmAbout& instance() {
    static FrmAbout box;
    return box;
}

}  // namespace

void show_about_box() noexcept {
    try {
        instance().show();
    } catch (...) {
        // The box could not be built; the main window goes on without it.
    }
}

void unload_about_box() noexcept {
    try {
        instance().unload();
    } catch (...) {
        // Called while the main window unloads: nothing may stop that.
    }
}

HWND about_box_handle() noexcept {
    return instance().hwnd();
}

bool about_link_hot() noexcept {
    return instance().link_hot();
}

void use_about_resources_from(HMODULE module) noexcept {
    resource_override = module;
}

}  // namespace tarvex
