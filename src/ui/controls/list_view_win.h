#pragma once
// The result list over an owner-data report-view list control: the rows live in
// the model, the control asks for what it paints.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "engine/result_list.h"
#include "ports/controls.h"
#include "ui/controls/win_util_win.h"

namespace tarvex {

// The rows' view: the model's rows shown by the control, and what the user
// selected among them. Owner-data lists keep no tick state: the model answers
// for the state image, and a click on a tick box only notifies the parent.
class ResultListViewWin final {
public:
    ResultListViewWin(HWND& list, const ResultList& rows) : list_(list), rows_(rows) {}

    // The rows changed (count, order or texts): show them again.
    void rows_changed();
    // Paints the rows again after their ticks changed.
    void repaint();
    std::optional<std::size_t> selected_row() const;
    // The selected rows, in the list's order.
    std::vector<std::size_t> selected_rows() const;
    std::optional<std::size_t> focused_row() const;
    void select_all();
    // The owner-data notifications the parent window forwards; true when handled.
    bool on_notify(NMHDR* header, LRESULT& result);
    // The row a click hit (negative for none), and whether it hit its tick box.
    std::pair<int, bool> hit(const NMITEMACTIVATE& click) const;
    // Where a menu opened from the keyboard belongs: below the focused row, or
    // the list's top left corner, in screen coordinates.
    POINT menu_point() const;

private:
    HWND& list_;
    const ResultList& rows_;
};

struct ColumnDesign {
    std::u16string_view key;
    std::u16string_view caption;
};

class ListColumnsWin final : public ListColumns {
public:
    ListColumnsWin(HWND& list, const Scale& scale, std::u16string form, std::u16string control,
                   std::vector<ColumnDesign> columns)
        : list_(list),
          scale_(scale),
          form_(std::move(form)),
          control_(std::move(control)),
          columns_(std::move(columns)) {}

    std::u16string form_name() const override { return form_; }
    std::u16string control_name() const override { return control_; }
    int count() const override;
    std::u16string key(int column) const override;
    std::u16string caption(int column) const override;
    float width(int column) const override;
    void set_width(int column, float twips) override;
    int position(int column) const override;
    void set_position(int column, int position) override;
    void set_hide_selection(bool hide) override;
    void set_allow_column_reorder(bool allow) override;
    void set_full_row_select(bool full_row) override;
    void set_report_view() override;
    void set_manual_label_edit() override;
    void show_sort_arrow(std::optional<int> column, bool ascending) override;

private:
    void check(int column) const;
    std::vector<int> order() const;
    void set_style(DWORD bits, bool on);
    void set_extended_style(DWORD bits, bool on);

    HWND& list_;
    const Scale& scale_;
    std::u16string form_;
    std::u16string control_;
    std::vector<ColumnDesign> columns_;
};

}  // namespace tarvex
