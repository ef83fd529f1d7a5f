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
