#pragma once
// The Options button's menu: its items, which of them are ticked for the
// options in force, and what choosing one makes of the options. The window only
// shows the menu and hands the choice to the session.
#include <array>
#include <string_view>

#include "engine/search_options.h"

namespace tarvex::options_menu {

enum class Item : int {
    match_case = 42001,
    whole_cell,
    look_in_host,
    look_in_formulas,
    look_in_values,
    regular_expression,
    search_active,
    search_all,
    reset,
    // Not options: commands that take a list of find/replace pairs.
    replace_from_list,
    replace_from_clipboard,
};

enum class Kind { tick, choice, action };
enum class Submenu { none, look_in, search_in };

struct Entry {
    Item item;
    std::u16string_view caption;
    Kind kind;
    Submenu submenu;  // the submenu the entry is a choice of
    bool separator_before = false;
};

inline constexpr std::u16string_view look_in_caption = u"&Look in";
inline constexpr std::u16string_view search_in_caption = u"Search &in";

// In the menu's order; a submenu stands where its first choice does.
inline constexpr std::array<Entry, 11> entries = {{
    {Item::match_case, u"Match &case", Kind::tick, Submenu::none},
    {Item::whole_cell, u"Match &entire cell contents", Kind::tick, Submenu::none},
    {Item::look_in_host, u"&Host's current setting", Kind::choice, Submenu::look_in},
    {Item::look_in_formulas, u"&Formulas", Kind::choice, Submenu::look_in},
    {Item::look_in_values, u"&Values", Kind::choice, Submenu::look_in},
    {Item::regular_expression, u"&Regular expressions", Kind::tick, Submenu::none},
    {Item::search_active, u"&Active workbook", Kind::choice, Submenu::search_in},
    {Item::search_all, u"All &open workbooks", Kind::choice, Submenu::search_in},
    {Item::reset, u"Re&set options", Kind::action, Submenu::none, true},
    {Item::replace_from_list, u"Replace from &list...", Kind::action, Submenu::none, true},
    {Item::replace_from_clipboard, u"Replace from cli&pboard list", Kind::action, Submenu::none},
}};

// Whether the item changes the options (the others are commands).
constexpr bool is_option(Item item) {
    return item != Item::replace_from_list && item != Item::replace_from_clipboard;
}

// Whether the item shows its tick (or, in the submenu, its choice mark).
bool checked(Item item, const SearchOptions& options);
// The options after the user chose the item. A tick left to the host's setting
// becomes a choice of its own once clicked: Match entire cell contents unticked
// by the user means part of a cell, not the host's setting; Reset gives that back.
SearchOptions choose(Item item, SearchOptions options);

}  // namespace tarvex::options_menu
