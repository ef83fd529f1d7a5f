#pragma once
// The result list's own commands (its context menu and its keys): which rows
// each acts on, when each can be used, and which key runs which. The window
// only shows the menu and passes keys on; the search session runs them.
#include <cstddef>
#include <optional>
#include <vector>

#include "engine/result_list.h"

namespace tarvex::list_menu {

enum class Command : int {
    separator = 0,
    go_to = 41001,
    tick_selected,
    untick_selected,
    tick_all,
    untick_all,
    copy,
    copy_references,
    export_list,
    undo_replace,
    // Keys only, not on the menu.
    select_all,
    toggle_selected,
};
inline constexpr Command first_command = Command::go_to;
inline constexpr Command last_command = Command::toggle_selected;

struct State {
    std::size_t rows = 0;
    std::size_t selected = 0;
    bool can_undo = false;
};

bool enabled(Command command, const State& state);

// The list's keys, as the platform's virtual-key codes (letters and the space
// bar are their own characters). The key is taken before the list control sees
// it, so the control's own handling (Space selecting only the focused row) never
// undoes what the command did.
struct KeyBinding {
    int key;
    bool ctrl;
    Command command;
};
inline constexpr int key_space = 0x20;
inline constexpr KeyBinding keys[] = {
    {'A', true, Command::select_all},
    {'C', true, Command::copy},
    {'Z', true, Command::undo_replace},
    {key_space, false, Command::toggle_selected},
};
// The command of a key pressed with these modifiers; Alt combinations belong to
// the window's access keys, never to the list.
std::optional<Command> command_for_key(int key, bool ctrl, bool alt);

// The rows Copy and Copy as references take: the selected ones in the list's
// order, or every row when none is selected.
std::vector<ResultRow> rows_to_copy(const ResultList& list, const std::vector<std::size_t>& selected);
// Export writes the whole list, whatever is selected: it is the list's file.
std::vector<ResultRow> rows_to_export(const ResultList& list);

// Ticks or unticks the given rows (all of them with `every_row`). True when a row changed.
bool set_ticks(ResultList& list, const std::vector<std::size_t>& rows, bool ticked);
bool set_all_ticks(ResultList& list, bool ticked);

}  // namespace tarvex::list_menu
