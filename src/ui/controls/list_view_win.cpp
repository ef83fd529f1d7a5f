#include "ui/controls/list_view_win.h"

#include <commctrl.h>

#include <algorithm>

#include "base/steps.h"
#include "settings/column_layout.h"

namespace tarvex {
namespace {

TarvexError invalid_value() {
    return TarvexError{control_error::invalid_property_value, control_error::invalid_property_value_text};
}

}  // namespace

void ResultListViewWin::rows_changed() {
    ListView_SetItemCountEx(list_, static_cast<int>(rows_.size()), 0);
    ::InvalidateRect(list_, nullptr, TRUE);
}

std::optional<std::size_t> ResultListViewWin::selected_row() const {
    // The focused row when it is selected, else the first selected one.
    int row = ListView_GetNextItem(list_, -1, LVNI_FOCUSED | LVNI_SELECTED);
    if (row < 0) {
        row = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
    }
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(row);
}

std::vector<std::size_t> ResultListViewWin::selected_rows() const {
    std::vector<std::size_t> selected;
    for (int i = ListView_GetNextItem(list_, -1, LVNI_SELECTED); i >= 0;
         i = ListView_GetNextItem(list_, i, LVNI_SELECTED)) {
        if (static_cast<std::size_t>(i) < rows_.size()) {
            selected.push_back(static_cast<std::size_t>(i));
        }
    }
    return selected;
}

void ResultListViewWin::select_all() {
    ListView_SetItemState(list_, -1, LVIS_SELECTED, LVIS_SELECTED);
}

void ResultListViewWin::repaint() {
    ::InvalidateRect(list_, nullptr, FALSE);
}

POINT ResultListViewWin::menu_point() const {
    POINT at{0, 0};
    const int focused = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
    RECT item{};
    if (focused >= 0 && ListView_GetItemRect(list_, focused, &item, LVIR_LABEL)) {
        at = POINT{item.left, item.bottom};
    }
    ::ClientToScreen(list_, &at);
    return at;
}

std::optional<std::size_t> ResultListViewWin::focused_row() const {
    const int focused = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
    if (focused < 0) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(focused);
}

std::pair<int, bool> ResultListViewWin::hit(const NMITEMACTIVATE& click) const {
    LVHITTESTINFO hit{};
    hit.pt = click.ptAction;
    ListView_SubItemHitTest(list_, &hit);
    return {hit.iItem, (hit.flags & LVHT_ONITEMSTATEICON) != 0};
}

bool ResultListViewWin::on_notify(NMHDR* header, LRESULT& result) {
    result = 0;
    switch (header->code) {
        case LVN_GETDISPINFOW: {
            auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
            if (info->item.iItem < 0 || static_cast<std::size_t>(info->item.iItem) >= rows_.size()) {
                return true;
            }
            const ResultRow& row = rows_.row(static_cast<std::size_t>(info->item.iItem));
            if (info->item.mask & LVIF_TEXT) {
                // The model's strings stay put until the rows change, which repaints.
                info->item.pszText = const_cast<wchar_t*>(wide(row.column_text(info->item.iSubItem)));
            }
            if (info->item.mask & LVIF_STATE) {
                info->item.state = INDEXTOSTATEIMAGEMASK(row.ticked ? 2 : 1);
                info->item.stateMask = LVIS_STATEIMAGEMASK;
            }
            return true;
        }
        case LVN_ODFINDITEMW:
            result = -1;
            return true;
        default:
            return false;
    }
}

void ListColumnsWin::check(int column) const {
    if (column < 0 || column >= count()) {
        throw TarvexError{control_error::index_out_of_bounds, control_error::index_out_of_bounds_text};
    }
}

int ListColumnsWin::count() const {
    HWND header = ListView_GetHeader(list_);
    return header ? Header_GetItemCount(header) : 0;
}

std::u16string ListColumnsWin::key(int column) const {
    check(column);
    return column < static_cast<int>(columns_.size()) ? std::u16string(columns_[column].key) : std::u16string();
}

std::u16string ListColumnsWin::caption(int column) const {
    check(column);
    wchar_t text[260] = {};
    LVCOLUMNW info{};
    info.mask = LVCF_TEXT;
    info.pszText = text;
    info.cchTextMax = 260;
    ListView_GetColumn(list_, column, &info);
    return std::u16string(reinterpret_cast<const char16_t*>(text));
}

float ListColumnsWin::width(int column) const {
    check(column);
    return scale_.twips(ListView_GetColumnWidth(list_, column));
}

void ListColumnsWin::set_width(int column, float twips) {
    check(column);
    if (!acceptable_column_width(twips)) {
        throw invalid_value();
    }
    ListView_SetColumnWidth(list_, column, scale_.px(twips));
}

std::vector<int> ListColumnsWin::order() const {
    std::vector<int> columns(static_cast<std::size_t>(count()));
    if (!columns.empty()) {
        ListView_GetColumnOrderArray(list_, static_cast<int>(columns.size()), columns.data());
    }
    return columns;
}

int ListColumnsWin::position(int column) const {
    check(column);
    const std::vector<int> columns = order();
    return static_cast<int>(std::find(columns.begin(), columns.end(), column) - columns.begin()) + 1;
}

void ListColumnsWin::set_position(int column, int position) {
    check(column);
    std::vector<int> columns = order();
    if (position < 1 || position > static_cast<int>(columns.size())) {
        throw invalid_value();
    }
    columns.erase(std::find(columns.begin(), columns.end(), column));
    columns.insert(columns.begin() + (position - 1), column);
    ListView_SetColumnOrderArray(list_, static_cast<int>(columns.size()), columns.data());
    ::InvalidateRect(list_, nullptr, TRUE);
}

void ListColumnsWin::set_style(DWORD bits, bool on) {
    const LONG_PTR style = ::GetWindowLongPtrW(list_, GWL_STYLE);
    ::SetWindowLongPtrW(list_, GWL_STYLE, on ? (style | bits) : (style & ~static_cast<LONG_PTR>(bits)));
}

void ListColumnsWin::set_extended_style(DWORD bits, bool on) {
    ListView_SetExtendedListViewStyleEx(list_, bits, on ? bits : 0);
}

void ListColumnsWin::set_hide_selection(bool hide) {
    set_style(LVS_SHOWSELALWAYS, !hide);
}
void ListColumnsWin::set_allow_column_reorder(bool allow) {
    set_extended_style(LVS_EX_HEADERDRAGDROP, allow);
}
void ListColumnsWin::set_full_row_select(bool full_row) {
    set_extended_style(LVS_EX_FULLROWSELECT, full_row);
}
void ListColumnsWin::set_report_view() {
    const LONG_PTR style = ::GetWindowLongPtrW(list_, GWL_STYLE);
    ::SetWindowLongPtrW(list_, GWL_STYLE, (style & ~static_cast<LONG_PTR>(LVS_TYPEMASK)) | LVS_REPORT);
}
void ListColumnsWin::set_manual_label_edit() {
    set_style(LVS_EDITLABELS, false);
}

void ListColumnsWin::show_sort_arrow(std::optional<int> column, bool ascending) {
    HWND header = ListView_GetHeader(list_);
    for (int i = 0; i < count(); ++i) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        Header_GetItem(header, i, &item);
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (column && *column == i) {
            item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
        }
        Header_SetItem(header, i, &item);
    }
}

}  // namespace tarvex
