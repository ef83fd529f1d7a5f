#pragma once
// List columns in memory, moving as a list control moves them: setting a column's
// position takes it out of the display order and puts it back at that place.
#include <algorithm>
#include <vector>

#include "base/steps.h"
#include "ports/controls.h"
#include "settings/column_layout.h"

namespace tarvex::testing {

class FakeColumns final : public ListColumns {
public:
    struct Column {
        std::u16string key;
        std::u16string caption;
        float width = 1440;
    };

    explicit FakeColumns(std::vector<Column> columns) : columns_(std::move(columns)) {
        for (int i = 0; i < count(); ++i) {
            order_.push_back(i);
        }
    }

    std::u16string form_name() const override { return u"frmMain"; }
    std::u16string control_name() const override { return u"lvwMain"; }
    int count() const override { return static_cast<int>(columns_.size()); }
    std::u16string key(int c) const override { return columns_.at(static_cast<std::size_t>(c)).key; }
    std::u16string caption(int c) const override { return columns_.at(static_cast<std::size_t>(c)).caption; }
    float width(int c) const override {
        if (width_failures > 0) {
            --width_failures;
            throw TarvexError{5, u"Invalid procedure call or argument"};
        }
        return columns_.at(static_cast<std::size_t>(c)).width;
    }
    void set_width(int c, float twips) override {
        if (!acceptable_column_width(twips)) {
            throw TarvexError{control_error::invalid_property_value, control_error::invalid_property_value_text};
        }
        columns_.at(static_cast<std::size_t>(c)).width = twips;
    }
    int position(int c) const override {
        return static_cast<int>(std::find(order_.begin(), order_.end(), c) - order_.begin()) + 1;
    }
    void set_position(int c, int position) override {
        if (position < 1 || position > count()) {
            throw TarvexError{control_error::invalid_property_value, control_error::invalid_property_value_text};
        }
        order_.erase(std::find(order_.begin(), order_.end(), c));
        order_.insert(order_.begin() + (position - 1), c);
    }
    void set_hide_selection(bool hide) override { hide_selection = hide; }
    void set_allow_column_reorder(bool allow) override { allow_reorder = allow; }
    void set_full_row_select(bool full) override { full_row = full; }
    void set_report_view() override { report_view = true; }
    void set_manual_label_edit() override { manual_label_edit = true; }
    void show_sort_arrow(std::optional<int> column, bool ascending) override {
        arrow_column = column;
        arrow_ascending = ascending;
    }

    // Column indices from left to right.
    const std::vector<int>& display_order() const { return order_; }

    // Reading a width fails this many times, as a control past its window would.
    mutable int width_failures = 0;
    bool hide_selection = true;
    bool allow_reorder = false;
    bool full_row = false;
    bool report_view = false;
    bool manual_label_edit = false;
    std::optional<int> arrow_column;
    bool arrow_ascending = true;

private:
    std::vector<Column> columns_;
    std::vector<int> order_;
};

}  // namespace tarvex::testing
