#pragma once
// What registering the server writes: the class, its programmatic identifiers
// and the type library, machine-wide (regsvr32) or for the current user only
// (regsvr32 /n /i:user, which needs no administrator). One table drives both
// directions, so unregistering removes exactly what registering wrote.
#include <windows.h>

#include <string>

namespace tarvex::registration {

#define TARVEX_CLSID L"{41DEBC9A-2327-11D4-98A4-006067303FC9}"
#define TARVEX_CONNECT_CLSID L"{41DEBC9B-2327-11D4-98A4-006067303FC9}"
#define TARVEX_LIBID L"{41DEBC98-2327-11D4-98A4-006067303FC9}"

inline constexpr const wchar_t* clsid_text = TARVEX_CLSID;
inline constexpr const wchar_t* libid_text = TARVEX_LIBID;
inline constexpr const wchar_t* prog_id = L"ExcelTarvex.Morvane";
inline constexpr WORD typelib_major = 1;
inline constexpr WORD typelib_minor = 0;

// One value below the classes root (HKLM or HKCU \Software\Classes). Keys come
// parent first, so unregistering walks the table backwards.
struct Entry {
    const wchar_t* key;
    const wchar_t* value_name;  // nullptr: the key's default value
    const wchar_t* data;        // nullptr: this DLL's full path
};

inline constexpr Entry entries[] = {
    {L"CLSID\\" TARVEX_CLSID, nullptr, L"ExcelTarvex.Morvane"},
    {L"CLSID\\" TARVEX_CLSID L"\\InprocServer32", nullptr, nullptr},
    {L"CLSID\\" TARVEX_CLSID L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
    // The class is known by its plain ProgID (ProgIDFromCLSID answers with it); the
    // versioned alias stays registered for callers that use it.
    {L"CLSID\\" TARVEX_CLSID L"\\ProgID", nullptr, L"ExcelTarvex.Morvane"},
    {L"CLSID\\" TARVEX_CLSID L"\\VersionIndependentProgID", nullptr, L"ExcelTarvex.Morvane"},
    {L"CLSID\\" TARVEX_CLSID L"\\TypeLib", nullptr, TARVEX_LIBID},
    {L"CLSID\\" TARVEX_CLSID L"\\Version", nullptr, L"1.0"},
    {L"ExcelTarvex.Morvane", nullptr, L"ExcelTarvex.Morvane"},
    {L"ExcelTarvex.Morvane\\CLSID", nullptr, TARVEX_CLSID},
    {L"ExcelTarvex.Morvane\\CurVer", nullptr, L"ExcelTarvex.Morvane.1"},
    {L"ExcelTarvex.Morvane.1", nullptr, L"ExcelTarvex.Morvane"},
    {L"ExcelTarvex.Morvane.1\\CLSID", nullptr, TARVEX_CLSID},
    // The COM add-in that shows the ribbon button. Registering it makes it
    // creatable; the host loads it only once its add-in entry is written too.
    {L"CLSID\\" TARVEX_CONNECT_CLSID, nullptr, L"ExcelTarvex.Connect"},
    {L"CLSID\\" TARVEX_CONNECT_CLSID L"\\InprocServer32", nullptr, nullptr},
    {L"CLSID\\" TARVEX_CONNECT_CLSID L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
    {L"CLSID\\" TARVEX_CONNECT_CLSID L"\\ProgID", nullptr, L"ExcelTarvex.Connect"},
    {L"ExcelTarvex.Connect", nullptr, L"ExcelTarvex.Connect"},
    {L"ExcelTarvex.Connect\\CLSID", nullptr, TARVEX_CONNECT_CLSID},
};

#undef TARVEX_CLSID
#undef TARVEX_CONNECT_CLSID
#undef TARVEX_LIBID

enum class Scope { machine, user };

// Root of the class registrations of a scope, below HKEY_LOCAL_MACHINE or
// HKEY_CURRENT_USER.
inline constexpr const wchar_t* classes_key = L"Software\\Classes";
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
