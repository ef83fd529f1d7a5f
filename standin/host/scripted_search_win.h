#pragma once
// Drives an open Tarvex window as a user at the keyboard would, for the demo and
// for scripts that check a build from end to end: types a text into the search
// box, presses Find, and reads back the result list and the status bar.
#include <windows.h>

#include <string>
#include <vector>

namespace standin::host {

// The Tarvex window shown by this thread, or nullptr.
HWND find_tarvex_window();

// Whether the window is one of the add-in's: their classes share a prefix that
// no host window class has.
bool is_tarvex_window(HWND window);

// Searches for `text` in `tarvex` and returns what the window shows afterwards:
// one line "Sheet<TAB>Cell<TAB>Content" per row of the result list, in the list's
// order, and "status: <text>" last. Backslashes, tabs and line breaks inside a
// text are written as \\, \t, \n and \r, as in workbook files, so that a line
// always has three fields.
std::vector<std::u16string> run_scripted_search(HWND tarvex, const std::u16string& text);

// Writes each line and a line feed to `handle` (STD_OUTPUT_HANDLE or
// STD_ERROR_HANDLE) in UTF-8. A program of the GUI subsystem has no console, but
// a redirected standard handle works; without one the lines go nowhere.
void write_lines(DWORD handle, const std::vector<std::u16string>& lines);

}  // namespace standin::host
