#pragma once
// What registering the server writes, as data: the class keys and programmatic
// identifiers the DLL writes itself, and the interface keys that registering
// its type library writes. The DLL registers from this table and the installer's
// registry rows are generated from it, so the two write the same. No platform
// types: the installer's generator is a native program.
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::registration {

#define TARVEX_CLSID L"{41DEBC9A-2327-11D4-98A4-006067303FC9}"
#define TARVEX_CONNECT_CLSID L"{41DEBC9B-2327-11D4-98A4-006067303FC9}"
#define TARVEX_LIBID L"{41DEBC98-2327-11D4-98A4-006067303FC9}"
#define TARVEX_PROG_ID L"ExcelTarvex.Morvane"
#define TARVEX_VERSIONED_PROG_ID TARVEX_PROG_ID L".1"

inline constexpr const wchar_t* clsid_text = TARVEX_CLSID;
inline constexpr const wchar_t* libid_text = TARVEX_LIBID;
inline constexpr const wchar_t* prog_id = TARVEX_PROG_ID;
inline constexpr const wchar_t* versioned_prog_id = TARVEX_VERSIONED_PROG_ID;
inline constexpr unsigned short typelib_major = 1;
inline constexpr unsigned short typelib_minor = 0;
inline constexpr const wchar_t* typelib_version = L"1.0";

// The classes root, below HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER.
inline constexpr const wchar_t* classes_key = L"Software\\Classes";

// One value below the classes root. Keys come parent first, so unregistering
// walks the table backwards.
struct Entry {
    const wchar_t* key;
    const wchar_t* value_name;  // nullptr: the key's default value
    const wchar_t* data;        // nullptr: this DLL's full path
};

inline constexpr Entry entries[] = {
    {L"CLSID\\" TARVEX_CLSID, nullptr, TARVEX_PROG_ID},
    {L"CLSID\\" TARVEX_CLSID L"\\InprocServer32", nullptr, nullptr},
    {L"CLSID\\" TARVEX_CLSID L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
    // The class is known by its plain ProgID (ProgIDFromCLSID answers with it); the
    // versioned alias stays registered for callers that use it.
    {L"CLSID\\" TARVEX_CLSID L"\\ProgID", nullptr, TARVEX_PROG_ID},
    {L"CLSID\\" TARVEX_CLSID L"\\VersionIndependentProgID", nullptr, TARVEX_PROG_ID},
    {L"CLSID\\" TARVEX_CLSID L"\\TypeLib", nullptr, TARVEX_LIBID},
    {L"CLSID\\" TARVEX_CLSID L"\\Version", nullptr, L"1.0"},
    {TARVEX_PROG_ID, nullptr, TARVEX_PROG_ID},
    {TARVEX_PROG_ID L"\\CLSID", nullptr, TARVEX_CLSID},
    {TARVEX_PROG_ID L"\\CurVer", nullptr, TARVEX_VERSIONED_PROG_ID},
    {TARVEX_VERSIONED_PROG_ID, nullptr, TARVEX_PROG_ID},
    {TARVEX_VERSIONED_PROG_ID L"\\CLSID", nullptr, TARVEX_CLSID},
    // The COM add-in that shows the ribbon button. Registering it makes it
    // creatable; the host loads it only once its add-in entry is written too.
    {L"CLSID\\" TARVEX_CONNECT_CLSID, nullptr, L"ExcelTarvex.Connect"},
    {L"CLSID\\" TARVEX_CONNECT_CLSID L"\\InprocServer32", nullptr, nullptr},
    {L"CLSID\\" TARVEX_CONNECT_CLSID L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
    {L"CLSID\\" TARVEX_CONNECT_CLSID L"\\ProgID", nullptr, L"ExcelTarvex.Connect"},
    {L"ExcelTarvex.Connect", nullptr, L"ExcelTarvex.Connect"},
    {L"ExcelTarvex.Connect\\CLSID", nullptr, TARVEX_CONNECT_CLSID},
};

// The interfaces of the type library. Registering the library files each below
// Interface\{iid} with the proxy that marshals it: the automation marshaller,
// {00020424-...} for a dual interface and {00020420-...} for a dispinterface.
struct Interface {
    const wchar_t* iid;
    const wchar_t* name;
    const wchar_t* proxy_stub;
};

inline constexpr Interface interfaces[] = {
    {L"{41DEBC99-2327-11D4-98A4-006067303FC9}", L"_Morvane", L"{00020424-0000-0000-C000-000000000046}"},
    {L"{41DEBC9C-2327-11D4-98A4-006067303FC9}", L"_ConnectCallbacks", L"{00020420-0000-0000-C000-000000000046}"},
};

#undef TARVEX_CLSID
#undef TARVEX_CONNECT_CLSID
#undef TARVEX_LIBID
#undef TARVEX_PROG_ID
#undef TARVEX_VERSIONED_PROG_ID

// One value of an interface's keys, as Entry has it but with the key built.
struct InterfaceValue {
    std::wstring key;
    const wchar_t* value_name;  // nullptr: the key's default value
    const wchar_t* data;
};

// The values registering the type library writes for its interfaces.
inline std::vector<InterfaceValue> interface_values() {
    std::vector<InterfaceValue> values;
    for (const Interface& i : interfaces) {
        const std::wstring key = std::wstring(L"Interface\\") + i.iid;
        values.push_back({key, nullptr, i.name});
        values.push_back({key + L"\\ProxyStubClsid", nullptr, i.proxy_stub});
        values.push_back({key + L"\\ProxyStubClsid32", nullptr, i.proxy_stub});
        values.push_back({key + L"\\TypeLib", nullptr, libid_text});
        values.push_back({key + L"\\TypeLib", L"Version", typelib_version});
    }
    return values;
}

// Whether an entry lies in each bitness's own view of the registry (the class
// keys) rather than in the keys both bitnesses share (the ProgIDs).
inline bool in_own_view(const Entry& entry) {
    return std::wstring_view(entry.key).starts_with(L"CLSID\\");
}

}  // namespace tarvex::registration
