#pragma once
// Reading the registry from the tests, in a chosen view: KEY_WOW64_32KEY or
// KEY_WOW64_64KEY, or 0 for the process's own.
#include <windows.h>

#include <optional>
#include <string>

namespace tarvex::test {

bool registry_key_exists(HKEY root, const std::wstring& path, REGSAM view = 0);
// A text value (`name` nullptr: the key's default value); nullopt when the key
// or the value is missing or not a text.
std::optional<std::wstring> registry_text(HKEY root, const std::wstring& path, const wchar_t* name = nullptr,
                                          REGSAM view = 0);

}  // namespace tarvex::test
