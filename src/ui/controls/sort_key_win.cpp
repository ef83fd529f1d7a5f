#include "ui/controls/sort_key_win.h"

#include <windows.h>

#include "base/platform_win.h"
#include "engine/result_list.h"

namespace tarvex {

std::string locale_sort_key(const std::u16string& text) {
    const wchar_t* source = wide(text);
    const int length = static_cast<int>(text.size());
    const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    if (length == 0) {
        return std::string();
    }
    // Most cell texts fit a small buffer: one call instead of asking for the size first.
    char buffer[512];
    const int direct = ::LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, source, length,
                                       reinterpret_cast<LPWSTR>(buffer), sizeof(buffer), nullptr, nullptr, 0);
    if (direct > 0) {
        return std::string(buffer, static_cast<std::size_t>(direct));
    }
    const int size = ::LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, source, length, nullptr, 0, nullptr, nullptr, 0);
    if (size <= 0) {
        return folded_sort_key(text);
    }
    std::string key(static_cast<std::size_t>(size), '\0');
    // For a sort key the destination is bytes, and its size is counted in bytes.
    if (::LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, source, length, reinterpret_cast<LPWSTR>(key.data()), size,
                        nullptr, nullptr, 0) <= 0) {
        return folded_sort_key(text);
    }
    return key;
}

}  // namespace tarvex
