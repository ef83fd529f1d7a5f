#include "support/registry_read_win.h"

#include "base/owners_win.h"

namespace tarvex::test {

bool registry_key_exists(HKEY root, const std::wstring& path, REGSAM view) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | view, &opened) != ERROR_SUCCESS) {
        return false;
    }
    const UniqueHKey key(opened);
    return true;
}

std::optional<std::wstring> registry_text(HKEY root, const std::wstring& path, const wchar_t* name, REGSAM view) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | view, &opened) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const UniqueHKey key(opened);
    std::wstring data(1024, L'\0');
    DWORD size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (::RegGetValueW(key.get(), nullptr, name, RRF_RT_REG_SZ, nullptr, data.data(), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    data.resize(size / sizeof(wchar_t));
    while (!data.empty() && data.back() == L'\0') {
        data.pop_back();
    }
    return data;
}

}  // namespace tarvex::test
