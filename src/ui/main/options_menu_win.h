#pragma once
// The Options button's menu in the window: dropped under the button, its ticks
// set from the session's options, the choice handed back to the session.
#include <windows.h>

#include "engine/search_session.h"
#include "ui/main/options_menu.h"

namespace tarvex {

void show_options_menu(HWND button, SearchSession& session);
// What choosing an item does, from the menu or as a command of the window.
void run_options_item(SearchSession& session, options_menu::Item item);

}  // namespace tarvex
