#include "ui/main/frm_main_win.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <optional>

#include "base/module_win.h"
#include "engine/command_texts.h"
#include "ui/about/frm_about_win.h"
#include "ui/controls/controls_win.h"
#include "ui/controls/dialog_keyboard_win.h"
#include "ui/controls/window_class_win.h"
#include "ui/main/frm_main_ids.h"
#include "ui/main/help_win.h"
#include "ui/main/list_menu_win.h"
#include "ui/main/options_menu.h"
#include "ui/main/options_menu_win.h"

namespace tarvex {
namespace {

namespace design = main_design;
namespace ids = frm_main_ids;

[[noreturn]] void throw_not_created() {
    throw HostError{static_cast<std::int32_t>(0x80004005), command_texts::window_not_created, tarvex_source};
}

// Height of the drop-down part of the combo boxes, below their edit field.
constexpr int combo_list_pixels = 200;
// The icon in the DLL's resources.
constexpr int icon_resource = 1;

}  // namespace

void FrmMain::Hide() {
    load();
    ::ShowWindow(hwnd_, SW_HIDE);
}

void FrmMain::setmeup() {
    load();
    FrmMainParts form = parts();
    tarvex::setmeup(form, links_->session);
}

void FrmMain::Show() {
    load();
    ::ShowWindow(hwnd_, SW_SHOW);
}

void FrmMain::ZOrder() {
    load();
    ::SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetForegroundWindow(hwnd_);
}

void FrmMain::SetFocus() {
    load();
    ::SetActiveWindow(hwnd_);
    // A form takes the focus on its first control in tab order that can have it.
    HWND first = ::GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    ::SetFocus(first ? first : hwnd_);
}

FrmMainParts FrmMain::parts() {
    return FrmMainParts{links_->view.search_box(), links_->view.replace_box(), links_->columns, links_->settings,
                        *this};
}

void FrmMain::unload_about_box() {
    tarvex::unload_about_box();
}

void FrmMain::close_context_help() {
    tarvex::close_context_help();
}

void FrmMain::load() {
    if (hwnd_) {
        return;
    }
    if (!register_class(ids::window_class, CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1))) {
        throw_not_created();
    }

    ActivationScope activation;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);

    scale_.dpi = window_dpi(nullptr);
    RECT frame{0, 0, scale_.px(design::client_width), scale_.px(design::client_height)};
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    const DWORD ex_style = WS_EX_CONTROLPARENT;
    ::AdjustWindowRectEx(&frame, style, FALSE, ex_style);
    const HWND created = ::CreateWindowExW(
        ex_style, ids::window_class, wide(design::caption.data()), style, CW_USEDEFAULT, CW_USEDEFAULT,
        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, module_instance(), creation_parameter());
    if (!created) {
        throw_not_created();
    }
}

void FrmMain::create_controls() {
    const HINSTANCE instance = module_instance();
    for (int i = 0; i < static_cast<int>(design::controls.size()); ++i) {
        const design::Control& c = design::controls[static_cast<std::size_t>(i)];
        const wchar_t* cls = L"STATIC";
        DWORD style = WS_CHILD | WS_VISIBLE;
        DWORD ex_style = 0;
        switch (c.kind) {
            case design::Kind::label:
                style |= SS_LEFT;
                break;
            case design::Kind::combo_box:
                cls = WC_COMBOBOXW;
                style |= CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
                break;
            case design::Kind::button:
                cls = WC_BUTTONW;
                style |= WS_TABSTOP | (i == enter_presses ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
                break;
            case design::Kind::check_box:
                cls = WC_BUTTONW;
                style |= WS_TABSTOP | BS_AUTOCHECKBOX;
                break;
            case design::Kind::list_view:
                cls = WC_LISTVIEWW;
                style |= WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS;
                ex_style = WS_EX_CLIENTEDGE;
                break;
            case design::Kind::status_bar:
                cls = STATUSCLASSNAMEW;
                style |= SBARS_SIZEGRIP;
                break;
        }
        const std::u16string caption(c.caption);
        controls_[static_cast<std::size_t>(i)] =
            ::CreateWindowExW(ex_style, cls, wide(caption), style, 0, 0, 0, 0, hwnd_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(ids::control_id(i))), instance, nullptr);
        if (c.help_topic != 0) {
            ::SetWindowContextHelpId(controls_[static_cast<std::size_t>(i)], static_cast<DWORD>(c.help_topic));
        }
    }
    ::SetWindowContextHelpId(hwnd_, design::window_help_topic);
    create_columns();
    // One status panel across the whole bar; the commands address it by its key.
    int parts[] = {-1};
    ::SendMessageW(control(design::StatusBar1), SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
    create_tooltips();
}

void FrmMain::create_columns() {
    // The result list: tick boxes, whole-row selection, columns the user can drag.
    HWND list = control(design::lvwMain);
    ListView_SetExtendedListViewStyle(
        list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_DOUBLEBUFFER);
    // Owner-data lists keep no tick state: the model answers for the state image.
    ListView_SetCallbackMask(list, LVIS_STATEIMAGEMASK);
    for (int i = 0; i < static_cast<int>(design::columns.size()); ++i) {
        const std::u16string caption(design::columns[static_cast<std::size_t>(i)].caption);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = scale_.px(design::column_width);
        column.pszText = const_cast<wchar_t*>(wide(caption));
        column.iSubItem = i;
        ListView_InsertColumn(list, i, &column);
    }
    // The list's own keys are taken before the control sees them: its handling
    // of Space would otherwise shrink a selection the command has just ticked.
    ::SetWindowSubclass(list, list_proc, 1, reinterpret_cast<DWORD_PTR>(this));
    // Resting the pointer on a row shows what Replace would write there.
    row_tip_.create(hwnd_, list, [this](int row) {
        return links_ ? links_->session.preview(static_cast<std::size_t>(row)) : std::u16string();
    });
}

void FrmMain::create_tooltips() {
    // Tooltips of the buttons and the check box that have one.
    tooltip_ =
        ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, module_instance(), nullptr);
    for (int i = 0; i < static_cast<int>(design::controls.size()); ++i) {
        const design::Control& c = design::controls[static_cast<std::size_t>(i)];
        if (c.tooltip.empty()) {
            continue;
        }
        const std::u16string tip(c.tooltip);
        TOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = hwnd_;
        tool.uId = reinterpret_cast<UINT_PTR>(control(i));
        tool.lpszText = const_cast<wchar_t*>(wide(tip));
        ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void FrmMain::apply_fonts() {
    font_ = message_font(scale_.dpi);
    for (HWND c : controls_) {
        ::SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    }
}

void FrmMain::place(int index, const Geometry& g) {
    HWND c = control(index);
    int height = scale_.px(g.height);
    if (design::controls[static_cast<std::size_t>(index)].kind == design::Kind::combo_box) {
        // A drop-down combo's window includes its list; its edit field is sized
        // through the selection item's height, so the field gets the design height.
        RECT field{};
        ::GetWindowRect(c, &field);
        const int item = static_cast<int>(::SendMessageW(c, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
        const int border = (field.bottom - field.top) - item;
        if (item > 0 && border > 0 && height - border > 0) {
            ::SendMessageW(c, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height - border);
        }
        height += combo_list_pixels;
    }
    ::MoveWindow(c, scale_.px(g.left), scale_.px(g.top), scale_.px(g.width), height, TRUE);
}

void FrmMain::place_all() {
    // The labels never move; everything else stands where the layout rule put it.
    for (int label : {design::Label1, design::Label2}) {
        place(label, design::controls[static_cast<std::size_t>(label)].geometry);
    }
    on_size();
    clip_labels();
}

void FrmMain::clip_labels() {
    // A label's design rectangle runs under the combo box beside it. Labels are
    // drawn beneath the other controls, so the part a control covers is cut from
    // the label's window; the label keeps its place in the tab order, which its
    // access key relies on.
    for (int label : {design::Label1, design::Label2}) {
        HWND window = control(label);
        RECT own{};
        ::GetWindowRect(window, &own);
        UniqueRegion visible(::CreateRectRgn(0, 0, own.right - own.left, own.bottom - own.top));
        for (int i = 0; i < static_cast<int>(design::controls.size()); ++i) {
            if (design::controls[static_cast<std::size_t>(i)].kind == design::Kind::label) {
                continue;
            }
            RECT other{};
            RECT overlap{};
            ::GetWindowRect(control(i), &other);
            if (::IntersectRect(&overlap, &own, &other)) {
                const UniqueRegion covered(::CreateRectRgn(overlap.left - own.left, overlap.top - own.top,
                                                           overlap.right - own.left, overlap.bottom - own.top));
                ::CombineRgn(visible.get(), visible.get(), covered.get(), RGN_DIFF);
            }
        }
        // The window owns the region from here on.
        ::SetWindowRgn(window, visible.release(), TRUE);
    }
}

void FrmMain::on_size() {
    HWND status = control(design::StatusBar1);
    if (!status) {
        return;  // sizing messages of the window's own creation come before its controls
    }
    // The status bar docks itself to the bottom edge and takes its own height.
    ::SendMessageW(status, WM_SIZE, 0, 0);
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    RECT bar{};
    ::GetWindowRect(status, &bar);
    const ClientArea area{0, scale_.twips(client.right - client.left), scale_.twips(client.bottom - client.top),
                          scale_.twips(bar.bottom - bar.top)};
    apply_main_layout(layout_, area);
    const std::pair<int, Geometry MainLayout::*> moved[] = {
        {design::cmbSearchFor, &MainLayout::cmbSearchFor},
        {design::cmdFind, &MainLayout::cmdFind},
        {design::cmbReplace, &MainLayout::cmbReplace},
        {design::chkEntireCellContent, &MainLayout::chkEntireCellContent},
        {design::cmdReplace, &MainLayout::cmdReplace},
        {design::cmdAbout, &MainLayout::cmdAbout},
        {design::cmdReplaceAll, &MainLayout::cmdReplaceAll},
        {design::CommandButton2, &MainLayout::CommandButton2},
        {design::lvwMain, &MainLayout::lvwMain},
        {design::cmdOptions, &MainLayout::cmdOptions},
    };
    for (const auto& [index, member] : moved) {
        place(index, layout_.*member);
    }
}

void FrmMain::unload() {
    if (hwnd_ && links_) {
        FrmMainParts form = parts();
        unload_form(form, links_->session);
    }
}

LRESULT FrmMain::on_notify(NMHDR* header) {
    if (row_tip_.on_notify(header)) {
        return 0;
    }
    if (header->idFrom != static_cast<UINT_PTR>(ids::control_id(design::lvwMain)) || !links_) {
        return 0;
    }
    SearchSession& session = links_->session;
    switch (header->code) {
        case NM_DBLCLK:
            session.double_click_at(reinterpret_cast<NMITEMACTIVATE*>(header)->iItem);
            return 0;
        case NM_CLICK: {
            // An owner-data list keeps no tick state: a click on the box only
            // notifies, and the session toggles the row.
            const auto [row, on_tick_box] = links_->view.list().hit(*reinterpret_cast<NMITEMACTIVATE*>(header));
            session.tick_box_clicked(row, on_tick_box);
            return 0;
        }
        case LVN_COLUMNCLICK:
            session.lvwMain_ColumnClick(links_->columns, reinterpret_cast<NMLISTVIEW*>(header)->iSubItem + 1);
            return 0;
        default: {
            LRESULT result = 0;
            links_->view.list().on_notify(header, result);
            return result;
        }
    }
}

void FrmMain::on_command(int id) {
    if (!links_) {
        return;
    }
    SearchSession& session = links_->session;
    // The menus' commands also arrive as commands of the window, for tools that
    // drive windows by their commands.
    if (id >= static_cast<int>(list_menu::first_command) && id <= static_cast<int>(list_menu::last_command)) {
        session.run_list_command(static_cast<list_menu::Command>(id));
        return;
    }
    if (id >= static_cast<int>(options_menu::Item::match_case) &&
        id <= static_cast<int>(options_menu::Item::replace_from_clipboard)) {
        run_options_item(session, static_cast<options_menu::Item>(id));
        return;
    }
    switch (id) {
        case ids::control_id(design::cmdFind):
            session.cmdFind_Click();
            break;
        case ids::control_id(design::cmdReplace):
            session.cmdReplace_Click();
            break;
        case ids::control_id(design::cmdReplaceAll):
            session.cmdReplaceAll_Click();
            break;
        case ids::control_id(design::cmdAbout):
            show_about_box();
            break;
        case ids::control_id(design::cmdOptions):
            show_options_menu(control(design::cmdOptions), session);
            break;
        case ids::control_id(esc_presses):
            if (hwnd_) {
                FrmMainParts form = parts();
                CommandButton2_Click(form, session);
            }
            break;
        default:
            break;
    }
}

bool FrmMain::on_context_menu(HWND target, LPARAM at) {
    // Right click, Shift+F10 or the menu key on the list; -1 means the keyboard.
    if (target != control(design::lvwMain) || !links_) {
        return false;
    }
    const POINT point = at == -1 ? links_->view.list().menu_point()
                                 : POINT{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    show_list_menu(hwnd_, links_->session, point);
    return true;
}

bool FrmMain::on_list_key(WPARAM key) {
    const bool ctrl = (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
    const bool alt = (::GetKeyState(VK_MENU) & 0x8000) != 0;
    return links_ && links_->session.list_key(static_cast<int>(key), ctrl, alt);
}

LRESULT CALLBACK FrmMain::list_proc(HWND list, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                    DWORD_PTR self) {
    if (message == WM_KEYDOWN) {
        try {
            if (reinterpret_cast<FrmMain*>(self)->on_list_key(wparam)) {
                return 0;
            }
        } catch (...) {
            // A window procedure lets nothing reach the host's message loop.
            return 0;
        }
    } else if (message == WM_MOUSEMOVE) {
        reinterpret_cast<FrmMain*>(self)->row_tip_.pointer_moved(lparam);
    } else if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(list, list_proc, id);
    }
    return ::DefSubclassProc(list, message, wparam, lparam);
}

LRESULT FrmMain::on_create() {
    lock_.emplace();
    if (links_) {
        links_->settings.decimal_separator = user_decimal_separator();
    }
    scale_.dpi = window_dpi(hwnd_);
    icons_ = set_window_icons(hwnd_, module_instance(), icon_resource);
    create_controls();
    apply_fonts();
    layout_ = design::design_layout();
    place_all();
    attach_dialog_keyboard(hwnd_);
    return 0;
}

void FrmMain::on_destroyed() {
    hwnd_ = nullptr;
    controls_.fill(nullptr);
    tooltip_ = nullptr;
    font_.reset();
    icons_ = WindowIcons{};
    lock_.reset();
}

LRESULT FrmMain::window_proc(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            return on_create();
        case WM_SIZE:
            on_size();
            return 0;
        case WM_DPICHANGED: {
            scale_.dpi = HIWORD(wparam);
            apply_fonts();
            const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
            ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                           suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            place_all();
            return 0;
        }
        case WM_HELP:
            show_context_help(hwnd_, reinterpret_cast<const HELPINFO*>(lparam), design::window_help_topic);
            return TRUE;
        case DM_GETDEFID:
            return MAKELRESULT(ids::control_id(enter_presses), DC_HASDEFID);
        case WM_COMMAND:
            // Buttons send BN_CLICKED; the dialog manager sends Enter and Esc with no control.
            if (HIWORD(wparam) == BN_CLICKED || lparam == 0) {
                on_command(LOWORD(wparam));
            }
            return 0;
        case WM_SETCURSOR:
            return ScreenWin::apply_pointer() ? TRUE : ::DefWindowProcW(hwnd_, message, wparam, lparam);
        case WM_NOTIFY:
            return on_notify(reinterpret_cast<NMHDR*>(lparam));
        case WM_CONTEXTMENU:
            return on_context_menu(reinterpret_cast<HWND>(wparam), lparam)
                       ? 0
                       : ::DefWindowProcW(hwnd_, message, wparam, lparam);
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

}  // namespace tarvex
