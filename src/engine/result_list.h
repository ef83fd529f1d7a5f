#pragma once
// The rows of the result list. The list view on screen is owner-data: it asks
// this model for the texts and ticks of the rows it paints, so Find, Replace and
// sorting never go through the control row by row.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarvex {

struct ResultRow {
    std::u16string sheet;    // the worksheet's name; the row's own text, column "Work Sheet"
    std::u16string address;  // sub-item 1, column "Cell"
    std::u16string content;  // sub-item 2, column "Content"
    bool ticked = false;
    // Which of the listed workbooks the cell is in (an index the session
    // keeps), and which of a list of find/replace pairs found it.
    std::uint32_t book = 0;
    std::uint32_t pair = 0;
    // What "Work Sheet" shows instead of the name when the list holds cells of
    // more than one workbook: "[Book name]Sheet name", the host's own notation.
    std::u16string shown_sheet{};

    const std::u16string& column_text(int column) const;
};

enum class SortOrder { ascending, descending };

// Turns a text into bytes whose plain comparison orders texts as the user's
// locale does, ignoring case. Computed once per row and column when sorting, so a
// sort of 100,000 rows makes 100,000 locale calls, not millions of comparisons.
using SortKeyFunction = std::function<std::string(const std::u16string&)>;

// The portable default: case folded, then code unit order.
std::string folded_sort_key(const std::u16string& text);

class ResultList {
public:
    explicit ResultList(SortKeyFunction sort_key = folded_sort_key) : sort_key_(std::move(sort_key)) {}

    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    // Rows in display order.
    const ResultRow& row(std::size_t index) const {
        ensure_sorted();
        return rows_[index];
    }
    void set_ticked(std::size_t index, bool ticked) {
        ensure_sorted();
        rows_[index].ticked = ticked;
    }
    void toggle(std::size_t index) { set_ticked(index, !row(index).ticked); }

    void clear();
    // Adds a batch of rows at the end; while the list is sorted they take their
    // sorted places (one stable sort after the batch).
    void append(std::vector<ResultRow> rows);

    // The sort settings: while `sorted`, the rows stand in the order of the sort
    // column's texts (0 sheet, 1 cell, 2 content), equal texts in their earlier order.
    // A change takes effect at the next look at the rows, so changing column and
    // order together sorts once.
    bool sorted() const { return sorted_; }
    int sort_column() const { return sort_column_; }
    SortOrder sort_order() const { return sort_order_; }
    void set_sorted(bool sorted);
    void set_sort_column(int column);
    void set_sort_order(SortOrder order);

private:
    void ensure_sorted() const;

    SortKeyFunction sort_key_;
    mutable std::vector<ResultRow> rows_;
    // The sort keys of keys_column_, row by row, kept until the rows change, so
    // reversing the order does not compute them again.
    mutable std::vector<std::string> keys_;
    mutable int keys_column_ = -1;
    mutable bool needs_sort_ = false;
    bool sorted_ = false;
    int sort_column_ = 0;
    SortOrder sort_order_ = SortOrder::ascending;
};

// The tick-box rules of a list of these rows. Owner-data list views keep no
// tick state: they only say where the user clicked or which key was pressed.

// A click on a row's tick box toggles that row; a click anywhere else, or on a
// row that no longer exists, changes nothing. True when a row changed.
bool click_tick_box(ResultList& rows, int hit_row, bool on_tick_box);

// The space bar: one toggle for all the selected rows, the same way for all of
// them: if any of them is unticked they all become ticked, otherwise they all
// become unticked. With no row selected, the focused row alone is toggled. Rows
// out of range are passed over. True when a row was touched.
bool press_space_bar(ResultList& rows, std::optional<std::size_t> focused_row,
                     const std::vector<std::size_t>& selected_rows);

}  // namespace tarvex
