#pragma once
// The few conversions and look-ups that every Windows part of Tarvex and of the
// stand-in host needs: core text to the W functions, a module's path, and a
// library from the system folder.
#include <windows.h>

#include <string>
#include <string_view>

#include "base/owners_win.h"

namespace tarvex {

// Core text is UTF-16 code units, exactly what the W functions take.
inline const wchar_t* wide(const std::u16string& text) noexcept {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline const wchar_t* wide(const char16_t* text) noexcept {
    return reinterpret_cast<const wchar_t*>(text);
}
inline std::u16string from_wide(std::wstring_view text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.data()), text.size());
}
// A BSTR's whole text, NULs included; a null BSTR is the empty text.
inline std::u16string from_bstr(BSTR text) {
    return text ? from_wide(std::wstring_view(text, ::SysStringLen(text))) : std::u16string();
}
// A new BSTR holding the whole text, NULs included; nullptr when out of memory. The
// caller owns it: a UniqueBstr, or the VARIANT or EXCEPINFO it is handed to.
inline BSTR to_bstr(std::u16string_view text) noexcept {
    return ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
}

// The full path of a module's file, however long; empty when the system cannot
// tell. A DLL passes its own handle (from __ImageBase): nullptr would name the
// host's executable.
inline std::wstring module_path(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        // Truncated: the buffer was too small for a long path. Paths end at 32,767.
        if (path.size() >= 32768) {
            return {};
        }
        path.resize(path.size() * 2);
    }
}

// The folder part of a path, with its trailing backslash; empty when it has none.
inline std::wstring folder_of(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// The system folder's path, without a trailing backslash; empty on failure.
inline std::wstring system_folder() {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    return std::wstring(folder, length);
}

// A library from the system folder only: a copy beside the host's executable or
// in its current folder is not ours to load.
inline UniqueLibrary load_system_library(std::wstring_view file_name) {
    const std::wstring folder = system_folder();
    if (folder.empty()) {
        return UniqueLibrary();
    }
    return UniqueLibrary(::LoadLibraryW((folder + L"\\" + std::wstring(file_name)).c_str()));
}

}  // namespace tarvex
