#include "settings/registry_win.h"

#include <windows.h>

#include "base/platform_win.h"

namespace tarvex {
namespace {

HKEY root_key(RegistryRoot root) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}
HKEY handle(Registry::Key key) {
    return reinterpret_cast<HKEY>(key);
}

}  // namespace

std::optional<Registry::Key> RegistryWin::create_key(RegistryRoot root, const std::u16string& path,
                                                     std::uint32_t access) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(root_key(root), wide(path), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                          nullptr) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return reinterpret_cast<Key>(key);
}

std::optional<Registry::Key> RegistryWin::open_key(RegistryRoot root, const std::u16string& path,
                                                   std::uint32_t access) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root_key(root), wide(path), 0, access, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return reinterpret_cast<Key>(key);
}

std::optional<RegistryValue> RegistryWin::query_value(Key key, const std::u16string& name) {
    RegistryValue value;
    DWORD type = 0;
    DWORD size = 0;
    // The value may grow between asking its size and reading it: ask again then.
    for (int attempt = 0; attempt < 4; ++attempt) {
        LONG status = ::RegQueryValueExW(handle(key), wide(name), nullptr, &type, nullptr, &size);
        if (status != ERROR_SUCCESS) {
            return std::nullopt;
        }
        value.data.resize(size);
        status = ::RegQueryValueExW(handle(key), wide(name), nullptr, &type, value.data.data(), &size);
        if (status == ERROR_SUCCESS) {
            value.data.resize(size);
            value.type = type;
            return value;
        }
        if (status != ERROR_MORE_DATA) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool RegistryWin::set_text(Key key, const std::u16string& name, const std::u16string& text) {
    const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(char16_t));
    return ::RegSetValueExW(handle(key), wide(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes) ==
           ERROR_SUCCESS;
}

void RegistryWin::close(Key key) {
    // The port's close, called by its key owner (OpenKey): the one place a settings
    // key is closed.
    ::RegCloseKey(handle(key));
}

}  // namespace tarvex
