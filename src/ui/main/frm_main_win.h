#pragma once
#include <windows.h>

#include "engine/session.h"

namespace tarvex {

// The one frmMain of the DLL, created on first use and kept for the DLL's life;
// its window is loaded on demand and destroyed on unload.
MainWindowPort& main_window();
// Closes the window as Cancel does (saving the column layout, closing an open
// About box) when it is loaded; nothing otherwise.
void unload_main_window();

}  // namespace tarvex
