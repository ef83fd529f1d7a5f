#include "engine/list_commands.h"

#include <algorithm>

namespace tarvex::list_menu {

bool enabled(Command command, const State& state) {
    switch (command) {
        case Command::go_to:
            return state.selected == 1;
        case Command::tick_selected:
        case Command::untick_selected:
        case Command::toggle_selected:
            return state.selected > 0;
        case Command::tick_all:
        case Command::untick_all:
        case Command::copy:
        case Command::copy_references:
        case Command::export_list:
        case Command::select_all:
            return state.rows > 0;
        case Command::undo_replace:
            return state.can_undo;
        case Command::separator:
            return false;
    }
    return false;
}

std::optional<Command> command_for_key(int key, bool ctrl, bool alt) {
    if (alt) {
        return std::nullopt;
    }
    for (const KeyBinding& binding : keys) {
        if (binding.key == key && binding.ctrl == ctrl) {
            return binding.command;
        }
    }
    return std::nullopt;
}

std::vector<ResultRow> rows_to_copy(const ResultList& list, const std::vector<std::size_t>& selected) {
    std::vector<std::size_t> indices = selected;
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    indices.erase(std::remove_if(indices.begin(), indices.end(), [&](std::size_t i) { return i >= list.size(); }),
                  indices.end());
    if (indices.empty()) {
        return rows_to_export(list);
    }
    std::vector<ResultRow> rows;
    for (const std::size_t i : indices) {
        rows.push_back(list.row(i));
    }
    return rows;
}

std::vector<ResultRow> rows_to_export(const ResultList& list) {
    std::vector<ResultRow> rows;
    rows.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
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
