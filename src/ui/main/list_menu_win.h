#pragma once
// The result list's context menu in the window: shown at the pointer or below
// the focused row, its items lit as the session says, the chosen command run by
// the session.
#include <windows.h>

#include "engine/search_session.h"

namespace tarvex {

// Shows the menu at `at` (screen coordinates), owned by `owner`, and runs the
// command chosen.
void show_list_menu(HWND owner, SearchSession& session, POINT at);

}  // namespace tarvex
