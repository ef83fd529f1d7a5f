#include "ui/main/list_menu.h"

#include <algorithm>

namespace tarvex::list_menu {

bool enabled(Command command, const State& state) {
    switch (command) {
        case Command::go_to:
            return state.selected == 1;
        case Command::tick_selected:
        case Command::untick_selected:
            return state.selected > 0;
        case Command::tick_all:
        case Command::untick_all:
        case Command::copy:
        case Command::copy_references:
        case Command::export_list:
            return state.rows > 0;
        case Command::undo_replace:
            return state.can_undo;
        case Command::separator:
            return false;
    }
    return false;
}

std::vector<ResultRow> rows_to_copy(const ResultList& list, const std::vector<std::size_t>& selected) {
    std::vector<ResultRow> rows;
    std::vector<std::size_t> indices = selected;
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    indices.erase(std::remove_if(indices.begin(), indices.end(), [&](std::size_t i) { return i >= list.size(); }),
                  indices.end());
    if (indices.empty()) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            rows.push_back(list.row(i));
        }
        return rows;
    }
    for (const std::size_t i : indices) {
        rows.push_back(list.row(i));
    }
    return rows;
}

bool set_ticks(ResultList& list, const std::vector<std::size_t>& rows, bool ticked) {
    bool changed = false;
    for (const std::size_t i : rows) {
        if (i < list.size() && list.row(i).ticked != ticked) {
            list.set_ticked(i, ticked);
            changed = true;
        }
    }
    return changed;
}

bool set_all_ticks(ResultList& list, bool ticked) {
    std::vector<std::size_t> all(list.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        all[i] = i;
    }
    return set_ticks(list, all, ticked);
}

}  // namespace tarvex::list_menu
