#include "ui/main/frm_main_win.h"

#include <commctrl.h>

#include <array>
#include <optional>

#include "base/module_win.h"
#include "engine/commands.h"
#include "settings/column_layout.h"
#include "settings/recent_lists.h"
#include "settings/registry_win.h"
#include "ui/about/frm_about_win.h"
#include "ui/controls/controls_win.h"
#include "ui/controls/dialog_keyboard_win.h"
#include "ui/controls/list_view_win.h"
#include "ui/controls/progress_win.h"
#include "ui/controls/sort_key_win.h"
#include "ui/controls/win_util_win.h"
#include "ui/controls/window_base_win.h"
#include "ui/controls/window_class_win.h"
#include "ui/main/frm_main.h"
#include "ui/main/frm_main_ids.h"
#include "ui/main/help_win.h"
#include "ui/main/layout.h"
#include "ui/main/list_menu_win.h"
#include "ui/main/main_design.h"
#include "engine/result_list.h"
#include "engine/sorting.h"

namespace tarvex {
namespace {

namespace design = main_design;
namespace ids = frm_main_ids;

[[noreturn]] void throw_not_created() {
    throw HostError{static_cast<std::int32_t>(0x80004005), u"The Tarvex window could not be created.", tarvex_source};
}

// Height of the drop-down part of the combo boxes, below their edit field.
constexpr int combo_list_pixels = 200;
// The icon in the DLL's resources.
constexpr int icon_resource = 1;

class FrmMain final : public MainWindowPort, private FrmMainPlatform, private WindowBase {
public:
    // Closes the window as Cancel does; nothing when it is not loaded.
    void unload();
    void Hide() override {
        load();
        ::ShowWindow(hwnd_, SW_HIDE);
    }

    void setmeup() override {
        load();
        tarvex::setmeup(form_);
    }

    void Show() override {
        load();
        ::ShowWindow(hwnd_, SW_SHOW);
    }

    void ZOrder() override {
        load();
        ::SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ::SetForegroundWindow(hwnd_);
    }

    void SetFocus() override {
        load();
        ::SetActiveWindow(hwnd_);
        // A form takes the focus on its first control in tab order that can have it.
        HWND first = ::GetNextDlgTabItem(hwnd_, nullptr, FALSE);
        ::SetFocus(first ? first : hwnd_);
    }

private:
    HWND control(int index) const { return controls_[static_cast<std::size_t>(index)]; }

    void load();
    void create_controls();
    void apply_fonts();
    void place_all();
    void clip_labels();
    void place(int index, const Geometry& g);
    void on_size();
    // What only the window can do, when the unload sequence asks for it.
    void unload_about_box() override { tarvex::unload_about_box(); }
    void close_context_help() override { tarvex::close_context_help(); }
    void destroy() override { destroy_window(); }
    LRESULT on_notify(NMHDR* header);
    void on_command(int id);
    ListMenuContext list_context() { return ListMenuContext{hwnd_, view_, results_, commands_, globals()}; }
    LRESULT window_proc(UINT message, WPARAM wparam, LPARAM lparam) override;

    std::array<HWND, design::controls.size()> controls_{};
    HWND tooltip_ = nullptr;
    Scale scale_;
    UniqueFont font_;
    WindowIcons icons_;
    MainLayout layout_;  // the controls' twip geometry, as the layout rule left it
    ResultList results_{locale_sort_key};
    std::optional<module::Lock> lock_;

    // The ports the commands and settings routines work through.
    ComboBoxWin search_{controls_[design::cmbSearchFor]};
    ComboBoxWin replace_{controls_[design::cmbReplace]};
    CheckBoxWin entire_cell_{controls_[design::chkEntireCellContent]};
    StatusBarWin status_{controls_[design::StatusBar1], {design::status_panel_key}};
    ResultListViewWin view_{controls_[design::lvwMain], results_};
    ListColumnsWin columns_{controls_[design::lvwMain],
                            scale_,
                            u"frmMain",
                            u"lvwMain",
                            {{design::columns[0].key, design::columns[0].caption},
                             {design::columns[1].key, design::columns[1].caption},
                             {design::columns[2].key, design::columns[2].caption}}};
    ScreenWin screen_;
    MessageBoxesWin messages_{hwnd_};
    RegistryWin registry_;
    SettingsContext settings_{registry_, messages_};
    CommandProgressWin progress_{status_, design::status_panel_key, hwnd_};
    MainWindowControls commands_{search_, replace_,  entire_cell_, status_,  view_,
                                 screen_, messages_, settings_,    progress_};
    FrmMainParts form_{search_, replace_, columns_, settings_, *this};
};

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
                style |= WS_TABSTOP | (i == design::cmdFind ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
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

    // The result list: tick boxes, whole-row selection, columns the user can drag.
    HWND list = control(design::lvwMain);
    ListView_SetExtendedListViewStyle(
        list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
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

    // One status panel across the whole bar; the commands address it by its key.
    HWND status = control(design::StatusBar1);
    int parts[] = {-1};
    ::SendMessageW(status, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));

    // Tooltips of the buttons and the check box that have one.
    tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance, nullptr);
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
    };
    for (const auto& [index, member] : moved) {
        place(index, layout_.*member);
    }
}

void FrmMain::unload() {
    if (hwnd_) {
        unload_form(form_, globals());
    }
}

LRESULT FrmMain::on_notify(NMHDR* header) {
    if (header->idFrom != static_cast<UINT_PTR>(ids::control_id(design::lvwMain))) {
        return 0;
    }
    switch (header->code) {
        case NM_DBLCLK:
            lvwMain_double_click_at(commands_, globals(), reinterpret_cast<NMITEMACTIVATE*>(header)->iItem);
            return 0;
        case LVN_COLUMNCLICK:
            lvwMain_ColumnClick(settings_, view_, columns_, reinterpret_cast<NMLISTVIEW*>(header)->iSubItem + 1);
            return 0;
        case LVN_KEYDOWN:
            if (on_list_key(list_context(), reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey)) {
                return 0;
            }
            [[fallthrough]];
        default: {
            LRESULT result = 0;
            view_.on_notify(header, result);
            return result;
        }
    }
}

void FrmMain::on_command(int id) {
    // The list's menu commands also arrive as commands of the window, for tools
    // that drive windows by their commands.
    if (id >= static_cast<int>(list_menu::Command::go_to) && id <= static_cast<int>(list_menu::Command::undo_replace)) {
        run_list_command(list_context(), static_cast<list_menu::Command>(id));
        return;
    }
    switch (id) {
        case ids::control_id(design::cmdFind):
            cmdFind_Click(commands_, globals());
            break;
        case ids::control_id(design::cmdReplace):
            cmdReplace_Click(commands_, globals());
            break;
        case ids::control_id(design::cmdReplaceAll):
            cmdReplaceAll_Click(commands_, globals());
            break;
        case ids::control_id(design::cmdAbout):
            show_about_box();
            break;
        case ids::cancel:
            if (hwnd_) {
                CommandButton2_Click(form_, globals());
            }
            break;
        default:
            break;
    }
}

LRESULT FrmMain::window_proc(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE: {
            lock_.emplace();
            settings_.decimal_separator = user_decimal_separator();
            scale_.dpi = window_dpi(hwnd_);
            icons_ = set_window_icons(hwnd_, module_instance(), icon_resource);
            create_controls();
            apply_fonts();
            layout_ = design::design_layout();
            place_all();
            attach_dialog_keyboard(hwnd_);
            return 0;
        }
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
            // Enter anywhere in the window, the combo boxes included, presses Find.
            return MAKELRESULT(ids::control_id(design::cmdFind), DC_HASDEFID);
        case WM_COMMAND:
            // Buttons send BN_CLICKED; the dialog manager sends Enter and Esc with no control.
            if (HIWORD(wparam) == BN_CLICKED || lparam == 0) {
                on_command(LOWORD(wparam));
            }
            return 0;
        case WM_SETCURSOR:
            if (ScreenWin::apply_pointer()) {
                return TRUE;
            }
            return ::DefWindowProcW(hwnd_, message, wparam, lparam);
        case WM_NOTIFY:
            return on_notify(reinterpret_cast<NMHDR*>(lparam));
        case WM_CONTEXTMENU:
            // Right click, Shift+F10 or the menu key on the list; -1 means the keyboard.
            if (reinterpret_cast<HWND>(wparam) == controls_[design::lvwMain]) {
                const bool from_keyboard = lparam == -1;
                const POINT at = from_keyboard
                                     ? view_.menu_point()
                                     : POINT{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
                show_list_menu(list_context(), at);
                return 0;
            }
            return ::DefWindowProcW(hwnd_, message, wparam, lparam);
        case WM_CLOSE:
            unload();
            return 0;
        case WM_DESTROY:
            detach_dialog_keyboard(hwnd_);
            return 0;
        case WM_NCDESTROY:
            hwnd_ = nullptr;
            controls_.fill(nullptr);
            tooltip_ = nullptr;
            results_.clear();
            font_.reset();
            icons_ = WindowIcons{};
            lock_.reset();
            return 0;
        default:
            return ::DefWindowProcW(hwnd_, message, wparam, lparam);
    }
}

FrmMain& instance() {
    static FrmMain window;
    return window;
}

}  // namespace

MainWindowPort& main_window() {
    return instance();
}

void unload_main_window() {
    instance().unload();
}

}  // namespace tarvex
