#pragma once
// The result list's context menu (right click, Shift+F10, the menu key): what it
// offers, when each item can be used, and which rows it acts on. Everything new
// beyond the window's design is reached here and through the list's keys.
#include <string_view>
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
};

struct Item {
    Command command;
    std::u16string_view caption;  // with its access key, and its shortcut after a tab
};

inline constexpr Item items[] = {
    {Command::go_to, u"&Go to cell"},
    {Command::separator, u""},
    {Command::tick_selected, u"&Tick selected rows"},
    {Command::untick_selected, u"U&ntick selected rows"},
    {Command::tick_all, u"Tick &all"},
    {Command::untick_all, u"Untick a&ll"},
    {Command::separator, u""},
    {Command::copy, u"&Copy\tCtrl+C"},
    {Command::copy_references, u"Copy as &references"},
    {Command::export_list, u"&Export list..."},
    {Command::separator, u""},
    {Command::undo_replace, u"&Undo Replace\tCtrl+Z"},
};

struct State {
    std::size_t rows = 0;
    std::size_t selected = 0;
    bool can_undo = false;
};

bool enabled(Command command, const State& state);

// The rows Copy and Copy as references take: the selected ones in the list's
// order, or every row when none is selected.
std::vector<ResultRow> rows_to_copy(const ResultList& list, const std::vector<std::size_t>& selected);

// Ticks or unticks the given rows (all of them with `every_row`). True when a row changed.
bool set_ticks(ResultList& list, const std::vector<std::size_t>& rows, bool ticked);
bool set_all_ticks(ResultList& list, bool ticked);

}  // namespace tarvex::list_menu
