#include "host/grid_view_win.h"

#include <windowsx.h>

#include <algorithm>

#include "base/text.h"

namespace standin::host {
namespace {

const wchar_t grid_class_name[] = L"TarvexStandinHostGrid";

COLORREF mix(COLORREF a, COLORREF b, int percent_of_b) {
    auto channel = [&](int shift) {
        const int x = (a >> shift) & 0xFF;
        const int y = (b >> shift) & 0xFF;
        return static_cast<COLORREF>((x * (100 - percent_of_b) + y * percent_of_b) / 100) << shift;
    };
    return channel(0) | channel(8) | channel(16);
}

// The DC brush keeps the painting free of per-colour brush objects.
void fill(HDC dc, const RECT& r, COLORREF color) {
    ::SetDCBrushColor(dc, color);
    ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

void draw_text(HDC dc, const std::u16string& text, RECT r, UINT align) {
    ::DrawTextW(dc, wide(text), static_cast<int>(text.size()), &r, align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

int digit_count(int n) {
    int digits = 1;
    while (n >= 10) {
        n /= 10;
        ++digits;
    }
    return digits;
}

UINT alignment_of(const Cell& cell) {
    switch (cell.value.kind) {
        case ValueKind::number:
            return DT_RIGHT;
        case ValueKind::boolean:
        case ValueKind::error:
            return DT_CENTER;
        default:
            return DT_LEFT;
    }
}

void hash_into(std::uint64_t& hash, std::uint64_t value) {
    hash = (hash ^ value) * 1099511628211ull;
}

}  // namespace

bool GridView::create(HWND parent, int id, HFONT font, int dpi) {
    font_ = font;
    dpi_ = dpi;
    if (const WindowDc screen(nullptr); screen.get()) {
        SelectObjectScope use_font(screen.get(), font_);
        TEXTMETRICW metrics{};
        ::GetTextMetricsW(screen.get(), &metrics);
        SIZE digit{};
        ::GetTextExtentPoint32W(screen.get(), L"0", 1, &digit);
        digit_width_ = std::max<int>(1, digit.cx);
        row_height_ = std::max<int>(scale(20, dpi_), metrics.tmHeight + scale(6, dpi_));
        col_width_ = std::max<int>(scale(64, dpi_), digit_width_ * 9 + scale(5, dpi_));
    }
    return create_window(grid_class_name, nullptr, 0, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL, u"",
                         0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

void GridView::show_sheet(std::shared_ptr<Sheet> sheet) {
    if (sheet != sheet_) {
        sheet_ = std::move(sheet);
        first_row_ = 1;
        first_col_ = 1;
        shown_selection_ = sheet_ ? sheet_->selection() : CellPos{};
        ensure_visible(shown_selection_);
    } else if (sheet_ && !(sheet_->selection() == shown_selection_)) {
        shown_selection_ = sheet_->selection();
        ensure_visible(shown_selection_);
    }
    update_scroll_bars();
    ::InvalidateRect(hwnd(), nullptr, FALSE);
}

std::uint64_t GridView::visible_content_digest() const {
    std::uint64_t hash = 14695981039346656037ull;
    if (!is_grid()) {
        return hash;
    }
    const Layout l = layout();
    for (int row = l.first_row; row <= l.last_row; ++row) {
        for (int col = l.first_col; col <= l.last_col; ++col) {
            const Cell* cell = sheet_->cell({row, col});
            if (!cell) {
                continue;
            }
            hash_into(hash, static_cast<std::uint64_t>(row) << 16 | static_cast<std::uint64_t>(col));
            hash_into(hash, static_cast<std::uint64_t>(cell->value.kind));
            for (char16_t c : cell->display_text()) {
                hash_into(hash, c);
            }
        }
    }
    return hash;
}

GridView::Layout GridView::layout() const {
    RECT client{};
    ::GetClientRect(hwnd(), &client);
    const int height = std::max<int>(0, client.bottom - row_height_);
    Layout l{};
    l.first_row = first_row_;
    l.first_col = first_col_;
    l.full_rows = std::max(1, height / row_height_);
    l.last_row = std::min<int>(max_row, first_row_ + (height + row_height_ - 1) / row_height_ - 1);
    // The row header grows with the numbers it shows, as the host's does.
    l.row_header_width = std::max(3, digit_count(l.last_row)) * digit_width_ + scale(12, dpi_);
    const int width = std::max<int>(0, client.right - l.row_header_width);
    l.full_cols = std::max(1, width / col_width_);
    l.last_col = std::min<int>(max_col, first_col_ + (width + col_width_ - 1) / col_width_ - 1);
    return l;
}

LRESULT GridView::on_message(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps{};
            const HDC window_dc = ::BeginPaint(hwnd(), &ps);
            RECT client{};
            ::GetClientRect(hwnd(), &client);
            // Painted off-screen and copied in one go, so scrolling does not flicker.
            UniqueMemoryDc buffer(::CreateCompatibleDC(window_dc));
            UniqueBitmap bitmap(
                ::CreateCompatibleBitmap(window_dc, std::max<int>(1, client.right), std::max<int>(1, client.bottom)));
            if (buffer && bitmap) {
                SelectObjectScope use_bitmap(buffer.get(), bitmap.get());
                paint(buffer.get(), client);
                ::BitBlt(window_dc, 0, 0, client.right, client.bottom, buffer.get(), 0, 0, SRCCOPY);
            } else {
                paint(window_dc, client);
            }
            ::EndPaint(hwnd(), &ps);
            return 0;
        }
        case WM_SIZE:
            update_scroll_bars();
            ::InvalidateRect(hwnd(), nullptr, FALSE);
            return 0;
        case WM_VSCROLL:
            on_scroll(SB_VERT, LOWORD(wparam));
            return 0;
        case WM_HSCROLL:
            on_scroll(SB_HORZ, LOWORD(wparam));
            return 0;
        case WM_MOUSEWHEEL:
            on_mouse_wheel(GET_WHEEL_DELTA_WPARAM(wparam), (GET_KEYSTATE_WPARAM(wparam) & MK_SHIFT) != 0);
            return 0;
        case WM_MOUSEHWHEEL:
            // Tilting right scrolls right, where a wheel turned towards the user scrolls down.
            on_mouse_wheel(-GET_WHEEL_DELTA_WPARAM(wparam), true);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            ::SetFocus(hwnd());
            on_click(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_KEYDOWN:
            if (on_key(wparam)) {
                return 0;
            }
            break;
    }
    return default_message(message, wparam, lparam);
}

void GridView::paint(HDC dc, const RECT& client) const {
    SelectObjectScope use_font(dc, font_);
    ::SetBkMode(dc, TRANSPARENT);
    if (!is_grid()) {
        paint_placeholder(dc, client);
        return;
    }
    const Layout l = layout();
    paint_cells(dc, l, client);
    paint_headers(dc, l, client);
}

void GridView::paint_placeholder(HDC dc, const RECT& client) const {
    if (!sheet_) {
        fill(dc, client, ::GetSysColor(COLOR_APPWORKSPACE));
        return;
    }
    fill(dc, client, ::GetSysColor(COLOR_WINDOW));
    ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
    draw_text(dc, tarvex::u16("Chart sheet: ") + sheet_->name(), client, DT_CENTER);
}

void GridView::paint_headers(HDC dc, const Layout& l, const RECT& client) const {
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    const COLORREF line = ::GetSysColor(COLOR_BTNSHADOW);
    const COLORREF accent = ::GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF selected_face = mix(face, accent, 25);
    const int accent_width = std::max(2, scale(2, dpi_));
    const CellPos selection = sheet_->selection();
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));

    fill(dc, {0, 0, client.right, row_height_}, face);
    fill(dc, {0, 0, l.row_header_width, client.bottom}, face);

    for (int col = l.first_col; col <= l.last_col; ++col) {
        const int x = l.row_header_width + (col - l.first_col) * col_width_;
        RECT r{x, 0, x + col_width_, row_height_};
        if (col == selection.col) {
            fill(dc, r, selected_face);
            fill(dc, {r.left, r.bottom - accent_width, r.right, r.bottom}, accent);
        }
        fill(dc, {r.right - 1, 0, r.right, r.bottom}, line);
        draw_text(dc, column_name(col), r, DT_CENTER);
    }
    for (int row = l.first_row; row <= l.last_row; ++row) {
        const int y = row_height_ + (row - l.first_row) * row_height_;
        RECT r{0, y, l.row_header_width, y + row_height_};
        if (row == selection.row) {
            fill(dc, r, selected_face);
            fill(dc, {r.right - accent_width, r.top, r.right, r.bottom}, accent);
        }
        fill(dc, {0, r.bottom - 1, r.right, r.bottom}, line);
        draw_text(dc, tarvex::decimal(row), r, DT_CENTER);
    }
    fill(dc, {0, row_height_ - 1, client.right, row_height_}, line);
    fill(dc, {l.row_header_width - 1, 0, l.row_header_width, client.bottom}, line);
}

void GridView::paint_cells(HDC dc, const Layout& l, const RECT& client) const {
    const COLORREF gridline = mix(::GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_BTNSHADOW), 45);
    const int padding = scale(3, dpi_);
    fill(dc, client, ::GetSysColor(COLOR_WINDOW));
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));

    for (int col = l.first_col; col <= l.last_col; ++col) {
        const int right = l.row_header_width + (col - l.first_col + 1) * col_width_;
        fill(dc, {right - 1, row_height_, right, client.bottom}, gridline);
    }
    for (int row = l.first_row; row <= l.last_row; ++row) {
        const int bottom = row_height_ + (row - l.first_row + 1) * row_height_;
        fill(dc, {l.row_header_width, bottom - 1, client.right, bottom}, gridline);
        for (int col = l.first_col; col <= l.last_col; ++col) {
            const Cell* cell = sheet_->cell({row, col});
            if (!cell) {
                continue;
            }
            const int left = l.row_header_width + (col - l.first_col) * col_width_;
            // DrawText clips to the rectangle: a long text stays inside its cell.
            draw_text(dc, cell->display_text(),
                      {left + padding, bottom - row_height_, left + col_width_ - padding, bottom - 1},
                      alignment_of(*cell));
        }
    }

    const CellPos selection = sheet_->selection();
    if (selection.row < l.first_row || selection.row > l.last_row || selection.col < l.first_col ||
        selection.col > l.last_col) {
        return;
    }
    // The frame straddles the cell's gridlines, kept off the headers.
    const int thickness = std::max(2, scale(2, dpi_));
    const int left = l.row_header_width + (selection.col - l.first_col) * col_width_ - 1;
    const int top = row_height_ + (selection.row - l.first_row) * row_height_ - 1;
    const RECT frame{left, top, left + col_width_ + 1, top + row_height_ + 1};
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, l.row_header_width, row_height_, client.right, client.bottom);
    const COLORREF ink = ::GetSysColor(COLOR_WINDOWTEXT);
    fill(dc, {frame.left, frame.top, frame.right, frame.top + thickness}, ink);
    fill(dc, {frame.left, frame.bottom - thickness, frame.right, frame.bottom}, ink);
    fill(dc, {frame.left, frame.top, frame.left + thickness, frame.bottom}, ink);
    fill(dc, {frame.right - thickness, frame.top, frame.right, frame.bottom}, ink);
    ::RestoreDC(dc, saved);
}

void GridView::ensure_visible(CellPos p) {
    if (!is_grid()) {
        return;
    }
    Layout l = layout();
    int row = first_row_;
    if (p.row < l.first_row) {
        row = p.row;
    } else if (p.row >= l.first_row + l.full_rows) {
        row = p.row - l.full_rows + 1;
    }
    scroll_to(row, first_col_);
    // Scrolling rows can widen the row header, so the columns are measured afresh.
    l = layout();
    int col = first_col_;
    if (p.col < l.first_col) {
        col = p.col;
    } else if (p.col >= l.first_col + l.full_cols) {
        col = p.col - l.full_cols + 1;
    }
    scroll_to(first_row_, col);
}

void GridView::scroll_to(int first_row, int first_col) {
    const Layout l = layout();
    first_row = std::clamp<int>(first_row, 1, std::max<int>(1, max_row - l.full_rows + 1));
    first_col = std::clamp<int>(first_col, 1, std::max<int>(1, max_col - l.full_cols + 1));
    if (first_row == first_row_ && first_col == first_col_) {
        return;
    }
    first_row_ = first_row;
    first_col_ = first_col;
    update_scroll_bars();
    ::InvalidateRect(hwnd(), nullptr, FALSE);
}

void GridView::update_scroll_bars() {
    if (!is_grid()) {
        ::ShowScrollBar(hwnd(), SB_BOTH, FALSE);
        return;
    }
    ::ShowScrollBar(hwnd(), SB_BOTH, TRUE);
    // The sheet is a million rows deep: the bars cover the part around the selection
    // and the view, plus a screenful, and grow as the user scrolls on.
    const Layout l = layout();
    const CellPos selection = sheet_->selection();
    auto set = [&](int bar, int first, int page, int minimum, int selected, int limit) {
        SCROLLINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
        info.nMin = 1;
        info.nMax = std::min(limit, std::max({minimum, selected + page, first + page}));
        info.nPage = static_cast<UINT>(page);
        info.nPos = first;
        ::SetScrollInfo(hwnd(), bar, &info, TRUE);
    };
    set(SB_VERT, first_row_, l.full_rows, 100, selection.row, max_row);
    set(SB_HORZ, first_col_, l.full_cols, 26, selection.col, max_col);
}

void GridView::on_scroll(int bar, int request) {
    if (!is_grid()) {
        return;
    }
    const Layout l = layout();
    const bool vertical = bar == SB_VERT;
    const int first = vertical ? first_row_ : first_col_;
    const int page = vertical ? l.full_rows : l.full_cols;
    int target = first;
    switch (request) {
        case SB_LINEUP:
            target = first - 1;
            break;
        case SB_LINEDOWN:
            target = first + 1;
            break;
        case SB_PAGEUP:
            target = first - page;
            break;
        case SB_PAGEDOWN:
            target = first + page;
            break;
        case SB_TOP:
            target = 1;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            // The 16-bit position in the message is too small for a million rows.
            SCROLLINFO info{};
            info.cbSize = sizeof(info);
            info.fMask = SIF_TRACKPOS;
            ::GetScrollInfo(hwnd(), bar, &info);
            target = info.nTrackPos;
            break;
        }
        default:
            return;
    }
    if (vertical) {
        scroll_to(target, first_col_);
    } else {
        scroll_to(first_row_, target);
    }
}

void GridView::on_mouse_wheel(int delta, bool horizontal) {
    if (!is_grid()) {
        return;
    }
    int& remainder = horizontal ? hwheel_remainder_ : wheel_remainder_;
    remainder += delta;
    const int notches = remainder / WHEEL_DELTA;
    remainder -= notches * WHEEL_DELTA;
    if (notches == 0) {
        return;
    }
    UINT lines = 3;
    ::SystemParametersInfoW(horizontal ? SPI_GETWHEELSCROLLCHARS : SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    const Layout l = layout();
    const int page = horizontal ? l.full_cols : l.full_rows;
    const int step = lines == WHEEL_PAGESCROLL ? page : static_cast<int>(lines);
    if (horizontal) {
        scroll_to(first_row_, first_col_ - notches * step);
    } else {
        scroll_to(first_row_ - notches * step, first_col_);
    }
}

void GridView::select(CellPos p) {
    p.row = std::clamp<int>(p.row, 1, max_row);
    p.col = std::clamp<int>(p.col, 1, max_col);
    sheet_->select(p);
    shown_selection_ = p;
    ensure_visible(p);
    update_scroll_bars();
    ::InvalidateRect(hwnd(), nullptr, FALSE);
    if (on_select_) {
        on_select_();
    }
}

void GridView::on_click(int x, int y) {
    if (!is_grid()) {
        return;
    }
    const Layout l = layout();
    if (x < l.row_header_width || y < row_height_) {
        return;
    }
    select({first_row_ + (y - row_height_) / row_height_, first_col_ + (x - l.row_header_width) / col_width_});
}

bool GridView::on_key(WPARAM key) {
    if (!is_grid()) {
        return false;
    }
    const Layout l = layout();
    CellPos p = sheet_->selection();
    const bool control = ::GetKeyState(VK_CONTROL) < 0;
    switch (key) {
        case VK_LEFT:
            --p.col;
            break;
        case VK_RIGHT:
            ++p.col;
            break;
        case VK_UP:
            --p.row;
            break;
        case VK_DOWN:
            ++p.row;
            break;
        case VK_PRIOR:
            p.row -= l.full_rows;
            break;
        case VK_NEXT:
            p.row += l.full_rows;
            break;
        case VK_HOME:
            p.col = 1;
            if (control) {
                p.row = 1;
            }
            break;
        default:
            return false;
    }
    select(p);
    return true;
}

}  // namespace standin::host
