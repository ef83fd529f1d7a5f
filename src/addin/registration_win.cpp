#include "addin/registration_win.h"

#include <oleauto.h>
#include <wrl/client.h>

#include <cwchar>
#include <iterator>
#include <new>

#include "base/com_edge_win.h"
#include "base/module_win.h"
#include "base/owners_win.h"
#include "base/platform_win.h"
#include "tarvex_h.h"

// In oleaut32 since Vista, but not declared by the MinGW headers.
extern "C" HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* full_path, OLECHAR* help_dir);
extern "C" HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libid, WORD major, WORD minor, LCID locale, SYSKIND kind);

namespace tarvex::registration {

namespace {

using Microsoft::WRL::ComPtr;

std::wstring below_classes(const wchar_t* key) {
    return std::wstring(classes_key) + L"\\" + key;
}

bool is_missing(LSTATUS status) {
    return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND;
}

[[nodiscard]] HRESULT write_entry(HKEY root, const Entry& entry, const std::wstring& dll_path) {
    HKEY created = nullptr;
    LSTATUS status = ::RegCreateKeyExW(root, below_classes(entry.key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_SET_VALUE, nullptr, &created, nullptr);
    if (status != ERROR_SUCCESS) {
        return HRESULT_FROM_WIN32(status);
    }
    const UniqueHKey key(created);
    const std::wstring data = entry.data != nullptr ? std::wstring(entry.data) : dll_path;
    status = ::RegSetValueExW(key.get(), entry.value_name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                              static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    return HRESULT_FROM_WIN32(status);
}

[[nodiscard]] HRESULT delete_value(HKEY root, const Entry& entry) {
    HKEY opened = nullptr;
    LSTATUS status = ::RegOpenKeyExW(root, below_classes(entry.key).c_str(), 0, KEY_SET_VALUE, &opened);
    if (is_missing(status)) {
        return S_OK;
    }
    if (status != ERROR_SUCCESS) {
        return HRESULT_FROM_WIN32(status);
    }
    const UniqueHKey key(opened);
    status = ::RegDeleteValueW(key.get(), entry.value_name);
    return is_missing(status) ? S_OK : HRESULT_FROM_WIN32(status);
}

// A key is ours to delete only while it holds nothing that we did not write: a
// value or subkey added by someone else keeps it.
[[nodiscard]] HRESULT delete_key_if_empty(HKEY root, const Entry& entry) {
    const std::wstring path = below_classes(entry.key);
    HKEY opened = nullptr;
    LSTATUS status = ::RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, &opened);
    if (is_missing(status)) {
        return S_OK;
    }
    if (status != ERROR_SUCCESS) {
        return HRESULT_FROM_WIN32(status);
    }
    DWORD subkeys = 0;
    DWORD values = 0;
    {
        const UniqueHKey key(opened);
        status = ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                    nullptr, nullptr, nullptr);
    }
    if (status != ERROR_SUCCESS) {
        return HRESULT_FROM_WIN32(status);
    }
    if (subkeys != 0 || values != 0) {
        return S_OK;
    }
    status = ::RegDeleteKeyW(root, path.c_str());
    return is_missing(status) ? S_OK : HRESULT_FROM_WIN32(status);
}

bool key_exists(HKEY root, const std::wstring& path) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
        return false;
    }
    const UniqueHKey key(opened);
    return true;
}

// Whether the DLL of the other bitness has the class registered in this scope.
// Called once this DLL's own keys are gone: on a 32-bit Windows the view flag is
// ignored and this reads the only view there is, which then holds no class.
bool registered_in_other_view(HKEY root) {
#ifdef _WIN64
    constexpr REGSAM other_view = KEY_WOW64_32KEY;
#else
    constexpr REGSAM other_view = KEY_WOW64_64KEY;
#endif
    const std::wstring path = below_classes(L"CLSID\\") + clsid_text + L"\\InprocServer32";
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | other_view, &opened) != ERROR_SUCCESS) {
        return false;
    }
    const UniqueHKey key(opened);
    return true;
}

[[nodiscard]] HRESULT register_type_library(Scope scope, const std::wstring& dll_path) {
    ComPtr<ITypeLib> library;
    RETURN_IF_FAILED(::LoadTypeLibEx(dll_path.c_str(), REGKIND_NONE, &library));
    auto* full_path = const_cast<OLECHAR*>(dll_path.c_str());
    if (scope == Scope::machine) {
        return ::RegisterTypeLib(library.Get(), full_path, nullptr);
    }
    return ::RegisterTypeLibForUser(library.Get(), full_path, nullptr);
}

[[nodiscard]] HRESULT unregister_type_library(Scope scope) {
    // Registration files the library under its own locale and platform; read them
    // back from the copy in this DLL rather than assuming.
    LCID locale = LOCALE_NEUTRAL;
    SYSKIND kind = SYS_WIN32;
    ComPtr<ITypeLib> library;
    if (SUCCEEDED(::LoadTypeLibEx(module_path(module_instance()).c_str(), REGKIND_NONE, &library))) {
        if (const TLibAttr attributes(library.Get()); attributes) {
            locale = attributes->lcid;
            kind = attributes->syskind;
        }
    }
    const HRESULT hr = scope == Scope::machine
                           ? ::UnRegisterTypeLib(LIBID_ExcelTarvex, typelib_major, typelib_minor, locale, kind)
                           : ::UnRegisterTypeLibForUser(LIBID_ExcelTarvex, typelib_major, typelib_minor, locale, kind);
    if (SUCCEEDED(hr)) {
        return S_OK;
    }
    // Not registered in this scope (already removed, or never written): done.
    const std::wstring version_key = below_classes(L"TypeLib\\") + libid_text + L"\\" + typelib_version;
    return key_exists(root_of(scope), version_key) ? hr : S_OK;
}

}  // namespace

HRESULT register_server(Scope scope) noexcept {
    try {
        const std::wstring dll_path = module_path(module_instance());
        if (dll_path.empty()) {
            return E_UNEXPECTED;
        }
        HRESULT hr = S_OK;
        for (const auto& entry : entries) {
            hr = write_entry(root_of(scope), entry, dll_path);
            if (FAILED(hr)) {
                break;
            }
        }
        if (SUCCEEDED(hr)) {
            hr = register_type_library(scope, dll_path);
        }
        if (FAILED(hr)) {
            // Half a registration would make the class look installed when it is not.
            (void)unregister_server(scope);
        }
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT unregister_server(Scope scope) noexcept {
    try {
        const HKEY root = root_of(scope);
        // Every step is tried even after one fails, so that as much as possible is
        // gone; the first failure is the answer.
        HRESULT first_failure = S_OK;
        const auto note = [&first_failure](HRESULT hr) {
            if (FAILED(hr) && SUCCEEDED(first_failure)) {
                first_failure = hr;
            }
        };
        note(unregister_type_library(scope));
        // This bitness's own keys first; the shared ones only when the other
        // bitness's DLL does not still answer for the class through them.
        const auto remove = [&](bool own_view) {
            for (auto entry = std::rbegin(entries); entry != std::rend(entries); ++entry) {
                if (in_own_view(*entry) == own_view) {
                    note(delete_value(root, *entry));
                }
            }
            for (auto entry = std::rbegin(entries); entry != std::rend(entries); ++entry) {
                if (in_own_view(*entry) == own_view) {
                    note(delete_key_if_empty(root, *entry));
                }
            }
        };
        remove(true);
        // The user's add-in entry is one key for both bitnesses; the machine's is
        // in each bitness's own view.
        const bool other_view_registered = registered_in_other_view(root);
        if (!other_view_registered) {
            remove(false);
        }
        if (scope == Scope::machine || !other_view_registered) {
            note(unregister_addin(scope));
        }
        return first_failure;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT register_addin(Scope scope) noexcept {
    try {
        HKEY created = nullptr;
        LSTATUS status = ::RegCreateKeyExW(root_of(scope), addin_key, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_SET_VALUE, nullptr, &created, nullptr);
        if (status != ERROR_SUCCESS) {
            return HRESULT_FROM_WIN32(status);
        }
        const UniqueHKey key(created);
        const auto set_text = [&](const wchar_t* name, const wchar_t* text) {
            return ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                    static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t)));
        };
        status = set_text(L"FriendlyName", addin_friendly_name);
        if (status == ERROR_SUCCESS) {
            status = set_text(L"Description", addin_description);
        }
        if (status == ERROR_SUCCESS) {
            const DWORD behaviour = addin_load_at_startup;
            status = ::RegSetValueExW(key.get(), L"LoadBehavior", 0, REG_DWORD,
                                      reinterpret_cast<const BYTE*>(&behaviour), sizeof(behaviour));
        }
        if (status != ERROR_SUCCESS) {
            (void)unregister_addin(scope);
        }
        return HRESULT_FROM_WIN32(status);
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT unregister_addin(Scope scope) noexcept {
    // The whole entry: the host may have added values of its own to it (a
    // changed LoadBehavior, its own bookkeeping), and they belong to the entry.
    const LSTATUS status = ::RegDeleteTreeW(root_of(scope), addin_key);
    return is_missing(status) ? S_OK : HRESULT_FROM_WIN32(status);
}

}  // namespace tarvex::registration
