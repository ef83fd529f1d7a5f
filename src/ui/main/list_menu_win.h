#pragma once
// The result list's context menu and keys in the window: the menu shown at the
// pointer or below the focused row, and what each of its commands does there.
#include <windows.h>

#include "engine/commands.h"
#include "ui/controls/list_view_win.h"
#include "ui/main/list_menu.h"

namespace tarvex {

struct ListMenuContext {
    HWND owner;
    ResultListViewWin& view;
    ResultList& rows;
    MainWindowControls& commands;
    AddinGlobals& globals;
};

// Shows the menu at `at` (screen coordinates) and runs the command chosen.
void show_list_menu(const ListMenuContext& context, POINT at);
void run_list_command(const ListMenuContext& context, list_menu::Command command);
// Ctrl+A selects every row, Ctrl+C copies, Ctrl+Z undoes the last replace. True
// when the key was one of them.
bool on_list_key(const ListMenuContext& context, WORD virtual_key);

}  // namespace tarvex
