// A sheet's cells: sparse, keyed by position, in by-rows order.
#include <cmath>

#include "model/model_detail.h"

namespace standin {

namespace {

// The model refuses a cell that the host could never hold, so every stored cell
// shows, searches and saves the way the host's would.
void check_storable(CellPos p, const Cell& c) {
    if (!detail::inside_grid(p)) {
        detail::fail(hr::application_defined);
    }
    if (c.has_formula() && !detail::is_valid_formula(c.formula)) {
        detail::fail(hr::application_defined);
    }
    if (c.value.kind == ValueKind::number && !std::isfinite(c.value.number)) {
        detail::fail(hr::application_defined);
    }
    if (c.value.kind == ValueKind::error && !error_code(c.value.text)) {
        detail::fail(hr::application_defined);
    }
}

}  // namespace

const Cell* Sheet::cell(CellPos p) const {
    if (!detail::inside_grid(p)) {
        return nullptr;
    }
    const auto it = cells_.find(detail::cell_key(p));
    return it == cells_.end() ? nullptr : &it->second;
}

void Sheet::each_in_row(std::int32_t row, std::int32_t left, std::int32_t right,
                        const std::function<void(const Cell*)>& each) const {
    auto it = cells_.lower_bound(detail::cell_key({row, left}));
    for (std::int32_t col = left; col <= right; ++col) {
        const bool filled =
            detail::inside_grid({row, col}) && it != cells_.end() && it->first == detail::cell_key({row, col});
        each(filled ? &(it++)->second : nullptr);
    }
}

void Sheet::set_cell(CellPos p, Cell c) {
    check_storable(p, c);
    if (!c.has_formula() && c.value.kind == ValueKind::empty && !c.display_override) {
        cells_.erase(detail::cell_key(p));
    } else {
        cells_[detail::cell_key(p)] = std::move(c);
    }
    ++generation_;
}

void Sheet::clear_cell(CellPos p) {
    if (!detail::inside_grid(p)) {
        detail::fail(hr::application_defined);
    }
    cells_.erase(detail::cell_key(p));
    ++generation_;
}

void Sheet::write_block(const Rect& area, const std::vector<std::u16string>& typed) {
    const auto columns = static_cast<std::size_t>(area.bottom_right.col - area.top_left.col + 1);
    const auto rows = static_cast<std::size_t>(area.bottom_right.row - area.top_left.row + 1);
    if (!detail::inside_grid(area.top_left) || !detail::inside_grid(area.bottom_right) ||
        typed.size() != rows * columns) {
        detail::fail(hr::application_defined);
    }
    std::vector<Cell> parsed;
    parsed.reserve(typed.size());
    for (const std::u16string& input : typed) {
        std::optional<Cell> cell = parse_typed_input(input);
        if (!cell) {
            detail::fail(hr::application_defined);
        }
        parsed.push_back(std::move(*cell));
    }
    for (std::size_t i = 0; i < parsed.size(); ++i) {
        const CellPos p{area.top_left.row + static_cast<std::int32_t>(i / columns),
                        area.top_left.col + static_cast<std::int32_t>(i % columns)};
        if (const Cell* old = cell(p)) {
            parsed[i].number_format = old->number_format;
        }
        set_cell(p, std::move(parsed[i]));
    }
}

void Sheet::write_value(CellPos p, std::u16string_view typed) {
    if (!detail::inside_grid(p)) {
        detail::fail(hr::application_defined);
    }
    auto parsed = parse_typed_input(typed);
    if (!parsed) {
        detail::fail(hr::application_defined);
    }
    if (const Cell* old = cell(p)) {
        parsed->number_format = old->number_format;
    }
    // An emptied cell goes, format and all: the model keeps no formatting without content.
    set_cell(p, std::move(*parsed));
}

}  // namespace standin
