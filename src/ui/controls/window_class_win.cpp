#include "ui/controls/window_class_win.h"

#include <mutex>
#include <string>
#include <vector>

namespace tarvex {

namespace {

struct RegisteredClass {
    std::wstring name;
    ATOM atom;
};

// Windows are created on the host's UI thread, but unloading runs on whichever
// thread calls FreeLibrary.
std::mutex registry_mutex;
std::vector<RegisteredClass>& registered_classes() {
    static std::vector<RegisteredClass> classes;
    return classes;
}

}  // namespace

ATOM register_window_class(const WNDCLASSEXW& window_class) {
    if (window_class.lpszClassName == nullptr || IS_INTRESOURCE(window_class.lpszClassName)) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::lock_guard guard(registry_mutex);
    auto& classes = registered_classes();
    for (const auto& known : classes) {
        if (::CompareStringOrdinal(known.name.c_str(), -1, window_class.lpszClassName, -1, TRUE) == CSTR_EQUAL) {
            return known.atom;
        }
    }
    WNDCLASSEXW ours = window_class;
    ours.cbSize = sizeof(ours);
    ours.hInstance = module_instance();
    const ATOM atom = ::RegisterClassExW(&ours);
    if (atom != 0) {
        try {
            classes.push_back({window_class.lpszClassName, atom});
        } catch (...) {
            // Not remembered means never unregistered: better to give it back now.
            ::UnregisterClassW(window_class.lpszClassName, module_instance());
            ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
    }
    return atom;
}

void unregister_window_classes() {
    const std::lock_guard guard(registry_mutex);
    auto& classes = registered_classes();
    for (const auto& known : classes) {
        ::UnregisterClassW(known.name.c_str(), module_instance());
    }
    classes.clear();
}

}  // namespace tarvex
