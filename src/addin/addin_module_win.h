#pragma once
// The DLL's module-level state, in one place: frmMain with the ports over its
// controls, and the search session, which holds the host's Application, the
// target workbook, the result rows and the undo record. Created on first use and
// kept for the DLL's life. (frmAbout is loaded and unloaded by its own module.)
#include "engine/search_session.h"
#include "ports/main_window.h"

namespace tarvex {

SearchSession& search_session();
MainWindowPort& main_window();

// Closes frmMain as Cancel does (saving the column layout, closing an open About
// box) when it is loaded; nothing otherwise.
void unload_main_window();

// The host disconnected the add-in: the window closes and every reference to
// the host's objects goes, so nothing of Tarvex keeps the host's process alive.
void disconnect_host();

// The process is ending: the host's objects must not be released into a host
// that is shutting down, so the references are abandoned, not released.
void abandon_host_objects() noexcept;

}  // namespace tarvex
