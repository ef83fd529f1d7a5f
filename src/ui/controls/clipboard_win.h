#pragma once
// Text on the clipboard, as other programs paste it: Unicode text for every
// program, and the same rows as CSV (UTF-8) for spreadsheets that take it.
#include <windows.h>

#include <optional>
#include <string>

namespace tarvex {

// False when the clipboard could not be opened or filled (another program holds
// it, or memory ran out); nothing is left half written.
bool put_on_clipboard(HWND owner, const std::u16string& text, const std::string& csv);
bool put_on_clipboard(HWND owner, const std::u16string& text);
// The clipboard's Unicode text; nullopt when it holds none or cannot be opened.
std::optional<std::u16string> clipboard_text(HWND owner);

}  // namespace tarvex
