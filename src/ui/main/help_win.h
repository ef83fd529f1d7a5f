#pragma once
// F1 help: Tarvex.chm beside the DLL, opened through HTML Help at the topic of
// the control the help is asked for.
#include <windows.h>

#include <string>

namespace tarvex {

// For WM_HELP: opens the help file at the topic of the control the help is for
// (its context id, or the nearest enclosing window's, as for the edit field inside
// a combo box), or at `window_topic` when none of them has one. Every failure is
// ignored: a missing help file or HTML Help simply shows nothing.
void show_context_help(HWND window, const HELPINFO* info, int window_topic) noexcept;
// Closes the help windows this DLL opened; for the main window's unload, so that
// no help window outlives the add-in.
void close_context_help() noexcept;

// The topic show_context_help opens.
int context_help_topic(const HELPINFO* info, int window_topic) noexcept;
// Tarvex.chm in the folder of the module holding this code.
std::wstring context_help_file();

}  // namespace tarvex
