#pragma once
// Registering the server: the class, its programmatic identifiers and the type
// library, machine-wide (regsvr32) or for the current user only (regsvr32 /n
// /i:user, which needs no administrator). One table (registration_table.h)
// drives both directions, so unregistering removes exactly what registering
// wrote.
#include <windows.h>

#include <string>

#include "addin/registration_table.h"

namespace tarvex::registration {

enum class Scope { machine, user };

// Root of the class registrations of a scope (classes_key below it).
inline HKEY root_of(Scope scope) {
    return scope == Scope::machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// A failed registration is rolled back before its error is returned.
[[nodiscard]] HRESULT register_server(Scope scope) noexcept;
// Removes what register_server writes, and the host's add-in entry with it,
// and succeeds when it is already gone.
[[nodiscard]] HRESULT unregister_server(Scope scope) noexcept;

// The host's COM add-in entry, below HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE:
// with it the host loads ExcelTarvex.Connect at start-up and shows its button.
// Written only on request (regsvr32 /n /i:user,addin, or /i:addin per machine).
inline constexpr const wchar_t* addin_key = L"Software\\Microsoft\\Office\\Excel\\Addins\\ExcelTarvex.Connect";
inline constexpr const wchar_t* addin_friendly_name = L"Tarvex";
inline constexpr const wchar_t* addin_description = L"Find and replace in every worksheet of a workbook";
inline constexpr DWORD addin_load_at_startup = 3;
[[nodiscard]] HRESULT register_addin(Scope scope) noexcept;
[[nodiscard]] HRESULT unregister_addin(Scope scope) noexcept;

}  // namespace tarvex::registration
