#pragma once
// The result list's context menu (right click, Shift+F10, the menu key) as the
// user sees it: its items in order, with their access keys and shortcuts. What
// each command does, and when it can be used, is the session's.
#include <string_view>

#include "engine/list_commands.h"

namespace tarvex::list_menu {

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

}  // namespace tarvex::list_menu
