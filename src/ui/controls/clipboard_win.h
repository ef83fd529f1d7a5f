#pragma once
// Text on the clipboard, as other programs paste it: Unicode text for every
// program, and the same rows as CSV (UTF-8) for spreadsheets that take it.
#include <windows.h>

#include <string>

namespace tarvex {

// False when the clipboard could not be opened or filled (another program holds
// it, or memory ran out); nothing is left half written.
bool put_on_clipboard(HWND owner, const std::u16string& text, const std::string& csv);
bool put_on_clipboard(HWND owner, const std::u16string& text);

}  // namespace tarvex
