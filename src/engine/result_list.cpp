#include "engine/result_list.h"

#include <algorithm>
#include <numeric>

#include "base/text.h"

namespace tarvex {

const std::u16string& ResultRow::column_text(int column) const {
    switch (column) {
        case 1:
            return address;
        case 2:
            return content;
        default:
            return shown_sheet.empty() ? sheet : shown_sheet;
    }
}

std::string folded_sort_key(const std::u16string& text) {
    std::string key;
    key.reserve(text.size() * 2);
    for (char16_t c : text) {
        const char16_t folded = fold_case(c);
        key.push_back(static_cast<char>(folded >> 8));
        key.push_back(static_cast<char>(folded & 0xFF));
    }
    return key;
}

void ResultList::clear() {
    rows_.clear();
    keys_.clear();
    keys_column_ = -1;
}

void ResultList::append(std::vector<ResultRow> rows) {
    keys_.clear();
    keys_column_ = -1;
    if (rows_.empty()) {
        rows_ = std::move(rows);
    } else {
        rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    }
    needs_sort_ = sorted_;
}

void ResultList::set_sorted(bool sorted) {
    sorted_ = sorted;
    needs_sort_ = sorted_;
}

void ResultList::set_sort_column(int column) {
    sort_column_ = std::clamp(column, 0, 2);
    needs_sort_ = sorted_;
}

void ResultList::set_sort_order(SortOrder order) {
    sort_order_ = order;
    needs_sort_ = sorted_;
}

void ResultList::ensure_sorted() const {
    if (!needs_sort_) {
        return;
    }
    needs_sort_ = false;
    if (rows_.size() < 2) {
        return;
    }
    if (keys_column_ != sort_column_ || keys_.size() != rows_.size()) {
        keys_.clear();
        keys_.reserve(rows_.size());
        for (const ResultRow& row : rows_) {
            keys_.push_back(sort_key_(row.column_text(sort_column_)));
        }
        keys_column_ = sort_column_;
    }
    const std::vector<std::string>& keys = keys_;
    std::vector<std::size_t> order(rows_.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    // Equal texts keep their current order in both directions, so reversing the
    // order never shuffles rows that compare equal.
    if (sort_order_ == SortOrder::ascending) {
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    } else {
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[b] < keys[a]; });
    }
    std::vector<ResultRow> sorted_rows;
    std::vector<std::string> sorted_keys;
    sorted_rows.reserve(rows_.size());
    sorted_keys.reserve(rows_.size());
    for (std::size_t index : order) {
        sorted_rows.push_back(std::move(rows_[index]));
        sorted_keys.push_back(std::move(keys_[index]));
    }
    rows_ = std::move(sorted_rows);
    keys_ = std::move(sorted_keys);
}

bool click_tick_box(ResultList& rows, int hit_row, bool on_tick_box) {
    if (!on_tick_box || hit_row < 0 || static_cast<std::size_t>(hit_row) >= rows.size()) {
        return false;
    }
    rows.toggle(static_cast<std::size_t>(hit_row));
    return true;
}

bool press_space_bar(ResultList& rows, std::optional<std::size_t> focused_row,
                     const std::vector<std::size_t>& selected_rows) {
    std::vector<std::size_t> touched;
    for (const std::size_t row : selected_rows) {
        if (row < rows.size()) {
            touched.push_back(row);
        }
    }
    if (touched.empty() && focused_row && *focused_row < rows.size()) {
        touched.push_back(*focused_row);
    }
    if (touched.empty()) {
        return false;
    }
    bool tick = false;
    for (const std::size_t row : touched) {
        tick = tick || !rows.row(row).ticked;
    }
    for (const std::size_t row : touched) {
        rows.set_ticked(row, tick);
    }
    return true;
}

}  // namespace tarvex
