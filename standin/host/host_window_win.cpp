#include "host/host_window_win.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <exception>
#include <optional>

#include "base/text.h"
#include "com/object_model_win.h"

namespace standin::host {
namespace {

const wchar_t host_class_name[] = L"TarvexStandinHost";
const char16_t default_title[] = u"tarvex-host";
constexpr UINT_PTR poll_timer = 1;
constexpr UINT_PTR close_timer = 2;
constexpr UINT poll_interval_ms = 200;
constexpr int grid_id = 10;

// A submenu belongs to its menu bar once appended; until then it is ours.
void append_popup(HMENU bar, UniqueMenu popup, const wchar_t* text) {
    if (popup && ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup.get()), text)) {
        (void)popup.release();
    }
}

// Menu texts treat & as the mnemonic marker; a workbook name shows it literally.
std::u16string escape_ampersands(const std::u16string& text) {
    std::u16string escaped;
    for (char16_t c : text) {
        escaped += c;
        if (c == u'&') {
            escaped += u'&';
        }
    }
    return escaped;
}

std::u16string window_text(HWND window) {
    std::u16string text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, u'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()))));
    return text;
}

void set_window_text(HWND window, const std::u16string& text) {
    if (window_text(window) != text) {
        ::SetWindowTextW(window, wide(text));
    }
}

}  // namespace

HostWindow::HostWindow(std::shared_ptr<Application> application) : application_(std::move(application)) {}

bool HostWindow::create(int show_command) {
    dpi_ = system_dpi();
    font_ = create_message_font();

    ACCEL keys[] = {
        {FCONTROL | FVIRTKEY, 'O', command_open},
        {FCONTROL | FVIRTKEY, 'W', command_close_workbook},
        {FCONTROL | FSHIFT | FVIRTKEY, 'F', command_open_tarvex},
    };
    accelerators_.reset(::CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys))));

    int x = CW_USEDEFAULT;
    int y = CW_USEDEFAULT;
    int width = scale(900, dpi_);
    int height = scale(640, dpi_);
    place_on_screen(&x, &y, &width, &height);
    if (!create_window(host_class_name, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), 0,
                       WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, default_title, x, y, width, height, nullptr, nullptr)) {
        return false;
    }
    ::SetTimer(hwnd(), poll_timer, poll_interval_ms, nullptr);
    load_com_addins();
    refresh();
    ::ShowWindow(hwnd(), show_command);
    ::UpdateWindow(hwnd());
    return true;
}

void HostWindow::open_files(const std::vector<std::u16string>& paths) {
    for (const std::u16string& path : paths) {
        std::u16string reason;
        try {
            application_->open_file(tarvex::utf16_to_utf8(path));
        } catch (const Failure& failure) {
            reason = failure.description;
        } catch (const std::exception& error) {
            reason = tarvex::utf8_to_utf16(error.what());
        } catch (...) {
            reason = u"Unexpected error.";
        }
        if (!reason.empty()) {
            const std::u16string text = u"Cannot open " + path + u".\n\n" + reason;
            ::MessageBoxW(hwnd(), wide(text), wide(default_title), MB_OK | MB_ICONEXCLAMATION);
        }
        // Each file appears as soon as it is open, also behind the next message box.
        refresh();
    }
}

void HostWindow::refresh() {
    if (!hwnd()) {
        return;
    }
    apply(take_snapshot(), true);
}

std::optional<std::u16string> HostWindow::on_open_tarvex() {
    std::optional<AddinFailure> failure;
    try {
        if (!application_object_) {
            application_object_ = make_application_object(application_);
        }
        failure = tarvex_.search(application_object_.Get());
    } catch (...) {
        failure = AddinFailure{E_UNEXPECTED, u"Unexpected error."};
    }
    // The add-in may have activated another workbook or sheet.
    refresh_if_changed();
    if (!failure) {
        return std::nullopt;
    }
    const std::u16string text = describe_open_failure(*failure);
    ::MessageBoxW(hwnd(), wide(text), wide(default_title), MB_OK | MB_ICONEXCLAMATION);
    return text;
}

void HostWindow::close_after(UINT milliseconds) {
    ::SetTimer(hwnd(), close_timer, std::max<UINT>(milliseconds, USER_TIMER_MINIMUM), nullptr);
}

void HostWindow::place_on_screen(int* x, int* y, int* width, int* height) const {
    RECT work{};
    if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
        return;
    }
    const int work_width = work.right - work.left;
    const int work_height = work.bottom - work.top;
    // Side by side only where both windows have room: the sheet keeps enough
    // columns to read, and the add-in's window fits in the rest. The host takes
    // the right part because an add-in's window opens at the system's default
    // place, which is the top left corner.
    if (work_width < scale(1200, dpi_) || work_height < scale(700, dpi_)) {
        return;
    }
    *width = work_width * 3 / 5;
    *height = work_height;
    *x = work.right - *width;
    *y = work.top;
}

void HostWindow::refresh_if_changed() {
    const Snapshot now = take_snapshot();
    if (!(now == shown_)) {
        apply(now, false);
    }
}

HostWindow::Snapshot HostWindow::take_snapshot() const {
    Snapshot s;
    for (const auto& book : application_->workbooks()) {
        s.workbooks.push_back(book.get());
    }
    const std::shared_ptr<Workbook> book = application_->active_workbook();
    if (!book) {
        return s;
    }
    s.workbook = book.get();
    for (const auto& sheet : book->sheets()) {
        s.sheet_names.push_back(sheet->name());
    }
    const std::shared_ptr<Sheet> sheet = book->active_sheet();
    if (!sheet) {
        return s;
    }
    s.sheet = sheet.get();
    s.selection = sheet->selection();
    s.cell_count = sheet->cell_count();
    if (const Cell* cell = sheet->cell(s.selection)) {
        s.selected_formula = cell->formula_text();
    }
    s.visible_digest = grid_.visible_content_digest();
    return s;
}

void HostWindow::apply(const Snapshot& now, bool force) {
    const std::shared_ptr<Workbook> book = application_->active_workbook();
    if (force || now.workbooks != shown_.workbooks || now.workbook != shown_.workbook) {
        set_window_text(hwnd(), !title_override_.empty() ? title_override_
                                : book                   ? default_title + std::u16string(u" - ") + book->name()
                                                         : default_title);
        update_window_menu();
    }
    if (force || now.workbook != shown_.workbook || now.sheet != shown_.sheet ||
        now.sheet_names != shown_.sheet_names) {
        update_tabs();
    }
    grid_.show_sheet(book ? book->active_sheet() : nullptr);
    update_formula_bar();
    // The grid may have scrolled to the selection, which changes what it shows.
    shown_ = take_snapshot();
}

LRESULT HostWindow::on_message(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            build_menu();
            return create_children() ? 0 : -1;
        case WM_SIZE:
            layout_children();
            return 0;
        case WM_SETFOCUS:
            ::SetFocus(grid_.hwnd());
            return 0;
        case WM_TIMER:
            if (wparam == poll_timer) {
                refresh_if_changed();
            } else if (wparam == close_timer) {
                ::KillTimer(hwnd(), close_timer);
                ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
            }
            return 0;
        case WM_COMMAND:
            // Menus, accelerators and the add-ins' toolbar; the edit boxes'
            // notifications carry their own window.
            if (lparam == 0 || (toolbar_ && reinterpret_cast<HWND>(lparam) == toolbar_)) {
                on_command(LOWORD(wparam));
                return 0;
            }
            break;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lparam);
            if (header->hwndFrom == tabs_ && header->code == TCN_SELCHANGE) {
                on_tab_changed();
                return 0;
            }
            // An add-in button's screentip, when the pointer rests on it.
            if (header->code == TTN_GETDISPINFOW && header->idFrom >= command_first_addin_button &&
                header->idFrom <= command_last_addin_button) {
                const std::size_t index = header->idFrom - command_first_addin_button;
                if (index < com_addins_.buttons().size()) {
                    auto* info = reinterpret_cast<NMTTDISPINFOW*>(lparam);
                    info->lpszText = const_cast<wchar_t*>(wide(com_addins_.buttons()[index].screentip));
                }
                return 0;
            }
            break;
        }
        case WM_CLOSE:
            // The host's own close: its add-ins hear it before its window goes,
            // and close their windows themselves.
            com_addins_.unload();
            break;
        case WM_MOUSEWHEEL:
            // The wheel turned over the formula bar or the tabs still scrolls the sheet.
            grid_.on_mouse_wheel(GET_WHEEL_DELTA_WPARAM(wparam), (GET_KEYSTATE_WPARAM(wparam) & MK_SHIFT) != 0);
            return 0;
        case WM_CTLCOLORSTATIC:
            // Read-only edits would be grey; the formula bar reads like the cells it shows.
            if (reinterpret_cast<HWND>(lparam) == name_box_ || reinterpret_cast<HWND>(lparam) == formula_box_) {
                const auto dc = reinterpret_cast<HDC>(wparam);
                ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
                ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
                return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
            }
            break;
        case WM_DESTROY:
            ::KillTimer(hwnd(), poll_timer);
            ::KillTimer(hwnd(), close_timer);
            ::PostQuitMessage(0);
            return 0;
    }
    return default_message(message, wparam, lparam);
}

void HostWindow::build_menu() {
    UniqueMenu bar(::CreateMenu());
    if (!bar) {
        return;
    }
    UniqueMenu file(::CreatePopupMenu());
    ::AppendMenuW(file.get(), MF_STRING, command_open, L"&Open...\tCtrl+O");
    ::AppendMenuW(file.get(), MF_STRING, command_close_workbook, L"&Close workbook\tCtrl+W");
    ::AppendMenuW(file.get(), MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(file.get(), MF_STRING, command_exit, L"E&xit");
    append_popup(bar.get(), std::move(file), L"&File");

    UniqueMenu window(::CreatePopupMenu());
    window_menu_ = window.get();
    append_popup(bar.get(), std::move(window), L"&Window");

    UniqueMenu tools(::CreatePopupMenu());
    ::AppendMenuW(tools.get(), MF_STRING, command_open_tarvex, L"&Tarvex...\tCtrl+Shift+F");
    append_popup(bar.get(), std::move(tools), L"&Tools");

    if (::SetMenu(hwnd(), bar.get())) {
        (void)bar.release();
    } else {
        window_menu_ = nullptr;
    }
}

bool HostWindow::create_children() {
    if (const WindowDc dc(hwnd()); dc.get()) {
        SelectObjectScope use_font(dc.get(), font_.get());
        TEXTMETRICW metrics{};
        ::GetTextMetricsW(dc.get(), &metrics);
        text_height_ = metrics.tmHeight;
    }
    const DWORD edit_style = WS_CHILD | WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL;
    name_box_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", edit_style, 0, 0, 0, 0, hwnd(), nullptr,
                                  this_module(), nullptr);
    formula_box_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", edit_style, 0, 0, 0, 0, hwnd(), nullptr,
                                     this_module(), nullptr);
    // The tabs never take the focus, so the keys keep moving the selection in the grid.
    tabs_ =
        ::CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_BOTTOM | TCS_FOCUSNEVER,
                          0, 0, 0, 0, hwnd(), nullptr, this_module(), nullptr);
    if (!name_box_ || !formula_box_ || !tabs_ || !grid_.create(hwnd(), grid_id, font_.get(), dpi_)) {
        return false;
    }
    for (HWND child : {name_box_, formula_box_, tabs_}) {
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    }
    grid_.set_on_select([this] { refresh_if_changed(); });
    return true;
}

void HostWindow::layout_children() {
    if (!tabs_) {
        return;
    }
    RECT client{};
    ::GetClientRect(hwnd(), &client);
    // The add-ins' toolbar sizes itself along the top; everything else goes below it.
    if (toolbar_) {
        ::SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
        RECT bar{};
        ::GetWindowRect(toolbar_, &bar);
        client.top += bar.bottom - bar.top;
    }
    const int gap = scale(4, dpi_);
    const int edit_height = text_height_ + scale(6, dpi_);
    const int bar_height = edit_height + 2 * gap;
    const int name_width = scale(100, dpi_);

    // The tab control is as tall as its row of tabs: the grid above is its page.
    int tabs_height = text_height_ + scale(10, dpi_);
    RECT item{};
    if (TabCtrl_GetItemCount(tabs_) > 0 && TabCtrl_GetItemRect(tabs_, 0, &item)) {
        tabs_height = item.bottom - item.top + scale(3, dpi_);
    }
    const int grid_height = std::max<int>(0, client.bottom - client.top - bar_height - tabs_height);

    const int top = client.top;
    ::MoveWindow(name_box_, gap, top + gap, name_width, edit_height, TRUE);
    ::MoveWindow(formula_box_, 2 * gap + name_width, top + gap, std::max<int>(0, client.right - 3 * gap - name_width),
                 edit_height, TRUE);
    ::MoveWindow(grid_.hwnd(), 0, top + bar_height, client.right, grid_height, TRUE);
    ::MoveWindow(tabs_, 0, top + bar_height + grid_height, client.right, tabs_height, TRUE);
}

void HostWindow::ImageListDeleter::operator()(HIMAGELIST list) const {
    ::ImageList_Destroy(list);
}

void HostWindow::load_com_addins() {
    if (!application_object_) {
        application_object_ = make_application_object(application_);
    }
    com_addins_.load(application_object_.Get());
    create_addin_toolbar();
}

void HostWindow::create_addin_toolbar() {
    const auto& buttons = com_addins_.buttons();
    if (buttons.empty()) {
        return;
    }
    toolbar_ = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                                 WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS | CCS_TOP, 0, 0,
                                 0, 0, hwnd(), nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (!toolbar_) {
        return;
    }
    ::SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    ::SendMessageW(toolbar_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    const int size = scale(16, dpi_);
    toolbar_images_.reset(::ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, static_cast<int>(buttons.size()), 0));
    ::SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbar_images_.get()));
    std::vector<TBBUTTON> items;
    for (std::size_t i = 0; i < buttons.size() && i <= command_last_addin_button - command_first_addin_button; ++i) {
        TBBUTTON item{};
        item.iBitmap =
            buttons[i].image ? ::ImageList_AddIcon(toolbar_images_.get(), buttons[i].image.get()) : I_IMAGENONE;
        item.idCommand = command_first_addin_button + static_cast<int>(i);
        item.fsState = TBSTATE_ENABLED;
        item.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
        item.iString = reinterpret_cast<INT_PTR>(wide(buttons[i].label));
        items.push_back(item);
    }
    ::SendMessageW(toolbar_, TB_ADDBUTTONSW, items.size(), reinterpret_cast<LPARAM>(items.data()));
    ::SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
    layout_children();
}

std::optional<std::u16string> HostWindow::press_addin_button(const std::u16string& label) {
    const auto& buttons = com_addins_.buttons();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i].label == label) {
            return com_addins_.click(i);
        }
    }
    return u"there is no add-in button \"" + label + u"\"";
}

void HostWindow::update_window_menu() {
    const HMENU bar = ::GetMenu(hwnd());
    const std::shared_ptr<Workbook> active = application_->active_workbook();
    if (bar) {
        ::EnableMenuItem(bar, command_close_workbook, MF_BYCOMMAND | (active ? MF_ENABLED : MF_GRAYED));
    }
    if (!window_menu_) {
        return;
    }
    while (::GetMenuItemCount(window_menu_) > 0) {
        ::DeleteMenu(window_menu_, 0, MF_BYPOSITION);
    }
    const auto& books = application_->workbooks();
    if (books.empty()) {
        ::AppendMenuW(window_menu_, MF_STRING | MF_GRAYED, command_first_workbook, L"(No open workbooks)");
        return;
    }
    const std::size_t limit = command_last_workbook - command_first_workbook + 1;
    for (std::size_t i = 0; i < books.size() && i < limit; ++i) {
        // The first nine get a digit as their access key.
        std::u16string text;
        if (i < 9) {
            text += u'&';
            text += tarvex::decimal(static_cast<std::int64_t>(i + 1));
            text += u' ';
        }
        text += escape_ampersands(books[i]->name());
        ::AppendMenuW(window_menu_, MF_STRING | (books[i] == active ? MF_CHECKED : MF_UNCHECKED),
                      command_first_workbook + i, wide(text));
    }
}

void HostWindow::update_tabs() {
    TabCtrl_DeleteAllItems(tabs_);
    const std::shared_ptr<Workbook> book = application_->active_workbook();
    // Without a workbook the strip stays, plain, so the grid area keeps its size.
    ::ShowWindow(tabs_, book ? SW_SHOWNA : SW_HIDE);
    if (book) {
        const auto& sheets = book->sheets();
        int active_index = -1;
        for (std::size_t i = 0; i < sheets.size(); ++i) {
            std::u16string name = sheets[i]->name();
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = reinterpret_cast<wchar_t*>(name.data());
            TabCtrl_InsertItem(tabs_, static_cast<int>(i), &item);
            if (sheets[i] == book->active_sheet()) {
                active_index = static_cast<int>(i);
            }
        }
        TabCtrl_SetCurSel(tabs_, active_index);
    }
    layout_children();
}

void HostWindow::update_formula_bar() {
    std::u16string address;
    std::u16string formula;
    const std::shared_ptr<Workbook> book = application_->active_workbook();
    const std::shared_ptr<Sheet> sheet = book ? book->active_sheet() : nullptr;
    if (sheet && sheet->kind() == SheetKind::worksheet) {
        const CellPos p = sheet->selection();
        address = column_name(p.col) + tarvex::decimal(p.row);
        if (const Cell* cell = sheet->cell(p)) {
            formula = cell->formula_text();
        }
    }
    set_window_text(name_box_, address);
    set_window_text(formula_box_, formula);
}

void HostWindow::on_command(WORD id) {
    if (id >= command_first_addin_button && id <= command_last_addin_button) {
        com_addins_.click(id - command_first_addin_button);
        return;
    }
    if (id >= command_first_workbook && id <= command_last_workbook) {
        const auto& books = application_->workbooks();
        const std::size_t index = id - command_first_workbook;
        if (index < books.size()) {
            application_->activate(books[index]);
            refresh();
        }
        return;
    }
    switch (id) {
        case command_open:
            show_open_dialog();
            break;
        case command_close_workbook:
            close_active_workbook();
            break;
        case command_exit:
            ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
            break;
        case command_open_tarvex:
            on_open_tarvex();
            break;
    }
}

void HostWindow::on_tab_changed() {
    const std::shared_ptr<Workbook> book = application_->active_workbook();
    const int index = TabCtrl_GetCurSel(tabs_);
    if (book && index >= 0 && static_cast<std::size_t>(index) < book->sheets().size()) {
        book->activate_sheet(book->sheets()[static_cast<std::size_t>(index)]);
    }
    refresh_if_changed();
    ::SetFocus(grid_.hwnd());
}

void HostWindow::show_open_dialog() {
    std::u16string path(32768, u'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = hwnd();
    dialog.lpstrFilter = L"Workbooks (*.wb)\0*.wb\0All files (*.*)\0*.*\0";
    dialog.lpstrFile = reinterpret_cast<wchar_t*>(path.data());
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrDefExt = L"wb";
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!::GetOpenFileNameW(&dialog)) {
        return;
    }
    path.resize(path.find(u'\0'));
    open_files({path});
}

void HostWindow::close_active_workbook() {
    if (const std::shared_ptr<Workbook> book = application_->active_workbook()) {
        application_->close(book);
        refresh();
    }
}

}  // namespace standin::host
